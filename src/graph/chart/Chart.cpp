#include "graph/chart/Chart.h"

#include "app/DateTimeText.h"
#include "app/TileLayout.h"
#include "graph/chart/ChartCustomizeDialog.h"

#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <optional>
#include <qcustomplot.h>

namespace chart {

namespace {

constexpr int HotSpotPixels = 6;
constexpr int ClickSlackPixels = 3;

// Ticks for X values counted in days since 1899-12-30, at steps a person reads easily, labelled
// with the time of day (and the date when the range spans days).
class DaysTicker : public QCPAxisTicker {
  public:
    bool dateTime = true;

  protected:
    double getTickStep(const QCPRange& range) override {
        m_span = range.size();
        if (!dateTime) return QCPAxisTicker::getTickStep(range);
        static const double steps[] = {1,      2,      5,       10,      15,      30,
                                       60,     120,    300,     600,     900,     1800,
                                       3600,   7200,   10800,   21600,   43200,   86400,
                                       172800, 604800, 1209600, 2592000, 7776000, 31536000};
        const double wanted = range.size() * DateTimeText::SecondsPerDay / std::max(1, tickCount());
        for (double s : steps)
            if (s >= wanted) return s / DateTimeText::SecondsPerDay;
        // Past a year: 1, 2 or 5 times a power of ten years, so that however wide the range,
        // the axis has about tickCount() ticks.
        const double year = steps[std::size(steps) - 1];
        const double years = wanted / year;
        if (!std::isfinite(years)) return range.size(); // a range no axis can hold: one step
        const double magnitude = std::pow(10.0, std::floor(std::log10(years)));
        double nice = 10.0;
        for (double f : {1.0, 2.0, 5.0})
            if (f * magnitude >= years) {
                nice = f;
                break;
            }
        return nice * magnitude * year / DateTimeText::SecondsPerDay;
    }
    int getSubTickCount(double step) override {
        if (!dateTime) return QCPAxisTicker::getSubTickCount(step);
        const double s = step * DateTimeText::SecondsPerDay;
        if (std::fmod(s, 3600) == 0 && s <= 10800) return int(s / 3600 * 2) - 1 > 0 ? 1 : 0;
        return (std::fmod(s, 5) == 0 && s <= 600) ? 4 : 1;
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override {
        if (!dateTime) return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
        if (m_span >= 1.0)
            return DateTimeText::date(tick) + QLatin1Char('\n') + DateTimeText::time(tick);
        return DateTimeText::time(tick);
    }

  private:
    double m_span = 0;
};

} // namespace

// Draws the graph annotations, the vertical line annotations and the table annotation on top of
// the plot, in the coordinates of axis 0.
class Chart::Overlay : public QCPLayerable {
  public:
    Overlay(Chart* chart, QCustomPlot* plot)
        : QCPLayerable(plot, QStringLiteral("annotations")), m_chart(chart) {}

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        applyAntialiasingHint(painter, true, QCP::aeItems);
    }
    QRect clipRect() const override { return m_chart->plottingRect(); }
    void draw(QCPPainter* painter) override { m_chart->drawOverlay(painter); }

  private:
    Chart* m_chart;
};

Chart::Chart(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_plot = new QCustomPlot(this);
    layout->addWidget(m_plot);
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->plotLayout()->clear(); // the layout is ours; see rebuildLayout()
    m_plot->addLayer(QStringLiteral("annotations"), nullptr, QCustomPlot::limAbove);
    m_plot->setPlottingHints(QCP::phCacheLabels | QCP::phFastPolylines);
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setSelectionRectMode(QCP::srmZoom);
    m_plot->setInteractions(QCP::iRangeZoom);
    m_plot->setMouseTracking(true);
    m_plot->installEventFilter(this);
    m_overlay = new Overlay(this, m_plot);
    connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, this, [this] {
        m_zoomed = true;
        emit zoomedIn();
    });
    connect(m_plot, &QCustomPlot::mouseWheel, this, [this](QWheelEvent* e) {
        // Only a wheel turned over a plotting area with zooming allowed zooms.
        if (!m_plot->interactions().testFlag(QCP::iRangeZoom) || !m_plot->axisRectAt(e->position()))
            return;
        m_zoomed = true;
        emit zoomedIn();
    });
    runDialog = [](QDialog& d) { return d.exec(); };
    resizeCells(1, 0);
    rebuildLayout();
}

Chart::~Chart() = default;

// --- Size and cells ----------------------------------------------------------------------------

void Chart::resizeCells(int subsets, int points) {
    subsets = std::clamp(subsets, 1, MaxSubsets);
    points = std::clamp(points, 0, MaxPoints);
    const int oldSubsets = m_s.subsets, oldPoints = m_s.points;
    if (subsets != oldSubsets || points != oldPoints ||
        m_s.x.size() != size_t(subsets) * size_t(points)) {
        std::vector<double> x(size_t(subsets) * size_t(points), 0.0);
        std::vector<float> y(x.size(), float(m_s.nullValueY));
        const int keepS = std::min(subsets, oldSubsets), keepP = std::min(points, oldPoints);
        if (m_s.x.size() == size_t(oldSubsets) * size_t(oldPoints)) {
            for (int s = 0; s < keepS; ++s) {
                std::copy_n(m_s.x.begin() + ptrdiff_t(s) * oldPoints, keepP,
                            x.begin() + ptrdiff_t(s) * points);
                std::copy_n(m_s.y.begin() + ptrdiff_t(s) * oldPoints, keepP,
                            y.begin() + ptrdiff_t(s) * points);
            }
        }
        m_s.x = std::move(x);
        m_s.y = std::move(y);
        m_s.subsets = subsets;
        m_s.points = points;
    }
    m_s.subsetStyles.resize(size_t(subsets));
    std::erase_if(m_s.shownSubsets, [&](int32_t v) { return v >= subsets; });
    if (int(m_data.size()) != subsets) m_layoutDirty = true;
    allCellsChanged();
}

void Chart::setSubsets(int subsets) {
    resizeCells(subsets, m_s.points);
}
void Chart::setPoints(int points) {
    resizeCells(m_s.subsets, points);
}

bool Chart::validCell(int subset, int point) const {
    return subset >= 0 && subset < m_s.subsets && point >= 0 && point < m_s.points;
}

void Chart::cellChanged(int subset, int point) {
    if (size_t(subset) >= m_lastIncluded.size()) return;
    if (point <= m_lastIncluded[size_t(subset)])
        m_dataDirty[size_t(subset)] = true;
    else
        m_highestWritten[size_t(subset)] = std::max(m_highestWritten[size_t(subset)], point);
}

