// The chart state block: everything survives a store and load, and bad blocks are refused
// with a reason, leaving the chart as it was.
#include "graph/chart/Chart.h"
#include "graph/chart/ChartState.h"

#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace chart;

namespace {
std::span<const uint8_t> bytes(const QByteArray& b) {
    return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

// A state in which every field differs from its default.
ChartState everything() {
    ChartState s;
    s.subsets = 3;
    s.points = 4;
    for (int i = 0; i < 12; ++i) {
        s.x.push_back(46000.5 + i / 86400.0);
        s.y.push_back(i == 5 ? 99999.f : float(i) * 1.5f);
    }
    s.nullValueY = 99999;
    s.lineGapThreshold = 1e20;
    s.subsetStyles = {{"ppm", 0xFFFFFF00, LineStyle::Line, PointStyle::None, 1.0f},
                      {"%RH", 0xFF0000FF, LineStyle::LineAndPoints, PointStyle::Circle, 2.0f},
                      {"Temp.", 0xFFFF0000, LineStyle::Step, PointStyle::Square, 1.5f}};
    s.subsetsFiltered = true;
    s.shownSubsets = {2, 0};
    s.dateTimeX = false;
    s.manualX = true;
    s.minX = 46000.1;
    s.maxX = 46000.9;
    s.xLabel = "Time";
    s.yAxes = {{true, 0, 10000, "ppm axis"}, {true, -50, 100, ""}, {false, 1, 2, "third"}};
    s.workingAxis = 1;
    s.axisSubsets = {1, 2, 2};
    s.axisProportions = {0.2, 0.4, 0.4};
    s.axisSeparators = true;
    s.mainTitle = "Main";
    s.subTitle = " ";
    s.graphForeColor = 0xFF112233;
    s.graphBackColor = 0xFF445566;
    s.deskColor = 0xFF778899;
    s.textColor = 0xFFAABBCC;
    s.gridStyle = GridStyle::Dash;
    s.viewingStyle = ViewingStyle::Monochrome;
    s.dataLabels = true;
    s.fontFamily = "Sans";
    s.fontPixelSize = 15;
    s.zoomHorizontal = false;
    s.zoomVertical = false;
    s.scrollingZoom = false;
    s.dataHotSpots = true;
    s.graphAnnotationHotSpots = true;
    s.lineAnnotationHotSpots = true;
    s.allowAxisPage = false;
    s.allowFontPage = false;
    s.allowPage1 = false;
    s.allowPage2 = false;
    s.allowSubsetsPage = false;
    s.showGraphAnnotations = false;
    s.graphAnnotationTextSize = 90;
    s.graphAnnotations = {{2, AnnotationCross, 46000.2, 500, 0xFF000000, "08:00:00\r500.0"},
                          {4, AnnotationText, 46000.3, 700, 0xFF00FF00, "door opened \u00e9"},
                          {9, AnnotationCross, 46000.4, -3, 0xFFFF0000, ""}};
    s.showLineAnnotations = false;
    s.lineAnnotationTextSize = 80;
    s.lineAnnotations = {{0, 0xFF0000FF, ""}, {46000.6, 0xFFFF0000, "mark"}};
    s.table.rows = 2;
    s.table.columns = 2;
    s.table.texts = {"a", "b", "c", ""};
    s.table.colors = {0xFF000000, 0xFFFF0000, 0xFF000000, 0xFFFF0000};
    s.table.backColor = 0x81FFFFFF;
    s.table.shown = true;
    s.table.insideAxis0 = false;
    s.table.left = 550;
    s.table.top = 50;
    s.table.movable = true;
    s.table.headerRow = true;
    s.table.headerColumn = true;
    s.table.border = TableBorder::Inset;
    s.table.textSize = 80;
    return s;
}
} // namespace

TEST(ChartStateBlock, EveryFieldSurvivesEncodeAndDecode) {
    const ChartState s = everything();
    QString error;
    ASSERT_TRUE(checkChartState(s, &error)) << error.toStdString();
    const QByteArray block = encodeChartState(s);
    ASSERT_TRUE(block.startsWith("Q7CS"));
    const auto back = decodeChartState(bytes(block), &error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    EXPECT_TRUE(*back == s);
    EXPECT_EQ(encodeChartState(*back), block);
}

TEST(ChartStateBlock, EveryTruncationIsRefusedWithAReason) {
    const QByteArray block = encodeChartState(everything());
    for (qsizetype n = 0; n < block.size(); ++n) {
        QString error;
        const auto r = decodeChartState(bytes(block.left(n)), &error);
        EXPECT_FALSE(r.has_value()) << "prefix of " << n << " bytes accepted";
        EXPECT_FALSE(error.isEmpty()) << n;
    }
}

TEST(ChartStateBlock, CorruptedBlocksAreRefused) {
    const QByteArray good = encodeChartState(everything());
    auto patched = [&](int offset, std::initializer_list<uint8_t> b) {
        QByteArray x = good;
        int i = offset;
        for (uint8_t v : b)
            x[i++] = char(v);
        return x;
    };
    // Offsets: magic 0..3, version 4..5, subsets 6..9, points 10..13, then 12 X doubles and
    // 12 Y floats (14..157), null value, gap threshold, style count at 174.
    struct Case {
        const char* name;
        QByteArray block;
        const char* reason; // part of the message
    };
    const Case cases[] = {
        {"bad magic", patched(0, {'X'}), "signature"},
        {"unknown version", patched(4, {2, 0}), "version"},
        {"no subsets", patched(6, {0, 0, 0, 0}), "subsets"},
        {"negative points", patched(10, {0xFF, 0xFF, 0xFF, 0xFF}), "points"},
        {"points over the limit", patched(10, {0xFF, 0xFF, 0xFF, 0x7F}), "points"},
        {"cells beyond the data", patched(10, {0x00, 0x10, 0, 0}), "cells"},
        {"style count too big", patched(174, {0xFF, 0xFF, 0, 0}), "subset style count"},
        {"trailing byte", good + QByteArray(1, '\0'), "unexpected bytes"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(decodeChartState(bytes(c.block), &error).has_value()) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason)))
            << c.name << ": " << error.toStdString();
    }
}

