#pragma once
// Real-time recording into the "Real-Time Graph" window.
#include <QObject>

class TfrmMain;

class RealTimeRecorder : public QObject {
    Q_OBJECT
  public:
    explicit RealTimeRecorder(TfrmMain& main);
    ~RealTimeRecorder() override;

    void CreateRealTimeGraph();
    void btnRunClick();
    void btnStopClick();
    void RealTimeGraph1Click();
    // One sample: time (days since 1899-12-30), CO2 ppm, %RH, temperature.
    void AppendRealTimeSample(double time, double ppm, double rh, double temperature);

  private:
    TfrmMain& m_main;
};
