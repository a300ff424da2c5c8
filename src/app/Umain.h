#pragma once
// TfrmMain: the multiple-document main window. It owns the timers, the exchange (frame and
// reply buffers), the program-wide state, and one controller per subsystem, which hold the
// behaviour behind the menus and buttons.
#include "app/AppState.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolButton;
class QUrl;
class Clock;
class DialogService;
class Exchange;
class Settings;
class Transport;
class TfrmAbout;
class LiveMonitor;
class RealTimeRecorder;
class DataLogger;
class MeterSetup;
class FileCommands;
class PrintCommands;
class DataSetStore;

// What the main window is built with; tests pass a virtual meter, a test clock, scripted
// dialogs and a settings file of their own.
struct MainServices {
    Transport* transport = nullptr;
    Clock* clock = nullptr;
    DialogService* dialogs = nullptr;
    QString settingsFile;              // empty: the user's settings store
    QString documentsDir;              // empty: the platform's documents folder
    bool documentsUnavailable = false; // tests: behave as if there were no documents folder
    // Opens a document with the desktop's default handler; false when nothing could open it.
    // Empty: QDesktopServices::openUrl.
    std::function<bool(const QUrl&)> openDocument;
    QString helpFolder; // where the help page is looked for first; empty: the executable's folder
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TfrmMain(const MainServices& services, QWidget* parent = nullptr);
    ~TfrmMain() override;

    AppState& state() { return m_state; }
    Exchange& exchange() { return *m_exchange; }
    Clock& clock() { return *m_clock; }
    DialogService& dialogs() { return *m_dialogs; }
    Settings& settings() { return *m_settings; }
    QMdiArea* mdiArea() const { return m_mdi; }

    // Shows a child window inside the MDI area; returns its frame.
    QMdiSubWindow* addChild(QWidget* child);
    // The active child's widget, or null.
    QWidget* activeChild() const;

    // Status bar: panel 0 (messages) and panel 1 (connection state); panel 2 tells that the
    // real-time recording's recovery journal cannot be written, and is hidden otherwise.
    static constexpr int JournalPanel = 2;
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;

    // Digit glyphs LCD0..LCD24 (30 x 52).
    const QPixmap& digitBitmap(int index) const;

    // Subsystem controllers.
    LiveMonitor& live() { return *m_live; }
    RealTimeRecorder& realTime() { return *m_realTime; }
    DataLogger& dataLogger() { return *m_dataLogger; }
    MeterSetup& meterSetup() { return *m_meterSetup; }
    FileCommands& fileCommands() { return *m_fileCommands; }
    PrintCommands& printCommands() { return *m_printCommands; }

    // Timers.
    QTimer* MainTimer = nullptr;
    QTimer* MaxMinTimer = nullptr;

    // Menu items and tool buttons that other parts enable, check or hide.
    QMenu* menuFile = nullptr;
    QMenu* menuRealTime = nullptr;
    QMenu* menuDataLogger = nullptr;
    QMenu* menuView = nullptr;
    QMenu* menuWindow = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrinterSetup1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Run1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* LoadData1 = nullptr;
    QAction* Setup1 = nullptr;
    QAction* ControlPanel1 = nullptr;
    QAction* RealTimeGraph1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* btnPrint = nullptr;
    QToolButton* btnDataLogger = nullptr;
    QToolButton* btnOutputToGraph = nullptr;
    QToolButton* btnRun = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* SpeedButton8 = nullptr;
    QWidget* toolBarPanel = nullptr;
    // Not in a menu: the desktop's quit key (Ctrl+Q), which closes the window.
    QAction* closeShortcut = nullptr;

    // Enables or disables a command's menu item and tool button together.
    void setRunEnabled(bool enabled);
    void setStopEnabled(bool enabled);
    void setDataLoggerEnabled(bool enabled);

    // Shell handlers.
    void FormShow();
    void Tile1Click();
    void Cascade1Click();
    void About1Click();
    void Contents1Click();
    void Exit1Click();

    // Closes the splash window once the main window is shown.
    void setSplash(TfrmAbout* splash);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createMenus();
    void createToolBar();
    void loadDigitBitmaps();
    void FormClose();
    void offerRestoreWhenDrawn(int triesLeft);
    bool askChildrenBeforeClosing();

    AppState m_state;
    Transport* m_transport;
    Clock* m_clock;
    DialogService* m_dialogs;
    std::unique_ptr<DialogService> m_ownDialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<Exchange> m_exchange;
    QMdiArea* m_mdi = nullptr;
    QLabel* m_statusPanels[3] = {nullptr, nullptr, nullptr};
    std::array<QPixmap, 25> m_digits;
    QPointer<QWidget> m_splash;
    QString m_documentsDir;
    std::function<bool(const QUrl&)> m_openUrl;
    QString m_helpFolder;
    bool m_documentsUnavailable = false;
    bool m_shown = false;
    bool m_closing = false; // the close questions are being asked

    std::unique_ptr<LiveMonitor> m_live;
    std::unique_ptr<RealTimeRecorder> m_realTime;
    std::unique_ptr<DataLogger> m_dataLogger;
    std::unique_ptr<MeterSetup> m_meterSetup;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<PrintCommands> m_printCommands;
};
