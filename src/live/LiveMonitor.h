#pragma once
// The live side: the poll tick, connection state, the front panel window and its blinking.
#include <QObject>

class TfrmMain;

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

  private:
    TfrmMain& m_main;
};
