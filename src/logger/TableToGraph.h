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

    // Days since 1899-12-30 of "date time"; null when the pair does not parse.
    std::optional<double> time(std::string_view date, std::string_view timeOfDay);
    // " OL" over range (NullValue), " -OL" under range (-NullValue), a number in the system
    // locale, anything else NullValue.
    float value(std::string_view text) const;

  private:
    enum class PlainTime { No, TwoDigitHour, AnyHour };
    using Cache = std::unordered_map<std::string, std::optional<double>>;

    std::optional<double> timeOfDayValue(std::string_view text);
    std::optional<double> cached(Cache& cache, std::string_view text, bool isDate);
    static std::optional<double> plainTime(std::string_view t, bool twoDigitHour);
    std::optional<double> plainNumber(std::string_view text) const;

    QLocale m_locale;
    char m_decimal = '.';
    std::string m_key;
    Cache m_dates, m_times;
    std::unordered_map<uint64_t, std::pair<std::string, std::optional<double>>> m_shortTimes;
    std::string m_lastDateText;
    std::optional<double> m_lastDate;
    bool m_hasLastDate = false;
    PlainTime m_plainTime = PlainTime::No;
};

} // namespace TableToGraph
