#pragma once
// TfrmScope: the small range / progress window. A new one is made for each use; every user
// sets its caption, shows the controls it needs, and frees it afterwards.
//  - Range: show GroupBox1, BitBtn1, BitBtn2; run it modally (through the dialog service);
//    result 1 = OK, anything else = cancel; then read radAll, edtSelFrom, edtSelTo.
//  - Progress: show Progress1 and texts (BitBtn2 when the work can be stopped), set result 0
//    or -1, show it modeless; poll scopeResult() == 2 to stop the work.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

class TfrmScope : public QDialog {
    Q_OBJECT
  public:
    enum Result { ResultOk = 1, ResultCancel = 2 };

    explicit TfrmScope(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* radAll = nullptr;
    QRadioButton* radNo = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtSelFrom = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edtSelTo = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QProgressBar* Progress1 = nullptr;
    QLabel* SText1 = nullptr;
    QLabel* SText2 = nullptr;
    QLabel* lblBytesReceived = nullptr;
    QLabel* lblTotalBytes = nullptr;

    int scopeResult() const { return m_result; }
    void setScopeResult(int r) { m_result = r; }

    // Shows the window modeless and lets it paint.
    void showProgress();

    // Esc and the close box count as Cancel, as BitBtn2 does. A progress window whose work
    // cannot be stopped (no BitBtn2) stays up until the work is over.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool stopsWork() const;

    int m_result = 0;
};
