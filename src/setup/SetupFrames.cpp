#include "setup/SetupFrames.h"

#include <cmath>
#include <limits>

namespace {
void setLetter(Frame& f, char letter) {
    f[0] = 0x02;
    f[1] = static_cast<uint8_t>(letter);
    f[6] = 0x03;
}

uint8_t hi(uint16_t v) {
    return static_cast<uint8_t>(v >> 8);
}
uint8_t lo(uint16_t v) {
    return static_cast<uint8_t>(v & 0xFF);
}

// value x factor, rounded to a 32-bit float, truncated toward zero, as a two's complement byte.
uint8_t tenthsByte(float value, double factor) {
    const float product = static_cast<float>(static_cast<double>(value) * factor);
    const int raw = static_cast<int>(std::trunc(product));
    return static_cast<uint8_t>(raw & 0xFF);
}
} // namespace

uint8_t bcdByte(int v) {
    v = v < 0 ? 0 : (v > 99 ? 99 : v);
    return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

void buildInfoFrame(Frame& f) {
    setLetter(f, 'X');
    f[2] = 0x00;
    f[3] = 0x00;
}

void buildClockFrame(Frame& f) {
    setLetter(f, 't');
    f[2] = 0x00;
    f[3] = 0x00;
}

void buildEraseFrame(Frame& f) {
    setLetter(f, 'e');
    f[2] = 0x00;
    f[3] = 0x00;
}

void buildIntervalFrame(Frame& f, uint8_t minutesBcd, uint8_t secondsBcd) {
    setLetter(f, 'I');
    f[2] = minutesBcd;
    f[3] = secondsBcd;
}

void buildWriteByteFrame(Frame& f, int32_t address, uint8_t value) {
    const uint32_t a = static_cast<uint32_t>(address);
    setLetter(f, 'W');
    f[2] = static_cast<uint8_t>((a >> 16) & 0xFF);
    f[3] = static_cast<uint8_t>((a >> 8) & 0xFF);
    f[4] = static_cast<uint8_t>(a & 0xFF);
    f[5] = value;
}

void buildCo2OffsetFrame(Frame& f, int16_t offset) {
    const auto v = static_cast<uint16_t>(offset);
    setLetter(f, 'D');
    f[2] = hi(v);
    f[3] = lo(v);
    f[4] = 0x00;
    f[5] = 0x00;
}

void buildAltitudeFrame(Frame& f, uint16_t metres) {
    setLetter(f, 'L');
    f[2] = hi(metres);
    f[3] = lo(metres);
    f[4] = 0x00;
    f[5] = 0x00;
}

void buildAlarmFrame(Frame& f, std::optional<AlarmLimits> limits) {
    setLetter(f, 'F');
    if (limits) {
        f[2] = hi(limits->high);
        f[3] = lo(limits->high);
        f[4] = hi(limits->low);
        f[5] = lo(limits->low);
    } else {
        f[2] = f[3] = f[4] = f[5] = 0xFF;
    }
}

void fillClockBlock(std::span<uint8_t> block, const QDateTime& now) {
    if (block.size() < 11) return;
    const QTime t = now.time();
    const QDate d = now.date();
    block[0] = bcdByte(t.second());
    block[1] = bcdByte(t.minute());
    block[2] = bcdByte(t.hour());
    block[3] = bcdByte(d.day());
    block[4] = bcdByte(d.month());
    block[6] = bcdByte(((d.year() % 100) + 100) % 100);
    block[7] = 0x00;
    block[8] = 'r';
    block[9] = 't';
    block[10] = 'c';
}

bool isAcknowledged(std::span<const uint8_t> reply) {
    return reply.size() >= 4 && reply[2] == 'O' && reply[3] == 'K';
}

std::optional<int32_t> parseInteger(const QString& text) {
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    if (i == s.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<float> parseFloat(const QString& text, QChar decimalPoint) {
    QString s = text.trimmed();
    if (decimalPoint != QLatin1Char('.')) s.replace(decimalPoint, QLatin1Char('.'));
    // Digits, one optional point and an optional exponent; nothing else (no "inf", no groups).
    bool digits = false;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
    for (; i < s.size() && s[i].isDigit(); ++i)
        digits = true;
    if (i < s.size() && s[i] == QLatin1Char('.'))
        for (++i; i < s.size() && s[i].isDigit(); ++i)
            digits = true;
    if (!digits) return std::nullopt;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
        const qsizetype start = i;
        while (i < s.size() && s[i].isDigit())
            ++i;
        if (i == start) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    bool ok = false;
    const double d = s.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    const float f = static_cast<float>(d);
    if (!std::isfinite(f)) return std::nullopt;
    return f;
}

Checked<IntervalBcd> checkInterval(const QString& minutes, const QString& seconds) {
    const auto m = parseInteger(minutes);
    const auto s = parseInteger(seconds);
    // Negative fields are refused too: they have no BCD form.
    if (!m || !s || *m > 60 || *s > 60 || *m < 0 || *s < 0 || (*m == 0 && *s == 0))
        return {std::nullopt, SetupText::InvalidInput};
    return {IntervalBcd{bcdByte(*m), bcdByte(*s)}, {}};
}

Checked<uint8_t> checkRhOffset(const QString& text, QChar decimalPoint) {
    const auto v = parseFloat(text, decimalPoint);
    if (!v || *v > 10.0f || *v < -10.0f) return {std::nullopt, SetupText::RhRange};
    return {tenthsByte(*v, 10.0), {}};
}

Checked<uint8_t> checkTempOffset(const QString& text, bool fahrenheit, QChar decimalPoint) {
    const auto v = parseFloat(text, decimalPoint);
    if (fahrenheit) {
        if (!v || *v > 9.0f || *v < -9.0f) return {std::nullopt, SetupText::TempRangeF};
        return {tenthsByte(*v, 10.0), {}};
    }
    if (!v || *v > 5.0f || *v < -5.0f) return {std::nullopt, SetupText::TempRangeC};
    return {tenthsByte(*v, 18.0), {}};
}

Co2Check checkCo2Offset(const QString& text) {
    Co2Check c;
    const auto v = parseInteger(text);
    if (!v) {
        c.message = SetupText::Co2Range;
        c.notInteger = true;
        return c;
    }
    // The range is checked on the number typed, not on its low 16 bits, so 65136 is refused
    // rather than sent as -400.
    if (*v < -400 || *v > 400) {
        c.message = SetupText::Co2Range;
        return c;
    }
    c.value = static_cast<int16_t>(*v);
    return c;
}

Checked<uint16_t> checkAltitude(const QString& text) {
    const auto v = parseInteger(text);
    if (!v || *v < 0 || *v > 3000) return {std::nullopt, SetupText::AltitudeRange};
    return {static_cast<uint16_t>(*v), {}};
}

AlarmCheck checkAlarm(const QString& high, const QString& low) {
    AlarmCheck c;
    auto h = parseInteger(high);
    auto l = parseInteger(low);
    if (!h || !l) {
        c.message = SetupText::AlarmRange;
        return c;
    }
    if (*l > *h) {
        std::swap(h, l);
        c.swapped = true;
    }
    if (*h < 0 || *h > 40000 || *l < 0 || *l > 40000) {
        c.message = SetupText::AlarmRange;
        return c;
    }
    c.value = AlarmLimits{static_cast<uint16_t>(*h), static_cast<uint16_t>(*l)};
    return c;
}
