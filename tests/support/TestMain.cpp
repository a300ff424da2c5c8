#include "TestMain.h"

#include "live/LiveMonitor.h"

#include <QDir>
#include <QTimer>

TestMain::TestMain(Transport& transport, bool show) : TestMain(transport, dialogs, show) {}

TestMain::TestMain(Transport& transport, DialogService& dialogService, bool show) {
    QDir().mkpath(documentsDir());
    QDir().mkpath(programDir());
    MainServices s;
    s.transport = &transport;
    s.clock = &clock;
    s.dialogs = &dialogService;
    s.settingsFile = settingsFile();
    s.documentsDir = documentsDir();
    s.helpFolder = programDir();
    s.openDocument = [this](const QUrl& url) {
        openedDocuments << url;
        return openDocumentResult;
    };
    main = std::make_unique<TfrmMain>(s);
    main->resize(1280, 900);
    if (show) main->show();
}

TestMain::~TestMain() {
    main.reset();
}

void TestMain::tick(int n) {
    for (int i = 0; i < n; ++i) {
        clock.advance(500);
        main->live().MainTimerTimer();
    }
}