void Chart::allCellsChanged() {
    m_dataDirty.assign(size_t(m_s.subsets), true);
    m_lastIncluded.assign(size_t(m_s.subsets), -1);
    m_highestWritten.assign(size_t(m_s.subsets), -1);
}

void Chart::setXData(int subset, int point, double x) {
    if (subset == -1) {
        // Every cell of the chart: this is how a chart is re-armed.
        std::fill(m_s.x.begin(), m_s.x.end(), x);
        allCellsChanged();
        return;
    }
    if (!validCell(subset, point)) return;
    m_s.x[cell(subset, point)] = x;
    cellChanged(subset, point);
}

void Chart::setYData(int subset, int point, double y) {
    if (subset == -1) {
        std::fill(m_s.y.begin(), m_s.y.end(), float(y));
        allCellsChanged();
        return;
    }
    if (!validCell(subset, point)) return;
    m_s.y[cell(subset, point)] = float(y);
    cellChanged(subset, point);
}

double Chart::xData(int subset, int point) const {
    return validCell(subset, point) ? m_s.x[cell(subset, point)] : 0.0;
}

float Chart::yData(int subset, int point) const {
    return validCell(subset, point) ? m_s.y[cell(subset, point)] : float(m_s.nullValueY);
}

void Chart::setAllXData(std::span<const double> v) {
    const size_t n = std::min(v.size(), m_s.x.size());
    const size_t subsets = size_t(m_s.subsets);
    for (size_t i = 0; i < n; ++i)
        m_s.x[(i % subsets) * size_t(m_s.points) + i / subsets] = v[i];
    allCellsChanged();
}

void Chart::setAllYData(std::span<const float> v) {
    const size_t n = std::min(v.size(), m_s.y.size());
    const size_t subsets = size_t(m_s.subsets);
    for (size_t i = 0; i < n; ++i)
        m_s.y[(i % subsets) * size_t(m_s.points) + i / subsets] = v[i];
    allCellsChanged();
}

void Chart::setSubsetXData(int subset, int first, std::span<const double> values) {
    if (!validCell(subset, first)) return;
    const size_t n = std::min(values.size(), size_t(m_s.points - first));
    std::copy_n(values.begin(), n, m_s.x.begin() + ptrdiff_t(cell(subset, first)));
    m_dataDirty[size_t(subset)] = true;
}

void Chart::setSubsetYData(int subset, int first, std::span<const float> values) {
    if (!validCell(subset, first)) return;
    const size_t n = std::min(values.size(), size_t(m_s.points - first));
    std::copy_n(values.begin(), n, m_s.y.begin() + ptrdiff_t(cell(subset, first)));
    m_dataDirty[size_t(subset)] = true;
}

void Chart::setNullDataValueY(double v) {
    m_s.nullValueY = v;
    allCellsChanged();
}

// --- Axes --------------------------------------------------------------------------------------

void Chart::setManualScaleX(bool manual) {
    m_s.manualX = manual;
}
void Chart::setManualMinX(double v) {
    m_s.minX = v;
}
void Chart::setManualMaxX(double v) {
    m_s.maxX = v;
}

void Chart::setWorkingAxis(int axis) {
    if (axis < 0 || axis >= MaxAxes) return;
    if (size_t(axis) >= m_s.yAxes.size()) m_s.yAxes.resize(size_t(axis) + 1);
    m_s.workingAxis = axis;
}

YAxisState& Chart::working() {
    return m_s.yAxes[size_t(m_s.workingAxis)];
}
const YAxisState& Chart::working() const {
    return m_s.yAxes[size_t(m_s.workingAxis)];
}

void Chart::setManualScaleY(bool manual) {
    working().manual = manual;
}
bool Chart::manualScaleY() const {
    return working().manual;
}
void Chart::setManualMinY(double v) {
    working().min = v;
}
void Chart::setManualMaxY(double v) {
    working().max = v;
}
double Chart::manualMinY() const {
    return working().min;
}
double Chart::manualMaxY() const {
    return working().max;
}
void Chart::setYAxisLabel(const QString& text) {
    working().label = text;
}
QString Chart::yAxisLabel() const {
    return working().label;
}

void Chart::setMultiAxesSubsets(int axis, int count) {
    m_layoutDirty = true;
    if (axis < 0) {
        m_s.axisSubsets.clear();
        m_s.axisProportions.clear();
        return;
    }
    if (axis >= MaxAxes) return;
    if (size_t(axis) >= m_s.yAxes.size()) m_s.yAxes.resize(size_t(axis) + 1);
    if (size_t(axis) >= m_s.axisSubsets.size()) m_s.axisSubsets.resize(size_t(axis) + 1, 0);
    m_s.axisSubsets[size_t(axis)] = std::clamp(count, 0, MaxSubsets);
}

int Chart::multiAxesSubsets(int axis) const {
    return axis >= 0 && size_t(axis) < m_s.axisSubsets.size() ? m_s.axisSubsets[size_t(axis)] : 0;
}

void Chart::setMultiAxesProportions(int axis, double fraction) {
    if (axis < 0 || axis >= MaxAxes || !(fraction >= 0.0 && fraction <= 1.0)) return;
    m_layoutDirty = true;
    if (size_t(axis) >= m_s.yAxes.size()) m_s.yAxes.resize(size_t(axis) + 1);
    if (size_t(axis) >= m_s.axisProportions.size())
        m_s.axisProportions.resize(size_t(axis) + 1, 0.0);
    m_s.axisProportions[size_t(axis)] = fraction;
}

double Chart::multiAxesProportions(int axis) const {
    return axis >= 0 && size_t(axis) < m_s.axisProportions.size()
               ? m_s.axisProportions[size_t(axis)]
               : 0.0;
}

void Chart::setSubsetToGraph(int slot, int subset) {
    m_layoutDirty = true;
    m_s.subsetsFiltered = true;
    if (slot < 0) {
        m_s.shownSubsets.clear();
        return;
    }
    if (slot >= MaxSubsets || subset < 0 || subset >= m_s.subsets) return;
    if (size_t(slot) >= m_s.shownSubsets.size()) m_s.shownSubsets.resize(size_t(slot) + 1, subset);
    m_s.shownSubsets[size_t(slot)] = subset;
}

// --- Look ----------------------------------------------------------------------------------------

