// Statistics recomputed from a chart's cells: interval, extremes with their times, averages,
// and the out-of-range texts.
#include "app/DateTimeText.h"
#include "graph/GraphStatistics.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace GraphStatistics;

namespace {
constexpr double Start = 46000.25; // a morning in 2025
constexpr double Second = 1.0 / 86400.0;

// Three subsets of n points every 'step' seconds; Y values from a function of (subset, point).
struct Cells {
    std::vector<double> x;
    std::vector<float> y;
    int points = 0;
};

template <typename F> Cells make(int n, double step, F value) {
    Cells c;
    c.points = n;
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < n; ++i) {
            c.x.push_back(Start + i * step * Second);
            c.y.push_back(value(k, i));
        }
    return c;
}

Result run(const Cells& c) {
    return compute(c.x, c.y, c.points);
}
} // namespace

TEST(GraphStatistics, IntervalIsTheSpanOverThePointCountRounded) {
    struct Case {
        int points;
        double step;
        int minutes, seconds;
    };
    const Case cases[] = {
        {100, 2, 0, 2},         // 198 s / 100 = 1.98 -> 2
        {2, 2, 0, 1},           // 2 s / 2 points = 1
        {10, 60, 0, 54},        // 540 / 10
        {3, 3660 * 1.5, 61, 0}, // 61 minutes: beyond the minutes list
        {1, 5, 0, 0},
    };
    for (const Case& c : cases) {
        const Result r = run(make(c.points, c.step, [](int, int) { return 1.0f; }));
        EXPECT_EQ(r.minutesIndex, c.minutes) << c.points << " x " << c.step;
        EXPECT_EQ(r.secondsIndex, c.seconds) << c.points << " x " << c.step;
        EXPECT_EQ(r.dataNo, c.points);
        EXPECT_EQ(r.startTime, DateTimeText::dateTime(Start));
    }
}

// Times from a file may span anything: the interval stays an int, never an undefined one.
TEST(GraphStatistics, IntervalOfAnAbsurdSpanStaysInRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::vector<double> x;
        int seconds;
    };
    const Case cases[] = {
        {{-693593, 0, 2958465}, std::numeric_limits<int>::max()},
        {{2958465, 0, -693593}, std::numeric_limits<int>::min()},
        {{nan, 0, 1}, 0},
    };
    for (const Case& c : cases) {
        const std::vector<float> y(9, 1.0f);
        std::vector<double> x;
        for (int k = 0; k < 3; ++k)
            x.insert(x.end(), c.x.begin(), c.x.end());
        const Result r = compute(x, y, 3);
        EXPECT_EQ(r.intervalSeconds, c.seconds);
    }
}

TEST(GraphStatistics, AllNullChartShowsTheStartValuesAndNoAverage) {
    const Result r = run(make(10, 2, [](int, int) { return 99999.0f; }));
    EXPECT_EQ(r.maxText[Ppm], "OL");
    EXPECT_EQ(r.minText[Ppm], "9999@" + DateTimeText::dateTime(0));
    EXPECT_TRUE(r.minText[Ppm].contains("1899"));
    for (Quantity q : {RH, Temp}) {
        EXPECT_EQ(r.maxText[q], "----");
        EXPECT_EQ(r.minText[q], "----");
    }
    for (Quantity q : {Ppm, RH, Temp})
        EXPECT_EQ(r.avgText[q], "****");
}

TEST(GraphStatistics, AverageCountsValuesStrictlyBetweenMinus390And5000) {
    // ppm 5000 counts for MAX but not for AVG; 4999 counts for both.
    const float ppm[] = {5000, 4999, 1000, -390, -389};
    const Result r = run(make(5, 2, [&](int k, int i) { return k == 0 ? ppm[i] : 20.0f; }));
    EXPECT_EQ(r.count[Ppm], 3);
    EXPECT_EQ(r.avgText[Ppm], fixed((4999.0 + 1000 - 389) / 3, 1));
    EXPECT_EQ(r.maxText[Ppm], "5000@" + DateTimeText::dateTime(Start));
    EXPECT_EQ(r.minText[Ppm], "-OL");
    EXPECT_EQ(r.avgText[RH], fixed(20, 1));
}

TEST(GraphStatistics, TiesKeepTheEarlierPoint) {
    const float rh[] = {40, 55.5, 30, 55.5, 30};
    const Result r = run(make(5, 10, [&](int k, int i) { return k == 1 ? rh[i] : 25.0f; }));
    EXPECT_EQ(r.maxText[RH], fixed(55.5, 1) + "@" + DateTimeText::dateTime(Start + 10 * Second));
    EXPECT_EQ(r.minText[RH], fixed(30, 1) + "@" + DateTimeText::dateTime(Start + 20 * Second));
    EXPECT_EQ(r.maxText[Temp], fixed(25, 1) + "@" + DateTimeText::dateTime(Start));
}

TEST(GraphStatistics, OutOfRangeTextsInTheirOrder) {
    struct Case {
        Quantity q;
        double value;
        const char* text; // empty: the value form
    };
    const Case cases[] = {
        {Ppm, 40001, "OL"},   {Ppm, 40000, ""},       {Ppm, -1, "-OL"},    {Ppm, 0, ""},
        {RH, 6553.5, "----"}, {RH, 6553.4, "OL"},     {RH, 100.1, "OL"},   {RH, -0.1, "OL"},
        {RH, 100, ""},        {Temp, 6553.5, "----"}, {Temp, 140.1, "OL"}, {Temp, -20.1, "-OL"},
        {Temp, -20, ""},      {Temp, 140, ""},
    };
    for (const Case& c : cases) {
        const QString text = extremeText(c.q, c.value, Start);
        if (*c.text)
            EXPECT_EQ(text, c.text) << c.q << " " << c.value;
        else
            EXPECT_EQ(text, valueAt(c.q, c.value, Start)) << c.q << " " << c.value;
    }
}

TEST(GraphStatistics, TextForms) {
    EXPECT_EQ(valueAt(Ppm, 1234.4, Start), "1234@" + DateTimeText::dateTime(Start));
    EXPECT_EQ(valueAt(RH, 45.66, Start), fixed(45.7, 1) + "@" + DateTimeText::dateTime(Start));
    EXPECT_TRUE(fixed(45.66, 1) == "45.7" || fixed(45.66, 1) == "45,7");
    EXPECT_FALSE(fixed(12345.0, 1).contains(' ')); // no digit grouping
    EXPECT_EQ(fixed(12345.0, 0), "12345");
    EXPECT_EQ(averageText(0, 0), "****");
}

TEST(GraphStatistics, EmptyChartHasNoStartTime) {
    const Result r = compute({}, {}, 0);
    EXPECT_TRUE(r.startTime.isEmpty());
    EXPECT_EQ(r.dataNo, 0);
    for (int k = 0; k < 3; ++k) {
        // No reading: the extremes of no point are not 9999 at 30/12/1899.
        EXPECT_EQ(r.maxText[size_t(k)], "----") << k;
        EXPECT_EQ(r.minText[size_t(k)], "----") << k;
        EXPECT_EQ(r.avgText[size_t(k)], "****") << k;
    }
}
