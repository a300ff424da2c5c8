#include "files/TextLines.h"

#include "app/DateTimeText.h"

#include <QDate>
#include <QFileInfo>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace TextLines {

namespace {
const qint64 EpochJulianDay = QDate(1899, 12, 30).toJulianDay();

void appendInt(std::string& out, long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendPadded(std::string& out, int v, int width) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v < 0 ? -v : v);
    if (v < 0) out.push_back('-');
    for (int n = static_cast<int>(r.ptr - buf); n < width; ++n)
        out.push_back('0');
    out.append(buf, r.ptr);
}

// Splits days since 1899-12-30 the way DateTimeText::fromDays does: whole days and the time
// of day rounded to the millisecond.
bool splitDays(double days, long long& day, long long& ms) {
    if (!std::isfinite(days) || std::fabs(days) > 1e8) return false;
    const double whole = std::floor(days);
    ms = std::llround((days - whole) * DateTimeText::SecondsPerDay * 1000.0);
    day = static_cast<long long>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++day;
    }
    return true;
}
} // namespace

void appendFixed1(std::string& out, double value, char decimalSeparator) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "INF" : "-INF";
        return;
    }
    double tenths = std::round(value * 10.0); // half away from zero
    if (std::fabs(tenths) >= 9.0e17) {
        // Far outside any reading; keep the text sane rather than exact.
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
        std::string s(buf, r.ptr);
        for (char& c : s)
            if (c == '.') c = decimalSeparator;
        out += s;
        return;
    }
    long long t = static_cast<long long>(tenths);
    if (t < 0) {
        out.push_back('-');
        t = -t;
    }
    appendInt(out, t / 10);
    out.push_back(decimalSeparator);
    out.push_back(static_cast<char>('0' + t % 10));
}

void appendPpm(std::string& out, double v, char dec) {
    if (v > 40000 || v < 0)
        out += " OL";
    else
        appendFixed1(out, v, dec);
}

void appendRh(std::string& out, double v, char dec) {
    if (v > 6553.4)
        out += "----";
    else if (v > 100)
        out += " OL";
    else if (v < 0)
        out += " -OL";
    else
        appendFixed1(out, v, dec);
}

void appendTemperature(std::string& out, double v, char dec) {
    if (v > 6553.4)
        out += "----";
    else if (v > 140)
        out += " OL";
    else if (v < -20)
        out += " OL";
    else
        appendFixed1(out, v, dec);
}

// ---------------------------------------------------------------------------------------------

DateTimeFormatter::DateTimeFormatter(const QLocale& locale, const QString& format, Kind kind)
    : m_locale(locale), m_format(format), m_kind(kind) {
    m_amUpper = locale.amText().toUpper().toUtf8().toStdString();
    m_pmUpper = locale.pmText().toUpper().toUtf8().toStdString();
    m_amLower = locale.amText().toLower().toUtf8().toStdString();
    m_pmLower = locale.pmText().toLower().toUtf8().toStdString();
    for (int k = 1; k <= 12; ++k) {
        m_monthNames[0][k] = locale.monthName(k, QLocale::ShortFormat).toUtf8().toStdString();
        m_monthNames[1][k] = locale.monthName(k, QLocale::LongFormat).toUtf8().toStdString();
    }
    for (int k = 1; k <= 7; ++k) {
        m_dayNames[0][k] = locale.dayName(k, QLocale::ShortFormat).toUtf8().toStdString();
        m_dayNames[1][k] = locale.dayName(k, QLocale::LongFormat).toUtf8().toStdString();
    }
    bool ampm = false;
    {
        bool quoted = false;
        for (QChar c : format) {
            if (c == QLatin1Char('\''))
                quoted = !quoted;
            else if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A')))
                ampm = true;
        }
    }
    auto literal = [&](const QString& s) {
        if (!m_tokens.empty() && m_tokens.back().type == Token::Literal)
            m_tokens.back().text += s.toUtf8().toStdString();
        else
            m_tokens.push_back({Token::Literal, s.toUtf8().toStdString()});
    };
    const int n = static_cast<int>(format.size());
    int i = 0;
    while (i < n && m_fast) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text; two quotes stand for one.
            int j = i + 1;
            QString text;
            if (j < n && format.at(j) == QLatin1Char('\'')) {
                literal(QStringLiteral("'"));
                i = j + 1;
                continue;
            }
            while (j < n) {
                if (format.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && format.at(j + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += format.at(j++);
            }
            literal(text);
            i = j + 1;
            continue;
        }
        int repeat = 1;
        while (i + repeat < n && format.at(i + repeat) == c)
            ++repeat;
        const char16_t u = c.unicode();
        Token::Type type = Token::Literal;
        int used = 0;
        if (kind == Kind::Date) {
            if (u == 'y') {
                if (repeat >= 4)
                    type = Token::Year4, used = 4;
                else if (repeat >= 2)
                    type = Token::Year2, used = 2;
            } else if (u == 'M' || u == 'd') {
                static constexpr Token::Type month[] = {Token::Month, Token::Month2,
                                                        Token::MonthName, Token::MonthNameLong};
                static constexpr Token::Type day[] = {Token::Day, Token::Day2, Token::DayName,
                                                      Token::DayNameLong};
                used = std::min(repeat, 4);
                type = (u == 'M' ? month : day)[used - 1];
            }
        } else {
            const int r2 = repeat >= 2 ? 2 : 1;
            if (u == 'h') {
                type = ampm ? (r2 == 2 ? Token::Hour12_2 : Token::Hour12)
                            : (r2 == 2 ? Token::Hour24_2 : Token::Hour24);
                used = r2;
            } else if (u == 'H') {
                type = r2 == 2 ? Token::Hour24_2 : Token::Hour24, used = r2;
            } else if (u == 'm') {
                type = r2 == 2 ? Token::Minute2 : Token::Minute, used = r2;
            } else if (u == 's') {
                type = r2 == 2 ? Token::Second2 : Token::Second, used = r2;
            } else if (u == 'a' || u == 'A') {
                // "ap"/"AP" or a lone "a"/"A": the locale's am/pm text in that case.
                const bool upper = u == 'A';
                used = (i + 1 < n && format.at(i + 1) == QLatin1Char(upper ? 'P' : 'p')) ? 2 : 1;
                m_tokens.push_back({Token::AmPm, upper ? "U" : "L"});
                i += used;
                continue;
            } else if (u == 'z' || u == 't') {
                m_fast = false;
            }
        }
        if (!m_fast) break;
        if (type == Token::Literal) {
            literal(QString(c));
            i += 1;
        } else {
            m_tokens.push_back({type, {}});
            i += used;
        }
    }
    if (m_fast) {
        // Check the compiled form against the locale's own formatting on a few values; any
        // difference sends every value through the locale.
        const double probes[] = {45292.0 + 13.5 / 24 + 7.0 / 1440 + 9.0 / 86400, 36526.0,
                                 47000.0 + 0.25 / 24, 46022.0 + 23.99 / 24};
        for (double d : probes) {
            std::string fast, slow;
            append(fast, d);
            m_fast = false;
            append(slow, d);
            m_fast = true;
            m_cachedDay = -1;
            if (fast != slow) {
                m_fast = false;
                break;
            }
        }
    }
}

