// The real dialogs and the real shut-down, not the scripted dialog service: every modal window
// here runs its own event loop and is answered by pressing its buttons.
#include "ModalDriver.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/Settings.h"
#include "app/Uabout.h"
#include "app/Uscope.h"
#include "files/FileCommands.h"
#include "graph/Ugraph.h"
#include "link/Exchange.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "link/virtual/VirtualMeter.h"
#include "realtime/RealTimeJournal.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {
// A shown main window with the program's own dialogs and a virtual meter on its test clock,
// connected. documentsDir: a documents folder to use instead of a fresh one.
struct RealMain {
    WidgetDialogService realDialogs;
    TestClock spareClock;
    std::unique_ptr<VirtualMeter> placeholder, meter; // destroyed after the main window
    std::unique_ptr<TestMain> t;

    explicit RealMain(const std::function<void(TestMain&)>& beforeShow = {}) {
        placeholder = std::make_unique<VirtualMeter>(spareClock);
        t = std::make_unique<TestMain>(*placeholder, realDialogs);
        meter = std::make_unique<VirtualMeter>(t->clock);
        t->main->exchange().setTransport(*meter);
        if (beforeShow) beforeShow(*t);
        t->main->show();
        for (int i = 0; i < 4 && !st().connected; ++i)
            t->tick();
    }
    ~RealMain() { t.reset(); }

    AppState& st() { return t->main->state(); }
    QString journal() { return t->main->realTime().journalPath(); }

    // Runs a recording of up to 100 samples at 00:01 through the real setup dialog and records
    // n samples.
    void record(ModalDriver& driver, int n) {
        driver.then([](QWidget& w) {
            auto* setup = qobject_cast<TfrmSetupRealTime*>(&w);
            ASSERT_NE(setup, nullptr);
            setup->edtRealTimeNo->setText(QStringLiteral("  100"));
            setup->ComboBox2->setCurrentIndex(1);
            setup->btnStart->click();
        });
        t->main->btnRun->click();
        ASSERT_TRUE(st().Recording);
        for (int i = 0; i < 40 * n && st().SampleCount < n; ++i)
            t->tick();
        ASSERT_EQ(st().SampleCount, n);
    }

    // Runs the program's message loop until it ends (or 20 s pass), with `start` run in it.
    int runLoop(const std::function<void()>& start) {
        QTimer::singleShot(0, t->main.get(), start);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
        watchdog.start(20000);
        return QApplication::exec();
    }
};
} // namespace

TEST(RealDialogs, AboutBoxClosedByOkOrEscLeavesTheProgramRunning) {
    NoMeter meter;
    WidgetDialogService realDialogs;
    TestMain t(meter, realDialogs, true);
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "OK");
        ModalDriver driver;
        bool okShown = false;
        driver.then([&](QWidget& w) {
            auto* about = qobject_cast<TfrmAbout*>(&w);
            ASSERT_NE(about, nullptr);
            okShown = about->BitBtn1->isVisible();
            if (byEsc)
                QTest::keyClick(about, Qt::Key_Escape);
            else
                about->BitBtn1->click();
        });
        t.main->About1->trigger();
        EXPECT_TRUE(driver.allDone());
        EXPECT_TRUE(driver.unexpected.isEmpty());
        EXPECT_TRUE(okShown);
        // Whatever the box left for later runs now, and the program goes on.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(20);
        EXPECT_TRUE(t.main->isVisible());
        EXPECT_TRUE(t.main->findChildren<TfrmAbout*>().isEmpty());
    }
}

