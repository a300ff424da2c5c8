// The information reply's decoding, the setup command frames and the input checks.
#include "setup/MeterInfo.h"
#include "setup/SetupFrames.h"

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {
using Bytes = std::vector<std::pair<int, uint8_t>>;

std::array<uint8_t, 64> replyWith(const Bytes& bytes) {
    std::array<uint8_t, 64> r{};
    for (auto [at, v] : bytes)
        r[at] = v;
    return r;
}

struct InfoCase {
    const char* name;
    Bytes bytes;
    std::function<QString(const MeterInfoTexts&)> field;
    QString expected;
    QChar decimalPoint = QLatin1Char('.');
};

std::ostream& operator<<(std::ostream& os, const InfoCase& c) {
    return os << c.name;
}

class InfoReplyDecoding : public testing::TestWithParam<InfoCase> {};

TEST_P(InfoReplyDecoding, ShowsTheFieldAsTheDialogDoes) {
    const InfoCase& c = GetParam();
    const auto r = replyWith(c.bytes);
    const auto info = decodeMeterInfo(r);
    ASSERT_TRUE(info);
    EXPECT_EQ(c.field(meterInfoTexts(*info, c.decimalPoint)), c.expected);
}

auto memory = [](const MeterInfoTexts& t) { return t.memoryAvailable; };
auto sleep = [](const MeterInfoTexts& t) { return t.sleepTime; };
auto alarm = [](const MeterInfoTexts& t) { return t.alarm; };
auto temp = [](const MeterInfoTexts& t) { return t.tempOffset; };
auto rh = [](const MeterInfoTexts& t) { return t.rhOffset; };
auto co2 = [](const MeterInfoTexts& t) { return t.co2Offset; };
auto version = [](const MeterInfoTexts& t) { return t.version; };
auto clock = [](const MeterInfoTexts& t) { return t.meterTime; };

INSTANTIATE_TEST_SUITE_P(
    Cases, InfoReplyDecoding,
    testing::Values(
        InfoCase{"MemoryEmptyLogger", {}, memory, "32351"},
        InfoCase{"MemoryOneSampleUsed", {{8, 8}}, memory, "32350"},
        InfoCase{"MemoryFull", {{6, 0x03}, {7, 0xF2}, {8, 0xFF}}, memory, "0"},
        InfoCase{"MemoryPastEnd", {{6, 0x03}, {7, 0xF3}, {8, 0x00}}, memory, "0"},
        InfoCase{"MemoryLargest", {{6, 0xFF}, {7, 0xFF}, {8, 0xFF}}, memory, "0"},
        InfoCase{"PowerOffOff", {{48, 0}}, sleep, "OFF"},
        InfoCase{"PowerOff8Hours", {{48, 6}}, sleep, "8 hours"},
        InfoCase{"PowerOffUnknown", {{48, 7}}, sleep, ""},
        InfoCase{"AlarmOn", {{29, 1}}, alarm, "ON"},
        InfoCase{"AlarmTwoIsOff", {{29, 2}}, alarm, "OFF"},
        InfoCase{"TempOffsetFahrenheit", {{40, 1}, {42, 0xF6}}, temp, "-1.0"},
        InfoCase{"TempOffsetCelsius", {{40, 0}, {42, 0xF6}}, temp, "-0.6"},
        InfoCase{"TempOffsetCelsiusOneDegree", {{42, 18}}, temp, "1.0"},
        InfoCase{"TempOffsetCelsiusLargest", {{42, 0x7F}}, temp, "7.1"},
        InfoCase{"TempOffsetCelsiusSmallest", {{42, 0x80}}, temp, "-7.1"},
        InfoCase{"TempOffsetCommaLocale", {{40, 1}, {42, 0x17}}, temp, "2,3", QLatin1Char(',')},
        InfoCase{"RhOffsetNegative", {{41, 0xFD}}, rh, "-0.3"},
        InfoCase{"RhOffsetTen", {{41, 100}}, rh, "10.0"}, InfoCase{"RhOffsetZero", {}, rh, "0.0"},
        InfoCase{"Co2OffsetMinus400", {{43, 0xFE}, {44, 0x70}}, co2, "-400"},
        InfoCase{"Co2OffsetPlus400", {{43, 0x01}, {44, 0x90}}, co2, "400"},
        InfoCase{"VersionZero", {{15, 0}}, version, "0.00"},
        InfoCase{"Version255", {{15, 255}}, version, "2.55"},
        InfoCase{"VersionSmall", {{15, 5}}, version, "0.05"},
        InfoCase{"VersionCommaLocale", {{15, 120}}, version, "1,20", QLatin1Char(',')},
        InfoCase{
            "ClockBcd",
            {{49, 0x05}, {50, 0x30}, {51, 0x14}, {52, 0x21}, {53, 0x09}, {54, 0x77}, {55, 0x26}},
            clock,
            "09/21/2026   14:30:05"},
        InfoCase{"ClockNotBcd",
                 {{49, 0x1A}, {50, 0x30}, {51, 0x14}, {52, 0x21}, {53, 0x09}, {55, 0x26}},
                 clock,
                 "09/21/2026   14:30:1A"}),
    [](const testing::TestParamInfo<InfoCase>& i) { return std::string(i.param.name); });

TEST(InfoReply, DecodesEveryFieldAtItsByte) {
    const auto r = replyWith({{4, 0x01},
                              {5, 0x02},
                              {9, 0x12},
                              {10, 0x34},
                              {18, 0x07},
                              {19, 0xD0},
                              {20, 0x01},
                              {21, 0x90},
                              {23, 0x05},
                              {29, 1},
                              {30, 0x9C},
                              {31, 0x40},
                              {32, 0x01},
                              {33, 0xF4},
                              {38, 0x0B},
                              {39, 0xB8},
                              {40, 1},
                              {48, 3}});
    const auto info = decodeMeterInfo(r);
    ASSERT_TRUE(info);
    const MeterInfoTexts t = meterInfoTexts(*info);
    EXPECT_EQ(t.dataSets, "258");
    EXPECT_EQ(t.interval, "12:34");
    EXPECT_EQ(t.intervalMinutes, "12");
    EXPECT_EQ(t.intervalSeconds, "34");
    EXPECT_EQ(t.col2000, "2000");
    EXPECT_EQ(t.col400, "400");
    EXPECT_EQ(t.col0, "5");
    EXPECT_EQ(t.alarmItem, 1);
    EXPECT_EQ(t.alarmHigh, "40000"); // unsigned: above 32767
    EXPECT_EQ(t.alarmLow, "500");
    EXPECT_EQ(t.altitude, "3000");
    EXPECT_EQ(t.unit, "F");
    EXPECT_TRUE(t.fahrenheit);
    EXPECT_EQ(t.sleepTime, "1 hour");
    EXPECT_EQ(t.powerOffItem, 3);
}

TEST(InfoReply, UnknownPowerOffLeavesTheChoiceAlone) {
    const auto info = decodeMeterInfo(replyWith({{48, 200}}));
    ASSERT_TRUE(info);
    EXPECT_FALSE(meterInfoTexts(*info).powerOffItem.has_value());
}

TEST(InfoReply, ShortReplyIsRefused) {
    std::array<uint8_t, 63> shortReply{};
    EXPECT_FALSE(decodeMeterInfo(shortReply));
    EXPECT_FALSE(decodeMeterInfo({}));
}

TEST(InfoReply, SerialStopsAtTheFirstZeroOrTheBufferEnd) {
    std::array<char, 32> b{};
    std::fill(b.begin(), b.end(), 'Z');
    EXPECT_EQ(serialText(b), QString(32, QLatin1Char('Z')));
    std::memcpy(b.data(), "Q7320-0042\0junk", 15);
    EXPECT_EQ(serialText(b), "Q7320-0042");
}

// Frames: every builder writes its own bytes only; the others keep what was left.
struct FrameCase {
    const char* name;
    std::function<void(Frame&)> build;
    Frame expected;
};
std::ostream& operator<<(std::ostream& os, const FrameCase& c) {
    return os << c.name;
}

class SetupFrames : public testing::TestWithParam<FrameCase> {};

TEST_P(SetupFrames, WritesItsBytesAndKeepsTheRest) {
    Frame f{0x02, 0x00, 0xA2, 0xA3, 0xA4, 0xA5, 0x03};
    GetParam().build(f);
    EXPECT_EQ(f, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupFrames,
    testing::Values(FrameCase{"Info", buildInfoFrame, {0x02, 'X', 0x00, 0x00, 0xA4, 0xA5, 0x03}},
                    FrameCase{"Clock", buildClockFrame, {0x02, 't', 0x00, 0x00, 0xA4, 0xA5, 0x03}},
                    FrameCase{"Erase", buildEraseFrame, {0x02, 'e', 0x00, 0x00, 0xA4, 0xA5, 0x03}},
                    FrameCase{"Interval",
                              [](Frame& f) { buildIntervalFrame(f, 0x60, 0x60); },
                              {0x02, 'I', 0x60, 0x60, 0xA4, 0xA5, 0x03}},
                    FrameCase{"WriteByte",
                              [](Frame& f) { buildWriteByteFrame(f, 0x012345, 0xFD); },
                              {0x02, 'W', 0x01, 0x23, 0x45, 0xFD, 0x03}},
                    FrameCase{"WriteByte80",
                              [](Frame& f) { buildWriteByteFrame(f, 80, 7); },
                              {0x02, 'W', 0x00, 0x00, 80, 7, 0x03}},
                    FrameCase{"Co2Offset",
                              [](Frame& f) { buildCo2OffsetFrame(f, -400); },
                              {0x02, 'D', 0xFE, 0x70, 0x00, 0x00, 0x03}},
                    FrameCase{"Altitude",
                              [](Frame& f) { buildAltitudeFrame(f, 3000); },
                              {0x02, 'L', 0x0B, 0xB8, 0x00, 0x00, 0x03}},
                    FrameCase{"AlarmOn",
                              [](Frame& f) {
                                  buildAlarmFrame(f, AlarmLimits{1000, 500});
                              },
                              {0x02, 'F', 0x03, 0xE8, 0x01, 0xF4, 0x03}},
                    FrameCase{"AlarmOff",
                              [](Frame& f) { buildAlarmFrame(f, std::nullopt); },
                              {0x02, 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0x03}}),
    [](const testing::TestParamInfo<FrameCase>& i) { return std::string(i.param.name); });

TEST(ClockBlock, CarriesBcdFieldsAndLeavesTheUnsetBytes) {
    std::array<uint8_t, 32> block;
    block.fill(0xEE);
    fillClockBlock(block, QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5, 999)));
    const std::array<uint8_t, 11> head{0x05, 0x30, 0x14, 0x21, 0x09, 0xEE,
                                       0x26, 0x00, 'r',  't',  'c'};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), block.begin()));
    for (size_t i = 11; i < block.size(); ++i)
        EXPECT_EQ(block[i], 0xEE) << i;
}

