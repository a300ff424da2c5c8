// The graph window: layout and texts, ConfigureGraph, ShowDataSet, check boxes, ClearGraph,
// statistics in the boxes, read-outs, the MAX/MIN table and the close rules per caption.
#include "LayoutCheck.h"
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {
constexpr double T0 = 46000.25;

void moveMouse(QWidget* w, QPoint at) {
    QMouseEvent e(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
constexpr double Sec = 1.0 / 86400.0;

// A main window (not shown) and one graph window in its MDI area.
struct GraphFixture {
    NoMeter meter;
    TestMain t{meter};
    TfrmGraph* g = nullptr;
    QMdiSubWindow* frame = nullptr;

    explicit GraphFixture(const QString& caption = QStringLiteral("run1.ghf")) {
        g = new TfrmGraph(*t.main);
        g->setWindowTitle(caption);
        frame = t.main->addChild(g);
    }
    AppState& st() { return t.main->state(); }

    // Data sets without samples yet, degrees C and no offsets; the caller adds the samples.
    DataSetStore& storeOf(std::vector<double> starts, std::vector<int32_t> intervals,
                          std::vector<int32_t> counts) {
        DataSetStore& s = st().dataSets;
        s.clear();
        const size_t n = starts.size();
        s.startTime = std::move(starts);
        s.interval = std::move(intervals);
        s.sampleCount = std::move(counts);
        s.temperatureUnit.assign(n, 0);
        for (auto* column :
             {&s.co2Offset, &s.rhOffset, &s.temperatureOffset, &s.headerOffset, &s.endOffset})
            column->assign(n, 0);
        return s;
    }

    // Two data sets: 3 samples every 2 s from T0, then 4 samples every 75 s from T0 + 1.
    void fillStore() {
        DataSetStore& s = storeOf({T0, T0 + 1}, {2, 75}, {3, 4});
        for (int i = 0; i < 3; ++i) {
            for (int k = 0; k < 3; ++k)
                s.times.push_back(T0 + i * 2 * Sec);
            s.values.insert(s.values.end(), {float(400 + i), 50.0f, 20.0f});
        }
        for (int i = 0; i < 4; ++i) {
            for (int k = 0; k < 3; ++k)
                s.times.push_back(T0 + 1 + i * 75 * Sec);
            s.values.insert(s.values.end(), {float(800 + 10 * i), float(40 + i), float(25 - i)});
        }
    }
};
} // namespace

TEST(GraphWindow, LayoutAndTexts) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    EXPECT_EQ(g.sizeHint(), QSize(1160, 615));
    EXPECT_EQ(TfrmGraph(*f.t.main).size(), QSize(1160, 615));
    EXPECT_TRUE(g.pnlDataSets->isHidden());
    ASSERT_EQ(g.Grid2->columnCount(), 11);
    ASSERT_EQ(g.Grid2->rowCount(), 2);
    const QStringList headers{"Set",        "DATE",      "TIME",      "Rate", "Nums", "Unit",
                              "ppm Offset", "RH Offset", "T1 Offset", "",     ""};
    const int widths[] = {25, 60, 60, 65, 40, 40, 60, 40, 40, 40, 40};
    for (int c = 0; c < 11; ++c) {
        EXPECT_EQ(g.Grid2->item(0, c)->text(), headers[c]);
        EXPECT_EQ(g.Grid2->columnWidth(c), widths[c]);
        EXPECT_EQ(g.Grid2->item(1, c), nullptr);
    }
    struct Hint {
        QToolButton* b;
        const char* text;
        bool checked;
    };
    for (const Hint& h :
         {Hint{g.ToolButton1, "Toggle Graph Statistic", true},
          Hint{g.ToolButton2, "Toggle Line Cursor Statistic", true},
          Hint{g.ToolButton4, "Normal Cursor", true},
          Hint{g.ToolButton5, "Draw A Cross On Graph", false}, Hint{g.ToolButton9, "Text", false},
          Hint{g.ToolButton15, "Set Annotation Color", false}}) {
        EXPECT_EQ(h.b->toolTip(), h.text);
        EXPECT_EQ(h.b->isChecked(), h.checked) << h.text;
    }
    EXPECT_EQ(g.tbntClr->text(), "Clear");
    EXPECT_EQ(g.UndoZoom->text(), "Undo Zoom");
    EXPECT_FALSE(g.UndoZoom->isEnabled());
    EXPECT_EQ(g.chkSplit->text(), "Split");
    EXPECT_TRUE(g.chkSplit->isChecked());
    EXPECT_EQ(g.Button1->text(), "Graph Option");
    EXPECT_EQ(g.Button1->toolTip(), "Graph Customization");
    EXPECT_EQ(g.btnChangeScale->text(), "Y Axis");
    EXPECT_EQ(g.btnChangeScale->toolTip(),
              "set the maximum and minimum extent of the left y axis.");
    EXPECT_EQ(g.Button3->text(), "Font");
    EXPECT_EQ(g.chkppm->text(), "ppm");
    EXPECT_EQ(g.chkRH->text(), "%RH");
    EXPECT_EQ(g.chkT1->text(), "Temp.");
    for (QCheckBox* c : {g.chkppm, g.chkRH, g.chkT1})
        EXPECT_TRUE(c->isChecked());
    for (QComboBox* c : {g.ComboBox1, g.ComboBox2}) {
        ASSERT_EQ(c->count(), 61);
        EXPECT_EQ(c->itemText(0), "00");
        EXPECT_EQ(c->itemText(60), "60");
    }
    EXPECT_EQ(g.ComboBox1->currentText(), "00");
    EXPECT_EQ(g.ComboBox2->currentText(), "02");
    EXPECT_FALSE(g.pnlSamplingRate->isEnabled());
    EXPECT_EQ(g.txtDataNo->text(), "0");
    EXPECT_EQ(g.Button2->text(), "Show MAX/MIN on Graph");
    for (QLineEdit* e : {g.txtppmAvg, g.txtRHAvg, g.txtT1Avg})
        EXPECT_EQ(e->text(), "***.* ");
    QStringList labels;
    for (QLabel* l : g.pnlStatistic->findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"ppm MAX ", "RH MAX ", "T1 MAX ", "MIN", "AVG"})
        EXPECT_TRUE(labels.contains(text)) << text;
    QStringList upper;
    for (QLabel* l : g.pnlGraphStatistic->findChildren<QLabel*>())
        upper << l->text();
    for (const char* text : {"Start Time", "Sampling Rate", "mm:ss", "Data No."})
        EXPECT_TRUE(upper.contains(text)) << text;
}

