// The files of the command line: what it reads (ISO tables, two-digit years, pipes, files
// known by their content, standard input), what it writes (whole or not at all, with the
// system's reason; standard output) and the pictures it draws; and the files the window is
// given on its command line.
#include "CliRun.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "cli/ChartSources.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "files/FileCommands.h"
#include "files/GraphFile.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"
#include "logger/Ulist.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class CliFiles : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // The virtual meter's logger memory as a collection file.
    QString collection(const QString& name = QStringLiteral("meter.732")) {
        const std::vector<uint8_t> image = VirtualMeter().loggerImage();
        EXPECT_TRUE(writeBytes(path(name), QByteArray(reinterpret_cast<const char*>(image.data()),
                                                      qsizetype(image.size()))));
        return path(name);
    }
    QString chartFile(const QString& name = QStringLiteral("chart.ghf")) {
        EXPECT_TRUE(writeSmallChartFile(path(name)));
        return path(name);
    }
    QStringList filesHere() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

QStringList crlfLines(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

bool hasZone(const char* zone) {
    return QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone));
}

// ---- reading ----

TEST_F(CliFiles, IsoTablesAreReadBackByExportAndPlot) {
    const QString file = collection();
    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("plain.txt")}).exit, 0);
    const Result iso = q7320({"export", file, "--set", "4", "-o", path("iso.csv"), "--iso"});
    ASSERT_EQ(iso.exit, 0) << iso.err.toStdString();

    // Read back, the ISO table gives the same points: the same lines in either form.
    const Result plain = q7320({"export", path("iso.csv"), "-o", path("again.txt")});
    ASSERT_EQ(plain.exit, 0) << plain.err.toStdString();
    EXPECT_EQ(readBytes(path("again.txt")), readBytes(path("plain.txt")));
    ASSERT_EQ(q7320({"export", path("iso.csv"), "--iso", "-o", path("iso2.csv")}).exit, 0);
    EXPECT_EQ(readBytes(path("iso2.csv")), readBytes(path("iso.csv")));
    // And it is charted as the table it came from.
    ASSERT_EQ(q7320({"plot", path("iso.csv"), "-o", path("iso.png")}).exit, 0);
    ASSERT_EQ(q7320({"plot", path("plain.txt"), "-o", path("plain.png")}).exit, 0);
    EXPECT_EQ(QImage(path("iso.png")), QImage(path("plain.png")));

    // One moment in the forms ISO 8601 allows: UTC, offsets with and without a colon, local
    // time without offset, fractions of a second, no seconds.
    if (!hasZone("Europe/Berlin")) GTEST_SKIP() << "no time zone data";
    const QByteArray forms = "2024-01-15T10:00:00Z,400.0,50.0,20.0\r\n"
                             "2024-01-15T11:00:00+01:00,400.0,50.0,20.0\r\n"
                             "2024-01-15T05:00:00-05:00,400.0,50.0,20.0\r\n"
                             "2024-01-15T11:00:00,400.0,50.0,20.0\r\n"
                             "2024-01-15T11:00:00.250+0100,400.0,50.0,20.0\r\n"
                             "2024-01-15T12:00+02,400.0,50.0,20.0\r\n"
                             "2024-01-15t10:00:00z, OL, -OL,----\r\n";
    ASSERT_TRUE(writeBytes(path("forms.csv"), forms));
    const Result r =
        q7320({"export", path("forms.csv"), "--iso", "-o", "-"}, {{}, {"TZ=Europe/Berlin"}});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    const QStringList out = crlfLines(r.outBytes);
    ASSERT_EQ(out.size(), 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[i], QStringLiteral("2024-01-15T11:00:00+01:00,400.0,50.0,20.0")) << i;
    EXPECT_EQ(out[6], QStringLiteral("2024-01-15T11:00:00+01:00, OL, -OL,----"));
}

