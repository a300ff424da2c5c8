// The poll tick driven against the virtual meter with a test clock.
#include "LiveFixture.h"
#include "app/DateTimeText.h"
#include "link/Transport.h"
#include "realtime/RealTimeRecorder.h"

#include <QAction>
#include <QToolButton>

namespace {

using Op = VirtualMeter::Operation;

class Polling : public LiveFixture {
  protected:
    // Run, stop and data logger commands: enabled, as a string "RSD" with '-' for disabled.
    QString commands() {
        QString s;
        s += main().Run1->isEnabled() && main().btnRun->isEnabled() ? 'R' : '-';
        s += main().Stop1->isEnabled() && main().btnStop->isEnabled() ? 'S' : '-';
        s += main().menuDataLogger->menuAction()->isEnabled() && main().btnDataLogger->isEnabled()
                 ? 'D'
                 : '-';
        return s;
    }
};

TEST_F(Polling, FindsTheMeterWithinOneTick) {
    live().createPanel();
    ASSERT_TRUE(panel());
    EXPECT_FALSE(panel()->lblNoConnection->isHidden());

    t->tick();
    EXPECT_TRUE(state().connected);
    EXPECT_TRUE(state().linkOpen);
    EXPECT_EQ(status(), "On Connection");
    EXPECT_EQ(main().statusText(0), "");
    EXPECT_EQ(commands(), "R-D");
    EXPECT_TRUE(panel()->lblNoConnection->isHidden());
    EXPECT_EQ(meter.lettersReceived(), "K");
    EXPECT_FALSE(main().exchange().busy());

    t->tick();
    EXPECT_EQ(meter.lettersReceived(), "KA");
    EXPECT_EQ(live().reading().co2Ppm, 612);
    EXPECT_EQ(live().reading().humidityShown, 418);
}

TEST_F(Polling, AMeterThatDoesNotNameItselfIsNotAccepted) {
    meter.faultNextReply(VirtualMeter::ReplyFault::Corrupt, 2, 'K');
    t->tick(2);
    EXPECT_FALSE(state().connected);
    EXPECT_NE(status(), "On Connection");
    EXPECT_EQ(commands().left(2), "--");
    t->tick();
    EXPECT_TRUE(state().connected);
}

TEST_F(Polling, RecordingAtConnectionKeepsRunDisabledAndStopEnabled) {
    state().Recording = true;
    t->tick();
    EXPECT_EQ(commands(), "-SD");
}

TEST_F(Polling, TwoFailuresThenASuccessKeepTheConnection) {
    connect();
    meter.failNext(Op::ReadReply, 2, 'A');
    t->tick(2);
    EXPECT_TRUE(state().connected);
    EXPECT_EQ(state().pollFailures, 2);
    t->tick();
    EXPECT_EQ(state().pollFailures, 0);
    EXPECT_EQ(status(), "On Connection");
    // The count starts again: two more failures still do not lose the meter.
    meter.failNext(Op::ReadReply, 2, 'A');
    t->tick(2);
    EXPECT_TRUE(state().connected);
}

TEST_F(Polling, ThirdFailedReadLosesTheConnectionAndPluggingBackFindsIt) {
    live().createPanel();
    connect();
    live().reading().memoryFull = true;
    live().reading().modeBlink = true;
    meter.unplug();
    t->tick(2);
    EXPECT_TRUE(state().connected);
    EXPECT_EQ(status(), "On Connection");
    t->tick();
    EXPECT_FALSE(state().connected);
    EXPECT_FALSE(state().linkOpen);
    EXPECT_EQ(state().pollFailures, 0);
    EXPECT_EQ(status(), "No Connection");
    EXPECT_EQ(commands(), "---");
    EXPECT_FALSE(panel()->lblNoConnection->isHidden());
    EXPECT_FALSE(live().reading().memoryFull);
    EXPECT_FALSE(live().reading().modeBlink);

    t->tick(3); // searching: nothing changes while unplugged
    EXPECT_EQ(status(), "No Connection");
    meter.plug();
    meter.clearLog();
    t->tick();
    EXPECT_TRUE(state().connected);
    EXPECT_EQ(status(), "On Connection");
    EXPECT_EQ(commands(), "R-D");
    EXPECT_TRUE(panel()->lblNoConnection->isHidden());
    EXPECT_EQ(meter.lettersReceived(), "K");
}

TEST_F(Polling, AnUnframedReplyIsNeitherFailureNorReading) {
    connect();
    t->tick();
    const LiveReading before = live().reading();
    meter.setLiveValues({999.0, 50.0, 30.0});
    meter.failNext(Op::ReadReply, 2, 'A');
    t->tick(2);
    meter.faultNextReply(VirtualMeter::ReplyFault::Corrupt, 1, 'A');
    t->tick();
    EXPECT_EQ(state().pollFailures, 0); // the garbled read still counts as a read
    EXPECT_EQ(live().reading(), before);
    EXPECT_TRUE(state().connected);
}

TEST_F(Polling, SamplesAreDueEverySampleRateSeconds) {
    state().SampleRate = 2;
    state().Recording = true;
    connect();
    state().secondsCounter = 0;
    int samples = 0;
    std::vector<int> dueAtTick;
    for (int i = 1; i <= 16; ++i) {
        const int before = state().secondsCounter;
        t->tick();
        if (state().secondsCounter == 0 && before != 0) dueAtTick.push_back(i);
    }
    samples = int(dueAtTick.size());
    // 8 s of ticks every 500 ms: a sample on every second change of the seconds field.
    EXPECT_EQ(samples, 4);
    for (size_t k = 1; k < dueAtTick.size(); ++k)
        EXPECT_EQ(dueAtTick[k] - dueAtTick[k - 1], 4);
}

TEST_F(Polling, DueSamplesGoToTheRecordingWithTheTickTimeAndMeasuredValues) {
    main().realTime().CreateRealTimeGraph();
    if (!state().RealTimeGraph) GTEST_SKIP() << "this build makes no real-time graph window";
    struct Sample {
        double time;
        int32_t ppm;
        float rh, temperature;
    };
    std::vector<Sample> samples;
    live().appendSample = [&](double time, int32_t ppm, float rh, float temperature) {
        samples.push_back({time, ppm, rh, temperature});
    };
    meter.setLiveValues({812.0, 40.2, 21.5});
    state().SampleRate = 2;
    state().Recording = true;
    connect();
    state().secondsCounter = 0;
    state().RealTimeUnsaved = false;
    t->tick(16);
    ASSERT_EQ(samples.size(), 4u);
    for (size_t k = 1; k < samples.size(); ++k)
        EXPECT_NEAR((samples[k].time - samples[k - 1].time) * 86400.0, 2.0, 1e-3);
    EXPECT_NEAR(samples.back().time, DateTimeText::toDays(t->clock.now()), 1.0 / 86400.0);
    EXPECT_EQ(samples[0].ppm, 812);
    EXPECT_FLOAT_EQ(samples[0].rh, 40.2f);
    EXPECT_FLOAT_EQ(samples[0].temperature, 21.5f);
    EXPECT_TRUE(state().RealTimeUnsaved);
}

TEST_F(Polling, SecondsCounterCountsChangesOfTheSecondsField) {
    // One tick per clock second field change, however long the tick interval.
    state().secondsCounter = 0;
    state().lastSecond = int16_t(t->clock.now().time().second());
    t->clock.advance(100);
    live().MainTimerTimer(); // still the same second
    const int first = state().secondsCounter;
    EXPECT_EQ(first, 0);
    t->clock.advance(5000);
    live().MainTimerTimer();
    EXPECT_EQ(state().secondsCounter, first + 1); // five seconds later, one change seen
}

TEST_F(Polling, ReadingsAreDecodedWithThePanelClosed) {
    live().createPanel();
    connect();
    panel()->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(panel(), nullptr);
    state().Recording = true;
    state().SampleRate = 1;
    meter.setLiveValues({1500.0, 60.0, 20.0});
    t->tick(4);
    EXPECT_EQ(live().reading().co2Ppm, 1500);
    EXPECT_EQ(live().reading().humidityShown, 600);
    EXPECT_EQ(state().secondsCounter, 0); // samples were still taken
}

TEST_F(Polling, ARecordingGetsNoSamplesWhileDisconnectedAndResumesAfter) {
    state().SampleRate = 1;
    state().Recording = true;
    connect();
    meter.unplug();
    t->tick(3);
    ASSERT_FALSE(state().connected);
    t->tick(6);
    EXPECT_GE(state().secondsCounter, 3); // counting on, nothing handed over
    EXPECT_TRUE(state().Recording);
    meter.plug();
    t->tick(2);
    EXPECT_EQ(state().secondsCounter, 0);
}

TEST_F(Polling, ATickDuringTheIdentifyPauseRunsNestedAndTheFlagClearsAtTheOuterEnd) {
    bool busyInNested = false;
    std::string lettersInNested;
    QTimer::singleShot(0, &main(), [&] {
        busyInNested = main().exchange().busy();
        live().MainTimerTimer();
        lettersInNested = meter.lettersReceived();
        busyInNested = busyInNested && main().exchange().busy(); // still the outer tick's
    });
    t->tick();
    EXPECT_TRUE(busyInNested);
    EXPECT_EQ(lettersInNested, "KA"); // the nested tick already read live
    EXPECT_FALSE(main().exchange().busy());
    EXPECT_EQ(status(), "On Connection");
}

} // namespace
