// Printing: a list window as text lines (checked in the PDF it prints to), a graph window
// through its chart's dialogs, and Print with nothing to print.
#include "TestMain.h"
#include "graph/Ugraph.h"
#include "graph/chart/ChartCustomizeDialog.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "logger/ListTableModel.h"
#include "logger/Ulist.h"
#include "print/PrintCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <map>

namespace {
constexpr double T0 = 46000.25;
constexpr double Sec = 1.0 / 86400.0;

// Runs a poppler tool; its standard output.
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << qPrintable(program)
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Word {
    double left, top, bottom;
    QString text;
};
using Page = std::vector<Word>;

// The words of every page of a PDF with their boxes, in points.
std::vector<Page> pdfWords(const QString& pdf) {
    const QString xml = run("pdftotext", {"-bbox", "-enc", "UTF-8", pdf, "-"});
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<Page> pages;
    const QStringList chunks = xml.split(QStringLiteral("<page "));
    for (qsizetype i = 1; i < chunks.size(); ++i) {
        Page page;
        for (const auto& m : word.globalMatch(chunks[i]))
            page.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                            m.captured(3).toDouble(), m.captured(4)});
        pages.push_back(page);
    }
    return pages;
}

// A page's text lines rebuilt from the word boxes: each word goes to the character column its
// left edge stands at (the printout uses a fixed-pitch font), so the blanks between the words
// are counted, not guessed. Also the top of each line.
QStringList pageLines(const Page& page, double charWidth, QList<double>* tops = nullptr) {
    double x0 = 1e9;
    std::map<double, std::vector<Word>> byTop; // the words come column by column
    for (const Word& w : page) {
        x0 = std::min(x0, w.left);
        byTop[w.top].push_back(w);
    }
    QStringList lines;
    for (auto& [top, words] : byTop) {
        std::sort(words.begin(), words.end(),
                  [](const Word& a, const Word& b) { return a.left < b.left; });
        QString line;
        for (const Word& w : words) {
            const int column = int(std::lround((w.left - x0) / charWidth));
            if (line.size() < column) line += QString(column - line.size(), QLatin1Char(' '));
            line += w.text;
        }
        lines << line;
        if (tops) *tops << top;
    }
    return lines;
}

QString trimmedRight(QString s) {
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

// Accepts a print dialog after pointing its printer at a PDF file.
std::function<int(QDialog&)> printTo(const QString& pdf, QWidget** parentSeen = nullptr) {
    return [pdf, parentSeen](QDialog& d) {
        auto* dialog = dynamic_cast<QPrintDialog*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        if (parentSeen) *parentSeen = dialog->parentWidget();
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    };
}

struct PrintFixture {
    NoMeter meter;
    TestMain t{meter};
    PrintFixture() {
        t.main->resize(1400, 900);
        t.main->show();
    }
    PrintCommands& print() { return t.main->printCommands(); }
    QString pdf(const char* name) const { return t.dir.filePath(QString::fromLatin1(name)); }

    // A list window with the header row and 'rows' data rows.
    TfrmList* listWindow(int rows) {
        auto* list = new TfrmList(t.main.get());
        ListTableModel& m = list->model();
        m.setGridRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r)
            m.setRow(r, {QString::number(r), "2026/03/14", "1:05:09 PM", QString::number(400 + r),
                         "45.3", "21.7", "", ""});
        QMdiSubWindow* frame = t.main->addChild(list);
        t.main->mdiArea()->setActiveSubWindow(frame);
        return list;
    }
};

QStringList rowCells(const ListTableModel& m, int row) {
    QStringList cells;
    for (int c = 0; c < m.gridColumnCount(); ++c)
        cells << m.cell(row, c);
    return cells;
}
} // namespace

