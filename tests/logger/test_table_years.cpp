// Tables in a locale whose short date has a two-digit year (run under de_DE: "dd.MM.yy"): the
// meter's years are 2000..2099, in "Output Tabular to graph" as everywhere a table is read.
#include "TestFiles.h"
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "files/FileCommands.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"
#include "logger/TableToGraph.h"
#include "logger/Ulist.h"

#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

namespace {
bool twoDigitYears() {
    const QString f = DateTimeText::dateFormat();
    return f.contains(QLatin1String("yy")) && !f.contains(QLatin1String("yyyy"));
}

int yearOf(double days) {
    return DateTimeText::fromDays(days).date().year();
}

const struct {
    const char* date;
    int year;
} Cases[] = {
    {"14.03.00", 2000}, {"14.03.26", 2026}, {"14.03.49", 2049},
    {"14.03.50", 2050}, {"14.03.96", 2096}, {"31.12.99", 2099},
};
} // namespace

TEST(TwoDigitYears, AreReadInTheMetersCentury) {
    if (!twoDigitYears()) GTEST_SKIP() << "the locale's short date has a four-digit year";
    TableToGraph::CellReader reader;
    for (const auto& c : Cases) {
        const std::optional<double> t = reader.time(c.date, "09:00:00");
        ASSERT_TRUE(t) << c.date;
        EXPECT_EQ(yearOf(*t), c.year) << c.date;
    }
}

TEST(TwoDigitYears, OutputTabularToGraphChartsThemInTheMetersCentury) {
    if (!twoDigitYears()) GTEST_SKIP() << "the locale's short date has a four-digit year";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("table.txt"));
    QByteArray table;
    for (const auto& c : Cases)
        table += QByteArray(c.date) + "\t09:00:00\t401,0\t50,0\t20,0\t\r\n";
    ASSERT_TRUE(writeBytes(file, table));

    VirtualMeter meter;
    TestMain t(meter);
    TfrmList* list = t.main->fileCommands().ReadListText(file, QStringLiteral(".txt"));
    ASSERT_NE(list, nullptr);
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    t.main->dataLogger().btnOutputToGraphClick();
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
    TfrmGraph* graph = TfrmGraph::latest();
    ASSERT_NE(graph, nullptr);
    const chart::Chart& chart = *graph->PESGraph1;
    ASSERT_EQ(chart.points(), int(std::size(Cases)));
    for (int i = 0; i < chart.points(); ++i)
        EXPECT_EQ(yearOf(chart.xData(0, i)), Cases[i].year) << Cases[i].date;
}
