#include "files/FileCommands.h"

#include "app/DialogService.h"
#include "app/TileLayout.h"
#include "app/Umain.h"
#include "app/Uscope.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/SafeFile.h"
#include "files/TextFiles.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "logger/DataLogger.h"
#include "logger/ListTableModel.h"
#include "logger/Ulist.h"
#include "realtime/RealTimeRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {
FileCommands* s_installed = nullptr; // the commands behind the graph window's file hooks
} // namespace

FileCommands::FileCommands(TfrmMain& main) : QObject(&main), m_main(main) {
    // The graph window reads its template and saves a chart through these commands.
    s_installed = this;
    TfrmGraph::readGraphFile = [](chart::Chart& c, const QString& name) {
        return s_installed && s_installed->ReadGraphFile(c, name);
    };
    TfrmGraph::saveChart = [](chart::Chart& c) {
        if (s_installed) s_installed->SaveChart(c);
    };
}

FileCommands::~FileCommands() {
    if (s_installed == this) s_installed = nullptr;
}

bool FileCommands::commaDecimal() {
    return TextLines::commaDecimal(QLocale::system());
}

QString FileCommands::initialFolder() const {
    const QString folder = m_main.state().dataFolder;
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void FileCommands::showError(const QString& text) {
    m_main.dialogs().message(&m_main, text, QString(), QMessageBox::Critical);
}

QString FileCommands::SaveDialog1TypeChange(const QString& currentName, int filterIndex) const {
    return TextLines::typeChangedName(m_saveFilter, filterIndex, currentName);
}

QString FileCommands::runSaveDialog(const QString& filter, const QString& defaultExtension) {
    m_saveFilter = filter;
    if (auto* widgets = dynamic_cast<WidgetDialogService*>(&m_main.dialogs()))
        widgets->onSaveTypeChange = [this](const QString& name, int index) {
            return SaveDialog1TypeChange(name, index + 1);
        };
    FileDialogRequest request;
    request.folder = initialFolder();
    request.filters = TextLines::dialogFilters(filter);
    request.defaultSuffix = defaultExtension;
    request.confirmOverwrite = true;
    const FileDialogResult result = m_main.dialogs().saveFile(&m_main, request);
    // The handler belongs to this dialog only; other save dialogs of the program keep their names.
    if (auto* widgets = dynamic_cast<WidgetDialogService*>(&m_main.dialogs()))
        widgets->onSaveTypeChange = nullptr;
    return result.fileName;
}

// --- Open and Save -------------------------------------------------------------------------------

void FileCommands::Save1Click() {
    QWidget* child = m_main.activeChild();
    if (auto* list = qobject_cast<TfrmList*>(child)) {
        WriteListText(list->model());
        return;
    }
    auto* graph = qobject_cast<TfrmGraph*>(child);
    if (!graph) return; // the front panel, or no child window
    if (graph->windowTitle() == TfrmGraph::DataLoggerCaption) {
        TfrmOpenSave choice(&m_main);
        choice.setWindowTitle(QStringLiteral("Save File"));
        const int result = m_main.dialogs().exec(choice);
        if (result == TfrmOpenSave::ResultOk)
            SaveCollection();
        else if (result == TfrmOpenSave::ResultNo)
            SaveChart(*graph->PESGraph1);
        return;
    }
    SaveChart(*graph->PESGraph1);
}

void FileCommands::Open1Click() {
    TfrmOpenSave choice(&m_main);
    choice.setWindowTitle(QStringLiteral("Open File"));
    choice.btnOpenSets->setText(QStringLiteral("Open a data set collection file(*.732)"));
    choice.btnOpenSingleSet->setText(TextLines::openSingleButtonText(commaDecimal()));
    const int result = m_main.dialogs().exec(choice);
    if (result == TfrmOpenSave::ResultOk)
        OpenCollection();
    else if (result == TfrmOpenSave::ResultNo)
        OpenSingleFile();
}

// --- Chart files ---------------------------------------------------------------------------------

void FileCommands::SaveChart(chart::Chart& chart) {
    const QString filter = TextLines::chartFilter(commaDecimal());
    const QString name = runSaveDialog(filter, QStringLiteral("GHF"));
    if (name.isEmpty()) return;
    const QString ext = TextLines::lowerExtension(name);
    if (ext == QLatin1String(".ghf")) {
        // The whole real-time chart is now safe in its file; its recovery journal can go.
        const TfrmGraph* realTime = m_main.state().RealTimeGraph;
        if (WriteGraphFile(chart, name) && realTime && &chart == realTime->PESGraph1)
            m_main.realTime().realTimeChartSaved();
    } else if (ext == QLatin1String(".txt"))
        WriteChartText(chart, name, TextLines::Tab);
    else if (ext == QLatin1String(".csv"))
        WriteChartText(chart, name, TextLines::Comma);
    else // the name decides, and it names no file type: say so rather than save nothing
        m_main.dialogs().message(
            &m_main, QStringLiteral("%1 was not saved: a file name must end in %2.")
                         .arg(QDir::toNativeSeparators(name),
                              TextLines::filterExtensions(filter).join(QStringLiteral(", "))));
}

bool FileCommands::WriteGraphFile(chart::Chart& chart, const QString& fileName) {
    const QString error = GraphFile::write(fileName, chart.storeState());
    if (error.isEmpty()) {
        ++m_savesDone;
        return true;
    }
    showError(error);
    return false;
}

bool FileCommands::ReadGraphFile(chart::Chart& chart, const QString& fileName) {
    const GraphFile::ReadResult file = GraphFile::read(fileName);
    if (!file.ok()) {
        showError(file.error);
        return false;
    }
    QString error;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.block.constData());
    if (!chart.loadState(std::span<const uint8_t>(bytes, static_cast<size_t>(file.block.size())),
                         &error)) {
        showError(error.isEmpty() ? GraphFile::readError() : error);
        return false;
    }
    return true;
}

