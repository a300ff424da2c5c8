#include "FakeRealTimeView.h"
#include "SmallTmpfs.h"
#include "LayoutCheck.h"
#include "TestMain.h"
#include "app/DateTimeText.h"
#include "link/Exchange.h"
#include "link/NoMeter.h"
#include "link/Transport.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/Usetuprealtime.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace RealTime;

namespace {
const QString RunPrompt =
    QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n"
                   "Do you want to save the Real-Time graph ?");
const QString RatePrompt = QStringLiteral(
    "Sampling Rate is being changed and it is recording Real-Time data or there are data in "
    "Real_Time graph.If you want to make new sampling rate effective,it have to reset the "
    "graph.\nDo you want to save the Real-Time graph ?");

// A main window that is connected, with a fake real-time window and a data folder of its own.
struct Recorder : testing::Test {
    NoMeter meter;
    std::unique_ptr<TestMain> t;
    FakeRealTimeView* view = nullptr;
    int saves = 0;
    uint8_t flags = 0;

    QTemporaryDir data; // outlives a main window, like the user's documents folder
    QString folder;     // the data folder, when not data

    void SetUp() override { start(); }

    // A new program start; restoreAnswer answers the offer of an unsaved recording.
    void start(QMessageBox::StandardButton restoreAnswer = QMessageBox::NoButton) {
        t = std::make_unique<TestMain>(meter);
        if (restoreAnswer != QMessageBox::NoButton)
            dialogs().messageAnswers.push_back(restoreAnswer);
        AppState& st = t->main->state();
        st.dataFolder = (folder.isEmpty() ? data.path() : folder) + QStringLiteral("/");
        st.XExtendStep = static_cast<double>(static_cast<float>(10.0 / 86400.0));
        st.connected = true;
        rec().makeView = [this] {
            auto v = std::make_unique<FakeRealTimeView>();
            view = v.get();
            return v;
        };
        rec().saveChart = [this](RealTimeView&) { ++saves; };
        rec().overRangeFlags = [this] { return flags; };
        rec().syncJournal = false;
        rec().CreateRealTimeGraph();
        rec().offerJournalRestore(); // as the shell does once the main window is drawn
    }

    RealTimeRecorder& rec() { return t->main->realTime(); }
    AppState& st() { return t->main->state(); }
    ScriptedDialogs& dialogs() { return t->dialogs; }
    double now() { return DateTimeText::toDays(t->clock.now()); }

    // Answers the setup dialog with a count text and the two list indices, then Start.
    void answerSetup(const QString& count, int minutes = 0, int seconds = 2) {
        dialogs().dialogAnswers.push_back([=](QDialog& d) {
            auto& s = static_cast<TfrmSetupRealTime&>(d);
            s.edtRealTimeNo->setText(count);
            s.ComboBox1->setCurrentIndex(minutes);
            s.ComboBox2->setCurrentIndex(seconds);
            return int(QDialog::Accepted);
        });
    }
    void run(int count, int minutes = 0, int seconds = 2) {
        answerSetup(QStringLiteral("%1").arg(count, 5), minutes, seconds);
        rec().btnRunClick();
        ASSERT_TRUE(st().Recording);
    }
    // One poll tick that hands over a sample: the busy flag is set around it, as the tick does.
    void tickSample(int ppm, float rh, float temp) {
        t->clock.advance(1000);
        t->main->exchange().beginTick();
        rec().AppendRealTimeSample(now(), ppm, rh, temp);
        t->main->exchange().endTick();
    }
};
} // namespace

