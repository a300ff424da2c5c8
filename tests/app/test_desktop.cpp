// The window as a desktop program: keyboard shortcuts, icons, the help page, the about box.
#include "TestFiles.h"
#include "TestMain.h"
#include "app/DesktopIdentity.h"
#include "app/HelpPage.h"
#include "app/Settings.h"
#include "app/Uabout.h"
#include "link/NoMeter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QImage picture(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage();
}

// Keeps the desktop's data folders out of the help page search while a test runs.
struct NoDesktopData {
    QTemporaryDir dir;
    QByteArray home = qgetenv("XDG_DATA_HOME"), dirs = qgetenv("XDG_DATA_DIRS");
    NoDesktopData() {
        qputenv("XDG_DATA_HOME", dir.filePath("home").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", dir.filePath("system").toLocal8Bit());
    }
    ~NoDesktopData() {
        qputenv("XDG_DATA_HOME", home);
        qputenv("XDG_DATA_DIRS", dirs);
    }
};

TEST(Desktop, StandardShortcutsLeaveTheMenuTextsAsTheyAre) {
    NoMeter meter;
    TestMain t(meter);
    TfrmMain& m = *t.main;
    struct Case {
        QAction* action;
        const char* text;
        const char* keys;
    };
    for (const Case& c :
         {Case{m.Open1, "&Open", "Ctrl+O"}, Case{m.Save1, "&Save", "Ctrl+S"},
          Case{m.Print1, "&Print", "Ctrl+P"}, Case{m.PrinterSetup1, "&Printer Setup", ""},
          Case{m.Exit1, "E&xit", ""}, Case{m.Run1, "Run", "F5"}, Case{m.Stop1, "Stop", "Shift+F5"},
          Case{m.Contents1, "&Contents", "F1"}, Case{m.About1, "&About", ""}}) {
        EXPECT_EQ(c.action->text(), c.text);
        EXPECT_EQ(c.action->shortcut().toString(QKeySequence::PortableText), c.keys) << c.text;
    }
    // Ctrl+Q is no menu item's: E&xit ends without the shut-down, Ctrl+Q closes the window.
    EXPECT_EQ(m.closeShortcut->shortcut().toString(QKeySequence::PortableText), "Ctrl+Q");
    for (QAction* a : m.menuFile->actions())
        EXPECT_NE(a, m.closeShortcut);
}

TEST(Desktop, CtrlQClosesTheWindowAndWritesTheSettings) {
    NoMeter meter;
    TestMain t(meter, true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(t.main.get()));
    t.main->state().SampleRate = 7;
    QTest::keyClick(t.main.get(), Qt::Key_Q, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_FALSE(t.main->isVisible());
    EXPECT_EQ(Settings(t.settingsFile()).readInt("RealTimeRate", 2), 7);
}

TEST(Desktop, EveryWindowCarriesTheProgramsIcon) {
    NoMeter meter;
    TestMain t(meter, true);
    const QImage own = picture(programIcon());
    ASSERT_FALSE(own.isNull());
    EXPECT_EQ(picture(t.main->windowIcon()), own);
    const auto frames = t.main->mdiArea()->subWindowList();
    ASSERT_GE(frames.size(), 2); // the front panel and the real-time chart
    for (QMdiSubWindow* frame : frames)
        EXPECT_EQ(picture(frame->windowIcon()), own) << frame->windowTitle().toStdString();
    TfrmAbout about(t.main.get());
    EXPECT_EQ(picture(about.windowIcon()), own);
}

TEST(Desktop, EachToolButtonShowsAPictureOfItsOwn) {
    NoMeter meter;
    TestMain t(meter);
    TfrmMain& m = *t.main;
    const QList<QToolButton*> buttons{m.SpeedButton1,  m.SpeedButton2,     m.btnPrint,
                                      m.btnDataLogger, m.btnOutputToGraph, m.btnRun,
                                      m.btnStop,       m.SpeedButton8};
    for (int i = 0; i < buttons.size(); ++i) {
        const QImage a = picture(buttons[i]->icon());
        ASSERT_FALSE(a.isNull()) << buttons[i]->objectName().toStdString();
        for (int j = i + 1; j < buttons.size(); ++j)
            EXPECT_NE(a, picture(buttons[j]->icon()))
                << buttons[i]->objectName().toStdString() << " / "
                << buttons[j]->objectName().toStdString();
    }
    // Print once showed the style's list-view picture.
    EXPECT_NE(picture(m.btnPrint->icon()),
              picture(m.style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    EXPECT_EQ(picture(m.btnPrint->icon()), picture(m.Print1->icon()));
}

TEST(Desktop, TheHelpPageIsFoundBesideTheProgramOrInstalled) {
    NoDesktopData noData;
    QTemporaryDir root;
    const QString program = root.filePath("usr/lib/q7320");
    const QString installed = root.filePath("usr/share/q7320/Q7320HELP.htm");
    ASSERT_TRUE(QDir().mkpath(program));
    EXPECT_TRUE(findHelpPage(program).isEmpty());

    ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).path()));
    ASSERT_TRUE(writeBytes(installed, "<html></html>"));
    EXPECT_EQ(findHelpPage(program), installed);

    // A page beside the program (the build tree) comes first.
    ASSERT_TRUE(writeBytes(program + "/Q7320HELP.htm", "<html></html>"));
    EXPECT_EQ(findHelpPage(program), program + "/Q7320HELP.htm");

    // Or one in the desktop's data folders (the system's: the user's own is the test folder of
    // QStandardPaths' test mode).
    QTemporaryDir other;
    const QString data = noData.dir.filePath("system/q7320/Q7320HELP.htm");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(data).path()));
    ASSERT_TRUE(writeBytes(data, "<html></html>"));
    EXPECT_EQ(findHelpPage(other.path()), data);
}

