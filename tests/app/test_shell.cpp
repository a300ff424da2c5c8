#include "ModalDriver.h"
#include "TestMain.h"
#include "app/Settings.h"
#include "app/Uabout.h"
#include "app/Uscope.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "link/Exchange.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "live/Upanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QtTest/qtestspontaneevent.h>
#include <functional>
#include <gtest/gtest.h>

namespace {} // namespace

TEST(Shell, MenusToolButtonsAndStartingStates) {
    NoMeter meter;
    TestMain t(meter);
    TfrmMain& m = *t.main;
    EXPECT_EQ(m.windowTitle(), "Q7320");

    QStringList menus;
    for (QAction* a : m.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus,
              (QStringList{"&File", "Real Time", "&Data Logger", "&View", "&Window", "&Help"}));

    QStringList file;
    for (QAction* a : m.menuFile->actions())
        file << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(file, (QStringList{"&Open", "&Save", "-", "&Print", "&Printer Setup", "-", "E&xit"}));
    EXPECT_EQ(m.LoadData1->text(), "&Load ");
    EXPECT_FALSE(m.Run1->isEnabled());
    EXPECT_FALSE(m.Stop1->isEnabled());
    EXPECT_TRUE(m.ControlPanel1->isChecked());
    EXPECT_TRUE(m.RealTimeGraph1->isChecked());

    struct Hint {
        QToolButton* button;
        const char* text;
        bool enabled;
    };
    for (const Hint& h :
         {Hint{m.SpeedButton1, "Open File", true}, Hint{m.SpeedButton2, "Save to file", true},
          Hint{m.btnPrint, "Print", true}, Hint{m.btnDataLogger, "Data Logger", true},
          Hint{m.btnOutputToGraph, "Output Tabular to graph", false},
          Hint{m.btnRun, "Start Graphing Real Time Data", false},
          Hint{m.btnStop, "Stop Graphing Real Time Data", false},
          Hint{m.SpeedButton8, "Help", true}}) {
        EXPECT_EQ(h.button->toolTip(), h.text);
        EXPECT_EQ(h.button->isEnabled(), h.enabled) << h.text;
    }
    EXPECT_TRUE(m.SpeedButton8->isHidden());
    EXPECT_EQ(m.MainTimer->interval(), 500);
    EXPECT_FALSE(m.MainTimer->isActive()); // until the window is shown
    EXPECT_TRUE(m.MaxMinTimer->isActive());
    EXPECT_EQ(m.mdiArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(m.mdiArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(Shell, StartUpShowsOffConnectionClosesSplashAndFixesDataFolder) {
    NoMeter meter;
    TestMain t(meter);
    auto* splash = new TfrmAbout;
    splash->BitBtn1->hide();
    splash->show();
    QPointer<TfrmAbout> watch(splash);
    t.main->setSplash(splash);
    t.main->show();
    QApplication::processEvents();
    EXPECT_EQ(t.main->statusText(1), "Off Connection");
    EXPECT_TRUE(t.main->MainTimer->isActive());
    EXPECT_TRUE(watch.isNull() || !watch->isVisible());
    EXPECT_EQ(t.main->state().dataFolder, t.documentsDir() + "/Q7320/");
    EXPECT_DOUBLE_EQ(t.main->state().XExtendStep, static_cast<double>(10.0f / 86400.0f));
}

TEST(Shell, SettingsAreWrittenOnCloseButNotOnExit) {
    NoMeter meter;
    QString file;
    {
        TestMain t(meter, true);
        file = t.settingsFile();
        EXPECT_EQ(t.main->state().SampleRate, 2);
        t.main->state().SampleRate = 9;
        // E&xit ends the message loop; the close handler does not run.
        QTimer::singleShot(0, t.main.get(), [&] { t.main->Exit1->trigger(); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(t.main->isVisible());
        t.dir.setAutoRemove(false);
    }
    EXPECT_FALSE(Settings(file).contains("RealTimeRate"));
    {
        NoMeter meter2;
        TestMain t(meter2, true);
        t.main->state().SampleRate = 9;
        t.main->state().AnnoColor = 0x0000FF;
        EXPECT_TRUE(t.main->close());
        EXPECT_FALSE(t.main->MainTimer->isActive());
        Settings s(t.settingsFile());
        EXPECT_EQ(s.readInt("RealTimeRate", 2), 9);
        EXPECT_EQ(s.readInt("AnnoColor", 0), 0x0000FF);
    }
}

TEST(Shell, CloseDuringATickIsDeferredNotLost) {
    NoMeter meter;
    TestMain t(meter, true);
    t.main->exchange().beginTick();
    EXPECT_FALSE(t.main->close()); // refused for now
    t.main->exchange().endTick();
    QTest::qWait(300);
    EXPECT_FALSE(t.main->isVisible());
}

TEST(Shell, AboutFromHelpHasVisibleOk) {
    NoMeter meter;
    TestMain t(meter);
    bool okVisible = false;
    t.dialogs.dialogAnswers.push_back([&](QDialog& d) {
        auto* about = qobject_cast<TfrmAbout*>(&d);
        okVisible = about && !about->BitBtn1->isHidden();
        return QDialog::Accepted;
    });
    t.main->About1Click();
    EXPECT_TRUE(okVisible);
}

TEST(Scope, ControlsStartHiddenAndCloseBoxCountsAsCancel) {
    TfrmScope s;
    EXPECT_EQ(s.windowTitle(), "Print Range");
    EXPECT_TRUE(s.GroupBox1->isHidden());
    EXPECT_TRUE(s.Progress1->isHidden());
    EXPECT_TRUE(s.radAll->isChecked());
    EXPECT_EQ(s.SText1->text(), "bytes received");
    s.setScopeResult(-1);
    s.showProgress();
    s.close();
    EXPECT_EQ(s.scopeResult(), TfrmScope::ResultCancel);
    TfrmScope p;
    p.setScopeResult(0);
    p.BitBtn2->show();
    p.showProgress();
    p.BitBtn2->click();
    EXPECT_EQ(p.scopeResult(), TfrmScope::ResultCancel);
}

TEST(Shell, ViewMenuChecksTellWhetherTheWindowIsOpen) {
    NoMeter meter;
    TestMain t(meter, true);
    TfrmMain& m = *t.main;
    AppState& st = m.state();
    auto frameOf = [](QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); };
    auto settle = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); };
    ASSERT_NE(st.frontPanel, nullptr);
    ASSERT_NE(st.RealTimeGraph, nullptr);

    // The graph window's item: restores, never takes the mark away from an open window.
    QWidget* graph = st.RealTimeGraph;
    m.RealTimeGraph1->trigger();
    EXPECT_EQ(st.RealTimeGraph, graph);
    EXPECT_TRUE(m.RealTimeGraph1->isChecked());
    frameOf(graph)->showMinimized();
    m.RealTimeGraph1->trigger();
    EXPECT_FALSE(frameOf(graph)->isMinimized());
    EXPECT_TRUE(m.RealTimeGraph1->isChecked());
    frameOf(graph)->close();
    settle();
    EXPECT_EQ(st.RealTimeGraph, nullptr);
    EXPECT_FALSE(m.RealTimeGraph1->isChecked());
    m.RealTimeGraph1->trigger();
    EXPECT_NE(st.RealTimeGraph, nullptr);
    EXPECT_TRUE(m.RealTimeGraph1->isChecked());

    // The panel's item: the panel has no close box, so on a panel in view the item closes it.
    m.ControlPanel1->trigger();
    settle();
    EXPECT_EQ(st.frontPanel, nullptr);
    EXPECT_FALSE(m.ControlPanel1->isChecked());
    m.ControlPanel1->trigger();
    ASSERT_NE(st.frontPanel, nullptr);
    EXPECT_TRUE(m.ControlPanel1->isChecked());
    QWidget* panel = st.frontPanel;
    frameOf(panel)->showMinimized();
    m.ControlPanel1->trigger();
    EXPECT_EQ(st.frontPanel, panel);
    EXPECT_FALSE(frameOf(panel)->isMinimized());
    EXPECT_TRUE(m.ControlPanel1->isChecked());
}

TEST(Shell, TileKeepsEveryWindowInsideTheAreaAndTheMainWindowItsSize) {
    NoMeter meter;
    TestMain t(meter, true);
    TfrmMain& m = *t.main;
    for (int i = 0; i < 3; ++i) {
        auto* g = new TfrmGraph(m);
        g->setWindowTitle(QStringLiteral("chart %1.ghf").arg(i));
        m.addChild(g);
    }
    QApplication::processEvents();
    const auto frames = m.mdiArea()->subWindowList();
    ASSERT_EQ(frames.size(), 5); // the panel, the real-time graph and three charts
    const QSize mainSize = m.size();
    QWidget* panelFrame = m.state().frontPanel->parentWidget();
    const QSize panelSize = panelFrame->size();

    m.Tile1Click();
    QApplication::processEvents();
    EXPECT_EQ(m.size(), mainSize);
    const QRect area = m.mdiArea()->viewport()->rect();
    for (QMdiSubWindow* f : frames)
        EXPECT_TRUE(area.contains(f->geometry()))
            << f->windowTitle().toStdString() << " at " << f->geometry().x() << ","
            << f->geometry().y() << " " << f->width() << "x" << f->height();
    EXPECT_EQ(panelFrame->size(), panelSize);
    for (QMdiSubWindow* a : frames)
        for (QMdiSubWindow* b : frames)
            if (a != b) EXPECT_FALSE(a->geometry().intersects(b->geometry()));
}

// Esc and the close box stop work as the Cancel button does; a progress window without Cancel
// (work that cannot be stopped) stays up.
TEST(Scope, EscAndCloseBoxCountAsCancelOnAProgressWindow) {
    struct Case {
        const char* name;
        std::function<void(TfrmScope&)> act;
        bool withCancel;
        bool stops;
    };
    const auto esc = [](TfrmScope& s) { QTest::keyClick(&s, Qt::Key_Escape); };
    // The window system's close: a spontaneous close event, as the close box sends.
    const auto closeBox = [](TfrmScope& s) {
        QCloseEvent e;
        QSpontaneKeyEvent::setSpontaneous(&e);
        static_cast<QObject&>(s).event(&e);
    };
    const auto cancel = [](TfrmScope& s) { s.BitBtn2->click(); };
    const Case cases[] = {
        {"Esc", esc, true, true},
        {"close box", closeBox, true, true},
        {"Cancel button", cancel, true, true},
        {"Esc, work that cannot be stopped", esc, false, false},
        {"close box, work that cannot be stopped", closeBox, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrmScope s;
        s.Progress1->show();
        s.BitBtn2->setVisible(c.withCancel);
        s.setScopeResult(0);
        s.showProgress();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&s));
        c.act(s);
        QApplication::processEvents();
        EXPECT_EQ(s.scopeResult() == TfrmScope::ResultCancel, c.stops);
        if (!c.stops) EXPECT_TRUE(s.isVisible());
        s.close(); // the work's own end closes it in every case
        EXPECT_FALSE(s.isVisible());
    }
    // The range dialog: Esc is Cancel too.
    TfrmScope range;
    range.GroupBox1->show();
    range.BitBtn1->show();
    range.BitBtn2->show();
    ModalDriver driver;
    driver.then([](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); });
    EXPECT_NE(range.exec(), TfrmScope::ResultOk);
    EXPECT_TRUE(driver.allDone());
    EXPECT_EQ(range.scopeResult(), TfrmScope::ResultCancel);
}

