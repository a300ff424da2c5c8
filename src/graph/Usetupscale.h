#pragma once
// TfrmSetupScale: the minimum and maximum of the two Y axes (ppm; %RH and Temp.), with the
// choice of keeping them in the chart template.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TfrmSetupScale : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSetupScale(QWidget* parent = nullptr);

    QLineEdit* edtppmMin = nullptr;
    QLineEdit* edtppmMax = nullptr;
    QLineEdit* edtRHMin = nullptr;
    QLineEdit* edtRHMax = nullptr;
    QCheckBox* chkSave = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
