#pragma once

#include <QDate>
#include <QDateTime>
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