void Chart::setSubsetLabel(int subset, const QString& text) {
    if (subset >= 0 && subset < m_s.subsets) m_s.subsetStyles[size_t(subset)].label = text;
    m_layoutDirty = true;
}
QString Chart::subsetLabel(int subset) const {
    return subset >= 0 && subset < m_s.subsets ? m_s.subsetStyles[size_t(subset)].label : QString();
}
void Chart::setSubsetColor(int subset, const QColor& c) {
    if (subset >= 0 && subset < m_s.subsets) m_s.subsetStyles[size_t(subset)].color = c.rgba();
}
QColor Chart::subsetColor(int subset) const {
    return subset >= 0 && subset < m_s.subsets
               ? QColor::fromRgba(m_s.subsetStyles[size_t(subset)].color)
               : QColor();
}
void Chart::setSubsetLineStyle(int subset, LineStyle style) {
    if (subset >= 0 && subset < m_s.subsets) m_s.subsetStyles[size_t(subset)].line = style;
}
void Chart::setSubsetPointStyle(int subset, PointStyle style) {
    if (subset >= 0 && subset < m_s.subsets) m_s.subsetStyles[size_t(subset)].point = style;
}
void Chart::setBaseFont(const QString& family, int pixelSize) {
    m_s.fontFamily = family;
    m_s.fontPixelSize = std::clamp(pixelSize, 1, 400);
    m_layoutDirty = true;
}

void Chart::setAllowZoom(bool horizontal, bool vertical) {
    m_s.zoomHorizontal = horizontal;
    m_s.zoomVertical = vertical;
}

void Chart::setPointer(const QCursor& cursor) {
    m_plot->setCursor(cursor);
}
void Chart::setHint(const QString& text) {
    m_plot->setToolTip(text);
}
QString Chart::hint() const {
    return m_plot->toolTip();
}

// --- Annotations ---------------------------------------------------------------------------------

GraphAnnotation& Chart::annotationAt(int index) {
    auto& list = m_s.graphAnnotations;
    auto it = std::lower_bound(list.begin(), list.end(), index,
                               [](const GraphAnnotation& a, int i) { return a.index < i; });
    if (it == list.end() || it->index != index) {
        GraphAnnotation a;
        a.index = index;
        it = list.insert(it, a);
    }
    return *it;
}

void Chart::setGraphAnnotationType(int index, int type) {
    if (index >= 0 && index <= MaxAnnotationIndex) annotationAt(index).type = type;
}
void Chart::setGraphAnnotationX(int index, double x) {
    if (index >= 0 && index <= MaxAnnotationIndex) annotationAt(index).x = x;
}
void Chart::setGraphAnnotationY(int index, double y) {
    if (index >= 0 && index <= MaxAnnotationIndex) annotationAt(index).y = y;
}
void Chart::setGraphAnnotationText(int index, const QString& text) {
    if (index >= 0 && index <= MaxAnnotationIndex) annotationAt(index).text = text;
}
void Chart::setGraphAnnotationColor(int index, const QColor& c) {
    if (index >= 0 && index <= MaxAnnotationIndex) annotationAt(index).color = c.rgba();
}

GraphAnnotation Chart::graphAnnotation(int index) const {
    const auto& list = m_s.graphAnnotations;
    auto it = std::lower_bound(list.begin(), list.end(), index,
                               [](const GraphAnnotation& a, int i) { return a.index < i; });
    if (it != list.end() && it->index == index) return *it;
    GraphAnnotation a;
    a.index = index;
    return a;
}

void Chart::setLineAnnotation(int index, double x, const QColor& c, const QString& text) {
    if (index < 0 || index > MaxAnnotationIndex) return;
    if (size_t(index) >= m_s.lineAnnotations.size()) m_s.lineAnnotations.resize(size_t(index) + 1);
    m_s.lineAnnotations[size_t(index)] = {x, c.rgba(), text};
}

void Chart::setLineAnnotationColor(int index, const QColor& c) {
    if (index < 0 || index > MaxAnnotationIndex) return;
    if (size_t(index) >= m_s.lineAnnotations.size()) m_s.lineAnnotations.resize(size_t(index) + 1);
    m_s.lineAnnotations[size_t(index)].color = c.rgba();
}

LineAnnotation Chart::lineAnnotation(int index) const {
    return index >= 0 && size_t(index) < m_s.lineAnnotations.size()
               ? m_s.lineAnnotations[size_t(index)]
               : LineAnnotation{};
}

void Chart::setTableSize(int rows, int columns) {
    rows = std::max(rows, 0);
    columns = std::max(columns, 0);
    if (int64_t(rows) * columns > MaxTableCells) return;
    TableAnnotation& t = m_s.table;
    std::vector<QString> texts(size_t(rows) * size_t(columns));
    std::vector<Argb> colors(texts.size(), 0xFF000000);
    for (int r = 0; r < std::min(rows, t.rows); ++r)
        for (int c = 0; c < std::min(columns, t.columns); ++c) {
            texts[size_t(r) * size_t(columns) + size_t(c)] =
                t.texts[size_t(r) * size_t(t.columns) + size_t(c)];
            colors[size_t(r) * size_t(columns) + size_t(c)] =
                t.colors[size_t(r) * size_t(t.columns) + size_t(c)];
        }
    t.rows = rows;
    t.columns = columns;
    t.texts = std::move(texts);
    t.colors = std::move(colors);
}

void Chart::setTableText(int row, int column, const QString& text) {
    const TableAnnotation& t = m_s.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        m_s.table.texts[size_t(row) * size_t(t.columns) + size_t(column)] = text;
}
QString Chart::tableText(int row, int column) const {
    const TableAnnotation& t = m_s.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        return t.texts[size_t(row) * size_t(t.columns) + size_t(column)];
    return {};
}
void Chart::setTableColor(int row, int column, const QColor& c) {
    const TableAnnotation& t = m_s.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        m_s.table.colors[size_t(row) * size_t(t.columns) + size_t(column)] = c.rgba();
}
QColor Chart::tableColor(int row, int column) const {
    const TableAnnotation& t = m_s.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        return QColor::fromRgba(t.colors[size_t(row) * size_t(t.columns) + size_t(column)]);
    return {};
}
void Chart::setTableInsideAxis0(int left, int top) {
    m_s.table.insideAxis0 = true;
    m_s.table.left = left;
    m_s.table.top = top;
}
void Chart::setTableHeaders(bool row, bool column) {
    m_s.table.headerRow = row;
    m_s.table.headerColumn = column;
}

// --- Layout and drawing --------------------------------------------------------------------------

int Chart::axisOfSubset(int subset) const {
    int first = 0;
    for (size_t a = 0; a < m_s.axisSubsets.size(); ++a) {
        if (subset < first + m_s.axisSubsets[a]) return int(a);
        first += m_s.axisSubsets[a];
    }
    // Subsets past the layout (or no layout at all) share the first axis.
    return 0;
}

