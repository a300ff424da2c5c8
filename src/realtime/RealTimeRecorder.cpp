#include "realtime/RealTimeRecorder.h"

#include "app/AppState.h"
#include "app/DateTimeText.h"
#include "app/DialogService.h"
#include "app/Umain.h"
#include "graph/Ugraph.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "live/LiveMonitor.h"
#include "live/LiveReading.h"
#include "realtime/RealTimeGraphView.h"
#include "realtime/Usetuprealtime.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTimer>

using namespace RealTime;

namespace {
constexpr QMessageBox::StandardButtons YesNoCancel =
    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
constexpr uint32_t StopWaitMs = 2500;
constexpr double LineGapThreshold = 1e20;

const RealTimeView::Box MaxBoxes[3] = {RealTimeView::ppmMax, RealTimeView::RHMax,
                                       RealTimeView::T1Max};
const RealTimeView::Box MinBoxes[3] = {RealTimeView::ppmMin, RealTimeView::RHMin,
                                       RealTimeView::T1Min};
const RealTimeView::Box AvgBoxes[3] = {RealTimeView::ppmAvg, RealTimeView::RHAvg,
                                       RealTimeView::T1Avg};
} // namespace

RealTimeRecorder::RealTimeRecorder(TfrmMain& main) : QObject(&main), m_main(main) {
    overRangeFlags = [this] { return m_main.live().reading().OverRangeFlags; };
    makeView = [this] { return makeGraphWindow(); };
    saveChart = [](RealTimeView& view) {
        auto* graphView = dynamic_cast<RealTimeGraphView*>(&view);
        if (graphView && graphView->graph() && TfrmGraph::saveChart)
            TfrmGraph::saveChart(*graphView->graph()->PESGraph1);
    };
}

// The window of CreateRealTimeGraph: a graph window configured for a fresh recording.
std::unique_ptr<RealTimeView> RealTimeRecorder::makeGraphWindow() {
    AppState& st = m_main.state();
    auto* graph = new TfrmGraph(m_main);
    graph->setWindowTitle(TfrmGraph::RealTimeCaption);
    st.RealTimeGraph = graph;
    QMdiSubWindow* frame = m_main.addChild(graph);
    if (frame) frame->move(frame->x(), 0);
    graph->setClearButtonShown(true);

    const double t = now();
    graph->ConfigureGraph(100, t, t + 110.0 / SecondsPerDay);
    graph->PESGraph1->setLineGapThreshold(LineGapThreshold);
    graph->pnlSamplingRate->setEnabled(true);

    connect(graph, &TfrmGraph::samplingRateChanged, this, [this] { ComboBox1Change(); });
    connect(graph, &TfrmGraph::clearClicked, this, [this] { tbntClrClick(); });
    connect(graph, &QObject::destroyed, this, [this](QObject* g) { graphDestroyed(g); });
    graph->installEventFilter(this);
    return std::make_unique<RealTimeGraphView>(m_main, *graph);
}

RealTimeView* RealTimeRecorder::openView() {
    if (m_view && !m_view->isOpen()) realTimeGraphClosed();
    return m_view.get();
}

// The window's close asks about saving and may be refused. A close it accepts runs its close
// handler, which lets go of the window (RealTimeGraph), and then hides it: that is when the
// recording is let go, and its journal with it. A window hidden for any other reason is still
// the real-time window; one being destroyed is no longer a TfrmGraph.
bool RealTimeRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && qobject_cast<TfrmGraph*>(watched) &&
        m_main.state().RealTimeGraph != watched) {
        auto* graphView = dynamic_cast<RealTimeGraphView*>(m_view.get());
        if (graphView && graphView->refersTo(watched)) realTimeGraphClosed();
    }
    return QObject::eventFilter(watched, event);
}

void RealTimeRecorder::graphDestroyed(QObject* graph) {
    auto* graphView = dynamic_cast<RealTimeGraphView*>(m_view.get());
    if (!graphView || !graphView->refersTo(graph)) return;
    // Gone without being closed (the program is being torn down): the recording was neither
    // saved nor let go, so its journal stays for the next start.
    m_main.state().RealTimeGraph = nullptr;
    m_journal.close();
    m_view.reset();
}

RealTimeRecorder::~RealTimeRecorder() = default;

double RealTimeRecorder::now() const {
    return DateTimeText::toDays(m_main.clock().now());
}

