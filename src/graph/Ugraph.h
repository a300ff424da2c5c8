#pragma once
// TfrmGraph: the child window that shows one chart of CO2 ppm, %RH and temperature against
// date and time, with the upper and lower statistic panels and the chart tools. The same class
// serves the "Real-Time Graph" window, the "DataLogger" window and the windows of opened files
// and tables; the caption tells which.
#include "graph/GraphStatistics.h"
#include "graph/chart/Chart.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>

class QCheckBox;
class QGridLayout;
class QColorDialog;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QToolBar;
class QToolButton;
class TfrmMain;
struct DataSetStore;

// A read-only statistic box. It asks for a width that holds its text and gives way, down to a
// few characters, when its row has no room, rather than covering the label beside it.
class StatisticBox : public QLineEdit {
  public:
    StatisticBox(const QString& name, int width);
    QSize sizeHint() const override;
    int preferredWidth() const { return m_width; }
    void setPreferredWidth(int width);

  private:
    int m_width;
};

class TfrmGraph : public QWidget {
    Q_OBJECT
  public:
    static inline const QString RealTimeCaption = QStringLiteral("Real-Time Graph");
    static inline const QString DataLoggerCaption = QStringLiteral("DataLogger");

    explicit TfrmGraph(TfrmMain& main, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    // Client area 1160 x 615; the main window arranges its children as it sees fit.
    QSize sizeHint() const override;

    // The newest graph window (the window class's own reference); null when none is open.
    static TfrmGraph* latest();

    // --- Chart preparation --------------------------------------------------------------------
    // Prepares a chart: template (when present), cell reset, X range (manual unless xMin is 0),
    // two stacked axes (ppm; %RH and Temp.) with the given ranges, then the redraw sequence.
    static void ConfigureGraph(chart::Chart& chart, int subsets, int points, double xMin,
                               double xMax, float ppmMin, float ppmMax, float rhMin, float rhMax);
    // The same for the three quantities with the usual ranges (ppm 0..10000, %RH/Temp. -50..100),
    // on any chart or on this window's.
    static void ConfigureGraph(chart::Chart& chart, int points, double xMin, double xMax);
    void ConfigureGraph(int points, double xMin, double xMax);

    // Where ConfigureGraph looks for the template: the user's own (userTemplatePath) when there
    // is one, else <folder>/template/graph.ghf, the folder being templateFolder, or the
    // executable's folder when that is empty.
    static QString templatePath();
    static inline QString templateFolder;
    // The user's template, which the scale and customisation dialogs write: template/graph.ghf
    // in userTemplateFolder, or in the user's data folder when that is empty. The program's
    // folder is often not the user's to write.
    static QString userTemplatePath();
    static inline QString userTemplateFolder;
    // Writes the chart as the user's template, making its folder when needed; failures are shown.
    bool saveTemplate(chart::Chart& chart);
    // Reads a graph file into a chart (installed by the file commands); returns false when the
    // file could not be read. Unset: no template is loaded.
    static inline std::function<bool(chart::Chart&, const QString& fileName)> readGraphFile;
    // Saves a chart through the save dialog (installed by the file commands).
    static inline std::function<void(chart::Chart&)> saveChart;

    // Fills this window's chart with data set n (from 0) of the data set store.
    // Charts data set n (0-based) of the store as ShowDataSet does, on any chart; false when
    // n is out of range or the store's arrays are shorter than its counts.
    static bool chartDataSet(chart::Chart& chart, const DataSetStore& store, int n);
    void ShowDataSet(int n);
    // Empties the chart, the data number and the MAX/MIN/AVG boxes; SampleCount = 0;
    // annotations from index 3 up move to 0,0 and AnnotationIndex goes back to 3.
    void ClearGraph();
    // Recomputes the upper panel and the nine MAX/MIN/AVG boxes from every point of the chart.
    void UpdateStatistics();

    // --- What the real-time recording uses --------------------------------------------------
    // Writes one sample at a point: X of the three subsets and their Y values. No redraw.
    void setSample(int point, double time, float ppm, float rh, float temperature);
    // Resets every cell (X 0, Y the null value), so the chart draws nothing.
    void resetCells();
    // The redraw sequence.
    void redrawChart();
    // The MAX / MIN / AVG boxes of a quantity (GraphStatistics::Ppm, RH, Temp).
    QLineEdit* maxBox(GraphStatistics::Quantity q) const;
    QLineEdit* minBox(GraphStatistics::Quantity q) const;
    QLineEdit* avgBox(GraphStatistics::Quantity q) const;
    void setMaxText(GraphStatistics::Quantity q, const QString& text);
    void setMinText(GraphStatistics::Quantity q, const QString& text);
    void setAverageText(GraphStatistics::Quantity q, const QString& text);
    QString maxText(GraphStatistics::Quantity q) const;
    QString minText(GraphStatistics::Quantity q) const;
    QString averageText(GraphStatistics::Quantity q) const;
    // Empties the nine MAX/MIN/AVG boxes.
    void clearStatisticBoxes();
    void setStartTime(double time);
    void setDataNo(int count);
    // The sampling-rate lists: minutes and seconds indices; the interval they show, in seconds
    // (0 when a list has no selection).
    void setSamplingRate(int seconds);
    int samplingRate() const;
    // Shows the "Clear" button and the separator before it (the real-time window only).
    void setClearButtonShown(bool shown);
    // Hides the "Show MAX/MIN on Graph" table.
    void hideMaxMinTable();

    // --- Handlers -----------------------------------------------------------------------------
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    // FormCloseQuery in two steps, so the main window can ask every child before any acts:
    // the question about this window's unsaved data (NoButton when there is none to ask),
    // then acting on its answer (Yes saves). False when a Yes saved nothing: the data then
    // still counts as unsaved and the window stays.
    QMessageBox::StandardButton askCloseQuestion();
    bool actOnCloseAnswer(QMessageBox::StandardButton answer);
    void Grid2Click();
    void chkppmClick();
    void ToolButton1Click();
    void ToolButton2Click();
    void PESGraph1MouseMove();
    void PESGraph1DataHotSpot(bool doubleClick, int point, int subset);
    void PESGraph1ZoomIn();
    void UndoZoomClick();
    void Button2Click();
    void pnlGraphResize();

    // --- Chart tools (GraphTools.cpp) ---------------------------------------------------------
    void ToolButton4Click(); // "Normal Cursor"
    void ToolButton5Click(); // "Draw A Cross On Graph"
    void ToolButton9Click(); // "Text"
    void PESGraph1Click();   // places a cross or a text in the cross or text mode
    void PESGraph1GraphHotSpot();
    void PESGraph1GraphAnnotHotSpot(bool doubleClick, int index);
    void ToolButton15Click(); // "Set Annotation Color"
    void btnChangeScaleClick();
    void Button1Click(); // "Graph Option"
    void PESGraph1CustomizeDlg();
    void chkSplitClick();
    void ToolButton7Click(); // "Color" and "Monochrome"
    void Button3Click();     // "Font"
    // The "CROSS" pointer: hot spot at its top-left corner, the lines cross 15, 15 from it.
    static QCursor crossPointer();

    // --- Controls -----------------------------------------------------------------------------
    QWidget* pnlDataSets = nullptr;
    QTableWidget* Grid2 = nullptr; // row 0 is the fixed header row; row k + 1 is data set k
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton15 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QAction* toolSeparator = nullptr; // separator before "Clear", shown with it
    QToolButton* tbntClr = nullptr;
    QPushButton* UndoZoom = nullptr;
    QCheckBox* chkSplit = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* btnChangeScale = nullptr;
    QPushButton* Button3 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QCheckBox* chkppm = nullptr;
    QCheckBox* chkRH = nullptr;
    QCheckBox* chkT1 = nullptr;
    QWidget* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QWidget* pnlSamplingRate = nullptr;
    QComboBox* ComboBox1 = nullptr; // minutes "00".."60"
    QComboBox* ComboBox2 = nullptr; // seconds "00".."60"
    QLineEdit* txtDataNo = nullptr;
    QPushButton* Button2 = nullptr;
    QWidget* pnlGraph = nullptr;
    chart::Chart* PESGraph1 = nullptr;
    QLabel* Panel12 = nullptr;
    QWidget* pnlStatistic = nullptr;
    QLineEdit* txtppmMax = nullptr;
    QLineEdit* txtppmMin = nullptr;
    QLineEdit* txtppmAvg = nullptr;
    QLineEdit* txtRHMax = nullptr;
    QLineEdit* txtRHMin = nullptr;
    QLineEdit* txtRHAvg = nullptr;
    QLineEdit* txtT1Max = nullptr;
    QLineEdit* txtT1Min = nullptr;
    QLineEdit* txtT1Avg = nullptr;
    QColor annotationColor; // the colour dialog's colour, from AnnoColor at creation

    TfrmMain& mainWindow() { return m_main; }

  signals:
    // The user picked another entry in one of the sampling-rate lists (ComboBox1Change).
    void samplingRateChanged();
    // The "Clear" button was pressed (tbntClrClick).
    void clearClicked();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void buildLayout();
    void connectTools();
    void arrangeUpperPanel(); // the upper panel's groups in one row, or in two when narrow

    TfrmMain& m_main;
    bool m_shownOnce = false;
    QAction* m_clearAction = nullptr;
    QFont m_panelFont; // the font dialog's font (the statistic panels' font once chosen)
    QGridLayout* m_upperLayout = nullptr;
    QWidget* m_timeGroup = nullptr;  // "Start Time" and "Sampling Rate"
    QWidget* m_countGroup = nullptr; // "Data No." and "Show MAX/MIN on Graph"
    bool m_upperOneRow = true;
};
