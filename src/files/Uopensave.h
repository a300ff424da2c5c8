#pragma once
// TfrmOpenSave: the open/save choice dialog of the File menu. Three buttons one under the
// other: a collection file, a single file, Cancel. The built-in texts are the save texts;
// Open replaces them. A new dialog is made for each use.
#include <QDialog>

class QPushButton;

class TfrmOpenSave : public QDialog {
    Q_OBJECT
  public:
    // Modal results of the three buttons.
    enum Result { ResultOk = 1, ResultCancel = 2, ResultNo = 7 };

    explicit TfrmOpenSave(QWidget* parent = nullptr);

    QPushButton* btnOpenSets = nullptr;      // result OK
    QPushButton* btnOpenSingleSet = nullptr; // result No
    QPushButton* Button1 = nullptr;          // "Cancel", result Cancel
};
