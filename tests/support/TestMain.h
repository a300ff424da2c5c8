#pragma once
// A main window made for tests: a given transport, a test clock, scripted dialogs, and a
// settings file and documents folder inside a temporary folder.
#include "ScriptedDialogs.h"
#include "app/Umain.h"
#include "link/Clock.h"

#include <QTemporaryDir>
#include <memory>

struct TestMain {
    explicit TestMain(Transport& transport, bool show = false);
    // The same with another dialog service, the real one for instance (then `dialogs` goes
    // unused).
    TestMain(Transport& transport, DialogService& dialogService, bool show = false);
    ~TestMain();

    // Fires MainTimer's handler n times, advancing the clock by the timer interval each time.
    void tick(int n = 1);

    QTemporaryDir dir;
    TestClock clock;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmMain> main;

    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString documentsDir() const { return dir.filePath(QStringLiteral("Documents")); }
};
