#include "ScriptedTransport.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct ExchangeTest : testing::Test {
    ScriptedTransport t;
    TestClock clock;
    Exchange ex{t, clock};
    QTimer mainTimer;

    void SetUp() override {
        mainTimer.setInterval(500);
        ex.setMainTimer(&mainTimer);
    }
};

// ---- block positioning

struct BlockCase {
    const char* name;
    std::function<void(ScriptedTransport&)> fault;
    int code;
    const char* lastCall; // the last transport call the exchange made
};

const BlockCase blockCases[] = {
    {"Success", [](ScriptedTransport&) {}, BlockOk, "reply"},
    {"OpenFails", [](ScriptedTransport& t) { t.results["open"] = -1; }, BlockOpenFailed, "open"},
    {"TimeoutsFail", [](ScriptedTransport& t) { t.results["timeouts"] = 1; }, BlockTimeoutsFailed,
     "timeouts"},
    {"WriteFails", [](ScriptedTransport& t) { t.results["command"] = 5; }, BlockWriteFailed,
     "command"},
    {"ReadFails", [](ScriptedTransport& t) { t.results["reply"] = -1; }, BlockReadFailed, "reply"},
    {"StatusNot5",
     [](ScriptedTransport& t) {
         t.answer = [](const Frame& f, std::span<uint8_t> r) {
             ScriptedTransport::meterAnswer(f, r);
             r[35] = 4;
             return 0;
         };
     },
     BlockStatusBad, "reply"},
    {"EchoHighByteDiffers",
     [](ScriptedTransport& t) {
         t.answer = [](const Frame& f, std::span<uint8_t> r) {
             ScriptedTransport::meterAnswer(f, r);
             r[32] ^= 0x80;
             return 0;
         };
     },
     BlockEchoBad, "reply"},
    {"EchoLowByteDiffers",
     [](ScriptedTransport& t) {
         t.answer = [](const Frame& f, std::span<uint8_t> r) {
             ScriptedTransport::meterAnswer(f, r);
             r[33] += 1;
             return 0;
         };
     },
     BlockEchoBad, "reply"},
    {"StatusCheckedBeforeEcho",
     [](ScriptedTransport& t) {
         t.answer = [](const Frame& f, std::span<uint8_t> r) {
             ScriptedTransport::meterAnswer(f, r);
             r[33] += 1;
             r[35] = 0;
             return 0;
         };
     },
     BlockStatusBad, "reply"},
};

