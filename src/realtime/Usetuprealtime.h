#pragma once
// TfrmSetupRealTime: the "Real-Time Setup" dialog of the run command - how many samples to
// record, the sampling interval as minutes and seconds, and the recording period it gives.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class TfrmSetupRealTime : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSetupRealTime(QWidget* parent = nullptr);

    // Both rate lists: 00:00 is turned into 00:02; the period is recomputed from the count.
    void ComboBox1Change();

    QLineEdit* edtRealTimeNo = nullptr;
    QComboBox* ComboBox1 = nullptr; // minutes "00".."60"
    QComboBox* ComboBox2 = nullptr; // seconds "00".."60"
    QLineEdit* edtPeriod = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancel = nullptr;
};
