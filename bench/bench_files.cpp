// Figures for the text files: writing a 100,000-point chart as CSV, and reading a
// 1,000,000-line text file into the rows of a list window.
#include "app/DateTimeText.h"
#include "files/TextFiles.h"
#include "logger/ListTableModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
long peakRssKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const double start = DateTimeText::toDays(QDateTime::currentDateTime());

    // 1. A 100,000-point chart written as CSV.
    {
        const int n = 100000;
        std::vector<double> x(n);
        std::vector<float> ppm(n), rh(n), t(n);
        for (int i = 0; i < n; ++i) {
            x[i] = start + i * 2.0 / 86400;
            ppm[i] = 400 + (i * 37 % 2000) * 0.5f;
            rh[i] = (i % 1000) * 0.1f;
            t[i] = -5 + (i % 400) * 0.1f;
        }
        const ChartPoints points{x, ppm, rh, t};
        const QString path = dir.filePath("chart.csv");
        const auto writer = TextLines::ChartLineWriter::forSystem(TextLines::Comma);
        double best = 1e9;
        for (int round = 0; round < 5; ++round) {
            QElapsedTimer timer;
            timer.start();
            const auto outcome =
                writeChartText(path, points, {1, n}, writer, [](qint64) { return true; });
            const double s = timer.nsecsElapsed() / 1e9;
            if (outcome != TextOutcome::Done) std::printf("write failed\n");
            best = std::min(best, s);
        }
        std::printf(
            "write 100000-point chart as CSV: best of 5 %.3f s (%lld bytes; target < 0.2 s)\n",
            best, static_cast<long long>(QFileInfo(path).size()));
    }

    // 2. A 1,000,000-line text file read into a list window's rows.
    {
        const QString path = dir.filePath("big.txt");
        {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly)) return 1;
            const auto writer = TextLines::ChartLineWriter::forSystem(TextLines::Tab);
            std::string buf;
            for (int i = 0; i < 1000000; ++i) {
                writer.append(buf, start + i * 2.0 / 86400, 400 + i % 3000, (i % 1000) * 0.1,
                              20 + (i % 100) * 0.1);
                if (buf.size() > (1 << 16)) {
                    f.write(buf.data(), static_cast<qint64>(buf.size()));
                    buf.clear();
                }
            }
            f.write(buf.data(), static_cast<qint64>(buf.size()));
        }
        const long before = peakRssKiB();
        QElapsedTimer timer;
        timer.start();
        ListTableModel grid; // a new list window's grid: 8 columns, header row and one row
        grid.beginFill();
        qint64 progressCalls = 0;
        const auto outcome = readListText(path, TextLines::Tab, listGridSink(grid), [&](qint64) {
            ++progressCalls;
            return true;
        });
        grid.endFill();
        const double s = timer.nsecsElapsed() / 1e9;
        std::printf("read 1000000-line text file (%lld bytes) into a list window grid: %.3f s, %d "
                    "rows, %lld progress steps, outcome %d (target < 1 s)\n",
                    static_cast<long long>(QFileInfo(path).size()), s, grid.rowCount(),
                    static_cast<long long>(progressCalls), static_cast<int>(outcome));
        std::printf("  grid holds %.1f MiB; peak RSS %.1f MiB (before reading %.1f MiB; target "
                    "< 200 MB)\n",
                    grid.memoryUsed() / 1048576.0, peakRssKiB() / 1024.0, before / 1024.0);
        std::printf("  row 500000: %s | %s | %s | %s\n", qPrintable(grid.cell(500000, 0)),
                    qPrintable(grid.cell(500000, 1)), qPrintable(grid.cell(500000, 2)),
                    qPrintable(grid.cell(500000, 3)));
    }
    return 0;
}
