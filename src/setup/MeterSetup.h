#pragma once
// The "Setup" dialog's entry point.
#include <QObject>

class TfrmMain;

class MeterSetup : public QObject {
    Q_OBJECT
  public:
    explicit MeterSetup(TfrmMain& main);
    ~MeterSetup() override;

    void Setup1Click();

  private:
    TfrmMain& m_main;
};
