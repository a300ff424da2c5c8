#pragma once
// The live side: the poll tick, connection state, the front panel window and its blinking.
#include "live/LiveReading.h"

#include <QObject>
#include <functional>
#include <span>

class Exchange;
class TfrmMain;
class TfrmPanel;

// The identify reply names the meter in bytes 23..25.
bool isMeterIdentified(std::span<const uint8_t> reply);
// Opens the link (which only wakes it) and asks the meter to identify itself ('K'), as the
// poll tick does while disconnected. True when the reply names the meter.
bool identifyMeter(Exchange& exchange);

class LiveMonitor : public QObject {
    Q_OBJECT
  public:
    explicit LiveMonitor(TfrmMain& main);
    ~LiveMonitor() override;

    void MainTimerTimer();
    void MaxMinTimerTimer();
    void GoOnline();
    void GoOffline();
    void createPanel(); // the front panel at 0,0; returns via state().frontPanel
    void ControlPanel1Click();
    void PaintPanel();

    // The last decoded live reading (the recording reads OverRangeFlags from it).
    const LiveReading& reading() const { return m_reading; }
    LiveReading& reading() { return m_reading; }
    // Stops the blinking indicators where they stand (connection lost, memory downloaded).
    void stopBlinking();

    bool blinking() const { return m_blinking; }

    // Where a due sample goes: the real-time recording (tests may watch it here).
    std::function<void(double time, int32_t ppm, float rh, float temperature)> appendSample;
    bool blinkPhase() const { return m_blinkPhase; }

  private:
    TfrmPanel* panel() const;
    void setRealTimeClearEnabled(bool enabled);

    TfrmMain& m_main;
    LiveReading m_reading;
    bool m_blinkPhase = false;
    bool m_blinking = false;
};
