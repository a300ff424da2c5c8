#pragma once
// TfrmAbout: the about box, also shown without its OK button as the start-up splash.
#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblProgram = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblWarranty = nullptr;
    QPushButton* BitBtn1 = nullptr;

    static QString versionText();
    // The licence's no-warranty notice, as the about box and the command line show it.
    static QString warrantyText();

    void BitBtn1Click() { close(); }
};
