// info, live, download and setup: the subcommands that talk to the meter.
#include "cli/CliSupport.h"
#include "cli/Subcommands.h"

#include "app/DateTimeText.h"
#include "app/Umain.h"
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
#include "setup/SetupFrames.h"
#include "setup/Usetup.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
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

// "2026-03-14T09:26:53+01:00": local time with its offset, "+00:00" rather than "Z".
QString isoNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
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

QString liveLine(const LiveReading& r, bool json) {
    const LiveTexts t = liveTexts(r);
    const QString unit = r.fahrenheit ? QStringLiteral("F") : QStringLiteral("C");
    if (!json)
        return QStringList{isoNow(), t.co2, t.rh, t.temperature, unit}.join(QLatin1Char(','));
    auto field = [](const QString& v, bool number) {
        return number ? v : QLatin1Char('"') + v + QLatin1Char('"');
    };
    return QStringLiteral(
               "{\"time\":\"%1\",\"co2\":%2,\"rh\":%3,\"temperature\":%4,\"unit\":\"%5\"}")
        .arg(isoNow(), field(t.co2, t.co2Number), field(t.rh, t.rhNumber),
             field(t.temperature, t.temperatureNumber), unit);
}

// Sleeps until the clock reaches `until` or a signal asks to stop.
void sleepUntil(std::chrono::steady_clock::time_point until) {
    while (!g_stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(50), until - std::chrono::steady_clock::now()));
}

bool identifyQuietly(Exchange& ex) {
    ex.transport().open(MeterVendorId, MeterProductId);
    return ex.genericExchange('K') && isMeterIdentified(ex.reply);
}
} // namespace

// ---- info
// ----------------------------------------------------------------------------------------

int infoCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("info"), QStringLiteral("info [--meter M] [--record FILE]"),
                    QStringLiteral("Identifies the meter and prints its configuration (the "
                                   "information read of the Setup window), and how far the "
                                   "meter's clock is from the computer's."));
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    if (!p.parser.positionalArguments().isEmpty())
        return p.usage(QStringLiteral("info takes no arguments"));
    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;

    StderrDialogs dialogs;
    HeadlessMain h(*transport, dialogs);
    if (!connect(h)) return ExitFailure;
    TfrmSetup* dialog = openSetup(h.main());
    dialog->Button4Click();
    finish(*dialog);
    const QDateTime computer = QDateTime::currentDateTime();
    if (result(dialog->lblOK5) != QLatin1String("OK")) {
        error(result(dialog->lblOK5));
        return ExitFailure;
    }

    const QString unit = dialog->txtUnit->text();
    const struct {
        const char* label;
        QString value;
    } rows[] = {
        {"FirmWare Version:", dialog->txtVer->text()},
        {"SN:", dialog->txtSN->text()},
        {"Unit Type:", unit},
        {"Recording Interval:", dialog->txtInt->text()},
        {"RH offset:", dialog->txtRHoffset->text()},
        {"Temp. offset:", dialog->txtT1offset->text()},
        {"ppm offset:", dialog->txtppmoffset->text()},
        {"altitude compensation:", dialog->txtaltoffset->text() + QStringLiteral(" m")},
        {"ALARM:", dialog->txtAlarm->text()},
        {"Hi:", dialog->txtHi->text()},
        {"Lo:", dialog->txtLo->text()},
        {"time to off:", dialog->txtSleepTime->text()},
        {"Meter Time:", dialog->txtMeterTime->text()},
        {"Data Sets In Memory:", dialog->txtDataSets->text()},
        {"Memory Available:", dialog->txtMemoryAvailable->text()},
        {"Col 2000", dialog->txtCol2000->text()},
        {"Col 400", dialog->txtCol400->text()},
        {"Col 0", dialog->txtCol0->text()},
    };
    for (const auto& row : rows)
        out(QStringLiteral("%1 %2").arg(QString::fromLatin1(row.label), -24).arg(row.value));

    // "MM/DD/20YY   hh:mm:ss"
    const QDateTime meter = QDateTime::fromString(dialog->txtMeterTime->text(),
                                                  QStringLiteral("MM/dd/yyyy   HH:mm:ss"));
    if (!meter.isValid()) {
        out(QStringLiteral("%1 unknown (the meter's clock is not a valid date and time)")
                .arg(QStringLiteral("Clock difference:"), -24));
    } else {
        const qint64 diff = computer.secsTo(meter);
        const QString side = diff == 0  ? QStringLiteral("the same as the computer's")
                             : diff > 0 ? QStringLiteral("meter ahead of the computer")
                                        : QStringLiteral("meter behind the computer");
        out(QStringLiteral("%1 %2%3 s (%4)")
                .arg(QStringLiteral("Clock difference:"), -24)
                .arg(diff > 0 ? QStringLiteral("+") : QString())
                .arg(diff)
                .arg(side));
    }
    return ExitOk;
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
            "on once it is back."));
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
    Exchange ex(*transport, Clock::system());
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
            if (identifyQuietly(ex)) {
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
            out(liveLine(reading, json));
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

// ---- download
// ------------------------------------------------------------------------------------

int downloadCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("download"),
                    QStringLiteral("download -o FILE.732 [--meter M] [--record FILE]"),
                    QStringLiteral("Downloads the meter's logger memory into a data set collection "
                                   "file (a progress bar on stderr) and prints its data sets as "
                                   "the \"sets\" command does."));
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
    Exchange ex(*transport, Clock::system());
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
        // As the window does: abandon the transfer on the meter's side.
        ex.transport().flush();
        ex.mainFrame[0] = 0x02;
        ex.mainFrame[1] = 'Q';
        ex.mainFrame[6] = 0x03;
        ex.transport().writeCommand(ex.mainFrame);
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
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(image.data()), qint64(image.size())) !=
            qint64(image.size()) ||
        !file.commit()) {
        error(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
        return ExitFailure;
    }
    out(QStringList{"Set", "DATE", "TIME", "Rate", "Nums", "Unit", "ppm Offset", "RH Offset",
                    "T1 Offset"}
            .join(QLatin1Char('\t')));
    for (int k = 0; k < store.count(); ++k) {
        const auto texts = dataSetRowTexts(store, k);
        out(QStringList(texts.begin(), texts.end()).join(QLatin1Char('\t')));
    }
    return ExitOk;
}

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
            "them, with its messages; nothing is sent when one is out of range."));
    const QCommandLineOption clock(QStringLiteral("clock"),
                                   QStringLiteral("Set the meter's clock to the computer's."));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Recording interval, 00:01 to 60:60."),
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
    auto invalid = [](const QString& message) {
        error(message);
        return int(ExitUsage);
    };
    QString minutes, secondsText, high, low;
    if (p.parser.isSet(interval)) {
        const QStringList parts = p.parser.value(interval).split(QLatin1Char(':'));
        if (parts.size() != 2) return invalid(SetupText::InvalidInput);
        minutes = parts[0];
        secondsText = parts[1];
        if (const auto c = checkInterval(minutes, secondsText); !c.ok()) return invalid(c.message);
    }
    if (p.parser.isSet(rh))
        if (const auto c = checkRhOffset(p.parser.value(rh)); !c.ok()) return invalid(c.message);
    if (p.parser.isSet(temp)) // the widest range here; the meter's unit decides below
        if (const auto c = checkTempOffset(p.parser.value(temp), true); !c.ok())
            return invalid(c.message);
    if (p.parser.isSet(co2))
        if (const auto c = checkCo2Offset(p.parser.value(co2)); !c.ok()) return invalid(c.message);
    if (p.parser.isSet(altitude))
        if (const auto c = checkAltitude(p.parser.value(altitude)); !c.ok())
            return invalid(c.message);
    const bool alarmOn = p.parser.isSet(alarm) && p.parser.value(alarm) != QLatin1String("off");
    if (alarmOn) {
        const QStringList parts = p.parser.value(alarm).split(QLatin1Char(','));
        if (parts.size() != 2) return invalid(SetupText::AlarmRange);
        high = parts[0];
        low = parts[1];
        if (const auto c = checkAlarm(high, low); !c.ok()) return invalid(c.message);
    }
    int powerIndex = 0;
    if (p.parser.isSet(powerOff)) {
        bool ok = false;
        powerIndex = p.parser.value(powerOff).toInt(&ok);
        if (!ok || powerIndex < 0 || powerIndex > 7)
            return p.usage(QStringLiteral("--power-off is an index from 0 to 7"));
    }

    std::unique_ptr<Transport> transport = openTransport(p, &exit);
    if (!transport) return exit;
    StderrDialogs dialogs;
    dialogs.answer = QMessageBox::Yes; // --erase comes with --yes
    HeadlessMain h(*transport, dialogs);
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

    int code = ExitOk;
    auto run = [&](const char* name, void (TfrmSetup::*click)(), QLabel* label) {
        const qsizetype messages = dialogs.shown.size();
        (dialog->*click)();
        finish(*dialog);
        const QString text = result(label);
        if (text == QLatin1String("OK")) {
            out(QStringLiteral("%1: OK").arg(QString::fromLatin1(name)));
        } else if (dialogs.shown.size() > messages && text.isEmpty()) {
            code = std::max(code, int(ExitUsage)); // the window's check refused the value
        } else {
            error(QStringLiteral("%1: %2").arg(QString::fromLatin1(name),
                                               text.isEmpty() ? QStringLiteral("Fail") : text));
            code = std::max(code, int(ExitFailure));
        }
    };
    if (p.parser.isSet(interval)) {
        dialog->edtInt1->setText(minutes);
        dialog->edtInt2->setText(secondsText);
        run("Recording interval", &TfrmSetup::Button2Click, dialog->lblOK2);
    }
    if (p.parser.isSet(rh)) {
        dialog->edtRH_offset->setText(p.parser.value(rh));
        run("RH offset", &TfrmSetup::Button7Click, dialog->lblOK6);
    }
    if (p.parser.isSet(temp)) {
        dialog->edtT1_offset->setText(p.parser.value(temp));
        run("Temp. offset", &TfrmSetup::Button12Click, dialog->Label24);
    }
    if (p.parser.isSet(co2)) {
        dialog->edtppm_offset->setText(p.parser.value(co2));
        run("ppm offset", &TfrmSetup::Button13Click, dialog->Label28);
    }
    if (p.parser.isSet(altitude)) {
        dialog->edtalt_offset->setText(p.parser.value(altitude));
        run("altitude compensation", &TfrmSetup::Button14Click, dialog->Label29);
    }
    if (p.parser.isSet(alarm)) {
        dialog->ComboBox1->setCurrentIndex(alarmOn ? 1 : 0);
        dialog->ComboBox1Change();
        if (alarmOn) {
            dialog->Edit4->setText(high);
            dialog->Edit5->setText(low);
        }
        run("CO2 Alarm", &TfrmSetup::Button11Click, dialog->Label12);
    }
    if (p.parser.isSet(powerOff)) {
        dialog->ComboBox2->setCurrentIndex(powerIndex);
        run("auto power off", &TfrmSetup::Button16Click, dialog->Label38);
    }
    if (p.parser.isSet(clock)) run("Meter Clock", &TfrmSetup::Button1Click, dialog->lblOK1);
    if (p.parser.isSet(erase)) run("Erase Meter Memory", &TfrmSetup::Button3Click, dialog->lblOK3);
    return code;
}

} // namespace cli
