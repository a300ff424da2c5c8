// The virtual meter driven with raw frames and blocks, as the real device would be.
#include "link/Clock.h"
#include "link/virtual/MeterMemory.h"
#include "link/virtual/VirtualMeter.h"

#include <cmath>
#include <functional>
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
    EXPECT_EQ(twin.liveReply(), VirtualMeter(clock2).liveReply());
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

// ---- Panel keys ---------------------------------------------------------------------------------

TEST_F(MeterTest, EveryKeyIsAcknowledgedWithOk) {
    for (char key : {'C', 'M', 'N', 'B', 'H', 'E'}) {
        auto r = ask(key, 32);
        ASSERT_TRUE(r) << key;
        EXPECT_EQ((*r)[2], 'O') << key;
        EXPECT_EQ((*r)[3], 'K') << key;
    }
}

TEST_F(MeterTest, MaxMinKeyStepsThroughTheModesAndDoubleClickLeaves) {
    const struct {
        Mode mode;
        uint8_t modeBits;
        bool blink;
    } steps[] = {{Mode::AllModes, 0x10, true}, {Mode::Max, 0x02, false},  {Mode::Min, 0x01, false},
                 {Mode::Avg, 0x00, false},     {Mode::Stel, 0x04, false}, {Mode::Twa, 0x08, false},
                 {Mode::AllModes, 0x10, true}};
    EXPECT_EQ(live()[4], 0x00);
    for (const auto& s : steps) {
        ASSERT_TRUE(acknowledged(frame('M')));
        EXPECT_EQ(meter.display().mode, s.mode);
        const Bytes r = live();
        EXPECT_EQ(r[4], s.modeBits);
        EXPECT_EQ(bool(r[3] & 0x40), s.blink);
    }
    ASSERT_TRUE(acknowledged(frame('N')));
    EXPECT_EQ(meter.display().mode, Mode::Normal);
    const Bytes r = live();
    EXPECT_EQ(r[4], 0x00);
    EXPECT_EQ(r[3] & 0x40, 0x00);
}

TEST_F(MeterTest, StatisticsModesShowMaxMinAndAverageOfWhatWasMeasured) {
    meter.setLiveValues({800, 40, 20});
    ASSERT_TRUE(acknowledged(frame('M'))); // start collecting
    clock.advance(2000);
    meter.setLiveValues({1200, 60, 30});
    clock.advance(2000);
    meter.setLiveValues({600, 50, 10});
    clock.advance(2000);
    live(); // the meter takes its samples as time passes
    meter.setLiveValues({700, 50, 15});

    ASSERT_TRUE(acknowledged(frame('M'))); // MAX
    Bytes r = live();
    EXPECT_FLOAT_EQ(floatAt(r, 21), 1200.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 29), 60.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 25), 30.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 9), 700.0f); // the measured value stays current

    ASSERT_TRUE(acknowledged(frame('M'))); // MIN
    r = live();
    EXPECT_FLOAT_EQ(floatAt(r, 21), 600.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 25), 10.0f);

    ASSERT_TRUE(acknowledged(frame('M'))); // AVG
    const float avg = floatAt(live(), 21);
    EXPECT_GT(avg, 600.0f);
    EXPECT_LT(avg, 1200.0f);

    ASSERT_TRUE(acknowledged(frame('N')));
    EXPECT_FLOAT_EQ(floatAt(live(), 21), 700.0f);
}

TEST_F(MeterTest, StelAndTwaAverageCo2OverTheirWindows) {
    meter.setLiveValues({1000, 50, 20});
    meter.press('M');
    clock.advance(20 * 60 * 1000);
    meter.setLiveValues({500, 50, 20});
    clock.advance(5 * 60 * 1000);
    for (int i = 0; i < 4; ++i)
        meter.press('M'); // MAX, MIN, AVG, STEL
    ASSERT_EQ(meter.display().mode, Mode::Stel);
    Bytes r = live();
    EXPECT_EQ(r[4], 0x04);
    EXPECT_NEAR(floatAt(r, 21), (10 * 1000 + 5 * 500) / 15.0, 2.0); // the last 15 minutes
    EXPECT_FLOAT_EQ(floatAt(r, 29), 50.0f);                         // other quantities: current
    meter.press('M');
    r = live();
    EXPECT_EQ(r[4], 0x08);
    EXPECT_NEAR(floatAt(r, 21), (1200 * 1000.0 + 300 * 500.0) / 28800, 1.0); // over 8 hours
}

TEST_F(MeterTest, MaxAndMinCatchPeaksBetweenRareReadings) {
    meter.press('M');
    clock.advance(2 * 3600 * 1000); // no exchange for two hours of drifting readings
    meter.press('M');
    const float max = floatAt(live(), 21);
    meter.press('M');
    const float min = floatAt(live(), 21);
    EXPECT_GT(max, 800.0f);
    EXPECT_LT(min, 500.0f);
}

TEST_F(MeterTest, HoldFreezesTheHeldFieldsUntilReleased) {
    meter.setLiveValues({900, 55.5, 21.5});
    ASSERT_TRUE(acknowledged(frame('H')));
    meter.setLiveValues({1500, 30, 28});
    Bytes r = live();
    EXPECT_TRUE(r[3] & 0x20);
    EXPECT_FLOAT_EQ(floatAt(r, 41), 900.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 45), 21.5f);
    EXPECT_FLOAT_EQ(floatAt(r, 49), 55.5f);
    EXPECT_FLOAT_EQ(floatAt(r, 21), 1500.0f); // the display fields go on
    // The held temperature is sent in the display unit.
    ASSERT_TRUE(acknowledged(frame('C')));
    EXPECT_FLOAT_EQ(floatAt(live(), 45), 21.5f * 1.8f + 32);
    ASSERT_TRUE(acknowledged(frame('H')));
    r = live();
    EXPECT_FALSE(r[3] & 0x20);
    EXPECT_FLOAT_EQ(floatAt(r, 41), 1500.0f);
}

