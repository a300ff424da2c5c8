#include "realtime/RealTimeCore.h"

#include <gtest/gtest.h>
#include <vector>

using namespace RealTime;

TEST(RealTimePeriod, TextsWithAndWithoutPadding) {
    struct Case {
        int64_t seconds;
        const char* plain;
        const char* padded;
    };
    const Case cases[] = {
        {2 * 2000, "1:6:40", "1:06:40"}, // the dialog's opening state
        {0, "0:0:0", "0:00:00"},
        {59, "0:0:59", "0:00:59"},
        {3600, "1:0:0", "1:00:00"},
        {99999LL * 3660, "101665:39:0", "101665:39:00"}, // the largest count at 60:60
    };
    for (const auto& c : cases) {
        EXPECT_EQ(periodTextPlain(c.seconds), QString::fromLatin1(c.plain)) << c.seconds;
        EXPECT_EQ(periodTextPadded(c.seconds), QString::fromLatin1(c.padded)) << c.seconds;
    }
}

TEST(RealTimePeriod, RateListsAndCounts) {
    EXPECT_EQ(rateFromLists(60, 60), 3660);
    EXPECT_EQ(rateFromLists(0, 2), 2);
    EXPECT_EQ(parseCount(QStringLiteral(" 2000")), 2000);
    EXPECT_EQ(parseCount(QStringLiteral("99999")), 99999);
    EXPECT_EQ(parseCount(QStringLiteral("  12 ")), 12);
    EXPECT_FALSE(parseCount(QStringLiteral("     ")));
    EXPECT_FALSE(parseCount(QStringLiteral("2 000")));
    EXPECT_FALSE(parseCount(QStringLiteral("12a")));
}

TEST(RealTimePlot, OverRangeGoesTo90000) {
    EXPECT_EQ(plotPpm(1234, 0), 1234.0f);
    EXPECT_EQ(plotPpm(1234, PpmOver), 90000.0f);
    EXPECT_EQ(plotPpm(1234, RhOver | TempOver | TempUnder), 1234.0f);
    EXPECT_EQ(plotRh(45.5f, 0), 45.5f);
    EXPECT_EQ(plotRh(45.5f, RhOver), 90000.0f);
    EXPECT_EQ(plotRh(45.5f, PpmOver), 45.5f);
    EXPECT_EQ(plotTemp(21.5f, 0), 21.5f);
    EXPECT_EQ(plotTemp(21.5f, TempOver), 90000.0f);
    EXPECT_EQ(plotTemp(-30.0f, TempUnder), 90000.0f);
    EXPECT_EQ(plotTemp(21.5f, RhOver), 21.5f);
}

TEST(RealTimePlot, XAxisExtendsOnlyWhenTheSampleIsPast) {
    const double step = 10.0 / SecondsPerDay;
    EXPECT_DOUBLE_EQ(extendedXMax(100.5, 100.4, step), 100.5); // still inside
    EXPECT_DOUBLE_EQ(extendedXMax(100.5, 100.5, step), 100.5); // exactly at it
    EXPECT_DOUBLE_EQ(extendedXMax(100.5, 100.6, step), 100.6 + step);
    EXPECT_DOUBLE_EQ(extendedXMax(std::nan(""), 100.6, step), 100.6 + step);
}

namespace {
Sample sample(double t, int ppm, float rh, float temp, uint8_t flags = 0) {
    return Sample{t, ppm, rh, temp, flags};
}
} // namespace

TEST(RealTimeExtremes, FirstSampleSetsAllSixBoxes) {
    Extremes e;
    const auto out = updateExtremes(e, sample(1, 850, 45.26f, 21.04f), QStringLiteral("T1"));
    EXPECT_EQ(out.max[0], QStringLiteral("850@T1"));
    EXPECT_EQ(out.min[0], QStringLiteral("850@T1"));
    EXPECT_EQ(out.max[1], QStringLiteral("45.3@T1"));
    EXPECT_EQ(out.min[2], QStringLiteral("21.0@T1"));
    EXPECT_EQ(e.max[0], 850.0f);
    EXPECT_EQ(e.min[1], 45.26f);
}