TEST(GraphWindow, ColourDialogStartsWithTheSavedAnnotationColour) {
    NoMeter meter;
    TestMain t(meter);
    t.main->state().AnnoColor = 0x0000FF; // red, as 0xBBGGRR
    auto* g = new TfrmGraph(*t.main);
    t.main->addChild(g);
    EXPECT_EQ(g->annotationColor, QColor(255, 0, 0));
}

TEST(GraphWindow, ConfigureGraphStacksTwoAxesAndDrawsNothing) {
    GraphFixture f;
    chart::Chart& c = *f.g->PESGraph1;
    TfrmGraph::ConfigureGraph(c, 3, 100, T0, T0 + 110 * Sec, 0, 10000, -50, 100);
    EXPECT_EQ(c.subsets(), 3);
    EXPECT_EQ(c.points(), 100);
    EXPECT_TRUE(c.manualScaleX());
    EXPECT_DOUBLE_EQ(c.manualMinX(), T0);
    EXPECT_DOUBLE_EQ(c.manualMaxX(), T0 + 110 * Sec);
    EXPECT_EQ(c.multiAxesCount(), 2);
    EXPECT_EQ(c.multiAxesSubsets(0), 1);
    EXPECT_EQ(c.multiAxesSubsets(1), 2);
    EXPECT_DOUBLE_EQ(c.multiAxesProportions(0), 0.5);
    EXPECT_DOUBLE_EQ(c.multiAxesProportions(1), 0.5);
    EXPECT_EQ(c.workingAxis(), 0);
    EXPECT_DOUBLE_EQ(c.manualMaxY(), 10000);
    c.setWorkingAxis(1);
    EXPECT_TRUE(c.manualScaleY());
    EXPECT_DOUBLE_EQ(c.manualMinY(), -50);
    EXPECT_DOUBLE_EQ(c.manualMaxY(), 100);
    EXPECT_EQ(c.subsetLabel(0), "ppm");
    EXPECT_EQ(c.subsetLabel(1), "%RH");
    EXPECT_EQ(c.subsetLabel(2), "Temp.");
    EXPECT_EQ(c.subsetColor(0), QColor(255, 255, 0));
    EXPECT_EQ(c.subsetColor(1), QColor(0, 0, 255));
    EXPECT_EQ(c.subsetColor(2), QColor(255, 0, 0));
    EXPECT_EQ(QColor::fromRgba(c.state().graphBackColor), QColor(Qt::black));
    EXPECT_EQ(c.lineAnnotation(0).color, QColor(0, 0, 255).rgba());
    EXPECT_EQ(c.lineAnnotation(1).color, QColor(255, 0, 0).rgba());
    EXPECT_FALSE(c.state().allowAxisPage);
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 100; ++p)
            ASSERT_EQ(c.xData(k, p), 0);
    EXPECT_EQ(c.plot()->graph(0)->dataCount(), 0);

    // X minimum 0 keeps the automatic X scale.
    chart::Chart fresh;
    TfrmGraph::ConfigureGraph(fresh, 3, 10, 0, 0, 0, 10000, -50, 100);
    EXPECT_FALSE(fresh.manualScaleX());
}

