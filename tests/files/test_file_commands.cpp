// The File menu: open/save choice, chart files, text and CSV files, collection files, with the
// range dialog, the progress windows and their Cancel, through the main window.
#include "TestFiles.h"
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "app/Uscope.h"
#include "files/CollectionFile.h"
#include "files/FileCommands.h"
#include "files/GraphFile.h"
#include "files/TextLines.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "logger/DataLogger.h"
#include "logger/ListTableModel.h"
#include "logger/Ulist.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {
// The chart types a saved name may end in, as the message lists them.
QString commaDecimalText(bool comma) {
    return comma ? ".GHF, .TXT" : ".GHF, .TXT, .CSV";
}

QStringList lines(const QString& path) {
    QString text = QString::fromUtf8(readBytes(path));
    QStringList l = text.split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

const double T0 = DateTimeText::toDays(QDateTime(QDate(2026, 3, 14), QTime(12, 0, 0)));

class FileCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        t.main->state().dataFolder = t.dir.filePath(QStringLiteral("Q7320")) + QLatin1Char('/');
        QDir().mkpath(t.main->state().dataFolder);
    }
    FileCommands& files() { return t.main->fileCommands(); }
    QString path(const QString& name) const { return t.dir.filePath(name); }

    // A graph window with `points` cells, the first `samples` of them filled.
    TfrmGraph* newGraph(int points, int samples, const QString& caption = QStringLiteral("Test")) {
        auto* g = new TfrmGraph(*t.main);
        g->setWindowTitle(caption);
        t.main->addChild(g);
        g->ConfigureGraph(points, T0, T0 + points * 2.0 / 86400);
        for (int i = 0; i < samples; ++i)
            g->setSample(i, T0 + i * 2.0 / 86400, 400.0f + i, 40.0f + i * 0.5f, 20.0f + i * 0.1f);
        g->redrawChart();
        t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(g->parentWidget()));
        return g;
    }

    // Answers the next range dialog: all, or from..to.
    void answerRange(bool all, const QString& from = {}, const QString& to = {}) {
        t.dialogs.dialogAnswers.push_back([=](QDialog& d) {
            auto& scope = static_cast<TfrmScope&>(d);
            EXPECT_EQ(scope.windowTitle(), QStringLiteral("Save File"));
            EXPECT_FALSE(scope.GroupBox1->isHidden());
            if (!all) {
                scope.radNo->setChecked(true);
                scope.edtSelFrom->setText(from);
                scope.edtSelTo->setText(to);
            }
            scope.BitBtn1->click();
            return scope.result();
        });
    }
    // Answers the next open/save choice dialog with one of its buttons.
    void answerChoice(int which, QStringList* texts = nullptr) {
        t.dialogs.dialogAnswers.push_back([=](QDialog& d) {
            auto& c = static_cast<TfrmOpenSave&>(d);
            if (texts)
                *texts = {c.windowTitle(), c.btnOpenSets->text(), c.btnOpenSingleSet->text()};
            QPushButton* b[] = {c.btnOpenSets, c.btnOpenSingleSet, c.Button1};
            b[which]->click();
            return c.result();
        });
    }
    void answerFile(const QString& name) { t.dialogs.fileAnswers.push_back({name, 0}); }

    int graphWindows() const {
        int n = 0;
        for (QMdiSubWindow* w : t.main->mdiArea()->subWindowList())
            n += qobject_cast<TfrmGraph*>(w->widget()) != nullptr;
        return n;
    }
    TfrmList* lastList() const {
        TfrmList* l = nullptr;
        for (QMdiSubWindow* w : t.main->mdiArea()->subWindowList())
            if (auto* x = qobject_cast<TfrmList*>(w->widget())) l = x;
        return l;
    }

    NoMeter meter;
    TestMain t{meter};
};
} // namespace

// --- Chart files ---------------------------------------------------------------------------------