// Esc on the progress window of a save stops it as Cancel does: the file that was there stays.
TEST(RealDialogs, EscOnTheSaveProgressWindowCancelsTheSave) {
    NoMeter meter;
    WidgetDialogService realDialogs;
    TestMain t(meter, realDialogs, true);
    t.main->state().dataFolder = t.dir.path() + QLatin1Char('/');
    auto* graph = new TfrmGraph(*t.main);
    t.main->addChild(graph);
    const int points = 20000; // many progress steps
    graph->ConfigureGraph(points, 46000.5, 46000.5 + points / 86400.0);
    for (int i = 0; i < points; ++i)
        graph->setSample(i, 46000.5 + i / 86400.0, 400.0f, 40.0f, 20.0f);
    const QString file = t.dir.filePath("keep.TXT");
    ASSERT_TRUE(writeBytes(file, "old contents"));

    ModalDriver driver;
    driver.then([](QWidget& w) { // the save dialog
        auto* name = w.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("keep.TXT"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    driver.answer(QMessageBox::Yes); // replace it?
    driver.then([](QWidget& w) {     // the range dialog: all
        auto* range = qobject_cast<TfrmScope*>(&w);
        ASSERT_NE(range, nullptr);
        range->BitBtn1->click();
    });
    int steps = 0;
    t.main->fileCommands().onProgress = [&](TfrmScope& progress) {
        if (++steps == 1) QTest::keyClick(&progress, Qt::Key_Escape);
    };
    t.main->fileCommands().SaveChart(*graph->PESGraph1);
    EXPECT_TRUE(driver.allDone());
    EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join('|').toStdString();
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(readBytes(file), QByteArray("old contents"));
    EXPECT_TRUE(t.main->findChildren<TfrmScope*>().isEmpty());
}

// Closing the main window asks the real-time window's question while the main window is still
// up: Cancel keeps everything running and writes nothing; Yes saves through the real save
// dialog and then the program ends.
TEST(RealDialogs, ClosingTheMainWindowAsksAboutAnUnsavedRecording) {
    RealMain r;
    ModalDriver driver;
    ASSERT_TRUE(r.st().connected);
    r.record(driver, 3);
    ASSERT_TRUE(r.st().RealTimeUnsaved);

    bool mainShownWhileAsked = false;
    driver.then([&](QWidget& w) {
        mainShownWhileAsked = r.t->main->isVisible();
        pressButton(w, QMessageBox::Cancel);
    });
    EXPECT_FALSE(r.t->main->close());
    EXPECT_TRUE(mainShownWhileAsked);
    EXPECT_TRUE(r.t->main->isVisible());
    EXPECT_TRUE(r.t->main->MainTimer->isActive());
    EXPECT_TRUE(r.st().Recording);
    EXPECT_TRUE(r.st().RealTimeUnsaved);
    ASSERT_NE(r.st().RealTimeGraph, nullptr);
    EXPECT_TRUE(QFile::exists(r.journal()));
    EXPECT_FALSE(Settings(r.t->settingsFile()).contains("RealTimeRate"));
    r.t->tick(2); // still recording
    EXPECT_EQ(r.st().SampleCount, 4);

    const QString saved = r.st().dataFolder + QStringLiteral("shutdown.GHF");
    driver.answer(QMessageBox::Yes);
    driver.then([](QWidget& w) {
        auto* dialog = qobject_cast<QFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("shutdown"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const QString journal = r.journal();
    EXPECT_EQ(r.runLoop([&] { r.t->main->close(); }), 0);
    EXPECT_TRUE(driver.allDone());
    EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join('|').toStdString();
    EXPECT_EQ(driver.messages, QStringList{"Save Real-Time Graph ?"});
    EXPECT_FALSE(r.t->main->isVisible());
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_FALSE(QFile::exists(journal)); // saved, so nothing to offer next time
    EXPECT_EQ(Settings(r.t->settingsFile()).readInt("RealTimeRate", 0), 1);
}

// E&xit ends the loop at once: no question, no settings written, and the unsaved recording
// stays in its journal. The next start offers it, once its main window is drawn and the splash
// is gone.
TEST(RealDialogs, ExitKeepsTheRecordingForTheNextStart) {
    QByteArray journalBytes;
    {
        RealMain r;
        ModalDriver driver;
        ASSERT_TRUE(r.st().connected);
        r.record(driver, 5);
        const QString journal = r.journal();
        EXPECT_EQ(r.runLoop([&] { r.t->main->Exit1->trigger(); }), 0);
        r.t->main.reset(); // as the program's end tears it down
        EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join('|').toStdString();
        EXPECT_TRUE(driver.messages.isEmpty());
        EXPECT_FALSE(Settings(r.t->settingsFile()).contains("RealTimeRate"));
        journalBytes = readBytes(journal);
        ASSERT_FALSE(journalBytes.isEmpty());
    }

    QPointer<TfrmAbout> splash;
    QPointer<TfrmMain> mainWindow;
    int mainPaints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++*count;
            return false;
        }
    } counter(&mainPaints);
    ModalDriver driver;
    bool splashGone = false, mainDrawn = false;
    QString question;
    driver.then([&](QWidget& w) {
        auto* box = qobject_cast<QMessageBox*>(&w);
        ASSERT_NE(box, nullptr);
        question = box->text();
        splashGone = splash.isNull() || !splash->isVisible();
        mainDrawn = mainWindow && mainWindow->isVisible() && mainWindow->windowHandle() &&
                    mainWindow->windowHandle()->isExposed() && mainPaints > 0;
        pressButton(w, QMessageBox::Yes);
    });
    RealMain next([&](TestMain& t) {
        QDir().mkpath(t.documentsDir() + "/Q7320");
        ASSERT_TRUE(
            writeBytes(t.documentsDir() + "/Q7320/" + RealTime::JournalFileName, journalBytes));
        splash = new TfrmAbout;
        splash->BitBtn1->hide();
        splash->show();
        t.main->setSplash(splash);
        mainWindow = t.main.get();
        t.main->installEventFilter(&counter);
    });
    ASSERT_TRUE(driver.waitAllDone());
    EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join('|').toStdString();
    EXPECT_TRUE(question.startsWith("A Real-Time recording that was not saved was found (5 data"))
        << question.toStdString();
    EXPECT_TRUE(splashGone);
    EXPECT_TRUE(mainDrawn);
    EXPECT_EQ(next.st().SampleCount, 5);
    EXPECT_TRUE(next.st().RealTimeUnsaved);
    next.t->main->removeEventFilter(&counter);
}
