// The headless command line, run as the real executable against the virtual meter, recordings
// and files, and compared with what the window's own code paths give.
#include "CliRun.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "app/HelpPage.h"
#include "app/Uscope.h"
#include "cli/ChartSources.h"
#include "cli/CliSupport.h"
#include "files/CollectionFile.h"
#include "files/FileCommands.h"
#include "files/GraphFile.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/Exchange.h"
#include "link/HidTransport.h"
#include "link/RecordingTransport.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"
#include "logger/DataSetTexts.h"
#include "logger/MemoryDecoder.h"
#include "logger/Ulist.h"
#include "setup/MeterInfo.h"

#include <QPushButton>
#include <csignal>
#include <qcustomplot.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class Cli : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // A download from the virtual meter into a collection file.
    QString downloaded() {
        const QString file = path("meter.732");
        if (!QFile::exists(file)) {
            const Result r = q7320({"download", "--meter", "virtual", "-o", file});
            EXPECT_EQ(r.exit, 0) << r.err.toStdString();
        }
        return file;
    }
};

// ---- Usage ----

TEST_F(Cli, BadUsageExitsTwoWithAMessage) {
    const QString csv = path("x.csv");
    QFile(csv).open(QIODevice::WriteOnly);
    // A file that is none of the kinds, by name or by content.
    ASSERT_TRUE(writeBytes(path("a.doc"), "nothing to read here\n"));
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"frobnicate"}, "unknown command"}, // not a command: the window would open instead
        {{"help", "nosuch"}, "unknown command \"nosuch\""},
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--meter", "floppy"}, "unknown meter"},
        {{"--meter", "virtual", "info"}, "it comes first"},
        {{"--meter"}, "--meter needs a value"},
        {{"-", "--meter", "virtual"}, "not standard input"},
        {{"info", "--meter", "floppy"}, "unknown meter"},
        {{"info", "--no-such-option"}, "Unknown option"},
        {{"info", "extra"}, "no arguments"},
        {{"export", csv}, "-o"},
        {{"export", csv, "-o", path("out.xyz")}, ".csv or .txt"},
        {{"export", path("a.doc"), "-o", path("out.csv")}, "not a .732"},
        {{"export", csv, "--set", "2", "-o", path("out.csv")}, "collection files"},
        {{"export", path("a.732"), "--set", "0", "-o", path("out.csv")}, "--set"},
        {{"export", path("a.732"), "--set", "1", "--all", "-o", path("o.csv")}, "exclude"},
        {{"plot", csv, "-o", path("out.gif")}, ".png, .pdf or .svg"},
        {{"plot", csv, "-o", path("out.png"), "--size", "10x10"}, "--size"},
        {{"plot", csv, "-o", path("out.png"), "--size", "wide"}, "--size"},
        {{"sets"}, "one collection file"},
        {{"sets", csv}, "not a .732"},
        {{"sets", path("a.doc")}, "not a .732"},
        {{"sets", csv, "--format", "xml"}, "--format"},
        // Only the commands that talk to the meter take the meter's options.
        {{"sets", csv, "--meter", "virtual"}, "Unknown option 'meter'"},
        {{"export", csv, "-o", path("o.csv"), "--record", path("r.txt")}, "Unknown option"},
        {{"plot", csv, "-o", path("o.png"), "--meter", "virtual"}, "Unknown option 'meter'"},
        {{"export", csv, "-o", "-", "--format", "xls"}, "--format"},
        {{"export", csv, "-o", path("o.csv"), "--format", "txt"}, "is not what"},
        {{"plot", csv, "-o", path("o.png"), "--format", "svg"}, "is not what"},
        {{"plot", csv, "-o", "-", "--format", "gif"}, "--format"},
        {{"info", "--format", "yaml"}, "--format"},
        {{"download"}, "-o FILE.732"},
        {{"download", "-o", path("x.txt")}, ".732"},
        {{"live", "--count", "0"}, "--count"},
        {{"live", "--interval", "0.1"}, "--interval"},
        {{"live", "--format", "xml"}, "--format"},
        {{"setup"}, "nothing to set up"},
        {{"setup", "--erase"}, "are you sure ?"},
        {{"setup", "--interval", "61:00"}, "Invalid Input"},
        {{"setup", "--interval", "00:00"}, "Invalid Input"},
        // The interval as typed, or nothing: the dialog's two-character fields would cut these.
        {{"setup", "--interval", "005:30"}, "Invalid Input"},
        {{"setup", "--interval", "01:030"}, "Invalid Input"},
        {{"setup", "--interval", "1:2:3"}, "Invalid Input"},
        {{"setup", "--interval", "1:"}, "Invalid Input"},
        {{"setup", "--interval", "+1:30"}, "Invalid Input"},
        {{"setup", "--interval", " 1:30"}, "Invalid Input"},
        {{"setup", "--interval", "1.5:30"}, "Invalid Input"},
        {{"setup", "--rh-offset", "10.1"}, "invalid data, must between 10.0 and -10.0"},
        {{"setup", "--temp-offset", "9.5"}, "invalid data, must between 9.0 and -9.0"},
        {{"setup", "--co2-offset", "401"}, "invalid data, must be integer between 400 and -400"},
        {{"setup", "--altitude", "3001"}, "invalid data, must be integer between 0 and 3000"},
        {{"setup", "--alarm", "40001,5"}, "invalid data, must be integer between 0 and 40000"},
        {{"setup", "--power-off", "8"}, "--power-off"},
        {{"setup", "--power-off", "1x"}, "--power-off"},
    };
    for (const auto& c : cases) {
        // Nothing is sent for bad usage: the virtual meter is never needed, the USB one neither.
        const Result r = q7320(c.args);
        EXPECT_EQ(r.exit, 2) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.says)))
            << c.args.join(' ').toStdString() << "\n"
            << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
    }
}

