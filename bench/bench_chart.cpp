// Chart drawing figures: a full replot of a 1160 x 615 chart holding 3 x 100,000 points, and
// appending one point and replotting, as the real-time recording does per sample.
// With "--shot file.png" it also writes a picture of a realistic data set.
#include "app/DateTimeText.h"
#include "app/Umain.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>
#include <vector>

namespace {
constexpr int Points = 100'000;
constexpr double Interval = 2.0 / 86400.0;

// No meter: every operation fails, so the main window stays off connection.
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A day-like curve for each quantity, with a few stretches of null values (no reading).
void fill(std::vector<double>& x, std::vector<float>& y, int points, double start) {
    x.resize(size_t(points) * 3);
    y.resize(size_t(points) * 3);
    for (int i = 0; i < points; ++i) {
        const double t = start + i * Interval;
        const double phase = double(i) / points * 6.28318 * 3;
        const bool gap = (i % (points / 3)) > points / 3 - points / 40;
        for (int k = 0; k < 3; ++k)
            x[size_t(i) * 3 + size_t(k)] = t;
        y[size_t(i) * 3 + 0] =
            gap ? 99999.f : float(900 + 500 * std::sin(phase) + (i * 7919 % 97) - 48);
        y[size_t(i) * 3 + 1] =
            gap ? 99999.f : float(45 + 15 * std::cos(phase * 1.3) + (i % 13) * 0.1);
        y[size_t(i) * 3 + 2] =
            gap ? 99999.f : float(22 + 4 * std::sin(phase * 0.7 + 1) + (i % 7) * 0.05);
    }
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--shot"))
            shot = QString::fromLocal8Bit(argv[i + 1]);

    const double start = DateTimeText::toDays(QDateTime(QDate(2026, 12, 10), QTime(8, 0, 0)));
    std::vector<double> x;
    std::vector<float> y;
    fill(x, y, Points, start);

    chart::Chart c;
    c.resize(1160, 615);
    c.show();
    const int iterations = 40;
    TfrmGraph::ConfigureGraph(c, 3, Points + 2 * iterations, start,
                              start + (Points + 2 * iterations) * Interval, 0, 10000, -50, 100);
    c.setAllXData(x);
    c.setAllYData(y);
    c.redraw();
    app.processEvents();

    std::vector<double> replot;
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer t;
        t.start();
        c.plot()->replot();
        replot.push_back(t.nsecsElapsed() / 1e6);
    }
    std::vector<double> append, applyOnly;
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer t0;
        t0.start();
        c.resetImage();
        applyOnly.push_back(t0.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < iterations; ++i) {
        const int p = Points + i;
        const double when = start + p * Interval;
        QElapsedTimer t;
        t.start();
        for (int k = 0; k < 3; ++k)
            c.setXData(k, p, when);
        c.setYData(0, p, 1000);
        c.setYData(1, p, 50.5);
        c.setYData(2, p, 23.4);
        c.redraw();
        append.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("chart 1160x615, 3 x %d points\n", Points);
    std::printf("  replot            median %.2f ms  (min %.2f, max %.2f, n=%d)\n", median(replot),
                *std::min_element(replot.begin(), replot.end()),
                *std::max_element(replot.begin(), replot.end()), iterations);
    std::printf("  append + replot   median %.2f ms  (min %.2f, max %.2f, n=%d)\n", median(append),
                *std::min_element(append.begin(), append.end()),
                *std::max_element(append.begin(), append.end()), iterations);

    std::vector<double> appendOnly;
    for (int i = 0; i < iterations / 2; ++i) {
        const int p = Points + iterations + i;
        QElapsedTimer t;
        t.start();
        for (int k = 0; k < 3; ++k)
            c.setXData(k, p, start + p * Interval);
        c.setYData(0, p, 1000);
        c.resetImage();
        appendOnly.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("  append, no paint  median %.3f ms\n", median(appendOnly));
    std::printf("  settings applied  median %.2f ms  (no new point, no paint)\n",
                median(applyOnly));
    if (!shot.isEmpty()) {
        // A day of samples every 2 minutes, with a gap, in the graph window itself.
        const int n = 720;
        std::vector<double> sx;
        std::vector<float> sy;
        fill(sx, sy, n, start);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < 3; ++k)
                sx[size_t(i) * 3 + size_t(k)] = start + i * 120.0 / 86400.0;
        chart::Chart view;
        view.resize(1160, 615);
        view.show();
        TfrmGraph::ConfigureGraph(view, 3, n, start, start + n * 120.0 / 86400.0, 0, 2000, -50,
                                  100);
        view.setAllXData(sx);
        view.setAllYData(sy);
        view.redraw();
        app.processEvents();
        view.grab().save(shot);
        std::printf("picture written to %s\n", qPrintable(shot));

        // A real-time chart two thirds of the way into its first 110 seconds.
        chart::Chart live;
        live.resize(1160, 615);
        live.show();
        TfrmGraph::ConfigureGraph(live, 3, 100, start, start + 110 / 86400.0, 0, 10000, -50, 100);
        for (int i = 0; i < 36; ++i) {
            for (int k = 0; k < 3; ++k)
                live.setXData(k, i, start + i * 2 / 86400.0);
            live.setYData(0, i, i == 20 ? 99999 : 800 + 40 * std::sin(i / 5.0));
            live.setYData(1, i, 48 + i * 0.1);
            live.setYData(2, i, 23.5 - i * 0.02);
            live.redraw();
        }
        app.processEvents();
        const QString liveShot =
            QString(shot).replace(QStringLiteral(".png"), QStringLiteral("-realtime.png"));
        live.grab().save(liveShot);
        std::printf("picture written to %s\n", qPrintable(liveShot));

        // The same data in a "DataLogger" graph window of a main window.
        QTemporaryDir dir;
        NoMeter meter;
        MainServices services;
        services.transport = &meter;
        services.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        services.documentsDir = dir.path();
        TfrmMain main(services);
        main.resize(1400, 900);
        DataSetStore& store = main.state().dataSets;
        store.startTime = {start};
        store.interval = {120};
        store.sampleCount = {n};
        store.temperatureUnit = {0};
        store.co2Offset = store.rhOffset = store.temperatureOffset = store.headerOffset =
            store.endOffset = {0};
        store.times = sx;
        store.values = sy;
        auto* g = new TfrmGraph(main);
        g->setWindowTitle(TfrmGraph::DataLoggerCaption);
        main.state().DataLoggerGraph = g;
        g->pnlDataSets->show();
        QMdiSubWindow* frame = main.addChild(g);
        main.show();
        frame->setGeometry(0, 0, 1160 + 560, 615 + 30);
        g->ShowDataSet(0);
        g->PESGraph1DataHotSpot(false, 200, 0);
        g->Button2Click();
        app.processEvents();
        const QString windowShot =
            QString(shot).replace(QStringLiteral(".png"), QStringLiteral("-window.png"));
        g->grab().save(windowShot);
        std::printf("picture written to %s\n", qPrintable(windowShot));
    }
    return 0;
}