TEST(Print, TableLinePadsTwoBlanksPerMissingCharacter) {
    struct Case {
        const char* name;
        QStringList cells;
        QString line;
    };
    const QString b10(10, ' '), b24(24, ' ');
    const Case cases[] = {
        {"five characters in column 0", {"12345"}, "12345" + b10},
        {"five characters in column 2",
         {"1234567890", "abcdefghij", "12345"},
         "1234567890abcdefghij12345" + b24},
        {"as long as the width: nothing after",
         {"1234567890", "x"},
         "1234567890x" + QString(18, ' ')},
        {"longer than the width", {"123456789012", "y"}, "123456789012y" + QString(18, ' ')},
        {"empty cell", {"", "z"}, QString(20, ' ') + "z" + QString(18, ' ')},
        {"seventeen in column 2",
         {"a", "b", "12345678901234567"},
         "a" + QString(18, ' ') + "b" + QString(18, ' ') + "12345678901234567"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(PrintCommands::tableLine(k.cells), k.line) << k.name;
}

TEST(Print, LinesPerPageLeaveRoomForTheLastLine) {
    // Line i of a page is drawn from (i + 1) H to (i + 2) H, which must stay on the page.
    struct Case {
        int height, lineHeight, lines;
    };
    for (const Case& k : {Case{6600, 110, 59}, Case{6650, 110, 59}, Case{6710, 110, 60},
                          Case{100, 110, 1}, Case{500, 0, 1}}) {
        EXPECT_EQ(PrintCommands::linesPerPage(k.height, k.lineHeight), k.lines)
            << k.height << " / " << k.lineHeight;
        if (k.lineHeight > 0 && k.height >= 2 * k.lineHeight)
            EXPECT_LE((k.lines + 1) * k.lineHeight, k.height);
    }
}

TEST(Print, TableFontIsFixedPitchEightPoints) {
    const QFont f = PrintCommands::tableFont();
    EXPECT_EQ(f.pointSize(), 8);
    const QFontMetrics m(f);
    EXPECT_EQ(m.horizontalAdvance("iiiiiiiiii"), m.horizontalAdvance("WWWWWWWWWW"));
    EXPECT_EQ(m.horizontalAdvance("          "), m.horizontalAdvance("0123456789"));
}

TEST(Print, NothingWithoutAChildWindow) {
    PrintFixture f;
    // Start-up opened the real-time graph and the front panel; close them.
    f.t.main->mdiArea()->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_TRUE(f.t.main->mdiArea()->subWindowList().isEmpty());
    f.print().btnPrintClick();
    f.t.main->btnPrint->click();
    EXPECT_TRUE(f.t.dialogs.dialogsShown.empty());
    EXPECT_TRUE(f.t.dialogs.messages.empty());
}

TEST(Print, ListWindowPrintsItsRowsAsLaidOutInPagesOfLLines) {
    PrintFixture f;
    TfrmList* list = f.listWindow(150);
    const ListTableModel& m = list->model();
    const QString pdf = f.pdf("list.pdf");
    f.t.dialogs.dialogAnswers.push_back(printTo(pdf));
    f.t.main->Print1->trigger();
    ASSERT_EQ(f.t.dialogs.dialogsShown.size(), 1u);
    ASSERT_TRUE(QFile::exists(pdf));

    QPrinter& printer = f.print().printer();
    const int h = QFontMetrics(PrintCommands::tableFont(), &printer).height();
    const int lines = PrintCommands::linesPerPage(printer.height(), h);
    ASSERT_GT(lines, 10);
    ASSERT_LT(lines, 151);

    const double toPoints = 72.0 / printer.resolution();
    const double charWidth =
        QFontMetricsF(PrintCommands::tableFont(), &printer).horizontalAdvance('0') * toPoints;
    const std::vector<Page> pages = pdfWords(pdf);
    const int rows = m.gridRowCount();
    ASSERT_EQ(int(pages.size()), (rows + lines - 1) / lines);
    std::vector<QStringList> text;
    QList<double> tops;
    for (const Page& page : pages)
        text.push_back(pageLines(page, charWidth, text.empty() ? &tops : nullptr));
    for (int row = 0; row < rows; ++row) {
        const QStringList& page = text[size_t(row / lines)];
        ASSERT_LT(row % lines, page.size()) << "row " << row;
        EXPECT_EQ(page[row % lines].toStdString(),
                  trimmedRight(PrintCommands::tableLine(rowCells(m, row))).toStdString())
            << "row " << row;
    }
    EXPECT_EQ(text[0][0].left(20).toStdString(), "No" + std::string(16, ' ') + "Da");
    EXPECT_EQ(text[1][0].left(3).toStdString(), std::to_string(lines) + " ");

    // Where the lines are: the first one H below the top of the printable area, one H apart,
    // the last of a full page still inside the printable area.
    ASSERT_EQ(tops.size(), lines);
    double lastBottom = 0;
    for (const Word& w : pages[0])
        lastBottom = std::max(lastBottom, w.bottom);
    const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
    const double hPoints = h * toPoints;
    EXPECT_NEAR(tops[1] - tops[0], hPoints, 0.05);
    EXPECT_NEAR(tops[lines - 1] - tops[0], (lines - 1) * hPoints, 0.5);
    EXPECT_GT(tops[0], paint.top() + hPoints * 0.5);
    EXPECT_LT(tops[0], paint.top() + hPoints * 1.5);
    EXPECT_LE(lastBottom, paint.bottom());
}

TEST(Print, TitleRowAloneIsOneLineOnOnePage) {
    PrintFixture f;
    f.listWindow(0);
    const QString pdf = f.pdf("title.pdf");
    f.t.dialogs.dialogAnswers.push_back(printTo(pdf));
    f.print().btnPrintClick();
    const std::vector<Page> pages = pdfWords(pdf);
    ASSERT_EQ(pages.size(), 1u);
    QPrinter& printer = f.print().printer();
    const double charWidth =
        QFontMetricsF(PrintCommands::tableFont(), &printer).horizontalAdvance('0') * 72.0 /
        printer.resolution();
    const QStringList lines = pageLines(pages[0], charWidth);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].toStdString(),
              ("No" + QString(16, ' ') + "Date" + QString(12, ' ') + "Time" + QString(26, ' ') +
               "ppm" + QString(14, ' ') + "%RH" + QString(14, ' ') + "Temp")
                  .toStdString());
}

