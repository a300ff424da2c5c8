#pragma once
// The cells of a table (a list window's rows, or a text or CSV file's lines) read as chart
// values, as "Output Tabular to graph" charts them: column 1 the date, column 2 the time of
// day, columns 3..5 ppm, %RH and temperature.
#include <QLocale>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace TableToGraph {

// A value that is not drawn ("OL", unreadable text); its negative lies below every axis.
constexpr float NullValue = 99999.0f;

// The message for a table without rows.
inline constexpr const char* NoDataText = "No data to graph !";
// The message for a row whose date and time do not parse.
QString notValidDateTimeText(const QString& dateTime);

// Reads date, time and value cells. Tables repeat their dates and times from row to row:
// each distinct text goes through the locale once, and a plain "HH:mm:ss" / "H:mm:ss" is read
// directly when the locale's time format is exactly that. Results are those of
// DateTimeText::parseDateTime and QLocale::toDouble.
class CellReader {
  public:
    CellReader();

    // Days since 1899-12-30 of "date time"; null when the pair does not parse. A short date
    // with a two-digit year is in 2000..2099, the meter's years.
    std::optional<double> time(std::string_view date, std::string_view timeOfDay);
    // " OL" over range (NullValue), " -OL" under range (-NullValue), a number in the system
    // locale, anything else NullValue.
    float value(std::string_view text) const;

    // An ISO 8601 timestamp, "2026-03-14T09:26:53" with optional fraction of a second and
    // an optional "Z" or UTC offset ("+01:00", "+0100", "+01"), in local days since
    // 1899-12-30: a time with an offset is moved to the local time of that moment; one
    // without is local time already. Null for anything else.
    std::optional<double> isoTime(std::string_view text);
    // A value of a line with an ISO timestamp: as value(), with '.' as decimal separator
    // whatever the locale.
    float isoValue(std::string_view text) const;

  private:
    enum class PlainTime { No, TwoDigitHour, AnyHour };
    using Cache = std::unordered_map<std::string, std::optional<double>>;

    std::optional<double> timeOfDayValue(std::string_view text);
    std::optional<double> cached(Cache& cache, std::string_view text, bool isDate);
    std::optional<double> inMeterCentury(std::optional<double> days) const;
    static std::optional<double> plainTime(std::string_view t, bool twoDigitHour);
    static std::optional<double> plainNumber(std::string_view text, char decimal);

    QLocale m_locale;
    char m_decimal = '.';
    std::string m_key;
    Cache m_dates, m_times;
    std::unordered_map<uint64_t, std::pair<std::string, std::optional<double>>> m_shortTimes;
    std::string m_lastDateText;
    std::optional<double> m_lastDate;
    bool m_hasLastDate = false;
    PlainTime m_plainTime = PlainTime::No;
    bool m_twoDigitYear = false;
    long long m_offsetMinute = 0; // the UTC minute whose local offset is cached
    int m_localOffset = 0;
    bool m_hasOffset = false;
};

} // namespace TableToGraph
