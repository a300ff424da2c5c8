#include "ReplyBuilder.h"
#include "live/LiveReading.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

LiveReading decode(const ReplyBuilder& b, LiveReading r = {}) {
    EXPECT_TRUE(decodeLiveReply(b.bytes, r));
    return r;
}

// One field of LiveReading after decoding one reply.
struct FieldCase {
    const char* name;
    ReplyBuilder reply;
    int32_t LiveReading::*field;
    int32_t expected;
};

class DecodeCount : public testing::TestWithParam<FieldCase> {};

TEST_P(DecodeCount, GivesTheCount) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(decode(c.reply).*c.field, c.expected);
}

const float Nan = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Fields, DecodeCount,
    testing::Values(
        FieldCase{"Co2Shown1000", ReplyBuilder().set(21, {0x44, 0x7A, 0x00, 0x00}),
                  &LiveReading::co2Shown, 1000},
        FieldCase{"Co2ShownTruncates", ReplyBuilder().co2Shown(412.9f), &LiveReading::co2Shown,
                  412},
        FieldCase{"Co2ShownMarker", ReplyBuilder().set(21, {0xFF, 0x00, 0x00, 0xFF}),
                  &LiveReading::co2Shown, 99999},
        FieldCase{"Co2ShownOverRange", ReplyBuilder().co2Shown(500).over(OverCo2),
                  &LiveReading::co2Shown, 99999},
        FieldCase{"Co2ShownAboveClampIsZero", ReplyBuilder().co2Shown(1000000.5f),
                  &LiveReading::co2Shown, 0},
        FieldCase{"Co2ShownNanIsZero", ReplyBuilder().co2Shown(Nan), &LiveReading::co2Shown, 0},
        FieldCase{"Co2ShownInfIsZero", ReplyBuilder().co2Shown(Inf), &LiveReading::co2Shown, 0},
        FieldCase{"Co2ShownMinusInfIsZero", ReplyBuilder().co2Shown(-Inf), &LiveReading::co2Shown,
                  0},
        FieldCase{"Co2PpmMarkerBytes11And12", ReplyBuilder().set(9, {0x00, 0x00, 0xFF, 0xFF}),
                  &LiveReading::co2Ppm, 99999},
        FieldCase{"Co2PpmNotMarkedBy9And10", ReplyBuilder().set(9, {0xFF, 0xFF, 0x00, 0x00}),
                  &LiveReading::co2Ppm, 0}, // a NaN, clamped
        FieldCase{"Co2Ppm", ReplyBuilder().co2(651.0f), &LiveReading::co2Ppm, 651},
        FieldCase{"TempShownCelsius", ReplyBuilder().tempShown(23.47f),
                  &LiveReading::temperatureShown, 234},
        FieldCase{"TempShownFahrenheit", ReplyBuilder().set(25, {0x41, 0xC8, 0, 0}).fahrenheit(),
                  &LiveReading::temperatureShown, 770},
        FieldCase{"TempShownNegativeIsZero", ReplyBuilder().tempShown(-5.0f),
                  &LiveReading::temperatureShown, 0},
        FieldCase{"TempShownMarkerNotConverted",
                  ReplyBuilder().set(25, {0xFF, 0, 0, 0xFF}).fahrenheit(),
                  &LiveReading::temperatureShown, 999990},
        FieldCase{"TempShownUnderRange", ReplyBuilder().tempShown(20).over(UnderTemp),
                  &LiveReading::temperatureShown, 999990},
        FieldCase{"TempShownOverRange", ReplyBuilder().tempShown(20).over(OverTemp),
                  &LiveReading::temperatureShown, 999990},
        FieldCase{"RhShown", ReplyBuilder().rhShown(45.3f), &LiveReading::humidityShown, 453},
        FieldCase{"RhShownTruncatesTenths", ReplyBuilder().rhShown(45.29f),
                  &LiveReading::humidityShown, 452},
        FieldCase{"RhShownOverRange", ReplyBuilder().rhShown(45.3f).over(OverRh),
                  &LiveReading::humidityShown, 999990},
        FieldCase{"RhShownMarker", ReplyBuilder().set(29, {0xFF, 1, 2, 0xFF}),
                  &LiveReading::humidityShown, 999990},
        FieldCase{"Co2Held", ReplyBuilder().co2Held(812.6f), &LiveReading::co2Held, 812},
        FieldCase{"Co2HeldOverRange", ReplyBuilder().co2Held(812).over(OverCo2),
                  &LiveReading::co2Held, 99999},
        FieldCase{"RhHeldIgnoresOverRangeBit", ReplyBuilder().rhHeld(50.5f).over(OverRh),
                  &LiveReading::humidityHeld, 505},
        FieldCase{"TempHeld", ReplyBuilder().tempHeld(77.0f).fahrenheit(),
                  &LiveReading::temperatureHeld, 770},
        FieldCase{"TempHeldRangeTestFromCelsius", ReplyBuilder().tempHeld(100.0f),
                  &LiveReading::temperatureHeldForRangeTest, 2120},
        FieldCase{"TempHeldRangeTestAlreadyFahrenheit", ReplyBuilder().tempHeld(13.9f).fahrenheit(),
                  &LiveReading::temperatureHeldForRangeTest, 139},
        FieldCase{"TempHeldNegativeRangeTest", ReplyBuilder().tempHeld(-12.0f),
                  &LiveReading::temperatureHeldForRangeTest, 320}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LiveReading, MeasuredTemperatureIsSignedTenthsInTheDisplayUnit) {
    LiveReading c = decode(ReplyBuilder().set(13, {0xFF, 0xCE}));
    EXPECT_FLOAT_EQ(c.temperature, -5.0f);
    LiveReading f = decode(ReplyBuilder().set(13, {0xFF, 0xCE}).fahrenheit());
    EXPECT_FLOAT_EQ(f.temperature, 23.0f);
    EXPECT_FLOAT_EQ(decode(ReplyBuilder().measuredTemp(253)).temperature, 25.3f);
}

