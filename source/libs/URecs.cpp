#include "URecs.h"

#include "UCodePage.h"
#include "UConv.h"

#include <ostream>

namespace {

inline uint32_t rot(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }

// Bytes are read one by one so the result does not depend on the machine's byte order.
inline uint32_t load32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void mix(uint32_t &a, uint32_t &b, uint32_t &c)
{
    a -= c; a ^= rot(c, 4);  c += b;
    b -= a; b ^= rot(a, 6);  a += c;
    c -= b; c ^= rot(b, 8);  b += a;
    a -= c; a ^= rot(c, 16); c += b;
    b -= a; b ^= rot(a, 19); a += c;
    c -= b; c ^= rot(b, 4);  b += a;
}

inline void finalMix(uint32_t &a, uint32_t &b, uint32_t &c)
{
    c ^= b; c -= rot(b, 14);
    a ^= c; a -= rot(c, 11);
    b ^= a; b -= rot(a, 25);
    c ^= b; c -= rot(b, 16);
    a ^= c; a -= rot(c, 4);
    b ^= a; b -= rot(a, 14);
    c ^= b; c -= rot(b, 24);
}

// A whole text reading as a signed 32-bit decimal integer: optional sign, then digits only.
bool parseInt32(QStringView s, int32_t &value)
{
    qsizetype i = 0;
    bool negative = false;
    if (!s.isEmpty() && (s[0] == u'-' || s[0] == u'+')) {
        negative = s[0] == u'-';
        i = 1;
    }
    if (i == s.size())
        return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX)
        return false;
    value = int32_t(v);
    return true;
}

} // namespace

uint32_t HashLittle(const void *key, size_t length, uint32_t initval)
{
    const uint8_t *k = static_cast<const uint8_t *>(key);
    uint32_t a, b, c;
    a = b = c = 0xdeadbeefu + uint32_t(length) + initval;

    while (length > 12) {
        a += load32(k);
        b += load32(k + 4);
        c += load32(k + 8);
        mix(a, b, c);
        length -= 12;
        k += 12;
    }
    // The last block (1 to 12 bytes) is taken as zero-padded; an empty one skips the final mix.
    if (length == 0)
        return c;
    uint8_t tail[12] = {};
    std::memcpy(tail, k, length);
    a += load32(tail);
    b += load32(tail + 4);
    c += load32(tail + 8);
    finalMix(a, b, c);
    return c;
}

EArgumentOutOfRange::EArgumentOutOfRange() : EUAssertion(QStringLiteral("Argument out of range")) {}

void RaiseArgumentOutOfRange()
{
    throw EArgumentOutOfRange();
}

// ---------------------------------------------------------------------------------------------
// TUDataKey

TUDataKey::TUDataKey(QStringView text)
{
    int32_t number = 0;
    if (parseInt32(text, number)) {
        FInt = uint32_t(number);
        return;
    }
    FIntKey = false;
    // Character by character (as the platform lower-cases single-byte texts) so that the count
    // stays the same and only the first 32 characters need converting.
    const qsizetype n = std::min<qsizetype>(text.size(), MaxStrLength);
    for (qsizetype i = 0; i < n; ++i)
        FStr[i] = TUCodePage::FromUnicodeChar(text[i].toLower().unicode());
    FLen = uint8_t(n);
}

uint32_t TUDataKey::Hash() const
{
    if (FIntKey) {
        const uint8_t bytes[4] = {uint8_t(FInt), uint8_t(FInt >> 8), uint8_t(FInt >> 16), uint8_t(FInt >> 24)};
        return HashLittle(bytes, sizeof bytes, 0);
    }
    uint8_t units[2 * MaxStrLength];
    for (int i = 0; i < FLen; ++i) {
        const char16_t u = TUCodePage::ToUnicodeChar(static_cast<unsigned char>(FStr[i]));
        units[2 * i] = uint8_t(u);
        units[2 * i + 1] = uint8_t(u >> 8);
    }
    return HashLittle(units, size_t(2 * FLen), 0);
}

QString TUDataKey::ToString() const
{
    if (FIntKey)
        return FInt == 0 ? QString() : QString::number(FInt);
    return TUCodePage::ToUnicode(Str());
}

void PrintTo(const TUDataKey &key, std::ostream *os)
{
    if (key.IntKey())
        *os << "key " << key.Int();
    else
        *os << "key \"" << key.ToString().toStdString() << '"';
}

// ---------------------------------------------------------------------------------------------
// TUDataKeyList

TUDataKeyList::TUDataKeyList(int ItemCount) : Base(TDataIDComparer(), ItemCount) {}

TUDataKeyList::TUDataKeyList(std::initializer_list<TUDataKey> Lines) : Base(Lines) {}

void TUDataKeyList::Assign(const TRec<int32_t> &AList)
{
    Clear();
    AddRange(AList);
}

void TUDataKeyList::Assign(const TRec<QString> &AList)
{
    Clear();
    for (const QString &s : AList)
        Add(TUDataKey(s));
}

void TUDataKeyList::AddRange(const TRec<int32_t> &Values)
{
    for (int32_t v : Values)
        Add(TUDataKey(uint32_t(v)));
}