TEST_F(MeterTest, UnitKeyTogglesFahrenheitInTheReplyAndInMemory) {
    EXPECT_EQ(live()[2] & 1, 0);
    EXPECT_EQ(info()[40], 0);
    ASSERT_TRUE(acknowledged(frame('C')));
    EXPECT_EQ(live()[2] & 1, 1);
    EXPECT_NE(info()[40], 0);
    EXPECT_TRUE(meter.display().fahrenheit);
    // The displayed temperature stays in degrees C; the program converts it.
    meter.setLiveValues({500, 50, 25});
    EXPECT_FLOAT_EQ(floatAt(live(), 25), 25.0f);
    ASSERT_TRUE(acknowledged(frame('C')));
    EXPECT_EQ(live()[2] & 1, 0);
}

TEST_F(MeterTest, BacklightKeyTogglesTheBacklight) {
    EXPECT_FALSE(meter.display().backlight);
    ASSERT_TRUE(acknowledged(frame('B')));
    EXPECT_TRUE(meter.display().backlight);
    ASSERT_TRUE(acknowledged(frame('B')));
    EXPECT_FALSE(meter.display().backlight);
}

TEST_F(MeterTest, KeysOnTheCaseActWithoutTheLink) {
    meter.unplug();
    meter.press('H');
    meter.press('M');
    meter.press('X'); // no such key: nothing happens
    EXPECT_TRUE(meter.display().hold);
    EXPECT_EQ(meter.display().mode, Mode::AllModes);
    EXPECT_TRUE(meter.framesReceived().empty());
}

TEST_F(MeterTest, RecordKeyLogsANewDataSetAtTheConfiguredInterval) {
    const auto before = meter.loggerDataSets();
    ASSERT_TRUE(acknowledged(frame('I', 0x00, 0x05))); // 00:05
    meter.setLiveValues({1234, 48.2, 23.4});
    const QDateTime started = meter.meterTime();
    ASSERT_TRUE(acknowledged(frame('E')));
    EXPECT_TRUE(live()[3] & 0x08);
    clock.advance(5000 * 10 + 100);
    ASSERT_TRUE(acknowledged(frame('E')));
    EXPECT_FALSE(live()[3] & 0x08);
    clock.advance(60000); // nothing more after the stop

    const auto after = meter.loggerDataSets();
    ASSERT_EQ(after.size(), before.size() + 1);
    const LoggedDataSet& set = after.back();
    EXPECT_EQ(set.samples.size(), 11u); // at 0 s, 5 s, ... 50 s
    EXPECT_EQ(set.intervalSeconds, 0x05);
    EXPECT_EQ(set.startTime(), started.addMSecs(-started.time().msec()));
    EXPECT_FLOAT_EQ(set.samples[0].co2, 1234.0f);
    EXPECT_EQ(set.samples[0].temperature, 234);
    EXPECT_EQ(set.samples[0].humidity, 482);
    // The record sits right after the earlier ones and the header counts it.
    const VirtualMeter::Config c = meter.config();
    EXPECT_EQ(c.dataSetCount, int(after.size()));
    int end = MeterMemory::LoggerStart - 1;
    for (const auto& s : after)
        end += s.recordSize();
    EXPECT_EQ(c.lastUsed, end);
    EXPECT_EQ(meter.memory()[size_t(end - 1)], 0x5A);
    EXPECT_EQ(meter.memory()[size_t(end)], 0xA5);
}

TEST_F(MeterTest, FullMemoryRefusesRecordingAndShowsFull) {
    // One data set that leaves less room than a record of one sample needs.
    LoggedDataSet big;
    const int room = MeterMemory::LoggerEnd - MeterMemory::LoggerStart + 1;
    big.samples.resize(size_t((room - MeterMemory::RecordOverhead) / MeterMemory::SampleSize));
    meter.setLoggerDataSets({big});
    ASSERT_EQ(meter.loggerDataSets().size(), 1u);
    EXPECT_TRUE(live()[3] & 0x10);
    ASSERT_TRUE(acknowledged(frame('E')));
    EXPECT_FALSE(meter.display().recording);
    // A recording that runs into the end keeps REC on and shows memory full.
    big.samples.resize(big.samples.size() - 5);
    meter.setLoggerDataSets({big});
    EXPECT_FALSE(live()[3] & 0x10);
    ASSERT_TRUE(acknowledged(frame('E')));
    clock.advance(3600 * 1000);
    const Bytes r = live();
    EXPECT_TRUE(r[3] & 0x08);
    EXPECT_TRUE(r[3] & 0x10);
    EXPECT_LE(meter.config().lastUsed, MeterMemory::LoggerEnd);
}

TEST_F(MeterTest, AlarmBitsFollowTheLimits) {
    ASSERT_TRUE(acknowledged(frame('F', 0x03, 0xE8, 0x01, 0xF4))); // on, 1000 / 500
    const struct {
        double co2;
        uint8_t bits;
    } cases[] = {{1200, 0x03}, {700, 0x00}, {400, 0x05}};
    for (const auto& c : cases) {
        meter.setLiveValues({c.co2, 50, 20});
        EXPECT_EQ(live()[3] & 0x07, c.bits) << c.co2;
    }
    ASSERT_TRUE(acknowledged(frame('F', 0xFF, 0xFF, 0xFF, 0xFF))); // off
    meter.setLiveValues({1200, 50, 20});
    EXPECT_EQ(live()[3] & 0x07, 0x00);
}

