#pragma once
// The pure side of real-time recording: period texts of the setup dialog, the running
// extremes with their box texts, the averages taken at stop, the plotted value of an
// over-range reading and the X axis extension. No widgets; the controller applies the results.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace RealTime {

// Bits of OverRangeFlags used by the recording.
enum OverRangeBit : uint8_t {
    PpmOver = 0x01,
    RhOver = 0x02,
    TempOver = 0x04,
    TempUnder = 0x08,
};

constexpr double SecondsPerDay = 86400.0;
constexpr float NullY = 99999.0f;      // a cell with this Y is not drawn
constexpr float OverRangeY = 90000.0f; // over-range values are plotted here, above every axis
constexpr double AverageLow = -300.0;  // averages take only values strictly inside this window
constexpr double AverageHigh = 3000.0;
constexpr int InitialCount = 2000; // the count the setup dialog opens with
constexpr int ListEntries = 61;    // "00" .. "60" in each rate list

// One sample handed over by the polling loop.
struct Sample {
    double time = 0; // days since 1899-12-30
    int32_t ppm = 0;
    float rh = 0;
    float temp = 0;
    uint8_t flags = 0; // OverRangeFlags of the live reading
};

// Interval in seconds from the two rate lists' indices (minutes, seconds).
constexpr int rateFromLists(int minutesIndex, int secondsIndex) {
    return minutesIndex * 60 + secondsIndex;
}

// The rate lists' indices (minutes, seconds) that show a rate: whole minutes up to 60, the
// rest in the seconds list, so 3660 s reads 60:60. Rates the lists cannot hold are clamped.
struct RateLists {
    int minutes;
    int seconds;
};
RateLists rateLists(int rate);

// "H:M:S" without padding (the period the dialog shows when it opens: 4000 s gives 1:6:40).
QString periodTextPlain(int64_t seconds);
// "H:MM:SS", hours unpadded (the period after a list change: 4000 s gives 1:06:40).
QString periodTextPadded(int64_t seconds);

// The count of the setup dialog: the text with blanks trimmed as a whole number, or nothing.
std::optional<int> parseCount(const QString& text);

// The Y value a reading is plotted at.
float plotPpm(int32_t ppm, uint8_t flags);
float plotRh(float rh, uint8_t flags);
float plotTemp(float temp, uint8_t flags);

// X axis maximum after a sample at t: kept when it already reaches t, else t + step.
double extendedXMax(double currentMax, double t, double stepDays);

// Value texts: ppm without decimals, the others with one decimal, fixed-point.
QString ppmText(double value);
QString oneDecimalText(double value);

// Running maximum and minimum of the three quantities since the last run. Comparisons are
// strict on the raw values, so a tie keeps the earlier sample and its time.
struct Extremes {
    std::array<float, 3> max{-99999.0f, -99999.0f, -99999.0f};
    std::array<float, 3> min{99999.0f, 99999.0f, 99999.0f};
    void reset() { *this = Extremes{}; }
};

// Box texts that changed with one sample; empty optionals are left alone.
struct ExtremeTexts {
    std::array<std::optional<QString>, 3> max; // txtppmMax, txtRHMax, txtT1Max
    std::array<std::optional<QString>, 3> min; // txtppmMin, txtRHMin, txtT1Min
};

// Folds one sample into the extremes and returns the texts of the boxes it changes.
// dateTimeText is the sample time as date-and-time text.
ExtremeTexts updateExtremes(Extremes& e, const Sample& s, const QString& dateTimeText);

// Mean of the values strictly between -300 and 3000, or nothing when none qualifies.
std::optional<double> average(std::span<const float> values);
// One decimal, or "****" when there is no average.
QString averageText(std::optional<double> avg);

} // namespace RealTime