TEST_F(FileCommandsTest, ChartFileRoundTripOpensAnEqualChart) {
    TfrmGraph* g = newGraph(50, 30);
    chart::Chart& c = *g->PESGraph1;
    c.setSubsetColor(1, QColor(10, 200, 30));
    answerChoice(1); // not used: a plain graph window goes straight to the save dialog
    t.dialogs.dialogAnswers.clear();
    answerFile(path("run1.GHF")); // the extension test ignores case
    files().Save1Click();

    ASSERT_FALSE(t.dialogs.fileRequests.empty());
    const FileDialogRequest& req = t.dialogs.fileRequests.back();
    EXPECT_EQ(req.defaultSuffix, QStringLiteral("GHF"));
    EXPECT_EQ(req.folder, t.main->state().dataFolder);
    EXPECT_EQ(req.filters, TextLines::dialogFilters(TextLines::chartFilter(false)));
    ASSERT_TRUE(QFile::exists(path("run1.GHF")));
    const QByteArray bytes = readBytes(path("run1.GHF"));
    const QByteArray block = c.storeState();
    EXPECT_EQ(bytes, GraphFile::encode(block));

    const int before = graphWindows();
    answerChoice(1);
    answerFile(path("run1.GHF"));
    files().Open1Click();
    ASSERT_EQ(graphWindows(), before + 1);
    auto* opened = qobject_cast<TfrmGraph*>(t.main->mdiArea()->subWindowList().last()->widget());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->windowTitle(), path("run1.GHF"));
    const chart::Chart& o = *opened->PESGraph1;
    EXPECT_EQ(o.points(), 50);
    EXPECT_TRUE(std::ranges::equal(o.xCells(), c.xCells()));
    EXPECT_TRUE(std::ranges::equal(o.yCells(), c.yCells()));
    EXPECT_EQ(o.subsetColor(1), QColor(10, 200, 30));
    EXPECT_EQ(opened->chkSplit->isChecked(), c.multiAxesCount() > 1 && c.multiAxesSubsets(1) > 0);
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
}

TEST_F(FileCommandsTest, AnOpenedChartFileFitsInsideTheWindowArea) {
    t.main->show();
    TfrmGraph* g = newGraph(20, 20);
    answerFile(path("fits.ghf"));
    files().Save1Click();
    ASSERT_TRUE(QFile::exists(path("fits.ghf")));
    delete g->parentWidget();
    answerChoice(1);
    answerFile(path("fits.ghf"));
    files().Open1Click();
    QMdiSubWindow* frame = t.main->mdiArea()->subWindowList().last();
    ASSERT_EQ(frame->widget()->windowTitle(), path("fits.ghf"));
    const QRect area = t.main->mdiArea()->viewport()->rect();
    // Top left, as wide as it may be, and not under the status bar.
    EXPECT_EQ(frame->pos(), QPoint(0, 0));
    EXPECT_TRUE(area.contains(frame->geometry())) << frame->width() << "x" << frame->height()
                                                  << " in " << area.width() << "x" << area.height();
    EXPECT_EQ(frame->width(), std::min(t.main->width(), area.width()));
    EXPECT_EQ(frame->height(), std::min(t.main->contentsRect().height() - 40, area.height()));
}

TEST_F(FileCommandsTest, OtherExtensionWritesNothingAndCancelInChoiceSavesNothing) {
    newGraph(10, 5);
    // What the user typed in front of an extension the type change put there: not saved, and
    // the user is told.
    for (const char* name : {"run1.dat", ".CSVclassroom"}) {
        answerFile(path(name));
        files().Save1Click();
        EXPECT_FALSE(QFile::exists(path(name)));
        const QString told = commaDecimalText(FileCommands::commaDecimal());
        EXPECT_EQ(t.dialogs.lastMessage(), QDir::toNativeSeparators(path(name)) +
                                               " was not saved: a file name must end in " + told +
                                               ".");
    }
    t.dialogs.messages.clear();

    newGraph(10, 5, TfrmGraph::DataLoggerCaption);
    QStringList texts;
    answerChoice(2, &texts);
    const size_t requests = t.dialogs.fileRequests.size();
    files().Save1Click();
    EXPECT_EQ(texts,
              QStringList({"Save File", "Save all data sets to a data set collection file(*.732)",
                           "Save single selected  data set to a  file"}));
    EXPECT_EQ(t.dialogs.fileRequests.size(), requests); // no save dialog
}

