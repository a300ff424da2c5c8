#include "logger/DataLogger.h"

#include "files/CollectionFile.h"

#include "app/DataFolder.h"
#include "app/DateTimeText.h"
#include "app/DialogService.h"
#include "app/Umain.h"
#include "app/Uscope.h"
#include "graph/Ugraph.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "live/LiveMonitor.h"
#include "live/LiveReading.h"
#include "logger/DataSetTexts.h"
#include "logger/ListTableModel.h"
#include "logger/MemoryDecoder.h"
#include "logger/MemoryReader.h"
#include "logger/TableToGraph.h"
#include "logger/Ulist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimer>
#include <optional>

namespace {

// The "Data Retriving Progress" window, opened once the transfer size is known.
class ScopeProgress : public DownloadProgress {
  public:
    explicit ScopeProgress(TfrmMain& main) : m_main(main) {}
    ~ScopeProgress() override { close(); }

    void open(int transferSize) override {
        close();
        m_total = transferSize;
        m_shown.invalidate();
        m_scope = new TfrmScope(&m_main);
        m_scope->setWindowTitle(QStringLiteral("Data Retriving Progress"));
        m_scope->setWindowFlag(Qt::WindowStaysOnTopHint);
        for (QWidget* w :
             {static_cast<QWidget*>(m_scope->Progress1),
              static_cast<QWidget*>(m_scope->lblTotalBytes),
              static_cast<QWidget*>(m_scope->lblBytesReceived),
              static_cast<QWidget*>(m_scope->SText1), static_cast<QWidget*>(m_scope->SText2)})
            w->show();
        m_scope->SText1->setText(QStringLiteral("bytes received"));
        m_scope->SText2->setText(QStringLiteral("total bytes"));
        m_scope->Progress1->setRange(0, transferSize);
        m_scope->Progress1->setValue(0);
        m_scope->lblTotalBytes->setText(QString::number(transferSize));
        m_scope->lblBytesReceived->setText(QStringLiteral("0"));
        m_scope->setScopeResult(0);
        m_scope->showProgress();
        m_main.repaint();
    }

    void received(int bytes, bool repaint) override {
        if (!m_scope) return;
        // A block takes microseconds from a fast meter: the window is brought up to date at
        // most every few hundredths of a second, and at the last block.
        if (m_shown.isValid() && m_shown.elapsed() < RefreshMs && bytes != m_total) return;
        m_shown.start();
        m_scope->lblBytesReceived->setText(QString::number(bytes));
        m_scope->Progress1->setValue(bytes);
        if (repaint) m_scope->repaint();
    }

    void close() override {
        if (!m_scope) return;
        m_scope->close();
        delete m_scope.data();
    }

  private:
    static constexpr int RefreshMs = 40;
    TfrmMain& m_main;
    QPointer<TfrmScope> m_scope;
    QElapsedTimer m_shown;
    int m_total = 0;
};
} // namespace

DataLogger::DataLogger(TfrmMain& main) : QObject(&main), m_main(main) {}
DataLogger::~DataLogger() = default;

// The temp file is the collection file's: one rule for where it lives.
QString DataLogger::tempFolder(const QString& dataFolder) {
    return CollectionFile::tempFolder(dataFolder);
}

QString DataLogger::tempFilePath(const QString& dataFolder) {
    return CollectionFile::tempFilePath(dataFolder);
}

void DataLogger::showMessage(const QString& text) {
    m_main.dialogs().message(&m_main, text);
}

void DataLogger::LoadData1Click() {
    if (m_loading) return;
    m_loading = true;
    AppState& state = m_main.state();
    if (!state.connected) {
        showMessage(QString::fromLatin1(NoConnectionText));
        m_loading = false;
        return;
    }
    if (meterRecording()) {
        showMessage(QString::fromLatin1(RecordingText));
        m_loading = false;
        return;
    }
    startDownload();
}

void DataLogger::startDownload() {
    Exchange& ex = m_main.exchange();
    // Another exchange (a panel key, a setup command) is waiting in one of its pauses further
    // up the call chain: starting now would put the transfer in the middle of it. Try again
    // shortly; the guard stays set meanwhile, so further clicks do nothing.
    if (ex.exclusive()) {
        QTimer::singleShot(RetryStartMs, this, [this] { startDownload(); });
        return;
    }
    // Inside a poll tick's pause the download waits for the tick to end.
    ex.runExclusive([this] {
        runDownload();
        m_loading = false;
    });
}

