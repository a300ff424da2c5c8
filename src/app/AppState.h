#pragma once
// Program-wide state: one object, owned by the main window, handed to whoever needs it.
// Field names follow the program's own names.
#include <QPointer>
#include <QString>
#include <cstdint>

#include "logger/DataSetStore.h"

class TfrmGraph;
class TfrmPanel;
class TfrmSetup;
class TfrmList;
struct LiveReading;

struct AppState {
    // Shell
    QString dataFolder;            // documents folder + "/Q7320/", or fall-backs
    int32_t SampleRate = 2;        // real-time sampling interval, seconds (RealTimeRate)
    int32_t AnnoColor = 0;         // 0xBBGGRR colour of new annotations

    // Polling loop and connection state
    bool connected = false;
    bool linkOpen = false;
    int32_t pollFailures = 0;
    static constexpr int32_t pollFailureLimit = 3;
    int32_t secondsCounter = 0;
    int16_t lastSecond = 0;

    // Real-time recording
    bool Recording = false;
    int32_t SampleCount = 0;
    bool RealTimeUnsaved = false;
    TfrmGraph* RealTimeGraph = nullptr;  // null while the window is closed
    double XExtendStep = 0.0;            // days

    // Data logger: the memory image and the data set store
    MemoryImage memoryImage;
    DataSetStore dataSets;
    TfrmGraph* DataLoggerGraph = nullptr;
    bool DataLoggerUnsaved = false;

    // Annotations
    int32_t AnnotationIndex = 3;         // index of the last annotation placed
    int32_t ToolMode = -99;              // -99 normal, 0 text, 2 cross

    // Windows the program refers to (null while closed)
    TfrmPanel* frontPanel = nullptr;
    TfrmSetup* setupWindow = nullptr;
};
