#include "app/Umain.h"

#include "app/DataFolder.h"
#include "app/DesktopIdentity.h"
#include "app/DialogService.h"
#include "app/HelpPage.h"
#include "app/Settings.h"
#include "app/TileLayout.h"
#include "app/Uabout.h"
#include "files/FileCommands.h"
#include "graph/Ugraph.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "live/LiveMonitor.h"
#include "logger/DataLogger.h"
#include "print/PrintCommands.h"
#include "realtime/RealTimeRecorder.h"
#include "setup/MeterSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <vector>

void initQ7320Resources();

namespace {
constexpr int ToolBarHeight = 59;

QToolButton* makeButton(QWidget* parent, const QString& name, const QString& hint,
                        const QIcon& icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoRaise(true); // flat
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    b->setFixedSize(48, 48);
    return b;
}
} // namespace

TfrmMain::TfrmMain(const MainServices& services, QWidget* parent)
    : QMainWindow(parent), m_transport(services.transport),
      m_clock(services.clock ? services.clock : &Clock::system()), m_dialogs(services.dialogs),
      m_documentsDir(services.documentsDir), m_openUrl(services.openDocument),
      m_helpFolder(services.helpFolder), m_documentsUnavailable(services.documentsUnavailable) {
    initQ7320Resources();
    if (!m_openUrl) m_openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<WidgetDialogService>();
        m_dialogs = m_ownDialogs.get();
    }
    setWindowTitle(QStringLiteral("Q7320"));
    setWindowIcon(programIcon()); // the child windows' frames take it from here
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Sans Serif"));

    m_exchange = std::make_unique<Exchange>(*m_transport, *m_clock);

    // The child area never shows scroll bars, however the children are placed.
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setFrameShape(QFrame::NoFrame);
    setCentralWidget(m_mdi);

    MainTimer = new QTimer(this);
    MainTimer->setObjectName(QStringLiteral("MainTimer"));
    MainTimer->setInterval(500);
    MaxMinTimer = new QTimer(this);
    MaxMinTimer->setObjectName(QStringLiteral("MaxMinTimer"));
    MaxMinTimer->setInterval(500);
    m_exchange->setMainTimer(MainTimer);

    m_live = std::make_unique<LiveMonitor>(*this);
    m_realTime = std::make_unique<RealTimeRecorder>(*this);
    m_dataLogger = std::make_unique<DataLogger>(*this);
    m_meterSetup = std::make_unique<MeterSetup>(*this);
    m_fileCommands = std::make_unique<FileCommands>(*this);
    m_printCommands = std::make_unique<PrintCommands>(*this);

    createMenus();
    createToolBar();

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_statusPanels[i] = new QLabel(bar);
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_statusPanels[0]->setFixedWidth(150);
    m_statusPanels[1]->setMinimumWidth(50);
    bar->addWidget(m_statusPanels[0]);
    bar->addWidget(m_statusPanels[1]);
    m_statusPanels[JournalPanel]->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_statusPanels[JournalPanel]->hide();
    bar->addWidget(m_statusPanels[JournalPanel]);
    setStatusBar(bar);

    connect(MainTimer, &QTimer::timeout, m_live.get(), [this] { m_live->MainTimerTimer(); });
    connect(MaxMinTimer, &QTimer::timeout, m_live.get(), [this] { m_live->MaxMinTimerTimer(); });
    MaxMinTimer->start();

    // Settings: each value read on its own, with its default.
    m_settings = std::make_unique<Settings>(services.settingsFile);
    m_state.SampleRate = m_settings->readInt(QStringLiteral("RealTimeRate"), 2);
    m_state.AnnoColor = m_settings->readInt(QStringLiteral("AnnoColor"), 0);

    loadDigitBitmaps();
}

TfrmMain::~TfrmMain() {
    // Children refer to the controllers; let them go first. They are not closed: their close
    // questions belong to closing this window, and after E&xit nothing is asked (an unsaved
    // recording stays in its journal).
    MainTimer->stop();
    MaxMinTimer->stop();
    delete m_mdi;
    m_mdi = nullptr;
}

