#include "realtime/RealTimeCore.h"

#include "app/NumberText.h"

#include <algorithm>

namespace RealTime {

RateLists rateLists(int rate) {
    const int top = ListEntries - 1;
    rate = std::clamp(rate, 0, rateFromLists(top, top));
    const int minutes = std::min(rate / 60, top);
    return {minutes, rate - minutes * 60};
}

QString periodTextPlain(int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60)
        .arg(seconds % 60);
}

QString periodTextPadded(int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

std::optional<int> parseCount(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return n;
}

float plotPpm(int32_t ppm, uint8_t flags) {
    return (flags & PpmOver) ? OverRangeY : static_cast<float>(ppm);
}

float plotRh(float rh, uint8_t flags) {
    return (flags & RhOver) ? OverRangeY : rh;
}

float plotTemp(float temp, uint8_t flags) {
    return (flags & (TempOver | TempUnder)) ? OverRangeY : temp;
}

double extendedXMax(double currentMax, double t, double stepDays) {
    // "not at least t" also catches a NaN maximum.
    return currentMax >= t ? currentMax : t + stepDays;
}

QString ppmText(double value) {
    return NumberText::fixed(value, 0);
}

QString oneDecimalText(double value) {
    return NumberText::fixed(value, 1);
}

ExtremeTexts updateExtremes(Extremes& e, const Sample& s, const QString& dateTimeText) {
    ExtremeTexts out;
    const QString at = QStringLiteral("@") + dateTimeText;
    // A new maximum or minimum of quantity k takes the value and its box text.
    auto track = [&](size_t k, float value, const QString& box) {
        if (value > e.max[k]) {
            e.max[k] = value;
            out.max[k] = box;
        }
        if (value < e.min[k]) {
            e.min[k] = value;
            out.min[k] = box;
        }
    };
    track(0, static_cast<float>(s.ppm),
          (s.flags & PpmOver) ? QStringLiteral("OL") : QString::number(s.ppm) + at);
    track(1, s.rh, (s.flags & RhOver) ? QStringLiteral("OL") : oneDecimalText(s.rh) + at);
    track(2, s.temp,
          (s.flags & TempOver)    ? QStringLiteral("OL")
          : (s.flags & TempUnder) ? QStringLiteral("-OL")
                                  : oneDecimalText(s.temp) + at);
    return out;
}

std::optional<double> average(std::span<const float> values) {
    double sum = 0;
    int64_t n = 0;
    for (float v : values) {
        if (v > AverageLow && v < AverageHigh) {
            sum += v;
            ++n;
        }
    }
    if (n == 0) return std::nullopt;
    return sum / static_cast<double>(n);
}

QString averageText(std::optional<double> avg) {
    return avg ? oneDecimalText(*avg) : QStringLiteral("****");
}

} // namespace RealTime