bool Chart::subsetShown(int subset) const {
    if (!m_s.subsetsFiltered) return true;
    return std::find(m_s.shownSubsets.begin(), m_s.shownSubsets.end(), subset) !=
           m_s.shownSubsets.end();
}

void Chart::rebuildLayout() {
    m_layoutDirty = false;
    // A zoomed view survives the rebuild (a quantity switched on or off, say): the new axes
    // take the ranges the old ones showed.
    std::optional<QCPRange> zoomedX;
    std::vector<QCPRange> zoomedY;
    if (m_zoomed && !m_rects.empty()) {
        zoomedX = m_rects[0]->axis(QCPAxis::atBottom)->range();
        for (QCPAxisRect* rect : m_rects)
            zoomedY.push_back(rect->axis(QCPAxis::atLeft)->range());
    }
    m_plot->clearGraphs();
    m_plot->plotLayout()->clear();
    m_rects.clear();
    m_graphs.clear();
    if (m_data.size() != size_t(m_s.subsets)) {
        m_data.clear();
        for (int s = 0; s < m_s.subsets; ++s)
            m_data.push_back(QSharedPointer<QCPGraphDataContainer>::create());
        allCellsChanged();
    }

    QFont base = font();
    if (!m_s.fontFamily.isEmpty()) base.setFamily(m_s.fontFamily);
    base.setPixelSize(m_s.fontPixelSize);

    auto* grid = m_plot->plotLayout();
    grid->setRowSpacing(m_s.axisSeparators ? 2 : 0);
    int row = 0;
    // A title of blanks still takes its line, which leaves room above the plot.
    if (!m_s.mainTitle.isEmpty()) {
        QFont f = base;
        f.setPixelSize(m_s.fontPixelSize * 4 / 3);
        f.setBold(true);
        grid->addElement(row++, 0, new QCPTextElement(m_plot, m_s.mainTitle, f));
    }
    if (!m_s.subTitle.isEmpty())
        grid->addElement(row++, 0, new QCPTextElement(m_plot, m_s.subTitle, base));

    // Axis entries: one per entry of the layout that covers an existing subset.
    int axes = 1;
    if (!m_s.axisSubsets.empty()) {
        axes = 0;
        int first = 0;
        for (size_t a = 0; a < m_s.axisSubsets.size(); ++a) {
            if (m_s.axisSubsets[a] > 0 && first < m_s.subsets) axes = int(a) + 1;
            first += m_s.axisSubsets[a];
        }
        axes = std::max(axes, 1);
    }
    delete m_margins; // its axes went with the layout
    m_margins = new QCPMarginGroup(m_plot);
    QCPMarginGroup* margins = m_margins;
    auto ticker = QSharedPointer<DaysTicker>::create();
    ticker->dateTime = m_s.dateTimeX;
    ticker->setTickCount(6);
    for (int a = 0; a < axes; ++a) {
        auto* rect = new QCPAxisRect(m_plot);
        rect->setupFullAxesBox(false);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        rect->axis(QCPAxis::atBottom)->setTicker(ticker);
        rect->axis(QCPAxis::atTop)->setTicks(false);
        rect->axis(QCPAxis::atRight)->setTicks(false);
        const bool bottom = a == axes - 1;
        rect->axis(QCPAxis::atBottom)->setTickLabels(bottom);
        double stretch = a < int(m_s.axisProportions.size()) ? m_s.axisProportions[size_t(a)] : 0.0;
        if (stretch <= 0.0) stretch = 1.0 / axes;
        grid->addElement(row, 0, rect);
        grid->setRowStretchFactor(row, stretch);
        ++row;
        m_rects.push_back(rect);
        if (a > 0) {
            // All axes share one time range, zoomed or not.
            connect(m_rects[0]->axis(QCPAxis::atBottom),
                    qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                    rect->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::setRange));
            connect(rect->axis(QCPAxis::atBottom),
                    qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                    m_rects[0]->axis(QCPAxis::atBottom),
                    qOverload<const QCPRange&>(&QCPAxis::setRange));
        }
    }
    for (int s = 0; s < m_s.subsets; ++s) {
        QCPAxisRect* rect = m_rects[size_t(std::min(axisOfSubset(s), axes - 1))];
        auto* graph = new QCPGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setData(m_data[size_t(s)]);
        graph->setAdaptiveSampling(true);
        m_graphs.push_back(graph);
    }
    // Subset labels, one line under the chart.
    bool anyLabel = false;
    for (int s = 0; s < m_s.subsets; ++s) {
        m_graphs[size_t(s)]->setName(m_s.subsetStyles[size_t(s)].label);
        anyLabel = anyLabel || (!m_s.subsetStyles[size_t(s)].label.isEmpty() && subsetShown(s));
    }
    if (anyLabel) {
        // The labels sit centred in one line under the chart.
        auto* line = new QCPLayoutGrid;
        grid->addElement(row, 0, line);
        grid->setRowStretchFactor(row, 0.001);
        auto* legend = new QCPLegend;
        line->addElement(0, 0, new QCPLayoutElement(m_plot));
        line->addElement(0, 1, legend);
        line->addElement(0, 2, new QCPLayoutElement(m_plot));
        line->setColumnStretchFactors({1.0, 0.001, 1.0});
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setLayer(QStringLiteral("legend"));
        legend->setFont(base);
        legend->setIconSize(24, 10);
        legend->setColumnSpacing(24);
        legend->setBorderPen(Qt::NoPen);
        legend->setBrush(Qt::NoBrush);
        legend->setMargins(QMargins(4, 0, 4, 2));
        for (int s = 0; s < m_s.subsets; ++s)
            if (!m_s.subsetStyles[size_t(s)].label.isEmpty() && subsetShown(s))
                m_graphs[size_t(s)]->addToLegend(legend);
        m_legend = legend;
    } else {
        m_legend = nullptr;
    }
    m_baseFont = base;
    if (zoomedX) {
        applyScaleRanges();
        for (QCPAxisRect* rect : m_rects)
            rect->axis(QCPAxis::atBottom)->setRange(*zoomedX);
        for (size_t a = 0; a < m_rects.size() && a < zoomedY.size(); ++a)
            m_rects[a]->axis(QCPAxis::atLeft)->setRange(zoomedY[a]);
    }
}

QColor Chart::drawColor(Argb c) const {
    if (m_s.viewingStyle == ViewingStyle::Monochrome) return Qt::black;
    return QColor::fromRgba(c);
}