TEST_F(CliFiles, IsoTimestampsGetTheOffsetInForceEvenAtClockChanges) {
    // Local times without offset, written back with the offset of their moment: a time the
    // clock skips takes the offset before the gap, a time it shows twice the first of the two.
    const struct {
        const char* zone;
        const char* local;
        const char* offset;
    } cases[] = {
        {"Europe/Berlin", "2024-03-31T01:59:59", "+01:00"},
        {"Europe/Berlin", "2024-03-31T02:30:00", "+01:00"}, // skipped
        {"Europe/Berlin", "2024-03-31T03:00:00", "+02:00"},
        {"Europe/Berlin", "2024-07-01T12:00:00", "+02:00"},
        {"Europe/Berlin", "2024-10-27T02:30:00", "+02:00"}, // shown twice
        {"Europe/Berlin", "2024-10-27T03:30:00", "+01:00"},
        {"America/New_York", "2024-03-10T02:30:00", "-05:00"},
        {"America/New_York", "2024-11-03T01:30:00", "-04:00"},
        {"Australia/Lord_Howe", "2024-10-06T02:15:00", "+10:30"}, // a half-hour change
        {"Asia/Kolkata", "2024-06-01T08:00:00", "+05:30"},
        {"UTC", "2024-06-01T08:00:00", "+00:00"},
    };
    for (const auto& c : cases) {
        if (!hasZone(c.zone)) continue;
        const QString table = path("local.csv");
        ASSERT_TRUE(writeBytes(table, QByteArray(c.local) + ",400.0,50.0,20.0\r\n"));
        const Result r =
            q7320({"export", table, "--iso", "-o", "-"}, {{}, {QStringLiteral("TZ=") + c.zone}});
        ASSERT_EQ(r.exit, 0) << r.err.toStdString();
        EXPECT_EQ(crlfLines(r.outBytes),
                  QStringList{QString::fromLatin1(c.local) + c.offset + ",400.0,50.0,20.0"})
            << c.zone << " " << c.local;
    }
}

TEST_F(CliFiles, TwoDigitYearsAreTheMetersCentury) {
    // A locale whose short date has a two-digit year: every year is one of 2000..2099.
    const QByteArray table = "14.03.00\t09:00:00\t401,0\t50,0\t20,0\r\n"
                             "14.03.26\t09:00:00\t401,0\t50,0\t20,0\r\n"
                             "14.03.49\t09:00:00\t401,0\t50,0\t20,0\r\n"
                             "14.03.50\t09:00:00\t401,0\t50,0\t20,0\r\n"
                             "14.03.96\t09:00:00\t401,0\t50,0\t20,0\r\n"
                             "31.12.99\t23:59:59\t401,0\t50,0\t20,0\r\n";
    ASSERT_TRUE(writeBytes(path("german.txt"), table));
    const Result r = q7320({"export", path("german.txt"), "--iso", "-o", "-"},
                           {{"LANG", "LC_TIME", "LC_NUMERIC"}, {"LC_ALL=de_DE.UTF-8", "TZ=UTC"}});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    QStringList stamps;
    for (const QString& line : crlfLines(r.outBytes))
        stamps << line.section(',', 0, 0);
    EXPECT_EQ(stamps, QStringList({"2000-03-14T09:00:00+00:00", "2026-03-14T09:00:00+00:00",
                                   "2049-03-14T09:00:00+00:00", "2050-03-14T09:00:00+00:00",
                                   "2096-03-14T09:00:00+00:00", "2099-12-31T23:59:59+00:00"}));
}

TEST_F(CliFiles, PipesAndFoldersAreRefusedWithoutWaiting) {
    const QString fifo = path("fifo.732");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString outFifo = path("fifo.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(outFifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(path("folder.732")));
    const QString table = path("table.csv");
    ASSERT_TRUE(writeBytes(table, "2024-01-15T10:00:00Z,400.0,50.0,20.0\r\n"));
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"sets", fifo}, "not a regular file (a named pipe)"},
        {{"export", fifo, "-o", path("o.csv")}, "not a regular file (a named pipe)"},
        {{"plot", fifo, "-o", path("o.png")}, "not a regular file (a named pipe)"},
        {{"info", "--meter", "replay:" + fifo}, "not a regular file (a named pipe)"},
        {{"sets", path("folder.732")}, "not a regular file (a folder)"},
        {{fifo}, "not a regular file (a named pipe)"}, // the window's files
        // Nor is an output that is no file replaced by one.
        {{"export", table, "-o", outFifo}, "not a regular file (a named pipe)"},
    };
    for (const auto& c : cases) {
        RunOptions quick;
        quick.timeoutMs = 30000;
        const Result r = q7320(c.args, quick);
        EXPECT_EQ(r.exit, 1) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.says)))
            << c.args.join(' ').toStdString() << "\n"
            << r.err.toStdString();
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(outFifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // The window's Open neither: a chart file is told to be no file, the others end quietly.
    VirtualMeter meter;
    TestMain t(meter);
    t.main->fileCommands().openChartFile(fifo);
    EXPECT_TRUE(
        t.dialogs.lastMessage().contains(QStringLiteral("not a regular file (a named pipe)")))
        << t.dialogs.lastMessage().toStdString();
    t.main->fileCommands().openCollectionFile(fifo);
    EXPECT_EQ(t.main->state().dataSets.count(), 0);
    EXPECT_EQ(t.main->fileCommands().ReadListText(fifo, QStringLiteral(".txt")), nullptr);
}

