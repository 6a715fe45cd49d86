#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

#include <compare>
#include <type_traits>

// A point in local wall-clock time as a day count: the whole part counts days since 1899-12-30,
// the fraction is the time of day (for days before that date the fraction still counts forward
// from midnight, so -1.25 is 1899-12-29 06:00). 0 means "no date".
class TDateTime {
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : FValue(days) {}

    constexpr double Value() const { return FValue; }
    constexpr bool IsNull() const { return FValue == 0; }

    // Invalid QDate/QTime parts give the null value.
    static TDateTime FromDate(QDate date);
    static TDateTime FromTime(QTime time);
    static TDateTime FromDateTime(QDate date, QTime time);
    // Taken as local wall-clock time.
    static TDateTime FromQDateTime(const QDateTime &value);
    // Null when a part names no real day or time.
    static TDateTime Encode(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, int msec = 0);
    static TDateTime Now();
    static TDateTime Today();

    // The null value gives invalid Qt values; otherwise the parts to the millisecond.
    QDate ToDate() const;
    QTime ToTime() const;
    QDateTime ToQDateTime() const;
    // Whole days only, and the time of day only.
    TDateTime DatePart() const;
    TDateTime TimePart() const;

    friend constexpr bool operator==(TDateTime a, TDateTime b) { return a.FValue == b.FValue; }
    friend constexpr auto operator<=>(TDateTime a, TDateTime b) { return a.FValue <=> b.FValue; }

private:
    double FValue = 0;
};

static_assert(std::is_trivially_copyable_v<TDateTime>);

// How a date-time is written and read. In the formats "yyyy" is the four-digit year, "yy" two
// digits, "mm" the month (minutes in a time format), "dd" the day, "hh", "nn", "ss" hours
// (24-hour), minutes and seconds, "zzz" milliseconds; every other character stands as it is.
// Reading follows the same format; a field next to a separator may have fewer digits
// ("2020-1-2"), fields written next to each other ("yyyymmdd") must have all of theirs.
struct TDateTimeFormat {
    QString DateSeparator; // empty: none
    QString TimeSeparator;
    QString ShortDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;

    QString FormatDate(TDateTime value) const;
    QString FormatTime(TDateTime value) const; // long time format
    // Date, a blank, long time.
    QString FormatDateTime(TDateTime value) const;
    // Null when the text does not read or names no real day. A date alone reads as midnight;
    // the time may follow after a blank in the long or the short time format.
    TDateTime ParseDateTime(QStringView text) const;
    // The date part of ParseDateTime.
    TDateTime ParseDate(QStringView text) const;
    // A time alone, or the time part of ParseDateTime.
    TDateTime ParseTime(QStringView text) const;

    // The shared profiles.
    static const TDateTimeFormat &SQL();     // "yyyy-mm-dd" "hh:mm:ss"
    static const TDateTimeFormat &Win();     // "dd.mm.yyyy" "hh:mm:ss"
    static const TDateTimeFormat &Month();   // "mm.yyyy"
    static const TDateTimeFormat &US();      // "mm/dd/yyyy" "hh:mm:ss"
    static const TDateTimeFormat &Compact(); // "yyyymmdd" "hhmmss"
};

// A date-time as text together with the format it is written in; the empty text means no date.
struct TDateTimeStr {
    TDateTimeFormat Format;
    QString Data;

    // The empty SQL form.
    TDateTimeStr();
    // CreateSQL of the text.
    TDateTimeStr(const QString &data);
    // CreateSQL of the date, a blank and the time; 0 or less gives the empty text.
    TDateTimeStr(TDateTime value);

    static TDateTimeStr CreateSQL(const QString &data = QString());
    static TDateTimeStr CreateWin(const QString &data = QString());
    static TDateTimeStr CreateWinFile(const QString &data = QString());
    static TDateTimeStr CreatePeriodSQL(const QString &data = QString());
    static TDateTimeStr CreatePeriodWin(const QString &data = QString());
    static TDateTimeStr CreatePeriodWinShort(const QString &data = QString());

    operator QString() const { return Data; }
    operator TDateTime() const { return DateTimeOf(); }

    bool IsEmpty() const { return Data.isEmpty(); }
    bool IsSet() const { return !Data.isEmpty(); }
    void SetEmpty() { Data.clear(); }

    TDateTime DateTimeOf() const;
    TDateTime DateOf() const;
    TDateTime TimeOf() const;
};
