// The chart component: cells and what reaches the plot, appends, resets, shown subsets,
// stacked axes and the pixel conversion.
#include "graph/chart/Chart.h"
#include "graph/chart/ChartCustomizeDialog.h"

#include <QLineEdit>
#include <QTabWidget>

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <qcustomplot.h>

using namespace chart;

namespace {
constexpr double T0 = 46000.5;
constexpr double Sec = 1.0 / 86400.0;

// A 3-subset chart of n points with two stacked axes, shown at a fixed size.
struct Fixture {
    Chart c;
    explicit Fixture(int points) {
        c.resize(800, 500);
        c.setSubsets(3);
        c.setPoints(points);
        c.setManualScaleX(true);
        c.setManualMinX(T0);
        c.setManualMaxX(T0 + points * Sec);
        c.setMultiAxesSubsets(0, 1);
        c.setMultiAxesSubsets(1, 2);
        for (int a = 0; a < 2; ++a) {
            c.setWorkingAxis(a);
            c.setManualScaleY(true);
            c.setManualMinY(a == 0 ? 0 : -50);
            c.setManualMaxY(a == 0 ? 10000 : 100);
        }
        c.setWorkingAxis(0);
        c.show();
        c.redraw();
    }
    QCPGraph* graph(int subset) const {
        for (int i = 0; i < c.plot()->graphCount(); ++i)
            if (i == subset) return c.plot()->graph(i);
        return nullptr;
    }
    void write(int point, float ppm, float rh, float t) {
        for (int k = 0; k < 3; ++k)
            c.setXData(k, point, T0 + point * Sec);
        c.setYData(0, point, ppm);
        c.setYData(1, point, rh);
        c.setYData(2, point, t);
    }
};
} // namespace

TEST(Chart, UnwrittenCellsDrawNothingAndNullValuesLeaveGaps) {
    Fixture f(10);
    f.c.setNullDataValueY(99999);
    f.c.setXData(-1, 0, 0);
    f.c.setYData(-1, 0, 99999);
    f.c.redraw();
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(f.graph(k)->dataCount(), 0);

    f.write(0, 400, 50, 20);
    f.write(1, 99999, 51, 21);
    f.write(2, 420, 52, 22);
    f.c.redraw();
    ASSERT_EQ(f.graph(0)->dataCount(), 3);
    EXPECT_TRUE(std::isnan(f.graph(0)->data()->at(1)->value)); // the gap
    EXPECT_DOUBLE_EQ(f.graph(0)->data()->at(2)->value, 420);
    EXPECT_EQ(f.graph(1)->dataCount(), 3);
    // The two quantities of the lower axis are drawn against it.
    EXPECT_EQ(f.graph(1)->valueAxis(), f.graph(2)->valueAxis());
    EXPECT_NE(f.graph(0)->valueAxis(), f.graph(1)->valueAxis());
}

TEST(Chart, AppendingAddsToThePlotAndRewritingRebuildsIt) {
    Fixture f(100);
    for (int p = 0; p < 50; ++p)
        f.write(p, 400 + p, 50, 20);
    f.c.redraw();
    ASSERT_EQ(f.graph(0)->dataCount(), 50);
    auto* container = f.graph(0)->data().data();

    f.write(50, 999, 51, 21);
    f.c.redraw();
    EXPECT_EQ(f.graph(0)->data().data(), container); // same container, one more point
    ASSERT_EQ(f.graph(0)->dataCount(), 51);
    EXPECT_DOUBLE_EQ(f.graph(0)->data()->at(50)->value, 999);

    // Changing an earlier point is shown as well.
    f.c.setYData(0, 10, 5555);
    f.c.redraw();
    ASSERT_EQ(f.graph(0)->dataCount(), 51);
    EXPECT_DOUBLE_EQ(f.graph(0)->data()->at(10)->value, 5555);
    EXPECT_FLOAT_EQ(f.c.yData(0, 10), 5555);
}

TEST(Chart, BulkCellsArePointMajorInSubsetOrder) {
    Fixture f(4);
    std::vector<double> xs;
    std::vector<float> ys;
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 3; ++k) {
            xs.push_back(T0 + p * Sec);
            ys.push_back(float(100 * k + p));
        }
    f.c.setAllXData(xs);
    f.c.setAllYData(ys);
    f.c.redraw();
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 4; ++p) {
            EXPECT_DOUBLE_EQ(f.c.xData(k, p), T0 + p * Sec);
            EXPECT_FLOAT_EQ(f.c.yData(k, p), float(100 * k + p));
        }
    EXPECT_EQ(f.graph(2)->dataCount(), 4);
}