void Chart::applyLook() {
    const bool mono = m_s.viewingStyle == ViewingStyle::Monochrome;
    const QColor desk = mono ? QColor(Qt::white) : QColor::fromRgba(m_s.deskColor);
    const QColor back = mono ? QColor(Qt::white) : QColor::fromRgba(m_s.graphBackColor);
    const QColor fore = mono ? QColor(Qt::gray) : QColor::fromRgba(m_s.graphForeColor);
    const QColor text = drawColor(m_s.textColor);
    m_plot->setBackground(desk);

    QPen gridPen(fore, 0);
    switch (m_s.gridStyle) {
    case GridStyle::Solid:
        gridPen.setStyle(Qt::SolidLine);
        break;
    case GridStyle::Dot:
        gridPen.setStyle(Qt::DotLine);
        break;
    case GridStyle::Dash:
        gridPen.setStyle(Qt::DashLine);
        break;
    case GridStyle::None:
        gridPen.setStyle(Qt::NoPen);
        break;
    }
    for (size_t a = 0; a < m_rects.size(); ++a) {
        QCPAxisRect* rect = m_rects[a];
        rect->setBackground(back);
        for (QCPAxis* axis : rect->axes()) {
            axis->setBasePen(QPen(text, 1));
            axis->setTickPen(QPen(text, 1));
            axis->setSubTickPen(QPen(text, 1));
            axis->setTickLabelColor(text);
            axis->setLabelColor(text);
            axis->setTickLabelFont(m_baseFont);
            axis->setLabelFont(m_baseFont);
            axis->grid()->setPen(gridPen);
            axis->grid()->setZeroLinePen(Qt::NoPen);
        }
        rect->axis(QCPAxis::atTop)->grid()->setVisible(false);
        rect->axis(QCPAxis::atRight)->grid()->setVisible(false);
        rect->axis(QCPAxis::atLeft)
            ->setLabel(a < m_s.yAxes.size() ? m_s.yAxes[a].label : QString());
        rect->axis(QCPAxis::atBottom)->setLabel(a + 1 == m_rects.size() ? m_s.xLabel : QString());
        Qt::Orientations zoom;
        if (m_s.zoomHorizontal) zoom |= Qt::Horizontal;
        if (m_s.zoomVertical) zoom |= Qt::Vertical;
        rect->setRangeZoom(zoom);
        rect->setRangeZoomAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    }
    const bool zoomable = m_s.zoomHorizontal || m_s.zoomVertical;
    m_plot->setInteraction(QCP::iRangeZoom, zoomable && m_s.scrollingZoom);
    m_plot->setSelectionRectMode(zoomable ? QCP::srmZoom : QCP::srmNone);
    m_plot->selectionRect()->setPen(
        QPen(mono ? QColor(Qt::black) : QColor(Qt::white), 0, Qt::DashLine));
    m_plot->selectionRect()->setBrush(QColor(128, 128, 128, 60));
    for (auto* element : m_plot->plotLayout()->elements(false))
        if (auto* title = qobject_cast<QCPTextElement*>(element)) title->setTextColor(text);
    if (m_legend) m_legend->setTextColor(text);

    static const Qt::PenStyle monoStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                              Qt::DashDotLine};
    for (int s = 0; s < m_s.subsets && size_t(s) < m_graphs.size(); ++s) {
        const SubsetStyle& st = m_s.subsetStyles[size_t(s)];
        QCPGraph* g = m_graphs[size_t(s)];
        QPen pen(mono ? QColor(Qt::black) : QColor::fromRgba(st.color), st.lineWidth);
        if (mono) pen.setStyle(monoStyles[s % 4]);
        g->setPen(pen);
        g->setLineStyle(st.line == LineStyle::Points ? QCPGraph::lsNone
                        : st.line == LineStyle::Step ? QCPGraph::lsStepLeft
                                                     : QCPGraph::lsLine);
        QCPScatterStyle::ScatterShape shape = QCPScatterStyle::ssNone;
        switch (st.point) {
        case PointStyle::None:
            shape =
                st.line == LineStyle::Points ? QCPScatterStyle::ssDisc : QCPScatterStyle::ssNone;
            break;
        case PointStyle::Dot:
            shape = QCPScatterStyle::ssDisc;
            break;
        case PointStyle::Cross:
            shape = QCPScatterStyle::ssCross;
            break;
        case PointStyle::Plus:
            shape = QCPScatterStyle::ssPlus;
            break;
        case PointStyle::Circle:
            shape = QCPScatterStyle::ssCircle;
            break;
        case PointStyle::Square:
            shape = QCPScatterStyle::ssSquare;
            break;
        }
        if (st.line == LineStyle::Line && st.point == PointStyle::None)
            shape = QCPScatterStyle::ssNone;
        // A line needs two points; a lone one is drawn as a dot, or nothing would show.
        const auto& data = *m_data[size_t(s)];
        const bool lone = data.size() == 1 && !std::isnan(data.constBegin()->value);
        if (shape == QCPScatterStyle::ssNone && lone)
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 7));
        else
            g->setScatterStyle(QCPScatterStyle(shape, 5));
        g->setVisible(subsetShown(s));
        // Smooth lines cost more than they show once there are more points than pixels.
        g->setAntialiased(m_data[size_t(s)]->size() < 5000);
    }
}

void Chart::syncData(int s) {
    auto& data = *m_data[size_t(s)];
    const double nullY = m_s.nullValueY;
    const double* x = m_s.x.data() + size_t(s) * size_t(m_s.points);
    const float* y = m_s.y.data() + size_t(s) * size_t(m_s.points);
    auto value = [&](int p) {
        const double v = y[p];
        return v == nullY ? std::numeric_limits<double>::quiet_NaN() : v;
    };
    // A cell with X 0 has never been written (or was reset): it draws nothing. A null Y at a
    // real X leaves a gap.
    if (m_dataDirty[size_t(s)]) {
        QVector<QCPGraphData> all;
        all.reserve(m_s.points);
        bool sorted = true;
        int last = -1;
        for (int p = 0; p < m_s.points; ++p) {
            if (x[p] == 0.0) continue;
            if (!all.isEmpty() && x[p] < all.back().key) sorted = false;
            all.append(QCPGraphData(x[p], value(p)));
            last = p;
        }
        data.set(all, sorted);
        m_dataDirty[size_t(s)] = false;
        m_lastIncluded[size_t(s)] = last;
        m_highestWritten[size_t(s)] = -1;
        return;
    }
    // Only points after the last one in the container were written: append them.
    const int high = std::min(m_highestWritten[size_t(s)], m_s.points - 1);
    for (int p = m_lastIncluded[size_t(s)] + 1; p <= high; ++p) {
        if (x[p] == 0.0) continue;
        data.add(QCPGraphData(x[p], value(p)));
        m_lastIncluded[size_t(s)] = p;
    }
    m_highestWritten[size_t(s)] = -1;
}

