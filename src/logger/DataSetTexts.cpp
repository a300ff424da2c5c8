#include "logger/DataSetTexts.h"

#include "app/DateTimeText.h"
#include "app/NumberText.h"

namespace {
QString twoDigits(int v) {
    QString s = QString::number(v);
    if (s.size() == 1) s.prepend(QLatin1Char('0'));
    return s;
}

QString oneDecimal(double v) {
    return NumberText::fixed(v, 1);
}

double signedTenths(int storedByte) {
    return static_cast<int8_t>(storedByte & 0xFF) * 0.1;
}
} // namespace

QString intervalText(int seconds) {
    return twoDigits(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60);
}

QString rhOffsetText(int storedByte) {
    return oneDecimal(signedTenths(storedByte));
}

QString temperatureOffsetText(int storedByte, bool fahrenheit) {
    double v = signedTenths(storedByte);
    if (!fahrenheit) v = v * 5.0 / 9.0;
    return oneDecimal(v);
}

std::array<QString, DataSetTextColumns> dataSetRowTexts(const DataSetStore& store, int k) {
    const double start = store.startTime[k];
    const bool fahrenheit = store.temperatureUnit[k] != 0;
    return {
        QString::number(k + 1),
        DateTimeText::date(start),
        DateTimeText::fromDays(start).time().toString(QStringLiteral("hh:mm:ss")),
        intervalText(store.interval[k]),
        QString::number(store.sampleCount[k]),
        fahrenheit ? QStringLiteral("F") : QStringLiteral("C"),
        QString::number(store.co2Offset[k]),
        rhOffsetText(store.rhOffset[k]),
        temperatureOffsetText(store.temperatureOffset[k], fahrenheit),
    };
}
