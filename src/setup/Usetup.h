#pragma once
// TfrmSetup: the "Setup" window. Reads the meter's configuration ('X') into its right-hand
// half and sends the setup commands behind its buttons, each reporting in its result label.
//
// One command at a time: while a command runs, the dialog's buttons are disabled and the poll
// timer stays stopped (the exchange interlock). A command asked for while a poll tick pauses
// further up the call chain is deferred until the tick is over; one asked for while another
// command of the dialog runs (the one-shot read timer) waits for it to end.
#include "link/Exchange.h" // Frame

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TfrmMain;
struct SetupUnitState;

class TfrmSetup : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSetup(TfrmMain& main);
    ~TfrmSetup() override;

    // Recording interval
    QGroupBox* GroupBoxInterval = nullptr;
    QLineEdit* edtInt1 = nullptr;
    QLineEdit* edtInt2 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* lblOK2 = nullptr;
    // Offsets
    QGroupBox* GroupBoxOffset = nullptr;
    QLineEdit* edtRH_offset = nullptr;
    QPushButton* Button7 = nullptr;
    QLabel* lblOK6 = nullptr;
    QLineEdit* edtT1_offset = nullptr;
    QLabel* imgC = nullptr;
    QLabel* imgF = nullptr;
    QPushButton* Button12 = nullptr;
    QLabel* Label24 = nullptr;
    QLineEdit* edtppm_offset = nullptr;
    QPushButton* Button13 = nullptr;
    QLabel* Label28 = nullptr;
    // Altitude
    QGroupBox* GroupBoxAltitude = nullptr;
    QLineEdit* edtalt_offset = nullptr;
    QPushButton* Button14 = nullptr;
    QLabel* Label29 = nullptr;
    // CO2 alarm
    QGroupBox* GroupBoxAlarm = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QPushButton* Button11 = nullptr;
    QLabel* Label12 = nullptr;
    // Auto power off
    QGroupBox* GroupBoxPowerOff = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton* Button16 = nullptr;
    QLabel* Label38 = nullptr;
    // Clock, erase, all
    QGroupBox* GroupBoxClock = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* lblOK1 = nullptr;
    QGroupBox* GroupBoxErase = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* lblOK3 = nullptr;
    QPushButton* Button6 = nullptr;
    // Meter DataLogger Information
    QGroupBox* GroupBoxInfo = nullptr;
    QLineEdit* txtVer = nullptr;
    QLineEdit* txtSN = nullptr;
    QLineEdit* txtUnit = nullptr;
    QLabel* unitC = nullptr;
    QLabel* unitF = nullptr;
    QLineEdit* txtInt = nullptr;
    QLineEdit* txtRHoffset = nullptr;
    QLineEdit* txtT1offset = nullptr;
    QLineEdit* txtppmoffset = nullptr;
    QLineEdit* txtaltoffset = nullptr;
    QLineEdit* txtAlarm = nullptr;
    QLineEdit* txtHi = nullptr;
    QLineEdit* txtLo = nullptr;
    QLineEdit* txtSleepTime = nullptr;
    QLineEdit* txtMeterTime = nullptr;
    QLineEdit* txtDataSets = nullptr;
    QLineEdit* txtMemoryAvailable = nullptr;
    QLineEdit* txtCol2000 = nullptr;
    QLineEdit* txtCol400 = nullptr;
    QLineEdit* txtCol0 = nullptr;
    QPushButton* Button4 = nullptr;
    QLabel* lblOK5 = nullptr;

    QTimer* Timer1 = nullptr;

    // Event handlers.
    void Button1Click();  // clock
    void Button2Click();  // recording interval
    void Button3Click();  // erase, after confirmation
    void Button4Click();  // "Read  "
    void Button6Click();  // "Setup All"
    void Button7Click();  // %RH offset
    void Button11Click(); // CO2 alarm
    void Button12Click(); // temperature offset
    void Button13Click(); // CO2 offset
    void Button14Click(); // altitude
    void Button16Click(); // auto power off
    void Timer1Timer();
    void ComboBox1Change();
    void FormShow();

    // The operations behind them. Each takes the exchange interlock for its own run.
    void ReadMeterInfo();
    void AdjustMeterClock();
    void EraseMeterMemory();
    void SetRecordingInterval();
    // Writes one byte of meter memory: 0, or 9000..9004 after five failed attempts.
    uint16_t WriteMeterByte(int32_t address, uint8_t value);

    // True while one of the dialog's commands runs or waits to run.
    bool commandActive() const { return m_phase != Phase::Idle; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Phase { Idle, Waiting, Running };

    void buildControls();
    // Runs one command: buttons disabled, interlock held, deferred while a poll tick pauses.
    void runCommand(std::function<void()> body);
    void startCommand(std::function<void()> body);
    void finishCommand();
    void setButtonsEnabled(bool enabled);
    bool connected(bool tell);
    void delay(uint32_t ms);
    void hourglass(bool on);

    // Command bodies, also run in turn by "Setup All".
    void recordingInterval();
    void rhOffset();
    void tempOffset();
    void co2Offset();
    void altitude();
    void alarm();
    void powerOff();
    void clockAdjust();

    void showUnit(bool fahrenheit);
    void emptyInfoFields();
    void reportOk(QLabel* label);
    void reportFail(QLabel* label, int code = 0);
    void resetLabel(QLabel* label, bool hide);
    void message(const QString& text);
    // The "Erase Meter Memory" confirmation; the button pressed.
    QMessageBox::StandardButton askErase(QMessageBox::StandardButton defaultButton);
    // One exchange of the frame in the setup frame buffer with a 32-byte reply into the setup
    // reply buffer, checked for "OK". Returns 0 or the code of the failed step.
    struct StepCodes {
        int open, timeouts, write, read, ack;
    };
    enum class OnFailure {
        GoOn,         // every step runs; a later failure replaces an earlier one
        End,          // the first failure ends the exchange
        EndFromWrite, // open and time-out failures go on, later ones end it
    };
    int exchange32(const StepCodes& codes, OnFailure mode, uint32_t delayAfterWrite,
                   uint32_t delayAfterFlush);

    TfrmMain& m_main;
    SetupUnitState& m_unit;
    Phase m_phase = Phase::Idle;
    bool m_closePending = false;
    bool m_hourglass = false;
    // Data sets in the meter as the last information read found them; none before a read
    // has told (or after one failed).
    std::optional<int> m_dataSetsInMemory;
    // The button a running command was started from; it gets the focus back at the end.
    QPointer<QWidget> m_focusReturn;
    std::deque<std::function<void()>> m_queued;
};
