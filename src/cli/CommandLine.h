#pragma once
// The program's arguments: `q7320 <command> ...` runs one subcommand headless; anything else
// opens the window, with the meter options and the files to open.
#include "cli/ChartSources.h" // InputKind

#include <QString>
#include <optional>
#include <vector>

class FileCommands;

namespace cli {

// What the window starts with.
struct WindowStart {
    QString meter = QStringLiteral("usb");
    QString record;
    // Files to open as File > Open would, each with its kind (a table's separator too).
    struct File {
        QString name;
        InputKind kind;
        char separator;
    };
    std::vector<File> files;
};

// Opens the window's files as File > Open opens what is chosen in its dialogs.
void openFiles(FileCommands& commands, const std::vector<WindowStart::File>& files);

// Reads the arguments. A command, the help, the version or bad usage is dealt with here,
// without a window and without a display: the result is the exit status (0 success, 1
// failure, 2 bad usage). Null: the window is to start, as *start says.
std::optional<int> run(int argc, char** argv, WindowStart* start);

} // namespace cli