void Chart::applyRanges() {
    // A zoom keeps its ranges until it is undone.
    if (!m_zoomed) applyScaleRanges();
}

namespace {
// A range the plot can show: a range without width (one point in time, or a minimum equal to
// its maximum) is widened around its value by halfWidth each side; one that is not finite is
// refused.
std::optional<QCPRange> showableRange(double lower, double upper, double halfWidth) {
    if (!std::isfinite(lower) || !std::isfinite(upper)) return std::nullopt;
    QCPRange r(lower, upper);
    r.normalize();
    if (!QCPRange::validRange(r)) r = QCPRange(r.center() - halfWidth, r.center() + halfWidth);
    if (!QCPRange::validRange(r)) return std::nullopt;
    return r;
}
} // namespace

void Chart::applyScaleRanges() {
    if (m_rects.empty()) return;
    // A time axis of one instant shows the minute around it, so a lone point sits mid-chart.
    const double halfX = 30.0 / DateTimeText::SecondsPerDay;
    std::optional<QCPRange> xr;
    if (m_s.manualX) xr = showableRange(m_s.minX, m_s.maxX, halfX);
    if (!xr) {
        bool found = false;
        QCPRange all;
        for (size_t s = 0; s < m_graphs.size(); ++s) {
            if (!subsetShown(int(s))) continue;
            bool f = false;
            const QCPRange r = m_data[s]->keyRange(f);
            if (!f) continue;
            all = found ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
            found = true;
        }
        if (found) xr = showableRange(all.lower, all.upper, halfX);
    }
    for (QCPAxisRect* rect : m_rects)
        rect->axis(QCPAxis::atBottom)->setRange(xr.value_or(QCPRange(0, 1)));
    for (size_t a = 0; a < m_rects.size(); ++a) {
        const YAxisState axis = a < m_s.yAxes.size() ? m_s.yAxes[a] : YAxisState{};
        std::optional<QCPRange> yr;
        if (axis.manual) yr = showableRange(axis.min, axis.max, 1.0);
        if (!yr) {
            bool found = false;
            QCPRange all;
            for (size_t s = 0; s < m_graphs.size(); ++s) {
                if (m_graphs[s]->valueAxis() != m_rects[a]->axis(QCPAxis::atLeft) ||
                    !subsetShown(int(s)))
                    continue;
                bool f = false;
                const QCPRange r = m_data[s]->valueRange(f);
                if (!f) continue;
                all = found ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper))
                            : r;
                found = true;
            }
            if (found) yr = showableRange(all.lower, all.upper, 1.0);
        }
        m_rects[a]->axis(QCPAxis::atLeft)->setRange(yr.value_or(QCPRange(0, 1)));
    }
}

void Chart::resetImage() {
    if (m_layoutDirty || m_graphs.size() != size_t(m_s.subsets)) rebuildLayout();
    for (int s = 0; s < m_s.subsets; ++s)
        syncData(s);
    applyLook();
    applyRanges();
}

void Chart::invalidateImage() {
    m_plot->replot();
}

void Chart::reinitAndReset() {
    m_layoutDirty = true;
    redraw();
}

