#include "cli/CommandLine.h"

#include "cli/CliSupport.h"
#include "cli/Subcommands.h"

#include <QApplication>
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

const Command* find(const char* name) {
    for (const Command& c : Commands)
        if (std::strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

bool isHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ||
           std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "help") == 0;
}

void printHelp() {
    QString text = QStringLiteral(
        "Usage: q7320 [--meter usb|virtual|replay:FILE] [--record FILE]\n"
        "       q7320 <command> [options]\n"
        "\n"
        "CARBON DIOXIDE METER Software. Without a command it opens the window; with one it\n"
        "runs headless (no display needed).\n"
        "\n"
        "Commands:\n");
    for (const Command& c : Commands)
        text += QStringLiteral("  %1 %2\n")
                    .arg(QString::fromLatin1(c.name), -9)
                    .arg(QString::fromLatin1(c.summary));
    text += QStringLiteral(
        "\n"
        "Options of the window and of every command:\n"
        "  --meter usb|virtual|replay:FILE  the meter: over USB (default), the built-in virtual\n"
        "                                   meter, or a recording played back as the meter\n"
        "  --record FILE                    write every USB operation to FILE (plain text, one\n"
        "                                   operation a line, bytes in hex)\n"
        "  -h, --help                       this help; 'q7320 <command> --help' for a command\n"
        "\n"
        "Exit status: 0 success, 1 failure (the message and its code on stderr), 2 bad usage.\n"
        "\n"
        "The meter's USB device must be readable and writable by the user: the installed udev\n"
        "rule 60-q7320.rules (TAG+=\"uaccess\") gives the logged-in user access.\n");
    std::fputs(text.toLocal8Bit().constData(), stdout);
}
// Qt's own chatter about the headless platform (no runtime folder, ...) is no concern of a
// command's user; everything else goes through.
QtMessageHandler g_qtHandler = nullptr;
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (g_qtHandler) g_qtHandler(type, context, text);
}
} // namespace

bool wantsCommandLine(int argc, char** argv) {
    // A first argument that is no option names a command, known or not: a mistyped command is
    // told so instead of opening the window.
    return argc > 1 && (argv[1][0] != '-' || isHelp(argv[1]));
}

int runCommandLine(int argc, char** argv) {
    // Nothing here needs a display; charts are drawn offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(messageHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7320"));
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty() || isHelp(argv[1])) {
        if (args.size() > 1 && find(args[1].toLocal8Bit().constData())) {
            // "q7320 help export"
            return find(args[1].toLocal8Bit().constData())
                ->run({args[1], QStringLiteral("--help")});
        }
        printHelp();
        return ExitOk;
    }
    const Command* command = find(argv[1]);
    if (!command) {
        error(QStringLiteral("unknown command \"%1\"").arg(args[0]));
        return ExitUsage;
    }
    return command->run(args);
}

} // namespace cli