TEST_F(FileCommandsTest, BadChartFilesAreRefusedWithoutAWindow) {
    TfrmGraph* g = newGraph(10, 5);
    const QByteArray good = GraphFile::encode(g->PESGraph1->storeState());
    struct Case {
        const char* what;
        QByteArray bytes;
        bool readError;
    };
    QByteArray corrupt = good;
    for (int i = 8; i < corrupt.size(); i += 3)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const Case cases[] = {
        {"truncated block", good.left(good.size() / 2), true},
        {"length field only", good.left(4), true},
        {"two bytes", good.left(2), true},
        {"garbage block", corrupt, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeBytes(path("bad.ghf"), c.bytes));
        const int before = graphWindows();
        t.dialogs.messages.clear();
        answerChoice(1);
        answerFile(path("bad.ghf"));
        files().Open1Click();
        EXPECT_EQ(graphWindows(), before) << c.what;
        ASSERT_EQ(t.dialogs.messages.size(), 1u) << c.what;
        if (c.readError) EXPECT_EQ(t.dialogs.lastMessage(), GraphFile::readError()) << c.what;
    }
    // A missing file: the open error names it.
    t.dialogs.messages.clear();
    answerChoice(1);
    answerFile(path("missing.ghf"));
    files().Open1Click();
    EXPECT_TRUE(t.dialogs.lastMessage().startsWith(
        QStringLiteral("Cannot open file \"%1\".").arg(path("missing.ghf"))));
}

TEST_F(FileCommandsTest, SaveThatCannotWriteTellsTheUser) {
    TfrmGraph* g = newGraph(10, 5);
    const QString bad = path("no/such/folder/x.ghf");
    answerFile(bad);
    files().SaveChart(*g->PESGraph1);
    EXPECT_TRUE(
        t.dialogs.lastMessage().startsWith(QStringLiteral("Cannot create file \"%1\".").arg(bad)));
    t.dialogs.messages.clear();
    answerFile(path("no/such/folder/x.csv"));
    answerRange(true);
    files().SaveChart(*g->PESGraph1);
    EXPECT_TRUE(t.dialogs.lastMessage().startsWith(QStringLiteral("Cannot create file")));
}

TEST_F(FileCommandsTest, TypeChangeUsesTheRunningDialogsFilter) {
    TfrmGraph* g = newGraph(10, 5);
    files().SaveChart(*g->PESGraph1); // cancelled; the chart filter was the last one used
    EXPECT_EQ(files().SaveDialog1TypeChange(QStringLiteral("run1.ghf"), 2),
              QStringLiteral("run1.TXT"));
    EXPECT_EQ(files().SaveDialog1TypeChange(QStringLiteral("run1.ghf"), 3),
              QStringLiteral("run1.CSV"));
}

