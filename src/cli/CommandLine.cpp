#include "cli/CommandLine.h"

#include "cli/CliSupport.h"
#include "cli/Subcommands.h"

#include "Version.h"
#include "files/FileCommands.h"
#include "files/TextLines.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {
struct Command {
    const char* name;
    int (*run)(const QStringList&);
    const char* summary;
};

const Command Commands[] = {
    {"info", infoCommand, "identify the meter, print its configuration and clock difference"},
    {"live", liveCommand, "print the live reading, one line per sample (CSV or JSON)"},
    {"download", downloadCommand, "download the logger memory into a collection file (.732)"},
    {"sets", setsCommand, "list the data sets of a collection file"},
    {"export", exportCommand, "write a data set or chart as text or CSV lines"},
    {"plot", plotCommand, "draw the program's chart of a file into a PNG, PDF or SVG picture"},
    {"setup", setupCommand, "send the Setup window's commands (interval, offsets, alarm, ...)"},
};

const Command* find(const QString& name) {
    for (const Command& c : Commands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
           arg == QLatin1String("-?");
}

bool isVersion(const QString& arg) {
    return arg == QLatin1String("--version") || arg == QLatin1String("-V");
}

void print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void printHelp() {
    QString text = QStringLiteral(
        "Usage: q7320 [--meter usb|virtual|replay:FILE] [--record FILE] [FILE...]\n"
        "       q7320 <command> [options]\n"
        "\n"
        "CARBON DIOXIDE METER Software. Without a command it opens the window, with the files\n"
        "given (collections .732, charts .ghf, tables .txt and .csv) open in it as File > Open\n"
        "opens them; with a command it runs headless (no display needed).\n"
        "\n"
        "Commands:\n");
    for (const Command& c : Commands)
        text += QStringLiteral("  %1 %2\n")
                    .arg(QString::fromLatin1(c.name), -9)
                    .arg(QString::fromLatin1(c.summary));
    text += QStringLiteral(
        "\n"
        "Options of the window, and of the commands that talk to the meter (info, live,\n"
        "download, setup):\n"
        "  --meter usb|virtual|replay:FILE  the meter: over USB (default), the built-in virtual\n"
        "                                   meter, or a recording played back as the meter\n"
        "  --record FILE                    write every USB operation to FILE (plain text, one\n"
        "                                   operation a line, bytes in hex)\n"
        "  -h, --help                       this help; 'q7320 <command> --help' for a command\n"
        "  -V, --version                    the program's version\n"
        "\n"
        "Exit status: 0 success, 1 failure (the message and its code on stderr), 2 bad usage.\n"
        "\n"
        "The meter's USB device must be readable and writable by the user: the installed udev\n"
        "rule 60-q7320.rules (TAG+=\"uaccess\") gives the logged-in user access.\n");
    print(text);
}

void printVersion() {
    print(QStringLiteral("q7320 %1\n"
                         "CARBON DIOXIDE METER Software\n"
                         "License GPLv3+: GNU GPL version 3 or later "
                         "<https://gnu.org/licenses/gpl.html>.\n"
                         "This is free software: you are free to change and redistribute it.\n"
                         "There is NO WARRANTY, to the extent permitted by law.\n")
              .arg(QStringLiteral(Q7320_VERSION_TEXT)));
}

int windowUsage(const QString& text) {
    error(text);
    note(QStringLiteral("Try 'q7320 --help' for more."));
    return ExitUsage;
}

// Qt's own options, which the window's application object takes for itself: with a value
// ("-platform offscreen", "-style=fusion") or without.
bool isToolkitOption(const QString& arg, bool* takesValue) {
    static const char* const withValue[] = {
        "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
        "display",     "geometry",           "name",          "title",  "visual"};
    static const char* const flags[] = {"reverse", "widgetcount", "nograb",
                                        "dograb",  "sync",        "testability"};
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype eq = name.indexOf(QLatin1Char('='));
    if (eq >= 0) name = name.left(eq);
    for (const char* w : withValue)
        if (name == QLatin1String(w)) {
            *takesValue = eq < 0;
            return true;
        }
    for (const char* f : flags)
        if (name == QLatin1String(f)) {
            *takesValue = false;
            return true;
        }
    return false;
}

// Qt's chatter about the headless platform (no runtime folder, ...) is no concern of a
// command's user; everything else goes through.
QtMessageHandler g_qtHandler = nullptr;
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (g_qtHandler) g_qtHandler(type, context, text);
}

