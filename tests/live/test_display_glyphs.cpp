#include "live/DisplayGlyphs.h"

#include <gtest/gtest.h>

namespace {

constexpr int B = GlyphBlank;
constexpr int D = GlyphDash;
constexpr int L = GlyphL;

struct Co2Case {
    const char* name;
    LiveReading reading;
    Co2Glyphs expected;
};

LiveReading co2(int shown, uint8_t over = 0, bool dashes = false, bool hold = false, int held = 0) {
    LiveReading r;
    r.co2Shown = shown;
    r.OverRangeFlags = over;
    r.co2Dashes = dashes;
    r.hold = hold;
    r.co2Held = held;
    return r;
}

class Co2Display : public testing::TestWithParam<Co2Case> {};
TEST_P(Co2Display, ShowsTheGlyphs) {
    EXPECT_EQ(co2Glyphs(GetParam().reading), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Co2Display,
    testing::Values(
        Co2Case{"LeadingZerosBlank", co2(400), {B, B, 4, 0, 0}},
        Co2Case{"ZeroShowsLastDigit", co2(0), {B, B, B, B, 0}},
        Co2Case{"AllFiveDigits", co2(12345), {1, 2, 3, 4, 5}},
        Co2Case{"InnerZerosShown", co2(10005), {1, 0, 0, 0, 5}},
        Co2Case{"SingleDigit", co2(7), {B, B, B, B, 7}},
        Co2Case{"OverRangeReadsOL", co2(99999, OverCo2), {B, B, B, 0, L}},
        Co2Case{"DashesBeatOverRange", co2(99999, OverCo2, true), {D, D, D, D, D}},
        Co2Case{"HoldBeatsDashes", co2(500, 0, true, true, 812), {B, B, 8, 1, 2}},
        Co2Case{"HoldBeatsOverRange", co2(99999, OverCo2, false, true, 1500), {B, 1, 5, 0, 0}},
        Co2Case{"HeldAbove30000ReadsOL", co2(500, 0, false, true, 30001), {B, B, B, 0, L}},
        Co2Case{"Held30000Shown", co2(500, 0, false, true, 30000), {3, 0, 0, 0, 0}},
        Co2Case{"TooLargeForTheDisplayReadsDashes", co2(999999), {D, D, D, D, D}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
    const char* name;
    LiveReading reading;
    FieldGlyphs rh;
    FieldGlyphs temperature;
};

LiveReading field(int rh, int temp, uint8_t over = 0) {
    LiveReading r;
    r.humidityShown = rh;
    r.temperatureShown = temp;
    r.OverRangeFlags = over;
    return r;
}

LiveReading held(int rh, int temp, int tempForRangeTest, uint8_t over = 0, bool rhNoValue = false,
                 bool tempNoValue = false) {
    LiveReading r = field(123, 456, over);
    r.hold = true;
    r.humidityHeld = rh;
    r.temperatureHeld = temp;
    r.temperatureHeldForRangeTest = tempForRangeTest;
    r.humidityHeldNoValue = rhNoValue;
    r.temperatureHeldNoValue = tempNoValue;
    return r;
}

class FieldDisplay : public testing::TestWithParam<FieldCase> {};
TEST_P(FieldDisplay, ShowsTheGlyphs) {
    EXPECT_EQ(humidityGlyphs(GetParam().reading), GetParam().rh);
    EXPECT_EQ(temperatureGlyphs(GetParam().reading), GetParam().temperature);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldDisplay,
    testing::Values(
        FieldCase{"Tenths", field(453, 234), {B, 4, 5, 3}, {B, 2, 3, 4}},
        FieldCase{"OnlyFirstPositionBlanks", field(5, 0), {B, 0, 0, 5}, {B, 0, 0, 0}},
        FieldCase{"FourDigits", field(1000, 1994), {1, 0, 0, 0}, {1, 9, 9, 4}},
        FieldCase{"RhOverRange", field(999990, 200, OverRh), {B, B, 0, L}, {B, 2, 0, 0}},
        FieldCase{"RhNoReadingBeatsOverRange",
                  field(999990, 200, OverRh | NoRhReading),
                  {D, D, D, D},
                  {B, 2, 0, 0}},
        FieldCase{"TempBelowRange", field(100, 999990, UnderTemp), {B, 1, 0, 0}, {B, D, 0, L}},
        FieldCase{"TempAboveRange", field(100, 999990, OverTemp), {B, 1, 0, 0}, {B, B, 0, L}},
        FieldCase{"TempBothBitsReadsMinusOL",
                  field(100, 999990, OverTemp | UnderTemp),
                  {B, 1, 0, 0},
                  {B, D, 0, L}},
        FieldCase{"TempNoReadingBeatsEverything",
                  field(100, 999990, 0x3F & ~NoRhReading & ~OverRh),
                  {B, 1, 0, 0},
                  {D, D, D, D}},
        FieldCase{
            "MarkerWithoutDashBitReadsDashes", field(999990, 999990), {D, D, D, D}, {D, D, D, D}},
        FieldCase{"HeldValuesReplaceShown", held(505, 770, 770), {B, 5, 0, 5}, {B, 7, 7, 0}},
        FieldCase{"HoldBeatsNoReadingBits",
                  held(505, 250, 770, NoRhReading | NoTempReading),
                  {B, 5, 0, 5},
                  {B, 2, 5, 0}},
        FieldCase{"HeldMarkerReadsDashes",
                  held(999990, 999990, 1799982, 0, true, true),
                  {D, D, D, D},
                  {D, D, D, D}},
        FieldCase{"HeldRhAbove1000ReadsOL", held(1001, 250, 770), {B, B, 0, L}, {B, 2, 5, 0}},
        FieldCase{"HeldRh1000Shown", held(1000, 250, 770), {1, 0, 0, 0}, {B, 2, 5, 0}},
        FieldCase{"HeldTempAbove212F", held(500, 1000, 2121), {B, 5, 0, 0}, {B, B, 0, L}},
        FieldCase{"HeldTempAt212FShown", held(500, 1000, 2120), {B, 5, 0, 0}, {1, 0, 0, 0}},
        FieldCase{
            "HeldTempBelow14FUnderBit", held(500, 0, 139, UnderTemp), {B, 5, 0, 0}, {B, D, 0, L}},
        FieldCase{"HeldTempAt14FShown", held(500, 140, 140), {B, 5, 0, 0}, {B, 1, 4, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayGlyphs, PanelOrderIsCo2ThenHumidityThenTemperature) {
    LiveReading r = field(453, 234);
    r.co2Shown = 400;
    const std::array<int, 13> expected{B, B, 4, 0, 0, B, 4, 5, 3, B, 2, 3, 4};
    EXPECT_EQ(displayGlyphs(r), expected);
}

TEST(DisplayGlyphs, EveryCountGivesAnIndexAmongThePictures) {
    for (int32_t n : {0, 1, 9, 10, 99, 24999, 25000, 99999, 999999, 9999990, -1, -10000, INT32_MAX,
                      INT32_MIN}) {
        for (int g : splitCo2(n))
            EXPECT_TRUE(g >= 0 && g < GlyphCount) << n;
        for (int g : splitField(n))
            EXPECT_TRUE(g >= 0 && g < GlyphCount) << n;
    }
    EXPECT_EQ(safeGlyph(-1), GlyphBlank);
    EXPECT_EQ(safeGlyph(25), GlyphBlank);
    EXPECT_EQ(safeGlyph(24), 24);
}

} // namespace