TEST_F(CliFiles, FilesAreKnownByTheirContentWhenTheNameDoesNotTell) {
    const QString file = collection();
    const Result expected = q7320({"sets", file});
    ASSERT_EQ(expected.exit, 0);
    // The window saves a collection without extension as .REC.
    for (const char* name : {"saved.REC", "saved", "saved.bin"}) {
        ASSERT_TRUE(QFile::copy(file, path(name)));
        const Result r = q7320({"sets", path(name)});
        EXPECT_EQ(r.exit, 0) << name << r.err.toStdString();
        EXPECT_EQ(r.out, expected.out) << name;
    }
    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("a.csv")}).exit, 0);
    ASSERT_EQ(q7320({"export", path("saved.REC"), "--set", "4", "-o", path("b.csv")}).exit, 0);
    EXPECT_EQ(readBytes(path("b.csv")), readBytes(path("a.csv")));
    EXPECT_EQ(q7320({"plot", path("saved.REC"), "--set", "4", "-o", path("p.png")}).exit, 0);

    // Each kind by content, and what is none of them.
    ASSERT_TRUE(QFile::copy(chartFile(), path("chart.dat")));
    const QByteArray ghf = readBytes(path("chart.dat"));
    const struct {
        const char* what;
        QByteArray bytes;
        std::optional<cli::InputKind> kind;
        char separator;
    } cases[] = {
        {"collection", readBytes(file), cli::InputKind::Collection, 0},
        {"chart file", ghf, cli::InputKind::GraphFile, 0},
        {"tab table", "d\tt\t1\t2\t3\r\n", cli::InputKind::Table, '\t'},
        {"comma table", "2024-01-15T10:00:00Z,1,2,3\r\n", cli::InputKind::Table, ','},
        {"chart file cut short", ghf.left(ghf.size() - 1), std::nullopt, 0},
        {"text", "no fields here\n", std::nullopt, 0},
        {"empty", {}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        QBuffer buffer;
        buffer.setData(c.bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        char separator = 0;
        EXPECT_EQ(cli::contentKind(buffer, &separator), c.kind) << c.what;
        if (c.kind == cli::InputKind::Table) EXPECT_EQ(separator, c.separator) << c.what;
        EXPECT_EQ(buffer.pos(), 0) << c.what; // the reader starts at the beginning
    }
    ASSERT_TRUE(writeBytes(path("odd.dat"), "no fields here\n"));
    const Result none = q7320({"export", path("odd.dat"), "-o", path("o.csv")});
    EXPECT_EQ(none.exit, 2);
    EXPECT_TRUE(none.err.contains(QStringLiteral("not a .732, .ghf, .txt or .csv file")));
}

TEST_F(CliFiles, BinaryBytesInAMessageAreNeverEchoed) {
    // A "table" whose first line holds escape sequences, a bell, a NUL and invalid UTF-8.
    QByteArray junk("\x1b]0;owned\x07\x1b[2J", 13);
    junk += QByteArray(1, '\0') + "\xff\xfe" + QByteArray(100, 'Z');
    junk += "\t\x1b[31mred\x1b[0m\t1\t2\t3\r\n";
    ASSERT_TRUE(writeBytes(path("junk.txt"), junk));
    for (const char* command : {"export", "plot"}) {
        const Result r =
            q7320({command, path("junk.txt"), "-o", path(command[0] == 'e' ? "o.csv" : "o.png")});
        EXPECT_EQ(r.exit, 1) << command;
        EXPECT_TRUE(r.err.contains(QStringLiteral("is not a valid date and time")))
            << r.err.toStdString();
        for (const QChar c : r.err)
            EXPECT_FALSE(c.unicode() < 0x20 && c != QLatin1Char('\n'))
                << command << ": control character " << int(c.unicode());
        EXPECT_LT(r.err.size(), 250) << r.err.toStdString();
    }
}

// ---- standard input and output, header ----

TEST_F(CliFiles, StandardInputAndOutput) {
    const QString file = collection();
    const Result sets = q7320({"sets", file});
    const Result piped = q7320({"sets", "-"}, {{}, {}, readBytes(file)});
    EXPECT_EQ(piped.exit, 0) << piped.err.toStdString();
    EXPECT_EQ(piped.out, sets.out);

    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("set4.csv")}).exit, 0);
    ASSERT_EQ(q7320({"export", file, "--set", "4", "-o", path("set4.txt")}).exit, 0);
    const Result csv = q7320({"export", file, "--set", "4", "-o", "-"});
    EXPECT_EQ(csv.outBytes, readBytes(path("set4.csv")));
    const Result txt =
        q7320({"export", "-", "-o", "-", "--format", "txt"}, {{}, {}, readBytes(path("set4.txt"))});
    EXPECT_EQ(txt.exit, 0) << txt.err.toStdString();
    EXPECT_EQ(txt.outBytes, readBytes(path("set4.txt")));

    ASSERT_EQ(q7320({"plot", file, "-o", path("p.png")}).exit, 0);
    const Result png = q7320({"plot", file, "-o", "-"});
    EXPECT_EQ(png.outBytes, readBytes(path("p.png")));
    const Result svg = q7320({"plot", "-", "-o", "-", "--format", "svg", "--size", "400x300"},
                             {{}, {}, readBytes(file)});
    ASSERT_EQ(svg.exit, 0) << svg.err.toStdString();
    QSvgRenderer renderer(svg.outBytes);
    EXPECT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize(), QSize(400, 300));
    const Result pdf = q7320({"plot", file, "-o", "-", "--format", "pdf"});
    EXPECT_TRUE(pdf.outBytes.startsWith("%PDF"));
}