// Closing the main window asks every child's question first, the real-time window's and then
// the data logger window's. Cancel in any, or a Yes whose save is cancelled, leaves the program
// as it was: windows, unsaved data, polling, and settings not written.
TEST(Shell, ClosingAsksEveryChildBeforeAnyIsActedOn) {
    const auto Yes = QMessageBox::Yes, No = QMessageBox::No, Cancel = QMessageBox::Cancel;
    struct Case {
        const char* name;
        std::vector<QMessageBox::StandardButton> answers;
        bool saveFile; // the save dialog after a Yes gets a name (otherwise it is cancelled)
        bool closes;
        int questions;
    };
    const Case cases[] = {
        {"real-time cancel", {Cancel}, false, false, 1},
        {"real-time no, logger cancel", {No, Cancel}, false, false, 2},
        {"both no", {No, No}, false, true, 2},
        {"real-time yes, saved", {Yes, No}, true, true, 2},
        {"real-time yes, save cancelled", {Yes, No}, false, false, 2},
        {"logger yes, saved", {No, Yes}, true, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoMeter meter;
        TestMain t(meter, true);
        AppState& st = t.main->state();
        ASSERT_NE(st.RealTimeGraph, nullptr);
        auto* logger = new TfrmGraph(*t.main);
        logger->setWindowTitle(TfrmGraph::DataLoggerCaption);
        st.DataLoggerGraph = logger;
        t.main->addChild(logger);
        st.RealTimeUnsaved = true;
        st.DataLoggerUnsaved = true;
        QPointer<TfrmGraph> realTime(st.RealTimeGraph), loggerAlive(logger);
        const int windows = int(t.main->mdiArea()->subWindowList().size());

        for (auto a : c.answers)
            t.dialogs.messageAnswers.push_back(a);
        // The logger's Yes saves its single data set through the choice dialog.
        t.dialogs.dialogAnswers.push_back([](QDialog&) { return int(TfrmOpenSave::ResultNo); });
        const QString file = t.dir.filePath("closing.ghf");
        if (c.saveFile) t.dialogs.fileAnswers.push_back({file, 0});

        EXPECT_EQ(t.main->close(), c.closes);
        ASSERT_EQ(int(t.dialogs.messages.size()), c.questions);
        EXPECT_EQ(t.dialogs.messages[0].text, "Save Real-Time Graph ?");
        if (c.questions > 1) EXPECT_EQ(t.dialogs.messages[1].text, "Save DataLogger Data ?");
        EXPECT_EQ(QFile::exists(file), c.saveFile);
        EXPECT_EQ(Settings(t.settingsFile()).contains("RealTimeRate"), c.closes);
        EXPECT_EQ(t.main->MainTimer->isActive(), !c.closes);
        if (!c.closes) {
            EXPECT_TRUE(t.main->isVisible());
            EXPECT_EQ(int(t.main->mdiArea()->subWindowList().size()), windows);
            EXPECT_FALSE(realTime.isNull());
            EXPECT_FALSE(loggerAlive.isNull());
            EXPECT_TRUE(st.RealTimeUnsaved);
            EXPECT_TRUE(st.DataLoggerUnsaved);
        } else {
            EXPECT_TRUE(t.main->mdiArea()->subWindowList().isEmpty());
        }
    }
}