TEST(ClockBlock, MidnightOnNewYear) {
    std::array<uint8_t, 32> block{};
    fillClockBlock(block, QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0)));
    EXPECT_EQ(block[2], 0x00);
    EXPECT_EQ(block[3], 0x01);
    EXPECT_EQ(block[4], 0x01);
    EXPECT_EQ(block[6], 0x00);
}

TEST(SetupReply, AcknowledgedOnlyByOKAtBytesTwoAndThree) {
    std::array<uint8_t, 32> r{};
    EXPECT_FALSE(isAcknowledged(r));
    r[2] = 'O';
    r[3] = 'K';
    EXPECT_TRUE(isAcknowledged(r));
    r[3] = 'k';
    EXPECT_FALSE(isAcknowledged(r));
    EXPECT_FALSE(isAcknowledged(std::span<const uint8_t>(r.data(), 3)));
}

// Input checks: the value sent, or the message shown.
struct CheckCase {
    const char* name;
    std::function<std::pair<std::optional<int>, QString>()> run;
    std::optional<int> value;
    QString message;
};
std::ostream& operator<<(std::ostream& os, const CheckCase& c) {
    return os << c.name;
}

template <typename C> std::pair<std::optional<int>, QString> asPair(const C& c) {
    if (!c.value) return {std::nullopt, c.message};
    return {int(*c.value), c.message};
}
auto interval = [](const char* m, const char* s) {
    return [=] {
        const auto c = checkInterval(m, s);
        if (!c.value) return std::pair<std::optional<int>, QString>{std::nullopt, c.message};
        return std::pair<std::optional<int>, QString>{c.value->minutes << 8 | c.value->seconds,
                                                      c.message};
    };
};
auto rhCheck = [](const char* t) { return [=] { return asPair(checkRhOffset(t)); }; };
auto tempCheck = [](const char* t, bool f) {
    return [=] { return asPair(checkTempOffset(t, f)); };
};
auto co2Check = [](const char* t) { return [=] { return asPair(checkCo2Offset(t)); }; };
auto altCheck = [](const char* t) { return [=] { return asPair(checkAltitude(t)); }; };

