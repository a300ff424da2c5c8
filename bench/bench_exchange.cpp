// Time per exchange on our side of the USB link: the exchange layer against the virtual meter
// with no latency, and the HID report framing against a HID device that answers at once.
// Full-speed USB HID needs about 1 ms per report; our side should stay far below that.
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/HidFraming.h"
#include "link/HidTransport.h"
#include "link/RecordingTransport.h"
#include "link/virtual/VirtualMeter.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double microsecondsSince(Steady::time_point t0, int count) {
    return std::chrono::duration<double, std::micro>(Steady::now() - t0).count() / count;
}

// The machine is shared: each figure is the best of a few rounds, with the worst beside it.
constexpr int Rounds = 3;

template <typename Run> void print(const char* what, int count, Run run) {
    double best = 1e300, worst = 0;
    for (int i = 0; i < Rounds; ++i) {
        const double us = run();
        best = std::min(best, us);
        worst = std::max(worst, us);
    }
    std::printf("%-50s %6d exchanges  %8.3f us/exchange (worst round %.3f)\n", what, count, best,
                worst);
}

// 'A' live reads through the exchange layer.
double liveReads(Transport& t, int count) {
    TestClock clock;
    Exchange ex(t, clock);
    int failed = 0;
    const auto t0 = Steady::now();
    for (int i = 0; i < count; ++i)
        failed += !ex.liveRead(true);
    const double us = microsecondsSince(t0, count);
    if (failed) std::printf("  (%d live reads failed)\n", failed);
    return us;
}

// The download's main pass: 'P' to block 1, then one 'p' exchange per 32-byte block.
double blockReads(Transport& t, int count) {
    TestClock clock;
    Exchange ex(t, clock);
    t.flush();
    t.open(MeterVendorId, MeterProductId);
    t.setTimeouts(100, 100);
    ex.mainFrame = {0x02, 'P', 0x00, 0x01, 0x00, 0x00, 0x03};
    t.writeCommand(ex.mainFrame);
    t.flush();
    t.readReply(std::span<uint8_t>(ex.reply.data(), 36));
    int failed = 0;
    const auto t0 = Steady::now();
    for (int i = 0; i < count; ++i) {
        ex.mainFrame[1] = 'p';
        failed += t.writeCommand(ex.mainFrame) != 0;
        t.flush();
        failed += t.readReply(std::span<uint8_t>(ex.reply.data(), 36)) != 0;
    }
    const double us = microsecondsSince(t0, count);
    t.close();
    if (failed) std::printf("  (%d block steps failed)\n", failed);
    return us;
}

// A HID device that answers every command report at once with a reply of the right length.
struct InstantHidDevice : HidDevice {
    std::deque<std::array<uint8_t, HidFraming::ReportSize>> input;
    OpenStatus open(uint16_t, uint16_t) override { return OpenStatus::Opened; }
    void close() override {}
    int write(std::span<const uint8_t> report) override {
        const std::size_t length = report[2] == 'A' ? 64 : 36;
        for (std::size_t i = 0; i < HidFraming::reportCount(length); ++i) {
            std::array<uint8_t, HidFraming::ReportSize> r{};
            r[0] = uint8_t(i);
            input.push_back(r);
        }
        return static_cast<int>(report.size());
    }
    int read(std::span<uint8_t> report, int) override {
        if (input.empty()) return 0;
        std::copy(input.front().begin(), input.front().end(), report.begin());
        input.pop_front();
        return HidFraming::ReportSize;
    }
    std::wstring serialNumber() override { return L"bench"; }
    std::string errorText() const override { return {}; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int LiveCount = 10000;
    constexpr int BlockCount = 8192;

    print("'A' live read, virtual meter", LiveCount, [&] {
        TestClock clock;
        VirtualMeter meter(clock);
        return liveReads(meter, LiveCount);
    });
    print("'p' block read, virtual meter", BlockCount, [&] {
        TestClock clock;
        VirtualMeter meter(clock);
        return blockReads(meter, BlockCount);
    });
    print("'A' live read, HID framing, instant device", LiveCount, [&] {
        HidTransport hid(std::make_unique<InstantHidDevice>());
        return liveReads(hid, LiveCount);
    });
    print("'p' block read, HID framing, instant device", BlockCount, [&] {
        HidTransport hid(std::make_unique<InstantHidDevice>());
        return blockReads(hid, BlockCount);
    });
    print("'A' live read, virtual meter, recorded to a file", LiveCount, [&] {
        QTemporaryDir dir;
        TestClock clock;
        VirtualMeter meter(clock);
        RecordingTransport rec(meter, dir.filePath("bench.txt"));
        return liveReads(rec, LiveCount);
    });
    return 0;
}
