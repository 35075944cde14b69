#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace vx {

// Spans and times of day are kept in milliseconds; the texts show whole seconds.
inline constexpr qint64 kMsPerDay = 86'400'000;

// Time of day of a span: "H:MM:SS", hours without leading zero, whole days dropped; zero is
// "0:00:00". Negative spans wrap into the previous day as a clock would.
QString timeText(qint64 ms);

// "YYYY-MM-DD H:MM:SS"; the time is left out when it is exactly midnight.
QString dateTimeText(const QDateTime& t);

// A run-time sum: the day count, the localised word for "Day" right after it, a blank and the
// time text of the remainder ("2Day 3:00:00").
QString runTimeSumText(qint64 days, const QString& dayWord, const QString& timeOfDayText);

// Milliseconds between two moments (b - a); 0 when either is invalid.
qint64 msBetween(const QDateTime& a, const QDateTime& b);

// Parsers for the stored forms. A time accepts "H:MM" and "H:MM:SS" (hours 0..23) and yields
// milliseconds since midnight; a date-time accepts "YYYY-MM-DD" with an optional time after a
// blank. Anything else yields nullopt.
std::optional<qint64> parseTimeText(const QString& text);
std::optional<QDateTime> parseDateTimeText(const QString& text);

} // namespace vx
