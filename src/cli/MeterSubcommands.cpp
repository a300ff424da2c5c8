// info, live, download and setup: the subcommands that talk to the meter.
#include "cli/CliSupport.h"
#include "cli/Subcommands.h"

#include "app/DateTimeText.h"
#include "app/Umain.h"
#include "files/CollectionFile.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"
#include "live/LiveMonitor.h"
#include "live/LiveReading.h"
#include "logger/DataLogger.h"
#include "logger/DataSetTexts.h"
#include "logger/MemoryDecoder.h"
#include "logger/MemoryReader.h"
#include "setup/MeterSetup.h"
#include "setup/SetupFrames.h"
#include "setup/Usetup.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <thread>

namespace cli {

namespace {
// ---- The setup dialog, headless ---------------------------------------------------------------

// The meter identified and the main window told so, as the poll tick would.
bool connect(HeadlessMain& h) {
    if (!identify(h.main().exchange())) return false;
    h.main().state().connected = true;
    h.main().state().linkOpen = true;
    return true;
}

// The dialog, without its automatic read a second after it opens (the command reads itself).
TfrmSetup* openSetup(TfrmMain& main) {
    auto* dialog = new TfrmSetup(main);
    dialog->Timer1->stop();
    main.state().setupWindow = dialog;
    return dialog;
}

// Runs a dialog command to its end (a command may have been queued behind another).
void finish(TfrmSetup& dialog) {
    while (dialog.commandActive())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// What a result label shows after its command: "OK", "Fail" or "Fail code=N"; empty when the
// command did not report (a validation message stopped it).
QString result(const QLabel* label) {
    return label->isHidden() ? QString() : label->text();
}

// ---- Live lines --------------------------------------------------------------------------------

std::atomic<bool> g_stop{false};
void onSignal(int) {
    g_stop = true;
}

// "2026-03-14T09:26:53+01:00": local time with its offset, "+00:00" rather than "Z"; with
// milliseconds ("09:26:53.500") when samples come faster than once a second.
QString isoNow(bool milliseconds) {
    const QDateTime now = QDateTime::currentDateTime();
    return now.toString(milliseconds ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                     : QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           utcOffsetText(now.offsetFromUtc());
}

struct LiveTexts {
    QString co2, rh, temperature;
    bool co2Number, rhNumber, temperatureNumber;
};

LiveTexts liveTexts(const LiveReading& r) {
    const uint8_t f = r.OverRangeFlags;
    LiveTexts t;
    auto value = [](double v, int decimals, bool* number) {
        *number = true;
        return QString::number(v, 'f', decimals);
    };
    auto text = [](const char* s, bool* number) {
        *number = false;
        return QString::fromLatin1(s);
    };
    t.co2 = r.co2Dashes     ? text("----", &t.co2Number)
            : (f & OverCo2) ? text("OL", &t.co2Number)
                            : value(r.co2Ppm, 0, &t.co2Number);
    t.rh = (f & NoRhReading) ? text("----", &t.rhNumber)
           : (f & OverRh)    ? text("OL", &t.rhNumber)
                             : value(r.humidity, 1, &t.rhNumber);
    t.temperature = (f & NoTempReading) ? text("----", &t.temperatureNumber)
                    : (f & OverTemp)    ? text("OL", &t.temperatureNumber)
                    : (f & UnderTemp)   ? text("-OL", &t.temperatureNumber)
                                        : value(r.temperature, 1, &t.temperatureNumber);
    return t;
}

QString liveLine(const LiveReading& r, bool json, bool milliseconds) {
    const LiveTexts t = liveTexts(r);
    const QString unit = r.fahrenheit ? QStringLiteral("F") : QStringLiteral("C");
    const QString time = isoNow(milliseconds);
    if (!json) return QStringList{time, t.co2, t.rh, t.temperature, unit}.join(QLatin1Char(','));
    auto field = [](const QString& v, bool number) {
        return number ? v : QLatin1Char('"') + v + QLatin1Char('"');
    };
    return QStringLiteral(
               "{\"time\":\"%1\",\"co2\":%2,\"rh\":%3,\"temperature\":%4,\"unit\":\"%5\"}")
        .arg(time, field(t.co2, t.co2Number), field(t.rh, t.rhNumber),
             field(t.temperature, t.temperatureNumber), unit);
}

// The setup command's checked values, as the dialog's fields get them; empty: not asked for.
struct SetupValues {
    QString minutes, seconds, rh, temperature, co2, altitude, high, low;
    bool alarm = false, alarmOn = false, powerOff = false, clock = false, erase = false;
    int powerIndex = 0;
};
QString plainFloat(float value);

// The commands' work once the meter is open; the command then puts its recording in place.
int printLive(Transport& transport, double seconds, long long limit, bool json);
int download(Transport& transport, const QString& fileName);
int sendSetup(Transport& transport, const SetupValues& values);

// Sleeps until the clock reaches `until` or a signal asks to stop.
void sleepUntil(std::chrono::steady_clock::time_point until) {
    while (!g_stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(50), until - std::chrono::steady_clock::now()));
}
} // namespace

// ---- info
// ----------------------------------------------------------------------------------------

namespace {
// The information read through the dialog, printed as the labels of the Setup window show it,
// or as CSV (a line of keys, a line of values) or JSON for programs.
int printInfo(Transport& transport, ListFormat format) {
    StderrDialogs dialogs;
    HeadlessMain h(transport, dialogs);
    if (!connect(h)) return ExitFailure;
    TfrmSetup* dialog = openSetup(h.main());
    dialog->Button4Click();
    finish(*dialog);
    const QDateTime computer = QDateTime::currentDateTime();
    if (result(dialog->lblOK5) != QLatin1String("OK")) {
        error(result(dialog->lblOK5));
        return ExitFailure;
    }

    // "MM/DD/20YY   hh:mm:ss"
    const QDateTime meter = QDateTime::fromString(dialog->txtMeterTime->text(),
                                                  QStringLiteral("MM/dd/yyyy   HH:mm:ss"));
    std::optional<qint64> diff;
    if (meter.isValid()) diff = computer.secsTo(meter);

    const struct {
        const char* label;
        const char* key;
        QString value;
        bool number;
    } rows[] = {
        {"FirmWare Version:", "firmware_version", dialog->txtVer->text(), false},
        {"SN:", "serial_number", dialog->txtSN->text(), false},
        {"Unit Type:", "unit", dialog->txtUnit->text(), false},
        {"Recording Interval:", "recording_interval", dialog->txtInt->text(), false},
        {"RH offset:", "rh_offset", dialog->txtRHoffset->text(), true},
        {"Temp. offset:", "temperature_offset", dialog->txtT1offset->text(), true},
        {"ppm offset:", "ppm_offset", dialog->txtppmoffset->text(), true},
        {"altitude compensation:", "altitude", dialog->txtaltoffset->text(), true},
        {"ALARM:", "alarm", dialog->txtAlarm->text(), false},
        {"Hi:", "alarm_high", dialog->txtHi->text(), true},
        {"Lo:", "alarm_low", dialog->txtLo->text(), true},
        {"time to off:", "power_off", dialog->txtSleepTime->text(), false},
        {"Meter Time:", "meter_time", dialog->txtMeterTime->text(), false},
        {"Data Sets In Memory:", "data_sets", dialog->txtDataSets->text(), true},
        {"Memory Available:", "memory_available", dialog->txtMemoryAvailable->text(), true},
        {"Col 2000", "col_2000", dialog->txtCol2000->text(), true},
        {"Col 400", "col_400", dialog->txtCol400->text(), true},
        {"Col 0", "col_0", dialog->txtCol0->text(), true},
    };

    if (format == ListFormat::Text) {
        for (const auto& row : rows) {
            const QString value = QLatin1String(row.key) == QLatin1String("altitude")
                                      ? row.value + QStringLiteral(" m")
                                      : row.value;
            out(QStringLiteral("%1 %2").arg(QString::fromLatin1(row.label), -24).arg(value));
        }
        if (!diff) {
            out(QStringLiteral("%1 unknown (the meter's clock is not a valid date and time)")
                    .arg(QStringLiteral("Clock difference:"), -24));
        } else {
            const QString side = *diff == 0  ? QStringLiteral("the same as the computer's")
                                 : *diff > 0 ? QStringLiteral("meter ahead of the computer")
                                             : QStringLiteral("meter behind the computer");
            out(QStringLiteral("%1 %2%3 s (%4)")
                    .arg(QStringLiteral("Clock difference:"), -24)
                    .arg(*diff > 0 ? QStringLiteral("+") : QString())
                    .arg(*diff)
                    .arg(side));
        }
        return ExitOk;
    }

    // For programs: numbers as numbers ('.' as decimal separator), the meter's time in ISO
    // 8601, the clock difference in seconds; null for what the meter did not tell.
    static const QRegularExpression plainNumber(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
    const QString decimal = QLocale::system().decimalPoint();
    QStringList keys, values;
    for (const auto& row : rows) {
        keys << QString::fromLatin1(row.key);
        QString v = row.value;
        if (QLatin1String(row.key) == QLatin1String("meter_time"))
            v = meter.isValid() ? isoDateTime(DateTimeText::toDays(meter)) : QString();
        if (row.number) {
            v.replace(decimal, QStringLiteral("."));
            if (!plainNumber.match(v).hasMatch()) v.clear();
        }
        const bool nullable = row.number || QLatin1String(row.key) == QLatin1String("meter_time");
        if (format == ListFormat::Csv)
            values << csvField(v);
        else if (v.isEmpty() && nullable)
            values << QStringLiteral("null");
        else
            values << (row.number ? v : jsonString(v));
    }
    keys << QStringLiteral("clock_difference");
    values << (diff                        ? QString::number(*diff)
               : format == ListFormat::Csv ? QString()
                                           : QStringLiteral("null"));
    if (format == ListFormat::Csv) {
        out(keys.join(QLatin1Char(',')));
        out(values.join(QLatin1Char(',')));
        return ExitOk;
    }
    QStringList members;
    for (qsizetype i = 0; i < keys.size(); ++i)
        members << jsonString(keys[i]) + QLatin1Char(':') + values[i];
    out(QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}'));
    return ExitOk;
}
} // namespace

int infoCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("info"),
                    QStringLiteral("info [--format F] [--meter M] [--record FILE]"),
                    QStringLiteral("Identifies the meter and prints its configuration (the "
                                   "information read of the Setup window), and how far the "
                                   "meter's clock is from the computer's: as the window labels "
                                   "it, or as CSV (a line of keys, a line of values) or JSON."),
                    CommandParser::MeterCommand);
    const QCommandLineOption format = listFormatOption();
    p.parser.addOption(format);
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    if (!p.parser.positionalArguments().isEmpty())
        return p.usage(QStringLiteral("info takes no arguments"));
    const std::optional<ListFormat> listFormat = parseListFormat(p.parser.value(format));
    if (!listFormat) return p.usage(QStringLiteral("--format is text, csv or json"));
    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;
    return endMeterCommand(*transport, printInfo(*transport, *listFormat));
}

// ---- live
// ----------------------------------------------------------------------------------------

int liveCommand(const QStringList& args) {
    CommandParser p(
        QStringLiteral("live"),
        QStringLiteral("live [--interval S] [--count N] [--format csv|json] [--meter M] "
                       "[--record FILE]"),
        QStringLiteral(
            "Prints the meter's live reading, one line per sample, until interrupted (Ctrl+C) "
            "or N lines are out. CSV lines: time,ppm,%RH,temperature,unit; JSON lines: "
            "{\"time\",\"co2\",\"rh\",\"temperature\",\"unit\"}. The time is ISO 8601 with the "
            "UTC offset; a value out of range is \"OL\" (over) or \"-OL\" (under), a missing "
            "one \"----\". When the meter goes away, the command says so on stderr and carries "
            "on once it is back. Below a second between samples the time has milliseconds."),
        CommandParser::MeterCommand);
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Seconds between samples (default 2, at "
                                                     "least 0.5)."),
                                      QStringLiteral("S"), QStringLiteral("2"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Stop after N samples."),
                                   QStringLiteral("N"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("csv (default) or json."),
                                    QStringLiteral("csv|json"), QStringLiteral("csv"));
    p.parser.addOptions({interval, count, format});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    if (!p.parser.positionalArguments().isEmpty())
        return p.usage(QStringLiteral("live takes no arguments"));
    bool ok = false;
    const double seconds = p.parser.value(interval).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.5 || seconds > 86400)
        return p.usage(QStringLiteral("--interval is a number of seconds from 0.5 to 86400"));
    long long limit = -1;
    if (p.parser.isSet(count)) {
        limit = p.parser.value(count).toLongLong(&ok);
        if (!ok || limit < 1) return p.usage(QStringLiteral("--count is a number from 1"));
    }
    const QString fmt = p.parser.value(format);
    if (fmt != QLatin1String("csv") && fmt != QLatin1String("json"))
        return p.usage(QStringLiteral("--format is csv or json"));
    const bool json = fmt == QLatin1String("json");

    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;
    return endMeterCommand(*transport, printLive(*transport, seconds, limit, json));
}

namespace {
int printLive(Transport& transport, double seconds, long long limit, bool json) {
    Exchange ex(transport, Clock::system());
    if (!identify(ex)) return ExitFailure;

    g_stop = false;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const auto step = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
    auto next = std::chrono::steady_clock::now();
    LiveReading reading;
    long long printed = 0;
    int failures = 0;
    bool connected = true;
    while (!g_stop && (limit < 0 || printed < limit)) {
        if (!connected) {
            if (identifyMeter(ex)) {
                connected = true;
                failures = 0;
                note(QStringLiteral("q7320: the meter is connected again"));
                continue;
            }
            next += std::chrono::seconds(1);
            sleepUntil(next);
            continue;
        }
        if (ex.liveRead(true) && decodeLiveReply(ex.reply, reading)) {
            failures = 0;
            out(liveLine(reading, json, seconds < 1));
            if (!stdoutWritten(nullptr)) break; // nobody reads on: the command tells why
            ++printed;
        } else if (++failures >= AppState::pollFailureLimit) {
            connected = false;
            const QString problem = transportProblem(ex.transport());
            note(QStringLiteral("q7320: lost the connection with the meter%1; waiting for it")
                     .arg(problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem)));
            next = std::chrono::steady_clock::now();
            continue;
        } else {
            continue; // try again at once, as the next poll would
        }
        if (limit >= 0 && printed >= limit) break;
        next += step;
        if (next < std::chrono::steady_clock::now()) next = std::chrono::steady_clock::now();
        sleepUntil(next);
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return ExitOk;
}
} // namespace

// ---- download
// ------------------------------------------------------------------------------------

int downloadCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("download"),
                    QStringLiteral("download -o FILE.732 [--meter M] [--record FILE]"),
                    QStringLiteral("Downloads the meter's logger memory into a data set collection "
                                   "file (a progress bar on stderr) and prints its data sets as "
                                   "the \"sets\" command does."),
                    CommandParser::MeterCommand);
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The collection file to write (.732)."),
                                    QStringLiteral("FILE.732"));
    p.parser.addOption(output);
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    if (!p.parser.positionalArguments().isEmpty())
        return p.usage(QStringLiteral("download takes no arguments"));
    if (!p.parser.isSet(output)) return p.usage(QStringLiteral("-o FILE.732 is missing"));
    const QString fileName = p.parser.value(output);
    if (!fileName.endsWith(QLatin1String(".732"), Qt::CaseInsensitive))
        return p.usage(QStringLiteral("%1: the collection file ends in .732").arg(fileName));

    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;
    return endMeterCommand(*transport, download(*transport, fileName));
}