TEST(Print, CancelledPrintDialogPrintsNothing) {
    PrintFixture f;
    f.listWindow(5);
    const QString pdf = f.pdf("never.pdf");
    f.t.dialogs.dialogAnswers.push_back([pdf](QDialog& d) {
        auto& dialog = dynamic_cast<QPrintDialog&>(d);
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(pdf);
        return int(QDialog::Rejected);
    });
    f.print().btnPrintClick();
    EXPECT_EQ(f.t.dialogs.dialogsShown.size(), 1u);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(Print, PrinterSetupChoosesThePageOfTheNextJob) {
    PrintFixture f;
    f.t.dialogs.dialogAnswers.push_back([](QDialog& d) {
        auto& setup = dynamic_cast<QPageSetupDialog&>(d);
        setup.printer()->setPageOrientation(QPageLayout::Landscape);
        return int(QDialog::Accepted);
    });
    f.t.main->PrinterSetup1->trigger();
    ASSERT_EQ(f.t.dialogs.dialogsShown.size(), 1u);
    f.listWindow(3);
    const QString pdf = f.pdf("landscape.pdf");
    f.t.dialogs.dialogAnswers.push_back(printTo(pdf));
    f.print().btnPrintClick();
    const QString info = run("pdfinfo", {pdf});
    const QRegularExpression size(R"re(Page size:\s+([\d.]+) x ([\d.]+))re");
    const auto match = size.match(info);
    ASSERT_TRUE(match.hasMatch()) << info.toStdString();
    EXPECT_GT(match.captured(1).toDouble(), match.captured(2).toDouble());
}

namespace {
struct PagePixels {
    int all = 0, black = 0, yellow = 0;
};

PagePixels renderedPage(PrintFixture& f, const QString& pdf, const char* name) {
    run("pdftoppm", {"-r", "40", "-png", "-singlefile", pdf, f.pdf(name)});
    const QImage page(f.pdf(name) + ".png");
    PagePixels n;
    if (page.isNull()) {
        ADD_FAILURE() << "no page picture";
        return n;
    }
    n.all = page.width() * page.height();
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor p = page.pixelColor(x, y);
            if (p.red() < 30 && p.green() < 30 && p.blue() < 30) ++n.black;
            if (p.red() > 200 && p.green() > 200 && p.blue() < 80) ++n.yellow;
        }
    return n;
}
} // namespace