void TfrmMain::createMenus() {
    auto add = [this](QMenu* menu, const QString& text, auto handler) {
        QAction* a = menu->addAction(text);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenuBar* bar = menuBar();
    menuFile = bar->addMenu(QStringLiteral("&File"));
    Open1 = add(menuFile, QStringLiteral("&Open"), [this] { m_fileCommands->Open1Click(); });
    Open1->setShortcut(QKeySequence::Open);
    Open1->setIcon(commandIcon(QStringLiteral("document-open"), QStringLiteral("open")));
    Save1 = add(menuFile, QStringLiteral("&Save"), [this] { m_fileCommands->Save1Click(); });
    Save1->setShortcut(QKeySequence::Save);
    Save1->setIcon(commandIcon(QStringLiteral("document-save"), QStringLiteral("save")));
    menuFile->addSeparator();
    Print1 = add(menuFile, QStringLiteral("&Print"), [this] { m_printCommands->btnPrintClick(); });
    Print1->setShortcut(QKeySequence::Print);
    Print1->setIcon(commandIcon(QStringLiteral("document-print"), QStringLiteral("print")));
    PrinterSetup1 = add(menuFile, QStringLiteral("&Printer Setup"),
                        [this] { m_printCommands->PrinterSetup1Click(); });
    menuFile->addSeparator();
    Exit1 = add(menuFile, QStringLiteral("E&xit"), [this] { Exit1Click(); });

    menuRealTime = bar->addMenu(QStringLiteral("Real Time"));
    Run1 = add(menuRealTime, QStringLiteral("Run"), [this] { m_realTime->btnRunClick(); });
    Stop1 = add(menuRealTime, QStringLiteral("Stop"), [this] { m_realTime->btnStopClick(); });
    // Run and Stop as in the run/stop pairs of other programs.
    Run1->setShortcut(QKeySequence(Qt::Key_F5));
    Stop1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    Run1->setEnabled(false);
    Stop1->setEnabled(false);

    menuDataLogger = bar->addMenu(QStringLiteral("&Data Logger"));
    LoadData1 =
        add(menuDataLogger, QStringLiteral("&Load "), [this] { m_dataLogger->LoadData1Click(); });
    Setup1 = add(menuDataLogger, QStringLiteral("&Setup"), [this] { m_meterSetup->Setup1Click(); });

    menuView = bar->addMenu(QStringLiteral("&View"));
    ControlPanel1 =
        add(menuView, QStringLiteral("&Control Panel"), [this] { m_live->ControlPanel1Click(); });
    ControlPanel1->setCheckable(true);
    ControlPanel1->setChecked(true);
    RealTimeGraph1 = add(menuView, QStringLiteral("Real Time &Graph"),
                         [this] { m_realTime->RealTimeGraph1Click(); });
    RealTimeGraph1->setCheckable(true);
    RealTimeGraph1->setChecked(true);

    menuWindow = bar->addMenu(QStringLiteral("&Window"));
    Tile1 = add(menuWindow, QStringLiteral("&Tile"), [this] { Tile1Click(); });
    Cascade1 = add(menuWindow, QStringLiteral("&Cascade"), [this] { Cascade1Click(); });
    // The window menu lists the child windows after its own items.
    connect(menuWindow, &QMenu::aboutToShow, this, [this] {
        const auto actions = menuWindow->actions();
        for (QAction* a : actions)
            if (a != Tile1 && a != Cascade1) {
                menuWindow->removeAction(a);
                a->deleteLater();
            }
        const auto windows = m_mdi->subWindowList();
        if (!windows.isEmpty()) menuWindow->addSeparator();
        int n = 1;
        for (QMdiSubWindow* w : windows) {
            QAction* a =
                menuWindow->addAction(QStringLiteral("&%1 %2").arg(n++).arg(w->windowTitle()));
            a->setCheckable(true);
            a->setChecked(w == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, this, [this, w] { m_mdi->setActiveSubWindow(w); });
        }
    });

    menuHelp = bar->addMenu(QStringLiteral("&Help"));
    Contents1 = add(menuHelp, QStringLiteral("&Contents"), [this] { Contents1Click(); });
    Contents1->setShortcut(QKeySequence::HelpContents);
    menuHelp->addSeparator();
    About1 = add(menuHelp, QStringLiteral("&About"), [this] { About1Click(); });

    // The desktop's quit key closes the window the way its close box does (settings written),
    // not the way E&xit ends the program. Spelled out: QKeySequence::Quit is empty on some
    // desktops.
    closeShortcut = new QAction(this);
    closeShortcut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(closeShortcut, &QAction::triggered, this, [this] { close(); });
    addAction(closeShortcut);
}

void TfrmMain::createToolBar() {
    toolBarPanel = new QWidget(this);
    toolBarPanel->setObjectName(QStringLiteral("Panel1"));
    toolBarPanel->setFixedHeight(ToolBarHeight);
    auto* row = new QHBoxLayout(toolBarPanel);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);

    // The data logger and the table-to-chart commands have no theme icon; ours stand in.
    SpeedButton1 = makeButton(toolBarPanel, QStringLiteral("SpeedButton1"),
                              QStringLiteral("Open File"), Open1->icon());
    SpeedButton2 = makeButton(toolBarPanel, QStringLiteral("SpeedButton2"),
                              QStringLiteral("Save to file"), Save1->icon());
    btnPrint = makeButton(toolBarPanel, QStringLiteral("btnPrint"), QStringLiteral("Print"),
                          Print1->icon());
    btnDataLogger =
        makeButton(toolBarPanel, QStringLiteral("btnDataLogger"), QStringLiteral("Data Logger"),
                   commandIcon(QString(), QStringLiteral("datalogger")));
    btnOutputToGraph = makeButton(toolBarPanel, QStringLiteral("btnOutputToGraph"),
                                  QStringLiteral("Output Tabular to graph"),
                                  commandIcon(QString(), QStringLiteral("tabletograph")));
    btnRun = makeButton(toolBarPanel, QStringLiteral("btnRun"),
                        QStringLiteral("Start Graphing Real Time Data"),
                        commandIcon(QStringLiteral("media-playback-start"), QStringLiteral("run")));
    btnStop = makeButton(
        toolBarPanel, QStringLiteral("btnStop"), QStringLiteral("Stop Graphing Real Time Data"),
        commandIcon(QStringLiteral("media-playback-stop"), QStringLiteral("stop")));
    SpeedButton8 = makeButton(toolBarPanel, QStringLiteral("SpeedButton8"), QStringLiteral("Help"),
                              commandIcon(QStringLiteral("help-contents"), QStringLiteral("help")));

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { m_fileCommands->Open1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { m_fileCommands->Save1Click(); });
    connect(btnPrint, &QToolButton::clicked, this, [this] { m_printCommands->btnPrintClick(); });
    connect(btnDataLogger, &QToolButton::clicked, this, [this] { m_dataLogger->LoadData1Click(); });
    connect(btnOutputToGraph, &QToolButton::clicked, this,
            [this] { m_dataLogger->btnOutputToGraphClick(); });
    connect(btnRun, &QToolButton::clicked, this, [this] { m_realTime->btnRunClick(); });
    connect(btnStop, &QToolButton::clicked, this, [this] { m_realTime->btnStopClick(); });
    connect(SpeedButton8, &QToolButton::clicked, this, [this] { Contents1Click(); });

    for (QToolButton* b : {SpeedButton1, SpeedButton2, btnPrint, btnDataLogger, btnOutputToGraph,
                           btnRun, btnStop, SpeedButton8})
        row->addWidget(b);
    row->addStretch();

    btnOutputToGraph->setEnabled(false);
    btnRun->setEnabled(false);
    btnStop->setEnabled(false);
    SpeedButton8->hide();
    // The tool bar panel sits under the menu bar, across the top, and does not move.
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->addWidget(toolBarPanel);
    addToolBar(Qt::TopToolBarArea, bar);
}

