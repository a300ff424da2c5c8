#pragma once
// The File menu's Open and Save: chart files, text and CSV files, and data set collection
// files, with the open/save choice dialog, the range dialog and the progress windows.
#include <QObject>
#include <QString>
#include <functional>

class QAbstractItemModel;
class TfrmMain;
class TfrmScope;
class TfrmList;
struct FileDialogRequest;
namespace chart {
class Chart;
}

class FileCommands : public QObject {
    Q_OBJECT
  public:
    explicit FileCommands(TfrmMain& main);
    ~FileCommands() override;

    // Texts shown to the user.
    static constexpr const char* InvalidIntegerText = "invalid integer";

    // Menu items "&Open" / "&Save" and the tool buttons "Open File" / "Save to file".
    void Open1Click();
    void Save1Click();
    // The save dialog's type changed to filter filterIndex (from 1): the new text for its name
    // box, or a null string to leave it.
    QString SaveDialog1TypeChange(const QString& currentName, int filterIndex) const;

    // The save dialog for one chart: writes a graph, text or CSV file by the chosen extension.
    void SaveChart(chart::Chart& chart);
    // Chart files. Failures are shown to the user; the result says whether it worked.
    bool WriteGraphFile(chart::Chart& chart, const QString& fileName);
    bool ReadGraphFile(chart::Chart& chart, const QString& fileName);
    // The open dialog for one file: a chart file into a new graph window, a text or CSV file
    // into a new list window.
    void OpenSingleFile();
    // Text and CSV files.
    void WriteChartText(chart::Chart& chart, const QString& fileName, char separator);
    void WriteListText(const QAbstractItemModel& grid);
    TfrmList* ReadListText(const QString& fileName, const QString& extension);
    // Data set collection files.
    void SaveCollection();
    void OpenCollection();

    // A named file opened as Open opens the one chosen in its dialog (files named on the
    // program's command line): a collection into the data logger window, a chart file into a
    // new graph window. Tables go to ReadListText.
    void openCollectionFile(const QString& fileName);
    void openChartFile(const QString& fileName);
    // Files written so far: whoever runs a save can tell whether it ended in a file.
    int savesDone() const { return m_savesDone; }

    // The folder every file dialog starts in: the data folder, or the program's folder.
    QString initialFolder() const;
    // Whether the system's decimal separator is a comma (it decides the filters).
    static bool commaDecimal();

    // Called on every progress step of a save or open with its progress window (tests press
    // Cancel from here).
    std::function<void(TfrmScope&)> onProgress;

  private:
    // False: a download runs, or an unsaved one is to be kept (the user said so).
    bool readyToReplaceDownload();
    void showDataLoggerGraph();
    void readCollection(const QString& fileName);
    bool askRange(int count, int* first, int* last);
    TfrmScope* openProgress(const QString& caption, int maximum);
    bool progressStep(TfrmScope& scope);
    QString runSaveDialog(const QString& filter, const QString& defaultExtension);
    void showError(const QString& text);

    TfrmMain& m_main;
    QString m_saveFilter;               // the filter of the save dialog now running
    int m_savesDone = 0;
    QString m_openDefaultExt = "*.ghf"; // the open dialog's default extension, as it was left
};