void FileCommands::OpenSingleFile() {
    FileDialogRequest request;
    request.folder = initialFolder();
    request.filters = TextLines::dialogFilters(TextLines::chartFilter(commaDecimal()));
    request.defaultSuffix = QString(m_openDefaultExt).remove(QStringLiteral("*."));
    const QString name = m_main.dialogs().openFile(&m_main, request).fileName;
    if (name.isEmpty()) return;
    const QString ext = TextLines::lowerExtension(name);
    if (ext == QLatin1String(".csv") || ext == QLatin1String(".txt")) {
        ReadListText(name, ext);
        return;
    }
    if (ext == QLatin1String(".ghf")) openChartFile(name);
}

void FileCommands::openChartFile(const QString& name) {
    const GraphFile::ReadResult file = GraphFile::read(name);
    if (!file.ok()) {
        showError(file.error);
        return;
    }
    // Load into a window that is not shown yet, so a bad block leaves no window behind.
    auto* graph = new TfrmGraph(m_main);
    graph->setWindowTitle(name);
    QString error;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.block.constData());
    if (!graph->PESGraph1->loadState(
            std::span<const uint8_t>(bytes, static_cast<size_t>(file.block.size())), &error)) {
        delete graph;
        showError(error.isEmpty() ? GraphFile::readError() : error);
        return;
    }
    QMdiSubWindow* frame = m_main.addChild(graph);
    // The main window's width and client height less 40, cut to the area that holds the
    // children: that client height counts the menu, tool and status bars as well.
    frame->setGeometry(keepInside(QRect(0, 0, m_main.width(), m_main.contentsRect().height() - 40),
                                  m_main.mdiArea()->viewport()->rect()));
    chart::Chart& c = *graph->PESGraph1;
    graph->UpdateStatistics();
    graph->chkSplit->setChecked(c.multiAxesCount() > 1 && c.multiAxesSubsets(1) > 0);
    c.setDataLabels(false);
    c.reinitAndReset();
    c.setGraphAnnotationHotSpots(true);
}

// --- Text and CSV files --------------------------------------------------------------------------

bool FileCommands::askRange(int count, int* first, int* last) {
    TfrmScope scope(&m_main);
    scope.setWindowTitle(QStringLiteral("Save File"));
    scope.GroupBox1->show();
    scope.BitBtn1->show();
    scope.BitBtn2->show();
    scope.edtSelFrom->setText(QStringLiteral("1"));
    scope.edtSelTo->setText(QString::number(count));
    if (m_main.dialogs().exec(scope) != TfrmScope::ResultOk) return false;
    const auto range = TextLines::resolveRange(scope.radAll->isChecked(), scope.edtSelFrom->text(),
                                               scope.edtSelTo->text(), count);
    if (!range) {
        m_main.dialogs().message(&m_main, QString::fromLatin1(InvalidIntegerText));
        return false;
    }
    *first = range->first;
    *last = range->last;
    return true;
}

