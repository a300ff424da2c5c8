#pragma once
// The recorder's view of a TfrmGraph window: the "Real-Time Graph" window made by
// CreateRealTimeGraph.
#include "realtime/RealTimeView.h"

#include <QPointer>

class TfrmGraph;
class TfrmMain;

class RealTimeGraphView : public RealTimeView {
  public:
    RealTimeGraphView(TfrmMain& main, TfrmGraph& graph);

    TfrmGraph* graph() const { return m_graph; }
    // True for the window this view was made for, even while it is being destroyed.
    bool refersTo(const QObject* window) const { return m_identity == window; }

    bool isOpen() const override;
    QWidget* window() override;
    void showNormal() override;
    int points() const override;
    void setPoints(int points) override;
    void rearm() override;
    void setSample(int point, double x, float ppm, float rh, float temp) override;
    std::span<const float> yValues(int subset) const override;
    double manualMaxX() const override;
    void setManualRangeX(double minX, double maxX) override;
    void setManualMaxX(double maxX) override;
    void setLineGapThreshold(double v) override;
    void hideMaxMinTable() override;
    void undoZoom() override;
    void redraw() override;
    void focusChart() override;
    void clearGraph() override;
    void setBox(Box box, const QString& text) override;
    QString box(Box box) const override;
    int minutesIndex() const override;
    int secondsIndex() const override;
    void setRateLists(int minutesIndex, int secondsIndex) override;
    void setClearEnabled(bool enabled) override;

  private:
    class QLineEdit* boxEdit(Box box) const;
    TfrmMain& m_main;
    QPointer<TfrmGraph> m_graph;
    const QObject* m_identity;
};