TEST_F(FileCommandsTest, TemplateWrittenAsGraphFileConfiguresNewCharts) {
    TfrmGraph* g = newGraph(10, 5);
    g->PESGraph1->setSubsetColor(2, QColor(1, 2, 3));
    QDir().mkpath(path("prog/template"));
    ASSERT_TRUE(files().WriteGraphFile(*g->PESGraph1, path("prog/template/graph.ghf")));
    TfrmGraph::templateFolder = path("prog");
    TfrmGraph* fresh = newGraph(10, 0);
    EXPECT_EQ(fresh->PESGraph1->subsetColor(2), QColor(1, 2, 3));
    EXPECT_TRUE(t.dialogs.messages.empty());

    // A damaged template is reported and the built-in settings are used.
    ASSERT_TRUE(writeBytes(path("prog/template/graph.ghf"), literalBytes("\x40\x00\x00\x00"
                                                                         "ab")));
    TfrmGraph* plain = newGraph(10, 0);
    EXPECT_EQ(t.dialogs.lastMessage(), GraphFile::readError());
    EXPECT_NE(plain->PESGraph1->subsetColor(2), QColor(1, 2, 3));
    TfrmGraph::templateFolder.clear();
}

// --- Text and CSV files --------------------------------------------------------------------------

TEST_F(FileCommandsTest, ChartTextRangesAndLineFormat) {
    TfrmGraph* g = newGraph(5, 5);
    g->setSample(1, T0 + 2.0 / 86400, 90000, 6553.5f, 25);
    struct Case {
        const char* what;
        bool all;
        const char* from;
        const char* to;
        int firstPoint, lines;
    };
    const Case cases[] = {
        {"all", true, "", "", 1, 5},
        {"swapped and clamped", false, "10", "3", 3, 3},
        {"first 0 starts at 1", false, "0", "2", 1, 2},
        {"signs dropped", false, "-2", "-2", 2, 1},
    };
    for (const Case& c : cases) {
        QFile::remove(path("c.txt"));
        answerFile(path("c.txt"));
        answerRange(c.all, c.from, c.to);
        files().SaveChart(*g->PESGraph1);
        const QStringList l = lines(path("c.txt"));
        ASSERT_EQ(l.size(), c.lines) << c.what;
        const double x = T0 + (c.firstPoint - 1) * 2.0 / 86400;
        EXPECT_TRUE(l[0].startsWith(DateTimeText::date(x) + '\t' + DateTimeText::time(x) + '\t'))
            << c.what << " " << l[0].toStdString();
    }
    // Point 2 holds the over-range values.
    answerFile(path("c.csv"));
    answerRange(false, "2", "2");
    files().SaveChart(*g->PESGraph1);
    const double x = T0 + 2.0 / 86400;
    EXPECT_EQ(lines(path("c.csv")), QStringList({DateTimeText::date(x) + ',' +
                                                 DateTimeText::time(x) + ", OL,----,25.0"}));

    // Not an integer: the message, and nothing written.
    t.dialogs.messages.clear();
    answerFile(path("d.txt"));
    answerRange(false, "x", "3");
    files().SaveChart(*g->PESGraph1);
    EXPECT_EQ(t.dialogs.lastMessage(), QStringLiteral("invalid integer"));
    EXPECT_FALSE(QFile::exists(path("d.txt")));

    // The range dialog closed without OK: nothing written.
    answerFile(path("e.txt"));
    files().SaveChart(*g->PESGraph1);
    EXPECT_FALSE(QFile::exists(path("e.txt")));
}

TEST_F(FileCommandsTest, RealTimeChartWritesOnlyRecordedPoints) {
    TfrmGraph* g = newGraph(500, 20, TfrmGraph::RealTimeCaption);
    answerFile(path("rt.txt"));
    answerRange(true);
    files().SaveChart(*g->PESGraph1);
    EXPECT_EQ(lines(path("rt.txt")).size(), 20);
}

