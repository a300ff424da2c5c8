#include "link/virtual/MeterMemory.h"

#include <algorithm>
#include <bit>
#include <cmath>

using namespace MeterMemory;

uint8_t toBcd(int value) {
    value = std::clamp(value, 0, 99);
    return uint8_t((value / 10) << 4 | (value % 10));
}

int fromBcd(uint8_t byte) {
    const int hi = byte >> 4, lo = byte & 0x0F;
    if (hi > 9 || lo > 9) return -1;
    return hi * 10 + lo;
}

void putFloat(std::span<uint8_t> m, int at, float v) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    m[at] = uint8_t(bits >> 24);
    m[at + 1] = uint8_t(bits >> 16);
    m[at + 2] = uint8_t(bits >> 8);
    m[at + 3] = uint8_t(bits);
}

float getFloat(std::span<const uint8_t> m, int at) {
    const uint32_t bits = uint32_t(m[at]) << 24 | uint32_t(m[at + 1]) << 16 |
                          uint32_t(m[at + 2]) << 8 | uint32_t(m[at + 3]);
    return std::bit_cast<float>(bits);
}

void LoggedDataSet::setStart(const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    start = {toBcd(d.year() - 2000), toBcd(d.month()),   toBcd(d.day()),
             toBcd(tm.hour()),       toBcd(tm.minute()), toBcd(tm.second())};
}

QDateTime LoggedDataSet::startTime() const {
    int f[6];
    for (int i = 0; i < 6; ++i) {
        f[i] = fromBcd(start[i]);
        if (f[i] < 0) return {};
    }
    const QDate d(2000 + f[0], f[1], f[2]);
    const QTime t(f[3], f[4], f[5]);
    if (!d.isValid() || !t.isValid()) return {};
    return QDateTime(d, t);
}

void LoggedDataSet::setInterval(int minutes, int seconds) {
    intervalMinutes = toBcd(minutes);
    intervalSeconds = toBcd(seconds);
}

int LoggedDataSet::intervalTotalSeconds() const {
    // Nibbles are read as digits even when they are not BCD, as the program does.
    int m = (intervalMinutes >> 4) * 10 + (intervalMinutes & 0x0F);
    int s = (intervalSeconds >> 4) * 10 + (intervalSeconds & 0x0F);
    if (m > 60) m = 0;
    if (s > 60) s = 2;
    if (m == 0 && s == 0) s = 2;
    return m * 60 + s;
}

void writeLoggerRecord(std::span<uint8_t> m, int b, const LoggedDataSet& set) {
    const int n = int(set.samples.size());
    m[b] = 0xA5;
    m[b + 1] = 0x5A;
    m[b + 2] = 0x00;
    for (int i = 0; i < 6; ++i)
        m[b + 3 + i] = set.start[i];
    m[b + 9] = set.intervalMinutes;
    m[b + 10] = set.intervalSeconds;
    m[b + 11] = set.unit;
    putU16(m, b + 12, unsigned(n));
    putU16(m, b + 14, uint16_t(set.co2Offset));
    m[b + 16] = uint8_t(set.rhOffset);
    m[b + 17] = uint8_t(set.temperatureOffset);
    int p = b + 18;
    for (const LoggedSample& s : set.samples) {
        putFloat(m, p, s.co2);
        putU16(m, p + 4, s.temperature);
        putU16(m, p + 6, s.humidity);
        p += SampleSize;
    }
    m[p] = 0x5A;
    m[p + 1] = 0xA5;
}

bool writeLoggerRecords(std::span<uint8_t> m, const std::vector<LoggedDataSet>& sets) {
    if (int(m.size()) < Size) return false;
    int64_t total = 0;
    for (const auto& s : sets) {
        if (s.samples.size() > 0xFFFF) return false;
        total += s.recordSize();
    }
    if (sets.size() > 0xFFFF || LoggerStart + total - 1 > LoggerEnd) return false;
    int b = LoggerStart;
    for (const auto& s : sets) {
        writeLoggerRecord(m, b, s);
        b += s.recordSize();
    }
    std::fill(m.begin() + b, m.begin() + Size, uint8_t(0xFF));
    putU16(m, DataSetCount, unsigned(sets.size()));
    putU24(m, LastUsed, unsigned(b - 1));
    return true;
}

std::vector<LoggedDataSet> readLoggerRecords(std::span<const uint8_t> m) {
    std::vector<LoggedDataSet> sets;
    if (int(m.size()) < LoggerStart) return sets;
    const int count = int(getU16(m, DataSetCount));
    const int limit = std::min<int>(int(m.size()), LoggerEnd + 1);
    int b = LoggerStart;
    for (int k = 0; k < count && b + RecordOverhead <= limit; ++k) {
        LoggedDataSet s;
        for (int i = 0; i < 6; ++i)
            s.start[i] = m[b + 3 + i];
        s.intervalMinutes = m[b + 9];
        s.intervalSeconds = m[b + 10];
        s.unit = m[b + 11];
        int n = int(getU16(m, b + 12));
        s.co2Offset = int16_t(getU16(m, b + 14));
        s.rhOffset = int8_t(m[b + 16]);
        s.temperatureOffset = int8_t(m[b + 17]);
        n = std::min(n, (limit - b - RecordOverhead) / SampleSize);
        s.samples.resize(size_t(n));
        for (int j = 0; j < n; ++j) {
            const int p = b + 18 + j * SampleSize;
            s.samples[size_t(j)] = {getFloat(m, p), uint16_t(getU16(m, p + 4)),
                                    uint16_t(getU16(m, p + 6))};
        }
        sets.push_back(std::move(s));
        b += RecordOverhead + n * SampleSize;
    }
    return sets;
}

