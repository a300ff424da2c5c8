#pragma once
// Date-time values are days since 1899-12-30 (the fraction is the time of day). This is the
// one place that converts them, and formats and parses their texts: the system locale's short
// date format and long time format, without any time-zone part.
#include <QDateTime>
#include <QString>
#include <optional>

namespace DateTimeText {
constexpr double SecondsPerDay = 86400.0;
// 0001-01-01 and 9999-12-31: the days a date text can show. Values outside have no text.
constexpr double FirstDay = -693593.0;
constexpr double LastDay = 2958465.0;

double toDays(const QDateTime& local);
QDateTime fromDays(double days);

QString dateFormat(); // locale short date format
QString timeFormat(); // locale long time format, time-zone part removed

QString dateTime(double days); // "date time"
QString date(double days);
QString time(double days); // time of day alone

std::optional<double> parseDateTime(const QString& text);
std::optional<double> parseDate(const QString& text);
std::optional<double> parseTime(const QString& text); // fraction of a day
} // namespace DateTimeText