TEST(GraphWindow, ConfigureGraphTakesTheLookFromTheTemplate) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("template"));
    chart::Chart source;
    TfrmGraph::ConfigureGraph(source, 3, 1, 0, 0, 0, 10000, -50, 100);
    source.setGraphBackColor(Qt::white);
    source.setSubsetLabel(1, "RH from template");
    QFile file(dir.filePath("template/graph.ghf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(source.storeState());
    file.close();

    TfrmGraph::templateFolder = dir.path();
    QStringList read;
    TfrmGraph::readGraphFile = [&](chart::Chart& c, const QString& name) {
        read << name;
        QFile in(name);
        if (!in.open(QIODevice::ReadOnly)) return false;
        const QByteArray b = in.readAll();
        return c.loadState({reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())});
    };
    chart::Chart c;
    TfrmGraph::ConfigureGraph(c, 3, 50, T0, T0 + 1, 0, 10000, -50, 100);
    TfrmGraph::readGraphFile = nullptr;
    TfrmGraph::templateFolder.clear();

    EXPECT_EQ(read, QStringList{dir.filePath("template/graph.ghf")});
    EXPECT_EQ(QColor::fromRgba(c.state().graphBackColor),
              QColor(Qt::white));       // kept from the template
    EXPECT_EQ(c.subsetLabel(1), "%RH"); // always set
    EXPECT_EQ(c.points(), 50);
    EXPECT_EQ(c.multiAxesSubsets(1), 2);
}

TEST(GraphWindow, ShowDataSetChartsOneSetStraightFromTheStore) {
    GraphFixture f(TfrmGraph::DataLoggerCaption);
    f.fillStore();
    TfrmGraph& g = *f.g;
    g.ShowDataSet(1);
    const chart::Chart& c = *g.PESGraph1;
    ASSERT_EQ(c.points(), 4);
    for (int p = 0; p < 4; ++p) {
        EXPECT_DOUBLE_EQ(c.xData(2, p), T0 + 1 + p * 75 * Sec);
        EXPECT_FLOAT_EQ(c.yData(0, p), float(800 + 10 * p));
        EXPECT_FLOAT_EQ(c.yData(1, p), float(40 + p));
        EXPECT_FLOAT_EQ(c.yData(2, p), float(25 - p));
    }
    EXPECT_DOUBLE_EQ(c.manualMinX(), T0 + 1);
    EXPECT_NEAR(c.manualMaxX(), T0 + 1 + 4 * 75 * Sec, 1e-9);
    EXPECT_EQ(g.txtStartTime->text(), DateTimeText::dateTime(T0 + 1));
    EXPECT_EQ(g.ComboBox1->currentIndex(), 1); // the stored 75 s, not the derived interval
    EXPECT_EQ(g.ComboBox2->currentIndex(), 15);
    EXPECT_EQ(g.txtDataNo->text(), "4");
    EXPECT_EQ(g.txtppmMax->text(), "830@" + DateTimeText::dateTime(T0 + 1 + 3 * 75 * Sec));
    EXPECT_EQ(g.txtppmMin->text(), "800@" + DateTimeText::dateTime(T0 + 1));
    EXPECT_EQ(g.txtppmAvg->text(), GraphStatistics::fixed(815, 1));

    g.ShowDataSet(5); // no such set: nothing changes
    EXPECT_EQ(c.points(), 4);
}