TEST_F(Cli, HelpDocumentsEveryCommandAndItsOptions) {
    const Result all = q7320({"--help"});
    EXPECT_EQ(all.exit, 0);
    for (const char* c : {"info", "live", "download", "sets", "export", "plot", "setup", "--meter",
                          "--record", "60-q7320.rules"})
        EXPECT_TRUE(all.out.contains(QString::fromLatin1(c))) << c;
    const QStringList meterOptions{"--meter", "--record"};
    const struct {
        const char* command;
        QStringList options;
        bool meter; // the command talks to the meter: it takes --meter and --record
    } commands[] = {
        {"info", {"--format"}, true},
        {"live", {"--interval", "--count", "--format"}, true},
        {"download", {"-o"}, true},
        {"sets", {"FILE.732", "--format"}, false},
        {"export", {"--set", "--all", "--iso", "-o", "--format", "--header"}, false},
        {"plot", {"--set", "--size", "-o", "--format"}, false},
        {"setup",
         {"--clock", "--interval", "--alarm", "--rh-offset", "--temp-offset", "--co2-offset",
          "--altitude", "--power-off", "--erase", "--yes"},
         true},
    };
    for (const auto& c : commands) {
        for (const QStringList& asked :
             {QStringList{c.command, "--help"}, QStringList{"help", c.command}}) {
            const Result r = q7320(asked);
            EXPECT_EQ(r.exit, 0) << c.command;
            EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: q7320 ") + c.command))
                << r.out.toStdString();
            for (const QString& o : c.options)
                EXPECT_TRUE(r.out.contains(o)) << c.command << " " << o.toStdString();
            // A command's help lists only what it uses.
            for (const QString& o : meterOptions)
                EXPECT_EQ(r.out.contains(o), c.meter) << c.command << " " << o.toStdString();
        }
    }
}

TEST_F(Cli, WithoutADisplayTheProgramNeverAborts) {
    // No display and no platform chosen: what the window would need is not there. Every answer
    // still comes from the program, never from the toolkit's abort.
    const RunOptions noDisplay{{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}};
    ASSERT_TRUE(writeBytes(path("junk.bin"), QByteArray(64, '\x01')));
    const struct {
        QStringList args;
        int exit;
        const char* says; // on stdout for exit 0, on stderr otherwise
    } cases[] = {
        {{"--version"}, 0, "q7320 "},
        {{"-V"}, 0, "q7320 "},
        {{"--help"}, 0, "Usage: q7320"},
        {{"help"}, 0, "Usage: q7320"},
        {{"--frobnicate"}, 2, "unknown option \"--frobnicate\""},
        {{"-x"}, 2, "unknown option \"-x\""},
        {{"--meter", "floppy"}, 2, "unknown meter"},
        {{"help", "nosuch"}, 2, "unknown command \"nosuch\""},
        {{"nosuch"}, 2, "unknown command \"nosuch\""},
        {{path("absent.732")}, 1, "No such file or directory"},
        {{path("junk.bin")}, 2, "not a .732, .ghf, .txt or .csv file"},
        {{"--meter", "virtual"}, 1, "no display"},
        {{"sets", "--help"}, 0, "Usage: q7320 sets"},
    };
    for (const auto& c : cases) {
        const Result r = q7320(c.args, noDisplay);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        const QString& said = c.exit == 0 ? r.out : r.err;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says)))
            << c.args.join(' ').toStdString() << "\n"
            << said.toStdString();
    }
    // The version's first line is the program's name and version, for scripts and packaging.
    const Result version = q7320({"--version"}, noDisplay);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^q7320 \\d+\\.\\d+\\.\\d+\n"))
                    .match(version.out)
                    .hasMatch())
        << version.out.toStdString();
    EXPECT_TRUE(version.out.contains(QStringLiteral("There is NO WARRANTY")));
}

// ---- download, sets, export ----

// The window's way: a download through the "DataLogger" command, which charts the data sets
// in the data logger graph window.
struct WindowDownload {
    VirtualMeter meter;
    TestMain t{meter};
    TfrmGraph* graph = nullptr;

    WindowDownload() {
        t.main->state().dataFolder = t.dir.path() + QStringLiteral("/data/");
        t.tick();
        EXPECT_TRUE(t.main->state().connected);
        t.main->dataLogger().LoadData1Click();
        EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
        graph = t.main->state().DataLoggerGraph;
        EXPECT_NE(graph, nullptr);
    }
    // Data set `set`'s chart saved as a text file through the File menu's writer (range: all).
    QByteArray text(int set, char separator, const QString& file) {
        if (!graph) return {};
        graph->ShowDataSet(set - 1);
        t.dialogs.dialogAnswers.push_back([](QDialog& d) {
            static_cast<TfrmScope&>(d).BitBtn1->click();
            return d.result();
        });
        t.main->fileCommands().WriteChartText(*graph->PESGraph1, file, separator);
        return readBytes(file);
    }
};