TEST_F(FileCommandsTest, ChartToCsvToListGivesBackThePoints) {
    TfrmGraph* g = newGraph(40, 40);
    answerFile(path("round.csv"));
    answerRange(true);
    files().SaveChart(*g->PESGraph1);

    answerChoice(1);
    answerFile(path("round.csv"));
    files().Open1Click();
    TfrmList* list = lastList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), path("round.csv"));
    const ListTableModel& m = list->model();
    ASSERT_EQ(m.rowCount(), 40);
    const chart::Chart& c = *g->PESGraph1;
    for (int i = 0; i < 40; ++i) {
        const int row = i + 1;
        EXPECT_EQ(m.cell(row, 0), QString::number(row));
        const auto d = DateTimeText::parseDate(m.cell(row, 1));
        const auto tm = DateTimeText::parseTime(m.cell(row, 2));
        ASSERT_TRUE(d && tm) << m.cell(row, 1).toStdString() << " " << m.cell(row, 2).toStdString();
        EXPECT_NEAR(*d + *tm, c.xData(0, i), 0.5 / 86400);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(m.cell(row, 3 + k).toDouble(), c.yData(k, i), 0.051) << row << " " << k;
    }

    // "Output Tabular to graph" charts the same points again.
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    const int before = graphWindows();
    t.main->dataLogger().btnOutputToGraphClick();
    ASSERT_EQ(graphWindows(), before + 1);
    auto* again = qobject_cast<TfrmGraph*>(t.main->mdiArea()->subWindowList().last()->widget());
    ASSERT_NE(again, nullptr);
    const chart::Chart& a = *again->PESGraph1;
    ASSERT_EQ(a.points(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_NEAR(a.xData(0, i), c.xData(0, i), 0.5 / 86400) << i;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(a.yData(k, i), c.yData(k, i), 0.051) << i << " " << k;
    }
}

TEST_F(FileCommandsTest, ListTextSeparatorByNameAndRoundTrip) {
    const QString txt = path("in.txt");
    ASSERT_TRUE(
        writeBytes(txt, "D\tT\t400.0\t50.0\t25.0\t\t\t\r\nD2\tT2\t401.0\t51.0\t26.0\t\t\t\r\n"));
    answerChoice(1);
    answerFile(txt);
    files().Open1Click();
    TfrmList* list = lastList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->model().rowCount(), 2);
    const QStringList row1 = {"1", "D", "T", "400.0", "50.0", "25.0", "", ""};
    for (int col = 0; col < 8; ++col)
        EXPECT_EQ(list->model().cell(1, col), row1[col]);

    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    for (const auto& [name, sep] : {std::pair{"data.CSV", ','}, std::pair{"data.xyz", '\t'}}) {
        answerFile(path(name));
        answerRange(true);
        files().Save1Click();
        const QString s(sep);
        EXPECT_EQ(
            lines(path(name)),
            QStringList({"D" + s + "T" + s + "400.0" + s + "50.0" + s + "25.0" + s + s + s,
                         "D2" + s + "T2" + s + "401.0" + s + "51.0" + s + "26.0" + s + s + s}))
            << name;
        EXPECT_EQ(t.dialogs.fileRequests.back().defaultSuffix, QStringLiteral("TXT"));
        EXPECT_EQ(t.dialogs.fileRequests.back().filters,
                  TextLines::dialogFilters(TextLines::listSaveFilter(false)));
    }
    // Written as .txt and read back: the same cells.
    answerFile(path("again.txt"));
    answerRange(true);
    files().Save1Click();
    TfrmList* again = files().ReadListText(path("again.txt"), ".txt");
    ASSERT_NE(again, nullptr);
    for (int col = 0; col < 8; ++col)
        EXPECT_EQ(again->model().cell(1, col), row1[col]);
}

