#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/MemoryReader.h"

#include <gtest/gtest.h>
#include <random>

namespace {
using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;

// A virtual meter behind the exchange, on a test clock; the logger holds its default sets.
struct Link {
    TestClock clock;
    VirtualMeter meter{clock};
    Exchange exchange{meter, clock};
    MemoryImage image;
    MemoryReader reader{exchange, image};

    int read() { return reader.ReadMemory(); }
    // Sets the last used offset, so the expected size is lastUsed + 1.
    void setLastUsed(uint32_t lastUsed) {
        std::vector<uint8_t> mem = meter.memory();
        mem[38] = uint8_t(lastUsed >> 16);
        mem[39] = uint8_t(lastUsed >> 8);
        mem[40] = uint8_t(lastUsed);
        meter.setMemory(mem);
    }
    // The image as read equals what the meter holds, but for the meter's clock bytes (81..87),
    // which move on while the transfer runs.
    static bool sameButClock(std::span<const uint8_t> a, std::span<const uint8_t> b) {
        if (a.size() != b.size() || a.size() < 88) return false;
        return std::equal(a.begin(), a.begin() + 81, b.begin()) &&
               std::equal(a.begin() + 88, a.end(), b.begin() + 88);
    }
    bool sameAsMeter() const { return sameButClock(image, meter.loggerImage()); }
    bool sameAsMemory() const {
        return image.size() <= meter.memory().size() &&
               sameButClock(image, std::span(meter.memory()).first(image.size()));
    }
    size_t count(char letter) const {
        const std::string s = meter.lettersReceived();
        return size_t(std::count(s.begin(), s.end(), letter));
    }
};

struct Progress : DownloadProgress {
    int total = -1, last = -1, calls = 0, closed = 0;
    void open(int t) override { total = t; }
    void received(int b, bool) override {
        last = b;
        ++calls;
    }
    void close() override { ++closed; }
};
} // namespace

TEST(MemoryReader, TransferSizes) {
    const std::pair<int64_t, int> cases[] = {
        {1, 262144},  {255, 262144},    {256, 256},       {257, 288},          {1000, 1024},
        {1024, 1024}, {262144, 262144}, {262145, 262144}, {0x1000000, 262144},
    };
    for (auto [expected, transfer] : cases)
        EXPECT_EQ(transferSizeFor(expected), transfer) << expected;
}

TEST(MemoryReader, ReadsTheWholeLoggerBlockByBlock) {
    Link l;
    Progress p;
    ASSERT_EQ(l.reader.ReadMemory(&p), ReadOk);
    EXPECT_TRUE(l.sameAsMeter());
    EXPECT_EQ(l.reader.bytesReceived(), int(l.image.size()));
    EXPECT_EQ(p.total, int(l.image.size()));
    EXPECT_EQ(p.last, int(l.image.size()));
    EXPECT_EQ(p.closed, 1);
    const std::string letters = l.meter.lettersReceived();
    EXPECT_EQ(letters, "P" + std::string(l.image.size() / 32 - 1, 'p') + "q");
    // The first frame asks for block 1.
    EXPECT_EQ(l.meter.framesReceived()[0][2], 0x00);
    EXPECT_EQ(l.meter.framesReceived()[0][3], 0x01);
}

TEST(MemoryReader, SizeOfTheTransferFollowsTheExpectedSize) {
    struct Case {
        const char* name;
        uint32_t lastUsed;
        int bytes;
    };
    const Case cases[] = {
        {"expected 1000 reads 1024", 999, 1024},
        {"smallest transfer: 256 bytes in 8 blocks", 255, 256},
        {"header reading 0 reads the whole memory", 0, 262144},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Link l;
        l.setLastUsed(c.lastUsed);
        ASSERT_EQ(l.read(), ReadOk);
        EXPECT_EQ(l.reader.bytesReceived(), c.bytes);
        EXPECT_EQ(l.image.size(), size_t(c.bytes));
        EXPECT_EQ(l.count('p'), size_t(c.bytes / 32 - 1));
        EXPECT_EQ(l.count('A'), 0u); // no retry pass
        EXPECT_TRUE(l.sameAsMemory());
    }
}