TEST(Print, GraphWindowPrintsThroughItsChartsDialogs) {
    for (const bool monochrome : {false, true}) {
        SCOPED_TRACE(monochrome ? "monochrome chosen before printing" : "as shown");
        PrintFixture f;
        auto* g = new TfrmGraph(*f.t.main);
        g->setWindowTitle("run.ghf");
        QMdiSubWindow* frame = f.t.main->addChild(g);
        frame->resize(1200, 700);
        f.t.main->mdiArea()->setActiveSubWindow(frame);
        g->ConfigureGraph(50, T0, T0 + 100 * Sec);
        for (int p = 0; p < 50; ++p)
            g->setSample(p, T0 + 2 * p * Sec, 3000 + 40 * p, 40 + p % 7, 20 + p % 5);
        g->redrawChart();
        QTest::qWait(10);
        chart::Chart& c = *g->PESGraph1;

        bool customisedFirst = false;
        f.t.dialogs.dialogAnswers.push_back([&](QDialog& d) {
            auto& dialog = dynamic_cast<chart::ChartCustomizeDialog&>(d);
            const chart::ChartState& s = c.state();
            // Only the drawing style is left to choose: no titles, colours, subsets or fonts.
            customisedFirst = !s.allowFontPage && !s.allowPage1 && !s.allowPage2 &&
                              !s.allowSubsetsPage && dialog.tabs()->count() == 1 &&
                              !dialog.mainTitleEdit();
            if (monochrome)
                if (auto* style = dialog.findChild<QComboBox*>()) style->setCurrentIndex(1);
            return int(QDialog::Accepted);
        });
        const QString pdf = f.pdf("chart.pdf");
        QWidget* printParent = nullptr;
        f.t.dialogs.dialogAnswers.push_back(printTo(pdf, &printParent));
        if (monochrome) f.t.dialogs.messageAnswers.push_back(QMessageBox::No); // keep template
        f.t.main->btnPrint->click();

        EXPECT_TRUE(customisedFirst);
        EXPECT_EQ(f.t.dialogs.dialogsShown.size(), 2u);
        EXPECT_EQ(printParent, &c); // the chart's own print dialog, not the program's
        const chart::ChartState& s = c.state();
        EXPECT_TRUE(s.allowFontPage && s.allowPage1 && s.allowPage2 && s.allowSubsetsPage);
        EXPECT_EQ(s.viewingStyle,
                  monochrome ? chart::ViewingStyle::Monochrome : chart::ViewingStyle::Color);

        // The page shows the chart: in colour its black plotting areas and the yellow ppm
        // line; in monochrome black lines on white.
        ASSERT_TRUE(QFile::exists(pdf));
        const PagePixels n = renderedPage(f, pdf, "chart");
        if (!monochrome) {
            EXPECT_GT(n.black, n.all / 5);
            EXPECT_GT(n.yellow, 20);
        } else {
            EXPECT_LT(n.black, n.all / 10);
            EXPECT_GT(n.black, 200);
            EXPECT_EQ(n.yellow, 0);
        }
    }
}

TEST(Print, TablePrintoutAfterAChartPrintoutIsLaidOutTheSame) {
    PrintFixture f;
    auto* g = new TfrmGraph(*f.t.main);
    g->setWindowTitle("run.ghf");
    QMdiSubWindow* graphFrame = f.t.main->addChild(g);
    graphFrame->resize(1000, 600);
    g->ConfigureGraph(10, T0, T0 + 20 * Sec);
    f.listWindow(5);
    QMdiSubWindow* listFrame = f.t.main->mdiArea()->activeSubWindow();

    auto wordsOf = [&](const char* name) {
        const QString pdf = f.pdf(name);
        f.t.dialogs.dialogAnswers.push_back(printTo(pdf));
        f.print().btnPrintClick();
        return pdfWords(pdf);
    };
    const std::vector<Page> before = wordsOf("before.pdf");
    f.t.main->mdiArea()->setActiveSubWindow(graphFrame);
    f.t.dialogs.dialogAnswers.push_back([](QDialog&) { return int(QDialog::Accepted); });
    f.t.dialogs.dialogAnswers.push_back(printTo(f.pdf("chart.pdf")));
    f.print().btnPrintClick();
    ASSERT_TRUE(QFile::exists(f.pdf("chart.pdf")));
    f.t.main->mdiArea()->setActiveSubWindow(listFrame);
    const std::vector<Page> after = wordsOf("after.pdf");
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(after.size(), 1u);
    ASSERT_EQ(before[0].size(), after[0].size());
    for (size_t i = 0; i < before[0].size(); ++i) {
        EXPECT_EQ(before[0][i].text, after[0][i].text);
        EXPECT_NEAR(before[0][i].left, after[0][i].left, 0.01);
        EXPECT_NEAR(before[0][i].top, after[0][i].top, 0.01);
        EXPECT_NEAR(before[0][i].bottom, after[0][i].bottom, 0.01);
    }
}