TEST_F(CliFiles, ExportHeaderNamesTheFieldsAndUnits) {
    const QString file = collection();
    const struct {
        QStringList args;
        const char* header;
    } cases[] = {
        {{"--set", "4"}, "Date,Time,CO2 (ppm),Humidity (%RH),Temperature (°C)"},
        {{"--set", "2"}, "Date,Time,CO2 (ppm),Humidity (%RH),Temperature (°F)"},
        {{"--set", "4", "--iso"}, "Time,CO2 (ppm),Humidity (%RH),Temperature (°C)"},
        {{"--all"}, "Date,Time,CO2 (ppm),Humidity (%RH),Temperature (°C or °F)"},
        {{"--set", "4", "--format", "txt"},
         "Date\tTime\tCO2 (ppm)\tHumidity (%RH)\tTemperature (°C)"},
    };
    for (const auto& c : cases) {
        const QStringList base = QStringList{"export", file, "-o", "-"} + c.args;
        const Result with = q7320(base + QStringList{"--header"});
        const Result without = q7320(base);
        ASSERT_EQ(with.exit, 0) << with.err.toStdString();
        const QStringList lines = crlfLines(with.outBytes);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines[0], QString::fromUtf8(c.header));
        EXPECT_EQ(lines.mid(1), crlfLines(without.outBytes)) << c.args.join(' ').toStdString();
    }
    // A chart file does not say its temperature's unit.
    const Result chart = q7320({"export", chartFile(), "-o", "-", "--header"});
    EXPECT_TRUE(
        chart.out.startsWith(QStringLiteral("Date,Time,CO2 (ppm),Humidity (%RH),Temperature\r\n")));
}

// ---- writing ----

// A child whose files may not grow beyond 4 KiB: writes beyond fail with EFBIG ("File too
// large") instead of killing it, as a full disk fails them with ENOSPC.
void smallFiles() {
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_IGN);
}