TEST(GraphWindow, GridClickShowsTheRowsDataSetUnlessColumnOneIsEmpty) {
    GraphFixture f(TfrmGraph::DataLoggerCaption);
    f.fillStore();
    TfrmGraph& g = *f.g;
    g.Grid2->setRowCount(3);
    g.Grid2->setItem(1, 1, new QTableWidgetItem("12/01/25"));
    g.Grid2->setItem(2, 0, new QTableWidgetItem("2")); // column 1 left empty
    g.Grid2->selectRow(2);
    g.Grid2Click();
    EXPECT_EQ(g.PESGraph1->points(), 0);
    g.Grid2->setItem(2, 1, new QTableWidgetItem("12/01/25"));
    g.Grid2Click();
    EXPECT_EQ(g.PESGraph1->points(), 4);
    g.Grid2->selectRow(1);
    g.Grid2Click();
    EXPECT_EQ(g.PESGraph1->points(), 3);
}

TEST(GraphWindow, CheckBoxesGiveSlotsInQuantityOrder) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    g.ConfigureGraph(10, T0, T0 + 1);
    struct Case {
        bool ppm, rh, t;
        std::vector<int32_t> shown;
    };
    const Case cases[] = {
        {true, true, true, {0, 1, 2}}, {false, false, false, {}}, {false, false, true, {2}},
        {true, false, true, {0, 2}},   {false, true, false, {1}},
    };
    for (const Case& c : cases) {
        g.chkppm->setChecked(c.ppm);
        g.chkRH->setChecked(c.rh);
        g.chkT1->setChecked(c.t);
        g.chkppmClick();
        EXPECT_EQ(g.PESGraph1->subsetsToGraph(), c.shown) << c.ppm << c.rh << c.t;
    }
}

TEST(GraphWindow, AQuantityCheckBoxAfterAZoomKeepsTheZoomedView) {
    GraphFixture f(TfrmGraph::DataLoggerCaption);
    f.fillStore();
    TfrmGraph& g = *f.g;
    f.t.main->resize(1200, 800);
    f.t.main->show();
    f.frame->setGeometry(0, 0, 1100, 650);
    g.ShowDataSet(1);
    chart::Chart& c = *g.PESGraph1;
    const QRect area = c.plottingRect();
    const QPoint a = area.topLeft() + QPoint(40, 20), b = area.topLeft() + QPoint(300, 100);
    QTest::mousePress(c.plot(), Qt::LeftButton, {}, a);
    QTest::mouseMove(c.plot(), b);
    QTest::mouseRelease(c.plot(), Qt::LeftButton, {}, b);
    ASSERT_TRUE(g.UndoZoom->isEnabled());
    auto range = [&](int rect, QCPAxis::AxisType type) {
        return c.plot()->axisRects().at(rect)->axis(type)->range();
    };
    const QCPRange x = range(0, QCPAxis::atBottom), ppm = range(0, QCPAxis::atLeft);
    ASSERT_GT(x.lower, T0 + 1);

    QTest::mouseClick(g.chkRH, Qt::LeftButton);
    ASSERT_FALSE(g.chkRH->isChecked());
    EXPECT_EQ(g.PESGraph1->subsetsToGraph(), (std::vector<int32_t>{0, 2}));
    // Not the blank chart of 1899 with axes of 0 to 5: the view the zoom chose.
    EXPECT_DOUBLE_EQ(range(0, QCPAxis::atBottom).lower, x.lower);
    EXPECT_DOUBLE_EQ(range(0, QCPAxis::atBottom).upper, x.upper);
    EXPECT_DOUBLE_EQ(range(0, QCPAxis::atLeft).lower, ppm.lower);
    EXPECT_DOUBLE_EQ(range(0, QCPAxis::atLeft).upper, ppm.upper);
    EXPECT_TRUE(g.UndoZoom->isEnabled());

    g.UndoZoomClick();
    EXPECT_NEAR(range(0, QCPAxis::atBottom).lower, T0 + 1, 1e-9);
    EXPECT_DOUBLE_EQ(range(1, QCPAxis::atLeft).lower, -50);
    EXPECT_DOUBLE_EQ(range(1, QCPAxis::atLeft).upper, 100);
}