TEST_F(Recorder, SetupDialogPeriodTexts) {
    std::vector<QString> seen;
    dialogs().dialogAnswers.push_back([&](QDialog& d) {
        auto& s = static_cast<TfrmSetupRealTime&>(d);
        EXPECT_EQ(s.windowTitle(), "Real-Time Setup");
        EXPECT_EQ(s.edtRealTimeNo->text(), " 2000");
        EXPECT_EQ(s.ComboBox1->currentText(), "00");
        EXPECT_EQ(s.ComboBox2->currentText(), "02");
        EXPECT_EQ(s.ComboBox1->count(), 61);
        EXPECT_EQ(s.ComboBox2->itemText(60), "60");
        seen.push_back(s.edtPeriod->text());
        s.ComboBox1Change();
        seen.push_back(s.edtPeriod->text());
        // 00:00 cannot be chosen: it turns into 00:02.
        s.ComboBox2->setCurrentIndex(0);
        s.ComboBox1Change();
        EXPECT_EQ(s.ComboBox2->currentText(), "02");
        seen.push_back(s.edtPeriod->text());
        // Editing the count alone leaves the period; the next list change uses it.
        s.edtRealTimeNo->setText(QStringLiteral("   10"));
        seen.push_back(s.edtPeriod->text());
        s.ComboBox1->setCurrentIndex(60);
        s.ComboBox2->setCurrentIndex(60);
        s.ComboBox1Change();
        seen.push_back(s.edtPeriod->text());
        s.edtRealTimeNo->setText(QStringLiteral("     "));
        s.ComboBox1Change();
        seen.push_back(s.edtPeriod->text());
        return int(QDialog::Rejected);
    });
    rec().btnRunClick();
    EXPECT_EQ(seen, (std::vector<QString>{"1:6:40", "1:06:40", "1:06:40", "1:06:40", "10:10:00",
                                          "0:00:00"}));
    EXPECT_FALSE(st().Recording);
}

TEST_F(Recorder, RunDoesNothingWithoutTheMeter) {
    st().connected = false;
    answerSetup(QStringLiteral("   10"));
    rec().btnRunClick();
    EXPECT_TRUE(dialogs().dialogsShown.empty());
    EXPECT_FALSE(st().Recording);
}

TEST_F(Recorder, RunArmsTheChart) {
    view->boxes[RealTimeView::ppmAvg] = QStringLiteral("***.* ");
    const double t0 = now();
    run(25, 1, 30);
    EXPECT_EQ(st().SampleRate, 90);
    EXPECT_EQ(view->points(), 25);
    EXPECT_EQ(view->y[2][24], 99999.0f);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(view->box(RealTimeView::ppmAvg), "");
    EXPECT_EQ(view->box(RealTimeView::StartTime), DateTimeText::dateTime(t0));
    EXPECT_DOUBLE_EQ(view->minX, t0);
    EXPECT_DOUBLE_EQ(view->maxX, t0 + 100.0 / 86400.0);
    EXPECT_TRUE(view->tableHidden);
    EXPECT_FALSE(view->clearEnabled);
    EXPECT_FALSE(t->main->Run1->isEnabled());
    EXPECT_FALSE(t->main->btnRun->isEnabled());
    EXPECT_TRUE(t->main->Stop1->isEnabled());
    EXPECT_TRUE(t->main->btnStop->isEnabled());
    EXPECT_EQ(rec().extremes().max[0], -99999.0f);
    EXPECT_EQ(rec().extremes().min[2], 99999.0f);
}

TEST_F(Recorder, InvalidCountsAreReportedAndChangeOnlyTheLists) {
    for (const char* text : {" 2 0 ", "     ", "    0"}) {
        answerSetup(QString::fromLatin1(text), 2, 5);
        rec().btnRunClick();
        EXPECT_EQ(dialogs().lastMessage(), QString::fromLatin1(text) + " is not valid.\n");
        EXPECT_FALSE(st().Recording);
        EXPECT_EQ(view->minutes, 2);
        EXPECT_EQ(view->seconds, 5);
        EXPECT_EQ(st().SampleRate, 2);
        EXPECT_EQ(view->points(), 100);
    }
}