TEST_F(Cli, DownloadThenExportGivesTheWindowsTextLines) {
    const QString file = path("meter.732");
    const Result download = q7320({"download", "--meter", "virtual", "-o", file});
    ASSERT_EQ(download.exit, 0) << download.err.toStdString();
    EXPECT_TRUE(download.err.contains(QStringLiteral("bytes"))); // the progress bar

    // The file is the meter's logger memory, and the command lists its data sets.
    const std::optional<MemoryImage> image = CollectionFile::readImage(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), VirtualMeter().loggerImage().size());
    DataSetStore store;
    ASSERT_EQ(DecodeMemory(*image, store, QDateTime::currentDateTime()), DecodeOk);
    QStringList expected{"Set\tDATE\tTIME\tRate\tNums\tUnit\tppm Offset\tRH Offset\tT1 Offset"};
    for (int k = 0; k < store.count(); ++k) {
        const auto texts = dataSetRowTexts(store, k);
        expected << QStringList(texts.begin(), texts.end()).join('\t');
    }
    EXPECT_EQ(lines(download.out), expected);
    const Result sets = q7320({"sets", file});
    EXPECT_EQ(sets.exit, 0);
    EXPECT_EQ(lines(sets.out), expected);

    // Every data set, as text and as CSV, equals what the window writes.
    WindowDownload window;
    for (int set : {1, 2, 4}) {
        for (const char* ext : {"txt", "csv"}) {
            const QString out = path(QStringLiteral("set%1.%2").arg(set).arg(ext));
            const Result r = q7320({"export", file, "--set", QString::number(set), "-o", out});
            ASSERT_EQ(r.exit, 0) << r.err.toStdString();
            const QByteArray mine = readBytes(out);
            EXPECT_FALSE(mine.isEmpty());
            EXPECT_EQ(mine, window.text(set, ext[0] == 'c' ? ',' : '\t',
                                        path(QStringLiteral("window%1.%2").arg(set).arg(ext))))
                << "set " << set << " " << ext;
        }
    }
    // --all: the data sets one after the other.
    const Result all = q7320({"export", file, "--all", "-o", path("all.txt")});
    ASSERT_EQ(all.exit, 0) << all.err.toStdString();
    QByteArray joined;
    for (int set = 1; set <= store.count(); ++set) {
        const QString out = path(QStringLiteral("each%1.txt").arg(set));
        ASSERT_EQ(q7320({"export", file, "--set", QString::number(set), "-o", out}).exit, 0);
        joined += readBytes(out);
    }
    EXPECT_EQ(readBytes(path("all.txt")), joined);

    // A data set the file does not have.
    const Result missing = q7320({"export", file, "--set", "99", "-o", path("none.txt")});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("not 99")));
    EXPECT_FALSE(QFile::exists(path("none.txt")));
}