namespace {
int download(Transport& transport, const QString& fileName) {
    Exchange ex(transport, Clock::system());
    if (!identify(ex)) return ExitFailure;

    // A meter that records refuses the transfer: the window asks to stop recording first.
    LiveReading reading;
    if (ex.liveRead(true) && decodeLiveReply(ex.reply, reading) && reading.meterRecording) {
        error(QString::fromLatin1(DataLogger::RecordingText));
        return ExitFailure;
    }

    MemoryImage image;
    MemoryReader reader(ex, image);
    StderrProgress progress;
    const int code = reader.ReadMemory(&progress);
    progress.close();
    if (code != 0) {
        error(QString::fromLatin1(DataLogger::ErrorText) + QString::number(code));
        abandonTransfer(ex); // as the window does
        const QString problem = transportProblem(ex.transport());
        if (!problem.isEmpty()) error(problem);
        return ExitFailure;
    }
    // The collection file holds the bytes the transfer received, as the temp file does.
    image.resize(std::min(image.size(), size_t(std::max(reader.bytesReceived(), 0))));
    DataSetStore store;
    const int decoded = DecodeMemory(image, store, QDateTime::currentDateTime());
    if (decoded == DecodeNoData) {
        error(QString::fromLatin1(DataLogger::NoDataText));
        return ExitFailure;
    }
    if (decoded != DecodeOk) {
        error(QString::fromLatin1(DataLogger::ErrorText) + QString::number(decoded));
        return ExitFailure;
    }
    QString why;
    if (!CollectionFile::writeImage(fileName, image, &why)) {
        error(QStringLiteral("%1: %2").arg(fileName, why));
        return ExitFailure;
    }
    printDataSets(store);
    return ExitOk;
}
} // namespace

