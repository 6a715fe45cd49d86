#include "TestUtil.h"
#include "UDateTime.h"

#include <gtest/gtest.h>

namespace {

TDateTime at(int y, int m, int d, int h = 0, int n = 0, int s = 0)
{
    return TDateTime::Encode(y, m, d, h, n, s);
}

} // namespace

TEST(UDateTimeStr, FromDateTimeWritesTheServiceForm)
{
    EXPECT_TRUE(TDateTimeStr(TDateTime()).IsEmpty());
    EXPECT_TRUE(TDateTimeStr(TDateTime(-3.5)).IsEmpty());
    const TDateTimeStr s = at(2020, 1, 2, 3, 4, 5);
    EXPECT_EQ(QString(s), "2020-01-02 03:04:05");
    EXPECT_EQ(s.DateTimeOf(), at(2020, 1, 2, 3, 4, 5));
    EXPECT_EQ(TDateTime(s), at(2020, 1, 2, 3, 4, 5));
    EXPECT_EQ(s.DateOf(), at(2020, 1, 2));
    EXPECT_NEAR(s.TimeOf().Value(), (3 * 3600 + 4 * 60 + 5) / 86400.0, 1e-12);
}

TEST(UDateTimeStr, CreationFormsReadTheirOwnTexts)
{
    struct Case { const char *name; TDateTimeStr value; TDateTime expected; };
    const Case cases[] = {
        {"sql", TDateTimeStr::CreateSQL("2020-01-02 03:04:05"), at(2020, 1, 2, 3, 4, 5)},
        {"sql date only", TDateTimeStr("2020-01-02"), at(2020, 1, 2)},
        {"sql short digits", TDateTimeStr("2020-1-2 3:04"), at(2020, 1, 2, 3, 4)},
        {"sql padded", TDateTimeStr(" 2020-01-02 "), at(2020, 1, 2)},
        {"win", TDateTimeStr::CreateWin("02.01.2020 03:04:05"), at(2020, 1, 2, 3, 4, 5)},
        {"win file", TDateTimeStr::CreateWinFile("02.01.2020 030405"), at(2020, 1, 2, 3, 4, 5)},
        {"period sql", TDateTimeStr::CreatePeriodSQL("2020-05-01"), at(2020, 5, 1)},
        {"period win", TDateTimeStr::CreatePeriodWin("05.2020"), at(2020, 5, 1)},
        {"period win short", TDateTimeStr::CreatePeriodWinShort("05.20"), at(2020, 5, 1)},
        {"period sql not first", TDateTimeStr::CreatePeriodSQL("2020-05-02"), TDateTime()},
        {"garbage", TDateTimeStr("garbage"), TDateTime()},
        {"empty", TDateTimeStr(""), TDateTime()},
        {"wrong order", TDateTimeStr("02.01.2020"), TDateTime()},
        {"trailing text", TDateTimeStr("2020-01-02x"), TDateTime()},
        {"bad time", TDateTimeStr("2020-01-02 25:00:00"), TDateTime()},
        // Dates that name no real day.
        {"feb 30", TDateTimeStr("2021-02-30"), TDateTime()},
        {"feb 29 non-leap", TDateTimeStr("2021-02-29"), TDateTime()},
        {"month 13", TDateTimeStr("2021-13-01"), TDateTime()},
        {"day 0", TDateTimeStr("2021-01-00"), TDateTime()},
        {"year 0", TDateTimeStr("0000-01-01"), TDateTime()},
        {"win apr 31", TDateTimeStr::CreateWin("31.04.2020"), TDateTime()},
        {"feb 29 leap", TDateTimeStr("2020-02-29"), at(2020, 2, 29)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.DateTimeOf(), c.expected);
    }
}

TEST(UDateTimeStr, StateAndTimeOnlyTexts)
{
    TDateTimeStr s = TDateTimeStr::CreateWin("02.01.2020");
    EXPECT_TRUE(s.IsSet());
    EXPECT_EQ(s.Format.ShortDateFormat, "dd.mm.yyyy");
    s.SetEmpty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.DateTimeOf().IsNull());

    EXPECT_NEAR(TDateTimeStr("12:30:00").TimeOf().Value(), 0.5 + 30 / 1440.0, 1e-12);
    EXPECT_TRUE(TDateTimeStr("12:30:00").DateOf().IsNull());
    EXPECT_NEAR(TDateTimeStr::CreateWinFile("123000").TimeOf().Value(), 0.5 + 30 / 1440.0, 1e-12);
    EXPECT_TRUE(TDateTimeStr("garbage").TimeOf().IsNull());
}

TEST(UDateTimeStr, SharedProfilesWriteTheirForms)
{
    const TDateTime v = at(2021, 3, 4, 5, 6, 7);
    struct Case { const TDateTimeFormat *format; const char *expected; };
    const Case cases[] = {
        {&TDateTimeFormat::SQL(), "2021-03-04 05:06:07"},
        {&TDateTimeFormat::Win(), "04.03.2021 05:06:07"},
        {&TDateTimeFormat::Month(), "03.2021 05:06:07"},
        {&TDateTimeFormat::US(), "03/04/2021 05:06:07"},
        {&TDateTimeFormat::Compact(), "20210304 050607"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.format->FormatDateTime(v), QString::fromUtf8(c.expected));
        EXPECT_EQ(c.format->ParseDateTime(QString::fromUtf8(c.expected)),
                  c.format == &TDateTimeFormat::Month() ? at(2021, 3, 1, 5, 6, 7) : v);
    }
    EXPECT_EQ(TDateTimeFormat::Compact().ParseDate(u"20210304"), at(2021, 3, 4));
    EXPECT_TRUE(TDateTimeFormat::Compact().ParseDate(u"2021034").IsNull());
}
