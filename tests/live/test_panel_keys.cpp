#include "link/Transport.h"
#include "live/PanelKeys.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Fails the operations it is told to, records what was sent.
struct KeyTransport : Transport {
    bool failOpen = false, failTimeouts = false, failWrite = false, failRead = false;
    bool throwOnRead = false;
    uint8_t ack[2] = {'O', 'K'};
    std::vector<Frame> frames;
    std::vector<std::string> calls;
    int open(uint16_t v, uint16_t p) override {
        calls.push_back("open");
        EXPECT_EQ(v, 0x04D9);
        EXPECT_EQ(p, 0xE000);
        return failOpen;
    }
    int setTimeouts(int a, int b) override {
        calls.push_back("timeouts");
        EXPECT_EQ(a, 100);
        EXPECT_EQ(b, 100);
        return failTimeouts;
    }
    int writeCommand(std::span<const uint8_t> f) override {
        calls.push_back("write");
        Frame copy{};
        std::copy(f.begin(), f.end(), copy.begin());
        frames.push_back(copy);
        return failWrite;
    }
    int writeBlock(std::span<const uint8_t>) override { return 0; }
    void flush() override { calls.push_back("flush"); }
    int readReply(std::span<uint8_t> b) override {
        calls.push_back("read" + std::to_string(b.size()));
        if (throwOnRead) throw std::runtime_error("unplugged");
        if (failRead) return 1;
        b[2] = ack[0];
        b[3] = ack[1];
        return 0;
    }
    void close() override { calls.push_back("close"); }
    void readSerialString(std::span<char> b) override { b[0] = 0; }
};

const Frame HoldKey{0x02, 'H', 0, 0, 0, 0, 0x03};

TEST(PanelKeys, AcknowledgedKeySendsTheFrameAndLeavesTheDeviceOpen) {
    KeyTransport t;
    EXPECT_EQ(panelKeyExchange(t, HoldKey), KeyOk);
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], HoldKey);
    EXPECT_EQ(t.calls, (std::vector<std::string>{"open", "timeouts", "write", "flush", "read32"}));
}

TEST(PanelKeys, LaterFailureReplacesEarlierOne) {
    struct Case {
        const char* name;
        void (*setup)(KeyTransport&);
        int expected;
    } cases[] = {
        {"open", [](KeyTransport& t) { t.failOpen = true; }, KeyOpenFailed},
        {"timeouts", [](KeyTransport& t) { t.failTimeouts = true; }, KeyTimeoutsFailed},
        {"write", [](KeyTransport& t) { t.failWrite = true; }, KeyWriteFailed},
        {"open+write", [](KeyTransport& t) { t.failOpen = t.failWrite = true; }, KeyWriteFailed},
        {"open+read", [](KeyTransport& t) { t.failOpen = t.failRead = true; }, KeyNoReply},
        {"not ok", [](KeyTransport& t) { t.ack[1] = 'X'; }, KeyNotAcknowledged},
        {"open+not ok",
         [](KeyTransport& t) {
             t.failOpen = true;
             t.ack[0] = 0;
         },
         KeyNotAcknowledged},
        {"throws", [](KeyTransport& t) { t.throwOnRead = true; }, KeyReplyException},
    };
    for (const Case& c : cases) {
        KeyTransport t;
        c.setup(t);
        EXPECT_EQ(panelKeyExchange(t, HoldKey), c.expected) << c.name;
        EXPECT_EQ(t.frames.size(), 1u) << c.name; // every step runs, no second attempt
    }
}

} // namespace