// ---- Configuration ------------------------------------------------------------------------------

TEST_F(MeterTest, InformationReplyMirrorsMemoryFromAddress32) {
    const Bytes r = info();
    const auto& m = meter.memory();
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(r[size_t(i)], m[size_t(32 + i)]) << "byte " << i;
    // Addresses 32..35 are ordinary memory of a factory-set meter, not an acknowledgement.
    EXPECT_EQ((Bytes(r.begin(), r.begin() + 4)), (Bytes{0x00, 0x00, 0x00, 0x00}));
    // The header fields of the logger are the same bytes the download reads at 36..40.
    EXPECT_EQ(getU16(r, 4), 5u);
    EXPECT_EQ(int(getU24(r, 6)), meter.config().lastUsed);
    EXPECT_EQ(r[15], 123); // firmware 1.23
    EXPECT_EQ(r[48], 1);   // power-off 10 minutes
    EXPECT_EQ(r[9], 0x00);
    EXPECT_EQ(r[10], 0x10);
}

TEST_F(MeterTest, InformationReplyCarriesTheMeterClockInBcd) {
    meter.setMeterTime(QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5)));
    Bytes r = info();
    EXPECT_EQ(r[49], 0x05);
    EXPECT_EQ(r[50], 0x30);
    EXPECT_EQ(r[51], 0x14);
    EXPECT_EQ(r[52], 0x21);
    EXPECT_EQ(r[53], 0x09);
    EXPECT_EQ(r[55], 0x26);
    clock.advance(61000); // the meter clock runs with the computer's
    r = info();
    EXPECT_EQ(r[49], 0x06);
    EXPECT_EQ(r[50], 0x31);
}

struct ConfigCase {
    const char* name;
    std::array<uint8_t, 7> frame;
    std::vector<std::pair<int, uint8_t>> infoBytes; // reply byte, expected value
};

class ConfigCommand : public MeterTest, public testing::WithParamInterface<ConfigCase> {};

TEST_P(ConfigCommand, AcknowledgesAndChangesTheInformationReply) {
    const ConfigCase& c = GetParam();
    ASSERT_TRUE(acknowledged(c.frame));
    const Bytes r = info();
    for (const auto& [at, value] : c.infoBytes)
        EXPECT_EQ(r[size_t(at)], value) << "byte " << at;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigCommand,
    testing::Values(
        ConfigCase{"interval_60_60", frame('I', 0x60, 0x60), {{9, 0x60}, {10, 0x60}}},
        ConfigCase{"interval_01_30", frame('I', 0x01, 0x30), {{9, 0x01}, {10, 0x30}}},
        ConfigCase{"rh_offset_at_73", frame('W', 0, 0, 73, 0xFD), {{41, 0xFD}}},
        ConfigCase{"temperature_offset_at_74", frame('W', 0, 0, 74, 0xA6), {{42, 0xA6}}},
        ConfigCase{"power_off_at_80", frame('W', 0, 0, 80, 7), {{48, 7}}},
        ConfigCase{"co2_offset", frame('D', 0xFE, 0x70), {{43, 0xFE}, {44, 0x70}}},
        ConfigCase{"altitude", frame('L', 0x0B, 0xB8), {{38, 0x0B}, {39, 0xB8}}},
        ConfigCase{"alarm_on",
                   frame('F', 0x03, 0xE8, 0x01, 0xF4),
                   {{29, 1}, {30, 0x03}, {31, 0xE8}, {32, 0x01}, {33, 0xF4}}},
        ConfigCase{"alarm_off_keeps_limits",
                   frame('F', 0xFF, 0xFF, 0xFF, 0xFF),
                   {{29, 0}, {30, 0x03}, {31, 0xE8}, {32, 0x03}, {33, 0x20}}},
        ConfigCase{"erase", frame('e'), {{4, 0}, {5, 0}, {6, 0x00}, {7, 0x0A}, {8, 0xFF}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MeterTest, ConfigurationReadsBackThroughConfig) {
    ASSERT_TRUE(acknowledged(frame('D', 0xFE, 0x70)));
    ASSERT_TRUE(acknowledged(frame('W', 0, 0, 73, 0xF1)));
    ASSERT_TRUE(acknowledged(frame('W', 0, 0, 74, 0xA6)));
    ASSERT_TRUE(acknowledged(frame('L', 0x0B, 0xB8)));
    ASSERT_TRUE(acknowledged(frame('I', 0x60, 0x60)));
    const VirtualMeter::Config c = meter.config();
    EXPECT_EQ(c.co2Offset, -400);
    EXPECT_EQ(c.rhOffset, -15);
    EXPECT_EQ(c.temperatureOffset, -90);
    EXPECT_EQ(c.altitude, 3000);
    EXPECT_EQ(c.intervalMinutes, 60);
    EXPECT_EQ(c.intervalSeconds, 60);
    // Offsets are applied to the readings: -400 ppm, -1.5 %RH, -9.0 F = -5.0 C.
    meter.setLiveValues({1000, 50, 25});
    const Bytes r = live();
    EXPECT_FLOAT_EQ(floatAt(r, 9), 600.0f);
    EXPECT_FLOAT_EQ(floatAt(r, 29), 48.5f);
    EXPECT_EQ(int16_t(getU16(r, 13)), 200);
}

TEST_F(MeterTest, WriteOutsideTheConfigurationAreaIsRefused) {
    const Bytes before = meter.memory();
    for (const auto& f : {frame('W', 0, 0x0B, 0x00, 0x12),    // logger area
                          frame('W', 0x04, 0x00, 0x00, 0x12), // past the memory
                          frame('W', 0, 0, 36, 0x12)}) {      // the logger's own count
        auto r = ask(f, 32);
        ASSERT_TRUE(r);
        EXPECT_EQ((*r)[2], 'E');
        EXPECT_EQ((*r)[3], 'R');
    }
    const Bytes& after = meter.memory();
    EXPECT_TRUE(std::equal(before.begin() + 96, before.end(), after.begin() + 96));
}

TEST_F(MeterTest, ClockCommandTakesTheBlockThatFollows) {
    ASSERT_EQ(meter.writeCommand(frame('t')), 0);
    Bytes nothing(32);
    EXPECT_NE(meter.readReply(nothing), 0); // no reply before the block
    std::array<uint8_t, 32> block{};
    block.fill(0xCC); // bytes the command leaves unset
    const uint8_t fields[] = {0x05, 0x30, 0x14, 0x21, 0x09};
    std::copy(std::begin(fields), std::end(fields), block.begin());
    block[6] = 0x26;
    block[7] = 0x00;
    block[8] = 'r';
    block[9] = 't';
    block[10] = 'c';
    ASSERT_EQ(meter.writeBlock(block), 0);
    Bytes r(32);
    ASSERT_EQ(meter.readReply(r), 0);
    EXPECT_EQ(r[2], 'O');
    EXPECT_EQ(r[3], 'K');
    EXPECT_EQ(meter.meterTime(), QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5)));
    ASSERT_EQ(meter.blocksReceived().size(), 1u);
    EXPECT_EQ(meter.blocksReceived()[0], block);

    // A block without "rtc", or with no valid date, is refused and changes nothing.
    block[8] = 'x';
    ASSERT_EQ(meter.writeCommand(frame('t')), 0);
    ASSERT_EQ(meter.writeBlock(block), 0);
    ASSERT_EQ(meter.readReply(r), 0);
    EXPECT_EQ(r[2], 'E');
    block[8] = 'r';
    block[4] = 0x13; // month 13
    ASSERT_EQ(meter.writeCommand(frame('t')), 0);
    ASSERT_EQ(meter.writeBlock(block), 0);
    ASSERT_EQ(meter.readReply(r), 0);
    EXPECT_EQ(r[2], 'E');
    EXPECT_EQ(meter.meterTime(), QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5)));
}

