#pragma once
// The "Setup" dialog's entry point, and the state of the setup unit that outlives any one
// dialog: its frame and reply buffers, the meter's temperature unit and the CO2 offset guard.
#include "link/Exchange.h" // Frame

#include <QObject>
#include <array>
#include <cstdint>

class TfrmMain;
class TfrmSetup;

struct SetupUnitState {
    Frame frame = InitialFrame;      // setup frame buffer, apart from the main window's
    std::array<uint8_t, 32> reply{}; // setup reply buffer; the clock block is built in it
    bool fahrenheit = false;         // the meter's temperature unit, from the last read
    bool co2Guard = false;           // the CO2 offset command is running
};

class MeterSetup : public QObject {
    Q_OBJECT
  public:
    explicit MeterSetup(TfrmMain& main);
    ~MeterSetup() override;

    // "&Setup": brings the one dialog back to its normal state, or creates it.
    void Setup1Click();

    TfrmSetup* dialog() const;
    SetupUnitState& unit() { return m_unit; }

  private:
    TfrmMain& m_main;
    SetupUnitState m_unit;
};
