#include "TestUtil.h"
#include "UConv.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

TMoney money(double v)
{
    return TMoney::FromDouble(v);
}

} // namespace

TEST(UConvNumbers, StrToFloatReadsOnlyTheMachineForm)
{
    const double def = -999;
    struct Case { const char *text; double expected; };
    const Case cases[] = {
        {" 12.5 ", 12.5}, {"12,5", def}, {"-.5", -0.5}, {"5.", 5}, {"+3", 3}, {"1e3", 1000},
        {"1.5E-2", 0.015}, {"\t7\n", 7}, {"", def}, {".", def}, {"-", def}, {"1e", def},
        {"1 000", def}, {"0x10", def}, {"inf", def}, {"nan", def}, {"1e400", def}, {"12a", def},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TUConv::StrToFloat(QString::fromUtf8(c.text), def), c.expected);
        EXPECT_EQ(TUConv::IsValidFloat(QString::fromUtf8(c.text)), c.expected != def);
    }
}

TEST(UConvNumbers, StrToFloatExceptRaisesConversionError)
{
    EXPECT_EQ(TUConv::StrToFloatExcept(" 2.25"), 2.25);
    try {
        TUConv::StrToFloatExcept("12,5");
        FAIL() << "no error";
    } catch (const EUConvertError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'12,5' is not a valid floating point value"));
    }
}