TEST(GraphWindow, EmptyAndSingleSampleDataSetsShowTheirOwnTime) {
    GraphFixture f(TfrmGraph::DataLoggerCaption);
    DataSetStore& s = f.storeOf({T0, T0 + 1}, {10, 90}, {0, 1});
    for (int k = 0; k < 3; ++k)
        s.times.push_back(T0 + 1);
    s.values.insert(s.values.end(), {612.0f, 48.5f, 71.2f});
    TfrmGraph& g = *f.g;
    f.t.main->show();
    f.frame->setGeometry(0, 0, 1100, 650);
    const chart::Chart& c = *g.PESGraph1;
    auto timeAxis = [&] { return c.plot()->axisRects().at(0)->axis(QCPAxis::atBottom)->range(); };

    g.ShowDataSet(0);
    EXPECT_EQ(c.points(), 0);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(c.plot()->graph(k)->dataCount(), 0);
    // The set's own start time is on the axis, not 30/12/1899.
    EXPECT_LE(timeAxis().lower, T0);
    EXPECT_GE(timeAxis().upper, T0);
    EXPECT_LT(timeAxis().size(), 1.0 / 24);
    EXPECT_EQ(g.txtStartTime->text(), DateTimeText::dateTime(T0));
    EXPECT_EQ(g.txtDataNo->text(), "0");
    EXPECT_EQ(g.txtppmMin->text(), "----");
    EXPECT_EQ(g.txtT1Max->text(), "----");
    EXPECT_EQ(g.txtRHAvg->text(), "****");

    g.ShowDataSet(1);
    ASSERT_EQ(c.points(), 1);
    for (int k = 0; k < 3; ++k) {
        const QCPGraph* graph = c.plot()->graph(k);
        ASSERT_EQ(graph->dataCount(), 1) << k;
        EXPECT_NE(graph->scatterStyle().shape(), QCPScatterStyle::ssNone) << k;
    }
    // The lone sample sits inside the time axis, away from its edges, so its dot shows whole.
    EXPECT_GT(T0 + 1 - timeAxis().lower, timeAxis().size() / 4);
    EXPECT_GT(timeAxis().upper - (T0 + 1), timeAxis().size() / 4);
    EXPECT_EQ(g.txtppmMax->text(), "612@" + DateTimeText::dateTime(T0 + 1));
    EXPECT_EQ(g.txtDataNo->text(), "1");
}

TEST(GraphWindow, ClearGraphEmptiesTheChartAndMovesTheUsersMarksAway) {
    GraphFixture f(TfrmGraph::RealTimeCaption);
    TfrmGraph& g = *f.g;
    g.ConfigureGraph(10, T0, T0 + 20 * Sec);
    for (int p = 0; p < 5; ++p)
        g.setSample(p, T0 + p * Sec, 400, 50, 20);
    chart::Chart& c = *g.PESGraph1;
    for (int i = 2; i <= 6; ++i) {
        c.setGraphAnnotationType(i, chart::AnnotationCross);
        c.setGraphAnnotationX(i, T0 + i * Sec);
        c.setGraphAnnotationY(i, 100 * i);
        c.setGraphAnnotationText(i, "m");
    }
    f.st().AnnotationIndex = 6;
    f.st().SampleCount = 5;
    g.setDataNo(5);
    g.setMaxText(GraphStatistics::Ppm, "400@x");
    g.setAverageText(GraphStatistics::Temp, "20.0");
    g.ClearGraph();

    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 10; ++p)
            EXPECT_EQ(c.xData(k, p), 0);
    EXPECT_EQ(c.plot()->graph(0)->dataCount(), 0);
    EXPECT_EQ(g.txtDataNo->text(), "");
    for (auto q : {GraphStatistics::Ppm, GraphStatistics::RH, GraphStatistics::Temp}) {
        EXPECT_EQ(g.maxText(q), "");
        EXPECT_EQ(g.minText(q), "");
        EXPECT_EQ(g.averageText(q), "");
    }
    EXPECT_EQ(f.st().SampleCount, 0);
    EXPECT_EQ(f.st().AnnotationIndex, 3);
    EXPECT_DOUBLE_EQ(c.graphAnnotation(2).x, T0 + 2 * Sec); // the data point marker stays
    for (int i = 3; i <= 6; ++i) {
        EXPECT_EQ(c.graphAnnotation(i).x, 0) << i;
        EXPECT_EQ(c.graphAnnotation(i).y, 0) << i;
    }
}

