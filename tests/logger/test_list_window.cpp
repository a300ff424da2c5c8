#include "TestMain.h"
#include "app/DateTimeText.h"
#include "graph/Ugraph.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"
#include "logger/ListTableModel.h"
#include "logger/Ulist.h"

#include <QApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
struct ListWindow : testing::Test {
    VirtualMeter meter;
    TestMain t{meter};
    const double t0 = DateTimeText::toDays(QDateTime(QDate(2026, 3, 14), QTime(9, 26, 50)));

    TfrmList* openList(const QString& caption) {
        auto* list = new TfrmList(t.main.get());
        list->setWindowTitle(caption);
        QMdiSubWindow* frame = t.main->addChild(list);
        t.main->mdiArea()->setActiveSubWindow(frame);
        return list;
    }
    static QString num(const char* text) {
        return QString::fromLatin1(text).replace('.', QLocale::system().decimalPoint());
    }
    QStringList row(int no, double time, QString ppm, QString rh, QString temp) {
        return {
            QString::number(no), DateTimeText::date(time), DateTimeText::time(time), ppm, rh, temp};
    }
    int graphCount() const {
        int n = 0;
        for (QMdiSubWindow* w : t.main->mdiArea()->subWindowList())
            if (qobject_cast<TfrmGraph*>(w->widget())) ++n;
        return n;
    }
};
} // namespace

TEST_F(ListWindow, NewWindowShowsTheHeaderRowAndEnablesOutputToGraph) {
    t.main->btnOutputToGraph->setEnabled(false);
    TfrmList* list = openList("a.txt");
    EXPECT_EQ(list->model().gridRowCount(), 2);
    EXPECT_EQ(list->model().gridColumnCount(), 8);
    const char* header[] = {"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(list->model().cell(0, c), header[c]);
        EXPECT_EQ(list->Grid1->model()->headerData(c, Qt::Horizontal).toString(), header[c]);
    }
    EXPECT_EQ(list->Grid1->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_TRUE(t.main->btnOutputToGraph->isEnabled());
    EXPECT_TRUE(list->testAttribute(Qt::WA_DeleteOnClose));

    // Another window (a chart) disables the button; the list window enables it again.
    QMdiSubWindow* listFrame = t.main->mdiArea()->activeSubWindow();
    auto* graph = new TfrmGraph(*t.main);
    t.main->mdiArea()->setActiveSubWindow(t.main->addChild(graph));
    EXPECT_FALSE(t.main->btnOutputToGraph->isEnabled());
    t.main->mdiArea()->setActiveSubWindow(listFrame);
    EXPECT_TRUE(t.main->btnOutputToGraph->isEnabled());
}

TEST_F(ListWindow, OpensAt387By413ClientPixelsInsideTheArea) {
    t.main->show();
    TfrmList* list = openList("a.txt");
    QApplication::processEvents();
    EXPECT_EQ(list->size(), QSize(387, 413));
    EXPECT_EQ(list->Grid1->size(), QSize(387, 413)); // the grid fills it
    auto* frame = qobject_cast<QMdiSubWindow*>(list->parentWidget());
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(t.main->mdiArea()->viewport()->rect().contains(frame->geometry()));
}

TEST_F(ListWindow, TableToGraph) {
    TfrmList* list = openList("C:/data/table.txt");
    ListTableModel& m = list->model();
    m.setRow(1, row(1, t0, "401", num("50.0"), num("25.0")));
    m.appendRow(row(2, t0 + 2 / 86400.0, " OL", " -OL", "abc"));
    m.appendRow({"3", "not a date", "09:26:54", "403", "1", "2"});
    m.appendRow(row(4, t0 + 6 / 86400.0, num("402.5"), num("51.5"), num("-3.5")));
    const int before = graphCount();
    t.main->dataLogger().btnOutputToGraphClick();
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
    ASSERT_EQ(graphCount(), before + 1);
    TfrmGraph* graph = TfrmGraph::latest();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->windowTitle(), "C:/data/table.txt");
    chart::Chart& c = *graph->PESGraph1;
    ASSERT_EQ(c.points(), 4);
    ASSERT_EQ(c.subsets(), 3);
    EXPECT_NEAR(c.manualMinX(), t0, 1e-8);
    EXPECT_NEAR(c.manualMaxX(), t0 + 6 / 86400.0, 1e-8);
    for (int s = 0; s < 3; ++s) {
        EXPECT_NEAR(c.xData(s, 0), t0, 1e-8);
        EXPECT_NEAR(c.xData(s, 1), t0 + 2 / 86400.0, 1e-8);
        EXPECT_EQ(c.xData(s, 2), 0.0); // the row whose date does not parse is skipped
        EXPECT_EQ(c.yData(s, 2), 99999.0f);
    }
    EXPECT_EQ(c.yData(0, 0), 401.0f);
    EXPECT_EQ(c.yData(1, 0), 50.0f);
    EXPECT_EQ(c.yData(2, 0), 25.0f);
    EXPECT_EQ(c.yData(0, 1), 99999.0f);  // " OL": not drawn
    EXPECT_EQ(c.yData(1, 1), -99999.0f); // " -OL": below every axis
    EXPECT_EQ(c.yData(2, 1), 99999.0f);  // unreadable: not drawn
    EXPECT_EQ(c.yData(0, 3), 402.5f);
    EXPECT_EQ(c.yData(2, 3), -3.5f);
    // The progress window is gone.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && w->windowTitle() == "Graphing Progress");
}

TEST_F(ListWindow, TableWithoutDataOrWithABadTimeIsRefused) {
    TfrmList* list = openList("empty.csv");
    int before = graphCount();
    t.main->dataLogger().btnOutputToGraphClick();
    EXPECT_EQ(t.dialogs.lastMessage(), "No data to graph !");
    EXPECT_EQ(graphCount(), before); // no window

    list->model().setRow(1, row(1, t0, "1", "2", "3"));
    list->model().appendRow({"2", "32/13/2026", "99:99:99", "1", "2", "3"});
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    before = graphCount();
    t.main->dataLogger().btnOutputToGraphClick();
    EXPECT_EQ(t.dialogs.lastMessage(), "'32/13/2026 99:99:99' is not a valid date and time");
    EXPECT_EQ(graphCount(), before + 1); // the new window stays, unconfigured
}

TEST_F(ListWindow, OutputToGraphNeedsAListWindow) {
    auto* graph = new TfrmGraph(*t.main);
    t.main->mdiArea()->setActiveSubWindow(t.main->addChild(graph));
    const int before = graphCount();
    t.main->dataLogger().btnOutputToGraphClick();
    EXPECT_EQ(graphCount(), before);
    EXPECT_TRUE(t.dialogs.messages.empty());
}
