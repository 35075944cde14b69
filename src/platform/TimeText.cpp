#include "platform/TimeText.h"

using namespace Qt::StringLiterals;

namespace vx {

namespace {

QString twoDigits(qint64 v)
{
    return QString::number(v).rightJustified(2, u'0');
}

// Parses an unsigned decimal of 1..maxDigits digits.
std::optional<int> parseDigits(QStringView s, int maxDigits)
{
    if (s.isEmpty() || s.size() > maxDigits)
        return std::nullopt;
    int v = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

} // namespace

QString timeText(qint64 ms)
{
    qint64 secs = (ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000)) % 86400;
    if (secs < 0)
        secs += 86400;
    return QString::number(secs / 3600) + u':' + twoDigits(secs / 60 % 60) + u':' + twoDigits(secs % 60);
}

QString dateTimeText(const QDateTime& t)
{
    if (!t.isValid())
        return {};
    const QString date = t.date().toString(u"yyyy-MM-dd"_s);
    const QTime time = t.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0 && time.msec() == 0)
        return date;
    return date + u' ' + timeText(time.msecsSinceStartOfDay());
}

QString runTimeSumText(qint64 days, const QString& dayWord, const QString& timeOfDayText)
{
    return QString::number(days) + dayWord + u' ' + timeOfDayText;
}

qint64 msBetween(const QDateTime& a, const QDateTime& b)
{
    if (!a.isValid() || !b.isValid())
        return 0;
    return a.msecsTo(b);
}

std::optional<qint64> parseTimeText(const QString& text)
{
    const QString t = text.trimmed();
    const auto parts = QStringView(t).split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const auto h = parseDigits(parts[0], 2);
    const auto m = parseDigits(parts[1], 2);
    const auto s = parts.size() == 3 ? parseDigits(parts[2], 2) : std::optional<int>(0);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59)
        return std::nullopt;
    return (qint64(*h) * 3600 + *m * 60 + *s) * 1000;
}

std::optional<QDateTime> parseDateTimeText(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype blank = t.indexOf(u' ');
    const QStringView datePart = blank < 0 ? QStringView(t) : QStringView(t).left(blank);
    const auto fields = datePart.split(u'-');
    if (fields.size() != 3)
        return std::nullopt;
    const auto y = parseDigits(fields[0], 4);
    const auto mo = parseDigits(fields[1], 2);
    const auto d = parseDigits(fields[2], 2);
    if (!y || !mo || !d)
        return std::nullopt;
    const QDate date(*y, *mo, *d);
    if (!date.isValid())
        return std::nullopt;
    qint64 ms = 0;
    if (blank >= 0) {
        const auto time = parseTimeText(t.mid(blank + 1));
        if (!time)
            return std::nullopt;
        ms = *time;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace vx
