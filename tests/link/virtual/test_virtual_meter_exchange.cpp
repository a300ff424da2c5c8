// The exchange layer of the main window talking to the virtual meter.
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;

struct ExchangeWithMeter : testing::Test {
    TestClock clock;
    VirtualMeter meter{clock};
    Exchange exchange{meter, clock};
};
} // namespace

TEST_F(ExchangeWithMeter, IdentifyAndLiveReadSucceedAndCloseTheDevice) {
    ASSERT_TRUE(exchange.genericExchange('K'));
    EXPECT_EQ(exchange.reply[23], '5');
    EXPECT_EQ(exchange.reply[24], '1');
    EXPECT_EQ(exchange.reply[25], '3');
    EXPECT_FALSE(meter.isOpen());
    meter.setLiveValues({1000, 50, 25});
    ASSERT_TRUE(exchange.liveRead(true));
    EXPECT_EQ(exchange.reply[0], 0x02);
    EXPECT_EQ(exchange.reply[63], 0x03);
    EXPECT_EQ(exchange.reply[21], 0x44); // 1000.0f = 44 7A 00 00
    EXPECT_EQ(exchange.reply[22], 0x7A);
    EXPECT_EQ(meter.framesReceived().back()[5], 1); // the sequence counter
}

TEST_F(ExchangeWithMeter, UnpluggedMeterFailsTheExchanges) {
    meter.unplug();
    EXPECT_FALSE(exchange.genericExchange('K'));
    EXPECT_FALSE(exchange.liveRead(true));
    meter.plug();
    EXPECT_TRUE(exchange.liveRead(true));
}

struct PositionCase {
    const char* name;
    std::function<void(VirtualMeter&)> arrange;
    int code;
};

class BlockPositioning : public ExchangeWithMeter,
                         public testing::WithParamInterface<PositionCase> {};

TEST_P(BlockPositioning, GivesItsCode) {
    GetParam().arrange(meter);
    EXPECT_EQ(exchange.blockPositioning(0x0102), GetParam().code);
    if (GetParam().code == 0) {
        EXPECT_EQ(meter.transferCursor(), 0x0102 * 32);
        EXPECT_EQ(exchange.reply[32], 0x01);
        EXPECT_EQ(exchange.reply[33], 0x02);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, BlockPositioning,
    testing::Values(
        PositionCase{"ok", [](VirtualMeter&) {}, 0},
        PositionCase{"open_1002", [](VirtualMeter& m) { m.failNext(Op::Open); }, 1002},
        PositionCase{"timeouts_1003", [](VirtualMeter& m) { m.failNext(Op::SetTimeouts); }, 1003},
        PositionCase{"write_1004", [](VirtualMeter& m) { m.failNext(Op::WriteCommand); }, 1004},
        PositionCase{"read_1005", [](VirtualMeter& m) { m.faultNextReply(Fault::Drop); }, 1005},
        PositionCase{"status_1006", [](VirtualMeter& m) { m.faultNextReply(Fault::BadStatus); },
                     1006},
        PositionCase{"echo_1007", [](VirtualMeter& m) { m.faultNextReply(Fault::BadEcho); }, 1007},
        PositionCase{"unplugged_1002", [](VirtualMeter& m) { m.unplug(); }, 1002}),
    [](const auto& info) { return std::string(info.param.name); });