TEST_F(Cli, ExportIsoAndTablesRoundTrip) {
    const QString file = downloaded();
    // ISO 8601 timestamps with the UTC offset, one line per sample of the set.
    const Result iso = q7320({"export", file, "--set", "4", "-o", path("iso.csv"), "--iso"});
    ASSERT_EQ(iso.exit, 0) << iso.err.toStdString();
    const QStringList isoLines =
        QString::fromUtf8(readBytes(path("iso.csv"))).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(isoLines.size(), 3000);
    const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    for (const QString& line : isoLines) {
        const QStringList f = line.split(',');
        ASSERT_EQ(f.size(), 4) << line.toStdString();
        ASSERT_TRUE(stamp.match(f[0]).hasMatch()) << line.toStdString();
        ASSERT_TRUE(QDateTime::fromString(f[0], Qt::ISODate).isValid());
    }
    EXPECT_TRUE(isoLines.first().startsWith(QStringLiteral("2026-03-12T09:05:00")));
    // The logged CO2 over range of sample 101 and the missing %RH of sample 201.
    EXPECT_EQ(isoLines[100].split(',')[1], QStringLiteral(" OL"));
    EXPECT_EQ(isoLines[200].split(',')[2], QStringLiteral("----"));

    // A text file read back as a table and written again gives the same lines.
    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("set4.txt")}).exit, 0);
    const Result again = q7320({"export", path("set4.txt"), "-o", path("again.txt")});
    ASSERT_EQ(again.exit, 0) << again.err.toStdString();
    EXPECT_EQ(readBytes(path("again.txt")), readBytes(path("set4.txt")));

    // A table without data, and files that are not what they say.
    QFile empty(path("empty.csv"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("no separator here\n");
    empty.close();
    const Result none = q7320({"export", path("empty.csv"), "-o", path("o.csv")});
    EXPECT_EQ(none.exit, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("No data to graph !")));
    QFile junk(path("junk.732"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(100, '\0'));
    junk.close();
    for (const char* command : {"sets", "export", "plot"}) {
        QStringList args{command, path("junk.732")};
        if (command[0] == 'e') args << "-o" << path("o.txt");
        if (command[0] == 'p') args << "-o" << path("o.png");
        const Result r = q7320(args);
        EXPECT_EQ(r.exit, 1) << command;
        EXPECT_TRUE(r.err.contains(QStringLiteral("no data set"))) << r.err.toStdString();
    }
    const Result absent = q7320({"sets", path("absent.732")});
    EXPECT_EQ(absent.exit, 1);
    EXPECT_TRUE(absent.err.contains(QStringLiteral("No such file or directory")));
}

TEST(CliTables, ATableIsChartedAsOutputTabularToGraphChartsIt) {
    // Odd rows on purpose: over and under range, an unreadable value, a time that does not
    // parse in the middle, a short row, and a single-digit hour.
    QTemporaryDir dir;
    const QString file = dir.filePath("table.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QString d = DateTimeText::date(46000.0);
    const QStringList rows = {
        d + "\t09:00:00\t412.0\t45.5\t21.3\t",
        d + "\t09:00:02\t OL\t -OL\t----\t",
        d + "\tnot a time\t500.0\t50.0\t20.0\t",
        d + "\t9:00:06\tabc\t51.0\t",
        d + "\t09:00:08\t-12.5\t100.0\t-20.0\textra\tfields\there",
        d + "\t09:00:10\t1e3\t 7.5 \t8",
    };
    f.write(rows.join("\r\n").toUtf8() + "\r\n");
    f.close();

    // The window: open the table into a list window, then "Output Tabular to graph".
    VirtualMeter meter;
    TestMain t(meter);
    TfrmList* list = t.main->fileCommands().ReadListText(file, ".txt");
    ASSERT_NE(list, nullptr);
    t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
    t.main->dataLogger().btnOutputToGraphClick();
    TfrmGraph* graph = TfrmGraph::latest();
    ASSERT_NE(graph, nullptr);
    const chart::Chart& window = *graph->PESGraph1;

    chart::Chart mine;
    QString why;
    ASSERT_TRUE(cli::chartTable(mine, file, '\t', &why)) << why.toStdString();
    ASSERT_EQ(mine.points(), window.points());
    ASSERT_EQ(mine.points(), rows.size());
    EXPECT_TRUE(std::equal(mine.xCells().begin(), mine.xCells().end(), window.xCells().begin(),
                           window.xCells().end()));
    EXPECT_TRUE(std::equal(mine.yCells().begin(), mine.yCells().end(), window.yCells().begin(),
                           window.yCells().end()));
    EXPECT_EQ(mine.manualMinX(), window.manualMinX());
    EXPECT_EQ(mine.manualMaxX(), window.manualMaxX());

    // What the window refuses, the command line refuses with the same words.
    QFile bad(dir.filePath("bad.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\t09:00:00\t1\t2\t3\r\n");
    bad.close();
    EXPECT_FALSE(cli::chartTable(mine, dir.filePath("bad.txt"), '\t', &why));
    EXPECT_EQ(why, QStringLiteral("No data to graph !"));
}

// ---- plot ----

TEST_F(Cli, PlotWritesPicturesOfTheAskedSize) {
    const QString file = downloaded();
    // A chart file and a CSV table of the same data set as further inputs.
    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("set4.csv")}).exit, 0);
    ASSERT_TRUE(writeSmallChartFile(path("chart.ghf")));
    const QString inputs[] = {file, path("chart.ghf"), path("set4.csv")};
    for (const QString& input : inputs) {
        const Result png = q7320({"plot", input, "-o", path("p.png"), "--size", "640x360"});
        ASSERT_EQ(png.exit, 0) << input.toStdString() << png.err.toStdString();
        QImage image(path("p.png"));
        ASSERT_FALSE(image.isNull()) << input.toStdString();
        EXPECT_EQ(image.size(), QSize(640, 360));
        // The window's colours: grey desk, black graph area, a yellow CO2 line.
        int desk = 0, back = 0, co2 = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y) & 0xFFFFFF;
                desk += c == 0xC0C0C0;
                back += c == 0x000000;
                co2 += c == 0xFFFF00;
            }
        EXPECT_GT(desk, 1000) << input.toStdString();
        EXPECT_GT(back, 1000) << input.toStdString();
        EXPECT_GT(co2, 20) << input.toStdString();
        QFile::remove(path("p.png"));
    }
    // Set 4 is drawn as the data logger window draws it, pixel for pixel.
    ASSERT_EQ(q7320({"plot", file, "--set", "4", "-o", path("a.png")}).exit, 0);
    const QImage mine(path("a.png"));
    EXPECT_EQ(mine.size(), QSize(1024, 600));
    WindowDownload window;
    ASSERT_NE(window.graph, nullptr);
    window.graph->ShowDataSet(3);
    ASSERT_TRUE(window.graph->PESGraph1->plot()->savePng(path("window.png"), 1024, 600));
    EXPECT_EQ(mine.convertToFormat(QImage::Format_RGB32),
              QImage(path("window.png")).convertToFormat(QImage::Format_RGB32));

    const Result svg = q7320({"plot", file, "-o", path("p.svg"), "--size", "800x500"});
    ASSERT_EQ(svg.exit, 0) << svg.err.toStdString();
    QSvgRenderer renderer(path("p.svg"));
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize(), QSize(800, 500));

    const Result pdf = q7320({"plot", file, "-o", path("p.pdf"), "--size", "800x500"});
    ASSERT_EQ(pdf.exit, 0) << pdf.err.toStdString();
    EXPECT_TRUE(readBytes(path("p.pdf")).startsWith("%PDF"));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path("p.pdf")});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString pdfInfo = QString::fromLocal8Bit(info.readAllStandardOutput());
    EXPECT_TRUE(pdfInfo.contains(QRegularExpression(QStringLiteral("Page size:\\s+800 x 500 pts"))))
        << pdfInfo.toStdString();
}

// ---- live, info, setup ----

TEST_F(Cli, LiveCountPrintsThatManyParseableLines) {
    const Result csv = q7320({"live", "--meter", "virtual", "--count", "3", "--interval", "0.5"});
    ASSERT_EQ(csv.exit, 0) << csv.err.toStdString();
    const QStringList csvLines = lines(csv.out);
    ASSERT_EQ(csvLines.size(), 3);
    QDateTime previous;
    for (const QString& line : csvLines) {
        const QStringList f = line.split(',');
        ASSERT_EQ(f.size(), 5) << line.toStdString();
        const QDateTime t = QDateTime::fromString(f[0], Qt::ISODate);
        ASSERT_TRUE(t.isValid()) << line.toStdString();
        EXPECT_TRUE(f[0].contains(QRegularExpression("([+-]\\d\\d:\\d\\d|Z)$")))
            << line.toStdString();
        EXPECT_LT(std::abs(t.secsTo(QDateTime::currentDateTime())), 120);
        if (previous.isValid()) EXPECT_GE(previous.msecsTo(t), 0);
        previous = t;
        bool ok = false;
        EXPECT_GT(f[1].toInt(&ok), 0);
        EXPECT_TRUE(ok) << line.toStdString();
        f[2].toDouble(&ok);
        EXPECT_TRUE(ok);
        f[3].toDouble(&ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(f[4] == "C" || f[4] == "F");
    }

    const Result json = q7320(
        {"live", "--meter", "virtual", "--count", "2", "--interval", "0.5", "--format", "json"});
    ASSERT_EQ(json.exit, 0) << json.err.toStdString();
    const QStringList jsonLines = lines(json.out);
    ASSERT_EQ(jsonLines.size(), 2);
    for (const QString& line : jsonLines) {
        QJsonParseError e;
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &e).object();
        ASSERT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(QDateTime::fromString(o["time"].toString(), Qt::ISODate).isValid());
        EXPECT_TRUE(o["co2"].isDouble());
        EXPECT_TRUE(o["rh"].isDouble());
        EXPECT_TRUE(o["temperature"].isDouble());
        EXPECT_TRUE(o["unit"].toString() == "C" || o["unit"].toString() == "F");
    }
}