TfrmScope* FileCommands::openProgress(const QString& caption, int maximum) {
    auto* scope = new TfrmScope(&m_main);
    scope->setAttribute(Qt::WA_DeleteOnClose, false);
    scope->setWindowTitle(caption);
    scope->Progress1->setRange(0, std::max(maximum, 0));
    scope->Progress1->setValue(0);
    scope->Progress1->show();
    scope->SText1->show();
    scope->BitBtn2->show();
    scope->setScopeResult(0);
    scope->showProgress();
    return scope;
}

bool FileCommands::progressStep(TfrmScope& scope) {
    // Let the Cancel button (and the rest of the program) have its events.
    QCoreApplication::processEvents();
    if (onProgress) onProgress(scope);
    return scope.scopeResult() != TfrmScope::ResultCancel;
}

void FileCommands::WriteChartText(chart::Chart& chart, const QString& fileName, char separator) {
    int first = 0, last = 0;
    if (!askRange(std::max(chart.points(), 0), &first, &last)) return;
    // A copy of the cells as they are now: the loop lets events run, and a recording may add
    // points to the chart (or the user close it) meanwhile.
    const std::vector<double> x(chart.xCells().begin(), chart.xCells().end());
    const std::vector<float> y(chart.yCells().begin(), chart.yCells().end());
    const ChartPoints points = ChartPoints::fromCells(x, y, chart.points());
    std::unique_ptr<TfrmScope> scope(
        openProgress(QStringLiteral("Saving Progress"), last - first + 1));
    scope->SText1->setText(QStringLiteral("saving....."));
    const auto writer = TextLines::ChartLineWriter::forSystem(separator);
    QString error;
    const TextOutcome outcome = writeChartText(
        fileName, points, {first, last}, writer,
        [&](qint64 done) {
            scope->Progress1->setValue(
                static_cast<int>(std::min<qint64>(done + 1, scope->Progress1->maximum())));
            return progressStep(*scope);
        },
        &error);
    scope->close();
    scope.reset();
    if (outcome == TextOutcome::Done) ++m_savesDone;
    if (outcome == TextOutcome::Failed) showError(GraphFile::cannotCreate(fileName, error));
}

void FileCommands::WriteListText(const QAbstractItemModel& grid) {
    const QString name =
        runSaveDialog(TextLines::listSaveFilter(commaDecimal()), QStringLiteral("TXT"));
    if (name.isEmpty()) return;
    int first = 0, last = 0;
    if (!askRange(grid.rowCount(), &first, &last)) return;
    std::unique_ptr<TfrmScope> scope(
        openProgress(QStringLiteral("Saving Progress"), last - first + 1));
    scope->SText1->setText(QStringLiteral("saving....."));
    // The list window may be closed while the loop lets events run: then it stops.
    const QPointer<const QAbstractItemModel> alive(&grid);
    QString error;
    const TextOutcome outcome = writeListText(
        name, grid, {first, last}, TextLines::listSeparatorForName(name),
        [&](qint64 done) {
            scope->Progress1->setValue(
                static_cast<int>(std::min<qint64>(done + 1, scope->Progress1->maximum())));
            return progressStep(*scope) && alive;
        },
        &error);
    scope->close();
    scope.reset();
    if (outcome == TextOutcome::Done) ++m_savesDone;
    if (outcome == TextOutcome::Failed) showError(GraphFile::cannotCreate(name, error));
}

