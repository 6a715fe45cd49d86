#include "UDateTime.h"

#include <gtest/gtest.h>

TEST(UDateTime, DayCountMatchesTheCalendar)
{
    struct Case { int y, m, d, h, n, s; double value; };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0, 0},
        {1899, 12, 31, 0, 0, 0, 1},
        {1900, 1, 1, 12, 0, 0, 2.5},
        {1899, 12, 29, 6, 0, 0, -1.25}, // before day 0 the time still counts forward
        {2020, 1, 2, 3, 4, 5, 43832 + (3 * 3600 + 4 * 60 + 5) / 86400.0},
        {2000, 2, 29, 0, 0, 0, 36585},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        const TDateTime dt = TDateTime::FromDateTime(QDate(c.y, c.m, c.d), QTime(c.h, c.n, c.s));
        EXPECT_NEAR(dt.Value(), c.value, 1e-9);
        if (c.value != 0) {
            EXPECT_EQ(dt.ToDate(), QDate(c.y, c.m, c.d));
            EXPECT_EQ(dt.ToTime(), QTime(c.h, c.n, c.s));
        }
    }
}

TEST(UDateTime, NullMeansNoDate)
{
    EXPECT_TRUE(TDateTime().IsNull());
    EXPECT_FALSE(TDateTime().ToQDateTime().isValid());
    EXPECT_TRUE(TDateTime::FromDate(QDate()).IsNull());
    EXPECT_TRUE(TDateTime::FromQDateTime(QDateTime()).IsNull());
    EXPECT_FALSE(TDateTime::Now().IsNull());
}

TEST(UDateTime, DaysThatDoNotExistGiveNull)
{
    EXPECT_TRUE(TDateTime::Encode(2021, 2, 29).IsNull());
    EXPECT_TRUE(TDateTime::Encode(2020, 13, 1).IsNull());
    EXPECT_TRUE(TDateTime::Encode(2020, 4, 31).IsNull());
    EXPECT_TRUE(TDateTime::Encode(0, 1, 1).IsNull());
    EXPECT_TRUE(TDateTime::Encode(2020, 1, 1, 24, 0, 0).IsNull());
    EXPECT_FALSE(TDateTime::Encode(2020, 2, 29).IsNull());
}

TEST(UDateTime, MillisecondRoundingCarriesIntoTheNextDay)
{
    const TDateTime almost(43832.99999999999);
    EXPECT_EQ(almost.ToDate(), QDate(2020, 1, 3));
    EXPECT_EQ(almost.ToTime(), QTime(0, 0));
    const TDateTime t = TDateTime::FromDateTime(QDate(2020, 1, 2), QTime(23, 59, 59, 999));
    EXPECT_EQ(t.ToQDateTime(), QDateTime(QDate(2020, 1, 2), QTime(23, 59, 59, 999)));
    EXPECT_EQ(t.DatePart().Value(), 43832);
    EXPECT_LT(TDateTime::FromDate(QDate(2020, 1, 2)), t);
}

TEST(UDateTime, NowIsTheLocalClock)
{
    // Read a few times, so both the first reading of a minute and the kept offset are checked.
    for (int i = 0; i < 3; ++i) {
        const TDateTime before = TDateTime::FromQDateTime(QDateTime::currentDateTime());
        const TDateTime now = TDateTime::Now();
        const TDateTime after = TDateTime::FromQDateTime(QDateTime::currentDateTime());
        EXPECT_LE(before, now);
        EXPECT_LE(now, after);
    }
}
