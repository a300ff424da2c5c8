#include "app/DateTimeText.h"

#include "app/NumberText.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace DateTimeText {
namespace {
const QDate Epoch(1899, 12, 30);

// Drops the time-zone fields (t, tt, ttt, tttt) with the brackets around them ("(t)" in
// Persian) and the blanks they leave; quoted text stays as it is.
QString stripZone(const QString& f) {
    static const QRegularExpression zone(
        QStringLiteral("\\s*(\\(\\s*t+\\s*\\)|\\[\\s*t+\\s*\\]|t+)\\s*"));
    QString out;
    qsizetype i = 0;
    while (i < f.size()) {
        const qsizetype quote = f.indexOf(QLatin1Char('\''), i);
        const qsizetype end = quote < 0 ? f.size() : quote;
        out += f.mid(i, end - i).replace(zone, QStringLiteral(" "));
        if (quote < 0) break;
        // A quoted part runs to the next quote ('' inside it is a quote of its own).
        qsizetype close = f.indexOf(QLatin1Char('\''), quote + 1);
        while (close >= 0 && close + 1 < f.size() && f.at(close + 1) == QLatin1Char('\''))
            close = f.indexOf(QLatin1Char('\''), close + 2);
        const qsizetype stop = close < 0 ? f.size() : close + 1;
        out += f.mid(quote, stop - quote);
        i = stop;
    }
    return out.trimmed();
}
} // namespace

double toDays(const QDateTime& local) {
    const qint64 days = Epoch.daysTo(local.date());
    const double frac = local.time().msecsSinceStartOfDay() / (SecondsPerDay * 1000.0);
    return static_cast<double>(days) + frac;
}

QDateTime fromDays(double days) {
    if (!(days >= FirstDay && days < LastDay + 1)) return {}; // NaN too
    const double whole = std::floor(days);
    qint64 ms = std::llround((days - whole) * SecondsPerDay * 1000.0);
    qint64 d = static_cast<qint64>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++d;
    }
    return QDateTime(Epoch.addDays(d), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QString dateFormat() {
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

QString timeFormat() {
    return stripZone(QLocale::system().timeFormat(QLocale::LongFormat));
}

QString dateTime(double days) {
    const QDateTime t = fromDays(days);
    const QLocale loc = QLocale::system();
    return NumberText::asciiDigits(loc.toString(t.date(), dateFormat()) + QLatin1Char(' ') +
                                   loc.toString(t.time(), timeFormat()));
}

QString date(double days) {
    return NumberText::asciiDigits(QLocale::system().toString(fromDays(days).date(), dateFormat()));
}

QString time(double days) {
    return NumberText::asciiDigits(QLocale::system().toString(fromDays(days).time(), timeFormat()));
}

std::optional<double> parseDate(const QString& text) {
    QDate d = QLocale::system().toDate(text.trimmed(), dateFormat());
    if (!d.isValid()) return std::nullopt;
    // Two-digit years read as 1900..1999 by Qt; the meter's data is from this century.
    if (d.year() < 1950 && !dateFormat().contains(QStringLiteral("yyyy"))) d = d.addYears(100);
    return static_cast<double>(Epoch.daysTo(d));
}

std::optional<double> parseTime(const QString& text) {
    const QTime t = QLocale::system().toTime(text.trimmed(), timeFormat());
    if (!t.isValid()) return std::nullopt;
    return t.msecsSinceStartOfDay() / (SecondsPerDay * 1000.0);
}

std::optional<double> parseDateTime(const QString& text) {
    const QString s = text.trimmed();
    // Both parts may hold blanks ("d MMM yyyy", "h:mm:ss AP"): try each blank as the split.
    for (int blank = s.indexOf(QLatin1Char(' ')); blank >= 0;
         blank = s.indexOf(QLatin1Char(' '), blank + 1)) {
        const auto d = parseDate(s.left(blank));
        if (!d) continue;
        const auto t = parseTime(s.mid(blank + 1));
        if (t) return *d + *t;
    }
    return std::nullopt;
}
} // namespace DateTimeText
