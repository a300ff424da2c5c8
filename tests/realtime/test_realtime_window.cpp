// The recording in the real "Real-Time Graph" window, fed by the poll tick from the virtual
// meter.
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "graph/Ugraph.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"
#include "live/LiveMonitor.h"
#include "realtime/RealTimeJournal.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace RealTime;

namespace {
struct Window : testing::Test {
    TestClock spareClock;
    std::unique_ptr<VirtualMeter> placeholder, meter; // destroyed after the main window
    std::unique_ptr<TestMain> t;

    void SetUp() override { start(); }

    void start(QMessageBox::StandardButton restoreAnswer = QMessageBox::NoButton,
               const QByteArray& journal = {}) {
        t.reset();
        // The meter runs on the test clock of the main window it is plugged into, so it is
        // plugged in once that window exists.
        placeholder = std::make_unique<VirtualMeter>(spareClock);
        t = std::make_unique<TestMain>(*placeholder);
        meter = std::make_unique<VirtualMeter>(t->clock);
        t->main->exchange().setTransport(*meter);
        if (!journal.isEmpty()) {
            QDir().mkpath(t->documentsDir() + "/Q7320");
            QFile f(t->documentsDir() + "/Q7320/" + JournalFileName);
            f.open(QIODevice::WriteOnly);
            f.write(journal);
        }
        if (restoreAnswer != QMessageBox::NoButton)
            t->dialogs.messageAnswers.push_back(restoreAnswer);
        t->main->show();
        // The restore question comes once the main window is drawn.
        if (!journal.isEmpty())
            ASSERT_TRUE(QTest::qWaitFor([&] { return !t->dialogs.messages.empty(); }, 5000));
        for (int i = 0; i < 4 && !st().connected; ++i)
            t->tick();
        ASSERT_TRUE(st().connected);
    }

    AppState& st() { return t->main->state(); }
    RealTimeRecorder& rec() { return t->main->realTime(); }
    TfrmGraph* graph() { return st().RealTimeGraph; }
    chart::Chart& chart() { return *graph()->PESGraph1; }

    void run(int count, int minutes, int seconds) {
        t->dialogs.dialogAnswers.push_back([=](QDialog& d) {
            auto& s = static_cast<TfrmSetupRealTime&>(d);
            s.edtRealTimeNo->setText(QStringLiteral("%1").arg(count, 5));
            s.ComboBox1->setCurrentIndex(minutes);
            s.ComboBox2->setCurrentIndex(seconds);
            return int(QDialog::Accepted);
        });
        t->main->btnRun->click();
        ASSERT_TRUE(st().Recording);
    }
    // Ticks until n samples are in the chart (or the recording stops).
    void recordUntil(int n) {
        for (int i = 0; i < 40 * n && st().Recording && st().SampleCount < n; ++i)
            t->tick();
    }
};
} // namespace

TEST_F(Window, MadeAtStartUpForARecording) {
    TfrmGraph* g = graph();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->windowTitle(), "Real-Time Graph");
    EXPECT_TRUE(t->main->RealTimeGraph1->isChecked());
    EXPECT_TRUE(g->tbntClr->isVisibleTo(g));
    EXPECT_TRUE(g->pnlSamplingRate->isEnabled());
    EXPECT_EQ(g->ComboBox1->currentText(), "00");
    EXPECT_EQ(g->ComboBox2->currentText(), "02");
    EXPECT_EQ(chart().points(), 100);
    EXPECT_EQ(chart().lineGapThreshold(), 1e20);
    EXPECT_NEAR((chart().manualMaxX() - chart().manualMinX()) * 86400.0, 110.0, 1e-3);
    // Connected and idle: run on, stop off, "Clear" on.
    EXPECT_TRUE(t->main->btnRun->isEnabled());
    EXPECT_FALSE(t->main->btnStop->isEnabled());
    EXPECT_TRUE(g->tbntClr->isEnabled());
}

