#include "TestMain.h"
#include "app/Settings.h"
#include "app/Uabout.h"
#include "app/Uscope.h"
#include "graph/Ugraph.h"
#include "link/Exchange.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "live/Upanel.h"

#include <QAction>
#include <QApplication>
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
        // Ends the message loop; the close handler does not run.
        QTimer::singleShot(0, t.main.get(), [&] { t.main->Exit1Click(); });
        EXPECT_EQ(QApplication::exec(), 0);
        t.main->hide();
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