TEST_F(CliFiles, AFailedWriteLeavesTheOldFileAndSaysWhy) {
    const QString file = collection();
    const QString out = path("out");
    ASSERT_TRUE(QDir().mkpath(out));
    const QByteArray old = "the file that was there before\n";
    const struct {
        QStringList args;
        const char* name; // the output, in the folder `out`
    } cases[] = {
        {{"plot", file, "-o"}, "p.png"},
        {{"plot", file, "-o"}, "p.pdf"},
        {{"plot", file, "-o"}, "p.svg"},
        {{"export", file, "--set", "4", "-o"}, "e.csv"},
        {{"download", "--meter", "virtual", "-o"}, "d.732"},
        {{"download", "--meter", "virtual", "-o", path("fine.732"), "--record"}, "r.txt"},
    };
    RunOptions limited;
    limited.inChild = smallFiles;
    for (const auto& c : cases) {
        const QString target = QDir(out).filePath(c.name);
        ASSERT_TRUE(writeBytes(target, old));
        const Result r = q7320(c.args + QStringList{target}, limited);
        EXPECT_EQ(r.exit, 1) << c.name << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("File too large"))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Unknown error"))) << r.err.toStdString();
        EXPECT_EQ(readBytes(target), old) << c.name;
        // Nothing half written is left beside it.
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{c.name});
        QFile::remove(target);
    }
    // Standard output that cannot be written is a failure too.
    RunOptions full;
    full.outputFile = QStringLiteral("/dev/full");
    for (const QStringList& args :
         {QStringList{"sets", file}, QStringList{"export", file, "-o", "-"},
          QStringList{"plot", file, "-o", "-"}, QStringList{"info", "--meter", "virtual"},
          // live would print for ever: it ends once nothing gets out
          QStringList{"live", "--meter", "virtual", "--interval", "0.5"}}) {
        const Result r = q7320(args, full);
        EXPECT_EQ(r.exit, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("standard output: No space left on device")))
            << args.join(' ').toStdString() << "\n"
            << r.err.toStdString();
    }
}

TEST_F(CliFiles, OnAFullDiskEveryOutputSaysNoSpace) {
    // A small file system of its own, mounted where only this test sees it.
    QProcess probe;
    probe.start(QStringLiteral("unshare"),
                {"-m", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs " + dir.path()});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    const QString file = collection();
    const QString full = path("full");
    ASSERT_TRUE(QDir().mkpath(full));
    const struct {
        QString args;
        const char* name;
    } cases[] = {
        {"plot " + file + " -o", "p.png"},
        {"plot " + file + " -o", "p.pdf"},
        {"plot " + file + " -o", "p.svg"},
        {"export " + file + " --set 4 -o", "e.csv"},
        {"download --meter virtual -o", "d.732"},
        {"download --meter virtual -o " + path("fine.732") + " --record", "r.txt"},
    };
    for (const auto& c : cases) {
        // The file system is filled up to 4 KiB, then the command writes into it.
        const QString target = full + "/" + c.name;
        const QString script =
            QStringLiteral("mount -t tmpfs -o size=64k tmpfs %1 && "
                           "head -c %2 /dev/zero > %1/fill && %3 %4 %5; echo \"exit=$?\"; ls -A %1")
                .arg(full)
                .arg(60 * 1024)
                .arg(QStringLiteral(Q7320_EXECUTABLE), c.args, target);
        QProcess p;
        p.start(QStringLiteral("unshare"), {"-m", "sh", "-c", script});
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(out.contains(QStringLiteral("exit=1"))) << c.name << "\n" << out.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("No space left on device"))) << c.name << "\n"
                                                                             << err.toStdString();
        // Only the filler is left: no output, no temporary file.
        EXPECT_EQ(out.section(QStringLiteral("exit=1\n"), 1).trimmed(), QStringLiteral("fill"))
            << c.name << "\n"
            << out.toStdString();
    }
}

TEST(CliIsoWriter, ATimeThatIsNoDateLeavesTheFieldEmpty) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double x;
        const char* line;
    } cases[] = {
        {46095.5, "2026-03-14T12:00:00"},
        {1.0, "1899-12-31T00:00:00"},
        {nan, ",401.0"},
        {inf, ",401.0"},
        {-inf, ",401.0"},
        {1e300, ",401.0"},
        {-1e300, ",401.0"},
        {2958466.0, ",401.0"}, // the year 10000
        {-693594.0, ",401.0"}, // before the year 1
    };
    const cli::IsoLineWriter writer(',');
    for (const auto& c : cases) {
        std::string line;
        writer.append(line, c.x, 401, 50, 20);
        EXPECT_TRUE(QString::fromStdString(line).startsWith(QLatin1String(c.line)))
            << c.x << ": " << line;
        EXPECT_EQ(cli::isoDateTime(c.x).isEmpty(), c.line[0] == ',') << c.x;
    }
}

// ---- pictures ----