void DateTimeFormatter::append(std::string& out, double days) const {
    long long day = 0, ms = 0;
    if (!splitDays(days, day, ms)) return;
    if (!m_fast) {
        const QDateTime t = DateTimeText::fromDays(days);
        const QString s = m_kind == Kind::Date ? m_locale.toString(t.date(), m_format)
                                               : m_locale.toString(t.time(), m_format);
        out += NumberText::asciiDigits(s).toUtf8().toStdString();
        return;
    }
    if (m_kind == Kind::Date) {
        if (day == m_cachedDay) {
            out += m_cachedDate;
            return;
        }
        int y = 0, mo = 0, d = 0;
        const QDate date = QDate::fromJulianDay(EpochJulianDay + day);
        date.getDate(&y, &mo, &d);
        std::string s;
        for (const Token& t : m_tokens) {
            switch (t.type) {
            case Token::Literal:
                s += t.text;
                break;
            case Token::Day:
                appendPadded(s, d, 1);
                break;
            case Token::Day2:
                appendPadded(s, d, 2);
                break;
            case Token::Month:
                appendPadded(s, mo, 1);
                break;
            case Token::Month2:
                appendPadded(s, mo, 2);
                break;
            case Token::MonthName:
                s += m_monthNames[0][mo];
                break;
            case Token::MonthNameLong:
                s += m_monthNames[1][mo];
                break;
            case Token::DayName:
                s += m_dayNames[0][date.dayOfWeek()];
                break;
            case Token::DayNameLong:
                s += m_dayNames[1][date.dayOfWeek()];
                break;
            case Token::Year2:
                appendPadded(s, ((y % 100) + 100) % 100, 2);
                break;
            case Token::Year4:
                appendPadded(s, y, 4);
                break;
            default:
                break;
            }
        }
        m_cachedDay = day;
        m_cachedDate = s;
        out += s;
        return;
    }
    const int secs = static_cast<int>(ms / 1000);
    const int h = secs / 3600, mi = secs / 60 % 60, se = secs % 60;
    const int h12 = h % 12 == 0 ? 12 : h % 12;
    for (const Token& t : m_tokens) {
        switch (t.type) {
        case Token::Literal:
            out += t.text;
            break;
        case Token::Hour12:
            appendPadded(out, h12, 1);
            break;
        case Token::Hour12_2:
            appendPadded(out, h12, 2);
            break;
        case Token::Hour24:
            appendPadded(out, h, 1);
            break;
        case Token::Hour24_2:
            appendPadded(out, h, 2);
            break;
        case Token::Minute:
            appendPadded(out, mi, 1);
            break;
        case Token::Minute2:
            appendPadded(out, mi, 2);
            break;
        case Token::Second:
            appendPadded(out, se, 1);
            break;
        case Token::Second2:
            appendPadded(out, se, 2);
            break;
        case Token::AmPm:
            if (t.text == "U")
                out += h < 12 ? m_amUpper : m_pmUpper;
            else
                out += h < 12 ? m_amLower : m_pmLower;
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------

ChartLineWriter::ChartLineWriter(const QLocale& locale, const QString& dateFormat,
                                 const QString& timeFormat, char separator)
    : m_date(locale, dateFormat, DateTimeFormatter::Kind::Date),
      m_time(locale, timeFormat, DateTimeFormatter::Kind::Time), m_separator(separator),
      m_decimal(NumberText::decimalSeparator(locale)) {}

ChartLineWriter ChartLineWriter::forSystem(char separator) {
    return ChartLineWriter(QLocale::system(), DateTimeText::dateFormat(),
                           DateTimeText::timeFormat(), separator);
}

void ChartLineWriter::append(std::string& out, double x, double ppm, double rh,
                             double temperature) const {
    m_date.append(out, x);
    out.push_back(m_separator);
    m_time.append(out, x);
    out.push_back(m_separator);
    appendPpm(out, ppm, m_decimal);
    out.push_back(m_separator);
    appendRh(out, rh, m_decimal);
    out.push_back(m_separator);
    appendTemperature(out, temperature, m_decimal);
    out += "\r\n";
}

// ---------------------------------------------------------------------------------------------

char listSeparatorForName(const QString& fileName) {
    return fileName.right(3).compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? Comma : Tab;
}

std::optional<char> readSeparatorForExtension(const QString& extension) {
    const QString e = extension.toLower();
    if (e == QLatin1String(".csv")) return Comma;
    if (e == QLatin1String(".txt")) return Tab;
    return std::nullopt;
}

QString lowerExtension(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

std::optional<Range> resolveRange(bool all, const QString& fromText, const QString& toText,
                                  int count) {
    if (all) return Range{1, count};
    auto parse = [](const QString& text) -> std::optional<int> {
        bool ok = false;
        const long long v = text.trimmed().toLongLong(&ok);
        if (!ok) return std::nullopt;
        const long long a = v < 0 ? -v : v;
        if (a > INT_MAX) return std::nullopt;
        return static_cast<int>(a);
    };
    const auto from = parse(fromText);
    const auto to = parse(toText);
    if (!from || !to) return std::nullopt;
    Range r{*from, *to};
    if (r.first > r.last) std::swap(r.first, r.last);
    if (r.last > count) r.last = count;
    if (r.first == 0) r.first = 1;
    return r;
}

// ---------------------------------------------------------------------------------------------

QString chartFilter(bool comma) {
    QString f = QStringLiteral("Graph file(*.ghf,only for Q7320)|*.GHF|"
                               "TXT file(*.txt,data seperated by tab)|*.TXT");
    if (!comma) f += QStringLiteral("|EXCEL file format(*.CSV,seperated by comma)|*.CSV");
    return f;
}

QString listSaveFilter(bool comma) {
    if (comma) return QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT");
    return QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT") + QString(29, u' ') +
           QStringLiteral("|EXCEL file format(*.CSV,seperated by comma) |*.CSV");
}

QString collectionSaveFilter() {
    return QStringLiteral("Data Set Collection file(*.732,only for Q7320)|*.732");
}

QString collectionOpenFilter() {
    return QStringLiteral("Data Sets Collection (*.732)|*.732");
}

QString openSingleButtonText(bool comma) {
    return comma ? QStringLiteral("Open single data flle(*.TXT,*.GHF)")
                 : QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)");
}

QStringList dialogFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1].trimmed() + QLatin1Char(')');
    return out;
}

QStringList filterExtensions(const QString& filter) {
    QStringList exts;
    QString s = filter;
    const QString star = QStringLiteral("*.");
    while (s.contains(star) && exts.size() < 5) {
        // The first "*." is inside the description, the second starts the pattern.
        s = s.mid(s.indexOf(star) + 1);
        const int next = s.indexOf(star);
        if (next < 0) break;
        s = s.mid(next + 1);
        if (s.size() < 4) break;
        exts << s.left(4);
    }
    return exts;
}

QString typeChangedName(const QString& filter, int filterIndex, const QString& currentName) {
    const QStringList exts = filterExtensions(filter);
    if (exts.isEmpty() || filterIndex < 1 || filterIndex > exts.size()) return {};
    const QString ext = exts.at(filterIndex - 1);
    if (ext.isEmpty()) return {};
    QString name = currentName;
    const int slash =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(slash + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    // No name yet: the box is left alone rather than given a bare extension to type in front of.
    if (name.isEmpty()) return {};
    return name + ext;
}

} // namespace TextLines
