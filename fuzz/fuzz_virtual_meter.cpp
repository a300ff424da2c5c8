// Whatever the program (or a broken caller) sends, and whatever memory it is given, the virtual
// meter answers within its buffers and never crashes: garbage frames, stray blocks, odd read
// sizes, arbitrary memory contents, keys and time jumps in any order.
#include "link/Clock.h"
#include "link/virtual/VirtualMeter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TestClock clock;
    VirtualMeter meter(clock);
    size_t at = 0;
    auto take = [&](size_t n) {
        std::vector<uint8_t> bytes(data + at, data + std::min(size, at + n));
        at = std::min(size, at + n);
        bytes.resize(n, 0);
        return bytes;
    };
    meter.open(MeterVendorId, MeterProductId);
    while (at < size) {
        const uint8_t op = data[at++];
        switch (op % 10) {
        case 0:
            meter.open(MeterVendorId, MeterProductId);
            break;
        case 1:
            meter.close();
            break;
        case 2: {
            auto f = take(7);
            meter.writeCommand(f);
            break;
        }
        case 3: { // a well-framed command with arbitrary parameters
            auto f = take(5);
            const uint8_t frame[7] = {0x02, f[0], f[1], f[2], f[3], f[4], 0x03};
            meter.writeCommand(frame);
            break;
        }
        case 4: {
            auto b = take(32);
            meter.writeBlock(b);
            break;
        }
        case 5: {
            const size_t n = take(1)[0] % 80;
            std::vector<uint8_t> buffer(n);
            meter.readReply(buffer);
            break;
        }
        case 6:
            clock.advance(uint32_t(take(2)[0]) << 12 | take(1)[0]);
            break;
        case 7: {
            const size_t n = size_t(take(1)[0]) * 16;
            auto bytes = take(n);
            meter.setMemory(bytes);
            break;
        }
        case 8:
            meter.press(char(take(1)[0]));
            break;
        case 9: {
            char serial[32];
            meter.readSerialString(serial);
            (void)meter.liveReply();
            (void)meter.infoReply();
            (void)meter.loggerDataSets();
            break;
        }
        }
    }
    // The logger never runs past its area.
    if (meter.config().lastUsed > MeterMemory::LoggerEnd && meter.display().recording)
        __builtin_trap();
    return 0;
}