TEST(GraphWindow, StatisticsBoxesAndAnIntervalBeyondTheLists) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    g.ConfigureGraph(2, T0, T0 + 1);
    g.setSample(0, T0, 400, 50, 20);
    g.setSample(1, T0 + 2 * 3660 * Sec, 500, 60, 21); // 3660 s per point: 61 minutes
    g.UpdateStatistics();
    EXPECT_EQ(g.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(g.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(g.samplingRate(), 0);
    EXPECT_EQ(g.txtDataNo->text(), "2");
    EXPECT_EQ(g.txtStartTime->text(), DateTimeText::dateTime(T0));
    EXPECT_EQ(g.txtRHMax->text(),
              GraphStatistics::fixed(60, 1) + "@" + DateTimeText::dateTime(T0 + 2 * 3660 * Sec));
    EXPECT_EQ(g.txtT1Avg->text(), GraphStatistics::fixed(20.5, 1));
}

TEST(GraphWindow, DataPointReadOutMarksOnlyTheLastClickedPoint) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    g.ConfigureGraph(10, T0, T0 + 20 * Sec);
    for (int p = 0; p < 10; ++p)
        g.setSample(p, T0 + p * Sec, 400 + p, 50.25f + p, 20);
    g.PESGraph1DataHotSpot(false, 3, 1);
    g.PESGraph1DataHotSpot(false, 5, 1);
    const chart::GraphAnnotation a = g.PESGraph1->graphAnnotation(2);
    EXPECT_EQ(a.type, chart::AnnotationCross);
    EXPECT_EQ(QColor::fromRgba(a.color), QColor(Qt::black));
    EXPECT_DOUBLE_EQ(a.x, T0 + 5 * Sec);
    EXPECT_FLOAT_EQ(float(a.y), 55.25f);
    EXPECT_EQ(a.text, DateTimeText::time(T0 + 5 * Sec) + "\r" + GraphStatistics::fixed(55.25f, 1));
    EXPECT_EQ(g.PESGraph1->state().graphAnnotations.size(), 1u);
}

TEST(GraphWindow, MouseReadOutInsideThePlottingAreaOnly) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    f.t.main->resize(1400, 900);
    f.t.main->show();
    g.ConfigureGraph(10, T0, T0 + 20 * Sec);
    QTest::qWait(20);
    chart::Chart& c = *g.PESGraph1;
    const QRect area = c.plottingRect();
    ASSERT_TRUE(area.isValid());
    const QPoint inside = area.center();
    moveMouse(c.plot(), inside);
    const QPointF xy = c.pixelToData(inside);
    EXPECT_EQ(g.Panel12->text(),
              GraphStatistics::fixed(xy.y(), 1) + "@" + DateTimeText::time(xy.x()));
    const QString before = g.Panel12->text();
    moveMouse(c.plot(), QPoint(area.left() - 5, area.top() + 5));
    EXPECT_EQ(c.lastMousePosition(), QPoint(area.left() - 5, area.top() + 5));
    EXPECT_EQ(g.Panel12->text(), before);
    EXPECT_EQ(g.Panel12->pos(), QPoint(0, 0));
}

TEST(GraphWindow, MaxMinTableCopiesTheBoxesAndTogglesOnEachClick) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    g.ConfigureGraph(3, T0, T0 + 1);
    g.txtStartTime->setText("start");
    g.ComboBox1->setCurrentIndex(1);
    g.ComboBox2->setCurrentIndex(5);
    g.txtDataNo->setText("3");
    g.setMaxText(GraphStatistics::Ppm, "900@t");
    g.setAverageText(GraphStatistics::Temp, "20.5");
    chart::Chart& c = *g.PESGraph1;
    g.Button2Click();
    EXPECT_TRUE(c.isTableShown());
    ASSERT_EQ(c.tableRows(), 15);
    ASSERT_EQ(c.tableColumns(), 2);
    EXPECT_EQ(c.tableText(0, 0), "Start Time:");
    EXPECT_EQ(c.tableText(0, 1), "start");
    EXPECT_EQ(c.tableText(1, 0), "Sampling:");
    EXPECT_EQ(c.tableText(1, 1), "01:05");
    EXPECT_EQ(c.tableText(2, 1), "3");
    EXPECT_EQ(c.tableText(3, 0), "ppm MAX:");
    EXPECT_EQ(c.tableText(3, 1), "900@t");
    EXPECT_EQ(c.tableText(11, 0), "T1 AVG:");
    EXPECT_EQ(c.tableText(11, 1), "20.5");
    for (int r = 12; r < 15; ++r)
        EXPECT_EQ(c.tableText(r, 0), "");
    for (int r = 0; r < 15; ++r)
        EXPECT_EQ(c.tableColor(r, 1), QColor(255, 0, 0));
    const chart::TableAnnotation& t = c.state().table;
    EXPECT_TRUE(t.insideAxis0);
    EXPECT_EQ(t.left, 550);
    EXPECT_EQ(t.top, 50);
    EXPECT_TRUE(t.movable);
    EXPECT_EQ(QColor::fromRgba(t.backColor).alpha(), 129);
    EXPECT_EQ(t.border, chart::TableBorder::Inset);
    EXPECT_EQ(t.textSize, 80);
    g.Button2Click();
    EXPECT_FALSE(c.isTableShown());
}