TEST(MemoryReader, EveryFailureCode) {
    struct Case {
        const char* name;
        std::function<void(Link&)> arrange;
        int code;
        bool retried; // retry passes ran
    };
    const std::vector<Case> cases = {
        {"open", [](Link& l) { l.meter.failNext(Op::Open); }, ReadOpenFailed, false},
        {"time-outs", [](Link& l) { l.meter.failNext(Op::SetTimeouts); }, ReadTimeoutsFailed,
         false},
        {"'P' write", [](Link& l) { l.meter.failNext(Op::WriteCommand, 1, 'P'); },
         ReadStartWriteFailed, false},
        {"'P' read", [](Link& l) { l.meter.failNext(Op::ReadReply, 1, 'P'); }, ReadStartReadFailed,
         false},
        {"'P' status", [](Link& l) { l.meter.faultNextReply(Fault::BadStatus, 1, 'P'); },
         ReadStartStatusBad, false},
        {"first 'p' write", [](Link& l) { l.meter.failNext(Op::WriteCommand, 1, 'p'); },
         ReadBlockFailed, false},
        {"first 'p' read", [](Link& l) { l.meter.failNext(Op::ReadReply, 1, 'p'); },
         ReadBlockFailed, false},
        {"first 'p' dropped", [](Link& l) { l.meter.faultNextReply(Fault::Drop, 1, 'p'); },
         ReadBlockFailed, false},
        {"second block checksum",
         [](Link& l) { l.meter.faultNextReply(Fault::BadChecksum, 1, 'p'); }, ReadChecksumBad,
         false},
        {"final 'q' write", [](Link& l) { l.meter.failNext(Op::WriteCommand, 1, 'q'); },
         ReadEndWriteFailed, false},
        // Main pass 'p' write: with the whole memory to read, 64 bytes already cover an
        // expected size of 1, so no retry pass replaces the code.
        {"main pass 'p' write, whole memory",
         [](Link& l) {
             l.setLastUsed(0);
             l.meter.failNext(Op::WriteCommand, 1, 'p', 5);
         },
         ReadBlockFailed, false},
        {"main pass 'r' write, whole memory",
         [](Link& l) {
             l.setLastUsed(0);
             l.meter.failNext(Op::ReadReply, 1, 'p', 5);
             l.meter.failNext(Op::WriteCommand, 1, 'r');
         },
         ReadBlockFailed, false},
        // Retry passes: the main pass loses a block and the 'r' reply, then five passes fail.
        {"repositioning fails five times",
         [](Link& l) {
             l.meter.failNext(Op::ReadReply, 1, 'p', 3);
             l.meter.failNext(Op::ReadReply, 1, 'r');
             l.meter.faultNextReply(Fault::BadEcho, 100, 'P', 1);
         },
         ReadRetryPositionFailed, true},
        {"retry 'p' write fails five times",
         [](Link& l) {
             l.meter.failNext(Op::ReadReply, 1, 'p', 3);
             l.meter.failNext(Op::ReadReply, 1, 'r');
             l.meter.failNext(Op::WriteCommand, 5, 'p', 5);
         },
         ReadRetryWriteFailed, true},
        {"retry 'p' read fails five times",
         [](Link& l) {
             l.meter.failNext(Op::ReadReply, 6, 'p', 3);
             l.meter.failNext(Op::ReadReply, 1, 'r');
         },
         ReadRetryReadFailed, true},
        {"main pass 'p' write failure is replaced by the retry passes' result",
         [](Link& l) { l.meter.failNext(Op::WriteCommand, 1, 'p', 5); }, ReadOk, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Link l;
        c.arrange(l);
        EXPECT_EQ(l.read(), c.code);
        // Each retry pass repositions twice with 'P' (an 'A' written on a device that a failure
        // closed does not reach the meter, so the 'P' frames are what counts the passes).
        if (c.retried) {
            EXPECT_GT(l.count('P'), 1u);
        } else {
            EXPECT_LE(l.count('P'), 1u);
        }
        if (c.code == ReadOk) EXPECT_TRUE(l.sameAsMeter());
        if (c.code == ReadRetryPositionFailed || c.code == ReadRetryWriteFailed ||
            c.code == ReadRetryReadFailed)
            EXPECT_EQ(l.count('P'), 1u + 2 * MaxRetryPasses); // five passes, the last code
    }
}

TEST(MemoryReader, OneLostBlockCostsAPauseAnRAndARepeatedP) {
    Link l;
    l.meter.failNext(Op::ReadReply, 1, 'p', 10);
    const uint32_t t0 = l.clock.tickMs();
    ASSERT_EQ(l.read(), ReadOk);
    EXPECT_TRUE(l.sameAsMeter());
    EXPECT_EQ(l.count('r'), 1u);
    EXPECT_EQ(l.count('A'), 0u);
    EXPECT_EQ(l.count('p'), l.image.size() / 32); // one more than blocks after the first
    EXPECT_GE(l.clock.tickMs() - t0, 1000u);
    EXPECT_LT(l.clock.tickMs() - t0, 1100u);
}

TEST(MemoryReader, RetryPassesResumeAfterTheLastBlockReceived) {
    Link l;
    // Lose a block and the 'r' reply: the main pass ends; one pass repositions and finishes.
    l.meter.failNext(Op::ReadReply, 1, 'p', 7);
    l.meter.failNext(Op::ReadReply, 1, 'r');
    ASSERT_EQ(l.read(), ReadOk);
    EXPECT_TRUE(l.sameAsMeter());
    EXPECT_EQ(l.count('A'), 1u);
    // The repositioning asks for the block ending at the bytes received (8 blocks): 'P' 0 8.
    const auto& frames = l.meter.framesReceived();
    auto it = std::find_if(frames.begin() + 1, frames.end(), [](auto& f) { return f[1] == 'P'; });
    ASSERT_NE(it, frames.end());
    EXPECT_EQ((*it)[2], 0);
    EXPECT_EQ((*it)[3], 8);
}

TEST(MemoryReader, AMeterClaimingMoreThanTheMemoryEnds) {
    Link l;
    l.setLastUsed(0x050000); // expected 327681: more than can ever be read
    ASSERT_EQ(l.read(), ReadOk);
    EXPECT_EQ(l.reader.bytesReceived(), MaxTransferSize);
    EXPECT_EQ(l.count('A'), size_t(MaxRetryPasses)); // passes without progress count as failed
    EXPECT_TRUE(l.sameAsMemory());
}

TEST(MemoryReader, AMeterThatNeverDeliversABlockEnds) {
    Link l;
    // Every 'p' read fails but the 'r' reads succeed.
    l.meter.failNext(Op::ReadReply, 1000000, 'p', 1);
    EXPECT_EQ(l.read(), ReadRetryReadFailed);
    EXPECT_EQ(l.count('r'), size_t(MaxLostBlocksInARow));
}

TEST(MemoryReader, FivePercentDroppedRepliesStillGiveTheSameImage) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        Link l;
        std::mt19937 rng(seed);
        std::bernoulli_distribution drop(0.05);
        // Any reply after the two start blocks may be lost.
        for (int i = 2; i < 3000; ++i)
            if (drop(rng)) l.meter.faultNextReply(Fault::Drop, 1, 0, i);
        ASSERT_EQ(l.read(), ReadOk);
        EXPECT_TRUE(l.sameAsMeter());
        EXPECT_GT(l.count('r'), 0u);
    }
}

TEST(MemoryReader, UnpluggedInTheMiddleOfTheTransferEndsWithACode) {
    struct Case {
        const char* name;
        Op op;
        char letter;
        int skip;
        int code;
    };
    const Case cases[] = {
        {"at the first 'p' read", Op::ReadReply, 'p', 0, ReadBlockFailed},
        {"in the main pass", Op::ReadReply, 'p', 20, ReadRetryPositionFailed},
        {"writing a main pass 'p'", Op::WriteCommand, 'p', 20, ReadRetryPositionFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Link l;
        l.meter.unplugAt(c.op, c.letter, c.skip);
        EXPECT_EQ(l.read(), c.code);
        EXPECT_LT(l.image.size(), l.meter.loggerImage().size());
        // The image holds only what arrived, block for block.
        EXPECT_EQ(l.image.size() % 32, 0u);
    }
}
