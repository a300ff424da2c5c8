#include "logger/TableToGraph.h"

#include "app/DateTimeText.h"
#include "files/TextLines.h"

#include "graph/chart/ChartState.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace TableToGraph {

QString notValidDateTimeText(const QString& dateTime) {
    // The text may come from any file: control characters (NULs of a UTF-16 file read as
    // bytes) would garble a message box and cut a terminal line, and a whole binary line says
    // nothing. Shown: the printable characters, up to a sensible length.
    constexpr qsizetype MaxShown = 60;
    QString shown;
    for (QChar c : dateTime) {
        if (shown.size() == MaxShown) {
            shown += QStringLiteral("...");
            break;
        }
        shown += c.isPrint() ? c : QChar(u'?');
    }
    return QStringLiteral("'%1' is not a valid date and time").arg(shown);
}

CellReader::CellReader() : m_locale(QLocale::system()) {
    m_decimal = NumberText::decimalSeparator(m_locale);
    const QString f = DateTimeText::timeFormat();
    if (f == QLatin1String("HH:mm:ss")) m_plainTime = PlainTime::TwoDigitHour;
    if (f == QLatin1String("H:mm:ss")) m_plainTime = PlainTime::AnyHour;
}

std::optional<double> CellReader::time(std::string_view date, std::string_view timeOfDay) {
    // Rows come in time order: the date is nearly always the one before.
    if (!m_hasLastDate || date != m_lastDateText) {
        m_lastDateText.assign(date);
        m_lastDate = cached(m_dates, date, true);
        m_hasLastDate = true;
    }
    const std::optional<double> d = m_lastDate;
    const std::optional<double> t = d ? timeOfDayValue(timeOfDay) : std::nullopt;
    if (d && t) return *d + *t;
    // Dates and times with blanks in them may split elsewhere: the whole text decides.
    return DateTimeText::parseDateTime(
        QString::fromUtf8(date.data(), qsizetype(date.size())) + QLatin1Char(' ') +
        QString::fromUtf8(timeOfDay.data(), qsizetype(timeOfDay.size())));
}

float CellReader::value(std::string_view text) const {
    if (text == " OL") return NullValue;
    if (text == " -OL") return -NullValue;
    // "1e300", "inf", "nan" and 300 digits are numbers, but no chart can draw them.
    const auto drawable = [](double v) {
        return std::fabs(v) <= chart::MaxMagnitude ? float(v) : NullValue;
    };
    if (const auto v = plainNumber(text)) return drawable(*v);
    bool ok = false;
    const double v =
        m_locale.toDouble(QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed(), &ok);
    return ok ? drawable(v) : NullValue;
}

// Times of day of up to eight bytes ("09:26:53") are looked up by their bytes as a number.
std::optional<double> CellReader::timeOfDayValue(std::string_view text) {
    if (m_plainTime != PlainTime::No)
        if (const auto v = plainTime(text, m_plainTime == PlainTime::TwoDigitHour)) return v;
    if (text.size() > 8) return cached(m_times, text, false);
    uint64_t key = 0;
    if (!text.empty()) std::memcpy(&key, text.data(), text.size()); // an empty field has no bytes
    auto it = m_shortTimes.find(key);
    if (it != m_shortTimes.end() && it->second.first == text) return it->second.second;
    const std::optional<double> v =
        DateTimeText::parseTime(QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed());
    if (it == m_shortTimes.end()) m_shortTimes.emplace(key, std::make_pair(std::string(text), v));
    return v;
}

std::optional<double> CellReader::cached(Cache& cache, std::string_view text, bool isDate) {
    m_key.assign(text);
    auto it = cache.find(m_key);
    if (it != cache.end()) return it->second;
    const QString s = QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed();
    const std::optional<double> v =
        isDate ? DateTimeText::parseDate(s) : DateTimeText::parseTime(s);
    cache.emplace(m_key, v);
    return v;
}

// "h:mm:ss" or "hh:mm:ss" in a 24-hour locale, read as the locale reads it; anything else
// (blanks, other widths, values out of range) goes the locale's way.
std::optional<double> CellReader::plainTime(std::string_view t, bool twoDigitHour) {
    auto digit = [&](size_t i) { return i < t.size() && t[i] >= '0' && t[i] <= '9'; };
    const size_t h = digit(0) && digit(1) ? 2 : digit(0) ? 1 : 0;
    if (h == 0 || (twoDigitHour && h != 2) || t.size() != h + 6 || t[h] != ':' || t[h + 3] != ':' ||
        !digit(h + 1) || !digit(h + 2) || !digit(h + 4) || !digit(h + 5))
        return std::nullopt;
    const int hours = h == 2 ? (t[0] - '0') * 10 + (t[1] - '0') : t[0] - '0';
    const int minutes = (t[h + 1] - '0') * 10 + (t[h + 2] - '0');
    const int seconds = (t[h + 4] - '0') * 10 + (t[h + 5] - '0');
    if (hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
    const int ms = ((hours * 60 + minutes) * 60 + seconds) * 1000;
    return ms / (DateTimeText::SecondsPerDay * 1000.0); // as DateTimeText::parseTime
}

// Digits with an optional minus sign and decimal part, blanks around: what the locale reads
// the same way in every locale that writes this decimal separator.
std::optional<double> CellReader::plainNumber(std::string_view text) const {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const size_t digitsFrom = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == digitsFrom) return std::nullopt;
    std::string number(text.substr(0, i));
    if (i < text.size()) {
        if (text[i] != m_decimal || i + 1 == text.size()) return std::nullopt;
        number.push_back('.');
        for (++i; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            number.push_back(text[i]);
        }
    }
    double v = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
    if (r.ec != std::errc()) return std::nullopt;
    return v;
}

} // namespace TableToGraph
