#pragma once
// The data logger commands: downloading the meter's memory into the data set store, the
// "DataLogger" window with its data sets list, and charting a list window's table.
#include "logger/DataSetStore.h"
#include "logger/TableToGraph.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <span>

class TfrmMain;
class TfrmScope;
class TfrmGraph;

class DataLogger : public QObject {
    Q_OBJECT
  public:
    explicit DataLogger(TfrmMain& main);
    ~DataLogger() override;

    // Texts shown to the user.
    static constexpr const char* NoConnectionText = "There is no connection with meter !";
    static constexpr const char* RecordingText =
        "The meter is recording data, please stop recording before loading data.";
    static constexpr const char* NoDataText =
        "There was not any data recorded in momery of meter !";
    static constexpr const char* ErrorText = "There was error,please try again!   error code=";
    static constexpr const char* NoTableDataText = TableToGraph::NoDataText;

    // DownloadMemory's result when the temp folder could be neither found nor created (the
    // folder path has been shown already).
    static constexpr int TempFolderFailed = -1;

    // The menu item "&Load " and the tool button "Data Logger": the whole download.
    void LoadData1Click();
    // Reads, decodes, keeps the temp file and charts data set 1; 0 or a result code.
    int DownloadMemory();
    // The exchange that fills the memory image; 0 or a ReadMemoryCode.
    int ReadMemory();
    // Decodes the program's memory image into the data set store and, on success, refills the
    // data sets list of the "DataLogger" window. 0, 6 (no data set) or 2 (too many).
    int DecodeMemory();
    int DecodeMemory(std::span<const uint8_t> image);

    // Table to graph, for the active list window.
    void btnOutputToGraphClick();

    // True from the start of a download to its end (including a download waiting for a poll
    // tick to finish). Commands that would work on the memory image or the data sets refuse
    // to run meanwhile.
    bool downloading() const { return m_loading; }
    int bytesReceived() const { return m_bytesReceived; }

    // The temp folder and the temp file that keeps the last downloaded memory image.
    static QString tempFolder(const QString& dataFolder);
    static QString tempFilePath(const QString& dataFolder);

    // The data logger graph window, created on first use.
    TfrmGraph* ensureDataLoggerGraph();
    // Fills the data sets list of the "DataLogger" window from the store.
    void fillDataSetsList();

  private:
    static constexpr int RetryStartMs = 100;
    void startDownload();
    void runDownload();
    void resetConnection();
    bool meterRecording() const;
    void showMessage(const QString& text);
    bool writeTempFile(std::span<const uint8_t> image);

    TfrmMain& m_main;
    bool m_loading = false; // the re-entry guard of LoadData1Click
    int m_bytesReceived = 0;
    MemoryImage m_image; // the download's own image: nothing outside the download writes it
};
