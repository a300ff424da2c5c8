// The virtual meter driven with raw frames and blocks, as the real device would be.
#include "link/Clock.h"
#include "link/virtual/MeterMemory.h"
#include "link/virtual/VirtualMeter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;
using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;
using Mode = VirtualMeter::DisplayMode;

std::array<uint8_t, 7> frame(char letter, uint8_t b2 = 0, uint8_t b3 = 0, uint8_t b4 = 0,
                             uint8_t b5 = 0) {
    return {0x02, uint8_t(letter), b2, b3, b4, b5, 0x03};
}

float floatAt(const Bytes& r, int at) {
    return getFloat(r, at);
}

class MeterTest : public testing::Test {
  protected:
    TestClock clock;
    VirtualMeter meter{clock};

    void SetUp() override { ASSERT_EQ(meter.open(MeterVendorId, MeterProductId), 0); }

    // Writes one frame and reads a reply of `size` bytes; nullopt when either step fails.
    std::optional<Bytes> ask(const std::array<uint8_t, 7>& f, size_t size) {
        if (meter.writeCommand(f) != 0) return std::nullopt;
        meter.flush();
        Bytes r(size, 0xEE);
        if (meter.readReply(r) != 0) return std::nullopt;
        return r;
    }
    std::optional<Bytes> ask(char letter, size_t size) { return ask(frame(letter), size); }
    bool acknowledged(const std::array<uint8_t, 7>& f) {
        auto r = ask(f, 32);
        return r && (*r)[2] == 'O' && (*r)[3] == 'K';
    }
    Bytes live() {
        auto r = ask('A', 64);
        EXPECT_TRUE(r.has_value());
        return r.value_or(Bytes(64, 0));
    }
    Bytes info() {
        auto r = ask('X', 64);
        EXPECT_TRUE(r.has_value());
        return r.value_or(Bytes(64, 0));
    }
};
} // namespace

// ---- Identify and live reply -------------------------------------------------------------------

TEST_F(MeterTest, IdentifyCarries513AtBytes23To25) {
    auto r = ask('K', 32);
    ASSERT_TRUE(r);
    EXPECT_EQ((*r)[0], 0x02);
    EXPECT_EQ((*r)[23], '5');
    EXPECT_EQ((*r)[24], '1');
    EXPECT_EQ((*r)[25], '3');
    EXPECT_EQ((*r)[31], 0x03);
}

TEST_F(MeterTest, LiveReplyCarriesFramingAndTheSetValues) {
    meter.setLiveValues({1000, 45.3, 25.0});
    const Bytes r = live();
    EXPECT_EQ(r[0], 0x02);
    EXPECT_EQ(r[63], 0x03);
    EXPECT_EQ(r[1], 0x04); // battery level 3
    EXPECT_EQ(r[2], 0x00); // degrees C
    EXPECT_EQ(r[6], 0x00); // nothing over range
    EXPECT_FLOAT_EQ(floatAt(r, 9), 1000.0f);
    EXPECT_EQ(int16_t(getU16(r, 13)), 250);
    EXPECT_EQ(getU16(r, 15), 453u);
    EXPECT_FLOAT_EQ(floatAt(r, 21), 1000.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 25), 25.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 29), 45.3f);
    // Not holding: the hold register follows the display.
    EXPECT_FLOAT_EQ(floatAt(r, 41), 1000.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 45), 25.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 49), 45.3f);
    // Bytes 13..14 are signed: a temperature below zero.
    meter.setLiveValues({400, 50, -5.0});
    EXPECT_EQ(getU16(live(), 13), 0xFFCEu);
}

TEST_F(MeterTest, LiveValuesDriftSlowlyWithTheClock) {
    const Bytes first = live();
    clock.advance(500);
    const Bytes next = live();
    const float co2a = floatAt(first, 9), co2b = floatAt(next, 9);
    EXPECT_GT(co2a, 300.0f);
    EXPECT_LT(co2a, 1100.0f);
    EXPECT_LT(std::fabs(co2a - co2b), 10.0f); // half a second later: nearly the same
    clock.advance(10 * 60 * 1000);
    EXPECT_GT(std::fabs(floatAt(live(), 9) - co2a), 10.0f); // ten minutes later: moved
    const float rh = floatAt(next, 29), t = floatAt(next, 25);
    EXPECT_GT(rh, 30.0f);
    EXPECT_LT(rh, 60.0f);
    EXPECT_GT(t, 18.0f);
    EXPECT_LT(t, 27.0f);
    // The same clock gives the same readings.
    TestClock clock2;
    VirtualMeter twin(clock2);
    EXPECT_EQ(twin.liveReply()[9], VirtualMeter(clock2).liveReply()[9]);
}

struct RangeCase {
    const char* name;
    VirtualMeter::LiveValues values;
    uint8_t flags;
};

class LiveRange : public MeterTest, public testing::WithParamInterface<RangeCase> {};

TEST_P(LiveRange, OverRangeFlagsAndNoReadingMarkers) {
    const RangeCase& c = GetParam();
    meter.setLiveValues(c.values);
    const Bytes r = live();
    EXPECT_EQ(r[6], c.flags);
    if (c.flags & 0x10) { // %RH without reading: the displayed and held fields are 0xFF
        EXPECT_EQ(r[29], 0xFF);
        EXPECT_EQ(r[32], 0xFF);
        EXPECT_EQ(r[49], 0xFF);
        EXPECT_EQ(r[52], 0xFF);
    }
    if (c.flags & 0x20) {
        EXPECT_EQ(r[25], 0xFF);
        EXPECT_EQ(r[28], 0xFF);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LiveRange,
                         testing::Values(RangeCase{"normal", {800, 50, 20}, 0x00},
                                         RangeCase{"co2_over", {45000, 50, 20}, 0x01},
                                         RangeCase{"rh_over", {800, 100.5, 20}, 0x02},
                                         RangeCase{"temp_over", {800, 50, 101}, 0x04},
                                         RangeCase{"temp_under", {800, 50, -10.5}, 0x08},
                                         RangeCase{"rh_missing", {800, NAN, 20}, 0x10},
                                         RangeCase{"temp_missing", {800, 50, NAN}, 0x20},
                                         RangeCase{"all_bad", {50000, NAN, NAN}, 0x31}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MeterTest, BatteryAndDashesBits) {
    const struct {
        int level;
        uint8_t bits;
    } cases[] = {{3, 0x04}, {2, 0x02}, {1, 0x01}, {0, 0x08}, {-1, 0x00}};
    for (const auto& c : cases) {
        meter.setBatteryLevel(c.level);
        EXPECT_EQ(live()[1], c.bits) << "level " << c.level;
    }
    EXPECT_EQ(live()[5], 0x00);
    meter.setCo2Dashes(true);
    EXPECT_EQ(live()[5], 0x01);
}