namespace {
// While the transfer runs, every other exchange request (panel keys, setup commands) waits as
// it would for a poll tick and runs once the download is over: a command slipped in between
// two blocks would disturb the meter's transfer.
class HoldOtherExchanges {
  public:
    explicit HoldOtherExchanges(Exchange& ex) : m_ex(ex) { m_ex.beginTick(); }
    ~HoldOtherExchanges() { m_ex.endTick(); }

  private:
    Exchange& m_ex;
};
} // namespace

void DataLogger::runDownload() {
    HoldOtherExchanges hold(m_main.exchange());
    ensureDataLoggerGraph();
    const int code = DownloadMemory();
    if (code == 0) {
        m_main.state().DataLoggerUnsaved = true;
    } else if (code == DecodeNoData) {
        showMessage(QString::fromLatin1(NoDataText));
    } else if (code != TempFolderFailed) {
        showMessage(QString::fromLatin1(ErrorText) + QString::number(code));
        abandonTransfer(m_main.exchange());
    }
    resetConnection();
}

void DataLogger::resetConnection() {
    // The next poll tick finds the meter disconnected and identifies it again.
    AppState& state = m_main.state();
    state.connected = false;
    state.linkOpen = false;
    // Clearing these stops the panel's blinking.
    LiveReading& reading = m_main.live().reading();
    reading.memoryFull = false;
    reading.modeBlink = false;
}

bool DataLogger::meterRecording() const {
    return m_main.live().reading().meterRecording;
}

int DataLogger::DownloadMemory() {
    m_image.clear();
    int code = ReadMemory();
    if (code == 0) {
        // The window may have been closed while the transfer let events run.
        ensureDataLoggerGraph();
        code = DecodeMemory(m_image);
    }
    if (code != 0) {
        m_image.clear();
        return code;
    }
    const QString folder = tempFolder(m_main.state().dataFolder);
    if (!QDir(folder).exists() && !QDir().mkpath(folder)) {
        showMessage(QDir::toNativeSeparators(folder));
        m_image.clear();
        return TempFolderFailed;
    }
    writeTempFile(std::span<const uint8_t>(m_image).first(
        std::min<size_t>(m_image.size(), static_cast<size_t>(m_bytesReceived))));
    if (TfrmGraph* graph = m_main.state().DataLoggerGraph) graph->ShowDataSet(0);
    m_image.clear();
    return 0;
}

bool DataLogger::writeTempFile(std::span<const uint8_t> image) {
    return CollectionFile::writeTemp(m_main.state().dataFolder,
                                     MemoryImage(image.begin(), image.end())) ==
           CollectionFile::TempResult::Written;
}

int DataLogger::ReadMemory() {
    MemoryReader reader(m_main.exchange(), m_image);
    ScopeProgress progress(m_main);
    const int code = reader.ReadMemory(&progress);
    m_bytesReceived = reader.bytesReceived();
    return code;
}

int DataLogger::DecodeMemory() {
    return DecodeMemory(m_main.state().memoryImage);
}

int DataLogger::DecodeMemory(std::span<const uint8_t> image) {
    const int code = ::DecodeMemory(image, m_main.state().dataSets, m_main.clock().now());
    if (code == DecodeOk) fillDataSetsList();
    return code;
}

TfrmGraph* DataLogger::ensureDataLoggerGraph() {
    AppState& state = m_main.state();
    if (TfrmGraph* graph = state.DataLoggerGraph) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget())) frame->showNormal();
        return graph;
    }
    auto* graph = new TfrmGraph(m_main);
    graph->setWindowTitle(TfrmGraph::DataLoggerCaption);
    graph->pnlDataSets->show();
    QMdiSubWindow* frame = m_main.addChild(graph);
    frame->showNormal();
    const QSize client = m_main.mdiArea()->size();
    frame->setGeometry(0, 0, client.width(), std::max(client.height() - 60, 200));
    const double now = DateTimeText::toDays(m_main.clock().now());
    graph->ConfigureGraph(500, now, now + 500 / DateTimeText::SecondsPerDay);
    graph->PESGraph1->setGraphAnnotationHotSpots(true);
    state.DataLoggerGraph = graph;
    return graph;
}

