#include "app/NumberText.h"

namespace NumberText {

char decimalSeparator(const QLocale& locale) {
    const QString d = locale.decimalPoint();
    if (d.size() == 1 && (d.at(0) == QLatin1Char('.') || d.at(0) == QLatin1Char(',')))
        return static_cast<char>(d.at(0).unicode());
    return '.';
}

QString fixed(double value, int decimals) {
    QString s = QString::number(value, 'f', decimals);
    const char point = decimalSeparator();
    if (point != '.') s.replace(QLatin1Char('.'), QLatin1Char(point));
    return s;
}

QString asciiDigits(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x80) continue;
        const int v = c.digitValue();
        if (v >= 0 && v <= 9 && c.category() == QChar::Number_DecimalDigit)
            c = QLatin1Char(char('0' + v));
    }
    return text;
}

} // namespace NumberText