TEST_F(MeterTest, EraseEmptiesTheLoggerAndEndsARecording) {
    ASSERT_TRUE(acknowledged(frame('E')));
    ASSERT_TRUE(acknowledged(frame('e')));
    EXPECT_FALSE(meter.display().recording);
    EXPECT_TRUE(meter.loggerDataSets().empty());
    EXPECT_EQ(meter.config().lastUsed, MeterMemory::EmptyLastUsed);
    EXPECT_EQ(meter.memory()[MeterMemory::LoggerStart], 0xFF);
    // The next recording starts at the beginning of the logger.
    ASSERT_TRUE(acknowledged(frame('E')));
    EXPECT_EQ(meter.memory()[MeterMemory::LoggerStart], 0xA5);
    EXPECT_EQ(meter.config().dataSetCount, 1);
}

TEST_F(MeterTest, SerialStringIsZeroTerminated) {
    meter.setSerialNumber("SN-000123");
    std::array<char, 32> buf;
    buf.fill('x');
    meter.readSerialString(buf);
    EXPECT_STREQ(buf.data(), "SN-000123");
    meter.setSerialNumber(std::string(40, '7')); // never more than the buffer holds
    meter.readSerialString(buf);
    EXPECT_EQ(buf[31], 0);
    EXPECT_EQ(std::string(buf.data()), std::string(31, '7'));
}

// ---- Logger transfer ----------------------------------------------------------------------------

