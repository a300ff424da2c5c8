#pragma once
// Numbers in the program's texts, in windows and in files alike: ASCII digits, no group
// separators, and the locale's decimal separator when it is one ASCII character ('.' or ','),
// else '.'. Dates and times use the same digits (DateTimeText), so a locale with digits of its
// own (Arabic-Indic, Persian, Bengali ...) gets one rendering everywhere, which spreadsheets
// and scripts read and which the program's own readers parse back.
#include <QLocale>
#include <QString>

namespace NumberText {

char decimalSeparator(const QLocale& locale = QLocale::system());

// Fixed-point notation with this many decimals: 401.0, -3.5, 1234.
QString fixed(double value, int decimals);

// The text with every decimal digit of any script turned into its ASCII digit.
QString asciiDigits(QString text);

} // namespace NumberText
