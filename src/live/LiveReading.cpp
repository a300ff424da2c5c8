#include "live/LiveReading.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace {

uint8_t byteAt(std::span<const uint8_t> b, size_t i) {
    return i < b.size() ? b[i] : 0;
}

float floatAt(std::span<const uint8_t> b, size_t i) {
    const uint32_t bits = uint32_t(byteAt(b, i)) << 24 | uint32_t(byteAt(b, i + 1)) << 16 |
                          uint32_t(byteAt(b, i + 2)) << 8 | uint32_t(byteAt(b, i + 3));
    return std::bit_cast<float>(bits);
}

int16_t int16At(std::span<const uint8_t> b, size_t i) {
    return static_cast<int16_t>(uint16_t(byteAt(b, i)) << 8 | byteAt(b, i + 1));
}

// A float field, or NoValue when both marker bytes are 0xFF.
float fieldAt(std::span<const uint8_t> b, size_t first, size_t markerA, size_t markerB) {
    if (byteAt(b, markerA) == 0xFF && byteAt(b, markerB) == 0xFF) return NoValue;
    return floatAt(b, first);
}

bool isMarked(std::span<const uint8_t> b, size_t markerA, size_t markerB) {
    return byteAt(b, markerA) == 0xFF && byteAt(b, markerB) == 0xFF;
}

// Out of range or not a number reads as 0.
float clamp(float v) {
    if (std::isnan(v) || v > 999999.0f || v < 0.0f) return 0.0f;
    return v;
}

// Rounds a double to single precision without leaving the float range undefined.
float toFloat(double d) {
    if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
    if (d > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (d < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

float toFahrenheit(float c) {
    return toFloat(double(c) * 1.8 + 32.0);
}

// Only ever called with clamped values (0..999999, or that times 1.8 plus 32), so the
// result fits an int32.
int32_t truncCount(double v) {
    return static_cast<int32_t>(std::trunc(v));
}

// Tenths of a single-precision value. The product is rounded back to single precision first:
// the meter sends 45.3 as 45.2999992..., and its display reads 45.3, not 45.2.
int32_t tenths(float v) {
    return truncCount(toFloat(double(v) * 10.0));
}

} // namespace

bool isValidLiveReply(std::span<const uint8_t> reply) {
    return reply.size() >= LiveReplySize && reply[0] == 0x02 && reply[63] == 0x03;
}

bool decodeLiveReply(std::span<const uint8_t> b, LiveReading& r) {
    if (!isValidLiveReply(b)) return false;

    const uint8_t battery = b[1];
    r.batteryReported = battery & 0x0F;
    if (battery & 0x04)
        r.batteryLevel = 3;
    else if (battery & 0x02)
        r.batteryLevel = 2;
    else if (battery & 0x01)
        r.batteryLevel = 1;
    else if (battery & 0x08)
        r.batteryLevel = 0;

    r.fahrenheit = b[2] & 0x01;
    const uint8_t s = b[3];
    r.alarm = s & 0x01;
    r.alarmHigh = s & 0x02;
    r.alarmLow = s & 0x04;
    r.memoryFull = s & 0x10;
    // While the memory is full the meter blinks REC; that bit says nothing about recording.
    if (!r.memoryFull) r.meterRecording = s & 0x08;
    r.hold = s & 0x20;
    r.modeBlink = s & 0x40;
    const uint8_t m = b[4];
    r.showMin = m & 0x01;
    r.showMax = m & 0x02;
    r.showStel = m & 0x04;
    r.showTwa = m & 0x08;
    r.allModes = m & 0x10;
    r.co2Dashes = b[5] & 0x03;
    const uint8_t over = b[6];
    r.OverRangeFlags = over;

    r.co2Ppm = truncCount(clamp(fieldAt(b, 9, 11, 12)));

    float t = toFloat(int16At(b, 13) * 0.1);
    if (r.fahrenheit) t = toFahrenheit(t);
    r.temperature = t;

    float co2 = clamp(fieldAt(b, 21, 21, 24));
    if (over & OverCo2) co2 = NoValue;
    r.co2Shown = truncCount(co2);

    float rh = clamp(fieldAt(b, 29, 29, 32));
    if (over & OverRh) rh = NoValue;
    r.humidity = rh;
    r.humidityShown = tenths(rh);

    float ts = fieldAt(b, 25, 25, 28);
    if (!isMarked(b, 25, 28) && r.fahrenheit) ts = toFahrenheit(ts);
    ts = clamp(ts);
    if (over & (OverTemp | UnderTemp)) ts = NoValue;
    r.temperatureShown = tenths(ts);

    float co2h = clamp(fieldAt(b, 41, 41, 44));
    if (over & OverCo2) co2h = NoValue;
    r.co2Held = truncCount(co2h);

    r.humidityHeldNoValue = isMarked(b, 49, 52);
    r.humidityHeld = tenths(clamp(fieldAt(b, 49, 49, 52)));

    r.temperatureHeldNoValue = isMarked(b, 45, 48);
    const float th = clamp(fieldAt(b, 45, 45, 48));
    r.temperatureHeld = tenths(th);
    const float thF = r.fahrenheit ? th : toFahrenheit(th);
    r.temperatureHeldForRangeTest = tenths(thF);
    return true;
}