TEST(Chart, SubsetMinusOneResetsEveryCellAndPointCountKeepsCells) {
    Fixture f(5);
    for (int p = 0; p < 5; ++p)
        f.write(p, 400, 50, 20);
    f.c.setPoints(3);
    EXPECT_FLOAT_EQ(f.c.yData(1, 2), 50);
    EXPECT_FLOAT_EQ(f.c.yData(1, 3), float(f.c.nullDataValueY())); // gone
    f.c.setXData(-1, 1, 0);
    f.c.setYData(-1, 1, 99999);
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 3; ++p) {
            EXPECT_EQ(f.c.xData(k, p), 0);
            EXPECT_FLOAT_EQ(f.c.yData(k, p), 99999);
        }
    f.c.redraw();
    EXPECT_EQ(f.graph(0)->dataCount(), 0);
}

TEST(Chart, ShownSubsetsFollowTheSlotList) {
    Fixture f(3);
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(f.graph(k)->visible()); // no list yet: all
    f.c.setSubsetToGraph(-1, 0);
    f.c.redraw();
    for (int k = 0; k < 3; ++k)
        EXPECT_FALSE(f.graph(k)->visible());
    f.c.setSubsetToGraph(0, 2);
    f.c.reinitAndReset();
    EXPECT_FALSE(f.graph(0)->visible());
    EXPECT_TRUE(f.graph(2)->visible());
}

TEST(Chart, PixelsConvertToAxisZeroCoordinatesAndBack) {
    Fixture f(60);
    const QRect area = f.c.plottingRect();
    ASSERT_TRUE(area.isValid());
    const QPoint mid(area.center().x(), area.top() + 40);
    const QPointF xy = f.c.pixelToData(mid);
    EXPECT_GT(xy.x(), T0);
    EXPECT_LT(xy.x(), T0 + 60 * Sec);
    EXPECT_GT(xy.y(), 0);
    EXPECT_LT(xy.y(), 10000);
    EXPECT_LE((f.c.dataToPixel(xy.x(), xy.y()) - mid).manhattanLength(), 1);
}