TEST_F(CliFiles, TheSvgShowsWhatThePngShows) {
    // Spikes far above the axes' ranges: 39000 ppm on a 0..10000 axis, 150 %RH and -45 degrees
    // on the lower axes.
    QByteArray table;
    for (int i = 0; i < 100; ++i)
        table += QStringLiteral("2026-03-14T09:%1:%2,%3,%4,%5\r\n")
                     .arg(i / 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 10 == 5 ? 39000.0 : 800.0 + i, 0, 'f', 1)
                     .arg(i % 13 == 6 ? 150.0 : 50.0, 0, 'f', 1)
                     .arg(i % 17 == 3 ? -45.0 : 21.0, 0, 'f', 1)
                     .toLatin1();
    ASSERT_TRUE(writeBytes(path("spikes.csv"), table));
    ASSERT_EQ(q7320({"plot", path("spikes.csv"), "-o", path("s.png"), "--size", "800x500"}).exit,
              0);
    ASSERT_EQ(q7320({"plot", path("spikes.csv"), "-o", path("s.svg"), "--size", "800x500"}).exit,
              0);
    const QImage png = QImage(path("s.png")).convertToFormat(QImage::Format_RGB32);
    QImage svg(800, 500, QImage::Format_RGB32);
    svg.fill(Qt::white);
    {
        QSvgRenderer renderer(path("s.svg"));
        ASSERT_TRUE(renderer.isValid());
        QPainter painter(&svg);
        renderer.render(&painter);
    }
    // Where the PNG shows the grey desk well away from any graph area, the SVG must not show
    // a curve; the legend's line samples along the bottom are left aside.
    auto curve = [](QRgb c) {
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        return (r > 200 && g > 200 && b < 100) || (b > 200 && r < 100 && g < 100) ||
               (r > 200 && g < 100 && b < 100);
    };
    auto deskAround = [&](int x, int y) {
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const int px = std::clamp(x + dx, 0, 799), py = std::clamp(y + dy, 0, 499);
                if ((png.pixel(px, py) & 0xFFFFFF) != 0xC0C0C0) return false;
            }
        return true;
    };
    int outside = 0, inside = 0;
    for (int y = 0; y < 460; ++y)
        for (int x = 0; x < 800; ++x) {
            if (!curve(svg.pixel(x, y))) continue;
            if (deskAround(x, y))
                ++outside;
            else
                ++inside;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 500); // the curves are there
}

// ---- the window's files ----

TEST_F(CliFiles, TheWindowOpensTheFilesItIsGiven) {
    const QString file = collection();
    const QString chart = chartFile();
    ASSERT_TRUE(writeBytes(path("table.txt"), "d\t09:00:00\t1\t2\t3\r\n"));
    ASSERT_TRUE(QFile::copy(file, path("saved.REC")));
    QList<QByteArray> words{"q7320",
                            "--meter",
                            "virtual",
                            QFile::encodeName(file),
                            QFile::encodeName(chart),
                            QFile::encodeName(path("table.txt")),
                            "--",
                            QFile::encodeName(path("saved.REC"))};
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    cli::WindowStart start;
    EXPECT_FALSE(cli::run(int(argv.size()), argv.data(), &start).has_value());
    EXPECT_EQ(start.meter, QStringLiteral("virtual"));
    ASSERT_EQ(start.files.size(), 4u);
    EXPECT_EQ(start.files[0].kind, cli::InputKind::Collection);
    EXPECT_EQ(start.files[1].kind, cli::InputKind::GraphFile);
    EXPECT_EQ(start.files[2].kind, cli::InputKind::Table);
    EXPECT_EQ(start.files[3].kind, cli::InputKind::Collection);

    // They open as File > Open opens them: the data logger window with data set 1, a graph
    // window for the chart file, a list window for the table.
    VirtualMeter meter;
    TestMain t(meter);
    t.main->state().dataFolder = t.dir.path() + QStringLiteral("/data/");
    cli::openFiles(t.main->fileCommands(), start.files);
    EXPECT_EQ(t.main->state().dataSets.count(), 5);
    ASSERT_NE(t.main->state().DataLoggerGraph, nullptr);
    QStringList titles;
    for (QMdiSubWindow* w : t.main->mdiArea()->subWindowList())
        titles << w->widget()->windowTitle();
    EXPECT_TRUE(titles.contains(chart)) << titles.join('\n').toStdString();
    EXPECT_TRUE(titles.contains(path("table.txt"))) << titles.join('\n').toStdString();
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
}

} // namespace