TEST(RealTimeExtremes, TiesKeepTheEarlierTime) {
    Extremes e;
    updateExtremes(e, sample(1, 800, 50.0f, 20.0f), QStringLiteral("T1"));
    updateExtremes(e, sample(2, 900, 60.0f, 25.0f), QStringLiteral("T2"));
    // Equal to the maximum and the minimum of every quantity: nothing changes.
    auto out = updateExtremes(e, sample(3, 900, 60.0f, 20.0f), QStringLiteral("T3"));
    EXPECT_FALSE(out.max[0] || out.max[1] || out.max[2]);
    EXPECT_FALSE(out.min[0] || out.min[1] || out.min[2]);
    out = updateExtremes(e, sample(4, 800, 50.0f, 25.0f), QStringLiteral("T4"));
    EXPECT_FALSE(out.max[0] || out.max[1] || out.max[2]);
    EXPECT_FALSE(out.min[0] || out.min[1] || out.min[2]);
    // A hair above replaces it with the new time.
    out = updateExtremes(e, sample(5, 901, 60.1f, 25.1f), QStringLiteral("T5"));
    EXPECT_EQ(out.max[0], QStringLiteral("901@T5"));
    EXPECT_EQ(out.max[1], QStringLiteral("60.1@T5"));
    EXPECT_EQ(out.max[2], QStringLiteral("25.1@T5"));
    EXPECT_FALSE(out.min[0] || out.min[1] || out.min[2]);
}

TEST(RealTimeExtremes, OverRangeTextsUseTheRawValues) {
    Extremes e;
    updateExtremes(e, sample(1, 800, 50.0f, 20.0f), QStringLiteral("T1"));
    // Over range: the raw value is compared and kept, the box says OL.
    auto out = updateExtremes(e, sample(2, 9999, 99.0f, 70.0f, PpmOver | RhOver | TempOver),
                              QStringLiteral("T2"));
    EXPECT_EQ(out.max[0], QStringLiteral("OL"));
    EXPECT_EQ(out.max[1], QStringLiteral("OL"));
    EXPECT_EQ(out.max[2], QStringLiteral("OL"));
    EXPECT_EQ(e.max[0], 9999.0f);
    EXPECT_EQ(e.max[2], 70.0f);
    out = updateExtremes(e, sample(3, 700, 40.0f, -15.0f, TempUnder), QStringLiteral("T3"));
    EXPECT_EQ(out.min[2], QStringLiteral("-OL"));
    EXPECT_EQ(out.min[0], QStringLiteral("700@T3"));
    EXPECT_EQ(e.min[2], -15.0f);
    // A raw over-range value that is not above the maximum changes nothing.
    out = updateExtremes(e, sample(4, 5000, 45.0f, 30.0f, PpmOver), QStringLiteral("T4"));
    EXPECT_FALSE(out.max[0]);
    EXPECT_FALSE(out.min[0]);
}

TEST(RealTimeAverage, WindowIsStrictlyBetweenMinus300And3000) {
    struct Case {
        const char* name;
        std::vector<float> values;
        const char* text;
    };
    const Case cases[] = {
        {"empty", {}, "****"},
        {"only edges", {3000.0f, -300.0f}, "****"},
        {"edges left out", {3000.0f, -300.0f, 10.0f, 20.0f}, "15.0"},
        {"2999 in", {2999.0f, 1.0f}, "1500.0"},
        {"-299.9 in", {-299.9f}, "-299.9"},
        {"over range and null out", {90000.0f, 99999.0f, 400.0f}, "400.0"},
        {"one decimal", {1.0f, 2.0f, 2.0f}, "1.7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(averageText(average(c.values)), c.text) << c.name;
}

TEST(RealTimePeriod, RateListsShowEveryAcceptedRate) {
    struct Case {
        int rate, minutes, seconds;
    };
    const Case cases[] = {{2, 0, 2},      {60, 1, 0},     {61, 1, 1},
                          {3599, 59, 59}, {3600, 60, 0},  {3660, 60, 60},
                          {3630, 60, 30}, {5000, 60, 60}, {-4, 0, 0}};
    for (const auto& c : cases) {
        const RateLists l = rateLists(c.rate);
        EXPECT_EQ(l.minutes, c.minutes) << c.rate;
        EXPECT_EQ(l.seconds, c.seconds) << c.rate;
    }
}
