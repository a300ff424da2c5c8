#include "cli/CliSupport.h"

#include "app/DateTimeText.h"
#include "app/Umain.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"
#include "live/LiveMonitor.h"
#include "logger/DataSetTexts.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QLocale>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace cli {

void error(const QString& text) {
    // Control characters (from a file name, say) never reach the terminal as such.
    QString safe = text;
    for (QChar& c : safe)
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n') &&
            c != QLatin1Char('\t'))
            c = QLatin1Char('?');
    std::fprintf(stderr, "q7320: %s\n", safe.toLocal8Bit().constData());
    std::fflush(stderr);
}

namespace {
int g_stdoutErrno = 0; // the first failure on stdout; nothing more is written after it
} // namespace

bool writeOut(const QByteArray& bytes, QString* why) {
    if (g_stdoutErrno == 0) {
        errno = 0;
        const size_t n = static_cast<size_t>(bytes.size());
        if (std::fwrite(bytes.constData(), 1, n, stdout) != n || std::fflush(stdout) != 0)
            g_stdoutErrno = errno != 0 ? errno : EIO;
    }
    return stdoutWritten(why);
}

bool stdoutWritten(QString* why) {
    if (g_stdoutErrno == 0 && std::fflush(stdout) != 0) g_stdoutErrno = errno != 0 ? errno : EIO;
    if (g_stdoutErrno == 0) return true;
    if (why) *why = QString::fromLocal8Bit(std::strerror(g_stdoutErrno));
    return false;
}

void out(const QString& line) {
    writeOut(line.toLocal8Bit() + '\n', nullptr);
}