TEST_F(FileCommandsTest, OddTextFiles) {
    // A CSV file whose first line has no comma opens an empty list window.
    ASSERT_TRUE(writeBytes(path("nocomma.csv"), "just text\r\n1,2,3\r\n"));
    TfrmList* empty = files().ReadListText(path("nocomma.csv"), ".csv");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->model().cell(1, 1), QString());
    EXPECT_EQ(empty->model().rowCount(), 1); // the grid's one empty row
    // Truncated in mid-line: the part present is read.
    ASSERT_TRUE(writeBytes(path("cut.txt"), "a\tb\r\nc\td\te"));
    TfrmList* cut = files().ReadListText(path("cut.txt"), ".txt");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->model().rowCount(), 2);
    EXPECT_EQ(cut->model().cell(2, 3), QStringLiteral("e"));
    // Binary garbage with a NUL and stray bytes: no crash, rows up to the first line without tab.
    const QByteArray junk = literalBytes("x\ty\r\n\x00\x01\xff\xfe\t\x80\n\x9f");
    ASSERT_TRUE(writeBytes(path("junk.txt"), junk));
    TfrmList* j = files().ReadListText(path("junk.txt"), ".txt");
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->model().rowCount(), 2);
    // A file that cannot be opened: no window.
    const int windows = t.main->mdiArea()->subWindowList().size();
    EXPECT_EQ(files().ReadListText(path("missing.txt"), ".txt"), nullptr);
    EXPECT_EQ(t.main->mdiArea()->subWindowList().size(), windows);
}

TEST_F(FileCommandsTest, CancelStopsTheLoops) {
    // A chart big enough to take many progress steps.
    TfrmGraph* g = newGraph(20000, 20000);
    ASSERT_TRUE(writeBytes(path("keep.csv"), "old contents"));
    int steps = 0;
    files().onProgress = [&](TfrmScope& scope) {
        EXPECT_EQ(scope.windowTitle(), QStringLiteral("Saving Progress"));
        EXPECT_EQ(scope.SText1->text(), QStringLiteral("saving....."));
        if (++steps == 2) scope.BitBtn2->click();
    };
    answerFile(path("keep.csv"));
    answerRange(true);
    files().SaveChart(*g->PESGraph1);
    EXPECT_EQ(steps, 2); // no step after the Cancel
    EXPECT_EQ(readBytes(path("keep.csv")), QByteArray("old contents"));

    // Reading: the rows read before Cancel stay.
    files().onProgress = {};
    answerFile(path("big.txt"));
    answerRange(true);
    files().SaveChart(*g->PESGraph1);
    ASSERT_EQ(lines(path("big.txt")).size(), 20000);
    steps = 0;
    files().onProgress = [&](TfrmScope& scope) {
        EXPECT_EQ(scope.windowTitle(), QStringLiteral("Open Progress"));
        ++steps;
        scope.BitBtn2->click();
    };
    TfrmList* list = files().ReadListText(path("big.txt"), ".txt");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(steps, 1);
    EXPECT_GT(list->model().rowCount(), 0);
    EXPECT_LT(list->model().rowCount(), 20000);

    // The list window goes away while it is being filled: reading stops, nothing breaks.
    files().onProgress = [&](TfrmScope&) {
        if (TfrmList* l = lastList()) delete l->parentWidget();
    };
    EXPECT_EQ(files().ReadListText(path("big.txt"), ".txt"), nullptr);

    // The list window goes away while it is being saved: the save stops, the old file stays.
    files().onProgress = {};
    TfrmList* full = files().ReadListText(path("big.txt"), ".txt");
    ASSERT_NE(full, nullptr);
    ASSERT_EQ(full->model().rowCount(), 20000);
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(full->parentWidget()));
    QPointer<TfrmList> saving(full);
    files().onProgress = [&](TfrmScope&) {
        if (saving) delete saving->parentWidget();
    };
    answerFile(path("keep.csv"));
    answerRange(true);
    files().Save1Click();
    EXPECT_TRUE(saving.isNull());
    EXPECT_EQ(readBytes(path("keep.csv")), QByteArray("old contents"));
    files().onProgress = {};
}

TEST_F(FileCommandsTest, OpenChoiceTextsAndFilters) {
    QStringList texts;
    answerChoice(1, &texts);
    files().Open1Click(); // the open dialog is cancelled
    EXPECT_EQ(texts, QStringList({"Open File", "Open a data set collection file(*.732)",
                                  "Open single data file(*.TXT,*.CSV,*.GHF)"}));
    ASSERT_FALSE(t.dialogs.fileRequests.empty());
    EXPECT_EQ(t.dialogs.fileRequests.back().filters,
              TextLines::dialogFilters(TextLines::chartFilter(false)));
    EXPECT_EQ(t.dialogs.fileRequests.back().folder, t.main->state().dataFolder);
}

