#include "graph/GraphStatistics.h"

#include "app/DateTimeText.h"

#include <algorithm>
#include <climits>
#include <QLocale>
#include <cmath>

namespace GraphStatistics {

QString valueAt(Quantity q, double value, double time) {
    return fixed(value, q == Ppm ? 0 : 1) + QLatin1Char('@') + DateTimeText::dateTime(time);
}

QString extremeText(Quantity q, double value, double time) {
    switch (q) {
    case Ppm:
        if (value > 40000) return QStringLiteral("OL");
        if (value < 0) return QStringLiteral("-OL");
        break;
    case RH:
        if (value > 6553.4) return QStringLiteral("----");
        if (value > 100 || value < 0) return QStringLiteral("OL");
        break;
    case Temp:
        if (value > 6553.4) return QStringLiteral("----");
        if (value > 140) return QStringLiteral("OL");
        if (value < -20) return QStringLiteral("-OL");
        break;
    }
    return valueAt(q, value, time);
}

QString averageText(double sum, int count) {
    if (count <= 0) return QStringLiteral("****");
    return fixed(sum / count, 1);
}

Result compute(std::span<const double> x, std::span<const float> y, int points) {
    Result r;
    r.dataNo = points;
    const size_t n = points > 0 ? size_t(points) : 0;
    if (n > 0 && x.size() >= n) {
        const double first = x[0];
        const double last = x[n - 1];
        // The span is divided by the number of points, not the number of intervals.
        const double seconds = (last - first) / points * DateTimeText::SecondsPerDay + 0.5;
        // Times from a file may be anything: keep the interval to what an int holds.
        r.intervalSeconds =
            std::isnan(seconds) ? 0 : int(std::clamp(seconds, double(INT_MIN), double(INT_MAX)));
        r.startTime = DateTimeText::dateTime(first);
    }
    r.minutesIndex = r.intervalSeconds / 60;
    r.secondsIndex = r.intervalSeconds % 60;

    for (int k = 0; k < 3; ++k) {
        double max = -9999, min = 9999, maxTime = 0, minTime = 0;
        float sum = 0;
        int count = 0;
        const size_t base = size_t(k) * n;
        if (base + n <= x.size() && base + n <= y.size()) {
            for (size_t i = 0; i < n; ++i) {
                const double v = y[base + i];
                const double t = x[base + i];
                if (v > max) {
                    max = v;
                    maxTime = t;
                }
                if (v < min) {
                    min = v;
                    minTime = t;
                }
                if (v > -390 && v < 5000) {
                    sum += float(v);
                    ++count;
                }
            }
        }
        const auto q = Quantity(k);
        r.max[k] = max;
        r.min[k] = min;
        r.maxTime[k] = maxTime;
        r.minTime[k] = minTime;
        r.sum[k] = sum;
        r.count[k] = count;
        // Without a single point there is no extreme at all, not 9999 at 30/12/1899.
        r.maxText[k] = n > 0 ? extremeText(q, max, maxTime) : QStringLiteral("----");
        r.minText[k] = n > 0 ? extremeText(q, min, minTime) : QStringLiteral("----");
        r.avgText[k] = averageText(sum, count);
    }
    return r;
}

} // namespace GraphStatistics
