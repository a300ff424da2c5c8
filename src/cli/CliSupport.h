#pragma once
// What every subcommand shares: exit codes, the messages on stderr, the options that pick the
// meter, the headless main window behind the setup commands, and the download progress bar.
#include "app/DialogService.h"
#include "logger/MemoryReader.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class Exchange;
class TfrmMain;
class Transport;

namespace cli {

enum Exit { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// "q7320: text" on stderr.
void error(const QString& text);
// A line on stdout / stderr (the line end is added).
void out(const QString& line);
void note(const QString& line);

// A parser for one subcommand, with --help, --meter and --record already in it.
struct CommandParser {
    CommandParser(const QString& name, const QString& synopsis, const QString& description);
    // Parses the subcommand's arguments (argv from the subcommand's name on). False: the
    // command is over, with *exit set (usage error, or the help was printed).
    bool parse(const QStringList& args, int* exit);
    // A bad-usage message with the hint to --help; returns ExitUsage.
    int usage(const QString& text) const;

    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help.")};
    QCommandLineOption meter{QStringLiteral("meter"),
                             QStringLiteral("The meter: usb (default), virtual, or replay:FILE "
                                            "(a recording played back as the meter)."),
                             QStringLiteral("usb|virtual|replay:FILE"), QStringLiteral("usb")};
    QCommandLineOption record{QStringLiteral("record"),
                              QStringLiteral("Write every USB operation to FILE (plain text, one "
                                             "operation a line)."),
                              QStringLiteral("FILE")};
    QString name;
    QString synopsis;
};

// The meter named by --meter (with --record). Null with *exit set and the reason shown.
std::unique_ptr<Transport> openTransport(const CommandParser& p, int* exit);

// Identifies the meter ('K') through the exchange. On failure shows why: the transport's own
// problem (device permissions, a departure from a replayed recording), else the program's
// "There is no connection with meter !".
bool identify(Exchange& exchange);
QString noConnectionText(const Transport& transport);

// Message boxes of the reused windows go to stderr; a question is answered with `answer`.
class StderrDialogs : public DialogService {
  public:
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList shown;

    QMessageBox::StandardButton message(QWidget*, const QString& text, const QString&,
                                        QMessageBox::Icon, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton) override;
    FileDialogResult openFile(QWidget*, const FileDialogRequest&) override { return {}; }
    FileDialogResult saveFile(QWidget*, const FileDialogRequest&) override { return {}; }
    int exec(QDialog&) override;
    QColor chooseColor(QWidget*, const QColor& initial, bool* ok) override;
    QFont chooseFont(QWidget*, const QFont& initial, bool* ok) override;
};

// The program's main window, never shown and never polling, for the commands that live in
// its dialogs. Settings and documents go to a folder of its own, so nothing of the user's
// window session is touched.
class HeadlessMain {
  public:
    HeadlessMain(Transport& transport, StderrDialogs& dialogs);
    ~HeadlessMain();
    TfrmMain& main() { return *m_main; }

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<TfrmMain> m_main;
};

// "[#####.....]  bytes/total bytes" on stderr, redrawn at most every 100 ms.
class StderrProgress : public DownloadProgress {
  public:
    void open(int transferSize) override;
    void received(int bytesReceived, bool repaint) override;
    void close() override;

  private:
    void draw(int bytes);
    int m_total = 0;
    bool m_open = false;
    QElapsedTimer m_drawn;
};

} // namespace cli
