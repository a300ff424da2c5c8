// Figures for the headless command line beside python3 with pandas doing the same job on the
// same file:
//   export: a 1,000,000-line text table to CSV lines with ISO 8601 timestamps (export --iso);
//   plot:   a 1,000,000-point CSV table to a 1024 x 600 PNG chart (pandas + matplotlib).
// Both sides are timed as whole processes, start-up included; best of three runs each.
//
// Also the program alone: a 1,000,000-point chart file (.ghf) exported to CSV.
//
// Prerequisite for the pandas side (not needed by the build or the tests): Debian's
// python3-pandas and python3-matplotlib (apt-get install python3-pandas python3-matplotlib),
// run with /usr/bin/python3. Without them only the program's times are printed.
// Target: the program at least 5 times faster than pandas on both jobs.
#include "app/DateTimeText.h"
#include "files/GraphFile.h"
#include "files/TextLines.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace {
constexpr int Lines = 1000000;

// A table as the program writes it: date, time, ppm, %RH, temperature; one sample a second.
bool writeTable(const QString& path, char separator) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const auto writer = TextLines::ChartLineWriter::forSystem(separator);
    const double start = DateTimeText::toDays(QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
    std::string buffer;
    for (int i = 0; i < Lines; ++i) {
        writer.append(buffer, start + i / DateTimeText::SecondsPerDay, 450 + (i * 37 % 3000) * 0.5,
                      30 + (i % 500) * 0.1, 15 + (i % 200) * 0.1);
        if (buffer.size() > (1 << 20)) {
            f.write(buffer.data(), qint64(buffer.size()));
            buffer.clear();
        }
    }
    f.write(buffer.data(), qint64(buffer.size()));
    return true;
}

// Seconds for the best of three runs; negative when the program failed.
double timeRuns(const QString& program, const QStringList& args) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        p.start(program, args);
        if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return -1;
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// strptime's form of the system's "date time" text, for the formats Qt uses here.
QString strptimeFormat() {
    QString f = DateTimeText::dateFormat() + QLatin1Char(' ') + DateTimeText::timeFormat();
    const std::pair<const char*, const char*> map[] = {
        {"yyyy", "%Y"}, {"MMMM", "%B"}, {"MMM", "%b"}, {"MM", "%m"}, {"dddd", "%A"},
        {"ddd", "%a"},  {"dd", "%d"},   {"HH", "%H"},  {"hh", "%I"}, {"mm", "%M"},
        {"ss", "%S"},   {"AP", "%p"},   {"ap", "%p"}};
    QString out;
    for (int i = 0; i < f.size();) {
        bool done = false;
        for (const auto& [qt, c] : map)
            if (f.mid(i).startsWith(QLatin1String(qt))) {
                out += QLatin1String(c);
                i += int(std::strlen(qt));
                done = true;
                break;
            }
        if (done) continue;
        // Single letters: day, month, hour without padding.
        const QChar ch = f[i];
        if (ch == 'd')
            out += "%d";
        else if (ch == 'M')
            out += "%m";
        else if (ch == 'H' || ch == 'h')
            out += ch == 'H' ? "%H" : "%I";
        else if (ch == 'm')
            out += "%M";
        else if (ch == 's')
            out += "%S";
        else
            out += ch;
        ++i;
    }
    return out;
}

void report(const char* job, double mine, double theirs) {
    if (mine < 0) {
        std::printf("%s: q7320 failed\n", job);
        return;
    }
    if (theirs < 0) {
        std::printf("%s: q7320 %.2f s; pandas not available (python3-pandas, "
                    "python3-matplotlib)\n",
                    job, mine);
        return;
    }
    std::printf("%s: q7320 %.2f s, pandas %.2f s, ratio %.1fx (target >= 5x)\n", job, mine, theirs,
                theirs / mine);
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // the chart file is made with the chart component
    QTemporaryDir dir;
    const QString exe = QStringLiteral(Q7320_EXECUTABLE);
    const QString script = QStringLiteral(Q7320_BENCH_DIR "/cli_vs_pandas.py");
    const QString txt = dir.filePath("big.txt"), csv = dir.filePath("big.csv");
    if (!writeTable(txt, TextLines::Tab) || !writeTable(csv, TextLines::Comma)) {
        std::printf("cannot write the input files\n");
        return 1;
    }
    std::printf("%d-line tables, %lld bytes; date and time as \"%s\"\n", Lines,
                static_cast<long long>(QFile(txt).size()),
                qPrintable(DateTimeText::dateFormat() + ' ' + DateTimeText::timeFormat()));
    const QString fmt = strptimeFormat();
    // Debian's interpreter, where its pandas and matplotlib packages live (a python3 found
    // earlier on the PATH may be another installation without them).
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
    QProcess check;
    check.start(python, {"-c", "import pandas, matplotlib"});
    const bool pandas = check.waitForFinished(60000) &&
                        check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0;

    const double exportMine =
        timeRuns(exe, {"export", txt, "-o", dir.filePath("mine.csv"), "--iso"});
    const double exportTheirs =
        pandas ? timeRuns(python, {script, "export", txt, dir.filePath("theirs.csv"), fmt}) : -1;
    report("export 1,000,000 lines to ISO CSV", exportMine, exportTheirs);

    // A chart file of a million points: no pandas counterpart (the chart state is the
    // program's own format), so the program's time alone.
    {
        chart::Chart chart;
        const double start = DateTimeText::toDays(QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        TfrmGraph::ConfigureGraph(chart, 3, Lines, start, start + Lines / 86400.0, 0, 10000, -50,
                                  100);
        std::vector<double> x(Lines);
        std::vector<float> y(Lines);
        for (int i = 0; i < Lines; ++i)
            x[size_t(i)] = start + i / DateTimeText::SecondsPerDay;
        for (int s = 0; s < 3; ++s) {
            for (int i = 0; i < Lines; ++i)
                y[size_t(i)] = float(s == 0 ? 450 + (i * 37 % 3000) * 0.5 : 20 + (i % 500) * 0.1);
            chart.setSubsetXData(s, 0, x);
            chart.setSubsetYData(s, 0, y);
        }
        const QString ghf = dir.filePath("big.ghf");
        if (GraphFile::write(ghf, chart.storeState()).isEmpty()) {
            const double t = timeRuns(exe, {"export", ghf, "-o", dir.filePath("ghf.csv")});
            std::printf("export a 1,000,000-point chart file to CSV: q7320 %.2f s\n", t);
        }
    }

    const double plotMine = timeRuns(exe, {"plot", csv, "-o", dir.filePath("mine.png")});
    const double plotTheirs =
        pandas ? timeRuns(python, {script, "plot", csv, dir.filePath("theirs.png"), fmt}) : -1;
    report("plot 1,000,000 points to PNG", plotMine, plotTheirs);
    return 0;
}