bool TUDataKeyList::TheSame(const TUDataKeyList *Another) const
{
    if (!Another || Another->Count() != Count())
        return false;
    for (const TUDataKey &k : FItems)
        if (!Another->FindFast(k))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TRecManager

namespace {

const QString kNoList = QStringLiteral("AList must be assigned");

// Calls piece() for every piece of Str between separators, plus an empty one after a trailing
// separator. An empty separator leaves the text whole.
template <typename F>
void splitPieces(const QString &Str, const QString &Separator, F piece)
{
    if (Str.isEmpty())
        return;
    const QStringView text(Str);
    qsizetype from = 0;
    bool endsWithSeparator = true;
    while (from < text.size()) {
        const qsizetype at = Separator.isEmpty() ? -1 : text.indexOf(Separator, from);
        if (at < 0) {
            piece(text.mid(from));
            endsWithSeparator = false;
            break;
        }
        piece(text.mid(from, at - from));
        from = at + Separator.size();
    }
    if (endsWithSeparator)
        piece(QStringView());
}

// The first items of a list (MaxItems of them, or all when MaxItems is 0 or more than there
// are) as texts joined by Separator.
template <typename List, typename ToText>
QString joinItems(const List &list, const QString &Separator, int MaxItems, ToText toText)
{
    if (list.Count() == 0)
        return QString();
    const int n = (MaxItems == 0 || list.Count() < MaxItems) ? list.Count() : MaxItems;
    QString out = toText(list.Items(0));
    for (int i = 1; i < n; ++i) {
        out += Separator;
        out += toText(list.Items(i));
    }
    return out;
}

} // namespace

void TRecManager::Explode(const QString &Str, TRec<QString> *AList, const QString &Separator)
{
    UAssert(AList, kNoList);
    AList->Clear();
    splitPieces(Str, Separator, [&](QStringView p) { AList->Add(p.toString()); });
}

void TRecManager::Explode(const QString &Str, TRec<int32_t> *AList, const QString &Separator, bool SkipIfError)
{
    UAssert(AList, kNoList);
    AList->Clear();
    splitPieces(Str, Separator, [&](QStringView p) {
        int32_t v = 0;
        if (parseInt32(p, v))
            AList->Add(v);
        else if (!SkipIfError)
            AList->Add(0);
    });
}

namespace {

template <typename Real>
void explodeReals(const QString &Str, TRec<Real> *AList, const QString &Separator, bool SkipIfError)
{
    UAssert(AList, kNoList);
    AList->Clear();
    splitPieces(Str, Separator, [&](QStringView p) {
        try {
            AList->Add(Real(TUConv::StrToFloatExcept(p.toString())));
        } catch (const EUConvertError &) {
            if (!SkipIfError)
                AList->Add(Real(0));
        }
    });
}

} // namespace

void TRecManager::Explode(const QString &Str, TRec<double> *AList, const QString &Separator, bool SkipIfError)
{
    explodeReals(Str, AList, Separator, SkipIfError);
}

void TRecManager::Explode(const QString &Str, TRec<long double> *AList, const QString &Separator,
                          bool SkipIfError)
{
    explodeReals(Str, AList, Separator, SkipIfError);
}

void TRecManager::Explode(const QString &Str, TUDataKeyList *AList, const QString &Separator)
{
    UAssert(AList, kNoList);
    AList->Clear();
    splitPieces(Str, Separator, [&](QStringView p) { AList->Add(TUDataKey(p)); });
}

void TRecManager::Explode(const QString &Str, TRecs<QString> *AList, const QString &SeparatorOut,
                          const QString &SeparatorIn)
{
    UAssert(AList, kNoList);
    AList->Clear();
    TRec<QString> lines;
    Explode(Str, &lines, SeparatorOut);
    for (const QString &line : lines)
        Explode(line, AList->AddRow(), SeparatorIn);
}

QString TRecManager::Implode(const TRec<QString> *AList, const QString &Separator, int MaxItems)
{
    UAssert(AList, kNoList);
    return joinItems(*AList, Separator, MaxItems, [](const QString &s) -> const QString & { return s; });
}

QString TRecManager::Implode(const TRec<int32_t> *AList, const QString &Separator, int MaxItems)
{
    UAssert(AList, kNoList);
    return joinItems(*AList, Separator, MaxItems, [](int32_t v) { return QString::number(v); });
}

QString TRecManager::Implode(const TRec<double> *AList, const QString &Separator, int MaxItems)
{
    UAssert(AList, kNoList);
    return joinItems(*AList, Separator, MaxItems, [](double v) { return TUConv::FloatToStr(v); });
}

QString TRecManager::Implode(const TRec<long double> *AList, const QString &Separator, int MaxItems)
{
    UAssert(AList, kNoList);
    return joinItems(*AList, Separator, MaxItems, [](long double v) { return TUConv::FloatToStr(double(v)); });
}

QString TRecManager::Implode(const TUDataKeyList *AList, const QString &Separator, int MaxItems)
{
    UAssert(AList, kNoList);
    return joinItems(*AList, Separator, MaxItems, [](const TUDataKey &k) { return k.ToString(); });
}