void Chart::undoZoom() {
    m_zoomed = false;
    applyRanges();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

// --- Geometry ----------------------------------------------------------------------------------

QRect Chart::plottingRect() const {
    QRect r;
    for (QCPAxisRect* rect : m_rects)
        r = r.united(rect->rect());
    return r;
}

QPointF Chart::pixelToData(QPoint pixel) const {
    if (m_rects.empty()) return {};
    return {m_rects[0]->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x()),
            m_rects[0]->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPoint Chart::dataToPixel(double x, double y) const {
    if (m_rects.empty()) return {};
    // A value far off the axis (or not a number) lands far outside every widget, at a distance
    // that leaves room for the offsets callers add, never beyond what an int holds.
    const auto pixel = [](double v) {
        constexpr double Far = 1e7;
        return std::isnan(v) ? int(-Far) : int(std::lround(std::clamp(v, -Far, Far)));
    };
    return {pixel(m_rects[0]->axis(QCPAxis::atBottom)->coordToPixel(x)),
            pixel(m_rects[0]->axis(QCPAxis::atLeft)->coordToPixel(y))};
}

// Where the table annotation's cells lie (shared by drawing and the mouse).
struct TableGeometry {
    std::vector<int> columnWidths;
    int rowHeight = 0;
    QRect rect;
};

namespace {
QFont scaled(const QFont& base, int percent) {
    QFont f = base;
    f.setPixelSize(std::max(1, base.pixelSize() * percent / 100));
    return f;
}

// Rows to draw: trailing rows with no text show nothing and are left out.
int filledRows(const TableAnnotation& t) {
    int rows = t.rows;
    while (rows > 1 && std::all_of(t.texts.begin() + ptrdiff_t(rows - 1) * t.columns,
                                   t.texts.begin() + ptrdiff_t(rows) * t.columns,
                                   [](const QString& s) { return s.isEmpty(); }))
        --rows;
    return rows;
}

TableGeometry tableGeometry(const TableAnnotation& t, const QFont& font, QPoint origin) {
    TableGeometry g;
    const QFontMetrics fm(font);
    g.rowHeight = fm.height() + 2;
    g.columnWidths.assign(size_t(t.columns), 8);
    for (int r = 0; r < t.rows; ++r)
        for (int c = 0; c < t.columns; ++c)
            g.columnWidths[size_t(c)] = std::max(
                g.columnWidths[size_t(c)],
                fm.horizontalAdvance(t.texts[size_t(r) * size_t(t.columns) + size_t(c)]) + 8);
    int width = 0;
    for (int w : g.columnWidths)
        width += w;
    g.rect = QRect(origin, QSize(width + 4, g.rowHeight * filledRows(t) + 4));
    return g;
}

bool lowContrast(const QColor& a, const QColor& b) {
    return std::abs(a.lightness() - b.lightness()) < 60;
}
} // namespace

struct Chart::PlacedTable {
    QFont font;
    TableGeometry geometry;
};

Chart::PlacedTable Chart::placedTable() const {
    const TableAnnotation& t = m_s.table;
    const QRect bounds = t.insideAxis0 && !m_rects.empty() ? m_rects[0]->rect() : m_plot->rect();
    const QPoint corner = t.insideAxis0 && !m_rects.empty() ? m_rects[0]->topLeft() : QPoint();
    // In 64 bits: a table placed near the end of the int range must not wrap around.
    const auto add = [](int a, int b) {
        return int(std::clamp<qint64>(qint64(a) + b, -MaxTableOffset, MaxTableOffset));
    };
    const QPoint origin(add(corner.x(), t.left), add(corner.y(), t.top));
    PlacedTable placed{scaled(m_baseFont, t.textSize), {}};
    placed.geometry = tableGeometry(t, placed.font, origin);
    // Where it would not fit even when moved, the text gets smaller, down to a readable size.
    constexpr int SmallestPixels = 8;
    while ((placed.geometry.rect.height() > bounds.height() ||
            placed.geometry.rect.width() > bounds.width()) &&
           placed.font.pixelSize() > SmallestPixels) {
        placed.font.setPixelSize(placed.font.pixelSize() - 1);
        placed.geometry = tableGeometry(t, placed.font, origin);
    }
    // Kept inside its area: a table placed (or dragged) past an edge comes back in.
    const QRect& r = placed.geometry.rect;
    placed.geometry.rect = keepInside(r, bounds, r.size());
    return placed;
}

QRect Chart::tableRect() const {
    const TableAnnotation& t = m_s.table;
    if (!t.shown || t.rows <= 0 || t.columns <= 0 || m_rects.empty()) return {};
    return placedTable().geometry.rect;
}

QPoint Chart::tableLocation() const {
    if (m_rects.empty()) return QPoint(m_s.table.left, m_s.table.top);
    return placedTable().geometry.rect.topLeft();
}

void Chart::drawOverlay(QCPPainter* painter) {
    if (m_rects.empty()) return;
    const QRect area = plottingRect();
    const bool mono = m_s.viewingStyle == ViewingStyle::Monochrome;
    const QColor back = mono ? QColor(Qt::white) : QColor::fromRgba(m_s.graphBackColor);
    QCPAxis* xAxis = m_rects[0]->axis(QCPAxis::atBottom);

    painter->save();
    painter->setClipRect(area);
    if (m_s.showLineAnnotations) {
        painter->setFont(scaled(m_baseFont, m_s.lineAnnotationTextSize));
        for (const LineAnnotation& line : m_s.lineAnnotations) {
            if (line.x == 0.0) continue; // never placed
            const double px = xAxis->coordToPixel(line.x);
            if (px < area.left() || px > area.right()) continue;
            painter->setPen(QPen(drawColor(line.color), 1));
            painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
            if (!line.text.isEmpty())
                painter->drawText(QPointF(px + 3, area.top() + painter->fontMetrics().ascent() + 2),
                                  line.text);
        }
    }
    if (m_s.showGraphAnnotations) {
        const QFont font = scaled(m_baseFont, m_s.graphAnnotationTextSize);
        painter->setFont(font);
        const QFontMetrics fm(font);
        for (const GraphAnnotation& a : m_s.graphAnnotations) {
            const bool cross = a.type == AnnotationCross;
            if (!cross && a.text.isEmpty()) continue;
            const QPoint p = dataToPixel(a.x, a.y);
            if (!area.adjusted(-1, -1, 1, 1).contains(p)) continue;
            const QColor color = drawColor(a.color);
            // A mark in the background's own colour gets a light halo so it can still be seen.
            const bool halo = lowContrast(color, back);
            const QColor haloColor =
                back.lightness() < 128 ? QColor(230, 230, 230) : QColor(40, 40, 40);
            if (cross) {
                const int r = 5;
                if (halo) {
                    painter->setPen(QPen(haloColor, 4));
                    painter->drawLine(p + QPoint(-r, -r), p + QPoint(r, r));
                    painter->drawLine(p + QPoint(-r, r), p + QPoint(r, -r));
                }
                painter->setPen(QPen(color, 2));
                painter->drawLine(p + QPoint(-r, -r), p + QPoint(r, r));
                painter->drawLine(p + QPoint(-r, r), p + QPoint(r, -r));
            }
            if (!a.text.isEmpty()) {
                QString text = a.text;
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
                    .replace(QLatin1Char('\r'), QLatin1Char('\n'));
                const QStringList lines = text.split(QLatin1Char('\n'));
                int y = p.y() - fm.height() * int(lines.size()) / 2 + fm.ascent();
                const int x = p.x() + (cross ? 8 : 0);
                for (const QString& line : lines) {
                    if (halo) {
                        painter->setPen(haloColor);
                        for (QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
                            painter->drawText(QPoint(x, y) + d, line);
                    }
                    painter->setPen(color);
                    painter->drawText(QPoint(x, y), line);
                    y += fm.height();
                }
            }
        }
    }
    painter->restore();

    const TableAnnotation& t = m_s.table;
    if (t.shown && t.rows > 0 && t.columns > 0) {
        const PlacedTable placed = placedTable();
        const QFont& font = placed.font;
        const TableGeometry& g = placed.geometry;
        // What the text stands on: the table's colour over the plot's.
        const QColor tableBack = QColor::fromRgba(t.backColor);
        const double alpha = tableBack.alphaF();
        const QColor under =
            QColor::fromRgbF(float(tableBack.redF() * alpha + back.redF() * (1 - alpha)),
                             float(tableBack.greenF() * alpha + back.greenF() * (1 - alpha)),
                             float(tableBack.blueF() * alpha + back.blueF() * (1 - alpha)));
        painter->save();
        painter->setFont(font);
        painter->fillRect(g.rect, QColor::fromRgba(t.backColor));
        if (t.border == TableBorder::Inset) {
            painter->setPen(QPen(QColor(64, 64, 64), 1));
            painter->drawLine(g.rect.topLeft(), g.rect.topRight());
            painter->drawLine(g.rect.topLeft(), g.rect.bottomLeft());
            painter->setPen(QPen(QColor(240, 240, 240), 1));
            painter->drawLine(g.rect.bottomLeft(), g.rect.bottomRight());
            painter->drawLine(g.rect.topRight(), g.rect.bottomRight());
        } else if (t.border == TableBorder::Line) {
            painter->setPen(QPen(Qt::black, 1));
            painter->drawRect(g.rect.adjusted(0, 0, -1, -1));
        }
        const int ascent = QFontMetrics(font).ascent();
        const int rows = filledRows(t);
        int y = g.rect.top() + 2;
        for (int r = 0; r < rows; ++r) {
            int x = g.rect.left() + 2;
            for (int c = 0; c < t.columns; ++c) {
                const size_t i = size_t(r) * size_t(t.columns) + size_t(c);
                QFont f = font;
                f.setBold((t.headerRow && r == 0) || (t.headerColumn && c == 0));
                painter->setFont(f);
                const QColor color = drawColor(t.colors[i]);
                const QPoint at(x + 4, y + 1 + ascent);
                // Red on the see-through grey is hard to read: such text gets a halo.
                if (lowContrast(color, under)) {
                    // By how bright the text looks: red gets white, yellow gets black.
                    painter->setPen(qGray(color.rgb()) >= 128 ? QColor(20, 20, 20)
                                                              : QColor(255, 255, 255));
                    for (QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
                        painter->drawText(at + d, t.texts[i]);
                }
                painter->setPen(color);
                painter->drawText(at, t.texts[i]);
                x += g.columnWidths[size_t(c)];
            }
            y += g.rowHeight;
        }
        painter->restore();
    }
}

// --- Mouse ---------------------------------------------------------------------------------------

int Chart::annotationAt(QPoint pixel) const {
    if (!m_s.showGraphAnnotations) return -1;
    const QFontMetrics fm(scaled(m_baseFont, m_s.graphAnnotationTextSize));
    for (auto it = m_s.graphAnnotations.rbegin(); it != m_s.graphAnnotations.rend(); ++it) {
        const bool cross = it->type == AnnotationCross;
        if (!cross && it->text.isEmpty()) continue;
        const QPoint p = dataToPixel(it->x, it->y);
        if ((p - pixel).manhattanLength() <= HotSpotPixels * 2) return it->index;
        if (!it->text.isEmpty()) {
            const int lines = int(it->text.count(QLatin1Char('\r')) + 1);
            const QRect box(p.x() + (cross ? 8 : 0), p.y() - fm.height() * lines / 2,
                            fm.horizontalAdvance(it->text), fm.height() * lines);
            if (box.contains(pixel)) return it->index;
        }
    }
    return -1;
}

bool Chart::dataPointAt(QPoint pixel, int* subset, int* point) const {
    double best = HotSpotPixels + 0.5;
    bool found = false;
    for (int s = 0; s < m_s.subsets && size_t(s) < m_graphs.size(); ++s) {
        if (!subsetShown(s)) continue;
        QCPAxis* kx = m_graphs[size_t(s)]->keyAxis();
        QCPAxis* vy = m_graphs[size_t(s)]->valueAxis();
        for (int p = 0; p < m_s.points; ++p) {
            const size_t i = cell(s, p);
            if (m_s.x[i] == 0.0 || m_s.y[i] == float(m_s.nullValueY)) continue;
            const double dx = kx->coordToPixel(m_s.x[i]) - pixel.x();
            if (std::abs(dx) > best) continue;
            const double d = std::hypot(dx, vy->coordToPixel(m_s.y[i]) - pixel.y());
            if (d < best) {
                best = d;
                *subset = s;
                *point = p;
                found = true;
            }
        }
    }
    return found;
}

bool Chart::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_plot) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastMouse = e->position().toPoint();
        if (m_draggingTable) {
            const QPoint origin = tableLocation() - QPoint(m_s.table.left, m_s.table.top);
            const QPoint topLeft = m_lastMouse - m_tableGrab - origin;
            m_s.table.left = topLeft.x();
            m_s.table.top = topLeft.y();
            m_plot->replot(QCustomPlot::rpQueuedReplot);
            return true;
        }
        emit mouseMoved();
        if (m_s.graphAnnotationHotSpots && annotationAt(m_lastMouse) >= 0) emit graphHotSpot();
        break;
    }
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastMouse = e->position().toPoint();
        if (e->button() != Qt::LeftButton) break;
        if (m_s.table.movable && tableRect().contains(m_lastMouse)) {
            m_draggingTable = true;
            m_tableGrab = m_lastMouse - tableLocation();
            return true;
        }
        m_pressed = true;
        m_pressPos = m_lastMouse;
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastMouse = e->position().toPoint();
        if (m_draggingTable) {
            m_draggingTable = false;
            return true;
        }
        if (!m_pressed || e->button() != Qt::LeftButton) break;
        m_pressed = false;
        if ((m_lastMouse - m_pressPos).manhattanLength() > ClickSlackPixels) break;
        emit clicked();
        if (m_s.graphAnnotationHotSpots) {
            const int index = annotationAt(m_lastMouse);
            if (index >= 0) emit graphAnnotationHotSpot(false, index);
        }
        int s = 0, p = 0;
        if (m_s.dataHotSpots && dataPointAt(m_lastMouse, &s, &p)) emit dataHotSpot(false, p, s);
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastMouse = e->position().toPoint();
        if (e->button() != Qt::LeftButton) break;
        if (m_s.graphAnnotationHotSpots) {
            const int index = annotationAt(m_lastMouse);
            if (index >= 0) emit graphAnnotationHotSpot(true, index);
        }
        int s = 0, p = 0;
        if (m_s.dataHotSpots && dataPointAt(m_lastMouse, &s, &p)) emit dataHotSpot(true, p, s);
        return true; // not a zoom
    }
    default:
        break;
    }
    return false;
}

