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
    QPushButton* BitBtn1 = nullptr;

    static QString versionText();

    void BitBtn1Click() { close(); }
};
