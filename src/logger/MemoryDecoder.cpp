#include "logger/MemoryDecoder.h"

#include "app/DateTimeText.h"

#include <cmath>
#include <cstring>

namespace {
constexpr size_t RecordHeaderSize = 18; // markers, date, interval, unit, count, offsets
constexpr size_t SampleSize = 8;

// Bounds-checked big-endian reads; callers check the range first, these guard it again.
uint8_t byteAt(std::span<const uint8_t> s, size_t off) {
    return off < s.size() ? s[off] : 0;
}

uint16_t readU16be(std::span<const uint8_t> s, size_t off) {
    return static_cast<uint16_t>(byteAt(s, off) << 8 | byteAt(s, off + 1));
}

float readF32be(std::span<const uint8_t> s, size_t off) {
    const uint32_t bits = uint32_t(byteAt(s, off)) << 24 | uint32_t(byteAt(s, off + 1)) << 16 |
                          uint32_t(byteAt(s, off + 2)) << 8 | uint32_t(byteAt(s, off + 3));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// A BCD byte as the two-digit number it shows, or -1 when a nibble is not a decimal digit.
int bcd(uint8_t b) {
    const int hi = b >> 4, lo = b & 0x0F;
    if (hi > 9 || lo > 9) return -1;
    return hi * 10 + lo;
}

// Interval parts are read nibble by nibble without checking the digits; range limits follow.
int nibbles(uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

double startTimeOf(std::span<const uint8_t> r, const QDateTime& now) {
    const QDate today = now.date();
    const QTime clock = now.time();
    auto field = [&](int i, int fallback) {
        const int v = bcd(r[i]);
        return v < 0 ? fallback : v;
    };
    const int year = bcd(r[3]) < 0 ? today.year() : bcd(r[3]) + 2000;
    const int month = field(4, today.month());
    const int day = field(5, today.day());
    const int hour = field(6, clock.hour()); // like the other fields: the current hour
    const int minute = field(7, clock.minute());
    const int second = field(8, clock.second());
    const QDate d(year, month, day);
    const QTime t(hour, minute, second, 0);
    if (!d.isValid() || !t.isValid()) return DateTimeText::toDays(now);
    return DateTimeText::toDays(QDateTime(d, t));
}

int intervalOf(std::span<const uint8_t> r) {
    int minutes = nibbles(r[9]);
    if (minutes > 60) minutes = 0;
    int seconds = nibbles(r[10]);
    if (seconds > 60) seconds = 2;
    if (minutes == 0 && seconds == 0) seconds = 2;
    return minutes * 60 + seconds;
}

float co2Of(float v) {
    if (v > 999999.0f) return 0.0f;
    if (!(v >= 0.0f)) return 0.0f; // negative or not a number
    if (v > 40000.0f) return Co2OverRange;
    return std::trunc(v);
}
} // namespace

int DecodeMemory(std::span<const uint8_t> image, DataSetStore& store, const QDateTime& now) {
    // An image too short to hold the set count holds no data set.
    if (image.size() < 38) return DecodeNoData;
    const int count = readU16be(image, 36);
    if (count == 0) return DecodeNoData;
    if (count > MaxDataSets) return DecodeTooManySets;

    DataSetStore fresh;
    size_t totalSamples = 0;
    size_t b = FirstRecordOffset;
    for (int k = 0; k < count; ++k) {
        // A record whose header is not in the image ends the chain: it and the records after
        // it are dropped.
        if (b > image.size() || image.size() - b < RecordHeaderSize) break;
        const std::span<const uint8_t> r = image.subspan(b);
        size_t n = readU16be(r, 12);
        // Samples that run past the end of the image are cut off at the last whole one.
        const size_t whole = (r.size() - RecordHeaderSize) / SampleSize;
        if (n > whole) n = whole;
        const size_t end = b + 19 + SampleSize * n;

        fresh.sampleCount.push_back(static_cast<int32_t>(n));
        fresh.headerOffset.push_back(static_cast<int32_t>(b));
        fresh.endOffset.push_back(static_cast<int32_t>(end));
        fresh.rhOffset.push_back(r[16]);
        fresh.temperatureOffset.push_back(r[17]);
        fresh.co2Offset.push_back(static_cast<int16_t>(readU16be(r, 14)));
        fresh.startTime.push_back(startTimeOf(r, now));
        fresh.temperatureUnit.push_back(r[11]);
        fresh.interval.push_back(intervalOf(r));
        totalSamples += n;
        b = end + 1;
    }
    if (fresh.sampleCount.empty()) return DecodeNoData;

    // Sample pass: three entries per sample (ppm, %RH, temperature), all at the sample's time.
    fresh.values.resize(3 * totalSamples);
    fresh.times.resize(3 * totalSamples);
    float* value = fresh.values.data();
    double* time = fresh.times.data();
    for (int k = 0; k < fresh.count(); ++k) {
        const double t0 = fresh.startTime[k];
        const double step = fresh.interval[k] / DateTimeText::SecondsPerDay;
        const bool fahrenheit = fresh.temperatureUnit[k] != 0;
        size_t p = static_cast<size_t>(fresh.headerOffset[k]) + RecordHeaderSize;
        for (int j = 0; j < fresh.sampleCount[k]; ++j, p += SampleSize) {
            const double t = t0 + j * step;
            const uint16_t rawT = readU16be(image, p + 4);
            const uint16_t rawRh = readU16be(image, p + 6);
            double temperature = rawT * 0.1;
            if (fahrenheit) temperature = temperature * 1.8 + 32.0;
            *value++ = co2Of(readF32be(image, p));
            *value++ = static_cast<float>(rawRh * 0.1);
            *value++ = static_cast<float>(temperature);
            time[0] = time[1] = time[2] = t;
            time += 3;
        }
    }
    store = std::move(fresh);
    return DecodeOk;
}
