#include "link/TransportFactory.h"

#include "link/Transport.h"

namespace {
// No meter at all: every operation fails, as with the meter unplugged.
class AbsentMeter : public Transport {
public:
    int open(uint16_t, uint16_t) override { return 1; }
    int setTimeouts(int, int) override { return 1; }
    int writeCommand(std::span<const uint8_t>) override { return 1; }
    int writeBlock(std::span<const uint8_t>) override { return 1; }
    void flush() override {}
    int readReply(std::span<uint8_t>) override { return 1; }
    void close() override {}
    void readSerialString(std::span<char> buffer) override {
        if (!buffer.empty()) buffer[0] = 0;
    }
};
} // namespace

std::unique_ptr<Transport> createTransport(const QString& meter, Clock&, QString* error) {
    if (meter == QLatin1String("usb") || meter == QLatin1String("virtual"))
        return std::make_unique<AbsentMeter>();
    if (error) *error = QStringLiteral("unknown meter \"%1\": use usb or virtual").arg(meter);
    return nullptr;
}