class InputChecks : public testing::TestWithParam<CheckCase> {};

TEST_P(InputChecks, AcceptOrExplain) {
    const auto [value, message] = GetParam().run();
    EXPECT_EQ(value, GetParam().value);
    EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputChecks,
    testing::Values(
        CheckCase{"IntervalZero", interval("00", "00"), std::nullopt, SetupText::InvalidInput},
        CheckCase{"IntervalMax", interval("60", "60"), 0x6060, {}},
        CheckCase{"IntervalMinuteTooBig", interval("61", "00"), std::nullopt,
                  SetupText::InvalidInput},
        CheckCase{"IntervalOneSecond", interval("00", "01"), 0x0001, {}},
        CheckCase{"IntervalSingleDigits", interval("5", "7"), 0x0507, {}},
        CheckCase{"IntervalEmpty", interval("", "02"), std::nullopt, SetupText::InvalidInput},
        CheckCase{"IntervalNegative", interval("-1", "02"), std::nullopt, SetupText::InvalidInput},
        CheckCase{"RhPositive", rhCheck("2.3"), 0x17, {}},
        CheckCase{"RhNegativeTruncates", rhCheck("-0.35"), 0xFD, {}},
        CheckCase{"RhTen", rhCheck("10"), 100, {}},
        CheckCase{"RhMinusTen", rhCheck("-10.0"), 0x9C, {}},
        CheckCase{"RhAboveTen", rhCheck("10.1"), std::nullopt, SetupText::RhRange},
        CheckCase{"RhNotANumber", rhCheck("abc"), std::nullopt, SetupText::RhRange},
        CheckCase{"RhInfinity", rhCheck("inf"), std::nullopt, SetupText::RhRange},
        CheckCase{"TempCelsiusOne", tempCheck("1", false), 0x12, {}},
        CheckCase{"TempCelsiusMinusFive", tempCheck("-5", false), 0xA6, {}},
        CheckCase{"TempCelsiusSix", tempCheck("6", false), std::nullopt, SetupText::TempRangeC},
        CheckCase{"TempFahrenheitNine", tempCheck("9", true), 0x5A, {}},
        CheckCase{"TempFahrenheitTen", tempCheck("9.5", true), std::nullopt, SetupText::TempRangeF},
        CheckCase{"TempFahrenheitEmpty", tempCheck("", true), std::nullopt, SetupText::TempRangeF},
        CheckCase{"Co2Minus400", co2Check("-400"), -400, {}},
        CheckCase{"Co2Plus400", co2Check("400"), 400, {}},
        CheckCase{"Co2Above", co2Check("401"), std::nullopt, SetupText::Co2Range},
        CheckCase{"Co2WrapsNot", co2Check("65136"), std::nullopt, SetupText::Co2Range},
        CheckCase{"Co2Decimal", co2Check("1.5"), std::nullopt, SetupText::Co2Range},
        CheckCase{"AltitudeTop", altCheck("3000"), 3000, {}},
        CheckCase{"AltitudeZero", altCheck(" 0 "), 0, {}},
        CheckCase{"AltitudeAbove", altCheck("3001"), std::nullopt, SetupText::AltitudeRange},
        CheckCase{"AltitudeNegative", altCheck("-1"), std::nullopt, SetupText::AltitudeRange},
        CheckCase{"AltitudeHuge", altCheck("99999999999"), std::nullopt, SetupText::AltitudeRange}),
    [](const testing::TestParamInfo<CheckCase>& i) { return std::string(i.param.name); });

