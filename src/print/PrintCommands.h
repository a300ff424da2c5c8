#pragma once
// Print and Printer Setup.
#include <QObject>

class TfrmMain;

class PrintCommands : public QObject {
    Q_OBJECT
public:
    explicit PrintCommands(TfrmMain& main);
    ~PrintCommands() override;

    void btnPrintClick();
    void PrinterSetup1Click();

private:
    TfrmMain& m_main;
};
