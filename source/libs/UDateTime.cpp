#include "UDateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

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

// The time-zone look-up is most of the cost of reading the local clock, and the offset from UTC
// only changes at a whole minute, so each thread keeps the offset of the minute it last read.
TDateTime TDateTime::Now()
{
    constexpr qint64 MSecsPerMinute = 60000;
    constexpr qint64 UnixEpochJulianDay = 2440588; // 1970-01-01
    thread_local qint64 cachedMinute = std::numeric_limits<qint64>::min();
    thread_local qint64 offsetMSecs = 0;

    const qint64 utc = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = utc >= 0 ? utc / MSecsPerMinute : (utc - MSecsPerMinute + 1) / MSecsPerMinute;
    if (minute != cachedMinute) {
        offsetMSecs = qint64(QDateTime::fromMSecsSinceEpoch(minute * MSecsPerMinute).offsetFromUtc()) * 1000;
        cachedMinute = minute;
    }
    const qint64 local = utc + offsetMSecs;
    const qint64 days = local >= 0 ? local / MSecsPerDay : (local - MSecsPerDay + 1) / MSecsPerDay;
    return FromDateTime(QDate::fromJulianDay(UnixEpochJulianDay + days),
                        QTime::fromMSecsSinceStartOfDay(int(local - days * MSecsPerDay)));
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

namespace {

// The workstation's own time rules are not used, so texts read the same on every machine;
// where a form leaves the time to the region it gets these.
const QString RegionalTimeSeparator = QStringLiteral(":");
const QString RegionalShortTime = QStringLiteral("hh:mm");
const QString RegionalLongTime = QStringLiteral("hh:mm:ss");

enum TField : uint8_t { fYear4, fYear2, fMonth, fDay, fHour, fMinute, fSecond, fMSec, fLiteral };

struct TToken {
    TField field;
    QChar literal;
    int width;
};

// Splits a format into fields and literal characters; "mm" is the month in a date format and
// the minutes in a time format.
QList<TToken> tokenize(QStringView format, bool time)
{
    QList<TToken> tokens;
    qsizetype i = 0;
    auto at = [&](QStringView word) {
        return format.mid(i).startsWith(word, Qt::CaseInsensitive);
    };
    while (i < format.size()) {
        if (at(u"yyyy")) {
            tokens.append({fYear4, QChar(), 4});
            i += 4;
        } else if (at(u"yy")) {
            tokens.append({fYear2, QChar(), 2});
            i += 2;
        } else if (at(u"mm")) {
            tokens.append({time ? fMinute : fMonth, QChar(), 2});
            i += 2;
        } else if (at(u"nn")) {
            tokens.append({fMinute, QChar(), 2});
            i += 2;
        } else if (at(u"dd")) {
            tokens.append({fDay, QChar(), 2});
            i += 2;
        } else if (at(u"hh")) {
            tokens.append({fHour, QChar(), 2});
            i += 2;
        } else if (at(u"ss")) {
            tokens.append({fSecond, QChar(), 2});
            i += 2;
        } else if (at(u"zzz")) {
            tokens.append({fMSec, QChar(), 3});
            i += 3;
        } else {
            tokens.append({fLiteral, format[i], 1});
            ++i;
        }
    }
    return tokens;
}

struct TParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    bool hasYear = false, hasMonth = false, hasDay = false;
};

QString write(QStringView format, bool time, TDateTime value)
{
    const QDate d = value.ToDate().isValid() ? value.ToDate() : QDate(1899, 12, 30);
    const QTime t = value.ToTime().isValid() ? value.ToTime() : QTime(0, 0);
    QString out;
    for (const TToken &tok : tokenize(format, time)) {
        int v = 0;
        switch (tok.field) {
        case fYear4: v = d.year(); break;
        case fYear2: v = d.year() % 100; break;
        case fMonth: v = d.month(); break;
        case fDay: v = d.day(); break;
        case fHour: v = t.hour(); break;
        case fMinute: v = t.minute(); break;
        case fSecond: v = t.second(); break;
        case fMSec: v = t.msec(); break;
        case fLiteral: out += tok.literal; continue;
        }
        out += QString::number(v).rightJustified(tok.width, u'0');
    }
    return out;
}

// Two-digit years fall within 50 years of the current one.
int expandYear(int yy)
{
    const int base = QDate::currentDate().year() - 50;
    int year = base / 100 * 100 + yy;
    if (year < base)
        year += 100;
    return year;
}

bool read(QStringView format, bool time, QStringView text, qsizetype &pos, TParts &parts)
{
    const QList<TToken> tokens = tokenize(format, time);
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const TToken &tok = tokens[k];
        if (tok.field == fLiteral) {
            if (pos >= text.size() || text[pos] != tok.literal)
                return false;
            ++pos;
            continue;
        }
        // A field written against another has no separator to end it: all its digits.
        const bool packed = (k + 1 < tokens.size() && tokens[k + 1].field != fLiteral)
                            || (k > 0 && tokens[k - 1].field != fLiteral);
        const int maxDigits = packed ? tok.width : tok.field == fYear2 ? 4 : tok.width;
        const int minDigits = packed ? tok.width : 1;
        int v = 0, n = 0;
        while (n < maxDigits && pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
            v = v * 10 + (text[pos].unicode() - u'0');
            ++pos;
            ++n;
        }
        if (n < minDigits)
            return false;
        switch (tok.field) {
        case fYear4: parts.year = v; parts.hasYear = true; break;
        case fYear2: parts.year = n > 2 ? v : expandYear(v); parts.hasYear = true; break;
        case fMonth: parts.month = v; parts.hasMonth = true; break;
        case fDay: parts.day = v; parts.hasDay = true; break;
        case fHour: parts.hour = v; break;
        case fMinute: parts.minute = v; break;
        case fSecond: parts.second = v; break;
        case fMSec: parts.msec = v; break;
        case fLiteral: break;
        }
    }
    return true;
}