TEST(LiveReading, HumidityIsTheDisplayedFloat) {
    EXPECT_FLOAT_EQ(decode(ReplyBuilder().rhShown(45.37f)).humidity, 45.37f);
    EXPECT_FLOAT_EQ(decode(ReplyBuilder().rhShown(45.37f).over(OverRh)).humidity, 99999.0f);
    EXPECT_FLOAT_EQ(decode(ReplyBuilder().rhShown(-1.0f)).humidity, 0.0f);
}

TEST(LiveReading, HeldFieldsRememberTheMarker) {
    LiveReading r = decode(ReplyBuilder().set(45, {0xFF, 0, 0, 0xFF}).set(49, {0xFF, 0, 0, 0xFF}));
    EXPECT_TRUE(r.temperatureHeldNoValue);
    EXPECT_TRUE(r.humidityHeldNoValue);
    EXPECT_EQ(r.humidityHeld, 999990);
    r = decode(ReplyBuilder().tempHeld(20).rhHeld(30), r);
    EXPECT_FALSE(r.temperatureHeldNoValue);
    EXPECT_FALSE(r.humidityHeldNoValue);
}

TEST(LiveReading, BatteryTakesTheHighestLevelAndKeepsItWithoutABit) {
    struct Case {
        uint8_t byte;
        int before;
        int expected;
    } cases[] = {{0x04, 0, 3}, {0x07, 0, 3}, {0x02, 3, 2}, {0x03, 0, 2}, {0x01, 3, 1},
                 {0x08, 3, 0}, {0x09, 3, 1}, {0x00, 2, 2}, {0xF0, 1, 1}, {0x00, 0, 0}};
    for (const Case& c : cases) {
        LiveReading r;
        r.batteryLevel = c.before;
        r = decode(ReplyBuilder().battery(c.byte), r);
        EXPECT_EQ(r.batteryLevel, c.expected) << "byte " << int(c.byte);
    }
}

