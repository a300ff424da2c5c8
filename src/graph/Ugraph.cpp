#include "graph/Ugraph.h"

#include "app/DateTimeText.h"
#include "app/DialogService.h"
#include "app/Umain.h"
#include "files/FileCommands.h"
#include "logger/DataSetTexts.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using chart::Chart;
using GraphStatistics::Quantity;

namespace {
QPointer<TfrmGraph> s_latest;

constexpr int GridColumns = 11;
constexpr int GridWidths[GridColumns] = {25, 60, 60, 65, 40, 40, 60, 40, 40, 40, 40};

QToolButton* toolButton(QToolBar* bar, const QString& name, const QString& text,
                        const QString& hint, bool checkable) {
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    b->setMinimumWidth(26);
    bar->addWidget(b);
    return b;
}

QLineEdit* readOnlyBox(const QString& name, int width) {
    return new StatisticBox(name, width);
}

QComboBox* rateList(const QString& name, const QString& initial) {
    auto* c = new QComboBox;
    c->setObjectName(name);
    for (int i = 0; i <= 60; ++i)
        c->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    c->setCurrentIndex(c->findText(initial));
    return c;
}

int listIndex(int value) {
    return value >= 0 && value <= 60 ? value : -1;
}
} // namespace

StatisticBox::StatisticBox(const QString& name, int width) : m_width(width) {
    setObjectName(name);
    setReadOnly(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize StatisticBox::sizeHint() const {
    return {m_width, QLineEdit::sizeHint().height()};
}

void StatisticBox::setPreferredWidth(int width) {
    m_width = width;
    updateGeometry();
}

TfrmGraph::TfrmGraph(TfrmMain& main, QWidget* parent) : QWidget(parent), m_main(main) {
    setObjectName(QStringLiteral("frmGraph"));
    buildLayout();
    connectTools();
    FormCreate();
    s_latest = this;
    connect(m_main.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w && w->widget() == this) FormActivate();
    });
}

TfrmGraph::~TfrmGraph() {
    AppState& st = m_main.state();
    if (st.RealTimeGraph == this) st.RealTimeGraph = nullptr;
    if (st.DataLoggerGraph == this) st.DataLoggerGraph = nullptr;
}

QSize TfrmGraph::sizeHint() const {
    return {1160, 615};
}

TfrmGraph* TfrmGraph::latest() {
    return s_latest.data();
}

