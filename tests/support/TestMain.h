#pragma once
// A main window made for tests: a given transport, a test clock, scripted dialogs (or another
// dialog service, such as the program's own), and a settings file and documents folder inside
// a temporary folder.
#include "ScriptedDialogs.h"
#include "app/Umain.h"
#include "link/Clock.h"

#include <QList>
#include <QTemporaryDir>
#include <QUrl>
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
    // Documents the window asked the desktop to open; openDocumentResult is the desktop's answer.
    QList<QUrl> openedDocuments;
    bool openDocumentResult = true;

    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString documentsDir() const { return dir.filePath(QStringLiteral("Documents")); }
    // Stands for the executable's folder where the window looks for its help page.
    QString programDir() const { return dir.filePath(QStringLiteral("program")); }
};