// ---- setup
// ---------------------------------------------------------------------------------------

int setupCommand(const QStringList& args) {
    CommandParser p(
        QStringLiteral("setup"),
        QStringLiteral("setup [--clock] [--interval mm:ss] [--alarm off|HI,LO] [--rh-offset X] "
                       "[--temp-offset X] [--co2-offset N] [--altitude M] [--power-off INDEX] "
                       "[--erase --yes] [--meter M] [--record FILE]"),
        QStringLiteral(
            "Sends the Setup window's commands, in the order of its \"Setup All\": interval, "
            "offsets, altitude, alarm, power-off, clock, erase. Each prints its result (\"OK\", "
            "or \"Fail\" / \"Fail code=N\" on stderr). Values are checked as the window checks "
            "them, with its messages, the temperature offset in the meter's unit (read first); "
            "nothing is sent when one is out of range (exit 2). When a command fails after "
            "others were sent, the last line on stderr lists what was sent and what was not "
            "(exit 1)."),
        CommandParser::MeterCommand);
    const QCommandLineOption clock(QStringLiteral("clock"),
                                   QStringLiteral("Set the meter's clock to the computer's."));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Recording interval, 00:01 to 60:60 (minutes and seconds, one or two "
                       "digits each)."),
        QStringLiteral("mm:ss"));
    const QCommandLineOption alarm(QStringLiteral("alarm"),
                                   QStringLiteral("CO2 alarm off, or on with high and low "
                                                  "limits in ppm (0 to 40000)."),
                                   QStringLiteral("off|HI,LO"));
    const QCommandLineOption rh(QStringLiteral("rh-offset"),
                                QStringLiteral("%RH offset, -10.0 to 10.0."), QStringLiteral("X"));
    const QCommandLineOption temp(QStringLiteral("temp-offset"),
                                  QStringLiteral("Temperature offset in the meter's unit: -5.0 "
                                                 "to 5.0 (C) or -9.0 to 9.0 (F)."),
                                  QStringLiteral("X"));
    const QCommandLineOption co2(QStringLiteral("co2-offset"),
                                 QStringLiteral("CO2 offset in ppm, -400 to 400."),
                                 QStringLiteral("N"));
    const QCommandLineOption altitude(QStringLiteral("altitude"),
                                      QStringLiteral("Altitude compensation, 0 to 3000 m."),
                                      QStringLiteral("M"));
    const QCommandLineOption powerOff(
        QStringLiteral("power-off"),
        QStringLiteral("Automatic power-off: 0 Off, 1 10 minutes, 2 30 minutes, 3 1 hour, "
                       "4 2 hours, 5 4 hours, 6 8 hours (7: the list's empty item)."),
        QStringLiteral("INDEX"));
    const QCommandLineOption erase(QStringLiteral("erase"),
                                   QStringLiteral("Erase the logger memory (needs --yes)."));
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("Answer Yes to \"This will delete all data in "
                                                "the meter, are you sure ?\"."));
    p.parser.addOptions({clock, interval, alarm, rh, temp, co2, altitude, powerOff, erase, yes});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    if (!p.parser.positionalArguments().isEmpty())
        return p.usage(QStringLiteral("setup takes no arguments"));
    bool any = false;
    for (const QCommandLineOption* o :
         {&clock, &interval, &alarm, &rh, &temp, &co2, &altitude, &powerOff, &erase})
        any = any || p.parser.isSet(*o);
    if (!any) return p.usage(QStringLiteral("nothing to set up"));
    if (p.parser.isSet(erase) && !p.parser.isSet(yes)) {
        error(SetupText::EraseConfirm);
        return p.usage(QStringLiteral("--erase needs --yes"));
    }

    // Every value is checked before anything is sent, with the window's own checks and texts.
    // The dialog's fields then get the checked value written plainly, so that what goes out is
    // exactly what was checked (the interval fields keep two characters, for one).
    SetupValues v;
    auto invalid = [](const QString& message) {
        error(message);
        return int(ExitUsage);
    };
    if (p.parser.isSet(interval)) {
        static const QRegularExpression mmss(QStringLiteral("^(\\d{1,2}):(\\d{1,2})$"));
        const QRegularExpressionMatch m = mmss.match(p.parser.value(interval));
        if (!m.hasMatch()) return invalid(SetupText::InvalidInput);
        if (const auto c = checkInterval(m.captured(1), m.captured(2)); !c.ok())
            return invalid(c.message);
        v.minutes = QStringLiteral("%1").arg(m.captured(1).toInt(), 2, 10, QLatin1Char('0'));
        v.seconds = QStringLiteral("%1").arg(m.captured(2).toInt(), 2, 10, QLatin1Char('0'));
    }
    if (p.parser.isSet(rh)) {
        if (const auto c = checkRhOffset(p.parser.value(rh)); !c.ok()) return invalid(c.message);
        v.rh = plainFloat(*parseFloat(p.parser.value(rh)));
    }
    if (p.parser.isSet(temp)) {
        // The widest range for now; the meter's unit decides once it is read.
        if (const auto c = checkTempOffset(p.parser.value(temp), true); !c.ok())
            return invalid(c.message);
        v.temperature = plainFloat(*parseFloat(p.parser.value(temp)));
    }
    if (p.parser.isSet(co2)) {
        const auto c = checkCo2Offset(p.parser.value(co2));
        if (!c.ok()) return invalid(c.message);
        v.co2 = QString::number(*c.value);
    }
    if (p.parser.isSet(altitude)) {
        const auto c = checkAltitude(p.parser.value(altitude));
        if (!c.ok()) return invalid(c.message);
        v.altitude = QString::number(*c.value);
    }
    v.alarmOn = p.parser.isSet(alarm) && p.parser.value(alarm) != QLatin1String("off");
    if (v.alarmOn) {
        const QStringList parts = p.parser.value(alarm).split(QLatin1Char(','));
        if (parts.size() != 2) return invalid(SetupText::AlarmRange);
        const auto c = checkAlarm(parts[0], parts[1]);
        if (!c.ok()) return invalid(c.message);
        // As the window does: a low limit above the high one swaps the two.
        v.high = QString::number(c.value->high);
        v.low = QString::number(c.value->low);
    }
    if (p.parser.isSet(powerOff)) {
        const std::optional<int32_t> index = parseInteger(p.parser.value(powerOff));
        if (!index || *index < 0 || *index > 7)
            return p.usage(QStringLiteral("--power-off is an index from 0 to 7"));
        v.powerIndex = *index;
    }
    v.alarm = p.parser.isSet(alarm);
    v.powerOff = p.parser.isSet(powerOff);
    v.clock = p.parser.isSet(clock);
    v.erase = p.parser.isSet(erase);

    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;
    return endMeterCommand(*transport, sendSetup(*transport, v));
}