bool readTime(const TDateTimeFormat &f, QStringView text, TParts &parts)
{
    for (const QString *format : {&f.LongTimeFormat, &f.ShortTimeFormat}) {
        TParts p = parts;
        qsizetype pos = 0;
        if (!format->isEmpty() && read(*format, true, text, pos, p) && pos == text.size()) {
            parts = p;
            return true;
        }
    }
    return false;
}

TDateTime encode(const TParts &p, bool withDate)
{
    if (!QTime::isValid(p.hour, p.minute, p.second, p.msec))
        return TDateTime();
    if (!withDate)
        return TDateTime::FromTime(QTime(p.hour, p.minute, p.second, p.msec));
    if (!p.hasYear)
        return TDateTime();
    return TDateTime::Encode(p.year, p.hasMonth ? p.month : 1, p.hasDay ? p.day : 1, p.hour, p.minute,
                             p.second, p.msec);
}

TDateTimeFormat makeFormat(const QString &dateSep, const QString &timeSep, const QString &date,
                           const QString &shortTime, const QString &longTime)
{
    return TDateTimeFormat{dateSep, timeSep, date, shortTime, longTime};
}

} // namespace

QString TDateTimeFormat::FormatDate(TDateTime value) const
{
    return write(ShortDateFormat, false, value);
}

QString TDateTimeFormat::FormatTime(TDateTime value) const
{
    return write(LongTimeFormat, true, value);
}

QString TDateTimeFormat::FormatDateTime(TDateTime value) const
{
    return FormatDate(value) + u' ' + FormatTime(value);
}

