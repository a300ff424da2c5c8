// A 99,999-sample real-time recording fed at full speed on a test clock: the time each appended
// sample takes, the chart's replot included (the queued replot is run by the event loop right
// after each append), at the start, in the middle and near the end.
//   bench_realtime [samples]
#include "app/DateTimeText.h"
#include "app/DialogService.h"
#include "app/Umain.h"
#include "graph/Ugraph.h"
#include "link/Clock.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
// Starts the recording with the count asked for at 00:01; every question is answered No.
struct BenchDialogs : DialogService {
    int count = 99999;
    QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, QMessageBox::Icon,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        return QMessageBox::No;
    }
    FileDialogResult openFile(QWidget*, const FileDialogRequest&) override { return {}; }
    FileDialogResult saveFile(QWidget*, const FileDialogRequest&) override { return {}; }
    int exec(QDialog& dialog) override {
        auto* setup = qobject_cast<TfrmSetupRealTime*>(&dialog);
        if (!setup) return QDialog::Rejected;
        setup->edtRealTimeNo->setText(QString::number(count));
        setup->ComboBox1->setCurrentIndex(0);
        setup->ComboBox2->setCurrentIndex(1);
        return QDialog::Accepted;
    }
    QColor chooseColor(QWidget*, const QColor& c, bool* ok) override {
        if (ok) *ok = false;
        return c;
    }
    QFont chooseFont(QWidget*, const QFont& f, bool* ok) override {
        if (ok) *ok = false;
        return f;
    }
};

struct Stats {
    double mean, p50, p99, max;
};
Stats stats(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0, 0};
    double sum = 0;
    for (double x : v)
        sum += x;
    std::sort(v.begin(), v.end());
    return {sum / double(v.size()), v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)],
            v.back()};
}
void print(const char* what, const std::vector<double>& ms, size_t from, size_t to) {
    to = std::min(to, ms.size());
    if (from >= to) return;
    const Stats s = stats(std::vector<double>(ms.begin() + long(from), ms.begin() + long(to)));
    std::printf("  %-26s samples %6zu..%6zu  mean %7.3f ms  median %7.3f  p99 %7.3f  max %7.3f\n",
                what, from + 1, to, s.mean, s.p50, s.p99, s.max);
}

// Records n samples; returns the time of each append with its replot, in ms, and the append
// alone in appendMs.
std::vector<double> record(int n, bool syncJournal, double* stopMs,
                           std::vector<double>* appendMs = nullptr) {
    QTemporaryDir dir;
    TestClock clock;
    NoMeter meter;
    BenchDialogs dialogs;
    dialogs.count = n;
    MainServices services;
    services.transport = &meter;
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
    services.documentsDir = dir.path();
    TfrmMain main(services);
    main.resize(1280, 900);
    main.show();
    QCoreApplication::processEvents();
    main.MainTimer->stop(); // samples come from here, not from the poll tick

    main.state().connected = true;
    RealTimeRecorder& rec = main.realTime();
    rec.syncJournal = syncJournal;
    rec.overRangeFlags = [] { return uint8_t(0); };
    rec.btnRunClick();
    if (!main.state().Recording) {
        std::fprintf(stderr, "the recording did not start\n");
        return {};
    }

    std::vector<double> ms;
    ms.reserve(size_t(n));
    QElapsedTimer timer;
    for (int i = 0; i < n && main.state().Recording; ++i) {
        clock.advance(1000);
        const double t = DateTimeText::toDays(clock.now());
        const int ppm = 600 + int(400 * std::sin(i / 500.0));
        const float rh = 45.0f + 10.0f * float(std::sin(i / 700.0));
        const float temp = 21.0f + 3.0f * float(std::cos(i / 900.0));
        timer.start();
        if (i == n - 1) {
            // The last sample fills the chart and stops the recording: timed on its own.
            rec.AppendRealTimeSample(t, ppm, rh, temp);
            QCoreApplication::processEvents();
            *stopMs = double(timer.nsecsElapsed()) / 1e6;
            break;
        }
        rec.AppendRealTimeSample(t, ppm, rh, temp);
        if (appendMs) appendMs->push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(); // the queued replot and the paint
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(2, std::atoi(argv[1])) : 99999;

    std::printf("real-time recording of %d samples, chart 1280x900 main window, offscreen\n", n);
    double stopMs = 0;
    QElapsedTimer total;
    total.start();
    std::vector<double> appendMs;
    const std::vector<double> ms = record(n, false, &stopMs, &appendMs);
    const double seconds = double(total.elapsed()) / 1000.0;
    std::printf("append + replot per sample (journal written, not forced to disk):\n");
    print("start", ms, 0, 1000);
    print("middle", ms, ms.size() / 2 - 500, ms.size() / 2 + 500);
    print("near the end", ms, ms.size() > 1000 ? ms.size() - 1000 : 0, ms.size());
    print("whole recording", ms, 0, ms.size());
    std::printf("the append alone (cells, boxes, journal; the replot only queued):\n");
    print("start", appendMs, 0, 1000);
    print("near the end", appendMs, appendMs.size() > 1000 ? appendMs.size() - 1000 : 0,
          appendMs.size());
    std::printf("  last sample with the stop and the averages over %d points: %.3f ms\n", n,
                stopMs);
    std::printf("  total run time %.1f s\n", seconds);

    // What forcing every record to the disk adds (the default in the program).
    const int synced = std::min(n, 2000);
    double unused = 0;
    const std::vector<double> sms = record(synced, true, &unused);
    std::printf("append + replot with each journal record forced to disk (fdatasync):\n");
    print("first samples", sms, 0, sms.size());
    return 0;
}
