#pragma once
// Text and CSV lines: the value texts of a chart line, the chart line itself, the separator
// rules, the save range rules and the file dialog filters of the File menu.
// Everything here is pure: no files, no widgets.
#include "app/NumberText.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace TextLines {

constexpr char Tab = '\t';
constexpr char Comma = ',';
// Longest line the list reader keeps; the rest of a longer line is skipped.
constexpr int MaxLineChars = 179;

// Fixed notation, one decimal (401 gives "401.0"), rounding half away from zero.
void appendFixed1(std::string& out, double value, char decimalSeparator);

// The three value fields of a chart line, with their out-of-range texts.
void appendPpm(std::string& out, double value, char decimalSeparator);
void appendRh(std::string& out, double value, char decimalSeparator);
void appendTemperature(std::string& out, double value, char decimalSeparator);

// Formats dates or times of day with a Qt date-time format string, fast enough for a few
// hundred thousand points. Formats it cannot compile fall back to QLocale.
class DateTimeFormatter {
  public:
    enum class Kind { Date, Time };
    DateTimeFormatter(const QLocale& locale, const QString& format, Kind kind);
    // days since 1899-12-30, as DateTimeText::fromDays reads them.
    void append(std::string& out, double days) const;
    // False when every value goes through QLocale.
    bool compiled() const { return m_fast; }

  private:
    struct Token {
        enum Type {
            Literal,
            Day,
            Day2,
            DayName,
            DayNameLong,
            Month,
            Month2,
            MonthName,
            MonthNameLong,
            Year2,
            Year4,
            Hour12,
            Hour12_2,
            Hour24,
            Hour24_2,
            Minute,
            Minute2,
            Second,
            Second2,
            AmPm
        };
        Type type;
        std::string text; // Literal: the text; AmPm: unused
    };
    QLocale m_locale;
    QString m_format;
    Kind m_kind;
    bool m_fast = true;
    std::vector<Token> m_tokens;
    std::string m_monthNames[2][13], m_dayNames[2][8];
    std::string m_amUpper, m_pmUpper, m_amLower, m_pmLower;
    mutable long long m_cachedDay = -1;
    mutable std::string m_cachedDate;
};

// Turns one chart point into one text line, line end included.
class LineWriter {
  public:
    virtual ~LineWriter() = default;
    virtual void append(std::string& out, double x, double ppm, double rh,
                        double temperature) const = 0;
};

// One chart text line: date, time, ppm, %RH, temperature, joined by the separator, ending in
// CR LF. Date and time use the locale's short date and long time formats.
class ChartLineWriter : public LineWriter {
  public:
    ChartLineWriter(const QLocale& locale, const QString& dateFormat, const QString& timeFormat,
                    char separator);
    // The system locale with the program's date and time formats.
    static ChartLineWriter forSystem(char separator);
    void append(std::string& out, double x, double ppm, double rh,
                double temperature) const override;

  private:
    DateTimeFormatter m_date;
    DateTimeFormatter m_time;
    char m_separator;
    char m_decimal;
};

// The decimal separator of the program's texts is a comma.
inline bool commaDecimal(const QLocale& locale) {
    return NumberText::decimalSeparator(locale) == ',';
}

// Separator of a list text file written under this name: comma when the name ends in "csv"
// (any case), tab otherwise.
char listSeparatorForName(const QString& fileName);
// Separator of a file read by the list reader, by its extension (".csv" comma, ".txt" tab).
std::optional<char> readSeparatorForExtension(const QString& extension);
// Lower-case extension with its dot (".ghf"), or empty.
QString lowerExtension(const QString& fileName);

// The save range: all, or from..to as typed. nullopt: a text is not an integer.
struct Range {
    int first = 1; // 1-based
    int last = 0;  // inclusive; last < first means nothing to write
};
std::optional<Range> resolveRange(bool all, const QString& fromText, const QString& toText,
                                  int count);

// File dialog filters as description|pattern pairs.
QString chartFilter(bool commaDecimal);
QString listSaveFilter(bool commaDecimal);
QString collectionSaveFilter();
QString collectionOpenFilter();
QString openSingleButtonText(bool commaDecimal);
// "desc|pattern|desc|pattern" as the file dialog's list of "desc (pattern)" entries.
QStringList dialogFilters(const QString& filter);
// The extensions the type-change handler finds in a filter (".GHF", ".TXT", ...), at most 5.
QStringList filterExtensions(const QString& filter);
// The name for the save dialog's name box after the user picked filter filterIndex (1-based):
// the current name without its folder, its extension replaced. Null: leave the box alone (so
// also when there is no name yet).
QString typeChangedName(const QString& filter, int filterIndex, const QString& currentName);

} // namespace TextLines
