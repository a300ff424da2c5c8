#pragma once
// TfrmAnnoEdit: the small caption-less box that asks for the text of a text mark.
#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmAnnoEdit : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmAnnoEdit(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
