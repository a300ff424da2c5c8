#pragma once
// A main window made for tests: a given transport, a test clock, scripted dialogs (or, with
// realDialogs, the program's own), and a settings file and documents folder inside a
// temporary folder.
#include "ScriptedDialogs.h"
#include "app/Umain.h"
#include "link/Clock.h"

#include <QTemporaryDir>
#include <memory>

struct TestMain {
    explicit TestMain(Transport& transport, bool show = false, bool realDialogs = false);
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