TEST_F(Recorder, SixtySixtyGives3660Seconds) {
    run(10, 60, 60);
    EXPECT_EQ(st().SampleRate, 3660);
    // The lists show it again in a window made later.
    rec().realTimeGraphClosed();
    rec().CreateRealTimeGraph();
    EXPECT_EQ(view->minutes, 60);
    EXPECT_EQ(view->seconds, 60);
}

TEST_F(Recorder, StopsByItselfAfterNSamplesWithTheBoundedWait) {
    run(3);
    tickSample(800, 40.0f, 20.0f);
    tickSample(900, 50.0f, 21.0f);
    EXPECT_TRUE(st().Recording);
    const uint32_t before = t->clock.tickMs();
    tickSample(1000, 60.0f, 22.0f);
    const double last = view->x[0][2];
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 3);
    EXPECT_EQ(view->box(RealTimeView::DataNo), "3");
    // The tick's own exchange is in progress, so the wait runs its full 2.5 s.
    EXPECT_EQ(t->clock.tickMs() - before, 1000u + 2500u);
    EXPECT_NEAR((view->maxX - last) * 86400.0, 2.5, 1e-3);
    EXPECT_EQ(view->points(), 3);
    EXPECT_EQ(view->box(RealTimeView::ppmAvg), "900.0");
    EXPECT_EQ(view->box(RealTimeView::RHAvg), "50.0");
    EXPECT_EQ(view->box(RealTimeView::T1Avg), "21.0");
    EXPECT_TRUE(view->clearEnabled);
    EXPECT_TRUE(t->main->Run1->isEnabled());
    EXPECT_FALSE(t->main->Stop1->isEnabled());
    // Nothing more is written once full.
    rec().AppendRealTimeSample(now(), 5, 5, 5);
    EXPECT_EQ(st().SampleCount, 3);
}

TEST_F(Recorder, StopByTheUserWaitsOnlyWhileBusy) {
    run(10);
    tickSample(800, 40.0f, 20.0f);
    const uint32_t before = t->clock.tickMs();
    rec().btnStopClick();
    EXPECT_EQ(t->clock.tickMs(), before);
    EXPECT_EQ(view->points(), 1);
    EXPECT_DOUBLE_EQ(view->maxX, now());
}

TEST_F(Recorder, StopAfterNoSampleLeavesAnEmptyChartAndNoAverages) {
    run(10);
    rec().btnStopClick();
    EXPECT_EQ(view->points(), 0);
    for (auto b : {RealTimeView::ppmAvg, RealTimeView::RHAvg, RealTimeView::T1Avg})
        EXPECT_EQ(view->box(b), "****");
}

TEST_F(Recorder, AveragesLeaveOut3000AndMinus300) {
    run(10);
    tickSample(3000, -300.0f, 3000.0f);
    tickSample(2999, 10.0f, -299.0f);
    tickSample(1, 20.0f, -301.0f);
    rec().btnStopClick();
    EXPECT_EQ(view->box(RealTimeView::ppmAvg), "1500.0");
    EXPECT_EQ(view->box(RealTimeView::RHAvg), "15.0");
    EXPECT_EQ(view->box(RealTimeView::T1Avg), "-299.0");
}

TEST_F(Recorder, RunningExtremesKeepTheEarlierTimeOnATie) {
    run(10);
    tickSample(800, 55.0f, 20.0f);
    const QString first = DateTimeText::dateTime(now());
    tickSample(700, 55.0f, 20.0f);
    const QString second = DateTimeText::dateTime(now());
    EXPECT_EQ(view->box(RealTimeView::RHMax), "55.0@" + first);
    EXPECT_EQ(view->box(RealTimeView::RHMin), "55.0@" + first);
    EXPECT_EQ(view->box(RealTimeView::T1Max), "20.0@" + first);
    EXPECT_EQ(view->box(RealTimeView::ppmMax), "800@" + first);
    EXPECT_EQ(view->box(RealTimeView::ppmMin), "700@" + second);
}