namespace {
// The program's download sequence written out with raw frames: start blocks, main pass with the
// 'r' recovery, retry passes with repositioning. Delays advance the test clock.
struct Download {
    int code = 0;
    Bytes image;
    int waits1000 = 0;
};

Download readMemory(VirtualMeter& m, TestClock& clock) {
    Download d;
    std::array<uint8_t, 7> f{0x02, 0, 0, 0, 0, 0, 0x03}; // bytes not set keep their value
    uint8_t sequence = 0;
    Bytes reply(64);
    auto write = [&](char letter) {
        f[0] = 0x02;
        f[1] = uint8_t(letter);
        f[6] = 0x03;
        const int rc = m.writeCommand(f);
        if (rc == 0) m.flush();
        return rc;
    };
    auto read = [&](size_t n) { return m.readReply(std::span(reply.data(), n)); };
    auto append = [&] { d.image.insert(d.image.end(), reply.begin(), reply.begin() + 32); };
    auto position = [&](int n) {
        if (m.open(MeterVendorId, MeterProductId) != 0) return 1002;
        clock.advance(100);
        if (m.setTimeouts(100, 100) != 0) return 1003;
        clock.advance(100);
        f[2] = uint8_t(n >> 8);
        f[3] = uint8_t(n);
        if (write('P') != 0) return 1004;
        clock.advance(100);
        if (read(36) != 0) return 1005;
        if (reply[35] != 5) return 1006;
        if (reply[32] != f[2] || reply[33] != f[3]) return 1007;
        return 0;
    };

    m.flush();
    if (m.open(MeterVendorId, MeterProductId) != 0) return {1002};
    if (m.setTimeouts(100, 100) != 0) return {1003};
    f[2] = 0x00;
    f[3] = 0x01;
    if (write('P') != 0) return {1004};
    if (read(36) != 0) return {1005};
    if (reply[35] != 5) return {1006};
    append();
    if (write('p') != 0 || read(36) != 0) {
        m.close();
        return {123};
    }
    uint8_t sum = 0;
    for (int i = 0; i < 32; ++i)
        sum = uint8_t(sum + reply[size_t(i)]);
    if (sum != reply[34]) {
        m.close();
        return {177};
    }
    const int expected = (reply[6] << 16 | reply[7] << 8 | reply[8]) + 1;
    int transfer = expected > 262144 || expected < 256 ? 262144 : expected;
    transfer = (transfer + 31) / 32 * 32;
    int received = 64;
    int remaining = transfer - 64;
    append();

    while (remaining != 0) {
        if (write('p') != 0) {
            m.close();
            d.code = 123;
            break;
        }
        if (read(36) == 0) {
            remaining -= 32;
            received += 32;
            append();
            if (remaining == 0 && write('q') != 0) d.code = 125;
            continue;
        }
        clock.advance(1000);
        ++d.waits1000;
        if (write('r') != 0) {
            m.close();
            d.code = 123;
            break;
        }
        if (read(36) != 0) break;
    }

    int retries = 0;
    int idlePasses = 0; // a pass that brings nothing counts as failed
    while (received < expected && retries < 5 && idlePasses < 5) {
        d.code = 0;
        f[5] = ++sequence;
        write('A');
        read(32);
        clock.advance(300);
        position(received / 32);
        clock.advance(300);
        if (position(received / 32) != 0) {
            d.code = 1260;
            ++retries;
            continue;
        }
        const int before = received;
        while (remaining != 0) {
            if (write('p') != 0) {
                m.close();
                d.code = 1261;
                ++retries;
                break;
            }
            if (read(36) != 0) {
                d.code = 1263;
                ++retries;
                break;
            }
            retries = 0;
            remaining -= 32;
            received += 32;
            append();
        }
        if (d.code == 0) write('q');
        if (received == before) ++idlePasses;
    }
    m.close();
    return d;
}

// The clock bytes tick while a slow download runs; everything else must match exactly.
void expectSameImage(const Bytes& got, const Bytes& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        if (i >= size_t(MeterMemory::ClockSeconds) && i <= size_t(MeterMemory::ClockYear)) continue;
        ASSERT_EQ(got[i], want[i]) << "byte " << i;
    }
}
} // namespace

TEST_F(MeterTest, DownloadRoundTripsTheWholeImageExactly) {
    meter.close();
    const Bytes want = meter.loggerImage();
    const Download d = readMemory(meter, clock);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d.image, want); // no delays: even the clock bytes are the same
    EXPECT_EQ(d.waits1000, 0);
    EXPECT_EQ(want.size() % 32, 0u);
    EXPECT_GE(int(want.size()), meter.config().lastUsed + 1);
    EXPECT_LT(int(want.size()), meter.config().lastUsed + 1 + 32);
    // The data sets read back from the downloaded bytes are the meter's own.
    const auto sets = readLoggerRecords(d.image);
    const auto original = defaultLoggerDataSets();
    ASSERT_EQ(sets.size(), original.size());
    for (size_t k = 0; k < sets.size(); ++k) {
        EXPECT_EQ(sets[k].start, original[k].start);
        EXPECT_EQ(sets[k].samples.size(), original[k].samples.size());
    }
    const std::string letters = meter.lettersReceived();
    EXPECT_EQ(letters.front(), 'P');
    EXPECT_EQ(letters.back(), 'q');
    EXPECT_EQ(std::count(letters.begin(), letters.end(), 'p'), long(want.size() / 32 - 1));
}

TEST_F(MeterTest, MemoryRepliesEchoTheBlockCarryTheChecksumAndStatus5) {
    auto r = ask(frame('P', 0x00, 0x01), 36);
    ASSERT_TRUE(r);
    EXPECT_EQ(getU16(*r, 32), 1u);
    EXPECT_EQ((*r)[35], 5);
    r = ask('p', 36);
    ASSERT_TRUE(r);
    EXPECT_EQ(getU16(*r, 32), 2u);
    uint8_t sum = 0;
    for (int i = 0; i < 32; ++i)
        sum = uint8_t(sum + (*r)[size_t(i)]);
    EXPECT_EQ((*r)[34], sum);
    EXPECT_TRUE(std::equal(r->begin(), r->begin() + 32, meter.memory().begin() + 32));
    // Positioning at block n: the reply echoes n and the next 'p' delivers offset n x 32.
    r = ask(frame('P', 0x01, 0x02), 36);
    ASSERT_TRUE(r);
    EXPECT_EQ((*r)[32], 0x01);
    EXPECT_EQ((*r)[33], 0x02);
    r = ask('p', 36);
    ASSERT_TRUE(r);
    EXPECT_TRUE(std::equal(r->begin(), r->begin() + 32, meter.memory().begin() + 0x102 * 32));
    // 'r' steps back: the next 'p' repeats that block.
    ASSERT_TRUE(ask('r', 36));
    auto again = ask('p', 36);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *r);
    // 'q' and 'Q' have no reply.
    EXPECT_FALSE(ask('q', 36));
    EXPECT_FALSE(ask('Q', 36));
}

