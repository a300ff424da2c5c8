// Child process of the kill test: the whole program side of a recording - main window, poll
// tick, virtual meter, real-time recorder and its graph window - recording into the data folder
// given, reporting each sample on stdout once it has been appended, until it is killed.
//   realtime_record_child <data folder>
#include "ScriptedDialogs.h"
#include "app/DateTimeText.h"
#include "app/Umain.h"
#include "link/Clock.h"
#include "link/virtual/VirtualMeter.h"
#include "live/LiveMonitor.h"
#include "live/LiveReading.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);

    TestClock clock;
    VirtualMeter meter(clock);
    ScriptedDialogs dialogs;
    MainServices services;
    services.transport = &meter;
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.settingsFile = folder + QStringLiteral("/settings.ini");
    services.documentsDir = folder;
    TfrmMain main(services);
    AppState& st = main.state();
    st.dataFolder = folder + QStringLiteral("/");
    st.XExtendStep = 10.0 / 86400.0;

    RealTimeRecorder& rec = main.realTime();
    rec.CreateRealTimeGraph();

    auto tick = [&] {
        clock.advance(500);
        main.live().MainTimerTimer();
    };
    for (int i = 0; i < 10 && !st.connected; ++i)
        tick();
    if (!st.connected) return 3;

    dialogs.dialogAnswers.push_back([](QDialog& d) {
        auto& s = static_cast<TfrmSetupRealTime&>(d);
        s.edtRealTimeNo->setText(QStringLiteral("99999"));
        s.ComboBox1->setCurrentIndex(0);
        s.ComboBox2->setCurrentIndex(1);
        return int(QDialog::Accepted);
    });
    rec.btnRunClick();
    if (!st.Recording) return 4;
    std::printf("started %s\n", qPrintable(rec.journalPath()));
    std::fflush(stdout);

    int reported = 0;
    while (st.Recording) {
        tick();
        if (st.SampleCount == reported) continue;
        const LiveReading& r = main.live().reading();
        std::printf("%d %.17g %d %.9g %.9g %d\n", reported, DateTimeText::toDays(clock.now()),
                    r.co2Ppm, double(r.humidity), double(r.temperature), r.OverRangeFlags);
        std::fflush(stdout);
        reported = st.SampleCount;
        QThread::usleep(200);
    }
    return 0;
}
