#include "live/LiveMonitor.h"

#include "app/DateTimeText.h"
#include "app/Umain.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"
#include "live/Upanel.h"
#include "realtime/RealTimeRecorder.h"

#include <QAbstractButton>
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace {

const QString OnConnection = QStringLiteral("On Connection");
const QString NoConnection = QStringLiteral("No Connection");

// Keeps the busy flag set for the tick's whole run, however it ends.
struct TickScope {
    Exchange& ex;
    explicit TickScope(Exchange& e) : ex(e) { ex.beginTick(); }
    ~TickScope() { ex.endTick(); }
};

} // namespace

bool isMeterIdentified(std::span<const uint8_t> reply) {
    return reply.size() >= 26 && reply[23] == '5' && reply[24] == '1' && reply[25] == '3';
}

bool identifyMeter(Exchange& exchange) {
    exchange.transport().open(MeterVendorId, MeterProductId); // only wakes the link
    return exchange.genericExchange('K') && isMeterIdentified(exchange.reply);
}

LiveMonitor::LiveMonitor(TfrmMain& main) : QObject(&main), m_main(main) {
    appendSample = [this](double time, int32_t ppm, float rh, float temperature) {
        m_main.realTime().AppendRealTimeSample(time, ppm, rh, temperature);
    };
}
LiveMonitor::~LiveMonitor() = default;

TfrmPanel* LiveMonitor::panel() const {
    return m_main.state().frontPanel;
}

void LiveMonitor::MainTimerTimer() {
    AppState& s = m_main.state();
    Exchange& ex = m_main.exchange();
    TickScope tick(ex);

    const QDateTime now = m_main.clock().now();
    const int second = now.time().second();
    if (second != s.lastSecond) {
        ++s.secondsCounter;
        s.lastSecond = static_cast<int16_t>(second);
    }

    if (!s.connected) {
        if (identifyMeter(ex)) {
            s.connected = true;
            s.linkOpen = true;
            ex.delay(200); // a tick arriving here runs nested and already reads live
        }
        if (s.connected) {
            GoOnline();
        } else if (const QString problem = transportProblem(ex.transport()); !problem.isEmpty()) {
            // Not "no meter": the device is there but cannot be used (permissions, ...).
            m_main.setStatusText(0, problem);
        }
        return;
    }

    if (!ex.liveRead(s.linkOpen)) {
        if (++s.pollFailures >= AppState::pollFailureLimit) GoOffline();
        return;
    }
    s.pollFailures = 0;
    if (!decodeLiveReply(ex.reply, m_reading))
        return; // not a live reply: neither failure nor reading
    if (panel()) PaintPanel();
    if (s.Recording && s.secondsCounter >= s.SampleRate) {
        s.secondsCounter = 0;
        if (s.RealTimeGraph) {
            appendSample(DateTimeText::toDays(now), m_reading.co2Ppm, m_reading.humidity,
                         m_reading.temperature);
            s.RealTimeUnsaved = true;
        }
    }
}

void LiveMonitor::GoOnline() {
    AppState& s = m_main.state();
    m_main.setStatusText(0, QString());
    m_main.setStatusText(1, OnConnection);
    s.connected = true;
    m_main.MainTimer->setInterval(500);
    if (TfrmPanel* p = panel()) p->lblNoConnection->hide();
    m_main.setDataLoggerEnabled(true);
    m_main.setRunEnabled(!s.Recording);
    m_main.setStopEnabled(s.Recording);
    setRealTimeClearEnabled(!s.Recording);
}

void LiveMonitor::GoOffline() {
    AppState& s = m_main.state();
    m_main.setRunEnabled(false);
    m_main.setStopEnabled(false);
    m_main.setDataLoggerEnabled(false);
    m_main.setStatusText(0, QString());
    m_main.setStatusText(1, NoConnection);
    stopBlinking();
    m_main.MainTimer->setInterval(500);
    s.pollFailures = 0;
    if (TfrmPanel* p = panel()) p->lblNoConnection->show();
    s.connected = false;
    s.linkOpen = false;
}

void LiveMonitor::stopBlinking() {
    m_reading.memoryFull = false;
    m_reading.modeBlink = false;
}

void LiveMonitor::PaintPanel() {
    if (TfrmPanel* p = panel()) p->PaintPanel(m_reading);
}

void LiveMonitor::MaxMinTimerTimer() {
    m_blinking = true;
    m_blinkPhase = !m_blinkPhase;
    if (TfrmPanel* p = panel()) {
        if (m_reading.modeBlink && m_reading.allModes) p->blinkModes(m_blinkPhase);
        if (m_reading.memoryFull) p->blinkMemoryFull(m_blinkPhase);
    }
    m_blinking = false;
}

void LiveMonitor::createPanel() {
    if (panel()) return;
    auto* p = new TfrmPanel(m_main);
    m_main.state().frontPanel = p;
    QMdiSubWindow* frame = m_main.addChild(p);
    // No caption: the window is moved by dragging its picture.
    frame->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    frame->setWindowTitle(p->windowTitle());
    frame->resize(p->size());
    frame->move(0, 0);
    frame->show();
}

void LiveMonitor::ControlPanel1Click() {
    if (TfrmPanel* p = panel()) {
        // A panel out of sight comes back. One already in view is closed: it has no caption
        // and so no close box, and this check mark is the mouse's way to take it away.
        QMdiSubWindow* f = p->frame();
        if (f && (f->isMinimized() || f->isMaximized() || !f->isVisible()))
            f->showNormal();
        else if (f)
            f->close();
    } else {
        createPanel();
        if (TfrmPanel* created = panel(); created && m_main.state().connected)
            created->lblNoConnection->hide();
    }
    // The item is checkable; it shows whether the panel is open.
    if (m_main.ControlPanel1) m_main.ControlPanel1->setChecked(panel() != nullptr);
}

// The "Clear" button of the real-time graph window, found by name so that this side needs
// nothing but the window's title.
void LiveMonitor::setRealTimeClearEnabled(bool enabled) {
    if (!m_main.state().RealTimeGraph || !m_main.mdiArea()) return;
    for (QMdiSubWindow* w : m_main.mdiArea()->subWindowList()) {
        QWidget* content = w->widget();
        if (!content || content->windowTitle() != QStringLiteral("Real-Time Graph")) continue;
        if (auto* clear = content->findChild<QAbstractButton*>(QStringLiteral("tbntClr")))
            clear->setEnabled(enabled);
    }
}