void DataLogger::fillDataSetsList() {
    TfrmGraph* graph = m_main.state().DataLoggerGraph;
    if (!graph) return;
    const DataSetStore& store = m_main.state().dataSets;
    QTableWidget* grid = graph->Grid2;
    grid->setUpdatesEnabled(false);
    grid->setRowCount(store.count() + 1);
    for (int k = 0; k < store.count(); ++k) {
        const auto texts = dataSetRowTexts(store, k);
        for (int c = 0; c < DataSetTextColumns; ++c) {
            if (QTableWidgetItem* item = grid->item(k + 1, c)) {
                item->setText(texts[c]);
            } else {
                grid->setItem(k + 1, c, new QTableWidgetItem(texts[c]));
            }
        }
    }
    // The given widths suit short dates; a longer date format or header widens its column
    // rather than cutting the text.
    const QFontMetrics metrics(grid->font());
    for (int c = 0; c < DataSetTextColumns; ++c) {
        int need = 0;
        for (int r = 0; r < grid->rowCount(); ++r)
            if (const QTableWidgetItem* item = grid->item(r, c))
                need = std::max(need, metrics.horizontalAdvance(item->text()) + 12);
        grid->setColumnWidth(c, std::max(grid->columnWidth(c), need));
    }
    grid->clearSelection();
    grid->setCurrentCell(1, 0, QItemSelectionModel::NoUpdate);
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 1, 4), true);
    grid->setUpdatesEnabled(true);
}

void DataLogger::btnOutputToGraphClick() {
    QPointer<TfrmList> list = qobject_cast<TfrmList*>(m_main.activeChild());
    if (!list) return;
    const ListTableModel& table = list->model();
    if (table.cell(1, 1).isEmpty()) {
        showMessage(QString::fromLatin1(NoTableDataText));
        return;
    }
    const int rows = table.gridRowCount() - 1;
    QPointer<TfrmGraph> graph = new TfrmGraph(m_main);
    graph->setWindowTitle(list->windowTitle());
    m_main.addChild(graph);

    TableToGraph::CellReader cells;
    auto rowTime = [&](int row) {
        return cells.time(table.cellUtf8(row, 1), table.cellUtf8(row, 2));
    };
    const std::optional<double> first = rowTime(1), last = rowTime(rows);
    if (!first || !last) {
        const int row = first ? rows : 1;
        showMessage(TableToGraph::notValidDateTimeText(table.cell(row, 1) + QLatin1Char(' ') +
                                                       table.cell(row, 2)));
        return;
    }
    chart::Chart& chart = *graph->PESGraph1;
    TfrmGraph::ConfigureGraph(chart, rows, *first, *last);

    QPointer<TfrmScope> scope = new TfrmScope(&m_main);
    scope->setWindowTitle(QStringLiteral("Graphing Progress"));
    scope->SText1->setText(QStringLiteral("graphing....."));
    scope->SText1->show();
    scope->Progress1->setRange(0, rows);
    scope->Progress1->show();
    scope->setScopeResult(-1);
    scope->showProgress();

    // Pending events run every few rows: often enough to keep the windows responsive, rarely
    // enough that a big table is not slowed down by the dispatch.
    constexpr int RowsPerDispatch = 64;
    for (int i = 1; i <= rows; ++i) {
        if (i % RowsPerDispatch == 0 || i == rows) {
            scope->Progress1->setValue(i);
            QCoreApplication::processEvents();
            // The user may close the table, the chart or the progress window meanwhile.
            if (!scope || !list || !graph || scope->scopeResult() == TfrmScope::ResultCancel) break;
        }
        const std::optional<double> t = rowTime(i);
        if (!t) continue;
        for (int s = 0; s < 3; ++s) {
            chart.setXData(s, i - 1, *t);
            chart.setYData(s, i - 1, cells.value(table.cellUtf8(i, 3 + s)));
        }
    }
    if (scope) {
        scope->close();
        delete scope.data();
    }
    if (!graph) return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget())) frame->showNormal();
    graph->UpdateStatistics();
    graph->PESGraph1->reinitAndReset();
    graph->redrawChart();
}