TEST(Desktop, HelpContentsOpensThePageOrSaysWhereItIs) {
    NoDesktopData noData;
    NoMeter meter;
    TestMain t(meter);
    const QString page = t.programDir() + "/Q7320HELP.htm";

    // No page anywhere: the places looked at are named, nothing is opened.
    t.main->Contents1Click();
    EXPECT_TRUE(t.openedDocuments.isEmpty());
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_TRUE(t.dialogs.lastMessage().startsWith(
        "The help page Q7320HELP.htm is missing; it was looked for in:\n" + page + "\n"))
        << t.dialogs.lastMessage().toStdString();

    ASSERT_TRUE(writeBytes(page, "<html></html>"));
    t.main->Contents1Click();
    ASSERT_EQ(t.openedDocuments.size(), 1);
    EXPECT_EQ(t.openedDocuments[0], QUrl::fromLocalFile(page));
    EXPECT_EQ(t.dialogs.messages.size(), 1u); // nothing more to say

    // Nothing on the desktop shows web pages: say where the page is.
    t.openDocumentResult = false;
    t.main->SpeedButton8->click();
    EXPECT_EQ(t.openedDocuments.size(), 2);
    ASSERT_EQ(t.dialogs.messages.size(), 2u);
    EXPECT_EQ(t.dialogs.lastMessage(),
              "No program to show the help page was found. The help page is:\n" + page);
    EXPECT_EQ(t.dialogs.messages.back().caption, "Q7320");
}

TEST(Desktop, TheRealMessageBoxNamesTheHelpPage) {
    NoMeter meter;
    QTemporaryDir dir;
    ASSERT_TRUE(writeBytes(dir.filePath("Q7320HELP.htm"), "<html></html>"));
    MainServices s;
    s.transport = &meter;
    s.settingsFile = dir.filePath("settings.ini");
    s.documentsDir = dir.path();
    s.helpFolder = dir.path();
    s.openDocument = [](const QUrl&) { return false; };
    TfrmMain main(s); // the real dialogs
    main.show();

    QString shown;
    QTimer::singleShot(100, &main, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    main.Contents1Click(); // returns once the box is closed
    EXPECT_EQ(shown, "No program to show the help page was found. The help page is:\n" +
                         QDir::toNativeSeparators(dir.filePath("Q7320HELP.htm")));
}

TEST(Desktop, TheAboutBoxAddsTheProgramCopyrightAndNoWarranty) {
    TfrmAbout about;
    EXPECT_EQ(about.lblTitle->text(), "CARBON DIOXIDE METER Software");
    EXPECT_TRUE(about.lblVersion->text().startsWith("Version: "));
    EXPECT_EQ(about.lblProgram->text(), "Q7320");
    EXPECT_EQ(about.lblCopyright->text(), "Copyright (C) 2026 The Q7320 developers");
    EXPECT_EQ(about.lblWarranty->text(),
              "This program comes with ABSOLUTELY NO WARRANTY. It is free software: you may "
              "redistribute it and/or modify it under the terms of the GNU General Public "
              "License, version 3 or later.");
    // Every line fits in the box as it opens.
    about.show();
    for (QLabel* l : {about.lblTitle, about.lblVersion, about.lblProgram, about.lblCopyright,
                      about.lblWarranty})
        EXPECT_GE(l->width(), l->minimumSizeHint().width()) << l->text().toStdString();
}

TEST(Desktop, TheDesktopKnowsTheWindowByItsDesktopFile) {
    applyDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.q7320.q7320");
    EXPECT_EQ(picture(QApplication::windowIcon()), picture(programIcon()));
}

} // namespace