QString RealTimeRecorder::journalPath() const {
    QString folder = m_main.state().dataFolder;
    if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
    return QDir(folder).filePath(QString::fromLatin1(JournalFileName));
}

int RealTimeRecorder::listsRate() const {
    if (!m_view) return 0;
    const int m = m_view->minutesIndex();
    const int s = m_view->secondsIndex();
    if (m < 0 || s < 0) return 0;
    return rateFromLists(m, s);
}

void RealTimeRecorder::CreateRealTimeGraph() {
    if (!makeView || openView()) return;
    m_view = makeView();
    if (!m_view) return;
    if (m_main.RealTimeGraph1) m_main.RealTimeGraph1->setChecked(true);
    const RateLists lists = rateLists(m_main.state().SampleRate);
    m_view->setRateLists(lists.minutes, lists.seconds);
}

void RealTimeRecorder::RealTimeGraph1Click() {
    if (openView())
        m_view->showNormal();
    else
        CreateRealTimeGraph();
    // Triggering the checkable item toggled its mark; it shows whether the window is open.
    if (m_main.RealTimeGraph1) m_main.RealTimeGraph1->setChecked(openView() != nullptr);
}

void RealTimeRecorder::btnRunClick() {
    AppState& st = m_main.state();
    if (!st.connected) return;

    if (openView()) {
        m_view->showNormal();
        if (st.Recording || st.SampleCount != 0) {
            const auto answer = m_main.dialogs().message(
                m_view->window(),
                QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n"
                               "Do you want to save the Real-Time graph ?"),
                QString(), QMessageBox::Question, YesNoCancel);
            if (answer == QMessageBox::Cancel) return;
            if (answer == QMessageBox::Yes && saveChart) saveChart(*m_view);
            if (!m_view) return; // the save cannot close it, but be safe
        }
    } else {
        CreateRealTimeGraph();
        if (!m_view) return;
    }

    TfrmSetupRealTime dialog(&m_main);
    dialog.ComboBox1->setCurrentIndex(m_view->minutesIndex());
    dialog.ComboBox2->setCurrentIndex(m_view->secondsIndex());
    dialog.edtPeriod->setText(periodTextPlain(int64_t(st.SampleRate) * InitialCount));
    if (m_main.dialogs().exec(dialog) != QDialog::Accepted) return;

    const QString text = dialog.edtRealTimeNo->text();
    if (!m_view) return;
    m_view->setRateLists(dialog.ComboBox1->currentIndex(), dialog.ComboBox2->currentIndex());
    const std::optional<int> count = parseCount(text);
    // A count of 0 would arm a chart with no room for the first sample.
    if (!count || *count < 1) {
        m_main.dialogs().message(m_view->window(), text + QStringLiteral(" is not valid.\n"));
        return;
    }

    st.SampleRate = listsRate();
    if (st.SampleRate == 0) return;

    // Arm the chart.
    m_view->setPoints(*count);
    m_view->rearm();
    st.SampleCount = 0;
    m_extremes.reset();
    for (int k = 0; k < 3; ++k) {
        m_view->setBox(MaxBoxes[k], QString());
        m_view->setBox(MinBoxes[k], QString());
        m_view->setBox(AvgBoxes[k], QString());
    }
    const double t = now();
    m_view->setBox(RealTimeView::StartTime, DateTimeText::dateTime(t));
    m_view->setManualRangeX(t, t + 100.0 / SecondsPerDay);
    m_view->hideMaxMinTable();
    m_view->redraw();

    m_journalWarned = false;
    m_journal.start(journalPath(), {t, st.SampleRate, *count}, syncJournal);
    showJournalState();

    m_view->setClearEnabled(false);
    st.Recording = true;
    m_main.setRunEnabled(false);
    m_main.setStopEnabled(true);
}

void RealTimeRecorder::AppendRealTimeSample(double time, int32_t ppm, float rh, float temperature) {
    AppState& st = m_main.state();
    if (!openView() || st.SampleCount < 0 || st.SampleCount >= m_view->points()) return;

    const Sample s{time, ppm, rh, temperature, overRangeFlags ? overRangeFlags() : uint8_t(0)};
    // Into the journal first: once this returns the sample survives a crash.
    m_journal.append(s);
    showJournalState();

    const double maxX = m_view->manualMaxX();
    const double newMaxX = extendedXMax(maxX, time, st.XExtendStep);
    if (newMaxX != maxX) m_view->setManualMaxX(newMaxX);

    m_view->setSample(st.SampleCount, time, plotPpm(ppm, s.flags), plotRh(rh, s.flags),
                      plotTemp(temperature, s.flags));
    showExtremeTexts(updateExtremes(m_extremes, s, DateTimeText::dateTime(time)));
    m_view->redraw();

    st.SampleCount += 1;
    m_view->setBox(RealTimeView::DataNo, QString::number(st.SampleCount));
    if (st.SampleCount > m_view->points() - 1) btnStopClick();
}