TEST_F(Recorder, OverRangeIsPlottedAt90000AndShownAsOL) {
    run(10);
    flags = PpmOver | RhOver | TempUnder;
    tickSample(12000, 99.0f, -40.0f);
    EXPECT_EQ(view->y[0][0], 90000.0f);
    EXPECT_EQ(view->y[1][0], 90000.0f);
    EXPECT_EQ(view->y[2][0], 90000.0f);
    EXPECT_EQ(view->box(RealTimeView::ppmMax), "OL");
    EXPECT_EQ(view->box(RealTimeView::RHMin), "OL");
    EXPECT_EQ(view->box(RealTimeView::T1Min), "-OL");
    flags = TempOver;
    tickSample(500, 30.0f, 80.0f);
    EXPECT_EQ(view->y[0][1], 500.0f);
    EXPECT_EQ(view->y[2][1], 90000.0f);
    EXPECT_EQ(view->box(RealTimeView::T1Max), "OL");
    EXPECT_EQ(view->box(RealTimeView::ppmMin), "500@" + DateTimeText::dateTime(now()));
}

TEST_F(Recorder, XAxisIsExtendedByTheStepOnlyWhenPassed) {
    run(500);
    const double end = view->maxX;
    for (int i = 0; i < 99; ++i)
        tickSample(800, 40, 20); // 99 s, inside the first 100 s
    EXPECT_EQ(view->maxX, end);
    tickSample(800, 40, 20); // at 100 s: still reached
    EXPECT_EQ(view->maxX, end);
    tickSample(800, 40, 20);
    EXPECT_DOUBLE_EQ(view->maxX, now() + st().XExtendStep);
}