TEST_F(MeterTest, DroppedBlocksAreFetchedAgainWithoutChangingTheResult) {
    meter.close();
    const Bytes want = meter.loggerImage();
    meter.faultNextReply(Fault::Drop, 1, 'p', 10); // one block of the main pass
    Download d = readMemory(meter, clock);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d.waits1000, 1);
    expectSameImage(d.image, want);
    const std::string letters = meter.lettersReceived();
    EXPECT_EQ(std::count(letters.begin(), letters.end(), 'r'), 1);

    // Every 20th block lost.
    meter.clearLog();
    for (int k = 20; k < int(want.size() / 32); k += 20)
        meter.faultNextReply(Fault::Drop, 1, 'p', k);
    d = readMemory(meter, clock);
    ASSERT_EQ(d.code, 0);
    EXPECT_GT(d.waits1000, 5);
    expectSameImage(d.image, want);
}

struct DownloadFaultCase {
    const char* name;
    std::function<void(VirtualMeter&)> arrange;
    int code;
};

class DownloadFault : public MeterTest, public testing::WithParamInterface<DownloadFaultCase> {};

TEST_P(DownloadFault, ReachesItsCode) {
    meter.close();
    GetParam().arrange(meter);
    EXPECT_EQ(readMemory(meter, clock).code, GetParam().code);
}

// The main pass ends early when a block and then the 'r' reply after it are lost.
void breakMainPass(VirtualMeter& m) {
    m.faultNextReply(Fault::Drop, 1, 'p', 1);
    m.faultNextReply(Fault::Drop, 1, 'r');
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DownloadFault,
    testing::Values(
        DownloadFaultCase{"open_1002", [](VirtualMeter& m) { m.failNext(Op::Open); }, 1002},
        DownloadFaultCase{"timeouts_1003", [](VirtualMeter& m) { m.failNext(Op::SetTimeouts); },
                          1003},
        DownloadFaultCase{"write_P_1004",
                          [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'P'); }, 1004},
        DownloadFaultCase{"read_P_1005", [](VirtualMeter& m) { m.failNext(Op::ReadReply, 1, 'P'); },
                          1005},
        DownloadFaultCase{"status_1006",
                          [](VirtualMeter& m) { m.faultNextReply(Fault::BadStatus, 1, 'P'); },
                          1006},
        DownloadFaultCase{"write_first_p_123",
                          [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'p'); }, 123},
        DownloadFaultCase{"read_first_p_123",
                          [](VirtualMeter& m) { m.faultNextReply(Fault::Drop, 1, 'p'); }, 123},
        DownloadFaultCase{"checksum_177",
                          [](VirtualMeter& m) { m.faultNextReply(Fault::BadChecksum, 1, 'p'); },
                          177},
        DownloadFaultCase{"write_q_125",
                          [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'q'); }, 125},
        DownloadFaultCase{"reposition_1260",
                          [](VirtualMeter& m) {
                              breakMainPass(m);
                              m.faultNextReply(Fault::Drop, 10, 'P', 1);
                          },
                          1260},
        DownloadFaultCase{"retry_write_p_1261",
                          [](VirtualMeter& m) {
                              breakMainPass(m);
                              m.failNext(Op::WriteCommand, 5, 'p', 2);
                          },
                          1261},
        DownloadFaultCase{"retry_read_p_1263",
                          [](VirtualMeter& m) {
                              breakMainPass(m);
                              m.faultNextReply(Fault::Drop, 5, 'p', 2);
                          },
                          1263},
        DownloadFaultCase{"retry_recovers_0",
                          [](VirtualMeter& m) {
                              breakMainPass(m);
                              m.faultNextReply(Fault::Drop, 4, 'p', 2);
                          },
                          0},
        DownloadFaultCase{"echo_1007_then_recovers",
                          [](VirtualMeter& m) {
                              breakMainPass(m);
                              m.faultNextReply(Fault::BadEcho, 1, 'P', 2);
                          },
                          0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Logger contents ----------------------------------------------------------------------------

TEST(MeterMemory, DefaultContentsExerciseTheDecoderRules) {
    const auto sets = defaultLoggerDataSets();
    bool zero = false, one = false, thousands = false, celsius = false, fahrenheit = false;
    bool negative = false, overRange = false, noHumidity = false, longest = false;
    for (const auto& s : sets) {
        zero |= s.samples.empty();
        one |= s.samples.size() == 1;
        thousands |= s.samples.size() >= 1000;
        celsius |= s.unit == 0;
        fahrenheit |= s.unit != 0;
        negative |= s.co2Offset < 0 && s.rhOffset < 0 && s.temperatureOffset < 0;
        longest |= s.intervalMinutes == 0x60 && s.intervalSeconds == 0x60;
        EXPECT_TRUE(s.startTime().isValid());
        for (const auto& x : s.samples) {
            overRange |= x.co2 > 40000;
            noHumidity |= x.humidity == 0xFFFF;
        }
    }
    EXPECT_TRUE(zero && one && thousands && celsius && fahrenheit);
    EXPECT_TRUE(negative && overRange && noHumidity && longest);
}

TEST(MeterMemory, RecordsAreLaidOutBackToBackFrom2816) {
    LoggedDataSet a, b;
    a.setStart(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58)));
    a.setInterval(1, 30);
    a.unit = 1;
    a.co2Offset = -400;
    a.rhOffset = -3;
    a.temperatureOffset = 90;
    a.samples = {{401.875f, 250, 500}, {45000.0f, 0xFFFF, 0xFFFF}, {0.0f, 0, 0}};
    b.samples = {}; // an empty set is 20 bytes
    const Bytes image = buildMemoryImage({a, b, a});
    const int end = 2816 + 44 + 20 + 44 - 1;
    ASSERT_EQ(image.size(), size_t(end + 1));
    EXPECT_EQ(getU16(image, 36), 3u);
    EXPECT_EQ(int(getU24(image, 38)), end);
    const Bytes head(image.begin() + 2816, image.begin() + 2816 + 18);
    EXPECT_EQ(head, (Bytes{0xA5, 0x5A, 0x00, 0x24, 0x12, 0x31, 0x23, 0x59, 0x58, 0x01, 0x30, 0x01,
                           0x00, 0x03, 0xFE, 0x70, 0xFD, 0x5A}));
    const Bytes sample(image.begin() + 2834, image.begin() + 2842);
    EXPECT_EQ(sample, (Bytes{0x43, 0xC8, 0xF0, 0x00, 0x00, 0xFA, 0x01, 0xF4}));
    EXPECT_EQ(image[2816 + 42], 0x5A);
    EXPECT_EQ(image[2816 + 43], 0xA5);
    EXPECT_EQ(image[2860], 0xA5); // the empty record right behind
    EXPECT_EQ(image[2860 + 18], 0x5A);
    EXPECT_EQ(image[2860 + 19], 0xA5);
    EXPECT_EQ(image[2880], 0xA5);
    // And the records read back as written.
    const auto back = readLoggerRecords(image);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].samples.size(), 3u);
    EXPECT_EQ(back[0].co2Offset, -400);
    EXPECT_EQ(back[0].intervalTotalSeconds(), 90);
    EXPECT_TRUE(back[1].samples.empty());
    // What does not fit is refused.
    LoggedDataSet huge;
    huge.samples.resize(40000);
    EXPECT_TRUE(buildMemoryImage({huge}).empty());
}