void TfrmMain::loadDigitBitmaps() {
    for (int n = 0; n < 25; ++n) {
        QPixmap p(QStringLiteral(":/LCD%1").arg(n));
        if (p.isNull()) break; // the ones not loaded stay empty
        m_digits[n] = p;
    }
}

const QPixmap& TfrmMain::digitBitmap(int index) const {
    static const QPixmap empty;
    return index >= 0 && index < 25 ? m_digits[index] : empty;
}

QMdiSubWindow* TfrmMain::addChild(QWidget* child) {
    QMdiSubWindow* frame = m_mdi->addSubWindow(child);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    child->show();
    return frame;
}

QWidget* TfrmMain::activeChild() const {
    QMdiSubWindow* w = m_mdi->activeSubWindow();
    if (!w) {
        const auto list = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        if (!list.isEmpty()) w = list.last();
    }
    return w ? w->widget() : nullptr;
}

void TfrmMain::setStatusText(int panel, const QString& text) {
    if (panel < 0 || panel > JournalPanel) return;
    m_statusPanels[panel]->setText(text);
    m_statusPanels[panel]->setToolTip(text); // panel 0 is narrow; a long text stays readable
    if (panel == JournalPanel) m_statusPanels[panel]->setVisible(!text.isEmpty());
}

QString TfrmMain::statusText(int panel) const {
    return panel >= 0 && panel <= JournalPanel ? m_statusPanels[panel]->text() : QString();
}