void TfrmGraph::buildLayout() {
    resize(1160, 615);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Data sets (shown in the "DataLogger" window only).
    pnlDataSets = new QWidget;
    pnlDataSets->setObjectName(QStringLiteral("pnlDataSets"));
    auto* setsLayout = new QVBoxLayout(pnlDataSets);
    setsLayout->setContentsMargins(2, 2, 2, 2);
    auto* setsTitle = new QLabel(QStringLiteral("Data Sets"));
    setsTitle->setAlignment(Qt::AlignCenter);
    setsLayout->addWidget(setsTitle);
    Grid2 = new QTableWidget(2, GridColumns);
    Grid2->setObjectName(QStringLiteral("Grid2"));
    Grid2->horizontalHeader()->hide();
    Grid2->verticalHeader()->hide();
    Grid2->verticalHeader()->setDefaultSectionSize(20);
    Grid2->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid2->horizontalHeader()->setMinimumSectionSize(8);
    QFont gridFont = Grid2->font();
    gridFont.setPixelSize(11);
    Grid2->setFont(gridFont);
    Grid2->setTextElideMode(Qt::ElideNone);
    Grid2->setWordWrap(false);
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid2->viewport()->setCursor(Qt::PointingHandCursor);
    int gridWidth = 0;
    for (int w : GridWidths)
        gridWidth += w;
    Grid2->setMinimumWidth(gridWidth + 24);
    setsLayout->addWidget(Grid2);
    pnlDataSets->setFixedWidth(gridWidth + 30);
    pnlDataSets->hide();
    outer->addWidget(pnlDataSets);
    connect(Grid2, &QTableWidget::cellClicked, this, [this] { Grid2Click(); });

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    outer->addLayout(right, 1);

    // Tool bars.
    auto* bars = new QHBoxLayout;
    bars->setSpacing(8);
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolButton1 = toolButton(ToolBar1, QStringLiteral("ToolButton1"), QStringLiteral("Stat"),
                             QStringLiteral("Toggle Graph Statistic"), true);
    ToolButton1->setChecked(true);
    ToolButton2 = toolButton(ToolBar1, QStringLiteral("ToolButton2"), QStringLiteral("Line"),
                             QStringLiteral("Toggle Line Cursor Statistic"), true);
    ToolButton2->setChecked(true);
    connect(ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    ToolBar1->addSeparator();
    ToolButton4 = toolButton(ToolBar1, QStringLiteral("ToolButton4"), QStringLiteral("\u2196"),
                             QStringLiteral("Normal Cursor"), true);
    ToolButton5 = toolButton(ToolBar1, QStringLiteral("ToolButton5"), QStringLiteral("\u2715"),
                             QStringLiteral("Draw A Cross On Graph"), true);
    ToolButton9 = toolButton(ToolBar1, QStringLiteral("ToolButton9"), QStringLiteral("T"),
                             QStringLiteral("Text"), true);
    for (QToolButton* b : {ToolButton4, ToolButton5, ToolButton9})
        b->setAutoExclusive(true);
    ToolButton4->setChecked(true);
    ToolButton15 = toolButton(ToolBar1, QStringLiteral("ToolButton15"), QStringLiteral("\u25A0"),
                              QStringLiteral("Set Annotation Color"), false);
    ToolButton6 = toolButton(ToolBar1, QStringLiteral("ToolButton6"), QStringLiteral("Color"),
                             QStringLiteral("Color"), true);
    ToolButton7 = toolButton(ToolBar1, QStringLiteral("ToolButton7"), QStringLiteral("Mono"),
                             QStringLiteral("Monochrome"), true);
    auto* colours = new QButtonGroup(this);
    colours->addButton(ToolButton6);
    colours->addButton(ToolButton7);
    ToolButton6->setChecked(true);
    for (QAction* a : ToolBar1->actions())
        if (ToolBar1->widgetForAction(a) == ToolButton6 ||
            ToolBar1->widgetForAction(a) == ToolButton7)
            a->setVisible(false);
    toolSeparator = ToolBar1->addSeparator();
    toolSeparator->setVisible(false);
    tbntClr = toolButton(ToolBar1, QStringLiteral("tbntClr"), QStringLiteral("Clear"),
                         QStringLiteral("Clear"), false);
    m_clearAction = ToolBar1->actions().last();
    m_clearAction->setVisible(false);
    connect(tbntClr, &QToolButton::clicked, this, [this] { emit clearClicked(); });
    UndoZoom = new QPushButton(QStringLiteral("Undo Zoom"));
    UndoZoom->setObjectName(QStringLiteral("UndoZoom"));
    UndoZoom->setEnabled(false);
    ToolBar1->addWidget(UndoZoom);
    connect(UndoZoom, &QPushButton::clicked, this, [this] { UndoZoomClick(); });
    chkSplit = new QCheckBox(QStringLiteral("Split"));
    chkSplit->setObjectName(QStringLiteral("chkSplit"));
    chkSplit->setChecked(true);
    ToolBar1->addWidget(chkSplit)->setVisible(false);
    Button1 = new QPushButton(QStringLiteral("Graph Option"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Graph Customization"));
    ToolBar1->addWidget(Button1);
    btnChangeScale = new QPushButton(QStringLiteral("Y Axis"));
    btnChangeScale->setObjectName(QStringLiteral("btnChangeScale"));
    btnChangeScale->setToolTip(
        QStringLiteral("set the maximum and minimum extent of the left y axis."));
    ToolBar1->addWidget(btnChangeScale);
    Button3 = new QPushButton(QStringLiteral("Font"));
    Button3->setObjectName(QStringLiteral("Button3"));
    ToolBar1->addWidget(Button3);
    bars->addWidget(ToolBar1);

    ToolBar2 = new QToolBar;
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    chkppm = new QCheckBox(QStringLiteral("ppm"));
    chkRH = new QCheckBox(QStringLiteral("%RH"));
    chkT1 = new QCheckBox(QStringLiteral("Temp."));
    chkppm->setObjectName(QStringLiteral("chkppm"));
    chkRH->setObjectName(QStringLiteral("chkRH"));
    chkT1->setObjectName(QStringLiteral("chkT1"));
    for (QCheckBox* c : {chkppm, chkRH, chkT1}) {
        c->setChecked(true);
        ToolBar2->addWidget(c);
        connect(c, &QCheckBox::clicked, this, [this] { chkppmClick(); });
    }
    bars->addWidget(ToolBar2);
    bars->addStretch(1);
    right->addLayout(bars);

    // Upper statistic panel.
    pnlGraphStatistic = new QWidget;
    pnlGraphStatistic->setObjectName(QStringLiteral("pnlGraphStatistic"));
    // Two groups side by side; where the window is too narrow for both (800 pixels, or a
    // bigger font), the second goes under the first instead of covering it.
    m_upperLayout = new QGridLayout(pnlGraphStatistic);
    m_upperLayout->setContentsMargins(4, 2, 4, 2);
    m_upperLayout->setHorizontalSpacing(12);
    m_upperLayout->setVerticalSpacing(2);
    m_timeGroup = new QWidget;
    auto* upper = new QHBoxLayout(m_timeGroup);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->addWidget(new QLabel(QStringLiteral("Start Time")));
    txtStartTime = readOnlyBox(QStringLiteral("txtStartTime"), 170);
    upper->addWidget(txtStartTime);
    upper->addSpacing(12);
    upper->addWidget(new QLabel(QStringLiteral("Sampling Rate")));
    pnlSamplingRate = new QWidget;
    pnlSamplingRate->setObjectName(QStringLiteral("pnlSamplingRate"));
    auto* rate = new QHBoxLayout(pnlSamplingRate);
    rate->setContentsMargins(0, 0, 0, 0);
    ComboBox1 = rateList(QStringLiteral("ComboBox1"), QStringLiteral("00"));
    ComboBox2 = rateList(QStringLiteral("ComboBox2"), QStringLiteral("02"));
    rate->addWidget(ComboBox1);
    rate->addWidget(ComboBox2);
    rate->addWidget(new QLabel(QStringLiteral("mm:ss")));
    pnlSamplingRate->setEnabled(false);
    for (QComboBox* c : {ComboBox1, ComboBox2})
        connect(c, &QComboBox::activated, this, [this] { emit samplingRateChanged(); });
    upper->addWidget(pnlSamplingRate);
    m_countGroup = new QWidget;
    upper = new QHBoxLayout(m_countGroup);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->addWidget(new QLabel(QStringLiteral("Data No.")));
    txtDataNo = readOnlyBox(QStringLiteral("txtDataNo"), 70);
    txtDataNo->setText(QStringLiteral("0"));
    upper->addWidget(txtDataNo);
    upper->addSpacing(12);
    Button2 = new QPushButton(QStringLiteral("Show MAX/MIN on Graph"));
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    upper->addWidget(Button2);
    m_upperLayout->addWidget(m_timeGroup, 0, 0, Qt::AlignLeft);
    m_upperLayout->addWidget(m_countGroup, 0, 1, Qt::AlignLeft);
    m_upperLayout->setColumnStretch(2, 1);
    pnlGraphStatistic->installEventFilter(this);
    right->addWidget(pnlGraphStatistic);

    // The chart, with the read-out panel on its top-left corner.
    pnlGraph = new QWidget;
    pnlGraph->setObjectName(QStringLiteral("pnlGraph"));
    auto* graphLayout = new QVBoxLayout(pnlGraph);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    PESGraph1 = new Chart;
    PESGraph1->setObjectName(QStringLiteral("PESGraph1"));
    graphLayout->addWidget(PESGraph1);
    Panel12 = new QLabel(PESGraph1);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    Panel12->setAutoFillBackground(true);
    Panel12->setMinimumWidth(150);
    Panel12->setContentsMargins(4, 1, 4, 1);
    Panel12->move(0, 0);
    pnlGraph->installEventFilter(this);
    right->addWidget(pnlGraph, 1);
    PESGraph1->runDialog = [this](QDialog& d) { return m_main.dialogs().exec(d); };
    connect(PESGraph1, &Chart::mouseMoved, this, [this] { PESGraph1MouseMove(); });
    connect(PESGraph1, &Chart::dataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    connect(PESGraph1, &Chart::zoomedIn, this, [this] { PESGraph1ZoomIn(); });

    // Lower statistic panel.
    pnlStatistic = new QWidget;
    pnlStatistic->setObjectName(QStringLiteral("pnlStatistic"));
    auto* lower = new QGridLayout(pnlStatistic);
    lower->setContentsMargins(4, 2, 4, 2);
    lower->setHorizontalSpacing(6);
    lower->setVerticalSpacing(2);
    const QString rows[3] = {QStringLiteral("ppm MAX "), QStringLiteral("RH MAX "),
                             QStringLiteral("T1 MAX ")};
    const QString prefixes[3] = {QStringLiteral("ppm"), QStringLiteral("RH"), QStringLiteral("T1")};
    QLineEdit** boxes[3][3] = {{&txtppmMax, &txtppmMin, &txtppmAvg},
                               {&txtRHMax, &txtRHMin, &txtRHAvg},
                               {&txtT1Max, &txtT1Min, &txtT1Avg}};
    for (int r = 0; r < 3; ++r) {
        *boxes[r][0] = readOnlyBox(QStringLiteral("txt%1Max").arg(prefixes[r]), 200);
        *boxes[r][1] = readOnlyBox(QStringLiteral("txt%1Min").arg(prefixes[r]), 200);
        *boxes[r][2] = readOnlyBox(QStringLiteral("txt%1Avg").arg(prefixes[r]), 80);
        (*boxes[r][2])->setText(QStringLiteral("***.* "));
        lower->addWidget(new QLabel(rows[r]), r, 0, Qt::AlignRight);
        lower->addWidget(*boxes[r][0], r, 1);
        lower->addWidget(new QLabel(QStringLiteral("MIN")), r, 2, Qt::AlignRight);
        lower->addWidget(*boxes[r][1], r, 3);
        lower->addWidget(new QLabel(QStringLiteral("AVG")), r, 4, Qt::AlignRight);
        lower->addWidget(*boxes[r][2], r, 5);
    }
    lower->setColumnStretch(6, 1);
    right->addWidget(pnlStatistic);
}

void TfrmGraph::FormCreate() {
    Grid2->setRowCount(2);
    for (int c = 0; c < GridColumns; ++c) {
        // The data sets' titles; the two spare columns have none.
        auto* header = new QTableWidgetItem(
            c < DataSetTextColumns ? QString::fromLatin1(DataSetHeaders[size_t(c)]) : QString());
        header->setFlags(Qt::ItemIsEnabled);
        header->setBackground(palette().button());
        Grid2->setItem(0, c, header);
        Grid2->setColumnWidth(c, GridWidths[c]);
    }
    annotationColor = QColor::fromRgba(chart::fromBgr(uint32_t(m_main.state().AnnoColor)));
}

// --- Chart preparation ---------------------------------------------------------------------------

QString TfrmGraph::templatePath() {
    const QString user = userTemplatePath();
    if (QFileInfo::exists(user)) return user;
    const QString folder =
        templateFolder.isEmpty() ? QCoreApplication::applicationDirPath() : templateFolder;
    return folder + QStringLiteral("/template/graph.ghf");
}

QString TfrmGraph::userTemplatePath() {
    const QString folder = userTemplateFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                               : userTemplateFolder;
    return folder + QStringLiteral("/template/graph.ghf");
}

bool TfrmGraph::saveTemplate(Chart& chart) {
    const QString path = userTemplatePath();
    QDir().mkpath(QFileInfo(path).path()); // a failure shows as the file error below
    return m_main.fileCommands().WriteGraphFile(chart, path);
}

void TfrmGraph::ConfigureGraph(Chart& c, int subsets, int points, double xMin, double xMax,
                               float ppmMin, float ppmMax, float rhMin, float rhMax) {
    bool fromTemplate = false;
    const QString path = templatePath();
    if (readGraphFile && QFileInfo::exists(path)) fromTemplate = readGraphFile(c, path);

    c.setNullDataValueY(99999);
    c.setSubsets(subsets);
    c.setPoints(points);
    for (int k = 0; k < subsets; ++k) {
        c.setXData(-1, k, 0);
        c.setYData(-1, k, 99999.0);
    }
    c.setDataLabels(false);

    if (xMin != 0) {
        c.setManualScaleX(true);
        c.setManualMinX(xMin);
        c.setManualMaxX(xMax);
    }

    if (!fromTemplate) {
        c.setShowLineAnnotations(true);
        c.setLineAnnotationHotSpots(true);
        c.setLineAnnotationTextSize(80);
        c.setLineAnnotationTextSize(100);
        c.setLineAnnotationColor(0, QColor::fromRgba(chart::fromBgr(0xFF0000)));
        c.setLineAnnotationColor(1, QColor::fromRgba(chart::fromBgr(0x0000FF)));
        c.setShowGraphAnnotations(true);
        c.setGraphAnnotationTextSize(100);
        c.setGridStyle(chart::GridStyle::Dot);
        c.setMainTitle(QString());
        c.setSubTitle(QStringLiteral(" "));
        c.setSubsetLabel(0, QStringLiteral("ppm"));
        c.setSubsetLabel(1, QStringLiteral("RH"));
        c.setSubsetLabel(2, QStringLiteral("Temp."));
        c.setDateTimeX(true);
        c.setXAxisLabel(QStringLiteral("Time"));
        c.setAllowZoom(true, true);
        c.setScrollingZoom(true);
        c.setGraphForeColor(QColor::fromRgba(chart::fromBgr(0x008000)));
        c.setGraphBackColor(QColor::fromRgba(chart::fromBgr(0x000000)));
        c.setDeskColor(QColor::fromRgba(chart::fromBgr(0xC0C0C0)));
        c.setTextColor(QColor::fromRgba(chart::fromBgr(0x000000)));
        c.setSubsetColor(0, QColor::fromRgba(chart::fromBgr(0x00FFFF)));
        c.setSubsetColor(1, QColor::fromRgba(chart::fromBgr(0xFF0000)));
        c.setSubsetColor(2, QColor::fromRgba(chart::fromBgr(0x0000FF)));
        c.setAllowAxisPage(false);
        c.setPointer(Qt::ArrowCursor);
        c.setWorkingAxis(0);
        c.setYAxisLabel(QString());
        c.setManualScaleY(true);
        c.setManualMinY(ppmMin);
        c.setManualMaxY(ppmMax);
    }

    c.setSubsetLabel(0, QStringLiteral("ppm"));
    c.setSubsetLabel(1, QStringLiteral("%RH"));
    c.setSubsetLabel(2, QStringLiteral("Temp."));
    c.setWorkingAxis(0);
    c.setMultiAxesSubsets(-1, 0);
    c.setMultiAxesProportions(0, 1.0);
    c.setYAxisLabel(QString());
    c.setMultiAxesSeparators(true);
    c.setMultiAxesSubsets(0, 1);
    c.setMultiAxesSubsets(1, 2);
    c.setMultiAxesProportions(0, 0.5);
    c.setMultiAxesProportions(1, 0.5);
    c.setWorkingAxis(0);
    c.setYAxisLabel(QString());
    c.setManualScaleY(true);
    c.setManualMinY(ppmMin);
    c.setManualMaxY(ppmMax);
    c.setWorkingAxis(1);
    c.setYAxisLabel(QString());
    c.setManualScaleY(true);
    c.setManualMinY(rhMin);
    c.setManualMaxY(rhMax);
    c.setWorkingAxis(0);
    c.setGraphAnnotationHotSpots(true);
    c.redraw();
}

void TfrmGraph::ConfigureGraph(Chart& chart, int points, double xMin, double xMax) {
    ConfigureGraph(chart, 3, points, xMin, xMax, 0, 10000, -50, 100);
}

void TfrmGraph::ConfigureGraph(int points, double xMin, double xMax) {
    ConfigureGraph(*PESGraph1, points, xMin, xMax);
}

bool TfrmGraph::chartDataSet(chart::Chart& chart, const DataSetStore& store, int n) {
    if (n < 0 || n >= store.count()) return false;
    const int count = store.sampleCount[size_t(n)];
    const size_t offset = store.firstEntry(n);
    const size_t entries = 3 * size_t(std::max(count, 0));
    // A store whose arrays are shorter than its counts say is not charted at all.
    if (count < 0 || offset + entries > store.values.size() ||
        offset + entries > store.times.size())
        return false;

    const double start = store.startTime[size_t(n)];
    // A lone sample gets a time axis centred on it (the chart widens an axis of one instant);
    // at the left edge its dot would be cut in half.
    const double end =
        count == 1 ? start
                   : start + count * (store.interval[size_t(n)] / DateTimeText::SecondsPerDay);
    ConfigureGraph(chart, count, start, end);
    chart.setAllXData(std::span<const double>(store.times.data() + offset, entries));
    chart.setAllYData(std::span<const float>(store.values.data() + offset, entries));
    chart.undoZoom();
    return true;
}

void TfrmGraph::ShowDataSet(int n) {
    const DataSetStore& store = m_main.state().dataSets;
    if (!chartDataSet(*PESGraph1, store, n)) return;
    const int interval = store.interval[size_t(n)];
    UpdateStatistics();
    txtStartTime->setText(DateTimeText::dateTime(store.startTime[size_t(n)]));
    ComboBox1->setCurrentIndex(listIndex(interval / 60));
    ComboBox2->setCurrentIndex(listIndex(interval % 60));
    txtDataNo->setText(QString::number(store.sampleCount[size_t(n)]));
    UndoZoom->setEnabled(false);
    PESGraph1->redraw();
}

void TfrmGraph::Grid2Click() {
    const QList<QTableWidgetSelectionRange> ranges = Grid2->selectedRanges();
    if (ranges.isEmpty()) return;
    int row = ranges.first().topRow();
    for (const auto& r : ranges)
        row = std::min(row, r.topRow());
    if (row < 1) return; // the header row
    const QTableWidgetItem* item = Grid2->item(row, 1);
    if (!item || item->text().isEmpty()) return;
    ShowDataSet(row - 1);
}

void TfrmGraph::chkppmClick() {
    PESGraph1->setSubsetToGraph(-1, 0);
    int slot = 0;
    if (chkppm->isChecked()) PESGraph1->setSubsetToGraph(slot++, 0);
    if (chkRH->isChecked()) PESGraph1->setSubsetToGraph(slot++, 1);
    if (chkT1->isChecked()) PESGraph1->setSubsetToGraph(slot++, 2);
    PESGraph1->redraw();
    PESGraph1->reinitAndReset();
}

void TfrmGraph::ClearGraph() {
    for (int k = 0; k < PESGraph1->subsets(); ++k) {
        PESGraph1->setYData(-1, k, 9999.0);
        PESGraph1->setXData(-1, k, 0);
    }
    txtDataNo->clear();
    clearStatisticBoxes();
    AppState& st = m_main.state();
    st.SampleCount = 0;
    for (int i = 3; i <= st.AnnotationIndex; ++i) {
        PESGraph1->setGraphAnnotationX(i, 0);
        PESGraph1->setGraphAnnotationY(i, 0);
    }
    st.AnnotationIndex = 3;
    PESGraph1->redraw();
}

// --- Statistics and read-outs --------------------------------------------------------------------

void TfrmGraph::UpdateStatistics() {
    const GraphStatistics::Result r =
        GraphStatistics::compute(PESGraph1->xCells(), PESGraph1->yCells(), PESGraph1->points());
    txtStartTime->setText(r.startTime);
    ComboBox1->setCurrentIndex(listIndex(r.minutesIndex));
    ComboBox2->setCurrentIndex(listIndex(r.secondsIndex));
    txtDataNo->setText(QString::number(r.dataNo));
    for (int k = 0; k < 3; ++k) {
        const auto q = Quantity(k);
        setMaxText(q, r.maxText[size_t(k)]);
        setMinText(q, r.minText[size_t(k)]);
        setAverageText(q, r.avgText[size_t(k)]);
    }
}

void TfrmGraph::ToolButton1Click() {
    pnlGraphStatistic->setVisible(ToolButton1->isChecked());
    pnlGraphResize();
}

void TfrmGraph::ToolButton2Click() {
    const bool down = ToolButton2->isChecked();
    pnlStatistic->setVisible(down);
    PESGraph1->setShowLineAnnotations(down);
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1MouseMove() {
    const QPoint pos = PESGraph1->lastMousePosition();
    const QRect area = PESGraph1->plottingRect();
    const QPointF xy = PESGraph1->pixelToData(pos);
    if (pos.x() >= area.left() && pos.x() <= area.right() + 1 && pos.y() >= area.top() &&
        pos.y() <= area.bottom() + 1)
        Panel12->setText(GraphStatistics::fixed(xy.y(), 1) + QLatin1Char('@') +
                         DateTimeText::time(xy.x()));
}

void TfrmGraph::PESGraph1DataHotSpot(bool, int point, int subset) {
    const double x = PESGraph1->xData(subset, point);
    const double y = PESGraph1->yData(subset, point);
    PESGraph1->setGraphAnnotationType(2, chart::AnnotationCross);
    PESGraph1->setGraphAnnotationColor(2, Qt::black);
    PESGraph1->setGraphAnnotationX(2, x);
    PESGraph1->setGraphAnnotationY(2, y);
    PESGraph1->setGraphAnnotationText(2, DateTimeText::time(x) + QLatin1Char('\r') +
                                             GraphStatistics::fixed(y, 1));
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1ZoomIn() {
    UndoZoom->setEnabled(true);
}

void TfrmGraph::UndoZoomClick() {
    PESGraph1->undoZoom();
    PESGraph1->resetImage();
    UndoZoom->setEnabled(false);
}

void TfrmGraph::Button2Click() {
    Chart& c = *PESGraph1;
    c.setTableSize(15, 2);
    const QString labels[12] = {
        QStringLiteral("Start Time:"), QStringLiteral("Sampling:"), QStringLiteral("Data No:"),
        QStringLiteral("ppm MAX:"),    QStringLiteral("ppm MIN:"),  QStringLiteral("ppm AVG:"),
        QStringLiteral("RH MAX:"),     QStringLiteral("RH MIN:"),   QStringLiteral("RH AVG:"),
        QStringLiteral("T1 MAX:"),     QStringLiteral("T1 MIN:"),   QStringLiteral("T1 AVG:")};
    const QString values[12] = {
        txtStartTime->text(),
        ComboBox1->currentText() + QLatin1Char(':') + ComboBox2->currentText(),
        txtDataNo->text(),
        txtppmMax->text(),
        txtppmMin->text(),
        txtppmAvg->text(),
        txtRHMax->text(),
        txtRHMin->text(),
        txtRHAvg->text(),
        txtT1Max->text(),
        txtT1Min->text(),
        txtT1Avg->text()};
    for (int r = 0; r < 15; ++r) {
        c.setTableText(r, 0, r < 12 ? labels[r] : QString());
        c.setTableText(r, 1, r < 12 ? values[r] : QString());
        c.setTableColor(r, 1, QColor::fromRgba(chart::argb(255, 255, 0, 0)));
    }
    c.setTableInsideAxis0(550, 50);
    c.setTableMovable(true);
    c.setTableBackColor(QColor::fromRgba(chart::argb(129, 255, 255, 255)));
    c.setTableHeaders(false, false);
    c.setTableBorder(chart::TableBorder::Inset);
    c.setTableTextSize(80);
    c.setShowTable(!c.isTableShown());
    c.redraw();
}

void TfrmGraph::pnlGraphResize() {
    Panel12->move(0, 0);
    Panel12->raise();
}

// --- Real-time recording support -----------------------------------------------------------------

void TfrmGraph::setSample(int point, double time, float ppm, float rh, float temperature) {
    for (int k = 0; k < 3; ++k)
        PESGraph1->setXData(k, point, time);
    PESGraph1->setYData(0, point, ppm);
    PESGraph1->setYData(1, point, rh);
    PESGraph1->setYData(2, point, temperature);
}

void TfrmGraph::resetCells() {
    for (int k = 0; k < PESGraph1->subsets(); ++k) {
        PESGraph1->setXData(-1, k, 0);
        PESGraph1->setYData(-1, k, 99999.0);
    }
}

void TfrmGraph::setClearButtonShown(bool shown) {
    toolSeparator->setVisible(shown);
    m_clearAction->setVisible(shown);
}

void TfrmGraph::redrawChart() {
    PESGraph1->redraw();
}

QLineEdit* TfrmGraph::maxBox(Quantity q) const {
    return q == GraphStatistics::Ppm ? txtppmMax : q == GraphStatistics::RH ? txtRHMax : txtT1Max;
}
QLineEdit* TfrmGraph::minBox(Quantity q) const {
    return q == GraphStatistics::Ppm ? txtppmMin : q == GraphStatistics::RH ? txtRHMin : txtT1Min;
}
QLineEdit* TfrmGraph::avgBox(Quantity q) const {
    return q == GraphStatistics::Ppm ? txtppmAvg : q == GraphStatistics::RH ? txtRHAvg : txtT1Avg;
}
void TfrmGraph::setMaxText(Quantity q, const QString& text) {
    maxBox(q)->setText(text);
}
void TfrmGraph::setMinText(Quantity q, const QString& text) {
    minBox(q)->setText(text);
}
void TfrmGraph::setAverageText(Quantity q, const QString& text) {
    avgBox(q)->setText(text);
}
QString TfrmGraph::maxText(Quantity q) const {
    return maxBox(q)->text();
}
QString TfrmGraph::minText(Quantity q) const {
    return minBox(q)->text();
}
QString TfrmGraph::averageText(Quantity q) const {
    return avgBox(q)->text();
}

void TfrmGraph::clearStatisticBoxes() {
    for (QLineEdit* e : {txtppmMax, txtppmMin, txtppmAvg, txtRHMax, txtRHMin, txtRHAvg, txtT1Max,
                         txtT1Min, txtT1Avg})
        e->clear();
}

void TfrmGraph::setStartTime(double time) {
    txtStartTime->setText(DateTimeText::dateTime(time));
}
void TfrmGraph::setDataNo(int count) {
    txtDataNo->setText(QString::number(count));
}

void TfrmGraph::setSamplingRate(int seconds) {
    ComboBox1->setCurrentIndex(listIndex(seconds / 60));
    ComboBox2->setCurrentIndex(listIndex(seconds % 60));
}

int TfrmGraph::samplingRate() const {
    if (ComboBox1->currentIndex() < 0 || ComboBox2->currentIndex() < 0) return 0;
    return ComboBox1->currentIndex() * 60 + ComboBox2->currentIndex();
}

void TfrmGraph::hideMaxMinTable() {
    PESGraph1->setShowTable(false);
    PESGraph1->redraw();
}

// --- Life cycle ----------------------------------------------------------------------------------

void TfrmGraph::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TfrmGraph::FormShow() {
    ToolButton6->setChecked(true);
    ToolButton4->setChecked(true);
    PESGraph1->setPointer(Qt::ArrowCursor);
    m_main.state().ToolMode = -99;
    pnlGraphResize();
}

void TfrmGraph::FormActivate() {
    if (m_main.btnOutputToGraph) m_main.btnOutputToGraph->setEnabled(false);
}

void TfrmGraph::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !parentWidget())
        FormActivate();
}

bool TfrmGraph::FormCloseQuery() {
    const QMessageBox::StandardButton answer = askCloseQuestion();
    if (answer == QMessageBox::Cancel) return false;
    // A Yes whose save did not happen keeps the window, so its data is not lost unasked.
    return actOnCloseAnswer(answer);
}

QMessageBox::StandardButton TfrmGraph::askCloseQuestion() {
    const AppState& st = m_main.state();
    QString question;
    if (st.DataLoggerUnsaved && windowTitle() == DataLoggerCaption)
        question = QStringLiteral("Save DataLogger Data ?");
    else if (st.RealTimeUnsaved && windowTitle() == RealTimeCaption)
        question = QStringLiteral("Save Real-Time Graph ?");
    if (question.isEmpty()) return QMessageBox::NoButton;
    return m_main.dialogs().message(this, question, QString(), QMessageBox::Question,
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool TfrmGraph::actOnCloseAnswer(QMessageBox::StandardButton answer) {
    AppState& st = m_main.state();
    FileCommands& files = m_main.fileCommands();
    const int savesBefore = files.savesDone();
    if (windowTitle() == DataLoggerCaption && answer == QMessageBox::Yes) {
        st.DataLoggerUnsaved = false;
        files.Save1Click();
    }
    if (windowTitle() == RealTimeCaption &&
        (answer == QMessageBox::Yes || answer == QMessageBox::No)) {
        st.RealTimeUnsaved = false;
        if (answer == QMessageBox::Yes && saveChart) saveChart(*PESGraph1);
    }
    if (answer != QMessageBox::Yes || files.savesDone() > savesBefore) return true;
    // Nothing was written: the data is still unsaved.
    if (windowTitle() == DataLoggerCaption) st.DataLoggerUnsaved = true;
    if (windowTitle() == RealTimeCaption) st.RealTimeUnsaved = true;
    return false;
}

void TfrmGraph::FormClose() {
    AppState& st = m_main.state();
    if (windowTitle() == DataLoggerCaption) {
        // Only the data logger window's closing drops its unsaved data; closing any other
        // graph window leaves the flag to the data logger window's own close prompt.
        st.DataLoggerUnsaved = false;
        if (st.DataLoggerGraph == this) st.DataLoggerGraph = nullptr;
    }
    if (windowTitle() == RealTimeCaption) {
        if (m_main.RealTimeGraph1) m_main.RealTimeGraph1->setChecked(false);
        if (st.RealTimeGraph == this) st.RealTimeGraph = nullptr;
        if (st.connected) m_main.setRunEnabled(true);
        m_main.setStopEnabled(false);
        st.Recording = false;
        st.SampleCount = 0;
    }
}

void TfrmGraph::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TfrmGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlGraph && event->type() == QEvent::Resize) pnlGraphResize();
    if (watched == pnlGraphStatistic &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        arrangeUpperPanel();
    return QWidget::eventFilter(watched, event);
}

void TfrmGraph::arrangeUpperPanel() {
    const QMargins m = m_upperLayout->contentsMargins();
    const int both = m.left() + m_timeGroup->sizeHint().width() +
                     m_upperLayout->horizontalSpacing() + m_countGroup->sizeHint().width() +
                     m.right();
    const bool oneRow = pnlGraphStatistic->width() >= both;
    if (oneRow == m_upperOneRow) return;
    m_upperOneRow = oneRow;
    m_upperLayout->removeWidget(m_countGroup);
    if (oneRow)
        m_upperLayout->addWidget(m_countGroup, 0, 1, Qt::AlignLeft);
    else
        m_upperLayout->addWidget(m_countGroup, 1, 0, 1, 2, Qt::AlignLeft);
}