TEST(GraphWindow, StatisticToggles) {
    GraphFixture f;
    TfrmGraph& g = *f.g;
    // The buttons start down; a click raises them (and runs their handlers).
    g.ToolButton1->click();
    EXPECT_FALSE(g.ToolButton1->isChecked());
    EXPECT_TRUE(g.pnlGraphStatistic->isHidden());
    g.ToolButton2->click();
    EXPECT_TRUE(g.pnlStatistic->isHidden());
    EXPECT_FALSE(g.PESGraph1->showLineAnnotations());
    g.ToolButton2->click();
    EXPECT_FALSE(g.pnlStatistic->isHidden());
    EXPECT_TRUE(g.PESGraph1->showLineAnnotations());
    g.ToolButton1->click();
    EXPECT_FALSE(g.pnlGraphStatistic->isHidden());
}

// --- Closing ----------------------------------------------------------------------------------

namespace {
struct CloseCase {
    const char* name;
    QString caption;
    bool dataLoggerUnsaved;
    bool realTimeUnsaved;
    QMessageBox::StandardButton answer;
    bool saveWritten;   // a Yes ends in a written file (otherwise its save dialog is cancelled)
    const char* prompt; // empty: none
    bool closes;
    bool dataLoggerUnsavedAfter;
    bool realTimeUnsavedAfter;
    int saves; // calls of the graph window's SaveChart hook (the real-time window's Yes)
};
} // namespace

TEST(GraphWindow, CloseRulesPerCaption) {
    const QString dl = TfrmGraph::DataLoggerCaption, rt = TfrmGraph::RealTimeCaption,
                  file = "c:/data/run1.ghf";
    const auto Yes = QMessageBox::Yes, No = QMessageBox::No, Cancel = QMessageBox::Cancel;
    const CloseCase cases[] = {
        {"logger cancel", dl, true, false, Cancel, false, "Save DataLogger Data ?", false, true,
         false, 0},
        {"logger yes", dl, true, false, Yes, true, "Save DataLogger Data ?", true, false, false, 0},
        {"logger yes, save cancelled", dl, true, false, Yes, false, "Save DataLogger Data ?", false,
         true, false, 0},
        {"logger no", dl, true, false, No, false, "Save DataLogger Data ?", true, false, false, 0},
        {"logger saved", dl, false, true, Cancel, false, "", true, false, true, 0},
        {"real-time cancel", rt, false, true, Cancel, false, "Save Real-Time Graph ?", false, false,
         true, 0},
        {"real-time yes", rt, false, true, Yes, true, "Save Real-Time Graph ?", true, false, false,
         1},
        {"real-time yes, save cancelled", rt, false, true, Yes, false, "Save Real-Time Graph ?",
         false, false, true, 1},
        {"real-time no", rt, false, true, No, false, "Save Real-Time Graph ?", true, false, false,
         0},
        {"real-time saved", rt, true, false, Cancel, false, "", true, true, false, 0},
        {"file window", file, true, true, Cancel, false, "", true, true, true, 0},
    };
    for (const CloseCase& c : cases) {
        GraphFixture f(c.caption);
        AppState& st = f.st();
        st.dataFolder = f.t.dir.path() + QStringLiteral("/");
        if (c.caption == dl) st.DataLoggerGraph = f.g;
        if (c.caption == rt) st.RealTimeGraph = f.g;
        st.DataLoggerUnsaved = c.dataLoggerUnsaved;
        st.RealTimeUnsaved = c.realTimeUnsaved;
        int saves = 0;
        const auto realSave = TfrmGraph::saveChart;
        TfrmGraph::saveChart = [&](chart::Chart& chart) {
            EXPECT_EQ(&chart, f.g->PESGraph1);
            ++saves;
            realSave(chart);
        };
        f.t.dialogs.messageAnswers.push_back(c.answer);
        // The data logger window's Yes saves through the choice dialog: its single data set.
        if (c.caption == dl)
            f.t.dialogs.dialogAnswers.push_back(
                [](QDialog&) { return int(TfrmOpenSave::ResultNo); });
        if (c.saveWritten) f.t.dialogs.fileAnswers.push_back({f.t.dir.filePath("saved.ghf"), 0});
        QPointer<TfrmGraph> watch(f.g);
        const bool closed = f.frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TfrmGraph::saveChart = realSave;

        EXPECT_EQ(closed, c.closes) << c.name;
        EXPECT_EQ(watch.isNull(), c.closes) << c.name;
        if (*c.prompt) {
            ASSERT_EQ(f.t.dialogs.messages.size(), 1u) << c.name;
            EXPECT_EQ(f.t.dialogs.lastMessage(), c.prompt) << c.name;
            EXPECT_TRUE(f.t.dialogs.messages.back().buttons.testFlag(QMessageBox::Cancel))
                << c.name;
        } else {
            EXPECT_TRUE(f.t.dialogs.messages.empty()) << c.name;
        }
        EXPECT_EQ(st.DataLoggerUnsaved, c.dataLoggerUnsavedAfter) << c.name;
        EXPECT_EQ(st.RealTimeUnsaved, c.realTimeUnsavedAfter) << c.name;
        EXPECT_EQ(saves, c.saves) << c.name;
        EXPECT_EQ(QFile::exists(f.t.dir.filePath("saved.ghf")), c.saveWritten) << c.name;
        if (c.closes && c.caption == dl) EXPECT_EQ(st.DataLoggerGraph, nullptr) << c.name;
        if (c.closes && c.caption == rt) EXPECT_EQ(st.RealTimeGraph, nullptr) << c.name;
    }
}

