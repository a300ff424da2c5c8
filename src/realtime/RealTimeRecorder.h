#pragma once
// Real-time recording into the "Real-Time Graph" window: the run and stop commands, the
// setup dialog, the per-sample append with the running extremes, the interval change from the
// graph window, its "Clear" button, and the recovery journal that lets a recording survive a
// crash of the program.
#include "realtime/RealTimeCore.h"
#include "realtime/RealTimeJournal.h"
#include "realtime/RealTimeView.h"

#include <QObject>
#include <functional>
#include <memory>

class TfrmMain;

class RealTimeRecorder : public QObject {
    Q_OBJECT
  public:
    explicit RealTimeRecorder(TfrmMain& main);
    ~RealTimeRecorder() override;

    void CreateRealTimeGraph();
    void btnRunClick();
    void btnStopClick();
    void RealTimeGraph1Click();
    // One sample from the polling loop: tick time (days since 1899-12-30), CO2 ppm, %RH,
    // temperature. The over-range bits come from the live reading (overRangeFlags).
    void AppendRealTimeSample(double time, int32_t ppm, float rh, float temperature);

    // Called by the real-time graph window.
    void ComboBox1Change();     // its sampling-rate lists changed
    void tbntClrClick();        // its "Clear" button
    void realTimeGraphClosed(); // it has closed (after its save prompt)
    // Called by the file commands after the real-time chart was written to a file.
    void realTimeChartSaved();
    // Offers, once a session, to restore a recording the last session did not keep. The shell
    // asks it once the main window is drawn.
    void offerJournalRestore();

    // The open real-time window, or null.
    RealTimeView* view() { return openView(); }

    // Running maximum and minimum since the last run (RealTimeMax, RealTimeMin).
    const RealTime::Extremes& extremes() const { return m_extremes; }

    QString journalPath() const;

    // Seams. makeView creates and configures the graph window (null when none can be made);
    // saveChart runs the save dialog for the real-time chart; overRangeFlags reads
    // OverRangeFlags of the live reading.
    std::function<std::unique_ptr<RealTimeView>()> makeView;
    std::function<void(RealTimeView&)> saveChart;
    std::function<uint8_t()> overRangeFlags;
    // Forcing each journal record to the disk (off only for benchmarks of the chart).
    bool syncJournal = true;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    RealTimeView* openView();
    std::unique_ptr<RealTimeView> makeGraphWindow();
    void graphDestroyed(QObject* graph);
    int listsRate() const;
    void restore(const RealTime::JournalContents& journal);
    void showExtremeTexts(const RealTime::ExtremeTexts& texts);
    void showAverages();
    void showJournalState();
    double now() const;

    TfrmMain& m_main;
    std::unique_ptr<RealTimeView> m_view;
    RealTime::Extremes m_extremes;
    RealTime::JournalWriter m_journal;
    bool m_restoreOffered = false;
    bool m_journalWarned = false; // the journal's trouble has been told in this recording
};