TEST_F(Cli, LiveRunsUntilInterrupted) {
    QProcess p;
    p.start(QStringLiteral(Q7320_EXECUTABLE), {"live", "--meter", "virtual", "--interval", "0.5"});
    ASSERT_TRUE(p.waitForStarted());
    QString out;
    QElapsedTimer timer;
    timer.start();
    while (lines(out).size() < 2 && timer.elapsed() < 30000) {
        p.waitForReadyRead(500);
        out += QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    ASSERT_GE(lines(out).size(), 2);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(Cli, InfoPrintsTheConfigurationAndClockDifference) {
    const Result r = q7320({"info", "--meter", "virtual"});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    const VirtualMeter meter;
    const auto expected = meterInfoTexts(*decodeMeterInfo(meter.infoReply()));
    auto value = [&](const QString& label) {
        for (const QString& line : lines(r.out))
            if (line.startsWith(label)) return line.mid(label.size()).trimmed();
        return QStringLiteral("<missing>");
    };
    EXPECT_EQ(value("FirmWare Version:"), expected.version);
    EXPECT_EQ(value("Recording Interval:"), expected.interval);
    EXPECT_EQ(value("Data Sets In Memory:"), expected.dataSets);
    EXPECT_EQ(value("Memory Available:"), expected.memoryAvailable);
    EXPECT_EQ(value("ALARM:"), expected.alarm);
    EXPECT_EQ(value("time to off:"), expected.sleepTime);
    EXPECT_EQ(value("Unit Type:"), expected.unit);
    // The virtual meter's clock starts as the computer's.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Clock difference:\\s+([+-]?\\d+) s")).match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    EXPECT_LE(std::abs(m.captured(1).toInt()), 3);
}

// The hex bytes of every frame the program sent, from a recording.
QStringList framesSent(const QString& recording) {
    QStringList frames;
    for (const QString& line : QString::fromUtf8(readBytes(recording)).split('\n'))
        if (line.startsWith(QStringLiteral("command "))) frames << line.mid(8, 20);
    return frames;
}

TEST_F(Cli, SetupSendsTheWindowsCommands) {
    const QString rec = path("setup.rec");
    const Result r =
        q7320({"setup", "--meter",     "virtual", "--record",      rec,        "--interval",
               "01:30", "--rh-offset", "2.3",     "--temp-offset", "1",        "--co2-offset",
               "-400",  "--altitude",  "250",     "--alarm",       "500,1000", "--power-off",
               "7",     "--clock",     "--erase", "--yes"});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out),
              QStringList({"Recording interval: OK", "RH offset: OK", "Temp. offset: OK",
                           "ppm offset: OK", "altitude compensation: OK", "CO2 Alarm: OK",
                           "auto power off: OK", "Meter Clock: OK", "Erase Meter Memory: OK"}));
    const QStringList frames = framesSent(rec);
    // The virtual meter starts in degrees C: 1 degree is 18 tenths of a degree F.
    for (const char* frame : {"02 49 01 30", "02 57 00 00 49 17", "02 57 00 00 4a 12",
                              "02 44 fe 70 00 00", "02 4c 00 fa 00 00", "02 46 03 e8 01 f4",
                              "02 57 00 00 50 07", "02 74 00 00", "02 65 00 00"})
        EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                                [&](const QString& f) { return f.startsWith(frame); }))
            << frame << "\n"
            << frames.join('\n').toStdString();

    // The window's unit-dependent check: 6 degrees is too much for a meter in degrees C.
    const Result temp = q7320({"setup", "--meter", "virtual", "--temp-offset", "6"});
    EXPECT_EQ(temp.exit, 2);
    EXPECT_TRUE(temp.err.contains(QStringLiteral("invalid data, must between 5.0 and -5.0")));
}

// The recording's lines, and a recording written from lines.
QStringList recordedOps(const QString& recording) {
    return QString::fromUtf8(readBytes(recording)).split('\n', Qt::SkipEmptyParts);
}
bool writeOps(const QString& recording, const QStringList& ops) {
    return writeBytes(recording, ops.join('\n').toUtf8() + "\n");
}

// A recorded setup in which the meter answers the interval command with "ER" in all three
// attempts; the rest of the recording follows. Empty when the recording has no interval.
QStringList intervalRefused(QStringList ops) {
    const qsizetype command = ops.indexOf(QRegularExpression("^command 02 49 .*"));
    if (command < 2 || !ops[command + 2].startsWith("reply 32 -> 0 : 02 49 4f 4b")) return {};
    ops[command + 2].replace("02 49 4f 4b", "02 49 45 52");
    const QStringList attempt = ops.mid(command - 2, 5); // open, timeouts, command, flush, reply
    return ops.mid(0, command + 3) + attempt + attempt + ops.mid(command + 3);
}