TEST(ChartStateBlock, InconsistentStatesAreRefused) {
    struct Case {
        const char* name;
        void (*spoil)(ChartState&);
    };
    const Case cases[] = {
        {"shown subset that does not exist", [](ChartState& s) { s.shownSubsets = {3}; }},
        {"working axis past the axes", [](ChartState& s) { s.workingAxis = 3; }},
        {"annotations out of order",
         [](ChartState& s) { std::swap(s.graphAnnotations[0], s.graphAnnotations[1]); }},
        {"duplicate annotation index", [](ChartState& s) { s.graphAnnotations[1].index = 2; }},
        {"proportion above 1", [](ChartState& s) { s.axisProportions[0] = 1.5; }},
        {"styles do not match subsets", [](ChartState& s) { s.subsetStyles.pop_back(); }},
        {"text size 0", [](ChartState& s) { s.table.textSize = 0; }},
        {"layout longer than the axes", [](ChartState& s) { s.axisSubsets.push_back(1); }},
        {"bad flag byte", nullptr},
    };
    for (const Case& c : cases) {
        ChartState s = everything();
        QByteArray block;
        if (c.spoil) {
            c.spoil(s);
            block = encodeChartState(s);
        } else {
            // The date-time X flag is the byte where two encodings differing only in it differ.
            ChartState t = s;
            t.dateTimeX = !t.dateTimeX;
            const QByteArray other = encodeChartState(t);
            block = encodeChartState(s);
            for (qsizetype i = 0; i < block.size(); ++i)
                if (block[i] != other[i]) {
                    block[i] = 2;
                    break;
                }
        }
        QString error;
        EXPECT_FALSE(decodeChartState(bytes(block), &error).has_value()) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
}

TEST(ChartStateBlock, ChartSettingsSurviveStoreAndLoad) {
    Chart a;
    a.setSubsets(3);
    a.setPoints(5);
    for (int p = 0; p < 5; ++p)
        for (int k = 0; k < 3; ++k) {
            a.setXData(k, p, 46000 + p / 1440.0);
            a.setYData(k, p, p == 2 ? 99999 : 10 * p + k);
        }
    a.setWorkingAxis(0);
    a.setManualScaleY(true);
    a.setManualMinY(0);
    a.setManualMaxY(10000);
    a.setWorkingAxis(1);
    a.setManualScaleY(true);
    a.setManualMinY(-50);
    a.setManualMaxY(100);
    a.setMultiAxesSubsets(0, 1);
    a.setMultiAxesSubsets(1, 2);
    a.setMultiAxesProportions(0, 0.5);
    a.setMultiAxesProportions(1, 0.5);
    a.setMultiAxesSeparators(true);
    a.setManualScaleX(true);
    a.setManualMinX(46000);
    a.setManualMaxX(46000.01);
    a.setSubsetLabel(1, "%RH");
    a.setSubsetColor(2, Qt::red);
    a.setSubsetToGraph(-1, 0);
    a.setSubsetToGraph(0, 2);
    a.setGraphAnnotationType(4, AnnotationCross);
    a.setGraphAnnotationX(4, 46000.001);
    a.setGraphAnnotationY(4, 1234);
    a.setGraphAnnotationText(4, "x");
    a.setGraphAnnotationColor(4, Qt::green);
    a.setLineAnnotationColor(1, Qt::red);
    a.setTableSize(15, 2);
    a.setTableText(3, 1, "1234@...");
    a.setTableColor(3, 1, Qt::red);
    a.setTableInsideAxis0(550, 50);
    a.setShowTable(true);
    a.setViewingStyle(ViewingStyle::Monochrome);
    a.setWorkingAxis(0);
    a.redraw();

    const QByteArray block = a.storeState();
    Chart b;
    QString error;
    ASSERT_TRUE(b.loadState(bytes(block), &error)) << error.toStdString();
    EXPECT_TRUE(b.state() == a.state());
    EXPECT_EQ(b.storeState(), block);
    EXPECT_EQ(b.multiAxesSubsets(1), 2);
    EXPECT_DOUBLE_EQ(b.multiAxesProportions(0), 0.5);
    b.setWorkingAxis(1);
    EXPECT_DOUBLE_EQ(b.manualMinY(), -50);
    EXPECT_EQ(b.graphAnnotation(4).text, "x");
    EXPECT_EQ(b.tableText(3, 1), "1234@...");
    EXPECT_EQ(b.subsetsToGraph(), std::vector<int32_t>{2});
    EXPECT_FLOAT_EQ(b.yData(1, 4), 41);
}

TEST(ChartStateBlock, ABadBlockLeavesTheChartAsItWas) {
    Chart c;
    c.setSubsets(3);
    c.setPoints(2);
    c.setXData(0, 0, 46000);
    c.setYData(0, 0, 400);
    c.setGraphAnnotationText(5, "keep");
    c.redraw();
    const QByteArray before = c.storeState();
    QByteArray bad = encodeChartState(everything());
    bad.chop(3);
    QString error;
    EXPECT_FALSE(c.loadState(bytes(bad), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(c.storeState(), before);
}

// Numbers no chart can draw - not finite, or so large that an axis would need millions of
// ticks or a pen millions of pixels - are refused, whichever field holds them.
TEST(ChartStateBlock, NumbersNoChartCanDrawAreRefused) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        void (*spoil)(ChartState&);
        const char* reason;
    };
    const Case cases[] = {
        {"NaN X cell", [](ChartState& s) { s.x[3] = nan; }, "X value nan"},
        {"infinite Y cell", [](ChartState& s) { s.y[7] = float(inf); }, "Y value inf"},
        {"1e300 X cell", [](ChartState& s) { s.x[0] = 1e300; }, "X value 1e+300"},
        {"date past the year 9999",
         [](ChartState& s) {
             s.dateTimeX = true;
             s.x[0] = 3e6;
         },
         "X value 3000000"},
        {"X range of 10^8 days",
         [](ChartState& s) {
             s.dateTimeX = true;
             s.minX = 0;
             s.maxX = 1e8;
         },
         "X range 0 to 100000000"},
        {"NaN X minimum", [](ChartState& s) { s.minX = nan; }, "X range nan"},
        {"Y axis to 1e300", [](ChartState& s) { s.yAxes[1].max = 1e300; }, "Y range -50 to 1e+300"},
        {"null value inf", [](ChartState& s) { s.nullValueY = -inf; }, "null value -inf"},
        {"gap threshold NaN", [](ChartState& s) { s.lineGapThreshold = nan; }, "line gap"},
        {"line width 1e6", [](ChartState& s) { s.subsetStyles[2].lineWidth = 1e6f; },
         "line width 1000000"},
        {"negative line width", [](ChartState& s) { s.subsetStyles[0].lineWidth = -1; },
         "line width -1"},
        {"NaN annotation", [](ChartState& s) { s.graphAnnotations[0].y = nan; }, "annotation at"},
        {"line annotation at inf", [](ChartState& s) { s.lineAnnotations[0].x = inf; },
         "line annotation at inf"},
        {"table at INT_MAX",
         [](ChartState& s) { s.table.left = std::numeric_limits<int32_t>::max(); },
         "table placed at 2147483647"},
        {"table at INT_MIN",
         [](ChartState& s) { s.table.top = std::numeric_limits<int32_t>::min(); },
         "table placed at"},
    };
    for (const Case& c : cases) {
        ChartState s = everything();
        c.spoil(s);
        QString error;
        EXPECT_FALSE(decodeChartState(bytes(encodeChartState(s)), &error).has_value()) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason)))
            << c.name << ": " << error.toStdString();
    }
    // What the program itself writes stays readable: the widest dates, null and over-range Y.
    ChartState s = everything();
    s.dateTimeX = true;
    s.minX = -693593; // 0001-01-01
    s.maxX = 2958465; // 9999-12-31
    s.y[0] = 99999;
    s.y[1] = 90000;
    s.y[2] = -99999;
    QString error;
    EXPECT_TRUE(decodeChartState(bytes(encodeChartState(s)), &error).has_value())
        << error.toStdString();
}

// A block can be no larger than the largest chart there can be, and hold no more cells.
TEST(ChartStateBlock, BlocksBeyondTheLargestChartAreRefused) {
    QByteArray block = encodeChartState(everything());
    // 64 subsets of 2,000,000 points: within each limit, far beyond three full quantities.
    block[6] = 64;
    block[10] = char(0x80);
    block[11] = char(0x84);
    block[12] = char(0x1E);
    QString error;
    EXPECT_FALSE(decodeChartState(bytes(block), &error).has_value());
    EXPECT_TRUE(error.contains("64 x 2000000 cells")) << error.toStdString();
}