TDateTime TDateTimeFormat::ParseDateTime(QStringView text) const
{
    text = text.trimmed();
    TParts parts;
    qsizetype pos = 0;
    if (ShortDateFormat.isEmpty() || !read(ShortDateFormat, false, text, pos, parts))
        return TDateTime();
    if (pos < text.size()) {
        if (text[pos] != u' ')
            return TDateTime();
        if (!readTime(*this, text.mid(pos).trimmed(), parts))
            return TDateTime();
    }
    return encode(parts, true);
}

TDateTime TDateTimeFormat::ParseDate(QStringView text) const
{
    return ParseDateTime(text).DatePart();
}

TDateTime TDateTimeFormat::ParseTime(QStringView text) const
{
    TParts parts;
    if (readTime(*this, text.trimmed(), parts))
        return encode(parts, false);
    return ParseDateTime(text).TimePart();
}

const TDateTimeFormat &TDateTimeFormat::SQL()
{
    static const TDateTimeFormat f = makeFormat("-", ":", "yyyy-mm-dd", "hh:mm", "hh:mm:ss");
    return f;
}

const TDateTimeFormat &TDateTimeFormat::Win()
{
    static const TDateTimeFormat f = makeFormat(".", ":", "dd.mm.yyyy", "hh:mm", "hh:mm:ss");
    return f;
}

const TDateTimeFormat &TDateTimeFormat::Month()
{
    static const TDateTimeFormat f = makeFormat(".", ":", "mm.yyyy", RegionalShortTime, RegionalLongTime);
    return f;
}

const TDateTimeFormat &TDateTimeFormat::US()
{
    static const TDateTimeFormat f = makeFormat("/", ":", "mm/dd/yyyy", "hh:mm", "hh:mm:ss");
    return f;
}

const TDateTimeFormat &TDateTimeFormat::Compact()
{
    static const TDateTimeFormat f = makeFormat("", "", "yyyymmdd", "hhmmss", "hhmmss");
    return f;
}

TDateTimeStr::TDateTimeStr() : Format(TDateTimeFormat::SQL()) {}

TDateTimeStr::TDateTimeStr(const QString &data) : Format(TDateTimeFormat::SQL()), Data(data) {}

TDateTimeStr::TDateTimeStr(TDateTime value) : Format(TDateTimeFormat::SQL())
{
    if (value.Value() > 0)
        Data = Format.FormatDateTime(value);
}

TDateTimeStr TDateTimeStr::CreateSQL(const QString &data)
{
    return TDateTimeStr(data);
}

TDateTimeStr TDateTimeStr::CreateWin(const QString &data)
{
    TDateTimeStr r(data);
    r.Format = TDateTimeFormat::Win();
    return r;
}

TDateTimeStr TDateTimeStr::CreateWinFile(const QString &data)
{
    TDateTimeStr r(data);
    r.Format = makeFormat(".", "", "dd.mm.yyyy", "hhmmss", "hhmmss");
    return r;
}

TDateTimeStr TDateTimeStr::CreatePeriodSQL(const QString &data)
{
    TDateTimeStr r(data);
    r.Format = makeFormat("-", RegionalTimeSeparator, "yyyy-mm-01", RegionalShortTime, RegionalLongTime);
    return r;
}

TDateTimeStr TDateTimeStr::CreatePeriodWin(const QString &data)
{
    TDateTimeStr r(data);
    r.Format = makeFormat(".", RegionalTimeSeparator, "mm.yyyy", RegionalShortTime, RegionalLongTime);
    return r;
}

TDateTimeStr TDateTimeStr::CreatePeriodWinShort(const QString &data)
{
    TDateTimeStr r(data);
    r.Format = makeFormat(".", RegionalTimeSeparator, "mm.yy", RegionalShortTime, RegionalLongTime);
    return r;
}

TDateTime TDateTimeStr::DateTimeOf() const
{
    return Format.ParseDateTime(Data);
}

TDateTime TDateTimeStr::DateOf() const
{
    return Format.ParseDate(Data);
}

TDateTime TDateTimeStr::TimeOf() const
{
    return Format.ParseTime(Data);
}
