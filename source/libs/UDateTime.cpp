#include "UDateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int64_t MSecsPerDay = 86400000;

// 1899-12-30, the day numbered 0.
qint64 epochJulianDay()
{
    static const qint64 jd = QDate(1899, 12, 30).toJulianDay();
    return jd;
}

// Splits a day count into whole days and milliseconds of the day, rounding to the millisecond
// first so that 23:59:59.9999 becomes the next midnight rather than 23:59:59.1000.
bool split(double value, int64_t &days, int64_t &msecs)
{
    if (!std::isfinite(value) || std::fabs(value) > 3e6) // beyond any QDate we accept
        return false;
    const int64_t total = std::llround(value * MSecsPerDay);
    days = total / MSecsPerDay;
    msecs = std::llabs(total) % MSecsPerDay;
    return true;
}

} // namespace

TDateTime TDateTime::FromDate(QDate date)
{
    if (!date.isValid())
        return TDateTime();
    return TDateTime(double(date.toJulianDay() - epochJulianDay()));
}

TDateTime TDateTime::FromTime(QTime time)
{
    if (!time.isValid())
        return TDateTime();
    return TDateTime(double(time.msecsSinceStartOfDay()) / MSecsPerDay);
}

TDateTime TDateTime::FromDateTime(QDate date, QTime time)
{
    if (!date.isValid() || !time.isValid())
        return TDateTime();
    const double days = double(date.toJulianDay() - epochJulianDay());
    const double fraction = double(time.msecsSinceStartOfDay()) / MSecsPerDay;
    // Before day 0 the fraction counts forward while the whole part counts backward.
    return TDateTime(days < 0 ? days - fraction : days + fraction);
}

TDateTime TDateTime::FromQDateTime(const QDateTime &value)
{
    if (!value.isValid())
        return TDateTime();
    const QDateTime local = value.toLocalTime();
    return FromDateTime(local.date(), local.time());
}

TDateTime TDateTime::Encode(int year, int month, int day, int hour, int minute, int second, int msec)
{
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day)
        || !QTime::isValid(hour, minute, second, msec))
        return TDateTime();
    return FromDateTime(QDate(year, month, day), QTime(hour, minute, second, msec));
}

TDateTime TDateTime::Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    return FromDateTime(now.date(), now.time());
}

TDateTime TDateTime::Today()
{
    return FromDate(QDate::currentDate());
}

QDate TDateTime::ToDate() const
{
    int64_t days, msecs;
    if (IsNull() || !split(FValue, days, msecs))
        return QDate();
    return QDate::fromJulianDay(epochJulianDay() + days);
}

QTime TDateTime::ToTime() const
{
    int64_t days, msecs;
    if (IsNull() || !split(FValue, days, msecs))
        return QTime();
    return QTime::fromMSecsSinceStartOfDay(int(msecs));
}

QDateTime TDateTime::ToQDateTime() const
{
    const QDate date = ToDate();
    if (!date.isValid())
        return QDateTime();
    return QDateTime(date, ToTime());
}

TDateTime TDateTime::DatePart() const
{
    int64_t days, msecs;
    if (!split(FValue, days, msecs))
        return TDateTime();
    return TDateTime(double(days));
}

TDateTime TDateTime::TimePart() const
{
    int64_t days, msecs;
    if (!split(FValue, days, msecs))
        return TDateTime();
    return TDateTime(double(msecs) / MSecsPerDay);
}