// Runs under a comma-decimal system locale (a second registration of this program).
TEST_F(FileCommandsTest, CommaDecimalLocale) {
    if (!FileCommands::commaDecimal()) GTEST_SKIP() << "the system locale has no decimal comma";
    QStringList texts;
    answerChoice(1, &texts);
    files().Open1Click();
    EXPECT_EQ(texts.value(2), QStringLiteral("Open single data flle(*.TXT,*.GHF)"));
    const QStringList noCsv = {"Graph file(*.ghf,only for Q7320) (*.GHF)",
                               "TXT file(*.txt,data seperated by tab) (*.TXT)"};
    EXPECT_EQ(t.dialogs.fileRequests.back().filters, noCsv);

    TfrmGraph* g = newGraph(3, 3);
    g->setSample(0, T0, 812.0f, 45.5f, -0.5f);
    files().SaveChart(*g->PESGraph1);
    EXPECT_EQ(t.dialogs.fileRequests.back().filters, noCsv);
    answerFile(path("comma.txt"));
    answerRange(false, "1", "1");
    files().SaveChart(*g->PESGraph1);
    EXPECT_EQ(lines(path("comma.txt")).value(0).section('\t', 2),
              QStringLiteral("812,0\t45,5\t-0,5"));

    ASSERT_TRUE(writeBytes(path("l.txt"), "a\tb\r\n"));
    TfrmList* list = files().ReadListText(path("l.txt"), ".txt");
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    files().Save1Click();
    EXPECT_EQ(t.dialogs.fileRequests.back().filters,
              QStringList({" TXT file(*.txt,data seperated by tab)  (*.TXT)"}));
}

// --- Collection files ----------------------------------------------------------------------------

TEST_F(FileCommandsTest, CollectionSaveCopiesTheTempFile) {
    newGraph(10, 5, TfrmGraph::DataLoggerCaption);
    // No temp file: nothing written, the user is told, and the data sets stay unsaved.
    t.main->state().DataLoggerUnsaved = true;
    answerChoice(0);
    answerFile(path("none.732"));
    files().Save1Click();
    EXPECT_FALSE(QFile::exists(path("none.732")));
    EXPECT_EQ(t.dialogs.lastMessage(),
              QDir::toNativeSeparators(path("none.732")) +
                  " was not saved: there is no downloaded data to copy from " +
                  QDir::toNativeSeparators(t.main->state().dataFolder + "temp/DataSetsTemp.tmp") +
                  ".");
    EXPECT_TRUE(t.main->state().DataLoggerUnsaved);
    const FileDialogRequest& req = t.dialogs.fileRequests.back();
    EXPECT_EQ(req.filters, QStringList({"Data Set Collection file(*.732,only for Q7320) (*.732)"}));
    EXPECT_EQ(req.defaultSuffix, QStringLiteral("REC"));

    // A temp file left by an earlier run is what gets saved.
    const QString& data = t.main->state().dataFolder;
    MemoryImage image(4096, 0xA5);
    ASSERT_EQ(CollectionFile::writeTemp(data, image), CollectionFile::TempResult::Written);
    EXPECT_EQ(CollectionFile::tempFilePath(data), DataLogger::tempFilePath(data));
    t.main->state().DataLoggerUnsaved = true;
    answerChoice(0);
    answerFile(path("sets.732"));
    files().Save1Click();
    EXPECT_EQ(readBytes(path("sets.732")), QByteArray(4096, '\xA5'));
    EXPECT_FALSE(t.main->state().DataLoggerUnsaved);
}
