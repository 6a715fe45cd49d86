#include "UConv.h"

#include "UCodePage.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Trimming as the system has always done it: every character up to the blank counts.
QStringView trimView(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QString trim(const QString &s)
{
    return trimView(s).toString();
}

// Upper case one code unit at a time, so lengths never change.
QString upper(QStringView s)
{
    QString r(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        r[i] = s[i].toUpper();
    return r;
}

// The machine number form: [+|-] digits [. digits] [(e|E) [+|-] digits], at least one digit
// before the exponent. Splits it into its parts; false for anything else.
struct TNumberText {
    bool negative = false;
    std::string digits;   // integer and fraction digits together
    int fractionDigits = 0;
    int exponent = 0;
};

bool scanNumber(QStringView s, TNumberText &n)
{
    qsizetype i = 0;
    const qsizetype len = s.size();
    if (i < len && (s[i] == u'+' || s[i] == u'-'))
        n.negative = s[i++] == u'-';
    bool any = false;
    while (i < len && isDigit(s[i])) {
        n.digits += char(s[i++].unicode());
        any = true;
    }
    if (i < len && s[i] == u'.') {
        ++i;
        while (i < len && isDigit(s[i])) {
            n.digits += char(s[i++].unicode());
            ++n.fractionDigits;
            any = true;
        }
    }
    if (!any)
        return false;
    if (i < len && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < len && (s[i] == u'+' || s[i] == u'-'))
            expNegative = s[i++] == u'-';
        if (i == len || !isDigit(s[i]))
            return false;
        int e = 0;
        while (i < len && isDigit(s[i])) {
            if (e < 100000) // far beyond any double; keeps the sum from overflowing
                e = e * 10 + (s[i].unicode() - u'0');
            ++i;
        }
        n.exponent = expNegative ? -e : e;
    }
    return i == len;
}

bool parseFloat(QStringView text, double &out)
{
    TNumberText n;
    if (!scanNumber(trimView(text), n))
        return false;
    // Rebuilt in the one form from_chars reads, which never consults the locale.
    std::string buf;
    if (n.negative)
        buf += '-';
    buf += n.digits.empty() ? std::string("0") : n.digits;
    buf += 'e';
    buf += std::to_string(n.exponent - n.fractionDigits);
    double v = 0;
    const auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (ec != std::errc() || ptr != buf.data() + buf.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// An exact decimal reading into ten-thousandths, ties to even.
bool parseMoney(QStringView text, TMoney &out)
{
    TNumberText n;
    if (!scanNumber(trimView(text), n))
        return false;
    std::string d = n.digits;
    const size_t nz = d.find_first_not_of('0');
    if (nz == std::string::npos) {
        out = TMoney();
        return true;
    }
    d.erase(0, nz);
    // value = d * 10^shift ten-thousandths
    const int64_t shift = int64_t(n.exponent) - n.fractionDigits + 4;
    const int64_t intLen = int64_t(d.size()) + shift; // digits of the integral result
    if (intLen > 19)
        return false;
    unsigned __int128 r = 0;
    for (int64_t i = 0; i < intLen; ++i)
        r = r * 10 + (i < int64_t(d.size()) ? unsigned(d[size_t(i)] - '0') : 0u);
    if (intLen < int64_t(d.size())) {
        const int64_t first = std::max<int64_t>(intLen, 0);
        // Digits dropped: compare them with one half.
        int cmp; // <0 below half, 0 exactly half, >0 above
        if (intLen < 0) {
            cmp = -1; // even the first dropped digit is a leading zero
        } else {
            const char lead = d[size_t(first)];
            cmp = lead > '5' ? 1 : lead < '5' ? -1 : 0;
            if (cmp == 0 && d.find_first_not_of('0', size_t(first) + 1) != std::string::npos)
                cmp = 1;
        }
        if (cmp > 0 || (cmp == 0 && (r & 1) != 0))
            ++r;
    }
    const unsigned __int128 limit = (unsigned __int128)std::numeric_limits<int64_t>::max() + (n.negative ? 1 : 0);
    if (r > limit)
        return false;
    out = TMoney::FromRaw(n.negative ? int64_t(-(__int128)r) : int64_t(r));
    return true;
}

// The platform's integer syntax: [+|-] then decimal digits, or hexadecimal after "$", "x" or
// "0x" (any case). Hexadecimal takes up to 32 bits and wraps into the signed range.
bool parseInt(QStringView text, int32_t &out)
{
    const QStringView s = trimView(text);
    qsizetype i = 0;
    const qsizetype len = s.size();
    bool negative = false;
    if (i < len && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    int base = 10;
    if (i < len && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < len && (s[i] == u'x' || s[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < len && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == len)
        return false;
    uint64_t v = 0;
    for (; i < len; ++i) {
        const int digit = QChar(s[i]).isDigit() && s[i] <= u'9' ? s[i].unicode() - u'0'
                        : base == 16 && s[i].toUpper() >= u'A' && s[i].toUpper() <= u'F'
                            ? s[i].toUpper().unicode() - u'A' + 10
                            : -1;
        if (digit < 0)
            return false;
        v = v * uint64_t(base) + uint64_t(digit);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (base == 10) {
        if (v > (negative ? 2147483648ull : 2147483647ull))
            return false;
        out = negative ? int32_t(-int64_t(v)) : int32_t(v);
    } else {
        const uint32_t bits = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
        out = int32_t(bits);
    }
    return true;
}

// Ten-thousandths as digits with `decimals` places (rounded, ties to even), a sign only for a
// non-zero result, `sep` before the decimals and `group` between thousands when not null.
QString formatMoney(TMoney money, int decimals, QChar sep, QChar group)
{
    decimals = std::clamp(decimals, 0, 18);
    const TMoney rounded = money.Round(decimals);
    const int64_t raw = rounded.Raw();
    const uint64_t mag = raw < 0 ? uint64_t(0) - uint64_t(raw) : uint64_t(raw);
    const QString whole = QString::number(mag / 10000);
    QString r;
    if (raw < 0)
        r += u'-';
    if (group.isNull()) {
        r += whole;
    } else {
        for (qsizetype i = 0; i < whole.size(); ++i) {
            if (i > 0 && (whole.size() - i) % 3 == 0)
                r += group;
            r += whole[i];
        }
    }
    if (decimals > 0) {
        r += sep;
        QString frac = QString::number(mag % 10000).rightJustified(4, u'0');
        if (decimals <= 4)
            frac.truncate(decimals);
        else
            frac = frac.leftJustified(decimals, u'0');
        r += frac;
    }
    return r;
}

// Decimal digits of |value| rounded half away from zero to `fraction` places after the point.
// Returns the digits and the count of them before the point (may be <= 0 for small values:
// then the leading digits are implied zeros).
struct TDecimal {
    std::string digits; // no leading zeros unless the value is 0 ("")
    int pointPos = 0;   // digits before the decimal point
};

// 17 significant digits identify a double; rounding that text half up then matches how
// people round the number they see.
TDecimal significantDigits(double value)
{
    TDecimal d;
    value = std::fabs(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 16);
    const std::string sci(buf, res.ptr);
    const size_t ePos = sci.find('e');
    d.digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    d.pointPos = std::stoi(sci.substr(ePos + 1)) + 1;
    d.digits.resize(d.digits.find_last_not_of('0') + 1);
    return d;
}

// Keeps `keep` leading digits, rounding half up; a carry may add a digit in front.
void roundDigits(TDecimal &d, int keep)
{
    if (keep < 0) {
        d = TDecimal();
        return;
    }
    if (keep >= int(d.digits.size()))
        return;
    const bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[size_t(i)] == '9')
            d.digits[size_t(i--)] = '0';
        if (i >= 0) {
            ++d.digits[size_t(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        }
    }
    const size_t nz = d.digits.find_last_not_of('0');
    if (nz == std::string::npos)
        d = TDecimal();
    else
        d.digits.resize(nz + 1);
}

TDecimal roundedDecimal(double value, int fraction)
{
    TDecimal d = significantDigits(value);
    if (!d.digits.empty())
        roundDigits(d, d.pointPos + fraction);
    return d;
}

QString generalFloat(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const size_t ePos = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    const int exp10 = std::stoi(sci.substr(ePos + 1));
    digits.resize(digits.find_last_not_of('0') + 1);
    std::string out = value < 0 ? "-" : "";
    if (exp10 >= -5 && exp10 < 15) {
        if (exp10 < 0) {
            out += "0.";
            out.append(size_t(-exp10 - 1), '0');
            out += digits;
        } else if (int(digits.size()) <= exp10 + 1) {
            out += digits;
            out.append(size_t(exp10 + 1 - int(digits.size())), '0');
        } else {
            out.append(digits, 0, size_t(exp10 + 1));
            out += '.';
            out.append(digits, size_t(exp10 + 1));
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exp10);
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

// Splits a format pattern into its ";" sections; a ";" inside quotes does not split.
QStringList formatSections(const QString &format)
{
    QStringList sections;
    QString cur;
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    sections << cur;
    return sections;
}

struct TFormatLayout {
    int intPlaces = 0;   // digit places before the point
    int intZeros = 0;    // of them, from the first "0" on
    int fracPlaces = 0;  // digit places after the point
    int fracZeros = 0;   // up to the last "0" after the point
    bool scientific = false;
    bool expPlus = false;
    int expDigits = 0;
};

TFormatLayout analyse(const QString &section)
{
    TFormatLayout l;
    bool afterPoint = false, seenZero = false;
    QChar quote;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (afterPoint) {
                ++l.fracPlaces;
                if (c == u'0')
                    l.fracZeros = l.fracPlaces;
            } else {
                ++l.intPlaces;
                if (c == u'0')
                    seenZero = true;
                if (seenZero)
                    ++l.intZeros;
            }
        } else if (c == u'.') {
            afterPoint = true;
        } else if ((c == u'E' || c == u'e') && i + 1 < section.size()
                   && (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            l.scientific = true;
            l.expPlus = section[i + 1] == u'+';
            i += 2;
            while (i < section.size() && section[i] == u'0' && l.expDigits < 4) {
                ++l.expDigits;
                ++i;
            }
            --i;
            // Digit places after the exponent belong to it; nothing more to count.
            break;
        }
    }
    return l;
}

// Writes `value` (already without sign) into one section.
QString applySection(const QString &section, const TFormatLayout &l, const TDecimal &dec, int exponent)
{
    // Integer and fraction digit texts.
    std::string intDigits, fracDigits;
    if (dec.pointPos > 0) {
        intDigits = dec.digits.substr(0, std::min<size_t>(dec.digits.size(), size_t(dec.pointPos)));
        intDigits.append(size_t(std::max(0, dec.pointPos - int(dec.digits.size()))), '0');
        if (int(dec.digits.size()) > dec.pointPos)
            fracDigits = dec.digits.substr(size_t(dec.pointPos));
    } else {
        fracDigits = std::string(size_t(-dec.pointPos), '0') + dec.digits;
    }
    if (int(intDigits.size()) < l.intZeros)
        intDigits.insert(0, size_t(l.intZeros - int(intDigits.size())), '0');
    fracDigits.resize(size_t(l.fracPlaces), '0');
    while (int(fracDigits.size()) > l.fracZeros && !fracDigits.empty() && fracDigits.back() == '0')
        fracDigits.pop_back();

    QString out;
    int intPlace = 0, fracPlace = 0;
    bool afterPoint = false;
    QChar quote;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (afterPoint) {
                if (fracPlace < int(fracDigits.size()))
                    out += QChar(fracDigits[size_t(fracPlace)]);
                ++fracPlace;
            } else {
                // The first place takes every digit the places cannot hold.
                const int extra = int(intDigits.size()) - l.intPlaces;
                const int pos = intPlace + extra;
                if (intPlace == 0 && extra > 0)
                    out += QString::fromLatin1(intDigits.data(), extra + 1);
                else if (pos >= 0 && pos < int(intDigits.size()))
                    out += QChar(intDigits[size_t(pos)]);
                ++intPlace;
            }
        } else if (c == u'.') {
            if (!afterPoint && !fracDigits.empty())
                out += u'.';
            afterPoint = true;
        } else if (c == u',') {
            // no thousands separator in the machine profile
        } else if (l.scientific && (c == u'E' || c == u'e') && i + 1 < section.size()
                   && (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            out += c;
            if (exponent < 0)
                out += u'-';
            else if (l.expPlus)
                out += u'+';
            out += QString::number(std::abs(exponent)).rightJustified(l.expDigits, u'0');
            i += 1 + l.expDigits;
        } else {
            out += c;
        }
    }
    return out;
}

QString formatFloat(const QString &format, double value)
{
    if (!std::isfinite(value))
        return generalFloat(value);
    const QStringList sections = formatSections(format);
    int index = 0;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        index = 1;
    if (sections[index].isEmpty())
        return generalFloat(value);

    auto render = [&](int idx, bool &isZero) {
        const QString &section = sections[idx];
        const TFormatLayout l = analyse(section);
        TDecimal dec;
        int exponent = 0;
        if (l.scientific) {
            const int intDigits = std::max(1, l.intPlaces);
            dec = significantDigits(value);
            if (!dec.digits.empty()) {
                roundDigits(dec, intDigits + l.fracPlaces);
                exponent = dec.pointPos - intDigits;
                dec.pointPos = intDigits;
            }
        } else {
            dec = roundedDecimal(value, l.fracPlaces);
        }
        isZero = dec.digits.find_first_not_of('0') == std::string::npos;
        return applySection(section, l, dec, exponent);
    };

    bool isZero = false;
    QString text = render(index, isZero);
    if (isZero && sections.size() >= 3 && !sections[2].isEmpty())
        return render(2, isZero);
    if (index == 0 && value < 0 && !isZero)
        text.prepend(u'-');
    return text;
}

const QString Digits36 = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'z')
        return u - u'a' + 10;
    return -1;
}

bool emailPartChars(QStringView s)
{
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
                        || u == u'_' || u == u'-' || u == u'.';
        if (!ok)
            return false;
    }
    return true;
}


// Units 1..9 by language, masculine then feminine.
const char16_t *const UnitWords[3][2][10] = {
    {{nullptr, u"один", u"два", u"три", u"четыре", u"пять", u"шесть", u"семь", u"восемь", u"девять"},
     {nullptr, u"одна", u"две", u"три", u"четыре", u"пять", u"шесть", u"семь", u"восемь", u"девять"}},
    {{nullptr, u"один", u"два", u"три", u"чотири", u"п'ять", u"шiсть", u"сiм", u"вiсiм", u"дев'ять"},
     {nullptr, u"одна", u"двi", u"три", u"чотири", u"п'ять", u"шiсть", u"сiм", u"вiсiм", u"дев'ять"}},
    {{nullptr, u"one", u"two", u"three", u"four", u"five", u"six", u"seven", u"eight", u"nine"},
     {nullptr, u"one", u"two", u"three", u"four", u"five", u"six", u"seven", u"eight", u"nine"}},
};
// 10..19 by language.
const char16_t *const TeenWords[3][10] = {
    {u"десять", u"одиннадцать", u"двенадцать", u"тринадцать", u"четырнадцать", u"пятнадцать", u"шестнадцать", u"семнадцать", u"восемнадцать", u"девятнадцать"},
    {u"десять", u"одинадцять", u"дванадцять", u"тринадцять", u"чотирнадцять", u"п'ятнадцять", u"шiстнадцять", u"сiмнадцять", u"вiсiмнадцять", u"дев'ятнадцять"},
    {u"ten", u"eleven", u"twelve", u"thirteen", u"fourteen", u"fifteen", u"sixteen", u"seventeen", u"eighteen", u"nineteen"},
};
// Tens 2..9 by language.
const char16_t *const TenWords[3][10] = {
    {nullptr, nullptr, u"двадцать", u"тридцать", u"сорок", u"пятьдесят", u"шестьдесят", u"семьдесят", u"восемьдесят", u"девяносто"},
    {nullptr, nullptr, u"двадцять", u"тридцять", u"сорок", u"п'ятдесят", u"шiстдесят", u"сiмдесят", u"вiсiмдесят", u"дев'яносто"},
    {nullptr, nullptr, u"twenty", u"thirty", u"forty", u"fifty", u"sixty", u"seventy", u"eighty", u"ninety"},
};
// Hundreds 1..9 by language.
const char16_t *const HundredWords[3][10] = {
    {nullptr, u"сто", u"двести", u"триста", u"четыреста", u"пятьсот", u"шестьсот", u"семьсот", u"восемьсот", u"девятьсот"},
    {nullptr, u"сто", u"двiстi", u"триста", u"чотириста", u"п'ятсот", u"шiстсот", u"сiмсот", u"вiсiмсот", u"дев'ятсот"},
    {nullptr, u"one hundred", u"two hundred", u"three hundred", u"four hundred", u"five hundred", u"six hundred", u"seven hundred", u"eight hundred", u"nine hundred"},
};
// Group names by language, group (billions, millions, thousands) and form (one, few, many).
const char16_t *const GroupWords[3][3][3] = {
    {{u"миллиард", u"миллиарды", u"миллиардов"}, {u"миллион", u"миллионы", u"миллионов"}, {u"тысяча", u"тысячи", u"тысяч"}},
    {{u"мiльярд", u"мiльярди", u"мiльярдiв"}, {u"мiльйон", u"мiльйони", u"мiльйонiв"}, {u"тисяча", u"тисячі", u"тисяч"}},
    {{u"billion", u"billion", u"billion"}, {u"million", u"million", u"million"}, {u"thousand", u"thousand", u"thousand"}},
};

// Word form of a group name for count n: 0 "one", 1 "few", 2 "many".
int groupForm(uint64_t n)
{
    const uint64_t mod100 = n % 100, mod10 = n % 10;
    if (mod100 >= 11 && mod100 <= 19)
        return 2;
    if (mod10 == 1)
        return 0;
    if (mod10 >= 2 && mod10 <= 4)
        return 1;
    return 2;
}

void hundredsWords(QStringList &words, int n, int lang, bool feminine)
{
    if (n >= 100)
        words << QString::fromUtf16(HundredWords[lang][n / 100]);
    const int rest = n % 100;
    if (rest >= 20) {
        words << QString::fromUtf16(TenWords[lang][rest / 10]);
        if (rest % 10)
            words << QString::fromUtf16(UnitWords[lang][feminine][rest % 10]);
    } else if (rest >= 10) {
        words << QString::fromUtf16(TeenWords[lang][rest - 10]);
    } else if (rest > 0) {
        words << QString::fromUtf16(UnitWords[lang][feminine][rest]);
    }
}

// Billions, millions, thousands, units. A count of billions beyond 999 is itself written in
// words (masculine, as billions are), so every 64-bit value has words.
void countWords(QStringList &words, uint64_t v, int lang, bool unitsFeminine)
{
    const uint64_t billions = v / 1000000000;
    const int groups[3] = {int(v / 1000000 % 1000), int(v / 1000 % 1000), int(v % 1000)};
    if (billions >= 1000)
        countWords(words, billions, lang, false);
    else if (billions > 0)
        hundredsWords(words, int(billions), lang, false);
    if (billions > 0)
        words << QString::fromUtf16(GroupWords[lang][0][groupForm(billions)]);
    for (int g = 0; g < 3; ++g) {
        const int n = groups[g];
        if (n == 0)
            continue;
        const bool feminine = g == 0 ? false : g == 1 ? true : unitsFeminine;
        hundredsWords(words, n, lang, feminine);
        if (g < 2)
            words << QString::fromUtf16(GroupWords[lang][g + 1][groupForm(uint64_t(n))]);
    }
}

} // namespace

namespace uconv_detail {

// Bottom-up over (source position, pattern position), one row at a time, so every state is
// visited once: at most (len(source) + 1) * (len(pattern) + 1) steps.
bool MatchPattern(QStringView s, QStringView p, int64_t *steps)
{
    const qsizetype n = s.size(), m = p.size();
    // The state where the rest of the pattern is exactly "*" matches any rest of the source.
    const qsizetype starTail = m > 0 && p[m - 1] == u'*' ? m - 1 : -1;
    std::vector<char> next(size_t(m + 1)), cur(size_t(m + 1));
    // At the end of the source only the end of the pattern (or a lone trailing "*") matches.
    for (qsizetype j = 0; j <= m; ++j)
        next[size_t(j)] = j == m || j == starTail;
    int64_t count = m + 1;
    for (qsizetype i = n - 1; i >= 0; --i) {
        cur[size_t(m)] = false;
        for (qsizetype j = m - 1; j >= 0; --j) {
            bool r;
            if (j == starTail)
                r = true;
            else if (p[j] == u'*')
                r = cur[size_t(j + 1)] || next[size_t(j)];
            else if (p[j] == u'?')
                r = next[size_t(j + 1)];
            else
                r = p[j] == s[i] && next[size_t(j + 1)];
            cur[size_t(j)] = r;
        }
        count += m + 1;
        std::swap(cur, next);
    }
    if (steps)
        *steps = count;
    return next[0];
}

} // namespace uconv_detail

double TUConv::StrToFloat(const QString &str, double defaultValue)
{
    double v;
    return parseFloat(str, v) ? v : defaultValue;
}

double TUConv::StrToFloatExcept(const QString &str)
{
    double v;
    if (!parseFloat(str, v))
        throw EUConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(str));
    return v;
}

QString TUConv::FloatToStr(double value)
{
    return generalFloat(value);
}

QString TUConv::FloatFormat(const QString &format, double value)
{
    return formatFloat(format, value);
}

QString TUConv::FloatFormat(const QString &format, const QString &value)
{
    return formatFloat(format, StrToFloat(value, 0));
}

// Reading keeps every ten-thousandth; `decimals` only matters when the amount is written.
TMoney TUConv::StrToMoney(const QString &str, int /*decimals*/, TMoney defaultValue)
{
    TMoney m;
    return parseMoney(str, m) ? m : defaultValue;
}

QString TUConv::MoneyToStr(TMoney money, int decimals)
{
    return formatMoney(money, decimals, u'.', QChar());
}

QString TUConv::MoneyToStrExt(TMoney money, int decimals)
{
    return formatMoney(money, decimals, u',', u' ');
}

QString TUConv::StrMoney(const QString &str, int decimals, const QString &defaultValue)
{
    TMoney m;
    return parseMoney(str, m) ? MoneyToStr(m, decimals) : defaultValue;
}

int32_t TUConv::StrToIntVal(const QString &str)
{
    int32_t v;
    if (!parseInt(str, v))
        throw EUConvertError(QStringLiteral("'%1' is not a valid integer value").arg(str));
    return v;
}

bool TUConv::IsValidInt(const QString &str)
{
    int32_t v;
    return parseInt(str, v);
}

bool TUConv::IsHexInt(const QString &str)
{
    const QString s = upper(trimView(str));
    return IsValidInt(s) && (s.startsWith(u'X') || s.startsWith(u"-X"));
}

bool TUConv::IsValidFloat(const QString &str)
{
    double v;
    return parseFloat(str, v);
}

namespace {

QString prepareNumber(const QString &str, bool allowPoint, bool allowMinus)
{
    QString t = trim(str);
    t.replace(u',', u'.');
    QString r;
    r.reserve(t.size());
    const qsizetype last = t.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const QChar c = t[i];
        if (isDigit(c) || (allowPoint && c == u'.' && i != 0 && i != last) || (allowMinus && c == u'-' && i == 0))
            r += c;
    }
    return r;
}

} // namespace

QString TUConv::MoneyStrPrepare(const QString &str)
{
    return prepareNumber(str, true, true);
}

QString TUConv::IntStrPrepare(const QString &str)
{
    return prepareNumber(str, false, true);
}

QString TUConv::UIntStrPrepare(const QString &str)
{
    return prepareNumber(str, false, false);
}

bool TUConv::StrToBooleanNum(const QString &str)
{
    return str != u"0";
}

QString TUConv::BooleanToStrNum(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool TUConv::StrToBooleanYN(const QString &str)
{
    return upper(str) == u"Y";
}

QString TUConv::BooleanToStrYN(bool value)
{
    return value ? QStringLiteral("Y") : QStringLiteral("N");
}

QString TUConv::Complete(int64_t value, int minLen, QChar sym)
{
    return Complete(QString::number(value), minLen, sym);
}

QString TUConv::Complete(const QString &str, int minLen, QChar sym)
{
    if (sym.isNull() || str.size() >= minLen)
        return str;
    return QString(minLen - str.size(), sym) + str;
}

QString TUConv::Complete(const QString &templ, const QString &str)
{
    if (str.size() < templ.size())
        return templ.left(templ.size() - str.size()) + str;
    return str;
}

QString TUConv::UpperCaseFirst(const QString &str)
{
    QString r = str;
    if (!r.isEmpty())
        r[0] = r[0].toUpper();
    return r;
}

QString TUConv::StrRepeat(const QString &str, int count)
{
    return count > 0 ? str.repeated(count) : QString();
}

QString TUConv::StrFormat(const QString &str, const QString &chars)
{
    QString r;
    for (const QChar c : trimView(str))
        if (!chars.contains(c))
            r += c;
    return r;
}

QString TUConv::StrEscape(const QString &str, QChar escapeChar, QChar slashChar)
{
    QString t = trim(str);
    t.remove(slashChar);
    QString r;
    r.reserve(t.size());
    for (const QChar c : t) {
        if (c == escapeChar)
            r += slashChar;
        r += c;
    }
    return r;
}

QString TUConv::StrFirst(const QString &str, const QString &delimeter)
{
    const qsizetype pos = delimeter.isEmpty() ? -1 : str.indexOf(delimeter);
    return pos < 0 ? str : str.left(pos);
}

QString TUConv::StrMatch(const QString &str, const QString &templ)
{
    QString r;
    for (const QChar c : str)
        if (templ.contains(c))
            r += c;
    return r;
}

bool TUConv::StrMatchPattern(const QString &source, const QString &pattern, bool caseSens)
{
    constexpr qsizetype Cut = 512;
    const QStringView s = QStringView(source).first(std::min(source.size(), Cut));
    const QStringView p = QStringView(pattern).first(std::min(pattern.size(), Cut));
    if (caseSens)
        return uconv_detail::MatchPattern(s, p);
    return uconv_detail::MatchPattern(upper(s), upper(p));
}

bool TUConv::StrWeakCompare(const QString &str1, const QString &str2)
{
    return upper(trimView(str1)) == upper(trimView(str2));
}

QString TUConv::IntToText(int64_t value, TLanguage lang)
{
    const int l = lang <= lnEN ? int(lang) : int(lnRU);
    const uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    if (magnitude == 0)
        return l == lnEN ? QStringLiteral("zero") : QString::fromUtf16(u"ноль");
    QStringList words;
    countWords(words, magnitude, l, true);
    return words.join(u' ');
}

// Rounded to whole hundredths first (ties to even), so 0.995 reads "one ... 00", never
// "zero ... 100"; the sign is dropped as the number words drop it.
QString TUConv::MoneyToText(TMoney value, TLanguage lang, const QString &curHi, const QString &curLo)
{
    const int64_t raw = value.Round(2).Raw();
    const uint64_t mag = raw < 0 ? uint64_t(0) - uint64_t(raw) : uint64_t(raw);
    const QString text = IntToText(int64_t(mag / 10000), lang) + u' ' + curHi + u' '
                         + QString::number(mag % 10000 / 100).rightJustified(2, u'0') + u' ' + curLo;
    return trim(text);
}

QString TUConv::GenerateUniqueID()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    QString r = QString::number(QRandomGenerator::global()->bounded(100));
    for (const int part : {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()})
        r += QString::number(part);
    return r;
}

QString TUConv::ColorToRGBHex(TColor value)
{
    const TColor rgb = ColorToRGB(value);
    QString r;
    for (const uint8_t part : {ColorRed(rgb), ColorGreen(rgb), ColorBlue(rgb)})
        r += QString::number(part, 16).rightJustified(2, u'0').toUpper();
    return r;
}

TColor TUConv::RGBHexToColor(const QString &hex)
{
    auto pair = [&](qsizetype at) -> uint8_t {
        if (hex.size() < at + 2)
            return 0;
        const int hi = digitValue(hex[at]), lo = digitValue(hex[at + 1]);
        if (hi < 0 || hi > 15 || lo < 0 || lo > 15)
            return 0;
        return uint8_t(hi * 16 + lo);
    };
    return RGBToColor(pair(0), pair(2), pair(4));
}

QString TUConv::DecToBin(int64_t dec)
{
    return DecToBaseN(2, dec);
}

QString TUConv::DecToOct(int64_t dec)
{
    return DecToBaseN(8, dec);
}

QString TUConv::DecToHex(int64_t dec)
{
    return DecToBaseN(16, dec);
}

QString TUConv::DecToBaseN(int base, int64_t dec)
{
    if (base < 2 || base > 36 || dec < 0)
        return QString();
    if (dec == 0)
        return QStringLiteral("0");
    QString r;
    for (uint64_t v = uint64_t(dec); v > 0; v /= uint64_t(base))
        r.prepend(Digits36[qsizetype(v % uint64_t(base))]);
    return r;
}

int64_t TUConv::BinToDec(const QString &num)
{
    return BaseNToDec(2, num);
}

int64_t TUConv::OctToDec(const QString &num)
{
    return BaseNToDec(8, num);
}

int64_t TUConv::HexToDec(const QString &num)
{
    return BaseNToDec(16, num);
}

int64_t TUConv::BaseNToDec(int base, const QString &num)
{
    if (base < 2 || base > 36)
        return 0;
    int64_t v = 0;
    for (const QChar c : num) {
        const int d = digitValue(c);
        if (d < 0 || d >= base)
            return 0;
        if (__builtin_mul_overflow(v, int64_t(base), &v) || __builtin_add_overflow(v, int64_t(d), &v))
            return 0;
    }
    return v;
}

QString TUConv::HexToBin(const QString &hex)
{
    QString r;
    for (const QChar c : hex) {
        const int d = digitValue(c);
        if (d < 0 || d > 15)
            return QString();
        r += QString::number(d, 2).rightJustified(4, u'0');
    }
    return r;
}

QString TUConv::BinToHex(const QString &bin)
{
    const qsizetype padded = (bin.size() + 3) / 4 * 4;
    const QString b = bin.rightJustified(padded, u'0');
    QString r;
    for (qsizetype i = 0; i < b.size(); i += 4) {
        int v = 0;
        for (qsizetype k = i; k < i + 4; ++k) {
            if (b[k] != u'0' && b[k] != u'1')
                return QString();
            v = v * 2 + (b[k] == u'1');
        }
        r += Digits36[v];
    }
    return r;
}

bool TUConv::IsValidEmail(const QString &value)
{
    const qsizetype at = value.indexOf(u'@');
    if (at <= 0)
        return false;
    const QStringView name = QStringView(value).left(at);
    const QStringView domain = QStringView(value).mid(at + 1);
    if (domain.size() < 5)
        return false;
    const qsizetype dot = domain.indexOf(u'.');
    if (dot < 0 || domain.size() - dot - 1 < 2)
        return false;
    return emailPartChars(name) && emailPartChars(domain);
}

bool TUConv::IsValidEmailList(const QString &value)
{
    if (value.isEmpty())
        return false;
    QString list = value;
    list.replace(u';', u',');
    const QStringList pieces = list.split(u',');
    for (const QString &piece : pieces)
        if (!IsValidEmail(piece))
            return false;
    return true;
}

QString TUConv::Win1251UniToString(const QString &str)
{
    QByteArray bytes;
    bytes.reserve(str.size());
    for (const QChar c : str)
        bytes += char(c.unicode() & 0xFF);
    return TUCodePage::ToUnicode(bytes);
}

QString TUConv::Trim(QStringView str)
{
    return trimView(str).toString();
}

QString TUConv::UpperCaseAscii(QStringView str)
{
    QString s = str.toString();
    for (QChar &c : s)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return s;
}
