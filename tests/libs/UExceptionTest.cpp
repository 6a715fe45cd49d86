#include "TestUtil.h"
#include "UException.h"

#include <gtest/gtest.h>

TEST(UException, AssertionCarriesItsTextAndIsAnError)
{
    try {
        UAssert(false, QStringLiteral("AList must be assigned"));
        FAIL() << "no exception";
    } catch (const EUError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("AList must be assigned"));
        EXPECT_STREQ(e.what(), "AList must be assigned");
        EXPECT_NE(dynamic_cast<const EUAssertion *>(&e), nullptr);
    }
    EXPECT_NO_THROW(UAssert(true, QStringLiteral("unused")));
}
