#include "link/TransportFactory.h"

#include "link/HidTransport.h"
#include "link/RecordingTransport.h"
#include "link/virtual/VirtualMeter.h"

namespace {
// A recorder that owns the transport it records.
class OwningRecorder : public RecordingTransport {
  public:
    OwningRecorder(std::unique_ptr<Transport> inner, const QString& path, RecordSaving saving)
        : RecordingTransport(*inner, path, saving), m_inner(std::move(inner)) {}

  private:
    std::unique_ptr<Transport> m_inner;
};
} // namespace

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error,
                                           const QString& recordFile, RecordSaving saving) {
    std::unique_ptr<Transport> t;
    if (meter == QLatin1String("usb")) {
        t = std::make_unique<HidTransport>();
    } else if (meter == QLatin1String("virtual")) {
        t = std::make_unique<VirtualMeter>(clock);
    } else if (meter.startsWith(QLatin1String("replay:"))) {
        auto replay = std::make_unique<ReplayTransport>(meter.mid(7));
        if (!replay->ok()) {
            if (error) *error = replay->errorText();
            return nullptr;
        }
        t = std::move(replay);
    } else {
        if (error)
            *error =
                QStringLiteral("unknown meter \"%1\": use usb, virtual or replay:FILE").arg(meter);
        return nullptr;
    }
    if (recordFile.isEmpty()) return t;
    auto recorder = std::make_unique<OwningRecorder>(std::move(t), recordFile, saving);
    if (!recorder->ok()) {
        if (error) *error = recorder->errorText();
        return nullptr;
    }
    return recorder;
}

bool finishRecording(Transport& transport, QString* why) {
    if (auto* rec = dynamic_cast<RecordingTransport*>(&transport)) return rec->finish(why);
    return true;
}

QString transportProblem(const Transport& transport) {
    if (const auto* rec = dynamic_cast<const RecordingTransport*>(&transport)) {
        if (!rec->errorText().isEmpty()) return rec->errorText();
        return transportProblem(rec->inner());
    }
    if (const auto* replay = dynamic_cast<const ReplayTransport*>(&transport))
        return replay->errorText();
    if (const auto* hid = dynamic_cast<const HidTransport*>(&transport)) {
        // A meter that is simply not plugged in is the ordinary "no connection".
        if (hid->lastError() == HidTransport::Error::None ||
            hid->lastError() == HidTransport::Error::NotFound)
            return {};
        return QString::fromStdString(hid->errorText());
    }
    return {};
}
