#pragma once
// The File menu's Open and Save.
#include <QObject>

class TfrmMain;

class FileCommands : public QObject {
    Q_OBJECT
  public:
    explicit FileCommands(TfrmMain& main);
    ~FileCommands() override;

    void Open1Click();
    void Save1Click();

  private:
    TfrmMain& m_main;
};
