#include "cli/CliSupport.h"

#include "app/Umain.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"
#include "live/LiveMonitor.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QTimer>
#include <cstdio>

namespace cli {

void error(const QString& text) {
    std::fprintf(stderr, "q7320: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

void out(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void note(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
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
                             const QString& description)
    : name(commandName), synopsis(commandSynopsis) {
    parser.setApplicationDescription(wrapped(description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(meter);
    parser.addOption(record);
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
    std::unique_ptr<Transport> t =
        createTransport(meter, Clock::system(), &why, p.parser.value(p.record));
    if (!t) {
        error(why);
        *exit = ExitFailure;
    }
    return t;
}

QString noConnectionText(const Transport& transport) {
    const QString problem = transportProblem(transport);
    return problem.isEmpty() ? QStringLiteral("There is no connection with meter !") : problem;
}

bool identify(Exchange& exchange) {
    // As the poll tick does: the open wakes the link, then 'K' names the meter.
    exchange.transport().open(MeterVendorId, MeterProductId);
    if (exchange.genericExchange('K') && isMeterIdentified(exchange.reply)) return true;
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