TEST_F(MeterTest, BuiltImageIsWhatAFreshMeterHolds) {
    const Bytes image = buildMemoryImage(defaultLoggerDataSets(), meter.meterTime());
    ASSERT_EQ(int(image.size()), meter.config().lastUsed + 1);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), meter.memory().begin()));
}

TEST_F(MeterTest, LoggerImageCanBeSetDirectly) {
    LoggedDataSet one;
    one.samples = {{500.0f, 200, 400}};
    meter.setLoggerDataSets({one});
    EXPECT_EQ(meter.config().dataSetCount, 1);
    // One record of one sample ends at 2843: 2844 bytes, rounded up to whole blocks.
    EXPECT_EQ(meter.loggerImage().size(), 2848u);

    // Raw bytes: a hand-made memory whose header reads 0 makes the whole memory the image.
    Bytes raw(100, 0x00);
    meter.setMemory(raw);
    EXPECT_EQ(meter.loggerImage().size(), size_t(MeterMemory::Size));
    EXPECT_EQ(meter.memory()[99], 0x00);
    EXPECT_EQ(meter.memory()[100], 0xFF);

    // A built image put back into a meter reads back identically.
    const Bytes image = buildMemoryImage(defaultLoggerDataSets(), meter.meterTime());
    meter.setMemory(image);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), meter.memory().begin()));
    EXPECT_EQ(meter.loggerDataSets().size(), 5u);
}

// ---- Faults -------------------------------------------------------------------------------------

TEST_F(MeterTest, FailNextFailsTheNamedOperationNTimes) {
    meter.failNext(Op::WriteCommand, 2);
    EXPECT_NE(meter.writeCommand(frame('K')), 0);
    EXPECT_NE(meter.writeCommand(frame('K')), 0);
    EXPECT_EQ(meter.writeCommand(frame('K')), 0);
    EXPECT_EQ(meter.lettersReceived(), "K"); // failed writes never reached the meter

    meter.failNext(Op::Open, 1);
    EXPECT_NE(meter.open(MeterVendorId, MeterProductId), 0);
    EXPECT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    meter.failNext(Op::SetTimeouts, 1);
    EXPECT_NE(meter.setTimeouts(100, 100), 0);
    EXPECT_EQ(meter.setTimeouts(100, 100), 0);

    meter.failNext(Op::ReadReply, 1);
    EXPECT_FALSE(ask('K', 32));
    EXPECT_TRUE(ask('K', 32));

    meter.failNext(Op::WriteBlock, 1, 't');
    std::array<uint8_t, 32> block{};
    EXPECT_EQ(meter.writeBlock(block), 0); // no 't' before it: not its block
    ASSERT_EQ(meter.writeCommand(frame('t')), 0);
    EXPECT_NE(meter.writeBlock(block), 0);
}

TEST_F(MeterTest, LetterAndSkipSelectWhichCallsFail) {
    meter.failNext(Op::ReadReply, 2, 'A', 1);
    EXPECT_TRUE(ask('K', 32)); // other letters are not counted
    EXPECT_TRUE(ask('A', 64)); // skipped
    EXPECT_FALSE(ask('A', 64));
    EXPECT_TRUE(ask('K', 32));
    EXPECT_FALSE(ask('A', 64));
    EXPECT_TRUE(ask('A', 64));
    EXPECT_EQ(meter.callCount(Op::ReadReply), 6);
}

