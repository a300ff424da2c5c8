#pragma once
// TfrmPanel: the front panel window. A picture of the meter's front with its display, on which
// the live reading is drawn in the meter's own seven-segment digits and annunciators; the keys
// drawn on it press the meter's keys. It has no caption and is moved by dragging the picture.
#include "link/Exchange.h"
#include "live/LiveReading.h"

#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <array>

class TfrmMain;
class QMdiSubWindow;

// A key area laid over a key of the picture: draws nothing, reports clicks and double clicks.
// A double click reports its first click, then the double click (not a second click).
class KeyArea : public QWidget {
    Q_OBJECT
  public:
    explicit KeyArea(QWidget* parent);
  signals:
    void clicked();
    void doubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    bool m_pressed = false;
    bool m_inDoubleClick = false;
};

// The panel picture; dragging it with the left button moves the whole window.
class PanelPicture : public QLabel {
    Q_OBJECT
  public:
    explicit PanelPicture(QWidget* parent) : QLabel(parent) {}
  signals:
    void dragStarted(QPoint globalPos);
    void dragged(QPoint globalPos);

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};

class TfrmPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmPanel(TfrmMain& main);
    ~TfrmPanel() override;

    // Shows a reading: annunciators, then every digit whose glyph changed.
    void PaintPanel(const LiveReading& r);
    // One MaxMinTimer event's share: blinking indicators on or off.
    void blinkModes(bool on);
    void blinkMemoryFull(bool on);

    // Key handlers.
    void btnMMAClick();
    void btnMMADblClick();
    void btnBackLightClick();
    void btnHOLDClick();
    void btnCFClick();
    void btnRECClick();

    // The frame the window lives in inside the main window's child area (null before that).
    QMdiSubWindow* frame() const;

    // Glyph index last drawn at each of the 13 positions (0xFF: none).
    const std::array<uint8_t, 13>& rememberedDigits() const { return m_remembered; }
    // How many times a digit image was given a new picture (for checking redraws).
    int digitImageChanges() const { return m_digitImageChanges; }
    // The last key exchange's result (0 or 7002..7007); -1 before any.
    int lastKeyResult() const { return m_lastKeyResult; }
    const Frame& panelFrame() const { return m_frame; }

    PanelPicture* imgPanel;
    std::array<QLabel*, 5> ppmD{};
    std::array<QLabel*, 4> RHD{}; // RHD1..RHD4
    std::array<QLabel*, 4> T1D{}; // T1D1..T1D4
    QLabel* RH_P;
    QLabel* T1_P;
    QLabel* lblNoConnection;
    QLabel* imgHOLD;
    QLabel* imgREC;
    QLabel* imgFULL;
    QLabel* imgAlarm;
    QLabel* lblHi;
    QLabel* lblLO;
    QLabel* lblMIN;
    QLabel* lblMAX;
    QLabel* lblAVG;
    QLabel* imgSTEL;
    QLabel* imgTWA;
    QLabel* imgBat3;
    QLabel* imgBat2;
    QLabel* imgBat1;
    QLabel* imgBat0;
    QLabel* imgT1C;
    QLabel* imgT1F;
    QLabel* imgCO2;
    QLabel* lblppm;
    QLabel* lblPercent;
    QLabel* lblRH;
    // Parts of the meter's display the program never lights.
    QLabel* imgAutoOff;
    QLabel* imgSET;
    QLabel* imgDewPoint;
    QLabel* imgwetBULB;
    QLabel* lblm;
    QLabel* lblft;
    QLabel* lblhPa;
    QLabel* lblCAL;
    QLabel* Label7;
    QLabel* Image4;

    KeyArea* btnMMA;
    KeyArea* btnBackLight;
    KeyArea* btnHOLD;
    KeyArea* btnCF;
    KeyArea* btnREC;
    KeyArea* btnSET;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    void pressKey(uint8_t letter);
    void setDigit(int position, QLabel* image, int glyph);

    TfrmMain& m_main;
    Frame m_frame = InitialFrame; // the panel's own command frame
    std::array<uint8_t, 13> m_remembered{};
    int m_digitImageChanges = 0;
    int m_lastKeyResult = -1;
    QPoint m_dragOffset;
};
