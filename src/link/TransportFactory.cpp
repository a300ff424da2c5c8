#include "link/TransportFactory.h"

#include "link/HidTransport.h"
#include "link/RecordingTransport.h"
#include "link/Transport.h"
#include "link/virtual/VirtualMeter.h"

namespace {

// A recording that owns the transport it records.
class OwningRecording : public RecordingTransport {
  public:
    OwningRecording(std::unique_ptr<Transport> inner, const QString& path)
        : RecordingTransport(*inner, path), m_inner(std::move(inner)) {}

  private:
    std::unique_ptr<Transport> m_inner;
};

const QLatin1String ReplayPrefix("replay:");

} // namespace

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error) {
    if (meter == QLatin1String("usb")) return std::make_unique<HidTransport>();
    if (meter == QLatin1String("virtual")) return std::make_unique<VirtualMeter>(clock);
    if (meter.startsWith(ReplayPrefix) && meter.size() > ReplayPrefix.size()) {
        auto replay = std::make_unique<ReplayTransport>(meter.mid(ReplayPrefix.size()));
        if (!replay->ok()) {
            if (error) *error = replay->errorText();
            return nullptr;
        }
        return replay;
    }
    if (error)
        *error = QStringLiteral("unknown meter \"%1\": use usb, virtual or replay:FILE").arg(meter);
    return nullptr;
}

std::unique_ptr<Transport> recordTransport(std::unique_ptr<Transport> inner, const QString& path,
                                           QString* error) {
    auto rec = std::make_unique<OwningRecording>(std::move(inner), path);
    if (!rec->ok()) {
        if (error) *error = rec->errorText();
        return nullptr;
    }
    return rec;
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
