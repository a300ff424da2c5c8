#include "setup/MeterInfo.h"

#include <cstdlib>

namespace {
uint8_t u8(std::span<const uint8_t> b, size_t off) {
    return off < b.size() ? b[off] : 0;
}
uint16_t u16be(std::span<const uint8_t> b, size_t off) {
    return static_cast<uint16_t>((u8(b, off) << 8) | u8(b, off + 1));
}
uint32_t u24be(std::span<const uint8_t> b, size_t off) {
    return (uint32_t(u8(b, off)) << 16) | (uint32_t(u8(b, off + 1)) << 8) | u8(b, off + 2);
}

// A value in tenths as fixed-point text with one decimal, e.g. -6 -> "-0.6".
QString tenthsText(int tenths, QChar decimalPoint) {
    const int a = std::abs(tenths);
    QString s = tenths < 0 ? QStringLiteral("-") : QString();
    return s + QString::number(a / 10) + decimalPoint + QString::number(a % 10);
}
} // namespace

std::optional<MeterInfo> decodeMeterInfo(std::span<const uint8_t> r) {
    if (r.size() < InfoReplySize) return std::nullopt;
    MeterInfo m;
    m.dataSets = u16be(r, 4);
    m.lastOffset = u24be(r, 6);
    m.intervalMinutes = u8(r, 9);
    m.intervalSeconds = u8(r, 10);
    m.version = u8(r, 15);
    m.col2000 = u16be(r, 18);
    m.col400 = u16be(r, 20);
    m.col0 = u16be(r, 22);
    m.alarmSwitch = u8(r, 29);
    m.alarmHigh = u16be(r, 30);
    m.alarmLow = u16be(r, 32);
    m.altitude = u16be(r, 38);
    m.unit = u8(r, 40);
    m.rhOffset = static_cast<int8_t>(u8(r, 41));
    m.tempOffset = static_cast<int8_t>(u8(r, 42));
    m.co2Offset = static_cast<int16_t>(u16be(r, 43));
    m.powerOff = u8(r, 48);
    m.second = u8(r, 49);
    m.minute = u8(r, 50);
    m.hour = u8(r, 51);
    m.day = u8(r, 52);
    m.month = u8(r, 53);
    m.year = u8(r, 55);
    return m;
}

int32_t memoryAvailable(uint32_t lastOffset) {
    const int64_t free = int64_t(LoggerMemoryEnd) - int64_t(lastOffset);
    return free <= 0 ? 0 : static_cast<int32_t>(free / 8);
}

QString bcdText(uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString powerOffText(uint8_t setting) {
    static const char* const texts[] = {"OFF",     "10 minutes", "30 minutes", "1 hour",
                                        "2 hours", "4 hours",    "8 hours"};
    return setting < 7 ? QString::fromLatin1(texts[setting]) : QString();
}

QString serialText(std::span<const char> buffer) {
    size_t n = 0;
    while (n < buffer.size() && buffer[n] != 0)
        ++n;
    return QString::fromLatin1(buffer.data(), static_cast<qsizetype>(n));
}

MeterInfoTexts meterInfoTexts(const MeterInfo& m, QChar dp) {
    MeterInfoTexts t;
    t.dataSets = QString::number(m.dataSets);
    t.memoryAvailable = QString::number(memoryAvailable(m.lastOffset));
    t.intervalMinutes = bcdText(m.intervalMinutes);
    t.intervalSeconds = bcdText(m.intervalSeconds);
    t.interval = t.intervalMinutes + QLatin1Char(':') + t.intervalSeconds;
    // Version x 100: the integer part and two decimals, exact.
    t.version = QString::number(m.version / 100) + dp +
                QStringLiteral("%1").arg(m.version % 100, 2, 10, QLatin1Char('0'));
    t.col2000 = QString::number(m.col2000);
    t.col400 = QString::number(m.col400);
    t.col0 = QString::number(m.col0);
    t.alarm = m.alarmOn() ? QStringLiteral("ON") : QStringLiteral("OFF");
    t.alarmItem = m.alarmOn() ? 1 : 0;
    t.alarmHigh = QString::number(m.alarmHigh);
    t.alarmLow = QString::number(m.alarmLow);
    t.altitude = QString::number(m.altitude);
    t.fahrenheit = m.fahrenheit();
    t.unit = t.fahrenheit ? QStringLiteral("F") : QStringLiteral("C");
    t.rhOffset = tenthsText(m.rhOffset, dp);
    if (t.fahrenheit) {
        t.tempOffset = tenthsText(m.tempOffset, dp);
    } else {
        // Tenths of a degree F to degrees C: value / 18, rounded to one decimal. A tie cannot
        // occur (10 * value is even, a tie would need 9 modulo 18).
        const int n = std::abs(int(m.tempOffset)) * 10;
        const int tenths = (n + 9) / 18;
        t.tempOffset = tenthsText(m.tempOffset < 0 ? -tenths : tenths, dp);
    }
    t.co2Offset = QString::number(m.co2Offset);
    if (m.powerOff < 7) t.powerOffItem = m.powerOff;
    t.sleepTime = powerOffText(m.powerOff);
    t.meterTime = bcdText(m.month) + QLatin1Char('/') + bcdText(m.day) + QStringLiteral("/20") +
                  bcdText(m.year) + QStringLiteral("   ") + bcdText(m.hour) + QLatin1Char(':') +
                  bcdText(m.minute) + QLatin1Char(':') + bcdText(m.second);
    return t;
}