TEST(GraphWindow, ClosingTheRealTimeWindowStopsTheRecording) {
    for (bool connected : {false, true}) {
        GraphFixture f(TfrmGraph::RealTimeCaption);
        AppState& st = f.st();
        TfrmMain& m = *f.t.main;
        st.RealTimeGraph = f.g;
        st.connected = connected;
        st.Recording = true;
        st.SampleCount = 42;
        m.RealTimeGraph1->setChecked(true);
        m.setRunEnabled(false);
        m.setStopEnabled(true);
        ASSERT_TRUE(f.frame->close());
        EXPECT_FALSE(st.Recording);
        EXPECT_EQ(st.SampleCount, 0);
        EXPECT_EQ(st.RealTimeGraph, nullptr);
        EXPECT_FALSE(m.RealTimeGraph1->isChecked());
        EXPECT_EQ(m.Run1->isEnabled(), connected);
        EXPECT_EQ(m.btnRun->isEnabled(), connected);
        EXPECT_FALSE(m.Stop1->isEnabled());
        EXPECT_FALSE(m.btnStop->isEnabled());
    }
}

TEST(GraphWindow, ShowingSetsTheNormalToolAndActivatingDisablesOutputToGraph) {
    GraphFixture f;
    f.st().ToolMode = 2;
    f.t.main->btnOutputToGraph->setEnabled(true);
    f.t.main->show();
    f.g->FormShow();
    EXPECT_EQ(f.st().ToolMode, -99);
    EXPECT_TRUE(f.g->ToolButton4->isChecked());
    EXPECT_TRUE(f.g->ToolButton6->isChecked());
    f.t.main->mdiArea()->setActiveSubWindow(nullptr);
    f.t.main->mdiArea()->setActiveSubWindow(f.frame);
    EXPECT_FALSE(f.t.main->btnOutputToGraph->isEnabled());
}

TEST(GraphWindow, ToolRowsAndStatisticPanelsShowEveryTextAtTheGivenWidths) {
    struct Case {
        const char* name;
        int width;
        int fontPixels; // the statistic panels' font, 0 for the first one
    };
    const Case cases[] = {
        {"real-time window", 800, 0},
        {"full width", 1160, 0},
        {"14 pt font, full width", 1160, 19},
        {"14 pt font, real-time window", 800, 19},
    };
    for (const Case& k : cases) {
        GraphFixture f(TfrmGraph::RealTimeCaption);
        TfrmGraph& g = *f.g;
        g.setClearButtonShown(true);
        f.t.main->resize(1400, 900);
        f.t.main->show();
        if (k.fontPixels) {
            QFont big(QStringLiteral("Tahoma"));
            big.setPixelSize(k.fontPixels);
            f.t.dialogs.fontAnswers.push_back(big);
            g.Button3Click();
        }
        g.txtStartTime->setText(DateTimeText::dateTime(T0));
        g.txtppmMax->setText("1234@" + DateTimeText::dateTime(T0));
        f.frame->resize(k.width, 640);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const QStringList faults = layoutFaults(&g);
        EXPECT_TRUE(faults.isEmpty()) << k.name << ":\n" << faults.join('\n').toStdString();
        for (QCheckBox* c : {g.chkppm, g.chkRH, g.chkT1})
            EXPECT_TRUE(c->isVisibleTo(&g)) << k.name << " " << c->text().toStdString();
    }
}
