#pragma once
// The chart component every graph window draws with. It keeps its settings, cells and
// annotations in a ChartState (so the whole chart can be stored into a block and loaded back)
// and draws them with QCustomPlot.
//
// Changes to the settings take effect at the next redraw(): resetImage() applies them to the
// plot, invalidateImage() paints. Appended points are added to the plot's data containers; the
// containers are rebuilt only when cells before the last synchronised point change.
#include "graph/chart/ChartState.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QSharedPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <span>

class QCustomPlot;
class QCPAxisRect;
class QCPGraph;
class QCPGraphData;
template <class DataType> class QCPDataContainer;
class QCPLegend;
class QCPMarginGroup;
class QCPPainter;
class QDialog;
class QPrinter;

namespace chart {

class Chart : public QWidget {
    Q_OBJECT
  public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;

    // --- Size -------------------------------------------------------------------------------
    // Changing either keeps the cells that still fit; new cells read X 0 and the null value.
    void setSubsets(int subsets);
    int subsets() const { return m_s.subsets; }
    void setPoints(int points);
    int points() const { return m_s.points; }

    // --- Cells ------------------------------------------------------------------------------
    // subset -1 writes the cell of every subset at that point.
    void setXData(int subset, int point, double x);
    double xData(int subset, int point) const;
    void setYData(int subset, int point, double y);
    float yData(int subset, int point) const;
    // Every cell at once, point after point, each point's values in subset order
    // (subsets x points entries); fewer entries fill the leading cells only.
    void setAllXData(std::span<const double> pointMajor);
    void setAllYData(std::span<const float> pointMajor);
    // Contiguous run of one subset's cells, starting at point 'first'.
    void setSubsetXData(int subset, int first, std::span<const double> values);
    void setSubsetYData(int subset, int first, std::span<const float> values);
    // Cells as stored: subset-major, [subset * points + point].
    std::span<const double> xCells() const { return m_s.x; }
    std::span<const float> yCells() const { return m_s.y; }

    void setNullDataValueY(double v);
    double nullDataValueY() const { return m_s.nullValueY; }
    void setLineGapThreshold(double v) { m_s.lineGapThreshold = v; }
    double lineGapThreshold() const { return m_s.lineGapThreshold; }

    // --- Axes -------------------------------------------------------------------------------
    void setDateTimeX(bool on) { m_s.dateTimeX = on; }
    void setManualScaleX(bool manual);
    bool manualScaleX() const { return m_s.manualX; }
    void setManualMinX(double v);
    void setManualMaxX(double v);
    double manualMinX() const { return m_s.minX; }
    double manualMaxX() const { return m_s.maxX; }
    void setXAxisLabel(const QString& text) { m_s.xLabel = text; }

    // The axis that the Y scale and Y label calls address.
    void setWorkingAxis(int axis);
    int workingAxis() const { return m_s.workingAxis; }
    void setManualScaleY(bool manual);
    bool manualScaleY() const;
    void setManualMinY(double v);
    void setManualMaxY(double v);
    double manualMinY() const;
    double manualMaxY() const;
    void setYAxisLabel(const QString& text);
    QString yAxisLabel() const;

    // Stacked axes: axis 'axis' holds 'count' subsets (in subset order); axis -1 clears the
    // layout, so every subset shares one axis.
    void setMultiAxesSubsets(int axis, int count);
    int multiAxesSubsets(int axis) const;
    int multiAxesCount() const { return int(m_s.axisSubsets.size()); }
    void setMultiAxesProportions(int axis, double fraction);
    double multiAxesProportions(int axis) const;
    void setMultiAxesSeparators(bool thinLines) {
        m_s.axisSeparators = thinLines;
        m_layoutDirty = true;
    }

    // Shown subsets: slot -> subset; slot -1 clears the list. Until the list is first set, every
    // subset is shown; once set, exactly the listed ones (none when it is empty).
    void setSubsetToGraph(int slot, int subset);
    const std::vector<int32_t>& subsetsToGraph() const { return m_s.shownSubsets; }