void writeClock(std::span<uint8_t> m, const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    m[ClockSeconds] = toBcd(tm.second());
    m[ClockSeconds + 1] = toBcd(tm.minute());
    m[ClockSeconds + 2] = toBcd(tm.hour());
    m[ClockSeconds + 3] = toBcd(d.day());
    m[ClockSeconds + 4] = toBcd(d.month());
    m[ClockSeconds + 5] = toBcd(d.dayOfWeek());
    m[ClockYear] = toBcd(d.year() % 100);
}

void writeFactoryConfiguration(std::span<uint8_t> m, const QDateTime& clock) {
    std::fill(m.begin(), m.begin() + LoggerStart, uint8_t(0x00));
    const char model[] = "Q7320 CO2 LOGGER";
    std::copy(model, model + sizeof model - 1, m.begin() + 2);
    m[IntervalMinutes] = 0x00;
    m[IntervalSeconds] = 0x10;
    m[Firmware] = 123;
    putU16(m, Col2000, 2874);
    putU16(m, Col400, 1213);
    putU16(m, Col0, 311);
    m[AlarmSwitch] = 0;
    putU16(m, AlarmHigh, 1000);
    putU16(m, AlarmLow, 800);
    putU16(m, Altitude, 0);
    m[TemperatureUnit] = 0;
    m[RhOffset] = 0;
    m[TemperatureOffset] = 0;
    putU16(m, Co2Offset, 0);
    m[PowerOff] = 1;
    writeClock(m, clock);
}

namespace {
// Small deterministic noise source, so the contents are the same on every run.
struct Noise {
    uint32_t state;
    double next() { // -1 .. 1
        state = state * 1664525u + 1013904223u;
        return (double(state >> 8) / double(1u << 24)) * 2.0 - 1.0;
    }
};

LoggedSample indoorSample(double minutes, Noise& noise) {
    const double pi = 3.14159265358979;
    LoggedSample s;
    s.co2 = float(
        std::round((720 + 260 * std::sin(2 * pi * minutes / 240) + 35 * noise.next()) * 8) / 8);
    s.temperature = uint16_t(
        std::lround(10 * (22.4 + 1.6 * std::sin(2 * pi * minutes / 600 + 1) + 0.1 * noise.next())));
    s.humidity = uint16_t(
        std::lround(10 * (46 + 7 * std::sin(2 * pi * minutes / 480 + 2) + 0.4 * noise.next())));
    return s;
}

LoggedDataSet makeSet(QDateTime start, int minutes, int seconds, uint8_t unit, int16_t co2Off,
                      int8_t rhOff, int8_t tOff, int n, uint32_t seed) {
    LoggedDataSet s;
    s.setStart(start);
    s.setInterval(minutes, seconds);
    s.unit = unit;
    s.co2Offset = co2Off;
    s.rhOffset = rhOff;
    s.temperatureOffset = tOff;
    Noise noise{seed};
    const double step = s.intervalTotalSeconds() / 60.0;
    for (int j = 0; j < n; ++j)
        s.samples.push_back(indoorSample(j * step, noise));
    return s;
}
} // namespace

std::vector<LoggedDataSet> defaultLoggerDataSets() {
    std::vector<LoggedDataSet> sets;
    sets.push_back(
        makeSet(QDateTime(QDate(2026, 3, 10), QTime(8, 0, 0)), 0, 2, 0, 0, 0, 0, 120, 1));
    sets.push_back(
        makeSet(QDateTime(QDate(2026, 3, 11), QTime(13, 45, 30)), 1, 30, 1, -25, -15, -9, 1, 2));
    sets.push_back(makeSet(QDateTime(QDate(2026, 3, 12), QTime(9, 0, 0)), 0, 10, 0, 0, 0, 0, 0, 3));
    LoggedDataSet big =
        makeSet(QDateTime(QDate(2026, 3, 12), QTime(9, 5, 0)), 0, 30, 0, 50, 5, 3, 3000, 4);
    big.samples[100].co2 = 45000.0f;
    big.samples[200].humidity = 0xFFFF;
    sets.push_back(std::move(big));
    sets.push_back(
        makeSet(QDateTime(QDate(2026, 3, 13), QTime(0, 0, 0)), 60, 60, 1, -400, -100, -90, 48, 5));
    return sets;
}

std::vector<uint8_t> buildMemoryImage(const std::vector<LoggedDataSet>& sets,
                                      const QDateTime& clock) {
    std::vector<uint8_t> m(Size, 0xFF);
    writeFactoryConfiguration(m, clock);
    if (!writeLoggerRecords(m, sets)) return {};
    m.resize(getU24(m, LastUsed) + 1);
    return m;
}