// --- Dialogs -------------------------------------------------------------------------------------

void Chart::customize() {
    ChartCustomizeDialog dialog(m_s, this);
    m_customizeResult = 0;
    if (runDialog(dialog) == QDialog::Accepted) {
        ChartState edited = dialog.result(m_s);
        if (!(edited == m_s)) {
            m_s = std::move(edited);
            m_layoutDirty = true;
            m_customizeResult = 1;
        }
    }
    redraw();
    emit customizeDialogClosed();
}

void Chart::printDialog(QPrinter* chosen) {
    std::unique_ptr<QPrinter> own;
    if (!chosen) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        own->setPageOrientation(QPageLayout::Landscape);
    }
    QPrinter& printer = chosen ? *chosen : *own;
    QPrintDialog dialog(&printer, this);
    if (runDialog(dialog) != QDialog::Accepted) return;
    QCPPainter painter(&printer);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    // The chart is laid out again in the page's shape, about as wide as on screen, so it fills
    // the page and its text keeps a readable size.
    const int w = std::clamp(m_plot->width(), 800, 1200);
    const int h = std::max(1, int(w * double(page.height()) / std::max(1, page.width())));
    const double scale = page.width() / double(w);
    // Scaled inside save/restore: the printer's engine keeps the last transform for the next
    // job on the same printer otherwise.
    painter.save();
    painter.scale(scale, scale);
    m_plot->toPainter(&painter, w, h);
    painter.restore();
}

// --- State block ---------------------------------------------------------------------------------

QByteArray Chart::storeState() const {
    return encodeChartState(m_s);
}

bool Chart::loadState(std::span<const uint8_t> block, QString* error) {
    std::optional<ChartState> loaded = decodeChartState(block, error);
    if (!loaded) return false;
    m_s = std::move(*loaded);
    m_data.clear();
    m_layoutDirty = true;
    m_zoomed = false;
    redraw();
    return true;
}

} // namespace chart
