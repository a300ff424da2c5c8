// The exchange layer of the main window talking to the virtual meter.
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"

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