TEST_F(Cli, ASetupCommandTheMeterRefusesFails) {
    const QString rec = path("interval.rec");
    ASSERT_EQ(q7320({"setup", "--meter", "virtual", "--record", rec, "--interval", "01:30"}).exit,
              0);
    const QStringList refused = intervalRefused(recordedOps(rec));
    ASSERT_FALSE(refused.isEmpty());
    ASSERT_TRUE(writeOps(path("refused.rec"), refused));

    const Result r =
        q7320({"setup", "--meter", "replay:" + path("refused.rec"), "--interval", "01:30"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Recording interval: Fail"))) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("OK")));
}

TEST_F(Cli, SetupSendsTheIntervalExactlyAsTyped) {
    // Minutes and seconds of one or two digits each, sent as those numbers in BCD.
    const struct {
        const char* typed;
        const char* frame;
    } cases[] = {
        {"1:5", "02 49 01 05 00 00 03"},
        {"01:30", "02 49 01 30 00 00 03"},
        {"60:60", "02 49 60 60 00 00 03"},
        {"0:01", "02 49 00 01 00 00 03"},
    };
    for (const auto& c : cases) {
        const QString rec = path("interval.rec");
        const Result r =
            q7320({"setup", "--meter", "virtual", "--record", rec, "--interval", c.typed});
        ASSERT_EQ(r.exit, 0) << c.typed << r.err.toStdString();
        EXPECT_EQ(lines(r.out), QStringList{"Recording interval: OK"});
        QStringList intervals;
        for (const QString& f : framesSent(rec))
            if (f.startsWith("02 49")) intervals << f;
        EXPECT_EQ(intervals, QStringList{QString::fromLatin1(c.frame)}) << c.typed;
    }
}

TEST_F(Cli, SetupChecksEveryValueInTheMetersUnitBeforeSendingAny) {
    // The virtual meter is in degrees C: 7 degrees is too much, and it is found out after the
    // meter's configuration is read but before the interval, which comes first, is sent.
    const QString rec = path("celsius.rec");
    const Result c = q7320({"setup", "--meter", "virtual", "--record", rec, "--interval", "01:30",
                            "--temp-offset", "7"});
    EXPECT_EQ(c.exit, 2);
    EXPECT_TRUE(c.err.contains(QStringLiteral("invalid data, must between 5.0 and -5.0")))
        << c.err.toStdString();
    EXPECT_TRUE(c.out.isEmpty());
    const QStringList sent = framesSent(rec);
    ASSERT_EQ(sent.size(), 2) << sent.join('\n').toStdString(); // identify, information read
    EXPECT_TRUE(sent[0].startsWith("02 4b"));
    EXPECT_TRUE(sent[1].startsWith("02 58"));

    // The same meter in degrees F (its configuration reply says so, byte 40): 6 degrees is in
    // range and is sent as 60 tenths of a degree F.
    const QString base = path("base.rec");
    ASSERT_EQ(q7320({"setup", "--meter", "virtual", "--record", base, "--temp-offset", "5"}).exit,
              0);
    QStringList ops = recordedOps(base);
    bool unitPatched = false, framePatched = false, afterInfoCommand = false;
    for (QString& op : ops) {
        // The information reply is the 64-byte reply that follows the 'X' command.
        if (op.startsWith("command 02 58")) afterInfoCommand = true;
        if (afterInfoCommand && op.startsWith("reply 64 -> 0 : ")) {
            afterInfoCommand = false;
            QStringList bytes = op.section(" : ", 1).split(' ');
            ASSERT_GT(bytes.size(), 40);
            bytes[40] = "01";
            op = op.section(" : ", 0, 0) + " : " + bytes.join(' ');
            unitPatched = true;
        }
        if (op.startsWith("command 02 57 00 00 4a 5a")) { // 5 degrees C: 90 tenths of F
            op.replace("02 57 00 00 4a 5a", "02 57 00 00 4a 3c");
            framePatched = true;
        }
    }
    ASSERT_TRUE(unitPatched && framePatched);
    ASSERT_TRUE(writeOps(path("fahrenheit.rec"), ops));
    const Result f =
        q7320({"setup", "--meter", "replay:" + path("fahrenheit.rec"), "--temp-offset", "6"});
    EXPECT_EQ(f.exit, 0) << f.err.toStdString();
    EXPECT_EQ(lines(f.out), QStringList{"Temp. offset: OK"});
    // Beyond the widest range nothing is even opened.
    const Result wide = q7320({"setup", "--meter", "replay:" + path("absent.rec"), "--interval",
                               "01:30", "--temp-offset", "9.5"});
    EXPECT_EQ(wide.exit, 2);
    EXPECT_TRUE(wide.err.contains(QStringLiteral("invalid data, must between 9.0 and -9.0")));
}

TEST_F(Cli, ASetupFailingAfterOthersWereSentSaysWhatWasSentAndWhatNot) {
    // The interval is refused ("ER") in all three attempts; the %RH offset after it goes
    // through.
    const QString rec = path("two.rec");
    ASSERT_EQ(q7320({"setup", "--meter", "virtual", "--record", rec, "--interval", "01:30",
                     "--rh-offset", "2.3"})
                  .exit,
              0);
    const QStringList refused = intervalRefused(recordedOps(rec));
    ASSERT_FALSE(refused.isEmpty());
    ASSERT_TRUE(writeOps(path("refused.rec"), refused));

    const Result r = q7320({"setup", "--meter", "replay:" + path("refused.rec"), "--interval",
                            "01:30", "--rh-offset", "2.3"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(lines(r.out), QStringList{"RH offset: OK"});
    const QStringList err = lines(r.err);
    ASSERT_FALSE(err.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("Recording interval: Fail")));
    EXPECT_EQ(err.last(), QStringLiteral("q7320: sent: RH offset; not sent (or not confirmed by "
                                         "the meter): Recording interval"));
}

TEST_F(Cli, InfoAndSetsAsCsvAndJson) {
    const QString file = downloaded();
    // sets: the list's columns, with ISO dates and '.' decimals, whatever the locale.
    const Result csv = q7320({"sets", file, "--format", "csv"});
    ASSERT_EQ(csv.exit, 0) << csv.err.toStdString();
    const QStringList rows = lines(csv.out);
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0],
              QStringLiteral("Set,DATE,TIME,Rate,Nums,Unit,ppm Offset,RH Offset,T1 Offset"));
    EXPECT_EQ(rows[4], QStringLiteral("4,2026-03-12,09:05:00,00:30,3000,C,50,0.5,0.2"));
    const Result json = q7320({"sets", file, "--format", "json"});
    ASSERT_EQ(json.exit, 0);
    QJsonParseError e;
    const QJsonArray sets = QJsonDocument::fromJson(json.outBytes, &e).array();
    ASSERT_EQ(e.error, QJsonParseError::NoError) << json.out.toStdString();
    ASSERT_EQ(sets.size(), 5);
    const QJsonObject second = sets[1].toObject();
    EXPECT_EQ(second["set"].toInt(), 2);
    EXPECT_EQ(second["interval"].toInt(), 90);
    EXPECT_EQ(second["samples"].toInt(), 1);
    EXPECT_EQ(second["unit"].toString(), "F");
    EXPECT_EQ(second["ppm_offset"].toInt(), -25);
    EXPECT_DOUBLE_EQ(second["rh_offset"].toDouble(), -1.5);
    EXPECT_TRUE(second["start"].toString().startsWith("2026-03-11T13:45:30"));
    EXPECT_TRUE(QDateTime::fromString(second["start"].toString(), Qt::ISODate).isValid());

    // info: the same facts as the labelled lines, typed.
    const Result text = q7320({"info", "--meter", "virtual"});
    const Result info = q7320({"info", "--meter", "virtual", "--format", "json"});
    ASSERT_EQ(info.exit, 0) << info.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(info.outBytes, &e).object();
    ASSERT_EQ(e.error, QJsonParseError::NoError) << info.out.toStdString();
    EXPECT_EQ(o["unit"].toString(), "C");
    EXPECT_TRUE(o["data_sets"].isDouble());
    EXPECT_EQ(o["data_sets"].toInt(), 5);
    EXPECT_TRUE(o["rh_offset"].isDouble());
    EXPECT_TRUE(o["serial_number"].isString());
    EXPECT_TRUE(text.out.contains(o["serial_number"].toString()));
    EXPECT_TRUE(text.out.contains(o["firmware_version"].toString()));
    EXPECT_LE(std::abs(o["clock_difference"].toInt()), 3);
    EXPECT_TRUE(QDateTime::fromString(o["meter_time"].toString(), Qt::ISODate).isValid());
    const Result infoCsv = q7320({"info", "--meter", "virtual", "--format", "csv"});
    ASSERT_EQ(infoCsv.exit, 0);
    const QStringList infoRows = lines(infoCsv.out);
    ASSERT_EQ(infoRows.size(), 2);
    EXPECT_EQ(infoRows[0].split(',').size(), infoRows[1].split(',').size());
    QStringList csvKeys = infoRows[0].split(',');
    csvKeys.sort();
    EXPECT_EQ(csvKeys, o.keys()); // the same fields, JSON's sorted
    EXPECT_TRUE(infoRows[0].startsWith("firmware_version,serial_number,unit,"));
}

TEST_F(Cli, LiveTimesHaveMillisecondsBelowASecond) {
    const QRegularExpression ms(QStringLiteral("T\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
    const QRegularExpression whole(QStringLiteral("T\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    for (const char* interval : {"0.5", "1"}) {
        const Result r = q7320({"live", "--meter", "virtual", "--count", "2", "--interval",
                                interval, "--format", "json"});
        ASSERT_EQ(r.exit, 0) << r.err.toStdString();
        for (const QString& line : lines(r.out)) {
            const QString time = QJsonDocument::fromJson(line.toUtf8()).object()["time"].toString();
            EXPECT_TRUE((interval[0] == '0' ? ms : whole).match(time).hasMatch())
                << interval << " " << time.toStdString();
        }
    }
}

// ---- recording and replay, no meter, permissions ----

TEST_F(Cli, ARecordedDownloadReplaysToTheSameImage) {
    const QString rec = path("download.rec");
    const Result first =
        q7320({"download", "--meter", "virtual", "--record", rec, "-o", path("a.732")});
    ASSERT_EQ(first.exit, 0) << first.err.toStdString();
    const Result again = q7320({"download", "--meter", "replay:" + rec, "-o", path("b.732")});
    ASSERT_EQ(again.exit, 0) << again.err.toStdString();
    EXPECT_EQ(readBytes(path("b.732")), readBytes(path("a.732")));
    EXPECT_EQ(again.out, first.out);

    // A program that asks for something else than the recording holds is told so.
    const Result other = q7320({"info", "--meter", "replay:" + rec});
    EXPECT_EQ(other.exit, 1);
    EXPECT_FALSE(other.err.isEmpty());
    const Result missing = q7320({"info", "--meter", "replay:" + path("absent.rec")});
    EXPECT_EQ(missing.exit, 1);
}

TEST_F(Cli, LiveSurvivesUnpluggingAndSaysSo) {
    // A meter that is pulled out after the first sample and plugged in again a little later,
    // recorded as the command's own exchanges meet it, then played back to the command.
    const QString rec = path("unplug.rec");
    {
        VirtualMeter meter;
        RecordingTransport recorder(meter, rec);
        ASSERT_TRUE(recorder.ok());
        Exchange ex(recorder, Clock::system());
        auto identify = [&] {
            recorder.open(MeterVendorId, MeterProductId);
            return ex.genericExchange('K');
        };
        ASSERT_TRUE(identify());
        ASSERT_TRUE(ex.liveRead(true));
        meter.unplug();
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(ex.liveRead(true));
        EXPECT_FALSE(identify());
        meter.plug();
        ASSERT_TRUE(identify());
        ASSERT_TRUE(ex.liveRead(true));
        ASSERT_TRUE(ex.liveRead(true));
    }
    const Result r =
        q7320({"live", "--meter", "replay:" + rec, "--count", "3", "--interval", "0.5"});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).size(), 3) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("lost the connection"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("connected again"))) << r.err.toStdString();
}

// A hidraw node that exists but may not be opened.
class DeniedDevice : public HidDevice {
  public:
    OpenStatus open(uint16_t, uint16_t) override { return OpenStatus::PermissionDenied; }
    void close() override {}
    int write(std::span<const uint8_t>) override { return -1; }
    int read(std::span<uint8_t>, int) override { return -1; }
    std::wstring serialNumber() override { return {}; }
    std::string errorText() const override { return "/dev/hidraw3"; }
};

TEST(CliPermissions, ANodeWithoutPermissionNamesTheUdevRule) {
    HidTransport denied(std::make_unique<DeniedDevice>());
    Exchange ex(denied, Clock::system());
    EXPECT_FALSE(cli::identify(ex));
    const QString text = cli::noConnectionText(denied);
    EXPECT_TRUE(text.contains(QStringLiteral("60-q7320.rules"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/hidraw3")));

    // The window's status bar says the same in panel 0, instead of only "no connection".
    TestMain t(denied);
    t.tick();
    EXPECT_FALSE(t.main->state().connected);
    EXPECT_EQ(t.main->statusText(0), text);

    // An absent meter stays the ordinary "no connection".
    VirtualMeter meter;
    meter.unplug();
    EXPECT_EQ(cli::noConnectionText(meter), QStringLiteral("There is no connection with meter !"));
    TestMain absent(meter);
    absent.tick();
    EXPECT_TRUE(absent.main->statusText(0).isEmpty());
}

TEST_F(Cli, MeterCommandsWithoutAMeterFail) {
    // A recording of a meter that never answers: every command ends with the program's text.
    const QString rec = path("nothing.rec");
    QFile f(rec);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("open 04d9 e000 -> 1\nopen 04d9 e000 -> 1\nclose\n");
    f.close();
    const Result r = q7320({"download", "--meter", "replay:" + rec, "-o", path("x.732")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("There is no connection with meter !")))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("x.732")));
}

TEST_F(Cli, ADownloadCutShortEndsWithTheErrorCodeAndNoFile) {
    // A real download's traffic that stops in the middle of the transfer, as an unplugged
    // meter does: the reader gives up with its code, and nothing is written.
    const QString rec = path("full.rec");
    ASSERT_EQ(
        q7320({"download", "--meter", "virtual", "--record", rec, "-o", path("full.732")}).exit, 0);
    QStringList ops = QString::fromUtf8(readBytes(rec)).split('\n');
    ops = ops.mid(0, ops.size() / 2);
    QFile cut(path("cut.rec"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(ops.join('\n').toUtf8() + "\n");
    cut.close();
    const Result r =
        q7320({"download", "--meter", "replay:" + path("cut.rec"), "-o", path("cut.732")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains(
        QRegularExpression(QStringLiteral("There was error,please try again!   error code=\\d+"))))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("cut.732")));
    EXPECT_TRUE(r.out.isEmpty());
}
TEST_F(Cli, InstallationHoldsTheProgramItsFilesAndTheUdevRule) {
    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString root = path("root");
    env.insert(QStringLiteral("DESTDIR"), root);
    install.setProcessEnvironment(env);
    install.start(QStringLiteral(Q7320_CMAKE), {"--install", QStringLiteral(Q7320_BUILD_DIR)});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    // Every installed file, by its path below the root.
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next().mid(root.size());
    auto find = [&](const QString& end) {
        for (const QString& f : files)
            if (f.endsWith(end)) return root + f;
        return QString();
    };
    const QString program = find("/lib/q7320/q7320");
    ASSERT_FALSE(program.isEmpty()) << files.join('\n').toStdString();
    const QString folder = QFileInfo(program).absolutePath();
    EXPECT_TRUE(QFileInfo(folder + "/template").isDir());
    // The help page goes with the other data, where Help > Contents looks for it.
    EXPECT_EQ(findHelpPage(folder), QFileInfo(find("/share/q7320/Q7320HELP.htm")).filePath());
    EXPECT_FALSE(find("/share/q7320/help/main.png").isEmpty());

    // bin/q7320 is a link to the program, and runs it.
    const QString link = find("/bin/q7320");
    ASSERT_FALSE(link.isEmpty());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
    QProcess run;
    run.start(link, {"sets", "--help"});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0);

    const QByteArray desktop = readBytes(find("/share/applications/org.q7320.q7320.desktop"));
    EXPECT_TRUE(desktop.contains("Exec=q7320 %F"));
    EXPECT_TRUE(desktop.contains("Icon=q7320"));
    EXPECT_FALSE(find("/share/icons/hicolor/scalable/apps/q7320.svg").isEmpty());

    // The rule lands where udev reads rules and gives the logged-in user the meter's node.
    const QString rule = find("/udev/rules.d/60-q7320.rules");
    ASSERT_FALSE(rule.isEmpty()) << files.join('\n').toStdString();
    const QString where = rule.mid(root.size());
    EXPECT_TRUE(where.startsWith("/etc/udev/") || where.startsWith("/usr/lib/udev/") ||
                where.startsWith("/lib/udev/"))
        << where.toStdString();
    const QByteArray text = readBytes(rule);
    EXPECT_TRUE(text.contains("SUBSYSTEM==\"hidraw\""));
    EXPECT_TRUE(text.contains("ATTRS{idVendor}==\"04d9\""));
    EXPECT_TRUE(text.contains("ATTRS{idProduct}==\"e000\""));
    EXPECT_TRUE(text.contains("TAG+=\"uaccess\""));
}
} // namespace