TEST_F(MeterTest, ReplyFaultsGarbleOrRemoveTheReply) {
    meter.faultNextReply(Fault::Corrupt, 1, 'A');
    auto r = ask('A', 64);
    ASSERT_TRUE(r);
    EXPECT_NE((*r)[0], 0x02);
    EXPECT_NE((*r)[63], 0x03);
    EXPECT_EQ(live()[0], 0x02);

    meter.faultNextReply(Fault::NotOk, 1, 'H');
    EXPECT_FALSE(acknowledged(frame('H')));
    EXPECT_TRUE(meter.display().hold); // the key acted; only the reply is wrong

    meter.faultNextReply(Fault::Drop, 1, 'E');
    EXPECT_FALSE(ask('E', 32));
    EXPECT_TRUE(meter.display().recording); // acted on, no reply

    meter.faultNextReply(Fault::Corrupt, 1, 'K');
    r = ask('K', 32);
    ASSERT_TRUE(r);
    EXPECT_NE((*r)[23], '5');
}

TEST_F(MeterTest, UnplugFailsEveryCallUntilPluggedBack) {
    meter.unplug();
    EXPECT_FALSE(meter.isOpen());
    EXPECT_NE(meter.open(MeterVendorId, MeterProductId), 0);
    EXPECT_NE(meter.setTimeouts(100, 100), 0);
    EXPECT_NE(meter.writeCommand(frame('K')), 0);
    Bytes r(32);
    EXPECT_NE(meter.readReply(r), 0);
    std::array<char, 32> serial;
    serial.fill('x');
    meter.readSerialString(serial);
    EXPECT_EQ(serial[0], 0);
    meter.close(); // harmless
    meter.plug();
    EXPECT_FALSE(ask('K', 32)); // still closed
    ASSERT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    EXPECT_TRUE(ask('K', 32));
}

TEST_F(MeterTest, UnplugMidExchangeLosesOnlyThatReply) {
    ASSERT_EQ(meter.writeCommand(frame('A')), 0);
    meter.unplug();
    meter.plug();
    ASSERT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    Bytes r(64);
    EXPECT_NE(meter.readReply(r), 0);
    EXPECT_TRUE(ask('A', 64));
}

TEST_F(MeterTest, UnplugAtPullsThePlugAtTheChosenCall) {
    meter.unplugAt(Op::ReadReply, 'p', 2);
    ASSERT_TRUE(ask(frame('P', 0, 1), 36));
    EXPECT_TRUE(ask('p', 36));
    EXPECT_TRUE(ask('p', 36));
    EXPECT_TRUE(meter.isPlugged());
    ASSERT_EQ(meter.writeCommand(frame('p')), 0); // the write still went out
    Bytes r(36);
    EXPECT_NE(meter.readReply(r), 0);
    EXPECT_FALSE(meter.isPlugged());
    EXPECT_NE(meter.open(MeterVendorId, MeterProductId), 0);
    meter.plug();
    ASSERT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    EXPECT_TRUE(ask('K', 32));

    // Through the download sequence: the transfer fails; the meter answers again once back.
    meter.close();
    meter.unplugAt(Op::WriteCommand, 'p', 40);
    EXPECT_EQ(readMemory(meter, clock).code, 1260); // repositioning cannot open the device
    meter.plug();
    const Download d = readMemory(meter, clock);
    EXPECT_EQ(d.code, 0);
    expectSameImage(d.image, meter.loggerImage());
}

TEST_F(MeterTest, LinkRulesOfTheDevice) {
    // Opening again while open succeeds; a closed device answers nothing.
    EXPECT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    EXPECT_NE(meter.open(0x1234, MeterProductId), 0);
    meter.close();
    EXPECT_NE(meter.writeCommand(frame('K')), 0);
    ASSERT_EQ(meter.open(MeterVendorId, MeterProductId), 0);
    // A reply shorter than the buffer is no complete reply; a longer one fills it.
    ASSERT_EQ(meter.writeCommand(frame('K')), 0);
    Bytes big(64, 0xEE);
    EXPECT_NE(meter.readReply(big), 0);
    EXPECT_TRUE(ask('A', 32));
    // A read without a command finds nothing; a new command makes an unread reply stale.
    Bytes r(32);
    EXPECT_NE(meter.readReply(r), 0);
    ASSERT_EQ(meter.writeCommand(frame('H')), 0);
    ASSERT_EQ(meter.writeCommand(frame('K')), 0);
    ASSERT_EQ(meter.readReply(r), 0);
    EXPECT_EQ(r[23], '5');
    EXPECT_NE(meter.readReply(r), 0);
    // Bytes that are no frame, and unknown letters, get no reply.
    EXPECT_FALSE(ask(std::array<uint8_t, 7>{0x00, 'K', 0, 0, 0, 0, 0x03}, 32));
    EXPECT_FALSE(ask('Z', 32));
    EXPECT_NE(meter.writeCommand(std::array<uint8_t, 3>{0x02, 'K', 0x03}), 0);
    // Every frame that reached the meter is in its log, in order.
    const auto& frames = meter.framesReceived();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames.back(), frame('Z'));
}

TEST_F(MeterTest, LatencyIsSpentOnTheClock) {
    meter.setLatency(40);
    const uint32_t t0 = clock.tickMs();
    ask('K', 32);
    ask('A', 64);
    EXPECT_EQ(clock.tickMs() - t0, 80u);
    meter.setLatency(0);
    ask('K', 32);
    EXPECT_EQ(clock.tickMs() - t0, 80u);
}

TEST_F(MeterTest, ClearFaultsRemovesPendingFaults) {
    meter.failNext(Op::ReadReply, 3);
    meter.faultNextReply(Fault::Drop, 3);
    meter.clearFaults();
    EXPECT_TRUE(ask('K', 32));
}
