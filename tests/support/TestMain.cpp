#include "TestMain.h"

#include "live/LiveMonitor.h"

#include <QDir>
#include <QTimer>

TestMain::TestMain(Transport& transport, bool show, bool realDialogs) {
    QDir().mkpath(documentsDir());
    MainServices s;
    s.transport = &transport;
    s.clock = &clock;
    s.dialogs = realDialogs ? nullptr : &dialogs;
    s.settingsFile = settingsFile();
    s.documentsDir = documentsDir();
    main = std::make_unique<TfrmMain>(s);
    main->resize(1280, 900);
    if (show) main->show();
}

TestMain::~TestMain() { main.reset(); }

void TestMain::tick(int n) {
    for (int i = 0; i < n; ++i) {
        clock.advance(500);
        main->live().MainTimerTimer();
    }
}
