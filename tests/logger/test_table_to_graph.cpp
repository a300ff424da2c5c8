// The table cell reader against the slow, plain reading it stands for: the whole
// "date time" text through DateTimeText::parseDateTime, values through the system locale.
#include "logger/TableToGraph.h"

#include "app/DateTimeText.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
std::optional<double> referenceTime(const std::string& date, const std::string& time) {
    return DateTimeText::parseDateTime(QString::fromStdString(date + ' ' + time));
}

float referenceValue(const std::string& text) {
    const QString s = QString::fromStdString(text);
    if (s == QLatin1String(" OL")) return TableToGraph::NullValue;
    if (s == QLatin1String(" -OL")) return -TableToGraph::NullValue;
    bool ok = false;
    const double v = QLocale::system().toDouble(s.trimmed(), &ok);
    return ok ? float(v) : TableToGraph::NullValue;
}
} // namespace

TEST(TableCellReader, TimesAreThoseOfTheWholeDateAndTimeText) {
    const std::string day = DateTimeText::date(46000.0).toStdString();
    const std::string nextDay = DateTimeText::date(46001.0).toStdString();
    const std::string formatted = DateTimeText::time(46000.0 + 13.5 / 24).toStdString();
    // Rows as tables hold them: the date repeated, then changing, then back; times in every
    // shape the fast readings must refuse or agree on.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {day, "09:00:00"},
        {day, "9:00:06"},
        {day, "23:59:59"},
        {day, "00:00:00"},
        {day, "24:00:00"},
        {day, "09:60:00"},
        {day, "09:00:60"},
        {day, " 09:00:00"},
        {day, "09:00:00 "},
        {day, "090000"},
        {day, "9:0:0"},
        {day, "not a time"},
        {day, ""},
        {day, formatted},
        {nextDay, "09:00:00"},
        {nextDay, "9:00:06"},
        {day, "09:00:00"},
        {"", "09:00:00"},
        {"31/02/2026", "09:00:00"},
        {"garbage", "09:00:00"},
        {day, "10:15:30.5"},
        {day, "123:00:00"},
        {day, "09:00:00"},
    };
    TableToGraph::CellReader reader;
    for (int pass = 0; pass < 2; ++pass) { // the second pass reads from the caches
        for (const auto& [date, time] : rows) {
            const std::optional<double> got = reader.time(date, time);
            const std::optional<double> want = referenceTime(date, time);
            ASSERT_EQ(got.has_value(), want.has_value()) << "'" << date << "' '" << time << "'";
            if (got) EXPECT_EQ(*got, *want) << "'" << date << "' '" << time << "'";
        }
    }
    // A plain time is read at all, not only refused.
    ASSERT_TRUE(reader.time(day, "09:26:53"));
    EXPECT_DOUBLE_EQ(*reader.time(day, "09:26:53"), 46000.0 + (9 * 3600 + 26 * 60 + 53) / 86400.0);
}

TEST(TableCellReader, ValuesAreThoseOfTheSystemLocale) {
    const char decimal = QLocale::system().decimalPoint() == QLatin1String(",") ? ',' : '.';
    auto d = [&](std::string s) {
        for (char& c : s)
            if (c == '.') c = decimal;
        return s;
    };
    const std::vector<std::string> cells = {
        " OL",      " -OL",   "OL",       "-OL",      "----",     "",
        "  ",       "412",    d("412.0"), d("-12.5"), d(" 7.5 "), d("5."),
        d(".5"),    d("-.5"), "-",        "1e3",      "abc",      "12abc",
        d("1.2.3"), "0",      "-0",       "007",      "99999",    d("3.14159265358979"),
        "1,5",      "1.5",    "1 000",    "+5",       d("1.0e2"), "\t5",
        "5\t",
    };
    const TableToGraph::CellReader reader;
    for (const std::string& text : cells) {
        const float got = reader.value(text);
        const float want = referenceValue(text);
        EXPECT_EQ(got, want) << "'" << text << "'";
    }
    EXPECT_EQ(reader.value(" OL"), TableToGraph::NullValue);
    EXPECT_EQ(reader.value(" -OL"), -TableToGraph::NullValue);
    EXPECT_EQ(reader.value(d("-12.5")), -12.5f);
}

// A row with no time field (a line "date," with nothing after it): no time, nothing read from
// a field that has no bytes.
TEST(TableCellReader, MissingFieldsGiveNoTime) {
    TableToGraph::CellReader reader;
    const std::string day = DateTimeText::date(46000.0).toStdString();
    EXPECT_FALSE(reader.time(day, std::string_view()));
    EXPECT_FALSE(reader.time(std::string_view(), std::string_view()));
    EXPECT_EQ(reader.value(std::string_view()), TableToGraph::NullValue);
}

// Numbers no chart can draw are read as no value.
TEST(TableCellReader, UndrawableNumbersAreNoValue) {
    TableToGraph::CellReader reader;
    for (const char* text : {"1e300", "inf", "-inf", "nan", "1e16"})
        EXPECT_EQ(reader.value(text), TableToGraph::NullValue) << text;
    EXPECT_EQ(reader.value(std::string(300, '9')), TableToGraph::NullValue);
    EXPECT_EQ(reader.value("1e6"), 1e6f);
}