TEST(LiveReading, FlagsFollowTheirBits) {
    LiveReading r =
        decode(ReplyBuilder().fahrenheit().status(0x7F).modes(0x1F).set(5, {0x02}).over(0x3F));
    EXPECT_TRUE(r.fahrenheit && r.alarm && r.alarmHigh && r.alarmLow && r.memoryFull && r.hold &&
                r.modeBlink && r.showMin && r.showMax && r.showStel && r.showTwa && r.allModes &&
                r.co2Dashes);
    EXPECT_EQ(r.OverRangeFlags, 0x3F);
    r = decode(ReplyBuilder().status(0x08).set(5, {0x01}), r);
    EXPECT_TRUE(r.meterRecording);
    EXPECT_TRUE(r.co2Dashes);
    EXPECT_FALSE(r.fahrenheit || r.alarm || r.alarmHigh || r.alarmLow || r.memoryFull || r.hold ||
                 r.modeBlink || r.showMin || r.showMax || r.showStel || r.showTwa || r.allModes);
    EXPECT_EQ(r.OverRangeFlags, 0);
    EXPECT_FALSE(decode(ReplyBuilder().set(5, {0xFC})).co2Dashes);
}

TEST(LiveReading, MeterRecordingIsKeptWhileMemoryIsFull) {
    LiveReading r = decode(ReplyBuilder().status(0x08));
    ASSERT_TRUE(r.meterRecording);
    r = decode(ReplyBuilder().status(0x10), r); // full, REC bit off (blinking)
    EXPECT_TRUE(r.meterRecording);
    r = decode(ReplyBuilder().status(0x18), r);
    EXPECT_TRUE(r.meterRecording);
    r = decode(ReplyBuilder().status(0x00), r); // no longer full: the bit counts again
    EXPECT_FALSE(r.meterRecording);
    r = decode(ReplyBuilder().status(0x18), r); // full while not recording stays not recording
    EXPECT_FALSE(r.meterRecording);
}

TEST(LiveReading, ARealisticReplyDecodesEveryQuantity) {
    // 612 ppm, 23.4 degC, 41.8 %RH, battery full, recording, MAX mode showing 655 ppm.
    ReplyBuilder b;
    b.battery(0x04)
        .status(0x08)
        .modes(0x02)
        .co2(612.4f)
        .measuredTemp(234)
        .co2Shown(655.0f)
        .tempShown(23.4f)
        .rhShown(41.8f);
    LiveReading r = decode(b);
    EXPECT_EQ(r.batteryLevel, 3);
    EXPECT_TRUE(r.meterRecording);
    EXPECT_TRUE(r.showMax);
    EXPECT_EQ(r.co2Ppm, 612);
    EXPECT_FLOAT_EQ(r.temperature, 23.4f);
    EXPECT_FLOAT_EQ(r.humidity, 41.8f);
    EXPECT_EQ(r.co2Shown, 655);
    EXPECT_EQ(r.temperatureShown, 234);
    EXPECT_EQ(r.humidityShown, 418);
}

TEST(LiveReading, UnframedOrShortRepliesAreNotDecoded) {
    LiveReading before;
    before.co2Ppm = 777;
    ReplyBuilder noStart;
    noStart.bytes[0] = 0x00;
    ReplyBuilder noEnd;
    noEnd.bytes[63] = 0x00;
    noEnd.co2(400);
    for (const auto& b : {noStart, noEnd}) {
        LiveReading r = before;
        EXPECT_FALSE(decodeLiveReply(b.bytes, r));
        EXPECT_EQ(r, before);
    }
    ReplyBuilder ok;
    LiveReading r = before;
    EXPECT_FALSE(decodeLiveReply(std::span<const uint8_t>(ok.bytes.data(), 63), r));
    EXPECT_EQ(r, before);
}

TEST(LiveReading, AnyBytesDecodeToCountsInRange) {
    std::mt19937 rng(7320);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        ReplyBuilder b;
        for (int k = 1; k < 63; ++k)
            b.bytes[k] = uint8_t(i % 3 == 0 ? 0xFF : byte(rng));
        LiveReading r;
        ASSERT_TRUE(decodeLiveReply(b.bytes, r));
        for (int32_t v : {r.co2Ppm, r.co2Shown, r.co2Held})
            ASSERT_TRUE(v >= 0 && v <= 999999) << v;
        for (int32_t v : {r.humidityShown, r.temperatureShown, r.humidityHeld, r.temperatureHeld})
            ASSERT_TRUE(v >= 0 && v <= 9999990) << v;
        ASSERT_FALSE(std::isnan(r.humidity));
        ASSERT_GE(r.batteryLevel, 0);
        ASSERT_LE(r.batteryLevel, 3);
    }
}

} // namespace
