#pragma once
// The data logger commands: download, the "DataLogger" window, table to graph.
#include <QObject>

class TfrmMain;

class DataLogger : public QObject {
    Q_OBJECT
  public:
    explicit DataLogger(TfrmMain& main);
    ~DataLogger() override;

    void LoadData1Click();
    void btnOutputToGraphClick();

  private:
    TfrmMain& m_main;
};
