#include "logger/DataLogger.h"

#include "app/DataFolder.h"
#include "app/DialogService.h"
#include "app/Umain.h"
#include "app/Uscope.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "logger/DataSetTexts.h"
#include "logger/MemoryDecoder.h"
#include "logger/MemoryReader.h"

#if __has_include("graph/Ugraph.h")
#include "graph/Ugraph.h"
#endif

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QSaveFile>

namespace {
constexpr const char* TempFileName = "DataSetsTemp.tmp";

// The "Data Retriving Progress" window, opened once the transfer size is known.
class ScopeProgress : public DownloadProgress {
public:
    explicit ScopeProgress(TfrmMain& main) : m_main(main) {}
    ~ScopeProgress() override { close(); }

    void open(int transferSize) override {
        close();
        m_scope = new TfrmScope(&m_main);
        m_scope->setWindowTitle(QStringLiteral("Data Retriving Progress"));
        m_scope->setWindowFlag(Qt::WindowStaysOnTopHint);
        for (QWidget* w : {static_cast<QWidget*>(m_scope->Progress1),
                           static_cast<QWidget*>(m_scope->lblTotalBytes),
                           static_cast<QWidget*>(m_scope->lblBytesReceived),
                           static_cast<QWidget*>(m_scope->SText1),
                           static_cast<QWidget*>(m_scope->SText2)})
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
    TfrmMain& m_main;
    QPointer<TfrmScope> m_scope;
};
} // namespace

DataLogger::DataLogger(TfrmMain& main) : QObject(&main), m_main(main) {}
DataLogger::~DataLogger() = default;

QString DataLogger::tempFolder(const QString& dataFolder) {
    return QDir(dataFolderOrProgramFolder(dataFolder)).filePath(QStringLiteral("temp"));
}

QString DataLogger::tempFilePath(const QString& dataFolder) {
    return QDir(tempFolder(dataFolder)).filePath(QString::fromLatin1(TempFileName));
}

void DataLogger::showMessage(const QString& text) { m_main.dialogs().message(&m_main, text); }

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
    // Inside a poll tick's pause the download waits for the tick to end; the guard stays set
    // until it has run, so further clicks meanwhile do nothing.
    m_main.exchange().runExclusive([this] {
        runDownload();
        m_loading = false;
    });
}

void DataLogger::runDownload() {
    ensureDataLoggerGraph();
    const int code = DownloadMemory();
    if (code == 0) {
        m_main.state().DataLoggerUnsaved = true;
    } else if (code == DecodeNoData) {
        showMessage(QString::fromLatin1(NoDataText));
    } else if (code != TempFolderFailed) {
        showMessage(QString::fromLatin1(ErrorText) + QString::number(code));
        Exchange& ex = m_main.exchange();
        ex.transport().flush();
        ex.mainFrame[0] = 0x02;
        ex.mainFrame[1] = 'Q';
        ex.mainFrame[6] = 0x03;
        ex.transport().writeCommand(ex.mainFrame);
    }
    resetConnection();
}

void DataLogger::resetConnection() {
    // The next poll tick finds the meter disconnected and identifies it again.
    AppState& state = m_main.state();
    state.connected = false;
    state.linkOpen = false;
    // TODO(live): clear the live reading's memory-full and mode-blink fields.
}

bool DataLogger::meterRecording() const {
    // TODO(live): the live reading's meter recording field.
    return false;
}

int DataLogger::DownloadMemory() {
    m_image.clear();
    int code = ReadMemory();
    if (code == 0) code = DecodeMemory(m_image);
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
#if __has_include("graph/Ugraph.h")
    if (TfrmGraph* graph = ensureDataLoggerGraph()) graph->ShowDataSet(0);
#endif
    m_image.clear();
    return 0;
}

bool DataLogger::writeTempFile(std::span<const uint8_t> image) {
    QSaveFile file(tempFilePath(m_main.state().dataFolder));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    return file.commit();
}

int DataLogger::ReadMemory() {
    MemoryReader reader(m_main.exchange(), m_image);
    ScopeProgress progress(m_main);
    const int code = reader.ReadMemory(&progress);
    m_bytesReceived = reader.bytesReceived();
    return code;
}

int DataLogger::DecodeMemory() { return DecodeMemory(m_main.state().memoryImage); }

int DataLogger::DecodeMemory(std::span<const uint8_t> image) {
    const int code = ::DecodeMemory(image, m_main.state().dataSets, m_main.clock().now());
    if (code == DecodeOk) fillDataSetsList();
    return code;
}

TfrmGraph* DataLogger::ensureDataLoggerGraph() {
    return nullptr;
}

void DataLogger::fillDataSetsList() {}

void DataLogger::btnOutputToGraphClick() {}