TEST_F(Recorder, RunWithDataAsksFirst) {
    run(10);
    tickSample(800, 40, 20);
    // Cancel: nothing happens, the recording goes on.
    dialogs().messageAnswers.push_back(QMessageBox::Cancel);
    rec().btnRunClick();
    EXPECT_EQ(dialogs().lastMessage(), RunPrompt);
    EXPECT_EQ(dialogs().messages.back().buttons,
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(dialogs().dialogsShown.size(), 1u);
    EXPECT_TRUE(st().Recording);
    EXPECT_EQ(st().SampleCount, 1);
    // Yes: saved, then a new run.
    dialogs().messageAnswers.push_back(QMessageBox::Yes);
    answerSetup(QStringLiteral("   20"));
    rec().btnRunClick();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(view->points(), 20);
    EXPECT_EQ(st().SampleCount, 0);
}

TEST_F(Recorder, IntervalChangeToTheSameValueDoesNothing) {
    run(10);
    tickSample(800, 40, 20);
    view->setRateLists(0, 2);
    rec().ComboBox1Change();
    EXPECT_TRUE(dialogs().messages.empty());
    EXPECT_TRUE(st().Recording);
    EXPECT_EQ(st().SampleCount, 1);
    EXPECT_EQ(view->clears, 0);
}

TEST_F(Recorder, CancelledIntervalChangeKeepsRecordingAtTheNewInterval) {
    run(10);
    tickSample(800, 40, 20);
    view->setRateLists(0, 5);
    dialogs().messageAnswers.push_back(QMessageBox::Cancel);
    rec().ComboBox1Change();
    EXPECT_EQ(dialogs().lastMessage(), RatePrompt);
    EXPECT_EQ(st().SampleRate, 5);
    EXPECT_TRUE(st().Recording);
    EXPECT_EQ(st().SampleCount, 1);
    tickSample(900, 40, 20);
    EXPECT_EQ(st().SampleCount, 2);
}

TEST_F(Recorder, IntervalChangeResetsTheGraph) {
    run(10);
    tickSample(800, 40, 20);
    view->setRateLists(0, 0); // 00:00 becomes 00:02, which differs from 5
    st().SampleRate = 5;
    dialogs().messageAnswers.push_back(QMessageBox::Yes);
    rec().ComboBox1Change();
    EXPECT_EQ(view->seconds, 2);
    EXPECT_EQ(st().SampleRate, 2);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(view->clears, 1);
    EXPECT_EQ(view->lineGap, 1e20);
    EXPECT_DOUBLE_EQ(st().XExtendStep, 200.0 / 86400.0);
    EXPECT_TRUE(view->clearEnabled);
    EXPECT_TRUE(t->main->Run1->isEnabled());
    EXPECT_FALSE(t->main->Stop1->isEnabled());
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
    // With an empty graph there is no question.
    view->setRateLists(1, 0);
    rec().ComboBox1Change();
    EXPECT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(st().SampleRate, 60);
    EXPECT_DOUBLE_EQ(st().XExtendStep, 6000.0 / 86400.0);
}

TEST_F(Recorder, ClearAsksToSaveThenEmptiesTheGraph) {
    run(10);
    tickSample(800, 40, 20);
    rec().btnStopClick();
    ASSERT_TRUE(QFile::exists(rec().journalPath()));
    dialogs().messageAnswers.push_back(QMessageBox::No);
    rec().tbntClrClick();
    EXPECT_EQ(dialogs().lastMessage(), "Save Real-Time Graph ?");
    EXPECT_EQ(dialogs().messages.back().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(view->undoZooms, 1);
    EXPECT_EQ(view->clears, 1);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_FALSE(QFile::exists(rec().journalPath()));
}

TEST_F(Recorder, ClosingTheWindowStopsTheRecording) {
    run(10);
    tickSample(800, 40, 20);
    rec().realTimeGraphClosed();
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(rec().view(), nullptr);
    EXPECT_FALSE(t->main->RealTimeGraph1->isChecked());
    EXPECT_TRUE(t->main->Run1->isEnabled());
    EXPECT_FALSE(t->main->Stop1->isEnabled());
    // The View menu item and run make it again.
    rec().RealTimeGraph1Click();
    ASSERT_NE(rec().view(), nullptr);
    EXPECT_TRUE(t->main->RealTimeGraph1->isChecked());
    rec().RealTimeGraph1Click();
    EXPECT_EQ(view->normals, 1);
}

TEST_F(Recorder, AnUnsavedRecordingIsOfferedAtTheNextStart) {
    run(50, 0, 3);
    flags = RhOver;
    tickSample(800, 40.5f, 20.5f);
    flags = 0;
    tickSample(1200, 45.0f, 19.0f);
    tickSample(600, 35.0f, 22.0f);
    const std::vector<float> ppm(view->y[0].begin(), view->y[0].begin() + 3);
    const std::vector<float> rh(view->y[1].begin(), view->y[1].begin() + 3);
    const std::vector<double> times(view->x[0].begin(), view->x[0].begin() + 3);
    const QString maxText = view->box(RealTimeView::ppmMax);
    const QString rhMaxText = view->box(RealTimeView::RHMax);
    const QString path = rec().journalPath();

    // The program dies without saving; a new one starts with the same data folder.
    t.reset();
    ASSERT_TRUE(QFile::exists(path));
    start(QMessageBox::Yes);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_TRUE(dialogs().lastMessage().startsWith("A Real-Time recording that was not saved"));
    EXPECT_EQ(st().SampleCount, 3);
    EXPECT_TRUE(st().RealTimeUnsaved);
    EXPECT_FALSE(st().Recording);
    EXPECT_EQ(view->points(), 3);
    EXPECT_EQ(std::vector<float>(view->y[0].begin(), view->y[0].end()), ppm);
    EXPECT_EQ(std::vector<float>(view->y[1].begin(), view->y[1].end()), rh);
    EXPECT_EQ(std::vector<double>(view->x[0].begin(), view->x[0].end()), times);
    EXPECT_EQ(view->y[1][0], 90000.0f);
    EXPECT_EQ(view->box(RealTimeView::ppmMax), maxText);
    EXPECT_EQ(view->box(RealTimeView::RHMax), rhMaxText);
    EXPECT_EQ(view->box(RealTimeView::DataNo), "3");
    EXPECT_EQ(view->box(RealTimeView::ppmAvg), "866.7");
    EXPECT_EQ(view->seconds, 3);
    // Kept on disk until saved or cleared.
    EXPECT_TRUE(QFile::exists(path));
    rec().realTimeChartSaved();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(Recorder, DeclinedRestoreDropsTheJournal) {
    run(10);
    tickSample(800, 40, 20);
    const QString path = rec().journalPath();
    t.reset();
    start(QMessageBox::No);
    EXPECT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(st().SampleCount, 0);
    EXPECT_EQ(view->points(), 100);
    EXPECT_FALSE(QFile::exists(path));
    // Only the first window of a session asks.
    rec().realTimeGraphClosed();
    rec().CreateRealTimeGraph();
    EXPECT_EQ(dialogs().messages.size(), 1u);
}

// A recording whose process is killed (SIGKILL) comes back at the next start with every sample
// it had taken.
TEST_F(Recorder, KilledRecordingIsRestoredWithEverySample) {
    QProcess child;
    child.start(QStringLiteral(RECORD_CHILD), {data.path()});
    ASSERT_TRUE(child.waitForStarted(10000));

    std::vector<Sample> reported;
    QByteArray pending;
    while (reported.size() < 300) {
        ASSERT_TRUE(child.waitForReadyRead(20000))
            << "child stopped: " << child.readAllStandardError().toStdString();
        pending += child.readAllStandardOutput();
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> f = pending.left(nl).split(' ');
            pending.remove(0, nl + 1);
            if (f.size() != 6) continue;
            ASSERT_EQ(f[0].toInt(), int(reported.size()));
            reported.push_back(Sample{f[1].toDouble(), f[2].toInt(), f[3].toFloat(), f[4].toFloat(),
                                      uint8_t(f[5].toInt())});
        }
    }
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    // Lines already in the pipe when the kill came are samples taken too.
    pending += child.readAllStandardOutput();
    const size_t unread = size_t(pending.count('\n'));

    t.reset();
    start(QMessageBox::Yes);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    const size_t n = size_t(st().SampleCount);
    // At most the sample being written when the kill came is beyond what was reported.
    ASSERT_GE(n, reported.size());
    EXPECT_LE(n, reported.size() + unread + 1);
    EXPECT_EQ(view->points(), int(n));
    for (size_t i = 0; i < reported.size(); ++i) {
        const Sample& s = reported[i];
        ASSERT_EQ(view->x[0][i], s.time) << i;
        EXPECT_EQ(view->y[0][i], plotPpm(s.ppm, s.flags)) << i;
        EXPECT_EQ(view->y[1][i], plotRh(s.rh, s.flags)) << i;
        EXPECT_EQ(view->y[2][i], plotTemp(s.temp, s.flags)) << i;
    }
    const auto journal = readJournal(rec().journalPath());
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->header.interval, 1);
    EXPECT_EQ(journal->header.count, 99999);
    for (size_t i = 0; i < reported.size(); ++i) {
        EXPECT_EQ(journal->samples[i].ppm, reported[i].ppm) << i;
        EXPECT_EQ(journal->samples[i].rh, reported[i].rh) << i;
        EXPECT_EQ(journal->samples[i].temp, reported[i].temp) << i;
        EXPECT_EQ(journal->samples[i].flags, reported[i].flags) << i;
    }
}

// A restored recording is this session's own: whatever lets a recording go lets its journal
// go too, so a recording the user cleared is not offered again at the next start; and the
// sampling interval is the recording's.
TEST_F(Recorder, RestoredRecordingLetsItsJournalGoLikeANewOne) {
    struct Case {
        const char* what;
        std::function<void(Recorder&)> letGo;
    };
    const Case cases[] = {
        {"Clear",
         [](Recorder& f) {
             f.dialogs().messageAnswers.push_back(QMessageBox::No);
             f.rec().tbntClrClick();
         }},
        {"interval change",
         [](Recorder& f) {
             f.view->setRateLists(0, 5);
             f.dialogs().messageAnswers.push_back(QMessageBox::No);
             f.rec().ComboBox1Change();
         }},
        {"new Run",
         [](Recorder& f) {
             f.dialogs().messageAnswers.push_back(QMessageBox::No); // "There are datas ..."
             QString period;
             f.dialogs().dialogAnswers.push_back([&](QDialog& d) {
                 auto& s = static_cast<TfrmSetupRealTime&>(d);
                 period = s.edtPeriod->text();
                 return int(QDialog::Rejected);
             });
             f.rec().btnRunClick();
             // The dialog opens with the restored interval: 3 s x 2000.
             EXPECT_EQ(period, "1:40:0");
             f.dialogs().messageAnswers.push_back(QMessageBox::No);
             f.run(10, 0, 3);
             f.rec().btnStopClick();
         }},
        {"closing the window", [](Recorder& f) { f.rec().realTimeGraphClosed(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        run(50, 0, 3);
        tickSample(800, 40, 20);
        tickSample(900, 41, 21);
        t.reset();
        start(QMessageBox::Yes);
        ASSERT_EQ(st().SampleCount, 2);
        EXPECT_EQ(st().SampleRate, 3);
        EXPECT_EQ(view->seconds, 3);
        c.letGo(*this);
        t.reset();
        start();
        EXPECT_TRUE(dialogs().messages.empty()) << dialogs().lastMessage().toStdString();
        EXPECT_EQ(st().SampleCount, 0);
    }
}

namespace {
const QString JournalTrouble = QStringLiteral("Recovery journal not written");

// Every sample on the fake chart is in the journal, in order.
void expectJournalHoldsTheChart(const QString& path, const FakeRealTimeView& view, int n) {
    const auto journal = readJournal(path);
    ASSERT_TRUE(journal);
    ASSERT_EQ(int(journal->samples.size()), n);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(journal->samples[size_t(i)].time, view.x[0][size_t(i)]) << i;
        EXPECT_EQ(float(journal->samples[size_t(i)].ppm), view.y[0][size_t(i)]) << i;
    }
}
} // namespace

// A journal that cannot be written does not stop the recording; the user is told at once, in
// the status bar and by one message per recording, and the journal catches up as soon as the
// folder takes it again.
TEST_F(Recorder, UnwritableJournalIsToldAndCaughtUpLater) {
    struct Case {
        const char* what;
        std::function<void(const QString&folder)> breakIt, mendIt;
        const char* reason;
    };
    const Case cases[] = {
        {"data folder gone", [](const QString&) {},
         [](const QString& folder) { QDir().mkpath(folder); }, "No such file or directory"},
        {"device full",
         [](const QString& folder) {
             QDir().mkpath(folder);
             QFile::link(QStringLiteral("/dev/full"), folder + QStringLiteral("/RealTime.rtj"));
         },
         [](const QString& folder) { QFile::remove(folder + QStringLiteral("/RealTime.rtj")); },
         "No space left on device"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = data.filePath(QStringLiteral("case%1").arg(++n));
        st().dataFolder = folder + QStringLiteral("/");
        c.breakIt(folder);
        dialogs().messages.clear();
        run(20);
        EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), JournalTrouble);
        for (int i = 0; i < 3; ++i)
            tickSample(800 + i, 40, 20);
        QCoreApplication::processEvents();
        EXPECT_TRUE(st().Recording);
        EXPECT_EQ(st().SampleCount, 3);
        ASSERT_EQ(dialogs().messages.size(), 1u); // one message, not one a sample
        const ShownMessage& m = dialogs().messages.back();
        EXPECT_TRUE(
            m.text.startsWith("The Real-Time data cannot be written to the recovery journal\n" +
                              QDir::toNativeSeparators(rec().journalPath())))
            << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QLatin1String(c.reason))) << m.text.toStdString();
        EXPECT_EQ(m.icon, QMessageBox::Warning);

        c.mendIt(folder);
        tickSample(900, 40, 20);
        EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), QString());
        expectJournalHoldsTheChart(rec().journalPath(), *view, 4);
        tickSample(901, 40, 20);
        expectJournalHoldsTheChart(rec().journalPath(), *view, 5);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialogs().messages.size(), 1u);

        // The next recording that meets the trouble says so again.
        rec().btnStopClick();
        QFile::remove(rec().journalPath());
        QDir(folder).removeRecursively();
        dialogs().messageAnswers.push_back(QMessageBox::No);
        run(20);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialogs().messages.size(), 3u); // the run prompt, then the journal
        EXPECT_TRUE(dialogs().lastMessage().startsWith("The Real-Time data cannot be written"));
        rec().btnStopClick();
        dialogs().messageAnswers.push_back(QMessageBox::No);
        rec().tbntClrClick();
        EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), QString());
    }
}