class BlockPositioning : public ExchangeTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(BlockPositioning, ReturnsCodeOfFailedStepAndStopsThere) {
    const BlockCase& c = GetParam();
    c.fault(t);
    mainTimer.start();
    EXPECT_EQ(ex.blockPositioning(0x0102), c.code);
    ASSERT_FALSE(t.calls.empty());
    EXPECT_EQ(t.calls.back(), c.lastCall);
    // The device stays open and the poll timer stays stopped: the caller carries on.
    EXPECT_FALSE(t.called("close"));
    EXPECT_FALSE(mainTimer.isActive());
    if (!t.frames.empty()) {
        const Frame want{0x02, 'P', 0x01, 0x02, 0x00, 0x00, 0x03};
        EXPECT_EQ(t.frames.back(), want);
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, BlockPositioning, testing::ValuesIn(blockCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, BlockPositioningWaitsBetweenStepsAndFlushesAfterTheWrite) {
    const uint32_t t0 = clock.tickMs();
    ASSERT_EQ(ex.blockPositioning(7), BlockOk);
    const std::vector<std::string> want{"open", "timeouts", "command", "flush", "reply"};
    EXPECT_EQ(t.calls, want);
    EXPECT_GE(clock.tickMs() - t0, 300u); // three 100 ms delays
    EXPECT_EQ(ex.reply[32], 0);
    EXPECT_EQ(ex.reply[33], 7);
}

// The same codes against the virtual meter with its own fault injection.
struct MeterFaultCase {
    const char* name;
    std::function<void(VirtualMeter&)> fault;
    int code;
};

class BlockPositioningOnMeter : public testing::TestWithParam<MeterFaultCase> {};

TEST_P(BlockPositioningOnMeter, FaultGivesItsCodeAndTheNextAttemptSucceeds) {
    TestClock clock;
    VirtualMeter meter(clock);
    Exchange ex(meter, clock);
    GetParam().fault(meter);
    EXPECT_EQ(ex.blockPositioning(3), GetParam().code);
    // The fault was for one attempt only; a retry from the same state goes through.
    meter.plug();
    EXPECT_EQ(ex.blockPositioning(3), BlockOk);
    EXPECT_EQ(ex.reply[32], 0);
    EXPECT_EQ(ex.reply[33], 3);
    EXPECT_EQ(ex.reply[35], 5);
    meter.close();
}

using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;
INSTANTIATE_TEST_SUITE_P(
    Codes, BlockPositioningOnMeter,
    testing::Values(
        MeterFaultCase{"Ok", [](VirtualMeter&) {}, BlockOk},
        MeterFaultCase{"Open", [](VirtualMeter& m) { m.failNext(Op::Open); }, BlockOpenFailed},
        MeterFaultCase{"Unplugged", [](VirtualMeter& m) { m.unplug(); }, BlockOpenFailed},
        MeterFaultCase{"Timeouts", [](VirtualMeter& m) { m.failNext(Op::SetTimeouts); },
                       BlockTimeoutsFailed},
        MeterFaultCase{"Write", [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'P'); },
                       BlockWriteFailed},
        MeterFaultCase{"Read", [](VirtualMeter& m) { m.failNext(Op::ReadReply); }, BlockReadFailed},
        MeterFaultCase{"Dropped", [](VirtualMeter& m) { m.faultNextReply(Fault::Drop); },
                       BlockReadFailed},
        MeterFaultCase{"Status", [](VirtualMeter& m) { m.faultNextReply(Fault::BadStatus); },
                       BlockStatusBad},
        MeterFaultCase{"Echo", [](VirtualMeter& m) { m.faultNextReply(Fault::BadEcho); },
                       BlockEchoBad}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- frame buffer and sequence counter

TEST_F(ExchangeTest, SequenceCounterRunsFrom1To255ThenWrapsTo0) {
    for (int i = 0; i < 257; ++i)
        ASSERT_TRUE(ex.liveRead(true));
    ASSERT_EQ(t.frames.size(), 257u);
    for (int i = 0; i < 257; ++i)
        EXPECT_EQ(t.frames[i][5], (i + 1) % 256) << "frame " << i;
    EXPECT_EQ(ex.sequence, 1);
}

TEST_F(ExchangeTest, BytesACommandDoesNotSetKeepWhatThePreviousCommandLeft) {
    ex.mainFrame[4] = 0x44;
    ASSERT_EQ(ex.blockPositioning(0x0102), BlockOk);
    ASSERT_TRUE(ex.liveRead(true));
    ASSERT_TRUE(ex.genericExchange('K'));
    ASSERT_EQ(t.frames.size(), 3u);
    const Frame p{0x02, 'P', 0x01, 0x02, 0x44, 0x00, 0x03};
    const Frame a{0x02, 'A', 0x01, 0x02, 0x44, 0x01, 0x03};
    const Frame k{0x02, 'K', 0x01, 0x02, 0x44, 0x01, 0x03};
    EXPECT_EQ(t.frames[0], p);
    EXPECT_EQ(t.frames[1], a);
    EXPECT_EQ(t.frames[2], k);
    EXPECT_EQ(ex.mainFrame, k);
}

TEST_F(ExchangeTest, FrameBufferStartsWithStartAndEndBytesOnly) {
    EXPECT_EQ(ex.mainFrame, (Frame{0x02, 0, 0, 0, 0, 0, 0x03}));
    EXPECT_EQ(ex.sequence, 0);
}

// ---- generic exchange and live read

TEST_F(ExchangeTest, GenericExchangeReads32BytesAndAlwaysCloses) {
    ex.reply.fill(0xEE);
    ASSERT_TRUE(ex.genericExchange('K'));
    const std::vector<std::string> want{"open", "timeouts", "command", "flush", "reply", "close"};
    EXPECT_EQ(t.calls, want);
    EXPECT_EQ(ex.reply[0], 0x02);
    EXPECT_EQ(ex.reply[1], 'K');
    EXPECT_EQ(ex.reply[31], 0x03);
    EXPECT_EQ(ex.reply[32], 0xEE); // a shorter reply leaves the rest
    EXPECT_EQ(ex.reply[63], 0xEE);
}

struct FailCase {
    const char* name;
    const char* op;
    std::vector<std::string> calls;
};

class ExchangeFailure : public ExchangeTest, public testing::WithParamInterface<FailCase> {};

TEST_P(ExchangeFailure, GenericExchangeFailsAndCloses) {
    t.results[GetParam().op] = -1;
    EXPECT_FALSE(ex.genericExchange('K'));
    EXPECT_EQ(t.calls, GetParam().calls);
}

TEST_P(ExchangeFailure, LiveReadFailsAndCloses) {
    t.results[GetParam().op] = -1;
    EXPECT_FALSE(ex.liveRead(true));
    EXPECT_EQ(t.calls, GetParam().calls);
    // The counter moves only for a frame that is sent.
    EXPECT_EQ(ex.sequence, t.frames.size());
}

const FailCase failCases[] = {
    {"Open", "open", {"open", "close"}},
    {"Timeouts", "timeouts", {"open", "timeouts", "close"}},
    {"Read", "reply", {"open", "timeouts", "command", "flush", "reply", "close"}},
};
INSTANTIATE_TEST_SUITE_P(Steps, ExchangeFailure, testing::ValuesIn(failCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, WriteResultIsNotCheckedByGenericExchangeOrLiveRead) {
    t.results["command"] = -1;
    EXPECT_TRUE(ex.genericExchange('K'));
    EXPECT_TRUE(ex.liveRead(true));
}

TEST_F(ExchangeTest, LiveReadWithLinkNotOpenDoesNothing) {
    ex.reply.fill(0x5A);
    EXPECT_TRUE(ex.liveRead(false));
    EXPECT_TRUE(t.calls.empty());
    EXPECT_EQ(ex.sequence, 0);
    for (uint8_t b : ex.reply)
        ASSERT_EQ(b, 0x5A);
}

TEST_F(ExchangeTest, FailedLiveReadLeavesWhatWasDeliveredOverZeroedBytes) {
    ex.reply.fill(0x5A);
    t.answer = [](const Frame&, std::span<uint8_t> r) {
        for (int i = 0; i < 10; ++i)
            r[i] = uint8_t(0x80 + i); // cut off after 10 bytes
        return -1;
    };
    EXPECT_FALSE(ex.liveRead(true));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ex.reply[i], 0x80 + i);
    for (int i = 10; i < 64; ++i)
        ASSERT_EQ(ex.reply[i], 0) << i;
    EXPECT_EQ(t.calls.back(), "close");
}

TEST_F(ExchangeTest, LiveReadReadsAll64Bytes) {
    ASSERT_TRUE(ex.liveRead(true));
    EXPECT_EQ(ex.reply[1], 'A');
    EXPECT_EQ(ex.reply[63], 0x03);
}

// ---- delay

TEST_F(ExchangeTest, DelayZeroStillDispatchesPendingEvents) {
    int ran = 0;
    QMetaObject::invokeMethod(
        &ex, [&] { ++ran; }, Qt::QueuedConnection);
    ex.delay(0);
    EXPECT_EQ(ran, 1);
}

TEST_F(ExchangeTest, DelayAdvancesTheTestClockJustPastTheWait) {
    for (uint32_t ms : {0u, 1u, 100u, 1000u}) {
        const uint32_t t0 = clock.tickMs();
        ex.delay(ms);
        const uint32_t waited = clock.tickMs() - t0;
        EXPECT_GT(waited, ms);
        EXPECT_LE(waited, ms + 2);
    }
}

TEST_F(ExchangeTest, DelayEndsAcrossTheTickCounterWrap) {
    TestClock wrapping(QDateTime(QDate(2026, 1, 1), QTime(0, 0)), 0xFFFFFFFFu - 50);
    Exchange ex2(t, wrapping);
    ex2.delay(100);
    EXPECT_EQ(wrapping.tickMs(), 50u); // 101 ms later, past the wrap
}

TEST_F(ExchangeTest, DelayRunsEventsPostedWhileItWaits) {
    // A handler that runs during the delay may post more work; it runs within the same delay.
    int ran = 0;
    QMetaObject::invokeMethod(
        &ex,
        [&] {
            ++ran;
            QMetaObject::invokeMethod(
                &ex, [&] { ++ran; }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    ex.delay(50);
    EXPECT_EQ(ran, 2);
}

// ---- busy flag and interlock

TEST_F(ExchangeTest, ExclusiveJobStopsThePollTimerAndStartsItAgain) {
    mainTimer.start();
    bool timerActiveInJob = true;
    EXPECT_TRUE(ex.runExclusive([&] { timerActiveInJob = mainTimer.isActive(); }));
    EXPECT_FALSE(timerActiveInJob);
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_FALSE(ex.exclusive());
}

TEST_F(ExchangeTest, RequestNestedInATickIsDeferredUntilTheTickEnds) {
    mainTimer.start();
    std::vector<std::string> order;
    bool timerActiveInJob = true;
    bool busyInJob = true;
    auto keyClick = [&] {
        const bool ranNow = ex.runExclusive([&] {
            order.push_back("key");
            timerActiveInJob = mainTimer.isActive();
            busyInJob = ex.busy();
            ex.genericExchange('C');
        });
        order.push_back(ranNow ? "ran" : "deferred");
    };

    // The poll tick: its 200 ms pause dispatches the click.
    ex.beginTick();
    QMetaObject::invokeMethod(&ex, keyClick, Qt::QueuedConnection);
    ex.delay(200);
    EXPECT_FALSE(ex.acquire()); // nobody else gets in while the tick runs either
    order.push_back("tick end");
    ex.endTick();

    EXPECT_EQ(order, (std::vector<std::string>{"deferred", "tick end"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<std::string>{"deferred", "tick end", "key"}));
    EXPECT_FALSE(timerActiveInJob);
    EXPECT_FALSE(busyInJob);
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_EQ(t.frames.size(), 1u);
}

TEST_F(ExchangeTest, NestedTicksKeepTheBusyFlagUntilTheOuterOneEnds) {
    int ran = 0;
    ex.beginTick();
    ex.beginTick();
    EXPECT_FALSE(ex.runExclusive([&] { ++ran; }));
    ex.endTick();
    EXPECT_TRUE(ex.busy());
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
    ex.endTick();
    EXPECT_FALSE(ex.busy());
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
    ex.endTick(); // an extra end does not underflow
    EXPECT_FALSE(ex.busy());
}

TEST_F(ExchangeTest, AcquireAndReleaseNestAndRestartTheTimerOnlyAtTheOuterRelease) {
    mainTimer.start();
    ASSERT_TRUE(ex.acquire());
    ASSERT_TRUE(ex.acquire());
    ex.release();
    EXPECT_FALSE(mainTimer.isActive());
    EXPECT_TRUE(ex.exclusive());
    ex.release();
    EXPECT_TRUE(mainTimer.isActive());
    EXPECT_FALSE(ex.exclusive());
}

} // namespace