namespace {
QString plainFloat(float value) {
    // Nine digits give the same float back.
    return QString::number(double(value), 'g', 9);
}

int sendSetup(Transport& transport, const SetupValues& v) {
    StderrDialogs dialogs;
    dialogs.answer = QMessageBox::Yes; // --erase comes with --yes
    HeadlessMain h(transport, dialogs);
    if (!connect(h)) return ExitFailure;
    TfrmSetup* dialog = openSetup(h.main());

    // The dialog reads the meter first, as it does when it opens: the temperature offset is
    // checked and sent in the meter's unit.
    dialog->Button4Click();
    finish(*dialog);
    if (result(dialog->lblOK5) != QLatin1String("OK")) {
        error(QStringLiteral("Read: %1").arg(result(dialog->lblOK5)));
        return ExitFailure;
    }
    if (!v.temperature.isEmpty()) {
        const bool fahrenheit = h.main().meterSetup().unit().fahrenheit;
        if (const auto c = checkTempOffset(v.temperature, fahrenheit); !c.ok()) {
            error(c.message);
            return ExitUsage; // nothing has been sent
        }
    }

    QStringList sent, notSent;
    auto run = [&](const char* name, void (TfrmSetup::*click)(), QLabel* label) {
        const qsizetype messages = dialogs.shown.size();
        (dialog->*click)();
        finish(*dialog);
        const QString text = result(label);
        const QString what = QString::fromLatin1(name);
        if (text == QLatin1String("OK")) {
            out(QStringLiteral("%1: OK").arg(what));
            sent << what;
            return;
        }
        // A message from the window's own check has been shown; a failed exchange is told here.
        if (!text.isEmpty() || dialogs.shown.size() == messages)
            error(
                QStringLiteral("%1: %2").arg(what, text.isEmpty() ? QStringLiteral("Fail") : text));
        notSent << what;
    };
    if (!v.minutes.isEmpty()) {
        dialog->edtInt1->setText(v.minutes);
        dialog->edtInt2->setText(v.seconds);
        run("Recording interval", &TfrmSetup::Button2Click, dialog->lblOK2);
    }
    if (!v.rh.isEmpty()) {
        dialog->edtRH_offset->setText(v.rh);
        run("RH offset", &TfrmSetup::Button7Click, dialog->lblOK6);
    }
    if (!v.temperature.isEmpty()) {
        dialog->edtT1_offset->setText(v.temperature);
        run("Temp. offset", &TfrmSetup::Button12Click, dialog->Label24);
    }
    if (!v.co2.isEmpty()) {
        dialog->edtppm_offset->setText(v.co2);
        run("ppm offset", &TfrmSetup::Button13Click, dialog->Label28);
    }
    if (!v.altitude.isEmpty()) {
        dialog->edtalt_offset->setText(v.altitude);
        run("altitude compensation", &TfrmSetup::Button14Click, dialog->Label29);
    }
    if (v.alarm) {
        dialog->ComboBox1->setCurrentIndex(v.alarmOn ? 1 : 0);
        dialog->ComboBox1Change();
        if (v.alarmOn) {
            dialog->Edit4->setText(v.high);
            dialog->Edit5->setText(v.low);
        }
        run("CO2 Alarm", &TfrmSetup::Button11Click, dialog->Label12);
    }
    if (v.powerOff) {
        dialog->ComboBox2->setCurrentIndex(v.powerIndex);
        run("auto power off", &TfrmSetup::Button16Click, dialog->Label38);
    }
    if (v.clock) run("Meter Clock", &TfrmSetup::Button1Click, dialog->lblOK1);
    if (v.erase) run("Erase Meter Memory", &TfrmSetup::Button3Click, dialog->lblOK3);
    if (notSent.isEmpty()) return ExitOk;
    error(QStringLiteral("sent: %1; not sent (or not confirmed by the meter): %2")
              .arg(sent.isEmpty() ? QStringLiteral("nothing") : sent.join(QStringLiteral(", ")),
                   notSent.join(QStringLiteral(", "))));
    return ExitFailure;
}
} // namespace

} // namespace cli