TEST(Chart, ClickAndDoubleClickOnAnAnnotationReportIt) {
    Fixture f(60);
    f.c.setGraphAnnotationHotSpots(true);
    f.c.setGraphAnnotationType(7, AnnotationCross);
    f.c.setGraphAnnotationX(7, T0 + 30 * Sec);
    f.c.setGraphAnnotationY(7, 5000);
    f.c.redraw();
    QSignalSpy clicks(&f.c, &Chart::clicked);
    QSignalSpy hot(&f.c, &Chart::graphAnnotationHotSpot);
    const QPoint at = f.c.dataToPixel(T0 + 30 * Sec, 5000);
    QTest::mouseClick(f.c.plot(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(f.c.plot(), Qt::LeftButton, {}, at);
    EXPECT_GE(clicks.count(), 1);
    ASSERT_GE(hot.count(), 2);
    EXPECT_EQ(hot.first().at(0).toBool(), false);
    EXPECT_EQ(hot.first().at(1).toInt(), 7);
    EXPECT_EQ(hot.last().at(0).toBool(), true);
    EXPECT_EQ(f.c.lastMousePosition(), at);
}

TEST(Chart, UndoZoomReturnsToTheSetScales) {
    Fixture f(60);
    QSignalSpy zoomed(&f.c, &Chart::zoomedIn);
    const QRect area = f.c.plottingRect();
    const QPoint a = area.topLeft() + QPoint(50, 30), b = area.topLeft() + QPoint(200, 120);
    QTest::mousePress(f.c.plot(), Qt::LeftButton, {}, a);
    QTest::mouseMove(f.c.plot(), b);
    QTest::mouseRelease(f.c.plot(), Qt::LeftButton, {}, b);
    ASSERT_EQ(zoomed.count(), 1);
    EXPECT_TRUE(f.c.isZoomed());
    EXPECT_NE(f.c.pixelToData(area.topLeft()).x(), T0);
    f.c.undoZoom();
    EXPECT_FALSE(f.c.isZoomed());
    EXPECT_NEAR(f.c.pixelToData(area.topLeft()).x(), T0, 1 * Sec);
}

TEST(Chart, CustomisationDialogHidesPagesAndReportsAChange) {
    Fixture f(3);
    f.c.setAllowAxisPage(false);
    f.c.setAllowFontPage(false);
    QSignalSpy closed(&f.c, &Chart::customizeDialogClosed);
    QStringList tabs;
    f.c.runDialog = [&](QDialog& d) {
        auto& dialog = static_cast<ChartCustomizeDialog&>(d);
        for (int i = 0; i < dialog.tabs()->count(); ++i)
            tabs << dialog.tabs()->tabText(i);
        dialog.mainTitleEdit()->setText("Office");
        return int(QDialog::Accepted);
    };
    f.c.customize();
    EXPECT_EQ(tabs, (QStringList{"General", "Colors", "Subsets"}));
    EXPECT_EQ(f.c.customizeDialogResult(), 1);
    EXPECT_EQ(f.c.state().mainTitle, "Office");
    EXPECT_EQ(closed.count(), 1);

    // Cancel, or OK without a change, gives another result.
    f.c.runDialog = [](QDialog&) { return int(QDialog::Rejected); };
    f.c.customize();
    EXPECT_EQ(f.c.customizeDialogResult(), 0);
    f.c.runDialog = [](QDialog&) { return int(QDialog::Accepted); };
    f.c.customize();
    EXPECT_EQ(f.c.customizeDialogResult(), 0);
    EXPECT_EQ(closed.count(), 3);
}

TEST(Chart, TheUserMovesAMovableTableByDraggingIt) {
    Fixture f(10);
    f.c.setTableSize(2, 2);
    f.c.setTableText(0, 0, "Start Time:");
    f.c.setTableInsideAxis0(100, 20);
    f.c.setTableMovable(true);
    f.c.setShowTable(true);
    f.c.redraw();
    QSignalSpy zoomed(&f.c, &Chart::zoomedIn);
    const QPoint grab = f.c.tableLocation() + QPoint(5, 5);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, f.c.plot()->mapToGlobal(at), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(f.c.plot(), &e);
    };
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton);
    send(QEvent::MouseMove, grab + QPoint(40, 30), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, grab + QPoint(40, 30), Qt::NoButton);
    EXPECT_EQ(f.c.state().table.left, 140);
    EXPECT_EQ(f.c.state().table.top, 50);
    EXPECT_EQ(zoomed.count(), 0); // a move, not a zoom
    EXPECT_FALSE(f.c.isZoomed());
}

TEST(Chart, CancelledPrintDialogPrintsNothing) {
    Fixture f(3);
    int asked = 0;
    f.c.runDialog = [&](QDialog&) {
        ++asked;
        return int(QDialog::Rejected);
    };
    f.c.printDialog();
    EXPECT_EQ(asked, 1);
}

