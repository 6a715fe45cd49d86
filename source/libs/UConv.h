#pragma once

#include "UColor.h"
#include "UException.h"
#include "UMoney.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// The language of number words.
enum TLanguage : uint8_t { lnRU, lnUA, lnEN };

// A text that is not the number the caller asked for (StrToFloatExcept, StrToIntVal).
class EUConvertError : public EUError {
public:
    using EUError::EUError;
};

// The system's fixed text rules for numbers, money, colours and small text helpers. Numbers are
// read and written with "." and no grouping whatever the workstation's locale; money for
// display uses "," and blank grouping. "Trimmed" means control characters and blanks removed
// from both ends.
class TUConv {
public:
    TUConv() = delete;

    // Numbers and money.
    static double StrToFloat(const QString &str, double defaultValue = 0);
    static double StrToFloatExcept(const QString &str);
    static QString FloatToStr(double value);
    // Format pattern: "0" and "#" digit places, "." the decimal point, "E+"/"E-" the exponent,
    // quoted literals, up to three ";"-separated sections (positive; negative; zero). A ","
    // would group thousands, but the machine profile has no thousands separator.
    static QString FloatFormat(const QString &format, double value);
    static QString FloatFormat(const QString &format, const QString &value);
    static TMoney StrToMoney(const QString &str, int decimals = 2, TMoney defaultValue = TMoney());
    static QString MoneyToStr(TMoney money, int decimals = 2);
    static QString MoneyToStrExt(TMoney money, int decimals = 2);
    static QString StrMoney(const QString &str, int decimals = 2, const QString &defaultValue = QString());
    static int32_t StrToIntVal(const QString &str);
    static bool IsValidInt(const QString &str);
    static bool IsHexInt(const QString &str);
    static bool IsValidFloat(const QString &str);
    static QString MoneyStrPrepare(const QString &str);
    static QString IntStrPrepare(const QString &str);
    static QString UIntStrPrepare(const QString &str);
    static bool StrToBooleanNum(const QString &str);
    static QString BooleanToStrNum(bool value);
    static bool StrToBooleanYN(const QString &str);
    static QString BooleanToStrYN(bool value);

    // Text helpers.
    static QString Complete(int64_t value, int minLen, QChar sym);
    static QString Complete(const QString &str, int minLen, QChar sym);
    static QString Complete(const QString &templ, const QString &str);
    static QString UpperCaseFirst(const QString &str);
    // Characters with codes up to the blank removed at both ends.
    static QString Trim(QStringView str);
    // Only the Latin letters a-z upper-cased (key names of the kept files).
    static QString UpperCaseAscii(QStringView str);
    static QString StrRepeat(const QString &str, int count);
    static QString StrFormat(const QString &str, const QString &chars);
    static QString StrEscape(const QString &str, QChar escapeChar, QChar slashChar);
    static QString StrFirst(const QString &str, const QString &delimeter);
    static QString StrMatch(const QString &str, const QString &templ);
    static bool StrMatchPattern(const QString &source, const QString &pattern, bool caseSens);
    static bool StrWeakCompare(const QString &str1, const QString &str2);

    // Words for documents.
    static QString IntToText(int64_t value, TLanguage lang);
    static QString MoneyToText(TMoney value, TLanguage lang, const QString &curHi, const QString &curLo);

    static QString GenerateUniqueID();

    // Colours as six hexadecimal digits, red first.
    static QString ColorToRGBHex(TColor value);
    static TColor RGBHexToColor(const QString &hex);

    // Base conversions; a negative number gives the empty text.
    static QString DecToBin(int64_t dec);
    static QString DecToOct(int64_t dec);
    static QString DecToHex(int64_t dec);
    static QString DecToBaseN(int base, int64_t dec);
    // 0 for a digit outside the base, a base outside 2..36, or a value beyond 64 bits.
    static int64_t BinToDec(const QString &num);
    static int64_t OctToDec(const QString &num);
    static int64_t HexToDec(const QString &num);
    static int64_t BaseNToDec(int base, const QString &num);
    // The empty text when a digit is not valid.
    static QString HexToBin(const QString &hex);
    static QString BinToHex(const QString &bin);

    static bool IsValidEmail(const QString &value);
    static bool IsValidEmailList(const QString &value);

    static QString Win1251UniToString(const QString &str);
};

namespace uconv_detail {
// The wildcard match on texts already cut and case-folded. When `steps` is given it receives
// the number of match states visited, so tests can bound the work.
bool MatchPattern(QStringView source, QStringView pattern, int64_t *steps = nullptr);
} // namespace uconv_detail
