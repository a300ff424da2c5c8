// Dates, times and numbers in the program's texts under the system locale, which CTest sets
// (LC_ALL) to locales with digits, separators and zone formats of their own: one rendering in
// windows and files alike, ASCII digits, and every text parsing back with the program's own
// readers.
#include "app/DateTimeText.h"
#include "files/TextLines.h"
#include "graph/GraphStatistics.h"
#include "logger/DataSetTexts.h"
#include "logger/TableToGraph.h"
#include "realtime/RealTimeCore.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {
// 2024-03-07 14:05:09.
const double T = 45358.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0;

bool asciiDigitsOnly(const QString& s) {
    for (QChar c : s)
        if (c.isDigit() && (c < QLatin1Char('0') || c > QLatin1Char('9'))) return false;
    return true;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TEST(LocaleTexts, OneRenderingThatParsesBack) {
    const QString locale = QLocale::system().name();
    SCOPED_TRACE(locale.toStdString());
    const QString tf = DateTimeText::timeFormat();
    // No zone field, and nothing left of the brackets around one.
    EXPECT_FALSE(tf.contains(QLatin1Char('t'))) << tf.toStdString();
    EXPECT_FALSE(tf.contains(QLatin1String("()")) || tf.contains(QLatin1String("( )")))
        << tf.toStdString();

    const QString dateTime = DateTimeText::dateTime(T);
    EXPECT_TRUE(asciiDigitsOnly(dateTime)) << dateTime.toStdString();
    EXPECT_FALSE(dateTime.endsWith(QLatin1Char(')'))) << dateTime.toStdString();
    const auto back = DateTimeText::parseDateTime(dateTime);
    ASSERT_TRUE(back) << dateTime.toStdString();
    EXPECT_NEAR(*back, T, 0.5 / 86400);

    // A chart text line: its date and time are the window's texts and read back as the time.
    std::string line;
    TextLines::ChartLineWriter::forSystem(TextLines::Tab).append(line, T, 812, 45.5, -0.5);
    const QStringList fields = text(line).trimmed().split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 5) << line;
    EXPECT_EQ(fields[0], DateTimeText::date(T));
    EXPECT_EQ(fields[1], DateTimeText::time(T));
    TableToGraph::CellReader reader;
    const QByteArray d = fields[0].toUtf8(), h = fields[1].toUtf8();
    const auto t = reader.time(d.toStdString(), h.toStdString());
    ASSERT_TRUE(t) << line;
    EXPECT_NEAR(*t, T, 0.5 / 86400);

    // Numbers: the same text in the file, the statistics, the real-time boxes and the data
    // sets list, and each reads back.
    const QString fromFile = fields[3];
    EXPECT_EQ(GraphStatistics::fixed(45.5, 1), fromFile);
    EXPECT_EQ(RealTime::oneDecimalText(45.5), fromFile);
    EXPECT_EQ(rhOffsetText(-35), GraphStatistics::fixed(-3.5, 1));
    EXPECT_TRUE(asciiDigitsOnly(fromFile));
    EXPECT_EQ(reader.value(fields[3].toStdString()), 45.5f);
    EXPECT_EQ(reader.value(RealTime::ppmText(1234).toStdString()), 1234.0f);
}

// The texts themselves, pinned for the locales CTest runs this under.
TEST(LocaleTexts, KnownLocales) {
    struct Case {
        const char* locale;
        const char* time;
        const char* number;
    };
    const Case cases[] = {
        {"fa_IR", "14:05:09", "45.5"},
        {"ar_EG", "2:05:09 \u0645", "45.5"},
        {"de_DE", "14:05:09", "45,5"},
        {"en_US", "2:05:09 PM", "45.5"},
    };
    const QString locale = QLocale::system().name();
    for (const Case& c : cases) {
        if (locale != QLatin1String(c.locale)) continue;
        EXPECT_EQ(DateTimeText::time(T), QString::fromUtf8(c.time));
        EXPECT_EQ(GraphStatistics::fixed(45.5, 1), QLatin1String(c.number));
        return;
    }
    GTEST_SKIP() << "no pinned texts for " << locale.toStdString();
}
