// Line formats, value texts, separators, save ranges and dialog filters of the text files.
#include "files/TextLines.h"

#include "app/DateTimeText.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <gtest/gtest.h>

using namespace TextLines;

namespace {
std::string text(void (*fn)(std::string&, double, char), double v, char dec = '.') {
    std::string s;
    fn(s, v, dec);
    return s;
}
} // namespace

TEST(ValueTexts, OutOfRangeAndLimits) {
    struct Case {
        const char* what;
        void (*fn)(std::string&, double, char);
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"ppm plain", appendPpm, 401, "401.0"},
        {"ppm zero", appendPpm, 0, "0.0"},
        {"ppm at limit", appendPpm, 40000, "40000.0"},
        {"ppm above limit", appendPpm, 40000.1, " OL"},
        {"ppm real-time over range", appendPpm, 90000, " OL"},
        {"ppm null value", appendPpm, 99999, " OL"},
        {"ppm negative", appendPpm, -1, " OL"},
        {"rh no reading", appendRh, 6553.5, "----"},
        {"rh just below no reading", appendRh, 6553.4, " OL"},
        {"rh 100.0", appendRh, 100.0, "100.0"},
        {"rh 100.1", appendRh, 100.1, " OL"},
        {"rh -0.1", appendRh, -0.1, " -OL"},
        {"rh zero", appendRh, 0.0, "0.0"},
        {"rh 50.04 rounds down", appendRh, 50.04, "50.0"},
        {"rh 50.05 rounds up", appendRh, 50.05, "50.1"},
        {"temp 25", appendTemperature, 25, "25.0"},
        {"temp no reading", appendTemperature, 6553.5, "----"},
        {"temp 140.0", appendTemperature, 140.0, "140.0"},
        {"temp 140.1", appendTemperature, 140.1, " OL"},
        {"temp -20.0", appendTemperature, -20.0, "-20.0"},
        {"temp -20.1", appendTemperature, -20.1, " OL"},
        {"temp -5.25 half away from zero", appendTemperature, -5.25, "-5.3"},
        {"temp tiny negative has no sign", appendTemperature, -0.04, "0.0"},
        {"temp float data", appendTemperature, static_cast<double>(23.7f), "23.7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(c.fn, c.value), c.expected) << c.what;
    EXPECT_EQ(text(appendRh, 45.6, ','), "45,6");
    EXPECT_EQ(text(appendTemperature, -12.3, ','), "-12,3");
}

TEST(ChartLine, FieldsSeparatorsAndLineEnd) {
    const QLocale c(QLocale::C);
    const double x = DateTimeText::toDays(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
    {
        ChartLineWriter w(c, QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm:ss"), Tab);
        std::string line;
        w.append(line, x, 90000, 6553.5, 25);
        EXPECT_EQ(line, "07/03/2024\t14:05:09\t OL\t----\t25.0\r\n");
    }
    {
        ChartLineWriter w(c, QStringLiteral("d.M.yy"), QStringLiteral("h:mm:ss AP"), Comma);
        std::string line;
        w.append(line, x, 401, 100.1, -0.1);
        EXPECT_EQ(line, "7.3.24,2:05:09 PM,401.0, OL,-0.1\r\n");
    }
    {
        // A comma-decimal locale writes commas in its numbers.
        ChartLineWriter w(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("dd.MM.yyyy"),
                          QStringLiteral("HH:mm:ss"), Tab);
        std::string line;
        w.append(line, x, 812, 45.5, -0.5);
        EXPECT_EQ(line, "07.03.2024\t14:05:09\t812,0\t45,5\t-0,5\r\n");
    }
}

// The compiled formatter must write exactly what the locale writes (in ASCII digits), for
// every locale's own formats, including the ones it hands back to the locale.
TEST(ChartLine, FormatterMatchesLocaleEverywhere) {
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    const QDateTime samples[] = {QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0)),
                                 QDateTime(QDate(2025, 12, 31), QTime(12, 0, 1)),
                                 QDateTime(QDate(2009, 7, 15), QTime(23, 59, 59)),
                                 QDateTime(QDate(2030, 10, 9), QTime(9, 8, 7, 600))};
    int checked = 0, compiled = 0;
    for (const QLocale& loc : locales) {
        const QString dateFmt = loc.dateFormat(QLocale::ShortFormat);
        const QString timeFmt =
            loc.timeFormat(QLocale::LongFormat).replace(zone, QStringLiteral(" ")).trimmed();
        DateTimeFormatter df(loc, dateFmt, DateTimeFormatter::Kind::Date);
        DateTimeFormatter tf(loc, timeFmt, DateTimeFormatter::Kind::Time);
        compiled += df.compiled() && tf.compiled();
        for (const QDateTime& t : samples) {
            const double days = DateTimeText::toDays(t);
            const QDateTime back = DateTimeText::fromDays(days);
            std::string d, h;
            df.append(d, days);
            tf.append(h, days);
            // In ASCII digits, whatever digits the locale has.
            ASSERT_EQ(QString::fromStdString(d),
                      NumberText::asciiDigits(loc.toString(back.date(), dateFmt)))
                << loc.name().toStdString() << " " << dateFmt.toStdString();
            ASSERT_EQ(QString::fromStdString(h),
                      NumberText::asciiDigits(loc.toString(back.time(), timeFmt)))
                << loc.name().toStdString() << " " << timeFmt.toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, locales.size() * 4);
    // The common formats take the fast path.
    EXPECT_GT(compiled, locales.size() * 3 / 4);
    for (const QLocale& loc : {QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::C)}) {
        EXPECT_TRUE(DateTimeFormatter(loc, loc.dateFormat(QLocale::ShortFormat),
                                      DateTimeFormatter::Kind::Date)
                        .compiled())
            << loc.name().toStdString();
        EXPECT_TRUE(
            DateTimeFormatter(loc, QStringLiteral("h:mm:ss AP"), DateTimeFormatter::Kind::Time)
                .compiled());
    }
}

TEST(SaveRange, Rules) {
    struct Case {
        const char* what;
        bool all;
        const char* from;
        const char* to;
        int count;
        int first, last; // first 0: "invalid integer"
    };
    const Case cases[] = {
        {"all", true, "x", "y", 5, 1, 5},
        {"as typed", false, "2", "4", 5, 2, 4},
        {"swapped and clamped", false, "10", "3", 5, 3, 5},
        {"first 0 starts at 1", false, "0", "3", 5, 1, 3},
        {"sign dropped", false, "-2", "-4", 5, 2, 4},
        {"blanks around", false, " 2 ", "3 ", 5, 2, 3},
        {"beyond the end", false, "7", "9", 5, 7, 5},
        {"not an integer", false, "a", "3", 5, 0, 0},
        {"empty", false, "1", "", 5, 0, 0},
        {"decimal", false, "1.5", "3", 5, 0, 0},
        {"too large", false, "1", "99999999999", 5, 0, 0},
    };
    for (const Case& c : cases) {
        const auto r =
            resolveRange(c.all, QString::fromLatin1(c.from), QString::fromLatin1(c.to), c.count);
        if (c.first == 0) {
            EXPECT_FALSE(r.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(r.has_value()) << c.what;
        EXPECT_EQ(r->first, c.first) << c.what;
        EXPECT_EQ(r->last, c.last) << c.what;
    }
}

TEST(Separators, ByNameAndExtension) {
    EXPECT_EQ(listSeparatorForName(QStringLiteral("/d/data.CSV")), Comma);
    EXPECT_EQ(listSeparatorForName(QStringLiteral("data.csv")), Comma);
    EXPECT_EQ(listSeparatorForName(QStringLiteral("datacsv")), Comma); // the last three letters
    EXPECT_EQ(listSeparatorForName(QStringLiteral("data.xyz")), Tab);
    EXPECT_EQ(listSeparatorForName(QStringLiteral("data.txt")), Tab);
    EXPECT_EQ(readSeparatorForExtension(QStringLiteral(".CSV")), Comma);
    EXPECT_EQ(readSeparatorForExtension(QStringLiteral(".txt")), Tab);
    EXPECT_FALSE(readSeparatorForExtension(QStringLiteral(".dat")).has_value());
    EXPECT_EQ(lowerExtension(QStringLiteral("/a.b/run1.GHF")), QStringLiteral(".ghf"));
    EXPECT_EQ(lowerExtension(QStringLiteral("/a.b/run1")), QString());
}

TEST(Filters, TextsAndDecimalSeparatorRule) {
    EXPECT_EQ(chartFilter(false),
              QStringLiteral("Graph file(*.ghf,only for Q7320)|*.GHF|TXT file(*.txt,data seperated "
                             "by tab)|*.TXT|EXCEL file format(*.CSV,seperated by comma)|*.CSV"));
    EXPECT_EQ(chartFilter(true), QStringLiteral("Graph file(*.ghf,only for Q7320)|*.GHF|TXT "
                                                "file(*.txt,data seperated by tab)|*.TXT"));
    EXPECT_EQ(listSaveFilter(true),
              QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT"));
    EXPECT_EQ(
        listSaveFilter(false),
        QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT                             "
                       "|EXCEL file format(*.CSV,seperated by comma) |*.CSV"));
    EXPECT_EQ(openSingleButtonText(true), QStringLiteral("Open single data flle(*.TXT,*.GHF)"));
    EXPECT_EQ(openSingleButtonText(false),
              QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
    EXPECT_EQ(dialogFilters(chartFilter(true)),
              QStringList({QStringLiteral("Graph file(*.ghf,only for Q7320) (*.GHF)"),
                           QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT)")}));
    EXPECT_EQ(dialogFilters(listSaveFilter(false)).size(), 2);
    EXPECT_TRUE(commaDecimal(QLocale(QLocale::German)));
    EXPECT_FALSE(commaDecimal(QLocale(QLocale::English, QLocale::UnitedStates)));
}

TEST(Filters, TypeChangeRenamesTheName) {
    EXPECT_EQ(filterExtensions(chartFilter(false)), QStringList({".GHF", ".TXT", ".CSV"}));
    EXPECT_EQ(filterExtensions(listSaveFilter(false)), QStringList({".TXT", ".CSV"}));
    EXPECT_EQ(filterExtensions(collectionSaveFilter()), QStringList({".732"}));
    EXPECT_EQ(typeChangedName(chartFilter(false), 2, QStringLiteral("run1.ghf")),
              QStringLiteral("run1.TXT"));
    EXPECT_EQ(typeChangedName(chartFilter(false), 3, QStringLiteral("/home/u/run1.ghf")),
              QStringLiteral("run1.CSV"));
    EXPECT_EQ(typeChangedName(chartFilter(false), 1, QStringLiteral("run1")),
              QStringLiteral("run1.GHF"));
    EXPECT_TRUE(typeChangedName(chartFilter(true), 3, QStringLiteral("run1.ghf")).isNull());
    // No name yet: never a bare extension for the user to type in front of.
    for (const char* noName : {"", ".ghf", "/home/u/"})
        EXPECT_TRUE(typeChangedName(chartFilter(false), 3, QString::fromUtf8(noName)).isNull())
            << noName;
    EXPECT_TRUE(typeChangedName(QStringLiteral("All|*"), 1, QStringLiteral("run1.ghf")).isNull());
}
