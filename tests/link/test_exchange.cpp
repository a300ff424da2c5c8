#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
// Records the frames written and answers every read with a canned 64-byte reply.
struct ScriptTransport : Transport {
    std::vector<Frame> frames;
    std::array<uint8_t, 64> answer{};
    int open(uint16_t, uint16_t) override { return 0; }
    int setTimeouts(int, int) override { return 0; }
    int writeCommand(std::span<const uint8_t> f) override {
        Frame copy{};
        std::copy(f.begin(), f.end(), copy.begin());
        frames.push_back(copy);
        return 0;
    }
    int writeBlock(std::span<const uint8_t>) override { return 0; }
    void flush() override {}
    int readReply(std::span<uint8_t> b) override {
        std::copy_n(answer.begin(), b.size(), b.begin());
        return 0;
    }
    void close() override {}
    void readSerialString(std::span<char> b) override { b[0] = 0; }
};
} // namespace

TEST(Exchange, SequenceCounterWrapsAfter255) {
    ScriptTransport t;
    TestClock clock;
    Exchange ex(t, clock);
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(ex.liveRead(true));
    ASSERT_EQ(t.frames.size(), 256u);
    EXPECT_EQ(t.frames[0][5], 1);
    EXPECT_EQ(t.frames[254][5], 255);
    EXPECT_EQ(t.frames[255][5], 0);
}