    // --- Look -------------------------------------------------------------------------------
    void setMainTitle(const QString& t) {
        m_s.mainTitle = t;
        m_layoutDirty = true;
    }
    void setSubTitle(const QString& t) {
        m_s.subTitle = t;
        m_layoutDirty = true;
    }
    void setSubsetLabel(int subset, const QString& text);
    QString subsetLabel(int subset) const;
    void setSubsetColor(int subset, const QColor& c);
    QColor subsetColor(int subset) const;
    void setSubsetLineStyle(int subset, LineStyle style);
    void setSubsetPointStyle(int subset, PointStyle style);
    void setGraphForeColor(const QColor& c) { m_s.graphForeColor = c.rgba(); }
    void setGraphBackColor(const QColor& c) { m_s.graphBackColor = c.rgba(); }
    void setDeskColor(const QColor& c) { m_s.deskColor = c.rgba(); }
    void setTextColor(const QColor& c) { m_s.textColor = c.rgba(); }
    void setGridStyle(GridStyle g) { m_s.gridStyle = g; }
    void setViewingStyle(ViewingStyle v) { m_s.viewingStyle = v; }
    ViewingStyle viewingStyle() const { return m_s.viewingStyle; }
    void setDataLabels(bool on) { m_s.dataLabels = on; }
    void setBaseFont(const QString& family, int pixelSize);

    // --- Interaction ------------------------------------------------------------------------
    void setAllowZoom(bool horizontal, bool vertical);
    void setScrollingZoom(bool on) { m_s.scrollingZoom = on; }
    void setDataHotSpots(bool on) { m_s.dataHotSpots = on; }
    void setGraphAnnotationHotSpots(bool on) { m_s.graphAnnotationHotSpots = on; }
    void setLineAnnotationHotSpots(bool on) { m_s.lineAnnotationHotSpots = on; }
    void setPointer(const QCursor& cursor);
    void setHint(const QString& text);
    QString hint() const;

    // Pages of the customisation dialog.
    void setAllowAxisPage(bool on) { m_s.allowAxisPage = on; }
    void setAllowFontPage(bool on) { m_s.allowFontPage = on; }
    void setAllowPage1(bool on) { m_s.allowPage1 = on; }
    void setAllowPage2(bool on) { m_s.allowPage2 = on; }
    void setAllowSubsetsPage(bool on) { m_s.allowSubsetsPage = on; }

    // --- Graph annotations, by index (created on first use) ----------------------------------
    void setShowGraphAnnotations(bool on) { m_s.showGraphAnnotations = on; }
    void setGraphAnnotationTextSize(int percent) {
        m_s.graphAnnotationTextSize = std::clamp(percent, 1, 1000);
    }
    void setGraphAnnotationType(int index, int type);
    void setGraphAnnotationX(int index, double x);
    void setGraphAnnotationY(int index, double y);
    void setGraphAnnotationText(int index, const QString& text);
    void setGraphAnnotationColor(int index, const QColor& c);
    // The annotation at index, or a default one (type 0, empty text) when never set.
    GraphAnnotation graphAnnotation(int index) const;

    // --- Vertical line annotations ----------------------------------------------------------
    void setShowLineAnnotations(bool on) { m_s.showLineAnnotations = on; }
    bool showLineAnnotations() const { return m_s.showLineAnnotations; }
    void setLineAnnotationTextSize(int percent) {
        m_s.lineAnnotationTextSize = std::clamp(percent, 1, 1000);
    }
    void setLineAnnotation(int index, double x, const QColor& c, const QString& text = {});
    void setLineAnnotationColor(int index, const QColor& c);
    LineAnnotation lineAnnotation(int index) const;

    // --- Table annotation -------------------------------------------------------------------
    void setTableSize(int rows, int columns);
    int tableRows() const { return m_s.table.rows; }
    int tableColumns() const { return m_s.table.columns; }
    void setTableText(int row, int column, const QString& text);
    QString tableText(int row, int column) const;
    void setTableColor(int row, int column, const QColor& c);
    QColor tableColor(int row, int column) const;
    void setTableBackColor(const QColor& c) { m_s.table.backColor = c.rgba(); }
    void setShowTable(bool on) { m_s.table.shown = on; }
    bool isTableShown() const { return m_s.table.shown; }
    void setTableInsideAxis0(int left, int top);
    void setTableMovable(bool on) { m_s.table.movable = on; }
    void setTableHeaders(bool row, bool column);
    void setTableBorder(TableBorder b) { m_s.table.border = b; }
    void setTableTextSize(int percent) { m_s.table.textSize = std::clamp(percent, 1, 1000); }
    // Top-left corner of the table in widget pixels (after any move by the user), and the
    // rectangle it is drawn in: inside axis 0 (or the widget), moved back in from an edge it
    // would run over, its text smaller where it would not fit at all.
    QPoint tableLocation() const;
    QRect tableRect() const;