void RealTimeRecorder::showExtremeTexts(const ExtremeTexts& texts) {
    for (int k = 0; k < 3; ++k) {
        if (texts.max[k]) m_view->setBox(MaxBoxes[k], *texts.max[k]);
        if (texts.min[k]) m_view->setBox(MinBoxes[k], *texts.min[k]);
    }
}

void RealTimeRecorder::showAverages() {
    const int n = m_main.state().SampleCount;
    for (int k = 0; k < 3; ++k) {
        std::span<const float> y = m_view->yValues(k);
        y = y.first(std::min<size_t>(y.size(), size_t(std::max(n, 0))));
        m_view->setBox(AvgBoxes[k], averageText(average(y)));
    }
}

void RealTimeRecorder::btnStopClick() {
    AppState& st = m_main.state();
    // The poll tick may be in the middle of an exchange; wait for it, but not for ever, and
    // without letting other events in.
    Clock& clock = m_main.clock();
    const uint32_t t0 = clock.tickMs();
    while (m_main.exchange().busy()) {
        const uint32_t elapsed = clock.tickMs() - t0;
        if (elapsed >= StopWaitMs) break;
        clock.idle(StopWaitMs - elapsed);
    }

    st.Recording = false;
    m_main.setRunEnabled(true);
    m_main.setStopEnabled(false);
    if (m_journal.failed()) {
        m_journal.retry();
        showJournalState();
    }
    m_journal.close();

    if (!openView()) return;
    m_view->showNormal();
    m_view->setClearEnabled(true);
    const double t = now();
    if (m_view->points() > st.SampleCount) {
        m_view->setPoints(st.SampleCount);
        m_view->redraw();
    }
    m_view->setManualMaxX(t);
    showAverages();
    m_view->redraw();
}

void RealTimeRecorder::ComboBox1Change() {
    AppState& st = m_main.state();
    if (!openView()) return;
    const int rate = listsRate();
    if (rate == st.SampleRate) return;
    st.SampleRate = rate;
    if (st.SampleRate == 0) {
        m_view->setRateLists(0, 2);
        st.SampleRate = 2;
    }

    auto answer = QMessageBox::No;
    if (st.Recording || st.SampleCount != 0) {
        answer = m_main.dialogs().message(
            m_view->window(),
            QStringLiteral("Sampling Rate is being changed and it is recording Real-Time data or "
                           "there are data in Real_Time graph.If you want to make new sampling "
                           "rate effective,it have to reset the graph.\n"
                           "Do you want to save the Real-Time graph ?"),
            QString(), QMessageBox::Question, YesNoCancel);
        // Cancel: the recording goes on, at the new interval from its next sample.
        if (answer == QMessageBox::Cancel) return;
    }

    st.Recording = false;
    m_view->setClearEnabled(true);
    m_main.setRunEnabled(true);
    m_main.setStopEnabled(false);
    if (answer == QMessageBox::Yes && saveChart) saveChart(*m_view);
    if (!m_view) return;

    m_view->clearGraph();
    st.SampleCount = 0;
    m_journal.discard();
    showJournalState();
    m_view->setLineGapThreshold(LineGapThreshold);
    st.XExtendStep = st.SampleRate * 100.0 / SecondsPerDay;
    m_view->focusChart();
}

void RealTimeRecorder::tbntClrClick() {
    if (!openView()) return;
    const auto answer = m_main.dialogs().message(
        m_view->window(), QStringLiteral("Save Real-Time Graph ?"), QString(),
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes && saveChart) saveChart(*m_view);
    if (!m_view) return;
    m_view->undoZoom();
    m_view->clearGraph();
    m_main.state().SampleCount = 0;
    m_journal.discard();
    showJournalState();
}

