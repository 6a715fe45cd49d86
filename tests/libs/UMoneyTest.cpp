#include "UMoney.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

TEST(UMoney, FromDoubleRoundsHalvesToEven)
{
    struct Case { double value; int64_t raw; };
    const Case cases[] = {
        {0, 0},
        {1.5, 15000},
        {0.03125, 312},      // exact ties in binary: 312.5 ten-thousandths
        {0.09375, 938},      // 937.5
        {-0.03125, -312},
        {-0.09375, -938},
        {0.00005, 1},        // the double is 5.0000000000000002e-05, just above the tie
        {0.00035, 3},        // the double is just below 0.00035
        {1234.56785, 12345678}, // the double is 1234.567849999...
        {-1234.5, -12345000},
        {0.1, 1000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TMoney::FromDouble(c.value).Raw(), c.raw);
    }
}

TEST(UMoney, RoundToCentsTiesToEven)
{
    struct Case { int64_t raw; int decimals; int64_t expected; };
    const Case cases[] = {
        {125, 2, 100},      // 0.0125 -> 0.01
        {135, 2, 100},      // 0.0135 -> 0.01
        {150, 2, 200},      // 0.015 -> 0.02
        {250, 2, 200},      // 0.025 -> 0.02
        {251, 2, 300},
        {-250, 2, -200},
        {-350, 2, -400},
        {-251, 2, -300},
        {5000, 0, 0},       // 0.5 -> 0
        {15000, 0, 20000},  // 1.5 -> 2
        {12345, 4, 12345},
        {12345, 3, 12340},  // 1.2345 -> 1.234
        {12355, 3, 12360},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw << " to " << c.decimals);
        EXPECT_EQ(TMoney::FromRaw(c.raw).Round(c.decimals).Raw(), c.expected);
    }
}

TEST(UMoney, ArithmeticRoundsOnlyWhereInexact)
{
    const TMoney a = TMoney::FromRaw(10001); // 1.0001
    EXPECT_EQ((a + a).Raw(), 20002);
    EXPECT_EQ((a - TMoney::FromInt(2)).Raw(), -9999);
    EXPECT_EQ((a * int64_t(3)).Raw(), 30003);
    EXPECT_EQ((a / int64_t(2)).Raw(), 5000);  // 0.50005 -> even
    EXPECT_EQ((TMoney::FromRaw(10003) / int64_t(2)).Raw(), 5002); // 0.50015 -> even above
    EXPECT_EQ((TMoney::FromRaw(-10001) / int64_t(2)).Raw(), -5000);
    EXPECT_EQ((TMoney::FromRaw(10001) / int64_t(-2)).Raw(), -5000);
    EXPECT_EQ((TMoney::FromRaw(1) * 0.5).Raw(), 0);
    EXPECT_EQ((TMoney::FromRaw(3) * 0.5).Raw(), 2);
    EXPECT_EQ((TMoney::FromRaw(1) / 2.0).Raw(), 0);
    EXPECT_EQ((TMoney::FromRaw(3) / 2.0).Raw(), 2);
    EXPECT_EQ((TMoney::FromRaw(10) / 3.0).Raw(), 3);
    EXPECT_EQ((TMoney::FromRaw(10) / -4.0).Raw(), -2); // -2.5 -> -2
    EXPECT_EQ((TMoney::FromInt(100) * 0.07).Raw(), 70000);
    EXPECT_DOUBLE_EQ(TMoney::FromRaw(-12345).ToDouble(), -1.2345);
    EXPECT_LT(TMoney::FromRaw(-1), TMoney());
    EXPECT_EQ(TMoney::FromRaw(-12345).Trunc(), -1);
    EXPECT_EQ(TMoney::FromRaw(-12345).FracRaw(), -2345);
}

TEST(UMoney, OverflowIsReportedNotWrapped)
{
    const TMoney max = TMoney::FromRaw(std::numeric_limits<int64_t>::max());
    EXPECT_THROW(max + TMoney::FromRaw(1), std::overflow_error);
    EXPECT_THROW(max * int64_t(2), std::overflow_error);
    EXPECT_THROW(-TMoney::FromRaw(std::numeric_limits<int64_t>::min()), std::overflow_error);
    EXPECT_THROW(TMoney::FromDouble(1e300), std::overflow_error);
    EXPECT_THROW(TMoney::FromDouble(std::numeric_limits<double>::quiet_NaN()), std::overflow_error);
    EXPECT_THROW(TMoney::FromInt(1) / int64_t(0), std::overflow_error);
    EXPECT_THROW(TMoney::FromInt(std::numeric_limits<int64_t>::max() / 1000), std::overflow_error);
}