    // --- Actions ----------------------------------------------------------------------------
    void reinitAndReset();  // rebuild the axes layout from the settings, then redraw
    void resetImage();      // apply every setting to the plot
    void invalidateImage(); // paint
    void redraw() {
        resetImage();
        invalidateImage();
    }
    void undoZoom(); // back to the scales of the settings
    bool isZoomed() const { return m_zoomed; }
    // The customisation dialog; emits customizeDialogClosed() afterwards.
    void customize();
    int customizeDialogResult() const { return m_customizeResult; }
    // The print dialog, then the chart on the printer chosen; on a printer of the chart's own
    // (landscape) when none is given.
    void printDialog(QPrinter* printer = nullptr);
    // Modal dialogs of the chart run through this (tests answer them).
    std::function<int(QDialog&)> runDialog;

    // --- Mouse and geometry -----------------------------------------------------------------
    QPoint lastMousePosition() const { return m_lastMouse; }
    QRect plottingRect() const; // plotting area of axis 0, widget pixels
    // Pixel position to X (date-time) and Y of axis 0.
    QPointF pixelToData(QPoint pixel) const;
    QPoint dataToPixel(double x, double y) const;

    // --- State block ------------------------------------------------------------------------
    QByteArray storeState() const;
    // Refuses a bad block with *error set; the chart is then unchanged.
    bool loadState(std::span<const uint8_t> block, QString* error = nullptr);
    const ChartState& state() const { return m_s; }

    // Drawing surface (screenshots, benchmarks).
    QCustomPlot* plot() const { return m_plot; }

  signals:
    void clicked();
    void mouseMoved();
    void zoomedIn();
    void dataHotSpot(bool doubleClick, int point, int subset);
    void graphHotSpot();
    void graphAnnotationHotSpot(bool doubleClick, int index);
    void customizeDialogClosed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    size_t cell(int subset, int point) const {
        return size_t(subset) * size_t(m_s.points) + size_t(point);
    }
    bool validCell(int subset, int point) const;
    void cellChanged(int subset, int point);
    void allCellsChanged();
    void resizeCells(int subsets, int points);
    YAxisState& working();
    const YAxisState& working() const;
    GraphAnnotation& annotationAt(int index);

    void rebuildLayout();
    void applyLook();
    void applyRanges();      // the scales of the settings, unless zoomed
    void applyScaleRanges(); // the scales of the settings
    void syncData(int subset);
    void applyAnnotations();
    int axisOfSubset(int subset) const;
    bool subsetShown(int subset) const;
    int annotationAt(QPoint pixel) const;
    bool dataPointAt(QPoint pixel, int* subset, int* point) const;
    struct PlacedTable;
    PlacedTable placedTable() const; // the table as drawn: its font and where it lies
    QColor drawColor(Argb c) const;

    ChartState m_s;
    QCustomPlot* m_plot = nullptr;
    std::vector<QCPAxisRect*> m_rects;                                  // one per stacked axis
    std::vector<QCPGraph*> m_graphs;                                    // one per subset
    std::vector<QSharedPointer<QCPDataContainer<QCPGraphData>>> m_data; // one per subset
    std::vector<int> m_lastIncluded;   // last point of each subset put in its container
    std::vector<bool> m_dataDirty;     // container must be rebuilt
    std::vector<int> m_highestWritten; // highest point written since the last sync
    bool m_layoutDirty = true;
    bool m_zoomed = false;
    int m_customizeResult = 0;
    QPoint m_lastMouse;
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_draggingTable = false;
    QPoint m_tableGrab;
    class Overlay;
    friend class Overlay;
    Overlay* m_overlay = nullptr;
    QCPLegend* m_legend = nullptr;
    QCPMarginGroup* m_margins = nullptr;
    QFont m_baseFont;
    void drawOverlay(QCPPainter* painter);
};

} // namespace chart
