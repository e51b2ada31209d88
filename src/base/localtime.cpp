#include "base/localtime.h"

TDateTime DateTimeFromQDateTime(const QDateTime &time)
{
    if (!time.isValid())
        return 0;
    const QDateTime local = time.toLocalTime();
    const QDate date = local.date();
    const QTime clock = local.time();
    return EncodeDateTime(date.year(), date.month(), date.day(), clock.hour(), clock.minute(), clock.second(),
                          clock.msec())
        .value_or(0);
}

TDateTime Now()
{
    return DateTimeFromQDateTime(QDateTime::currentDateTime());
}

QDateTime QDateTimeFromDateTime(TDateTime value)
{
    const DateTimeFields f = DecodeDateTime(value);
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second, f.millisecond), Qt::LocalTime);
}
