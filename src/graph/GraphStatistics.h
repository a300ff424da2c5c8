#pragma once
// The figures of a graph window's statistic panels, computed from a chart's cells, and the
// text forms shared with the real-time recording.
#include "app/NumberText.h"

#include <QString>
#include <array>
#include <cstdint>
#include <span>

namespace GraphStatistics {

enum Quantity { Ppm = 0, RH = 1, Temp = 2 };

// A value in fixed-point notation with the given decimals (the program's one number form).
using NumberText::fixed;
// value "@" date-and-time text; ppm without decimals, %RH and Temp. with one.
QString valueAt(Quantity q, double value, double time);
// MAX/MIN text of a recomputed chart: "----", "OL", "-OL" when out of range, else valueAt.
QString extremeText(Quantity q, double value, double time);
// AVG text: one decimal, or "****" when no sample qualified.
QString averageText(double sum, int count);

struct Result {
    QString startTime;       // date-and-time text of the first X; empty for an empty chart
    int intervalSeconds = 0; // span / point count, rounded
    int minutesIndex = 0;    // intervalSeconds / 60
    int secondsIndex = 0;    // intervalSeconds % 60
    int dataNo = 0;          // point count
    std::array<double, 3> max{};
    std::array<double, 3> min{};
    std::array<double, 3> maxTime{};
    std::array<double, 3> minTime{};
    std::array<int, 3> count{}; // samples counted in the average
    std::array<float, 3> sum{};
    std::array<QString, 3> maxText;
    std::array<QString, 3> minText;
    std::array<QString, 3> avgText;
};

// Cells are subset-major: X and Y of subset s, point p at [s * points + p]; subsets 0..2 are
// ppm, %RH and Temp. Every point counts, whatever the zoom.
Result compute(std::span<const double> x, std::span<const float> y, int points);

} // namespace GraphStatistics
