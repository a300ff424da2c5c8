// Exchanges against the virtual meter with zero latency: what our side costs per exchange.
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using Steady = std::chrono::steady_clock;
    auto micros = [](Steady::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    };

    VirtualMeter meter(Clock::system());
    Exchange exchange(meter, Clock::system());

    constexpr int liveCount = 10000;
    auto t0 = Steady::now();
    int ok = 0;
    for (int i = 0; i < liveCount; ++i)
        ok += exchange.liveRead(true) ? 1 : 0;
    const double liveUs = micros(Steady::now() - t0) / liveCount;
    std::printf("live 'A' exchanges: %d (%d answered), %.2f us each\n", liveCount, ok, liveUs);

    constexpr int blockCount = 8192; // the whole 262144-byte memory
    std::array<uint8_t, 7> frame{0x02, 'P', 0x00, 0x01, 0x00, 0x00, 0x03};
    std::array<uint8_t, 36> reply{};
    meter.open(MeterVendorId, MeterProductId);
    meter.setTimeouts(100, 100);
    meter.writeCommand(frame);
    meter.readReply(reply);
    frame[1] = 'p';
    t0 = Steady::now();
    long bytes = 0;
    for (int i = 0; i < blockCount; ++i) {
        meter.writeCommand(frame);
        meter.flush();
        if (meter.readReply(reply) == 0) bytes += 32;
    }
    const double blockUs = micros(Steady::now() - t0) / blockCount;
    std::printf("memory 'p' exchanges: %d (%ld bytes), %.2f us each\n", blockCount, bytes, blockUs);
    std::printf("target: under 20 us per exchange\n");
    return 0;
}