void TfrmMain::setRunEnabled(bool enabled) {
    Run1->setEnabled(enabled);
    btnRun->setEnabled(enabled);
}

void TfrmMain::setStopEnabled(bool enabled) {
    Stop1->setEnabled(enabled);
    btnStop->setEnabled(enabled);
}

void TfrmMain::setDataLoggerEnabled(bool enabled) {
    menuDataLogger->menuAction()->setEnabled(enabled);
    menuDataLogger->menuAction()->setVisible(true);
    btnDataLogger->setEnabled(enabled);
    btnDataLogger->setVisible(true);
}

void TfrmMain::setSplash(TfrmAbout* splash) {
    m_splash = splash;
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow() {
    m_state.dataFolder =
        m_documentsUnavailable
            ? QString()
            : resolveDataFolder(m_documentsDir.isEmpty() ? documentsFolder() : m_documentsDir);
    m_state.XExtendStep = static_cast<double>(static_cast<float>(10.0 / 86400.0));

    auto before = m_mdi->subWindowList();
    m_realTime->CreateRealTimeGraph();
    QMdiSubWindow* graphFrame = nullptr;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (!before.contains(w)) graphFrame = w;
    before = m_mdi->subWindowList();
    m_live->createPanel();
    QMdiSubWindow* panelFrame = nullptr;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (!before.contains(w)) panelFrame = w;

    if (panelFrame) panelFrame->move(0, 0);
    if (graphFrame) {
        const int height = this->height() - toolBarPanel->height() - statusBar()->height() - 40;
        graphFrame->setGeometry(panelFrame ? panelFrame->width() : 0, 0, 800, qMax(height, 200));
    }

    setStatusText(1, m_state.connected ? QStringLiteral("On Connection")
                                       : QStringLiteral("Off Connection"));
    MainTimer->start();
    if (m_splash) m_splash->close();
    if (graphFrame) m_mdi->setActiveSubWindow(graphFrame);
    offerRestoreWhenDrawn(40);
}

// The question about an unsaved recording waits until this window is on the screen and drawn
// (for up to about two seconds), so it does not open over the splash and a black window.
void TfrmMain::offerRestoreWhenDrawn(int triesLeft) {
    const QWindow* window = windowHandle();
    if ((!window || !window->isExposed()) && triesLeft > 0) {
        QTimer::singleShot(50, this, [this, triesLeft] { offerRestoreWhenDrawn(triesLeft - 1); });
        return;
    }
    repaint();
    m_realTime->offerJournalRestore();
}

void TfrmMain::Tile1Click() {
    // Not QMdiArea's own tiling: without scroll bars it grows the main window until every
    // child fits at its minimum size, far past the screen. This one keeps to the area.
    QList<QMdiSubWindow*> frames;
    std::vector<TileWindow> windows;
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isVisible() || w->isMinimized()) continue;
        if (w->isMaximized()) w->showNormal();
        const QWidget* content = w->widget();
        const bool fixed = content && content->minimumSize() == content->maximumSize();
        windows.push_back({w->size(), w->minimumSize(), fixed});
        frames << w;
    }
    const std::vector<QRect> placed = tileLayout(m_mdi->viewport()->rect(), windows);
    for (qsizetype i = 0; i < frames.size(); ++i)
        frames[i]->setGeometry(placed[size_t(i)]);
}