TfrmList* FileCommands::ReadListText(const QString& fileName, const QString& extension) {
    const auto separator = TextLines::readSeparatorForExtension(extension);
    if (!separator) return nullptr;
    {
        QFile probe(fileName);
        // nothing happens; a named pipe is not waited on
        if (!SafeFile::openForReading(probe, nullptr)) return nullptr;
    }
    auto* list = new TfrmList(&m_main);
    list->setWindowTitle(fileName);
    m_main.addChild(list);
    ListTableModel& grid = list->model();

    std::unique_ptr<TfrmScope> scope(openProgress(QStringLiteral("Open Progress"), 0));
    scope->Progress1->hide();
    scope->SText1->setText(QStringLiteral("0"));
    scope->setScopeResult(-1);

    // The list window may be closed while the loop lets events run: then reading stops.
    const QPointer<TfrmList> alive(list);
    grid.beginFill();
    readListText(fileName, *separator, listGridSink(grid), [&](qint64 rows) {
        scope->SText1->setText(QString::number(rows));
        return progressStep(*scope) && alive;
    });
    scope->close();
    scope.reset();
    if (!alive) return nullptr;
    grid.endFill();
    list->Grid1->viewport()->update();
    return list;
}

// --- Collection files ----------------------------------------------------------------------------

void FileCommands::SaveCollection() {
    const QString name = runSaveDialog(TextLines::collectionSaveFilter(), QStringLiteral("REC"));
    if (name.isEmpty()) return;
    QString error;
    const auto result =
        CollectionFile::save(CollectionFile::tempFilePath(m_main.state().dataFolder), name, &error);
    if (result == CollectionFile::SaveResult::Failed) {
        // The data sets are still unsaved, and the user must know.
        showError(GraphFile::cannotCreate(name, error));
        return;
    }
    if (result == CollectionFile::SaveResult::NoTempFile) {
        // Nothing to copy; the data sets shown (if any) are still unsaved.
        m_main.dialogs().message(
            &m_main,
            QStringLiteral("%1 was not saved: there is no downloaded data to copy from %2.")
                .arg(QDir::toNativeSeparators(name),
                     QDir::toNativeSeparators(
                         CollectionFile::tempFilePath(m_main.state().dataFolder))));
        return;
    }
    ++m_savesDone;
    m_main.state().DataLoggerUnsaved = false;
}

void FileCommands::OpenCollection() {
    if (!readyToReplaceDownload()) return;
    showDataLoggerGraph();
    m_openDefaultExt = QStringLiteral("REC"); // kept for later opens
    FileDialogRequest request;
    request.folder = initialFolder();
    request.filters = TextLines::dialogFilters(TextLines::collectionOpenFilter());
    request.defaultSuffix = m_openDefaultExt;
    const QString name = m_main.dialogs().openFile(&m_main, request).fileName;
    if (name.isEmpty()) return;
    readCollection(name);
}

void FileCommands::openCollectionFile(const QString& name) {
    if (!readyToReplaceDownload()) return;
    showDataLoggerGraph();
    readCollection(name);
}

bool FileCommands::readyToReplaceDownload() {
    if (m_main.dataLogger().downloading()) return false;
    // An unsaved download would be replaced: the data logger window's own question first, and
    // a Yes whose save did not happen opens nothing.
    AppState& st = m_main.state();
    if (TfrmGraph* shown = st.DataLoggerGraph; shown && st.DataLoggerUnsaved) {
        const QMessageBox::StandardButton answer = shown->askCloseQuestion();
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Yes) {
            SaveCollection();
            if (st.DataLoggerUnsaved) return false;
        }
    }
    return true;
}

void FileCommands::showDataLoggerGraph() {
    if (TfrmGraph* graph = m_main.dataLogger().ensureDataLoggerGraph()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
            frame->showNormal();
        else
            graph->showNormal();
    }
}

void FileCommands::readCollection(const QString& name) {
    DataLogger& logger = m_main.dataLogger();
    AppState& st = m_main.state();
    auto image = CollectionFile::readImage(name);
    if (!image || image->empty()) return;
    st.memoryImage = std::move(*image);
    if (logger.DecodeMemory() == 0) {
        switch (CollectionFile::writeTemp(st.dataFolder, st.memoryImage)) {
        case CollectionFile::TempResult::FolderUnavailable:
            m_main.dialogs().message(
                &m_main, QDir::toNativeSeparators(CollectionFile::tempFolder(st.dataFolder)));
            break;
        case CollectionFile::TempResult::FileNotWritten:
        case CollectionFile::TempResult::Written:
            break;
        }
        if (TfrmGraph* graph = logger.ensureDataLoggerGraph()) graph->ShowDataSet(0);
    }
    st.memoryImage.clear();
}
