#pragma once
// A main window wired to a virtual meter that shares the main window's test clock.
#include "TestMain.h"
#include "app/Umain.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"
#include "live/LiveMonitor.h"
#include "live/Upanel.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

// Forwards to a clock made later (the meter is built before the main window and its clock).
struct ClockRef : Clock {
    TestClock start; // what the meter sees while it is built, same start as TestMain's
    Clock* target = &start;
    QDateTime now() const override { return target->now(); }
    uint32_t tickMs() const override { return target->tickMs(); }
    void idle(uint32_t ms) override { target->idle(ms); }
};

class LiveFixture : public testing::Test {
  protected:
    ClockRef meterClock;
    VirtualMeter meter{meterClock};
    std::unique_ptr<TestMain> t;

    void SetUp() override {
        t = std::make_unique<TestMain>(meter);
        meterClock.target = &t->clock;
        meter.setLiveValues({612.0, 41.8, 23.4});
    }
    void TearDown() override { t.reset(); }

    TfrmMain& main() { return *t->main; }
    AppState& state() { return t->main->state(); }
    LiveMonitor& live() { return t->main->live(); }
    TfrmPanel* panel() { return state().frontPanel; }
    QString status() { return main().statusText(1); }

    void connect() {
        t->tick();
        ASSERT_TRUE(state().connected);
    }
};
