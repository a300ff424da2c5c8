#include "logger/TableToGraph.h"

#include "app/DateTimeText.h"
#include "files/TextLines.h"

#include "graph/chart/ChartState.h"

#include <QDateTime>
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
    const QString d = DateTimeText::dateFormat();
    m_twoDigitYear = d.contains(QLatin1String("yy")) && !d.contains(QLatin1String("yyyy"));
}

std::optional<double> CellReader::time(std::string_view date, std::string_view timeOfDay) {
    // Rows come in time order: the date is nearly always the one before.
    if (!m_hasLastDate || date != m_lastDateText) {
        m_lastDateText.assign(date);
        m_lastDate = inMeterCentury(cached(m_dates, date, true));
        m_hasLastDate = true;
    }
    const std::optional<double> d = m_lastDate;
    const std::optional<double> t = d ? timeOfDayValue(timeOfDay) : std::nullopt;
    if (d && t) return *d + *t;
    // Dates and times with blanks in them may split elsewhere: the whole text decides.
    return inMeterCentury(DateTimeText::parseDateTime(
        QString::fromUtf8(date.data(), qsizetype(date.size())) + QLatin1Char(' ') +
        QString::fromUtf8(timeOfDay.data(), qsizetype(timeOfDay.size()))));
}

// Two-digit years come back from the date parser in 1950..2049 at best; the meter's clock
// counts 2000..2099, so a year before 2000 is one of this century.
std::optional<double> CellReader::inMeterCentury(std::optional<double> days) const {
    if (!m_twoDigitYear || !days) return days;
    const QDate epoch(1899, 12, 30);
    const QDate date = epoch.addDays(static_cast<qint64>(std::floor(*days)));
    if (date.year() >= 2000) return days;
    return *days + static_cast<double>(date.daysTo(date.addYears(100)));
}

namespace {
// Reads `width` digits at t[i]; advances i.
bool digits(std::string_view t, size_t& i, size_t width, int& value) {
    if (i + width > t.size()) return false;
    value = 0;
    for (size_t k = 0; k < width; ++k) {
        const char c = t[i + k];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    i += width;
    return true;
}
} // namespace

std::optional<double> CellReader::isoTime(std::string_view t) {
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    size_t i = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    auto expect = [&](char c) { return i < t.size() && t[i++] == c; };
    if (!digits(t, i, 4, year) || !expect('-') || !digits(t, i, 2, month) || !expect('-') ||
        !digits(t, i, 2, day) || i >= t.size() || (t[i] != 'T' && t[i] != 't'))
        return std::nullopt;
    ++i;
    if (!digits(t, i, 2, hour) || !expect(':') || !digits(t, i, 2, minute)) return std::nullopt;
    if (i < t.size() && t[i] == ':' && !(++i, digits(t, i, 2, second))) return std::nullopt;
    int ms = 0;
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        ++i;
        int scale = 100, n = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++n) {
            ms += (t[i] - '0') * scale;
            scale /= 10;
        }
        if (n == 0) return std::nullopt;
    }
    std::optional<int> offset; // seconds east of UTC
    if (i < t.size()) {
        if (t[i] == 'Z' || t[i] == 'z') {
            offset = 0;
            ++i;
        } else if (t[i] == '+' || t[i] == '-') {
            const int sign = t[i++] == '-' ? -1 : 1;
            int oh = 0, om = 0;
            if (!digits(t, i, 2, oh)) return std::nullopt;
            if (i < t.size() && t[i] == ':') ++i;
            if (i < t.size() && !digits(t, i, 2, om)) return std::nullopt;
            if (oh > 23 || om > 59) return std::nullopt;
            offset = sign * (oh * 3600 + om * 60);
        }
    }
    if (i != t.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid()) return std::nullopt;

    const qint64 dayNumber = QDate(1899, 12, 30).daysTo(date);
    const qint64 msOfDay = ((hour * 60LL + minute) * 60 + second) * 1000 + ms;
    if (!offset)
        return double(dayNumber) + double(msOfDay) / (DateTimeText::SecondsPerDay * 1000.0);

    // The moment in UTC, then the local clock at that moment (offsets looked up once a minute).
    constexpr qint64 UnixEpochDay = 25569; // 1970-01-01
    const qint64 utcMs = (dayNumber - UnixEpochDay) * 86400000 + msOfDay - *offset * 1000LL;
    const long long utcMinute = utcMs >= 0 ? utcMs / 60000 : (utcMs - 59999) / 60000;
    if (!m_hasOffset || utcMinute != m_offsetMinute) {
        m_localOffset =
            QDateTime::fromMSecsSinceEpoch(utcMinute * 60000, Qt::LocalTime).offsetFromUtc();
        m_offsetMinute = utcMinute;
        m_hasOffset = true;
    }
    const qint64 localMs = utcMs + m_localOffset * 1000LL;
    const qint64 localDay = (localMs >= 0 ? localMs / 86400000 : (localMs - 86399999) / 86400000);
    return double(localDay + UnixEpochDay) +
           double(localMs - localDay * 86400000) / (DateTimeText::SecondsPerDay * 1000.0);
}

float CellReader::isoValue(std::string_view text) const {
    if (text == " OL") return NullValue;
    if (text == " -OL") return -NullValue;
    if (const auto v = plainNumber(text, '.')) return float(*v);
    return NullValue;
}

float CellReader::value(std::string_view text) const {
    if (text == " OL") return NullValue;
    if (text == " -OL") return -NullValue;
    // "1e300", "inf", "nan" and 300 digits are numbers, but no chart can draw them.
    const auto drawable = [](double v) {
        return std::fabs(v) <= chart::MaxMagnitude ? float(v) : NullValue;
    };
    if (const auto v = plainNumber(text, m_decimal)) return drawable(*v);
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
std::optional<double> CellReader::plainNumber(std::string_view text, char decimal) {
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
        if (text[i] != decimal || i + 1 == text.size()) return std::nullopt;
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