TEST(InputChecks, Co2NotAnIntegerAlsoMarksFailure) {
    EXPECT_TRUE(checkCo2Offset("x").notInteger);
    EXPECT_FALSE(checkCo2Offset("401").notInteger);
}

TEST(InputChecks, TempOffsetReadsTheLocaleSeparator) {
    EXPECT_EQ(checkTempOffset("2,5", true, QLatin1Char(',')).value, uint8_t(25));
    EXPECT_EQ(checkTempOffset("2.5", true, QLatin1Char(',')).value, uint8_t(25));
}

TEST(AlarmCheck, LowAboveHighSwaps) {
    const AlarmCheck c = checkAlarm("500", "1000");
    ASSERT_TRUE(c.ok());
    EXPECT_TRUE(c.swapped);
    EXPECT_EQ(c.value->high, 1000);
    EXPECT_EQ(c.value->low, 500);
}

TEST(AlarmCheck, RangeAndIntegerMessages) {
    for (auto [h, l, swapped] : {std::tuple{"40001", "0", false}, std::tuple{"5", "-1", false},
                                 std::tuple{"0", "40001", true}, std::tuple{"x", "1", false},
                                 std::tuple{"1", "", false}}) {
        const AlarmCheck c = checkAlarm(h, l);
        EXPECT_FALSE(c.ok()) << h << " " << l;
        EXPECT_EQ(c.message, SetupText::AlarmRange);
        EXPECT_EQ(c.swapped, swapped) << h << " " << l;
    }
    const AlarmCheck top = checkAlarm("40000", "0");
    ASSERT_TRUE(top.ok());
    EXPECT_FALSE(top.swapped);
}
} // namespace