// The same on a real file system that is full, and one that is read-only: after the program
// dies, every sample comes back.
TEST_F(Recorder, FullOrReadOnlyDataFolderLosesNoSample) {
    SmallTmpfs fs(64);
    if (!fs.ok()) GTEST_SKIP() << fs.why().toStdString();
    folder = fs.path();
    st().dataFolder = folder + QStringLiteral("/");

    // Read-only from the start.
    ASSERT_TRUE(fs.setReadOnly(true));
    run(2000, 0, 1);
    tickSample(700, 40, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), JournalTrouble);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_TRUE(dialogs().lastMessage().contains("Read-only file system"));
    ASSERT_TRUE(fs.setReadOnly(false));
    tickSample(701, 40, 20);
    EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), QString());
    expectJournalHoldsTheChart(rec().journalPath(), *view, 2);

    // Full in the middle of the recording: records pass the journal's last page.
    ASSERT_TRUE(fs.fill(QStringLiteral("filler")));
    int i = 2;
    for (; i < 400 && t->main->statusText(TfrmMain::JournalPanel).isEmpty(); ++i)
        tickSample(700 + i, 40, 20);
    ASSERT_EQ(t->main->statusText(TfrmMain::JournalPanel), JournalTrouble);
    for (int k = 0; k < 5; ++k, ++i)
        tickSample(700 + i, 40, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs().messages.size(), 1u); // still one message in this recording
    EXPECT_TRUE(st().Recording);
    ASSERT_TRUE(QFile::remove(fs.path() + QStringLiteral("/filler")));
    tickSample(700 + i, 40, 20);
    ++i;
    EXPECT_EQ(t->main->statusText(TfrmMain::JournalPanel), QString());
    expectJournalHoldsTheChart(rec().journalPath(), *view, i);

    // The program dies; the next start restores all of it.
    t.reset();
    start(QMessageBox::Yes);
    EXPECT_EQ(st().SampleCount, i);
}

TEST(RealTimeSetupLayout, EveryTextShowsWholeAtTheDialogsSize) {
    TfrmSetupRealTime d;
    d.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(d.size(), QSize(402, 175));
    const QStringList faults = layoutFaults(&d);
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
    QStringList texts;
    for (const QLabel* l : d.findChildren<QLabel*>())
        texts << l->text();
    for (const char* given :
         {"Real-Time data no to be recorded", "(Adjust the number to meet your need)",
          "Real -Time Sampling Rate", "mm:ss", "Recording Period", "HH:MM:SS"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(given))) << given;
}