int runCommand(int argc, char** argv, const Command& command) {
    // Nothing here needs a display; charts are drawn offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(messageHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7320"));
    const int exit = command.run(QApplication::arguments().mid(1));
    // Lines that never reached stdout (a full disk, a closed pipe) make a failure.
    QString why;
    if (!stdoutWritten(&why)) {
        error(QStringLiteral("standard output: %1").arg(why));
        return exit == ExitOk ? int(ExitFailure) : exit;
    }
    return exit;
}

// The window's arguments: the meter options and the files to open.
std::optional<int> windowArguments(const QStringList& args, WindowStart* start) {
    bool platformGiven = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    bool filesOnly = false;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (filesOnly || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            files << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            filesOnly = true;
            continue;
        }
        if (isHelp(a)) {
            printHelp();
            return ExitOk;
        }
        if (isVersion(a)) {
            printVersion();
            return ExitOk;
        }
        bool takesValue = false;
        if (a == QLatin1String("--meter") || a == QLatin1String("--record") ||
            a.startsWith(QLatin1String("--meter=")) || a.startsWith(QLatin1String("--record="))) {
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            QString value;
            if (eq >= 0) {
                value = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return windowUsage(QStringLiteral("%1 needs a value").arg(a));
            }
            (a.startsWith(QLatin1String("--meter")) ? start->meter : start->record) = value;
            continue;
        }
        if (isToolkitOption(a, &takesValue)) {
            if (a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1)
                    .startsWith(QLatin1String("platform")))
                platformGiven = true;
            if (takesValue) ++i;
            continue;
        }
        return windowUsage(QStringLiteral("unknown option \"%1\"").arg(a));
    }
    const QString& meter = start->meter;
    if (meter != QLatin1String("usb") && meter != QLatin1String("virtual") &&
        !meter.startsWith(QLatin1String("replay:")))
        return windowUsage(
            QStringLiteral("unknown meter \"%1\": use usb, virtual or replay:FILE").arg(meter));

    for (const QString& name : files) {
        if (name == QLatin1String("-"))
            return windowUsage(QStringLiteral("the window opens files, not standard input"));
        if (find(name) && !QFileInfo::exists(name))
            return windowUsage(
                QStringLiteral("\"%1\" is a command: it comes first (q7320 %1 ...)").arg(name));
        QString why;
        int exit = ExitOk;
        const std::optional<Input> input = openInput(name, &why, &exit);
        if (!input) {
            if (exit == ExitUsage) return windowUsage(why);
            error(why);
            return exit;
        }
        // As the open dialog gives it: the whole path (it is the window's title).
        start->files.push_back({QFileInfo(name).absoluteFilePath(), input->kind, input->separator});
    }

    // Without a display the toolkit would abort: say so instead.
    if (!platformGiven && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        error(QStringLiteral("no display to open the window on (DISPLAY is not set); the "
                             "commands run without one: see q7320 --help"));
        return ExitFailure;
    }
    return std::nullopt;
}
} // namespace

void openFiles(FileCommands& commands, const std::vector<WindowStart::File>& files) {
    for (const WindowStart::File& f : files) {
        switch (f.kind) {
        case InputKind::Collection:
            commands.openCollectionFile(f.name);
            break;
        case InputKind::GraphFile:
            commands.openChartFile(f.name);
            break;
        case InputKind::Table:
            commands.ReadListText(f.name, f.separator == TextLines::Comma ? QStringLiteral(".csv")
                                                                          : QStringLiteral(".txt"));
            break;
        }
    }
}

std::optional<int> run(int argc, char** argv, WindowStart* start) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!args.isEmpty()) {
        if (const Command* command = find(args[0])) return runCommand(argc, argv, *command);
        if (args[0] == QLatin1String("help")) {
            if (args.size() == 1) {
                printHelp();
                return ExitOk;
            }
            const Command* command = find(args[1]);
            if (!command) return windowUsage(QStringLiteral("unknown command \"%1\"").arg(args[1]));
            if (args.size() > 2) return windowUsage(QStringLiteral("help takes one command"));
            // "q7320 help export" is "q7320 export --help"
            char help[] = "--help";
            char* helpArgv[] = {argv[0], argv[2], help, nullptr};
            return runCommand(3, helpArgv, *command);
        }
        // A first word that is neither a command nor a file is a mistyped command.
        if (!args[0].startsWith(QLatin1Char('-')) && !QFileInfo::exists(args[0]) &&
            !inputKind(args[0]))
            return windowUsage(QStringLiteral("unknown command \"%1\"").arg(args[0]));
    }
    return windowArguments(args, start);
}

} // namespace cli