TEST_F(Window, RecordsFromTheMeterUntilTheChartIsFull) {
    run(4, 0, 1);
    EXPECT_FALSE(graph()->tbntClr->isEnabled());
    recordUntil(4);
    EXPECT_FALSE(st().Recording);
    EXPECT_TRUE(st().RealTimeUnsaved);
    EXPECT_EQ(graph()->txtDataNo->text(), "4");
    EXPECT_EQ(chart().points(), 4);
    EXPECT_TRUE(graph()->tbntClr->isEnabled());
    EXPECT_TRUE(t->main->btnRun->isEnabled());

    // The chart, the boxes and the journal agree with each other.
    const auto journal = readJournal(rec().journalPath());
    ASSERT_TRUE(journal);
    ASSERT_EQ(journal->samples.size(), 4u);
    float ppmMax = -1e9f;
    double ppmMaxTime = 0;
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        const Sample& s = journal->samples[size_t(i)];
        EXPECT_EQ(chart().xData(0, i), s.time);
        EXPECT_EQ(chart().xData(2, i), s.time);
        EXPECT_EQ(chart().yData(0, i), plotPpm(s.ppm, s.flags));
        EXPECT_EQ(chart().yData(1, i), plotRh(s.rh, s.flags));
        EXPECT_EQ(chart().yData(2, i), plotTemp(s.temp, s.flags));
        if (float(s.ppm) > ppmMax) {
            ppmMax = float(s.ppm);
            ppmMaxTime = s.time;
        }
        sum += s.rh;
        if (i > 0) EXPECT_NEAR((s.time - journal->samples[size_t(i) - 1].time) * 86400, 1, 1e-3);
    }
    EXPECT_EQ(graph()->txtppmMax->text(),
              QString::number(int(ppmMax)) + "@" + DateTimeText::dateTime(ppmMaxTime));
    EXPECT_EQ(graph()->txtRHAvg->text(), oneDecimalText(sum / 4));
    // The stop came 2.5 s after the last sample's tick.
    EXPECT_NEAR((chart().manualMaxX() - journal->samples.back().time) * 86400, 2.5, 1e-3);
}

TEST_F(Window, RateListsOfTheWindowChangeTheInterval) {
    run(100, 0, 2);
    recordUntil(2);
    QComboBox* seconds = graph()->ComboBox2;
    // Picking the entry it already has does nothing.
    emit seconds->activated(2);
    EXPECT_TRUE(t->dialogs.messages.empty());
    // Another one asks; Cancel keeps recording at the new interval.
    seconds->setCurrentIndex(5);
    t->dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    emit seconds->activated(5);
    ASSERT_EQ(t->dialogs.messages.size(), 1u);
    EXPECT_TRUE(t->dialogs.lastMessage().startsWith("Sampling Rate is being changed"));
    EXPECT_EQ(st().SampleRate, 5);
    EXPECT_TRUE(st().Recording);
    const int before = st().SampleCount;
    const double lastTime = chart().xData(0, before - 1);
    recordUntil(before + 1);
    EXPECT_NEAR((chart().xData(0, before) - lastTime) * 86400, 5, 1.01);
    // No: the graph is reset.
    seconds->setCurrentIndex(10);
    t->dialogs.messageAnswers.push_back(QMessageBox::No);
    emit seconds->activated(10);
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(graph()->txtDataNo->text(), "");
    EXPECT_DOUBLE_EQ(st().XExtendStep, 1000.0 / 86400.0);
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
}

TEST_F(Window, ClearButtonEmptiesTheChartAndDropsTheJournal) {
    run(100, 0, 1);
    recordUntil(3);
    t->main->btnStop->click();
    ASSERT_TRUE(QFile::exists(rec().journalPath()));
    int saved = 0;
    TfrmGraph::saveChart = [&](chart::Chart& c) {
        EXPECT_EQ(&c, &chart());
        ++saved;
    };
    t->dialogs.messageAnswers.push_back(QMessageBox::Yes);
    graph()->tbntClr->click();
    TfrmGraph::saveChart = nullptr;
    EXPECT_EQ(t->dialogs.lastMessage(), "Save Real-Time Graph ?");
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_FALSE(graph()->UndoZoom->isEnabled());
    EXPECT_EQ(chart().yData(0, 0), 9999.0f);
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
}

TEST_F(Window, SavingTheStoppedChartAsAChartFileDropsTheJournal) {
    run(100, 0, 1);
    recordUntil(3);
    const QString file = t->dir.filePath("rt.ghf");
    auto saveAs = [&] {
        t->main->mdiArea()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(graph()->parentWidget()));
        t->dialogs.fileAnswers.push_back({file, 0});
        t->main->Save1->trigger();
    };
    // While recording, samples after the save are only in the journal: it stays.
    saveAs();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(rec().journalPath()));
    t->main->btnStop->click();
    QFile::remove(file);
    saveAs();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
}