TEST(UConvNumbers, FloatToStrIsShortestWithFifteenDigits)
{
    struct Case { double value; const char *expected; };
    const Case cases[] = {
        {0, "0"}, {12.5, "12.5"}, {-0.1, "-0.1"}, {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"}, {123456789012345.0, "123456789012345"}, {1e15, "1E15"},
        {1e20, "1E20"}, {1e-5, "0.00001"}, {1.5e-6, "1.5E-6"}, {-2.5e-10, "-2.5E-10"},
        {100, "100"}, {std::numeric_limits<double>::infinity(), "INF"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(TUConv::FloatToStr(c.value), QString::fromUtf8(c.expected));
    }
}

TEST(UConvNumbers, FloatFormatFollowsThePattern)
{
    struct Case { const char *format; double value; const char *expected; };
    const Case cases[] = {
        {"0.00", 1234.5, "1234.50"},
        {"#,##0.00", 1234.5, "1234.50"}, // the machine profile has no thousands separator
        {"0.##", 1, "1"},
        {"0.##", 1.5, "1.5"},
        {"0.00", 0.125, "0.13"},   // halves away from zero, as written
        {"0.00", -0.125, "-0.13"},
        {"0.00", 2.675, "2.67"},   // the double is just below 2.675
        {"0", -0.4, "0"},          // no "-0"
        {"00000", 42, "00042"},
        {"#", 0, ""},
        {"0", 1e10, "10000000000"},
        {"0.0;(0.0);zero", -1.25, "(1.3)"},
        {"0.0;(0.0);zero", 0.01, "zero"},
        {"0.0;;zero", -2, "-2.0"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"0.0E-0", 99.96, "1.0E2"},
        {"'x'0\" y\"", 5, "x5 y"},
        {"", 1.5, "1.5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.value);
        EXPECT_EQ(TUConv::FloatFormat(QString::fromUtf8(c.format), c.value), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(TUConv::FloatFormat("0.0", "2.25"), "2.3");
    EXPECT_EQ(TUConv::FloatFormat("0.0", "2,25"), "0.0");
}

TEST(UConvMoney, StrToMoneyIsExactWithTiesToEven)
{
    const TMoney def = TMoney::FromRaw(-1);
    struct Case { const char *text; int64_t raw; };
    const Case cases[] = {
        {" 12.345 ", 123450}, {"1.00005", 10000}, {"1.00015", 10002}, {"1.000051", 10001},
        {"-1.00015", -10002}, {"-0.00005", 0}, {"0.00004999", 0}, {"1e2", 1000000},
        {"15E-5", 2}, {"0", 0}, {"-0.0", 0},
        {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
        {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
        {"922337203685477.5808", -1}, {"1e30", -1}, {"12,5", -1}, {"abc", -1}, {"", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TUConv::StrToMoney(QString::fromUtf8(c.text), 2, def).Raw(), c.raw);
    }
}

TEST(UConvMoney, MoneyTextsInBothProfiles)
{
    struct Case { int64_t raw; int decimals; const char *machine; const char *display; };
    const Case cases[] = {
        {12345000, 2, "1234.50", "1 234,50"},
        {-50000, 2, "-5.00", "-5,00"},
        {50, 2, "0.00", "0,00"},     // half a cent, ties to even
        {150, 2, "0.02", "0,02"},
        {250, 2, "0.02", "0,02"},
        {-250, 2, "-0.02", "-0,02"},
        {-40, 2, "0.00", "0,00"},    // no "-0.00"
        {12345000, 0, "1234", "1 234"},
        {12355000, 0, "1236", "1 236"},
        {15000, 6, "1.500000", "1,500000"},
        {-12345678912, 2, "-1234567.89", "-1 234 567,89"},
        {9990000, 2, "999.00", "999,00"},
        {10000000, 1, "1000.0", "1 000,0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw << " / " << c.decimals);
        EXPECT_EQ(TUConv::MoneyToStr(TMoney::FromRaw(c.raw), c.decimals), QString::fromUtf8(c.machine));
        EXPECT_EQ(TUConv::MoneyToStrExt(TMoney::FromRaw(c.raw), c.decimals), QString::fromUtf8(c.display));
    }
    EXPECT_EQ(TUConv::StrMoney("  7.1 ", 2, "x"), "7.10");
    EXPECT_EQ(TUConv::StrMoney("7,1", 2, "x"), "x");
    EXPECT_EQ(TUConv::StrMoney("0.005", 2, "x"), "0.00");
}

TEST(UConvNumbers, IntegersFollowThePlatformSyntax)
{
    struct Case { const char *text; bool valid; int32_t value; };
    const Case cases[] = {
        {"42", true, 42}, {" -17 ", true, -17}, {"+5", true, 5},
        {"2147483647", true, 2147483647}, {"-2147483648", true, std::numeric_limits<int32_t>::min()},
        {"2147483648", false, 0}, {"$FF", true, 255}, {"0x10", true, 16}, {"x1f", true, 31},
        {"-$1", true, -1}, {"$FFFFFFFF", true, -1}, {"$100000000", false, 0},
        {"", false, 0}, {"-", false, 0}, {"$", false, 0}, {"1.0", false, 0}, {"12a", false, 0},
        {"1 2", false, 0}, {"٣", false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(TUConv::IsValidInt(text), c.valid);
        if (c.valid)
            EXPECT_EQ(TUConv::StrToIntVal(text), c.value);
        else
            EXPECT_THROW(TUConv::StrToIntVal(text), EUConvertError);
    }
    EXPECT_TRUE(TUConv::IsHexInt(" x1F"));
    EXPECT_TRUE(TUConv::IsHexInt("-X1"));
    EXPECT_FALSE(TUConv::IsHexInt("$1F"));
    EXPECT_FALSE(TUConv::IsHexInt("0x1F"));
    EXPECT_FALSE(TUConv::IsHexInt("X"));
    EXPECT_FALSE(TUConv::IsHexInt("XG"));
}

TEST(UConvNumbers, CleaningKeepsOnlyNumberCharacters)
{
    struct Case { const char *text; const char *money; const char *integer; const char *unsignedInt; };
    const Case cases[] = {
        {" -1 234,50р. ", "-1234.50", "-123450", "123450"},
        {"12.", "12", "12", "12"},
        {"5-3", "53", "53", "53"},
        {".5", "5", "5", "5"},
        {"1,5", "1.5", "15", "15"},
        {"1.2.3", "1.2.3", "123", "123"},
        {"-", "-", "-", ""},
        {"", "", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(TUConv::MoneyStrPrepare(text), QString::fromUtf8(c.money));
        EXPECT_EQ(TUConv::IntStrPrepare(text), QString::fromUtf8(c.integer));
        EXPECT_EQ(TUConv::UIntStrPrepare(text), QString::fromUtf8(c.unsignedInt));
    }
}

TEST(UConvText, BooleansAndHelpers)
{
    EXPECT_FALSE(TUConv::StrToBooleanNum("0"));
    EXPECT_TRUE(TUConv::StrToBooleanNum(" 0"));
    EXPECT_TRUE(TUConv::StrToBooleanNum(""));
    EXPECT_EQ(TUConv::BooleanToStrNum(true), "1");
    EXPECT_TRUE(TUConv::StrToBooleanYN("y"));
    EXPECT_FALSE(TUConv::StrToBooleanYN("Y "));
    EXPECT_EQ(TUConv::BooleanToStrYN(false), "N");

    EXPECT_EQ(TUConv::Complete(int64_t(7), 3, u'0'), "007");
    EXPECT_EQ(TUConv::Complete(int64_t(1234), 3, u'0'), "1234");
    EXPECT_EQ(TUConv::Complete(QStringLiteral("ab"), 4, u'*'), "**ab");
    EXPECT_EQ(TUConv::Complete(QStringLiteral("ab"), 4, QChar()), "ab");
    EXPECT_EQ(TUConv::Complete(QStringLiteral("abcd"), QStringLiteral("12")), "ab12");
    EXPECT_EQ(TUConv::Complete(QStringLiteral("ab"), QStringLiteral("123")), "123");
    EXPECT_EQ(TUConv::UpperCaseFirst(QStringLiteral("щит")), QStringLiteral("Щит"));
    EXPECT_EQ(TUConv::UpperCaseFirst(""), "");
    EXPECT_EQ(TUConv::StrRepeat("ab", 3), "ababab");
    EXPECT_EQ(TUConv::StrRepeat("ab", -1), "");
    EXPECT_EQ(TUConv::StrFormat(" (050) 123-45 ", "()- "), "05012345");
    EXPECT_EQ(TUConv::StrEscape(" a\\b'c ", u'\'', u'\\'), "ab\\'c");
    EXPECT_EQ(TUConv::StrFirst("key=value=x", "="), "key");
    EXPECT_EQ(TUConv::StrFirst("key", "="), "key");
    EXPECT_EQ(TUConv::StrFirst("key", ""), "key");
    EXPECT_EQ(TUConv::StrMatch("a1b2c3", "0123456789"), "123");
    EXPECT_TRUE(TUConv::StrWeakCompare(QStringLiteral(" Киев "), QStringLiteral("КИЕВ")));
    EXPECT_FALSE(TUConv::StrWeakCompare("a b", "ab"));
}

namespace {

// The matching rule exactly as it has always been described, with its backtracking.
bool referenceMatch(QStringView s, QStringView p)
{
    if (p == u"*")
        return true;
    if (s.isEmpty())
        return p.isEmpty();
    if (p.isEmpty())
        return false;
    if (p[0] == u'*')
        return referenceMatch(s, p.mid(1)) || referenceMatch(s.mid(1), p);
    if (p[0] == u'?' || p[0] == s[0])
        return referenceMatch(s.mid(1), p.mid(1));
    return false;
}

} // namespace

TEST(UConvPattern, TableOfCases)
{
    struct Case { const char *source; const char *pattern; bool caseSens; bool expected; };
    const Case cases[] = {
        {"Invoice_2020.docx", "*.DOCX", false, true},
        {"Invoice_2020.docx", "*.DOCX", true, false},
        {"abc", "a?c", true, true},
        {"ac", "a?c", true, false},
        {"", "*", true, true},
        {"", "", true, true},
        {"", "**", true, false},   // at the end of the source only the end of the pattern matches
        {"a", "a**", true, false},
        {"a", "a*", true, true},
        {"ab", "*b*", true, true},
        {"abc", "*", true, true},
        {"abc", "", true, false},
        {"abc", "ab", true, false},
        {"ab", "abc", true, false},
        {"abc", "?*", true, true},
        {"abc", "*c", true, true},
        {"abc", "*b", true, false},
        {"Щит №5", "щ*5", false, true},
        {"Щит №5", "щ*5", true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " ~ " << c.pattern);
        EXPECT_EQ(TUConv::StrMatchPattern(QString::fromUtf8(c.source), QString::fromUtf8(c.pattern), c.caseSens),
                  c.expected);
    }
}

TEST(UConvPattern, OnlyTheFirst512CharactersCount)
{
    const QString longA(600, u'a');
    EXPECT_TRUE(TUConv::StrMatchPattern(longA + "b", QString(512, u'a'), true));
    EXPECT_FALSE(TUConv::StrMatchPattern(QString(511, u'a') + "b", QString(512, u'a'), true));
    EXPECT_TRUE(TUConv::StrMatchPattern(longA, QString(512, u'a') + "b", true));
    EXPECT_TRUE(TUConv::StrMatchPattern(longA, QString(511, u'?') + "a", true));
}

TEST(UConvPattern, AgreesWithTheBacktrackingRuleOnRandomInputs)
{
    QRandomGenerator rng(20240501);
    const char16_t sourceChars[] = u"ab";
    const char16_t patternChars[] = u"ab*?";
    for (int round = 0; round < 20000; ++round) {
        QString s, p;
        const int sl = rng.bounded(8), pl = rng.bounded(8);
        for (int i = 0; i < sl; ++i)
            s += QChar(sourceChars[rng.bounded(2)]);
        for (int i = 0; i < pl; ++i)
            p += QChar(patternChars[rng.bounded(4)]);
        ASSERT_EQ(uconv_detail::MatchPattern(s, p), referenceMatch(s, p)) << s.toStdString() << " ~ " << p.toStdString();
    }
}

TEST(UConvPattern, WorkIsBoundedByTheProductOfLengths)
{
    // The backtracking rule takes exponential time here.
    const QString source(512, u'a');
    for (const QString &pattern : {QStringLiteral("*a*a*a*a*a*a*a*a*b"), QString(40, u'*') + "b",
                                   QStringLiteral("*").repeated(20) + "a" + QStringLiteral("*").repeated(19)}) {
        SCOPED_TRACE(pattern.toStdString());
        int64_t steps = 0;
        uconv_detail::MatchPattern(source, pattern, &steps);
        EXPECT_LE(steps, int64_t(source.size() + 1) * (pattern.size() + 1));
    }
    EXPECT_FALSE(TUConv::StrMatchPattern(QString(512, u'a'), "*a*a*a*a*a*a*a*a*b", true));
    EXPECT_TRUE(TUConv::StrMatchPattern(QString(512, u'a'), QString(40, u'*'), true));
}

TEST(UConvWords, RussianNumbers)
{
    const char *const oneToNineteen[] = {
        "одна", "две", "три", "четыре", "пять", "шесть", "семь", "восемь", "девять", "десять",
        "одиннадцать", "двенадцать", "тринадцать", "четырнадцать", "пятнадцать", "шестнадцать",
        "семнадцать", "восемнадцать", "девятнадцать"};
    for (int n = 1; n <= 19; ++n)
        EXPECT_EQ(TUConv::IntToText(n, lnRU), QString::fromUtf8(oneToNineteen[n - 1])) << n;

    struct Case { int64_t value; const char *expected; };
    const Case cases[] = {
        {0, "ноль"},
        {21, "двадцать одна"},
        {101, "сто одна"},
        {111, "сто одиннадцать"},
        {1000, "одна тысяча"},
        {2000, "две тысячи"},
        {5000, "пять тысяч"},
        {11000, "одиннадцать тысяч"},
        {21000, "двадцать одна тысяча"},
        {1234, "одна тысяча двести тридцать четыре"},
        {1000000, "один миллион"},
        {2000000, "два миллионы"},
        {14000000, "четырнадцать миллионов"},
        {22000000, "двадцать два миллионы"},
        {1000000001, "один миллиард одна"},
        {12000000000, "двенадцать миллиардов"},
        {999999999999, "девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
                       "девятьсот девяносто девять тысяч девятьсот девяносто девять"},
        {-7, "семь"},
        {-1002, "одна тысяча две"},
        // Beyond 999 billions the count of billions is itself written in words.
        {1000000000000, "одна тысяча миллиардов"},
        {2002000000000, "две тысячи два миллиарды"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TUConv::IntToText(c.value, lnRU), QString::fromUtf8(c.expected));
    }
    EXPECT_FALSE(TUConv::IntToText(std::numeric_limits<int64_t>::min(), lnRU).isEmpty());
}

TEST(UConvWords, UkrainianAndEnglishNumbers)
{
    struct Case { int64_t value; TLanguage lang; const char *expected; };
    const Case cases[] = {
        {0, lnUA, "ноль"},
        {2, lnUA, "двi"},                // Latin i
        {11, lnUA, "одинадцять"},
        {21, lnUA, "двадцять одна"},
        {101, lnUA, "сто одна"},
        {2000, lnUA, "двi тисячі"},      // Ukrainian і in the group name
        {5012, lnUA, "п'ять тисяч дванадцять"},
        {17000, lnUA, "сiмнадцять тисяч"},
        {1000000, lnUA, "один мiльйон"},
        {2000000, lnUA, "два мiльйони"},
        {13000000, lnUA, "тринадцять мiльйонiв"},
        {1000000001, lnUA, "один мiльярд одна"},
        {5000000000, lnUA, "п'ять мiльярдiв"},
        {-296, lnUA, "двiстi дев'яносто шiсть"},
        {0, lnEN, "zero"},
        {13, lnEN, "thirteen"},
        {21, lnEN, "twenty one"},
        {101, lnEN, "one hundred one"},
        {1000, lnEN, "one thousand"},
        {15000, lnEN, "fifteen thousand"},
        {1000001, lnEN, "one million one"},
        {2000000, lnEN, "two million"},
        {19000000, lnEN, "nineteen million"},
        {1000000001, lnEN, "one billion one"},
        {-42, lnEN, "forty two"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " lang " << int(c.lang));
        EXPECT_EQ(TUConv::IntToText(c.value, c.lang), QString::fromUtf8(c.expected));
    }
    // The words the documents expect use the Latin "i" in Ukrainian, except in "тисячі".
    EXPECT_TRUE(TUConv::IntToText(2, lnUA).contains(QChar(0x69)));
    EXPECT_TRUE(TUConv::IntToText(2000, lnUA).endsWith(QChar(0x456)));
}

TEST(UConvWords, MoneyInWords)
{
    struct Case { int64_t raw; TLanguage lang; const char *expected; };
    const Case cases[] = {
        {12345000, lnRU, "одна тысяча двести тридцать четыре грн. 50 коп."},
        {700, lnRU, "ноль грн. 07 коп."},
        {50, lnRU, "ноль грн. 00 коп."},     // half a kopeck: ties to even
        {150, lnRU, "ноль грн. 02 коп."},
        {9950, lnRU, "одна грн. 00 коп."},  // rounds up into the next whole unit
        {-12345000, lnRU, "одна тысяча двести тридцать четыре грн. 50 коп."},
        {210000, lnEN, "twenty one грн. 00 коп."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(TUConv::MoneyToText(TMoney::FromRaw(c.raw), c.lang, QStringLiteral("грн."), QStringLiteral("коп.")),
                  QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(TUConv::MoneyToText(money(3), lnEN, "", ""), QStringLiteral("three  00")); // inner blanks stay
}

TEST(UConvColors, HexPairsRedFirst)
{
    EXPECT_EQ(TUConv::RGBHexToColor("FF0000"), 0x0000FFu);
    EXPECT_EQ(TUConv::RGBHexToColor("00ff80"), 0x80FF00u);
    EXPECT_EQ(TUConv::RGBHexToColor("FFZZ10"), 0x1000FFu); // a bad pair gives 0 for its part
    EXPECT_EQ(TUConv::RGBHexToColor("ABC"), 0x0000ABu);
    EXPECT_EQ(TUConv::RGBHexToColor("#FF0000"), RGBToColor(0, 0xF0, 0));
    EXPECT_EQ(TUConv::RGBHexToColor(""), 0u);
    EXPECT_EQ(TUConv::ColorToRGBHex(0x0000FF), "FF0000");
    EXPECT_EQ(TUConv::ColorToRGBHex(clNone), "FFFFFF");
    EXPECT_EQ(TUConv::ColorToRGBHex(RGBToColor(1, 0xAB, 0x2C)), "01AB2C");
    EXPECT_EQ(TUConv::ColorToRGBHex(0xFF000005), "FFFFFF"); // the window colour by default
    SetSysColorResolver([](int index) -> TColor { return index == 5 ? RGBToColor(1, 2, 3) : 0; });
    EXPECT_EQ(TUConv::ColorToRGBHex(0xFF000005), "010203");
    SetSysColorResolver(nullptr);
}

TEST(UConvBases, RoundTripsAndInvalidDigits)
{
    struct Case { int base; int64_t value; const char *digits; };
    const Case cases[] = {
        {2, 0, "0"}, {2, 5, "101"}, {8, 64, "100"}, {16, 255, "FF"}, {36, 35, "Z"},
        {36, 1295, "ZZ"}, {16, std::numeric_limits<int64_t>::max(), "7FFFFFFFFFFFFFFF"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.digits);
        EXPECT_EQ(TUConv::DecToBaseN(c.base, c.value), QString::fromUtf8(c.digits));
        EXPECT_EQ(TUConv::BaseNToDec(c.base, QString::fromUtf8(c.digits).toLower()), c.value);
    }
    EXPECT_EQ(TUConv::DecToBin(6), "110");
    EXPECT_EQ(TUConv::DecToOct(8), "10");
    EXPECT_EQ(TUConv::DecToHex(4096), "1000");
    EXPECT_EQ(TUConv::DecToHex(-1), "");
    EXPECT_EQ(TUConv::BinToDec("102"), 0);
    EXPECT_EQ(TUConv::OctToDec("17"), 15);
    EXPECT_EQ(TUConv::HexToDec("fF"), 255);
    EXPECT_EQ(TUConv::HexToDec("G"), 0);
    EXPECT_EQ(TUConv::BaseNToDec(37, "1"), 0);
    EXPECT_EQ(TUConv::BaseNToDec(1, "0"), 0);
    EXPECT_EQ(TUConv::HexToDec("10000000000000000"), 0); // beyond 64 bits
    EXPECT_EQ(TUConv::HexToBin("A1"), "10100001");
    EXPECT_EQ(TUConv::HexToBin("AG"), "");
    EXPECT_EQ(TUConv::BinToHex("11111"), "1F");
    EXPECT_EQ(TUConv::BinToHex("0000"), "0");
    EXPECT_EQ(TUConv::BinToHex("12"), "");
}

TEST(UConvEmail, AddressesAndLists)
{
    struct Case { const char *value; bool valid; };
    const Case cases[] = {
        {"a@ab.cd", true},
        {"a@b.cd", false},       // domain shorter than 5
        {"a@abc.d", false},      // one character after the dot
        {"a b@ab.cd", false},
        {"@ab.cd", false},
        {"ab.cd", false},
        {"a@ab.c.d", true},      // counted from the first dot
        {"a@abcde", false},
        {"a@a@b.cd", false},
        {"Ivan.Petrov_1-2@mail.example.com", true},
        {"иван@mail.ru", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TUConv::IsValidEmail(QString::fromUtf8(c.value)), c.valid);
    }
    EXPECT_TRUE(TUConv::IsValidEmailList("a@ab.cd;b@ab.cd"));
    EXPECT_TRUE(TUConv::IsValidEmailList("a@ab.cd,b@ab.cd"));
    EXPECT_FALSE(TUConv::IsValidEmailList("a@ab.cd, b@ab.cd"));
    EXPECT_FALSE(TUConv::IsValidEmailList("a@ab.cd;"));
    EXPECT_FALSE(TUConv::IsValidEmailList(""));
}

TEST(UConvMisc, RepairAndUniqueId)
{
    // "Щит" whose characters carry the Windows-1251 codes 0xD9 0xE8 0xF2.
    const QString broken = QString(QChar(0xD9)) + QChar(0xE8) + QChar(0xF2);
    EXPECT_EQ(TUConv::Win1251UniToString(broken), QStringLiteral("Щит"));
    EXPECT_EQ(TUConv::Win1251UniToString("abc"), "abc");
    const QString id = TUConv::GenerateUniqueID();
    EXPECT_TRUE(QRegularExpression("^[0-9]{12,}$").match(id).hasMatch()) << id.toStdString();
}