TEST(Chart, WheelZoomsOnlyWhereZoomingIsAllowed) {
    Fixture f(60);
    QSignalSpy zoomed(&f.c, &Chart::zoomedIn);
    auto wheel = [&](QPoint at) {
        QWheelEvent e(at, f.c.plot()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(f.c.plot(), &e);
    };
    const QPoint inside = f.c.plottingRect().center();
    f.c.setAllowZoom(false, false);
    f.c.redraw();
    wheel(inside);
    EXPECT_EQ(zoomed.count(), 0);
    EXPECT_FALSE(f.c.isZoomed());
    f.c.setAllowZoom(true, true);
    f.c.redraw();
    wheel(inside);
    EXPECT_EQ(zoomed.count(), 1);
    EXPECT_TRUE(f.c.isZoomed());
    EXPECT_LT(f.c.pixelToData(f.c.plottingRect().topRight()).x() -
                  f.c.pixelToData(f.c.plottingRect().topLeft()).x(),
              60 * Sec);
}

// However wide the time range, the axis gets a handful of ticks (a range of millennia once
// asked for millions of labels and froze the window).
TEST(Chart, TimeAxisTicksStayFewForAnyRange) {
    Fixture f(10);
    const double spans[] = {10 * Sec, 1.0, 400.0, 40000.0, 3.6e6};
    for (double span : spans) {
        f.c.setManualMinX(-693593);
        f.c.setManualMaxX(-693593 + span);
        f.c.redraw();
        f.c.plot()->replot(QCustomPlot::rpImmediateRefresh);
        const QCPAxis* axis =
            f.c.plot()->axisRect(f.c.plot()->axisRectCount() - 1)->axis(QCPAxis::atBottom);
        EXPECT_GE(axis->tickVector().size(), 2) << span;
        EXPECT_LE(axis->tickVector().size(), 13) << span;
    }
}

// Points far off the axes, or not numbers at all, come out as pixels far outside the widget
// rather than as undefined conversions; the same for a table placed at the end of the int range.
TEST(Chart, FarAwayPlacesStayInsideTheIntRange) {
    Fixture f(10);
    const QRect area = f.c.plottingRect();
    for (double v : {-7.7e10, 1e300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        const QPoint p = f.c.dataToPixel(v, v);
        EXPECT_FALSE(area.contains(p)) << v;
        EXPECT_LE(std::abs(p.x()), 10'000'000) << v;
        EXPECT_LE(std::abs(p.y()), 10'000'000) << v;
    }
    f.c.setGraphAnnotationType(1, AnnotationCross);
    f.c.setGraphAnnotationX(1, std::numeric_limits<double>::quiet_NaN());
    f.c.setGraphAnnotationY(1, 0);
    f.c.setTableSize(1, 1);
    f.c.setTableText(0, 0, QStringLiteral("far"));
    f.c.setShowTable(true);
    f.c.setTableInsideAxis0(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    f.c.redraw();
    f.c.plot()->replot(QCustomPlot::rpImmediateRefresh);
    // A table placed past the edge comes back inside the chart, without wrapping around.
    const QPoint at = f.c.tableLocation();
    EXPECT_GE(at.x(), 0);
    EXPECT_LE(at.x(), f.c.plot()->width());
    EXPECT_GE(at.y(), 0);
    EXPECT_LE(at.y(), f.c.plot()->height());
}

namespace {
QCPRange timeRange(const Chart& c) {
    return c.plot()->axisRects().at(0)->axis(QCPAxis::atBottom)->range();
}
QCPRange valueRange(const Chart& c, int axis) {
    return c.plot()->axisRects().at(axis)->axis(QCPAxis::atLeft)->range();
}
void dragZoom(Chart& c) {
    const QRect area = c.plottingRect();
    const QPoint a = area.topLeft() + QPoint(50, 30), b = area.topLeft() + QPoint(200, 120);
    QTest::mousePress(c.plot(), Qt::LeftButton, {}, a);
    QTest::mouseMove(c.plot(), b);
    QTest::mouseRelease(c.plot(), Qt::LeftButton, {}, b);
}
} // namespace

TEST(Chart, AZoomSurvivesARebuildOfTheLayout) {
    Fixture f(60);
    for (int p = 0; p < 60; ++p)
        f.write(p, 400 + p, 50, 20);
    f.c.redraw();
    dragZoom(f.c);
    ASSERT_TRUE(f.c.isZoomed());
    const QCPRange x = timeRange(f.c), y0 = valueRange(f.c, 0), y1 = valueRange(f.c, 1);
    ASSERT_GT(x.lower, T0);

    // A quantity switched off and on again rebuilds the axes; the view stays where it was.
    f.c.setSubsetToGraph(-1, 0);
    f.c.setSubsetToGraph(0, 1);
    f.c.redraw();
    f.c.reinitAndReset();
    EXPECT_TRUE(f.c.isZoomed());
    EXPECT_DOUBLE_EQ(timeRange(f.c).lower, x.lower);
    EXPECT_DOUBLE_EQ(timeRange(f.c).upper, x.upper);
    EXPECT_DOUBLE_EQ(valueRange(f.c, 0).lower, y0.lower);
    EXPECT_DOUBLE_EQ(valueRange(f.c, 0).upper, y0.upper);
    EXPECT_DOUBLE_EQ(valueRange(f.c, 1).lower, y1.lower);
    EXPECT_DOUBLE_EQ(valueRange(f.c, 1).upper, y1.upper);
    // Both time axes still move together.
    EXPECT_DOUBLE_EQ(f.c.plot()->axisRects().at(1)->axis(QCPAxis::atBottom)->range().lower,
                     x.lower);

    f.c.undoZoom();
    EXPECT_NEAR(timeRange(f.c).lower, T0, 1e-9);
    EXPECT_NEAR(timeRange(f.c).upper, T0 + 60 * Sec, 1e-9);
    EXPECT_DOUBLE_EQ(valueRange(f.c, 0).upper, 10000);
}

TEST(Chart, AScaleWithoutWidthIsWidenedAroundItsValue) {
    struct Case {
        const char* name;
        double minX, maxX;
        double minY, maxY;
        double expectX0, expectX1; // time axis shown
        double expectY0, expectY1; // axis 0 shown
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"one instant", T0, T0, 0, 10000, T0 - 30 * Sec, T0 + 30 * Sec, 0, 10000},
        {"minimum equal to maximum", T0, T0 + 10 * Sec, 500, 500, T0, T0 + 10 * Sec, 499, 501},
        {"inverted passes as it is", T0 + 10 * Sec, T0, 10000, 0, T0, T0 + 10 * Sec, 0, 10000},
        // Not a number: the data's own extent, as for an automatic scale.
        {"not finite", nan, T0 + 10 * Sec, 0, 10000, T0, T0 + 2 * Sec, 0, 10000},
    };
    for (const Case& k : cases) {
        Fixture f(3);
        for (int p = 0; p < 3; ++p)
            f.write(p, 400, 50, 20);
        f.c.setManualMinX(k.minX);
        f.c.setManualMaxX(k.maxX);
        f.c.setWorkingAxis(0);
        f.c.setManualMinY(k.minY);
        f.c.setManualMaxY(k.maxY);
        f.c.redraw();
        EXPECT_NEAR(timeRange(f.c).lower, k.expectX0, 1e-9) << k.name;
        EXPECT_NEAR(timeRange(f.c).upper, k.expectX1, 1e-9) << k.name;
        EXPECT_NEAR(valueRange(f.c, 0).lower, k.expectY0, 1e-9) << k.name;
        EXPECT_NEAR(valueRange(f.c, 0).upper, k.expectY1, 1e-9) << k.name;
    }
}

TEST(Chart, ALonePointIsDrawnAsADot) {
    Fixture f(1);
    f.write(0, 400, 50, 20);
    f.c.redraw();
    for (int k = 0; k < 3; ++k)
        EXPECT_NE(f.graph(k)->scatterStyle().shape(), QCPScatterStyle::ssNone) << k;
    // A second point makes a line, and the dots go.
    f.c.setPoints(2);
    f.write(1, 410, 51, 21);
    f.c.redraw();
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(f.graph(k)->scatterStyle().shape(), QCPScatterStyle::ssNone) << k;
    // A lone null value has nothing to show.
    f.c.setPoints(1);
    f.c.setYData(0, 0, 99999);
    f.c.setNullDataValueY(99999);
    f.c.redraw();
    EXPECT_EQ(f.graph(0)->scatterStyle().shape(), QCPScatterStyle::ssNone);
}

TEST(Chart, TheTableStaysInsideAxisZeroWhateverTheChartsSize) {
    struct Case {
        const char* name;
        QSize size;
        int rows; // with text; three empty rows follow
    };
    const Case cases[] = {
        {"narrow window", {760, 520}, 12},
        {"full size", {1100, 540}, 12},
        {"low window: smaller text", {800, 400}, 12},
        // Cannot fit at a readable size: it starts at the top of axis 0 and runs on below.
        {"more rows than fit", {800, 400}, 40},
    };
    for (const Case& k : cases) {
        Fixture f(3);
        f.c.resize(k.size);
        f.c.setTableSize(k.rows + 3, 2);
        for (int r = 0; r < k.rows; ++r) {
            f.c.setTableText(r, 0, QStringLiteral("ppm MAX:"));
            f.c.setTableText(r, 1, QStringLiteral("1234@14/03/2026 09:26:53"));
        }
        f.c.setTableInsideAxis0(550, 50);
        f.c.setTableTextSize(80);
        f.c.setShowTable(true);
        f.c.redraw();
        QCoreApplication::processEvents();
        const QRect axis0 = f.c.plot()->axisRects().at(0)->rect();
        const QRect table = f.c.tableRect();
        EXPECT_FALSE(table.isEmpty()) << k.name;
        if (k.rows > 12) {
            EXPECT_TRUE(axis0.contains(table.topLeft())) << k.name;
            EXPECT_EQ(table.top(), axis0.top()) << k.name;
            continue;
        }
        EXPECT_TRUE(axis0.contains(table))
            << k.name << ": table " << table.x() << "," << table.y() << " " << table.width() << "x"
            << table.height() << " in " << axis0.x() << "," << axis0.y() << " " << axis0.width()
            << "x" << axis0.height();
        EXPECT_EQ(f.c.tableLocation(), table.topLeft()) << k.name;
        // The position the program gave stays in the settings, for a larger window.
        EXPECT_EQ(f.c.state().table.left, 550) << k.name;
    }
}