TEST_F(Window, ClosingTheWindowStopsTheRecording) {
    run(100, 0, 1);
    recordUntil(2);
    QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(graph()->parentWidget());
    ASSERT_NE(frame, nullptr);
    // Cancel in the close prompt keeps everything.
    t->dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    frame->close();
    EXPECT_TRUE(st().Recording);
    ASSERT_NE(graph(), nullptr);
    // No: it closes, and the recording with it.
    t->dialogs.messageAnswers.push_back(QMessageBox::No);
    frame->close();
    EXPECT_FALSE(QFile::exists(rec().journalPath())); // at the close itself
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(graph(), nullptr);
    EXPECT_EQ(rec().view(), nullptr);
    EXPECT_FALSE(t->main->RealTimeGraph1->isChecked());
    EXPECT_FALSE(t->main->btnStop->isEnabled());
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
    // Ticks go on without a window; the View menu item makes a new one.
    t->tick(4);
    t->main->RealTimeGraph1->trigger();
    ASSERT_NE(graph(), nullptr);
    EXPECT_EQ(chart().points(), 100);
}

TEST_F(Window, ReconnectionFollowsTheRecordingState) {
    run(100, 0, 1);
    meter->unplug();
    t->tick(3);
    ASSERT_FALSE(st().connected);
    EXPECT_FALSE(t->main->btnRun->isEnabled());
    EXPECT_FALSE(t->main->btnStop->isEnabled());
    const int count = st().SampleCount;
    t->tick(6);
    EXPECT_EQ(st().SampleCount, count); // no samples while the meter is away
    meter->plug();
    t->tick(2);
    ASSERT_TRUE(st().connected);
    EXPECT_FALSE(t->main->btnRun->isEnabled());
    EXPECT_TRUE(t->main->btnStop->isEnabled());
    EXPECT_FALSE(graph()->tbntClr->isEnabled());
    recordUntil(count + 1);
    EXPECT_GT(st().SampleCount, count);
    t->main->btnStop->click();
    meter->unplug();
    t->tick(3);
    meter->plug();
    t->tick(2);
    EXPECT_TRUE(t->main->btnRun->isEnabled());
    EXPECT_FALSE(t->main->btnStop->isEnabled());
    EXPECT_TRUE(graph()->tbntClr->isEnabled());
}

// The program goes away without the recording being saved; the next start restores it into
// the real-time window.
TEST_F(Window, UnsavedRecordingIsRestoredAtTheNextStart) {
    run(100, 0, 3);
    recordUntil(5);
    t->main->btnStop->click();
    std::vector<float> cells(chart().yCells().begin(), chart().yCells().end());
    std::vector<double> times(chart().xCells().begin(), chart().xCells().end());
    const QString ppmMax = graph()->txtppmMax->text();
    const QString rhAvg = graph()->txtRHAvg->text();
    const QString startTime = graph()->txtStartTime->text();
    // Torn down without the window accepting a close (its save prompt is cancelled by the
    // scripted default): the journal stays.
    t->main.reset();
    QFile f(t->documentsDir() + "/Q7320/" + JournalFileName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray journal = f.readAll();
    f.close();

    start(QMessageBox::Yes, journal);
    ASSERT_EQ(t->dialogs.messages.size(), 1u);
    EXPECT_EQ(st().SampleCount, 5);
    EXPECT_EQ(chart().points(), 5);
    EXPECT_EQ(std::vector<float>(chart().yCells().begin(), chart().yCells().end()), cells);
    EXPECT_EQ(std::vector<double>(chart().xCells().begin(), chart().xCells().end()), times);
    EXPECT_EQ(graph()->txtppmMax->text(), ppmMax);
    EXPECT_EQ(graph()->txtRHAvg->text(), rhAvg);
    EXPECT_EQ(graph()->txtStartTime->text(), startTime);
    EXPECT_EQ(graph()->txtDataNo->text(), "5");
    EXPECT_EQ(graph()->ComboBox2->currentText(), "03");
    EXPECT_FALSE(st().Recording);
    // Run asks before it resets the restored recording.
    t->dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    t->main->btnRun->click();
    EXPECT_TRUE(t->dialogs.lastMessage().startsWith("There are datas in Real_Time graph"));
    EXPECT_EQ(st().SampleCount, 5);
}

// The close may also come to the window itself rather than to its frame; a refused one keeps
// the window and the recording.
TEST_F(Window, ClosingTheGraphItselfLetsTheRecordingGo) {
    run(100, 0, 1);
    recordUntil(2);
    t->dialogs.messageAnswers.push_back(QMessageBox::Cancel);
    graph()->close();
    EXPECT_TRUE(st().Recording);
    graph()->hide(); // hidden, not closed: still the real-time window
    EXPECT_NE(rec().view(), nullptr);
    EXPECT_TRUE(QFile::exists(rec().journalPath()));
    graph()->show();
    t->dialogs.messageAnswers.push_back(QMessageBox::No);
    graph()->close();
    EXPECT_FALSE(QFile::exists(rec().journalPath())); // at the close itself
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(rec().view(), nullptr);
}