void RealTimeRecorder::realTimeGraphClosed() {
    AppState& st = m_main.state();
    m_view.reset();
    st.RealTimeGraph = nullptr;
    if (m_main.RealTimeGraph1) m_main.RealTimeGraph1->setChecked(false);
    if (st.connected) m_main.setRunEnabled(true);
    m_main.setStopEnabled(false);
    st.Recording = false;
    st.SampleCount = 0;
    // The window's close prompt has either saved the chart or the user let it go.
    m_journal.discard();
    QFile::remove(journalPath());
    showJournalState();
}

void RealTimeRecorder::realTimeChartSaved() {
    // A recording still running keeps its journal: what comes after the save is not on disk.
    if (m_main.state().Recording) return;
    m_journal.discard();
    QFile::remove(journalPath());
    showJournalState();
}

void RealTimeRecorder::offerJournalRestore() {
    if (m_restoreOffered) return;
    m_restoreOffered = true;
    const QString path = journalPath();
    // A recording begun meanwhile has made the journal its own.
    if (!QFile::exists(path) || m_main.state().Recording || m_main.state().SampleCount != 0) return;
    if (!openView()) CreateRealTimeGraph();
    if (!m_view) return;
    const std::optional<JournalContents> journal = readJournal(path);
    if (!journal || journal->samples.empty()) {
        QFile::remove(path); // nothing in it worth keeping
        return;
    }
    const auto answer = m_main.dialogs().message(
        m_view->window(),
        QStringLiteral("A Real-Time recording that was not saved was found (%1 data from %2).\n"
                       "Do you want to restore it into the Real-Time graph ?")
            .arg(journal->samples.size())
            .arg(DateTimeText::dateTime(journal->header.startTime)),
        QString(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        QFile::remove(path);
        return;
    }
    restore(*journal);
}

void RealTimeRecorder::restore(const JournalContents& journal) {
    AppState& st = m_main.state();
    const int n = int(journal.samples.size());
    m_view->setPoints(n);
    m_view->rearm();
    m_extremes.reset();
    for (int k = 0; k < 3; ++k) {
        m_view->setBox(MaxBoxes[k], QString());
        m_view->setBox(MinBoxes[k], QString());
    }
    for (int i = 0; i < n; ++i) {
        const Sample& s = journal.samples[size_t(i)];
        m_view->setSample(i, s.time, plotPpm(s.ppm, s.flags), plotRh(s.rh, s.flags),
                          plotTemp(s.temp, s.flags));
        showExtremeTexts(updateExtremes(m_extremes, s, DateTimeText::dateTime(s.time)));
    }
    st.SampleCount = n;
    st.RealTimeUnsaved = true;
    // The restored recording is this session's own: Clear, an interval change, a new Run or
    // a save let its journal go as they would a recording made now.
    m_journal.resume(journalPath(), uint32_t(n), syncJournal);
    m_journal.close();
    if (journal.header.interval >= 1 && journal.header.interval <= rateFromLists(60, 60))
        st.SampleRate = journal.header.interval;
    const RateLists lists = rateLists(st.SampleRate);
    m_view->setRateLists(lists.minutes, lists.seconds);
    m_view->setBox(RealTimeView::StartTime, DateTimeText::dateTime(journal.header.startTime));
    m_view->setBox(RealTimeView::DataNo, QString::number(n));
    m_view->setManualRangeX(journal.header.startTime, journal.samples.back().time);
    showAverages();
    m_view->redraw();
}

// A journal that cannot be written leaves the recording on screen only: the status bar says so
// for as long as it lasts, and the first time in a recording a message says why. The message
// waits for the poll tick to end, so the recording goes on while it is shown.
void RealTimeRecorder::showJournalState() {
    if (!m_journal.failed()) {
        m_main.setStatusText(TfrmMain::JournalPanel, QString());
        return;
    }
    m_main.setStatusText(TfrmMain::JournalPanel, QStringLiteral("Recovery journal not written"));
    if (m_journalWarned) return;
    m_journalWarned = true;
    const QString text =
        QStringLiteral("The Real-Time data cannot be written to the recovery journal\n%1\n(%2).\n"
                       "The recording goes on, but what it records now is lost if the program "
                       "ends before the Real-Time graph is saved. The journal is written again "
                       "as soon as the data folder can take it.")
            .arg(QDir::toNativeSeparators(m_journal.path()), m_journal.error());
    QTimer::singleShot(0, this, [this, text] {
        m_main.dialogs().message(m_view ? m_view->window() : &m_main, text, QString(),
                                 QMessageBox::Warning, QMessageBox::Ok);
    });
}
