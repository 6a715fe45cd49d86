#include "TestUtil.h"
#include "UJson.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

// The member "v" of a one-member document, so each case reads as the service writes it;
// "{}" gives an absent member.
QJsonValue member(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    EXPECT_TRUE(doc.isObject()) << json;
    return doc.object().value(QLatin1StringView("v"));
}

} // namespace

TEST(UJson, NumbersAndTextsHoldingNumbersReadAlike)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char *json;
        double number; // NaN: not a number
        int32_t integer;
        const char *text;
    };
    const Case cases[] = {
        {R"({"v": 5})", 5, 5, "5"},
        {R"({"v": "5"})", 5, 5, "5"},
        {R"({"v": " 12 "})", 12, 12, " 12 "},
        {R"({"v": -7.9})", -7.9, -7, "-7.9"},
        {R"({"v": "-7.9"})", -7.9, -7, "-7.9"},
        {R"({"v": "1e3"})", 1000, 1000, "1e3"},
        {R"({"v": 2.0})", 2, 2, "2"},
        {R"({"v": 4294967296})", 4294967296.0, 0, "4294967296"},
        {R"({"v": 9007199254740993})", 9007199254740993.0, 0, "9007199254740993"},
        {R"({"v": 0.1})", 0.1, 0, "0.1"},
        {R"({"v": "5,5"})", nan, 0, "5,5"},
        {R"({"v": "12abc"})", nan, 0, "12abc"},
        {R"({"v": ""})", nan, 0, ""},
        {R"({"v": "nan"})", nan, 0, "nan"},
        {R"({"v": "1e999"})", nan, 0, "1e999"},
        {R"({"v": true})", nan, 0, ""},
        {R"({"v": null})", nan, 0, ""},
        {R"({"v": [5]})", nan, 0, ""},
        {R"({"v": {"n": 5}})", nan, 0, ""},
        {R"({})", nan, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.json);
        const QJsonValue v = member(c.json);
        double number = -1;
        EXPECT_EQ(TUJson::AsNumber(v, number), !std::isnan(c.number));
        if (!std::isnan(c.number))
            EXPECT_DOUBLE_EQ(number, c.number);
        else
            EXPECT_EQ(number, -1) << "left as it was";
        EXPECT_DOUBLE_EQ(TUJson::AsFloat(v), std::isnan(c.number) ? 0 : c.number);
        EXPECT_EQ(TUJson::AsInt(v), c.integer);
        EXPECT_EQ(TUJson::AsText(v), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(TUJson::AsInt(member(R"({"v": "x"})"), -1), -1) << "the caller's default";
    EXPECT_EQ(TUJson::AsInt(member(R"({"v": 2147483647})")), 2147483647);
    EXPECT_EQ(TUJson::AsInt(member(R"({"v": "-2147483648"})")), -2147483648);
    EXPECT_EQ(TUJson::AsInt(member(R"({"v": 2147483648})"), 9), 9);
}

TEST(UJson, OnlyTheTextYIsYes)
{
    for (const char *json : {R"({"v": "Y"})"})
        EXPECT_TRUE(TUJson::AsYes(member(json))) << json;
    for (const char *json : {R"({"v": "y"})", R"({"v": "1"})", R"({"v": 1})", R"({"v": true})", R"({"v": "Y "})",
                             R"({"v": "ENABLED"})", R"({})"})
        EXPECT_FALSE(TUJson::AsYes(member(json))) << json;
}