QString shownText(const QString& text, int max) {
    QString shown;
    int n = 0;
    for (const char32_t c : text.toUcs4()) {
        if (n++ == max) {
            shown += QStringLiteral("...");
            break;
        }
        shown += QChar::isPrint(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("?");
    }
    return shown;
}

void note(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString utcOffsetText(int offsetSeconds) {
    const int minutes = std::abs(offsetSeconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

int localUtcOffset(qint64 wallSeconds) {
    const auto offsetAt = [](qint64 utc) {
        return QDateTime::fromSecsSinceEpoch(utc, Qt::LocalTime).offsetFromUtc();
    };
    // The offsets on either side of any change near this time; the one that maps the wall
    // time back onto itself is in force. Both do in the autumn hour (the earlier is first),
    // neither in the spring gap (the earlier was in force just before it).
    constexpr qint64 Side = 12 * 3600;
    const int before = offsetAt(wallSeconds - Side);
    if (offsetAt(wallSeconds - before) == before) return before;
    const int after = offsetAt(wallSeconds + Side);
    if (offsetAt(wallSeconds - after) == after) return after;
    return before;
}

std::optional<qint64> wallSeconds(double days) {
    if (!std::isfinite(days) || days < IsoFirstDay || days > IsoLastDay) return std::nullopt;
    // Rounded to the millisecond as the date and time texts are, then cut to the second.
    double whole = std::floor(days);
    long long ms = std::llround((days - whole) * DateTimeText::SecondsPerDay * 1000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += 1;
    }
    constexpr long long UnixEpochDay = 25569; // 1970-01-01
    return (static_cast<long long>(whole) - UnixEpochDay) * 86400 + ms / 1000;
}

QString isoDateTime(double days) {
    const std::optional<qint64> wall = wallSeconds(days);
    if (!wall) return {};
    return QDateTime::fromSecsSinceEpoch(*wall, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           utcOffsetText(localUtcOffset(*wall));
}

IsoLineWriter::IsoLineWriter(char separator)
    : m_date(QLocale::c(), QStringLiteral("yyyy-MM-dd"), TextLines::DateTimeFormatter::Kind::Date),
      m_time(QLocale::c(), QStringLiteral("HH:mm:ss"), TextLines::DateTimeFormatter::Kind::Time),
      m_separator(separator), m_minute(std::numeric_limits<qint64>::min()) {}

void IsoLineWriter::append(std::string& out, double x, double ppm, double rh,
                           double temperature) const {
    appendTimestamp(out, x);
    out.push_back(m_separator);
    TextLines::appendPpm(out, ppm, '.');
    out.push_back(m_separator);
    TextLines::appendRh(out, rh, '.');
    out.push_back(m_separator);
    TextLines::appendTemperature(out, temperature, '.');
    out += "\r\n";
}

void IsoLineWriter::appendTimestamp(std::string& out, double x) const {
    const std::optional<qint64> wall = wallSeconds(x);
    if (!wall) return;
    m_date.append(out, x);
    out.push_back('T');
    m_time.append(out, x);
    // Offsets change on whole minutes at the finest: one look-up per minute of the clock.
    const qint64 minute = *wall >= 0 ? *wall / 60 : (*wall - 59) / 60;
    if (minute != m_minute) {
        m_minute = minute;
        m_offset = utcOffsetText(localUtcOffset(*wall)).toStdString();
    }
    out += m_offset;
}

QCommandLineOption listFormatOption() {
    return QCommandLineOption(QStringLiteral("format"),
                              QStringLiteral("text (default), csv or json."), QStringLiteral("F"),
                              QStringLiteral("text"));
}

std::optional<ListFormat> parseListFormat(const QString& text) {
    if (text == QLatin1String("text")) return ListFormat::Text;
    if (text == QLatin1String("csv")) return ListFormat::Csv;
    if (text == QLatin1String("json")) return ListFormat::Json;
    return std::nullopt;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString jsonString(const QString& text) {
    QString s = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            s += QLatin1Char('\\') + QString(c);
        else if (c.unicode() < 0x20)
            s += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            s += c;
    }
    return s + QLatin1Char('"');
}

namespace {
double signedTenths(int storedByte) {
    return static_cast<int8_t>(storedByte & 0xFF) / 10.0;
}
} // namespace

void printDataSets(const DataSetStore& store, ListFormat format) {
    if (format == ListFormat::Text) {
        QStringList headers;
        for (const char* h : DataSetHeaders)
            headers << QString::fromLatin1(h);
        out(headers.join(QLatin1Char('\t')));
        for (int k = 0; k < store.count(); ++k) {
            const auto texts = dataSetRowTexts(store, k);
            out(QStringList(texts.begin(), texts.end()).join(QLatin1Char('\t')));
        }
        return;
    }
    // For programs: the same columns with fixed formats, whatever the locale.
    struct Row {
        int set;
        QString start, date, time, rate;
        int interval, samples;
        QString unit;
        int ppmOffset;
        QString rhOffset, temperatureOffset;
    };
    auto row = [&](int k) {
        const double start = store.startTime[size_t(k)];
        const QDateTime wall = DateTimeText::fromDays(start);
        const bool fahrenheit = store.temperatureUnit[size_t(k)] != 0;
        double t = signedTenths(store.temperatureOffset[size_t(k)]);
        if (!fahrenheit) t = t * 5.0 / 9.0;
        return Row{k + 1,
                   isoDateTime(start),
                   wall.date().toString(QStringLiteral("yyyy-MM-dd")),
                   wall.time().toString(QStringLiteral("HH:mm:ss")),
                   intervalText(store.interval[size_t(k)]),
                   store.interval[size_t(k)],
                   store.sampleCount[size_t(k)],
                   fahrenheit ? QStringLiteral("F") : QStringLiteral("C"),
                   store.co2Offset[size_t(k)],
                   QString::number(signedTenths(store.rhOffset[size_t(k)]), 'f', 1),
                   QString::number(t, 'f', 1)};
    };
    if (format == ListFormat::Csv) {
        QStringList headers;
        for (const char* h : DataSetHeaders)
            headers << csvField(QString::fromLatin1(h));
        out(headers.join(QLatin1Char(',')));
        for (int k = 0; k < store.count(); ++k) {
            const Row r = row(k);
            out(QStringList{QString::number(r.set), r.date, r.time, r.rate,
                            QString::number(r.samples), r.unit, QString::number(r.ppmOffset),
                            r.rhOffset, r.temperatureOffset}
                    .join(QLatin1Char(',')));
        }
        return;
    }
    QStringList objects;
    for (int k = 0; k < store.count(); ++k) {
        const Row r = row(k);
        objects << QStringLiteral("{\"set\":%1,\"start\":%2,\"interval\":%3,\"samples\":%4,"
                                  "\"unit\":%5,\"ppm_offset\":%6,\"rh_offset\":%7,"
                                  "\"temperature_offset\":%8}")
                       .arg(r.set)
                       .arg(r.start.isEmpty() ? QStringLiteral("null") : jsonString(r.start))
                       .arg(r.interval)
                       .arg(r.samples)
                       .arg(jsonString(r.unit))
                       .arg(r.ppmOffset)
                       .arg(r.rhOffset, r.temperatureOffset);
    }
    out(QLatin1Char('[') + objects.join(QLatin1Char(',')) + QLatin1Char(']'));
}

namespace {
// Paragraphs wrapped at 79 columns for the terminal.
QString wrapped(const QString& text) {
    QStringList out;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > 79) {
                out << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        out << line;
    }
    return out.join(QLatin1Char('\n'));
}
} // namespace

CommandParser::CommandParser(const QString& commandName, const QString& commandSynopsis,
                             const QString& description, Kind kind)
    : name(commandName), synopsis(commandSynopsis) {
    parser.setApplicationDescription(wrapped(description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    if (kind == MeterCommand) {
        parser.addOption(meter);
        parser.addOption(record);
    }
}

bool CommandParser::parse(const QStringList& args, int* exit) {
    // The parser takes the first argument for the program's name: give it "q7320 <command>".
    QStringList all = args;
    all[0] = QStringLiteral("q7320 ") + name;
    if (!parser.parse(all)) {
        *exit = usage(parser.errorText());
        return false;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser's own usage line knows nothing of the positional form: ours replaces it.
        const int end = text.indexOf(QLatin1Char('\n'));
        text = QStringLiteral("Usage: q7320 ") + synopsis + text.mid(end);
        std::fputs(text.toLocal8Bit().constData(), stdout);
        *exit = ExitOk;
        return false;
    }
    return true;
}

int CommandParser::usage(const QString& text) const {
    error(text);
    note(QStringLiteral("Usage: q7320 %1\nTry 'q7320 %2 --help' for more.").arg(synopsis, name));
    return ExitUsage;
}

std::unique_ptr<Transport> openTransport(const CommandParser& p, int* exit) {
    const QString meter = p.parser.value(p.meter);
    if (meter != QLatin1String("usb") && meter != QLatin1String("virtual") &&
        !meter.startsWith(QLatin1String("replay:"))) {
        *exit = p.usage(
            QStringLiteral("unknown meter \"%1\": use usb, virtual or replay:FILE").arg(meter));
        return nullptr;
    }
    QString why;
    std::unique_ptr<Transport> t = createTransport(meter, Clock::system(), &why,
                                                   p.parser.value(p.record), RecordSaving::Whole);
    if (!t) {
        error(why);
        *exit = ExitFailure;
    }
    return t;
}

int endMeterCommand(Transport& transport, int exit) {
    QString why;
    if (finishRecording(transport, &why)) return exit;
    error(why);
    return exit == ExitOk ? int(ExitFailure) : exit;
}

QString noConnectionText(const Transport& transport) {
    const QString problem = transportProblem(transport);
    return problem.isEmpty() ? QStringLiteral("There is no connection with meter !") : problem;
}

bool identify(Exchange& exchange) {
    if (identifyMeter(exchange)) return true;
    error(noConnectionText(exchange.transport()));
    return false;
}

QMessageBox::StandardButton StderrDialogs::message(QWidget*, const QString& text, const QString&,
                                                   QMessageBox::Icon,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton) {
    shown << text;
    if (buttons & QMessageBox::Yes) {
        // A question: the command line answers it from its options.
        note(QStringLiteral("%1 %2").arg(text, answer == QMessageBox::Yes ? QStringLiteral("Yes")
                                                                          : QStringLiteral("No")));
        return answer;
    }
    error(text);
    return QMessageBox::Ok;
}

int StderrDialogs::exec(QDialog&) {
    return QDialog::Rejected;
}

QColor StderrDialogs::chooseColor(QWidget*, const QColor& initial, bool* ok) {
    if (ok) *ok = false;
    return initial;
}

QFont StderrDialogs::chooseFont(QWidget*, const QFont& initial, bool* ok) {
    if (ok) *ok = false;
    return initial;
}

HeadlessMain::HeadlessMain(Transport& transport, StderrDialogs& dialogs) {
    MainServices services;
    services.transport = &transport;
    services.dialogs = &dialogs;
    services.settingsFile = m_dir.filePath(QStringLiteral("settings.ini"));
    services.documentsDir = m_dir.path();
    m_main = std::make_unique<TfrmMain>(services);
    // No polling: the command line makes every exchange itself.
    m_main->MainTimer->stop();
    m_main->MaxMinTimer->stop();
    m_main->exchange().setMainTimer(nullptr);
}

HeadlessMain::~HeadlessMain() = default;

void StderrProgress::open(int transferSize) {
    m_total = transferSize;
    m_open = true;
    m_drawn.invalidate();
    draw(0);
}

void StderrProgress::received(int bytes, bool) {
    if (!m_open) return;
    if (m_drawn.isValid() && m_drawn.elapsed() < 100 && bytes != m_total) return;
    draw(bytes);
}

void StderrProgress::close() {
    if (!m_open) return;
    m_open = false;
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void StderrProgress::draw(int bytes) {
    m_drawn.start();
    constexpr int Width = 40;
    const int filled = m_total > 0 ? int(qint64(bytes) * Width / m_total) : 0;
    std::string bar(size_t(std::clamp(filled, 0, Width)), '#');
    bar.resize(Width, '.');
    std::fprintf(stderr, "\r[%s] %d/%d bytes", bar.c_str(), bytes, m_total);
    std::fflush(stderr);
}

} // namespace cli
