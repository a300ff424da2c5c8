#include "realtime/RealTimeGraphView.h"

#include "app/Umain.h"
#include "graph/Ugraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>
#include <qcustomplot.h>

RealTimeGraphView::RealTimeGraphView(TfrmMain& main, TfrmGraph& graph)
    : m_main(main), m_graph(&graph), m_identity(&graph) {}

// The window stays the real-time window until its close handler lets go of it.
bool RealTimeGraphView::isOpen() const {
    return m_graph && m_main.state().RealTimeGraph == m_graph.data();
}

QWidget* RealTimeGraphView::window() {
    return m_graph;
}

void RealTimeGraphView::showNormal() {
    if (!m_graph) return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(m_graph->parentWidget()))
        frame->showNormal();
    else
        m_graph->showNormal();
}

int RealTimeGraphView::points() const {
    return m_graph ? m_graph->PESGraph1->points() : 0;
}

void RealTimeGraphView::setPoints(int points) {
    if (m_graph) m_graph->PESGraph1->setPoints(points);
}

void RealTimeGraphView::rearm() {
    if (m_graph) m_graph->resetCells();
}

void RealTimeGraphView::setSample(int point, double x, float ppm, float rh, float temp) {
    if (m_graph) m_graph->setSample(point, x, ppm, rh, temp);
}

std::span<const float> RealTimeGraphView::yValues(int subset) const {
    if (!m_graph) return {};
    const chart::Chart& c = *m_graph->PESGraph1;
    const std::span<const float> cells = c.yCells(); // subset after subset
    const size_t n = size_t(c.points());
    if (subset < 0 || subset >= c.subsets() || cells.size() < size_t(subset + 1) * n) return {};
    return cells.subspan(size_t(subset) * n, n);
}

double RealTimeGraphView::manualMaxX() const {
    return m_graph ? m_graph->PESGraph1->manualMaxX() : 0.0;
}

void RealTimeGraphView::setManualRangeX(double minX, double maxX) {
    if (!m_graph) return;
    m_graph->PESGraph1->setManualScaleX(true);
    m_graph->PESGraph1->setManualMinX(minX);
    m_graph->PESGraph1->setManualMaxX(maxX);
}

void RealTimeGraphView::setManualMaxX(double maxX) {
    if (m_graph) m_graph->PESGraph1->setManualMaxX(maxX);
}

void RealTimeGraphView::setLineGapThreshold(double v) {
    if (m_graph) m_graph->PESGraph1->setLineGapThreshold(v);
}

void RealTimeGraphView::hideMaxMinTable() {
    if (m_graph) m_graph->PESGraph1->setShowTable(false);
}

void RealTimeGraphView::undoZoom() {
    if (!m_graph) return;
    m_graph->PESGraph1->undoZoom();
    m_graph->UndoZoom->setEnabled(false);
}

void RealTimeGraphView::redraw() {
    if (!m_graph) return;
    // Bring the plot up to date with the cells written (new points are appended to the plot's
    // data, nothing is re-set), then let the event loop paint once, however many samples came.
    m_graph->PESGraph1->resetImage();
    m_graph->PESGraph1->plot()->replot(QCustomPlot::rpQueuedReplot);
}

void RealTimeGraphView::focusChart() {
    if (m_graph) m_graph->PESGraph1->setFocus();
}

void RealTimeGraphView::clearGraph() {
    if (m_graph) m_graph->ClearGraph();
}

QLineEdit* RealTimeGraphView::boxEdit(Box box) const {
    if (!m_graph) return nullptr;
    switch (box) {
    case ppmMax:
        return m_graph->txtppmMax;
    case ppmMin:
        return m_graph->txtppmMin;
    case ppmAvg:
        return m_graph->txtppmAvg;
    case RHMax:
        return m_graph->txtRHMax;
    case RHMin:
        return m_graph->txtRHMin;
    case RHAvg:
        return m_graph->txtRHAvg;
    case T1Max:
        return m_graph->txtT1Max;
    case T1Min:
        return m_graph->txtT1Min;
    case T1Avg:
        return m_graph->txtT1Avg;
    case StartTime:
        return m_graph->txtStartTime;
    case DataNo:
        return m_graph->txtDataNo;
    }
    return nullptr;
}

void RealTimeGraphView::setBox(Box box, const QString& text) {
    if (QLineEdit* e = boxEdit(box)) e->setText(text);
}

QString RealTimeGraphView::box(Box box) const {
    const QLineEdit* e = boxEdit(box);
    return e ? e->text() : QString();
}

int RealTimeGraphView::minutesIndex() const {
    return m_graph ? m_graph->ComboBox1->currentIndex() : -1;
}

int RealTimeGraphView::secondsIndex() const {
    return m_graph ? m_graph->ComboBox2->currentIndex() : -1;
}

void RealTimeGraphView::setRateLists(int minutesIndex, int secondsIndex) {
    if (!m_graph) return;
    // Set from code: the window's change handler answers only the user's picks.
    m_graph->ComboBox1->setCurrentIndex(minutesIndex);
    m_graph->ComboBox2->setCurrentIndex(secondsIndex);
}

void RealTimeGraphView::setClearEnabled(bool enabled) {
    if (m_graph) m_graph->tbntClr->setEnabled(enabled);
}
