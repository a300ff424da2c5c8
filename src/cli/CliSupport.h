#pragma once
// What every subcommand shares: exit codes, the messages on stderr, the options that pick the
// meter, the headless main window behind the setup commands, and the download progress bar.
#include "app/DialogService.h"
#include "files/TextLines.h"
#include "logger/DataSetStore.h"
#include "logger/MemoryReader.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

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
// Bytes on stdout as they are. False: *why holds the system's reason.
bool writeOut(const QByteArray& bytes, QString* why);
// Whether everything put on stdout got there; false: *why holds the reason of the first
// failure (a full disk, a closed pipe).
bool stdoutWritten(QString* why);
// Text from a file as a message may show it: unprintable characters as '?', cut to `max`
// characters with "...".
QString shownText(const QString& text, int max = 60);

// A parser for one subcommand with --help; the commands that talk to the meter also take
// --meter and --record.
struct CommandParser {
    enum Kind { FileCommand, MeterCommand };
    CommandParser(const QString& name, const QString& synopsis, const QString& description,
                  Kind kind = FileCommand);
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

// A UTC offset in seconds as ISO 8601 writes it: "+01:00", "-05:30", "+00:00" (not "Z").
QString utcOffsetText(int offsetSeconds);
// The local UTC offset in force at a wall-clock time, given as seconds since 1970-01-01 00:00
// of that clock. A time the clock skips (spring forward) takes the offset in force just before
// the gap; a time it shows twice (autumn) the first of its two.
int localUtcOffset(qint64 wallSeconds);
// The days since 1899-12-30 that ISO 8601 writes with four-digit years (0001 to 9999).
constexpr double IsoFirstDay = -693593.0, IsoLastDay = 2958465.0;
// Days since 1899-12-30 as wall-clock seconds since 1970 (to the second the time text
// shows); null outside the ISO years or when not finite.
std::optional<qint64> wallSeconds(double days);
// Days since 1899-12-30 as "2026-03-14T09:26:53+01:00"; empty outside the ISO years.
QString isoDateTime(double days);

// A chart text line with one ISO 8601 timestamp and its UTC offset in place of the date and
// time ("2026-03-14T09:26:53+01:00"), and '.' as decimal separator. A time that is no date
// ISO 8601 can write leaves the field empty, as the window's writer leaves its date and time.
class IsoLineWriter : public TextLines::LineWriter {
  public:
    explicit IsoLineWriter(char separator);
    void append(std::string& out, double x, double ppm, double rh,
                double temperature) const override;

  private:
    void appendTimestamp(std::string& out, double x) const;

    TextLines::DateTimeFormatter m_date, m_time;
    char m_separator;
    mutable qint64 m_minute;
    mutable std::string m_offset;
};

// --format of info and sets: the window's text, CSV with a header line, or JSON.
enum class ListFormat { Text, Csv, Json };
std::optional<ListFormat> parseListFormat(const QString& text);
// The option that asks for one: --format text|csv|json, text when not told.
QCommandLineOption listFormatOption();
// One CSV field, quoted when it holds a comma, a quote or a line end.
QString csvField(const QString& text);
// A JSON string literal.
QString jsonString(const QString& text);

// The "Data Sets" list on stdout: its column titles, then a line a data set, tab-separated;
// or as CSV or JSON, with ISO dates and '.' as decimal separator.
void printDataSets(const DataSetStore& store, ListFormat format = ListFormat::Text);

// The meter named by --meter (with --record, written as a whole: see endMeterCommand). Null
// with *exit set and the reason shown.
std::unique_ptr<Transport> openTransport(const CommandParser& p, int* exit);
// Ends a command that opened the meter: puts its recording in place. A recording that could
// not be written turns a success into a failure (exit 1) with the reason.
int endMeterCommand(Transport& transport, int exit);

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