void TfrmMain::Cascade1Click() {
    m_mdi->cascadeSubWindows();
}

void TfrmMain::About1Click() {
    // Closing the box frees it; a box left open by the dialog service is freed here.
    QPointer<TfrmAbout> about = new TfrmAbout(this);
    about->BitBtn1->show();
    m_dialogs->exec(*about);
    delete about.data();
}

void TfrmMain::Contents1Click() {
    const QString programFolder =
        m_helpFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_helpFolder;
    const QString help = findHelpPage(programFolder);
    if (help.isEmpty()) {
        m_dialogs->message(this,
                           QStringLiteral("The help page %1 is missing; it was looked for in:\n%2")
                               .arg(QString::fromLatin1(HelpPageName),
                                    helpPageCandidates(programFolder).join(QLatin1Char('\n'))),
                           QStringLiteral("Q7320"), QMessageBox::Information);
        return;
    }
    // Without a program for web pages the desktop opens nothing; the user can still open it.
    if (!m_openUrl(QUrl::fromLocalFile(help)))
        m_dialogs->message(this,
                           QStringLiteral("No program to show the help page was found. The help "
                                          "page is:\n%1")
                               .arg(QDir::toNativeSeparators(help)),
                           QStringLiteral("Q7320"), QMessageBox::Information);
}

void TfrmMain::Exit1Click() {
    // Ends the message loop at once: the close handler does not run, no settings are written.
    QApplication::exit(0);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A close that arrives while an exchange is pumping events in its pause cannot wait for it
    // here; it is retried once the exchange is over.
    if (m_exchange->busy() || m_exchange->exclusive()) {
        event->ignore();
        QTimer::singleShot(100, this, [this] { close(); });
        return;
    }
    if (m_closing || !askChildrenBeforeClosing()) {
        event->ignore();
        return;
    }
    // Every question is answered: the children go without asking again.
    MainTimer->stop();
    m_state.DataLoggerUnsaved = false;
    m_state.RealTimeUnsaved = false;
    m_mdi->closeAllSubWindows();
    FormClose();
    event->accept();
}

// Asks each child window's close question while this window is still shown, all of them before
// any is acted on: Cancel in any leaves the program exactly as it was. Then each answer is acted
// on (Yes saves); a Yes whose save did not happen keeps the program running too.
bool TfrmMain::askChildrenBeforeClosing() {
    QScopedValueRollback<bool> closing(m_closing, true);
    QMdiSubWindow* wasActive = m_mdi->activeSubWindow();
    std::vector<std::pair<QPointer<TfrmGraph>, QMessageBox::StandardButton>> answers;
    for (QMdiSubWindow* frame : m_mdi->subWindowList()) {
        auto* graph = qobject_cast<TfrmGraph*>(frame->widget());
        if (!graph) continue;
        // The user sees which window asks, and Save saves the active window.
        m_mdi->setActiveSubWindow(frame);
        const QMessageBox::StandardButton answer = graph->askCloseQuestion();
        if (answer == QMessageBox::Cancel) {
            m_mdi->setActiveSubWindow(wasActive);
            return false;
        }
        answers.emplace_back(graph, answer);
    }
    for (const auto& [graph, answer] : answers) {
        if (!graph) continue;
        if (auto* frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
            m_mdi->setActiveSubWindow(frame);
        if (!graph->actOnCloseAnswer(answer)) return false;
    }
    return true;
}

void TfrmMain::FormClose() {
    MainTimer->stop();
    m_state.connected = false;
    m_state.linkOpen = false;
    m_settings->writeInt(QStringLiteral("RealTimeRate"), m_state.SampleRate);
    m_settings->writeInt(QStringLiteral("AnnoColor"), m_state.AnnoColor);
    m_digits.fill(QPixmap());
}
