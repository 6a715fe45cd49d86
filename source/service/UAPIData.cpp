#include "UAPIData.h"

#include "HTTPSender.h"
#include "UCodePage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVariant>

#include <simdjson.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What either reader makes of an answer, handed to the answer in one step.
struct TAnswerParts {
    int64_t Code = 0;
    int64_t Count = 0;
    TAPIDataAnswerType Type = datNull;
    std::vector<QString> Names; // column names, cut to the length a column key keeps
    std::unique_ptr<TRecs<QString>> Rows;
    QJsonValue Raw{QJsonValue::Undefined}; // none unless the answer has one
};

namespace {

// A JSON number as the parser keeps it: a whole number within 64 bits is an integer with every
// digit, anything else a double.
struct TNumber {
    bool Whole = false;
    int64_t Int = 0;
    double Real = 0;
};

TNumber NumberOf(double d)
{
    TNumber number;
    if (std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
        number.Whole = true;
        number.Int = int64_t(d);
    } else {
        number.Real = d;
    }
    return number;
}

TNumber NumberOf(const QJsonValue &value)
{
    const QVariant number = value.toVariant();
    if (number.typeId() == QMetaType::LongLong) {
        TNumber whole;
        whole.Whole = true;
        whole.Int = number.toLongLong();
        return whole;
    }
    return NumberOf(value.toDouble());
}

// A number's JSON text as the answer wrote it; false where the tree reader would refuse it.
bool NumberOf(std::string_view text, TNumber &number)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (text.find_first_of(".eE") == std::string_view::npos) {
        const auto [last, error] = std::from_chars(begin, end, number.Int);
        if (error == std::errc() && last == end) {
            number.Whole = true;
            return true;
        }
    }
    bool ok = false;
    const double d = QByteArray::fromRawData(begin, qsizetype(text.size())).toDouble(&ok);
    if (!ok)
        return false;
    number = NumberOf(d);
    return true;
}

QJsonValue JsonOf(const TNumber &number)
{
    return number.Whole ? QJsonValue(qint64(number.Int)) : QJsonValue(number.Real);
}

QString NumberText(const TNumber &number)
{
    return number.Whole ? QString::number(number.Int)
                        : QString::number(number.Real, 'g', QLocale::FloatingPointShortest);
}

// A whole number member ("code", "count") given as text: a decimal integer, blanks around allowed.
bool WholeOfText(QStringView text, int64_t &result)
{
    bool ok = false;
    result = text.trimmed().toLongLong(&ok);
    return ok;
}

// The same for any member value: absent or null reads as 0, a number must be whole and within
// 64 bits. Anything else is not a readable answer.
bool WholeOf(const QJsonValue &value, int64_t &result)
{
    result = 0;
    switch (value.type()) {
    case QJsonValue::Undefined:
    case QJsonValue::Null:
        return true;
    case QJsonValue::Double: {
        const TNumber number = NumberOf(value);
        result = number.Int;
        return number.Whole;
    }
    case QJsonValue::String:
        return WholeOfText(value.toString(), result);
    default:
        return false;
    }
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The text of one cell: a string's characters, anything else its JSON text; null is empty.
QString CellText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return NumberText(NumberOf(value));
    case QJsonValue::Bool:
        return BoolText(value.toBool());
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    default:
        return QString();
    }
}

// The same for a value read in place, without copying it out of the parsed tree first.
QString CellText(const QJsonValueConstRef &value)
{
    return value.type() == QJsonValue::String ? value.toString() : CellText(QJsonValue(value));
}

// A column name as the column list keeps it.
QString ColumnName(const QString &text)
{
    return text.left(TUAPIKey::MaxLength);
}

// A row whose cells are placed straight into its list: nothing listens to a row being built.
class TAnswerRow : public TRec<QString> {
public:
    using TRec::TRec;
    void Place(QString &&cell) { FItems.push_back(std::move(cell)); }
};

// Where a cell's characters lie in the text gathered for the current row.
struct TCellSpan {
    size_t Offset = 0;
    size_t Size = 0;
};

// Gathers the characters of one row's cells, then makes each cell its own text. A short text
// met again in the same column (a town, a state, a flag) is shared with the cell that held it
// before instead of allocated anew: answers repeat such values down their columns, and for a
// large answer the allocations are most of the work and most of the memory.
class TRowBuilder {
public:
    // Room for `units` more characters after those gathered so far; valid until the next call.
    char16_t *Room(size_t units);
    // The next `units` characters of the room become a cell.
    TCellSpan Commit(size_t units)
    {
        const TCellSpan cell{FUsed, units};
        FUsed += units;
        return cell;
    }
    TCellSpan Append(QStringView text);
    // Array rows: the cells in the order they are added.
    void Add(TCellSpan cell) { FCells.push_back(cell); }
    std::unique_ptr<TRec<QString>> Take();
    // Object rows: the given cells, in column order. The builder starts afresh either way.
    std::unique_ptr<TRec<QString>> Take(const TCellSpan *cells, size_t count);

private:
    // Texts up to this long are looked up among the column's recent ones.
    static constexpr size_t ShareLength = 24;
    static constexpr size_t ShareSlots = 64;
    static constexpr size_t ShareColumns = 64;
    using TRecent = std::array<QString, ShareSlots>;
    QString Text(size_t column, const TCellSpan &cell);

    std::unique_ptr<char16_t[]> FText;
    size_t FCapacity = 0;
    size_t FUsed = 0;
    std::vector<TCellSpan> FCells;
    std::vector<std::unique_ptr<TRecent>> FRecent; // by column
};

char16_t *TRowBuilder::Room(size_t units)
{
    if (!FText || units > FCapacity - FUsed) {
        const size_t capacity = std::max({FCapacity * 2, FUsed + units, size_t(256)});
        auto text = std::make_unique_for_overwrite<char16_t[]>(capacity);
        if (FUsed)
            std::memcpy(text.get(), FText.get(), FUsed * sizeof(char16_t));
        FText = std::move(text);
        FCapacity = capacity;
    }
    return FText.get() + FUsed;
}

TCellSpan TRowBuilder::Append(QStringView text)
{
    const size_t size = size_t(text.size());
    if (size)
        std::memcpy(Room(size), text.utf16(), size * sizeof(char16_t));
    return Commit(size);
}

QString TRowBuilder::Text(size_t column, const TCellSpan &cell)
{
    const char16_t *chars = FText.get() + cell.Offset;
    const QStringView text(chars, qsizetype(cell.Size));
    if (cell.Size > ShareLength || column >= ShareColumns)
        return text.toString();
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < cell.Size; ++i)
        hash = (hash ^ chars[i]) * 16777619u;
    if (column >= FRecent.size())
        FRecent.resize(column + 1);
    if (!FRecent[column])
        FRecent[column] = std::make_unique<TRecent>();
    QString &recent = (*FRecent[column])[(hash ^ (hash >> 16)) % ShareSlots];
    if (recent.size() != text.size() || std::memcmp(recent.utf16(), chars, cell.Size * sizeof(char16_t)) != 0)
        recent = text.toString();
    return recent;
}

std::unique_ptr<TRec<QString>> TRowBuilder::Take()
{
    auto row = Take(FCells.data(), FCells.size());
    FCells.clear();
    return row;
}

std::unique_ptr<TRec<QString>> TRowBuilder::Take(const TCellSpan *cells, size_t count)
{
    auto row = std::make_unique<TAnswerRow>(int(count)); // reserved: Place cannot throw
    for (size_t i = 0; i < count; ++i)
        row->Place(cells[i].Size ? Text(i, cells[i]) : QString());
    FUsed = 0;
    return row;
}

// The rows in answer order, owned by one table.
std::unique_ptr<TRecs<QString>> RowTable(std::vector<std::unique_ptr<TRec<QString>>> &built)
{
    auto rows = std::make_unique<TRecs<QString>>(int(built.size()));
    for (auto &row : built) {
        rows->Add(row.get());
        row.release(); // owned by `rows` now
    }
    built.clear();
    return rows;
}

// ---- The tree reader: the whole document through QJsonDocument, then the rows.

// A row from an object: for each column, the value under its name; missing and null are empty.
std::unique_ptr<TRec<QString>> ObjectRow(const QJsonObject &object, const std::vector<QString> &names,
                                         TRowBuilder &builder)
{
    const auto end = object.constEnd();
    for (const QString &name : names) {
        const auto it = object.constFind(name);
        builder.Add(builder.Append(it == end ? QString() : CellText(*it)));
    }
    return builder.Take();
}

// A row from an array: its values in their own order; a null value makes the answer unreadable.
std::unique_ptr<TRec<QString>> ArrayRow(const QJsonArray &array, TRowBuilder &builder)
{
    if (array.size() > std::numeric_limits<int>::max())
        return nullptr;
    for (const QJsonValueConstRef value : array) {
        if (value.isNull())
            return nullptr;
        builder.Add(builder.Append(CellText(value)));
    }
    return builder.Take();
}

bool IsAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

// The tree reader decodes each string the way QString::fromUtf8 does, which drops a byte-order
// mark opening the string. Written as an escape the mark is kept, so for the tree reader each
// raw mark past the text's first bytes is written as one; outside a string either form is an
// error alike.
QByteArray MarksEscaped(const QByteArray &utf8)
{
    static constexpr char Mark[] = "\xEF\xBB\xBF";
    qsizetype at = utf8.indexOf(Mark, 1);
    if (at < 0)
        return utf8;
    QByteArray escaped;
    escaped.reserve(utf8.size() + 64);
    qsizetype from = 0;
    for (; at >= 0; at = utf8.indexOf(Mark, at + 3)) {
        escaped.append(utf8.constData() + from, at - from);
        escaped.append("\\ufeff");
        from = at + 3;
    }
    escaped.append(utf8.constData() + from, utf8.size() - from);
    return escaped;
}

bool ReadTree(const QByteArray &original, TAnswerParts &parts)
{
    const QByteArray utf8 = MarksEscaped(original);
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error == QJsonParseError::GarbageAtEnd && error.offset > 0) {
        // Whatever follows the first complete value is not part of the answer.
        document = QJsonDocument::fromJson(QByteArray::fromRawData(utf8.constData(), error.offset), &error);
    }
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    QJsonObject top = document.object();
    document = QJsonDocument(); // `top` alone holds the tree now, so it can be taken apart below

    if (!WholeOf(top.value(u"code"), parts.Code) || !WholeOf(top.value(u"count"), parts.Count))
        return false;
    const QJsonValue fields = top.value(u"fields");
    QJsonValue data = top.take(u"data");
    if (IsAbsent(fields) || IsAbsent(data))
        return false;

    // Object rows are looked up under the names as the column list keeps them.
    if (fields.isArray()) {
        const QJsonArray list = fields.toArray();
        parts.Names.reserve(size_t(list.size()));
        for (const QJsonValue &item : list)
            parts.Names.push_back(ColumnName(CellText(item)));
    }

    TRowBuilder builder;
    std::vector<std::unique_ptr<TRec<QString>>> built;
    if (data.isArray()) {
        parts.Type = datJSONRows;
        QJsonArray elements = data.toArray();
        data = QJsonValue(); // the array's only holder is now `elements`
        const qsizetype total = elements.size();
        if (total > std::numeric_limits<int>::max())
            return false;
        // Built from the back so each element can be dropped as soon as its row is made: the
        // parsed tree and the rows then never both hold the whole answer.
        built.resize(size_t(total));
        for (qsizetype i = total - 1; i >= 0; --i) {
            {
                const QJsonValue element = elements.at(i);
                if (element.isObject())
                    built[size_t(i)] = ObjectRow(element.toObject(), parts.Names, builder);
                else if (element.isArray())
                    built[size_t(i)] = ArrayRow(element.toArray(), builder);
                if (!built[size_t(i)])
                    return false;
            }
            elements.removeLast();
        }
        parts.Rows = RowTable(built);
    } else if (data.isObject()) {
        parts.Type = datJSONRow;
        built.push_back(ObjectRow(data.toObject(), parts.Names, builder));
        parts.Rows = RowTable(built);
    } else {
        parts.Type = datNull;
    }
    parts.Raw = top.value(u"raw");
    return true;
}

// ---- The stream reader: one pass over the text, cells taken as they arrive.

// The nesting the tree reader accepts, the answer object included.
constexpr size_t MaxDepth = 1024;

constexpr size_t NoEnd = size_t(-1);

// Where the answer object ends: just past the brace that closes the object the text opens with
// after blanks. 0 when the text does not open with an object, NoEnd when the object is still
// open as the text ends: the tree reader could not finish such a text either. Strings are told
// apart as the tree reader tells them (a backslash takes the next character along), and whatever
// it is lenient about lies inside them.
size_t AnswerEnd(const char *text, size_t size)
{
    const char *p = text;
    const char *const end = text + size;
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
        ++p;
    if (p == end || *p != '{')
        return 0;
    size_t depth = 0;
    bool inString = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (inString) {
            if (c == '\\')
                ++p;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return size_t(p + 1 - text);
        }
    }
    return NoEnd;
}

namespace od = simdjson::ondemand;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A value's JSON text reaches to the next structural character; the blanks before it are not the
// value's.
std::string_view Trimmed(std::string_view token)
{
    while (!token.empty() && IsBlank(token.back()))
        token.remove_suffix(1);
    return token;
}

// One character of valid UTF-8 beyond ASCII at `p`: its one or two units to `out`, both moved on.
void DecodeSequence(const uint8_t *&p, char16_t *&out)
{
    const uint8_t c = *p;
    if (c < 0xE0) {
        *out++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
        p += 2;
    } else if (c < 0xF0) {
        *out++ = char16_t(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        p += 3;
    } else {
        const uint32_t code = ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
        *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
        p += 4;
    }
}

// The characters of valid UTF-8 without escapes into `out` (room for `size` units); the count
// of units written. Runs of ASCII, most of an answer, are widened eight bytes at a time.
size_t DecodePlain(const char *text, size_t size, char16_t *out)
{
    const auto *p = reinterpret_cast<const uint8_t *>(text);
    const auto *const end = p + size;
    char16_t *const first = out;
    while (p < end) {
        if (end - p >= 8) {
            uint64_t block;
            std::memcpy(&block, p, sizeof block);
            if ((block & 0x8080808080808080u) == 0) {
                for (int i = 0; i < 8; ++i)
                    out[i] = p[i];
                out += 8;
                p += 8;
                continue;
            }
        }
        const uint8_t c = *p;
        if (c < 0x80) {
            *out++ = c;
            ++p;
        } else {
            DecodeSequence(p, out);
        }
    }
    return size_t(out - first);
}

// The cells met lately in each column, by their JSON text. Answers repeat short values down their
// columns (a town, a state, a flag, a size); a value met again shares the text built for it before
// instead of being decoded and allocated anew, which for a large answer is most of the work and
// of the memory. The same JSON text always gives the same cell, so a match needs no decoding.
class TCellCache {
public:
    struct TSlot {
        std::string_view Token; // points into the answer text, which outlives the reading
        QString Text;
    };
    // The slot for `token` in `column`, or none where such a value is not kept; the slot holds
    // the cell when its Token equals `token`.
    TSlot *Slot(size_t column, std::string_view token)
    {
        if (token.size() > MaxToken || column >= MaxColumns)
            return nullptr;
        if (column >= FColumns.size())
            FColumns.resize(column + 1);
        if (!FColumns[column])
            FColumns[column] = std::make_unique<TColumn>();
        return &(*FColumns[column])[Hash(token) % Slots];
    }

private:
    static constexpr size_t MaxToken = 48;
    static constexpr size_t Slots = 64;
    static constexpr size_t MaxColumns = 64;
    using TColumn = std::array<TSlot, Slots>;

    // From the length and the first and last eight bytes: values of a column that differ mostly
    // differ there, and it takes no loop over the bytes.
    static size_t Hash(std::string_view token)
    {
        uint64_t head = 0;
        uint64_t tail = 0;
        if (token.size() >= 8) {
            std::memcpy(&head, token.data(), 8);
            std::memcpy(&tail, token.data() + token.size() - 8, 8);
        } else {
            std::memcpy(&head, token.data(), token.size());
        }
        const uint64_t hash = (head * 0x9E3779B97F4A7C15u) ^ (tail * 0xC2B2AE3D27D4EB4Fu) ^ token.size();
        return size_t(hash >> 40);
    }

    std::vector<std::unique_ptr<TColumn>> FColumns;
};

class TStreamReader {
public:
    enum TResult : uint8_t { Read, Declined, Unreadable };

    explicit TStreamReader(TAnswerParts &parts) : FParts(parts) {}
    // `capacity` bytes are readable from `text` on, at least the parser's padding past its end.
    TResult Parse(const char *text, size_t size, size_t capacity);

private:
    // The member of the answer being read.
    enum TMember : uint8_t { mbOther, mbCode, mbCount, mbFields, mbData, mbRaw };

    // Each step returns false where the text is not read exactly as the tree reader reads it.
    bool Member(TMember member, od::value value);
    bool Whole(od::value value, int64_t &whole);
    bool Fields(od::value value);
    bool Rows(od::value value);
    bool ObjectRow(od::object object);
    bool ArrayRow(od::array array);
    // `column` picks the cells met before that the cell may share.
    bool Cell(od::value value, size_t column, QString &cell);
    bool Json(od::value value, QJsonValue &json, size_t depth);
    bool Skip(od::value value, size_t depth);

    // A string's characters, its opening quote just behind `raw`, decoded into `out` (room for
    // as many units as the string has bytes). False for what strict JSON does not allow and for
    // an escaped high surrogate without its low half.
    bool Decode(const char *raw, char16_t *out, size_t &units) const;
    // `token` is the string's JSON text, quotes included, without the blanks after it.
    bool String(od::value value, std::string_view token, QString &text);
    bool String(od::value value, QString &text);
    // The key's characters into FKey, its raw bytes with the closing quote into FKeyRaw.
    bool Key(od::raw_json_string key);
    bool Number(od::value value, TNumber &number);

    void StartObjectRow();
    void SetColumn(QString &&cell);
    // A row of the first `count` cells, taken out of `cells`.
    static std::unique_ptr<TRec<QString>> Row(std::vector<QString> &cells, size_t count);

    TAnswerParts &FParts;
    const char *FEnd = nullptr;
    unsigned FSeen = 0; // the members met so far, a bit each
    bool FFieldsDone = false;
    TCellCache FCache;
    std::vector<QString> FCells; // the cells of the array row being read
    std::vector<std::unique_ptr<TRec<QString>>> FBuilt;
    std::u16string FKey; // the key just read
    std::string_view FKeyRaw;
    std::vector<char16_t> FScratch;

    // Object rows: column positions by key, a chain for a name given twice, the cells of the row
    // in column order, and the keys of the previous row by position, since rows repeat them.
    struct TColumns {
        int First;
        int Last;
    };
    struct TRecentKey {
        std::string_view Raw; // the key as the text has it, closing quote included
        int Column;
    };
    bool FKeysReady = false;
    std::unordered_map<std::u16string, TColumns> FColumns;
    std::vector<int> FNextColumn;
    std::vector<QString> FSlots;
    std::vector<TRecentKey> FRecent;
    int FColumn = -1; // the first column of the current key; -1 when none
};

TStreamReader::TResult TStreamReader::Parse(const char *text, size_t size, size_t capacity)
{
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3; // a byte-order mark ahead of the answer
        size -= 3;
        capacity -= 3;
    }
    // The parser takes a text that ends with the answer object; text after it (a warning the
    // service's scripts printed, say) is cut off first, so only such a text is looked through.
    size_t last = size;
    while (last > 0 && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\n' || text[last - 1] == '\r'))
        --last;
    size_t answerEnd = NoEnd;
    if (last > 0 && text[last - 1] != '}') {
        answerEnd = AnswerEnd(text, size);
        if (answerEnd == NoEnd)
            return Unreadable;
        if (answerEnd == 0)
            return Declined;
        size = answerEnd;
    }
    const auto failed = [&] {
        if (answerEnd == NoEnd)
            answerEnd = AnswerEnd(text, size);
        return answerEnd == NoEnd ? Unreadable : Declined;
    };
    if (size > std::numeric_limits<uint32_t>::max() - 1024)
        return Declined;
    FEnd = text + size;
    od::parser parser(size);
    od::document document;
    od::object top;
    if (parser.iterate(text, size, capacity).get(document) || document.get_object().get(top)) {
        // A text closing with a brace of something after the answer ("{...}{...}").
        const size_t whole = size;
        if (failed() == Unreadable || answerEnd == 0 || answerEnd >= whole)
            return failed();
        size = answerEnd;
        FEnd = text + size;
        if (parser.iterate(text, size, capacity).get(document) || document.get_object().get(top))
            return Declined;
    }
    for (auto item : top) {
        od::field field;
        if (std::move(item).get(field) || !Key(field.key()))
            return failed();
        TMember member = mbOther;
        if (FKey == u"code")
            member = mbCode;
        else if (FKey == u"count")
            member = mbCount;
        else if (FKey == u"fields")
            member = mbFields;
        else if (FKey == u"data")
            member = mbData;
        else if (FKey == u"raw")
            member = mbRaw;
        if (member != mbOther) {
            const unsigned bit = 1u << member;
            if (FSeen & bit)
                return Declined; // the later one would win: left to the tree reader
            FSeen |= bit;
        }
        if (!Member(member, field.value()))
            return failed();
    }
    // Whatever follows the answer object is not part of the answer.
    if (!(FSeen & (1u << mbFields)) || !(FSeen & (1u << mbData)))
        return Declined;
    if (FParts.Type != datNull) {
        if (FBuilt.size() > size_t(std::numeric_limits<int>::max()))
            return Declined;
        FParts.Rows = RowTable(FBuilt);
    }
    return Read;
}

bool TStreamReader::Member(TMember member, od::value value)
{
    switch (member) {
    case mbCode:
        return Whole(value, FParts.Code);
    case mbCount:
        return Whole(value, FParts.Count);
    case mbFields:
        return Fields(value);
    case mbData:
        return Rows(value);
    case mbRaw:
        return Json(value, FParts.Raw, 2);
    case mbOther:
        return Skip(value, 2);
    }
    return false;
}

bool TStreamReader::Whole(od::value value, int64_t &whole)
{
    od::json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
    case od::json_type::null: {
        bool null = false;
        whole = 0;
        return !value.is_null().get(null) && null;
    }
    case od::json_type::number: {
        TNumber number;
        if (!Number(value, number))
            return false;
        whole = number.Int;
        return number.Whole;
    }
    case od::json_type::string: {
        QString text;
        return String(value, text) && WholeOfText(text, whole);
    }
    default:
        return false;
    }
}

bool TStreamReader::Fields(od::value value)
{
    od::json_type type;
    if (value.type().get(type) || type == od::json_type::null)
        return false;
    FFieldsDone = true;
    if (type != od::json_type::array)
        return Skip(value, 2); // not a list: no columns
    od::array list;
    if (value.get_array().get(list))
        return false;
    for (auto item : list) {
        od::value name;
        if (item.get(name) || name.type().get(type))
            return false;
        if (type == od::json_type::string) {
            QString text;
            if (!String(name, text))
                return false;
            FParts.Names.push_back(ColumnName(text));
        } else {
            QJsonValue json;
            if (!Json(name, json, 3))
                return false;
            FParts.Names.push_back(ColumnName(CellText(json)));
        }
    }
    return true;
}

bool TStreamReader::Rows(od::value value)
{
    od::json_type type;
    if (value.type().get(type) || type == od::json_type::null)
        return false;
    if (type == od::json_type::object) {
        od::object object;
        FParts.Type = datJSONRow;
        return FFieldsDone && !value.get_object().get(object) && ObjectRow(object);
    }
    if (type != od::json_type::array) {
        FParts.Type = datNull;
        return Skip(value, 2);
    }
    FParts.Type = datJSONRows;
    od::array rows;
    if (value.get_array().get(rows))
        return false;
    for (auto item : rows) {
        od::value row;
        if (item.get(row) || row.type().get(type))
            return false;
        if (type == od::json_type::object) {
            od::object object;
            if (!FFieldsDone || row.get_object().get(object) || !ObjectRow(object))
                return false;
        } else if (type == od::json_type::array) {
            od::array array;
            if (row.get_array().get(array) || !ArrayRow(array))
                return false;
        } else {
            return false; // a row is an object or an array
        }
    }
    return true;
}

bool TStreamReader::ObjectRow(od::object object)
{
    StartObjectRow();
    size_t index = 0;
    for (auto item : object) {
        od::field field;
        if (std::move(item).get(field))
            return false;
        // Rows repeat the keys of the row before, byte for byte: such a key is not decoded again.
        const char *raw = field.key().raw();
        if (index < FRecent.size() && size_t(FEnd - raw) >= FRecent[index].Raw.size()
            && std::memcmp(raw, FRecent[index].Raw.data(), FRecent[index].Raw.size()) == 0) {
            FColumn = FRecent[index].Column;
        } else {
            if (!Key(field.key()))
                return false;
            const auto it = FColumns.find(FKey);
            FColumn = it != FColumns.end() ? it->second.First : -1;
            if (index >= FRecent.size())
                FRecent.resize(index + 1);
            FRecent[index] = TRecentKey{FKeyRaw, FColumn};
        }
        ++index;
        if (FColumn < 0) {
            if (!Skip(field.value(), 4))
                return false;
            continue;
        }
        const int column = FColumn;
        QString cell;
        if (!Cell(field.value(), size_t(column), cell))
            return false;
        FColumn = column;
        SetColumn(std::move(cell));
    }
    FBuilt.push_back(Row(FSlots, FSlots.size()));
    return true;
}

bool TStreamReader::ArrayRow(od::array array)
{
    size_t count = 0;
    for (auto item : array) {
        od::value value;
        od::json_type type;
        if (count == FCells.size())
            FCells.emplace_back();
        if (item.get(value) || value.type().get(type) || type == od::json_type::null || !Cell(value, count, FCells[count]))
            return false;
        ++count;
    }
    FBuilt.push_back(Row(FCells, count));
    return true;
}

std::unique_ptr<TRec<QString>> TStreamReader::Row(std::vector<QString> &cells, size_t count)
{
    auto row = std::make_unique<TAnswerRow>(int(count)); // reserved: Place cannot throw
    for (size_t i = 0; i < count; ++i)
        row->Place(std::move(cells[i]));
    return row;
}

bool TStreamReader::Cell(od::value value, size_t column, QString &cell)
{
    od::json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
    case od::json_type::string:
    case od::json_type::number: {
        const std::string_view token = Trimmed(value.raw_json_token());
        TCellCache::TSlot *slot = FCache.Slot(column, token);
        if (slot && slot->Token == token) {
            cell = slot->Text; // read and checked when it was met first; the parser steps over it
            return true;
        }
        if (type == od::json_type::string) {
            if (!String(value, token, cell))
                return false;
        } else {
            TNumber number;
            if (!Number(value, number))
                return false;
            if (number.Whole) {
                char digits[24];
                const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number.Int);
                cell = QString::fromLatin1(digits, qsizetype(end - digits));
            } else {
                cell = NumberText(number);
            }
        }
        if (slot) {
            slot->Token = token;
            slot->Text = cell;
        }
        return true;
    }
    case od::json_type::boolean: {
        bool flag = false;
        if (value.get_bool().get(flag))
            return false;
        cell = flag ? QStringLiteral("true") : QStringLiteral("false");
        return true;
    }
    case od::json_type::null: {
        bool null = false;
        cell = QString();
        return !value.is_null().get(null) && null;
    }
    default: {
        QJsonValue json;
        if (!Json(value, json, 4))
            return false;
        cell = CellText(json);
        return true;
    }
    }
}

bool TStreamReader::Json(od::value value, QJsonValue &json, size_t depth)
{
    od::json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
    case od::json_type::string: {
        QString text;
        if (!String(value, text))
            return false;
        json = QJsonValue(text);
        return true;
    }
    case od::json_type::number: {
        TNumber number;
        if (!Number(value, number))
            return false;
        json = JsonOf(number);
        return true;
    }
    case od::json_type::boolean: {
        bool flag = false;
        if (value.get_bool().get(flag))
            return false;
        json = QJsonValue(flag);
        return true;
    }
    case od::json_type::null: {
        bool null = false;
        json = QJsonValue(QJsonValue::Null);
        return !value.is_null().get(null) && null;
    }
    case od::json_type::array: {
        od::array array;
        if (depth > MaxDepth || value.get_array().get(array))
            return false;
        QJsonArray list;
        for (auto item : array) {
            od::value element;
            QJsonValue member;
            if (item.get(element) || !Json(element, member, depth + 1))
                return false;
            list.append(member);
        }
        json = QJsonValue(std::move(list));
        return true;
    }
    case od::json_type::object: {
        od::object object;
        if (depth > MaxDepth || value.get_object().get(object))
            return false;
        QJsonObject members;
        for (auto item : object) {
            od::field field;
            QJsonValue member;
            if (std::move(item).get(field) || !Key(field.key()))
                return false;
            const QString key = QStringView(FKey).toString();
            if (!Json(field.value(), member, depth + 1))
                return false;
            members.insert(key, member); // a repeated key: the later value wins
        }
        json = QJsonValue(std::move(members));
        return true;
    }
    }
    return false;
}

bool TStreamReader::Skip(od::value value, size_t depth)
{
    od::json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
    case od::json_type::array: {
        od::array array;
        if (depth > MaxDepth || value.get_array().get(array))
            return false;
        for (auto item : array) {
            od::value element;
            if (item.get(element) || !Skip(element, depth + 1))
                return false;
        }
        return true;
    }
    case od::json_type::object: {
        od::object object;
        if (depth > MaxDepth || value.get_object().get(object))
            return false;
        for (auto item : object) {
            od::field field;
            if (std::move(item).get(field) || !Key(field.key()) || !Skip(field.value(), depth + 1))
                return false;
        }
        return true;
    }
    default: {
        QJsonValue scalar;
        return Json(value, scalar, depth);
    }
    }
}

bool TStreamReader::Decode(const char *raw, char16_t *out, size_t &units) const
{
    const auto *p = reinterpret_cast<const uint8_t *>(raw);
    const auto *end = reinterpret_cast<const uint8_t *>(FEnd);
    char16_t *const first = out;
    const auto hex = [&](const uint8_t *at, uint32_t &unit) {
        if (end - at < 4)
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t c = at[i];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= uint32_t(c - '0');
            else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                unit |= uint32_t((c | 0x20) - 'a' + 10);
            else
                return false;
        }
        return true;
    };
    // The text is valid UTF-8, checked by the parser before any value is read.
    while (p < end) {
        const uint8_t c = *p;
        if (c == '"') {
            units = size_t(out - first);
            return true;
        }
        if (c < 0x20)
            return false;
        if (c < 0x80) {
            if (c != '\\') {
                *out++ = c;
                ++p;
                continue;
            }
            if (end - p < 2)
                return false;
            switch (p[1]) {
            case '"': *out++ = u'"'; break;
            case '\\': *out++ = u'\\'; break;
            case '/': *out++ = u'/'; break;
            case 'b': *out++ = u'\b'; break;
            case 'f': *out++ = u'\f'; break;
            case 'n': *out++ = u'\n'; break;
            case 'r': *out++ = u'\r'; break;
            case 't': *out++ = u'\t'; break;
            case 'u': {
                uint32_t unit = 0;
                if (!hex(p + 2, unit))
                    return false;
                p += 4;
                if (unit >= 0xD800 && unit < 0xDC00) {
                    // A high surrogate stands only with its low half, written as an escape too.
                    uint32_t low = 0;
                    if (end - p < 8 || p[2] != '\\' || p[3] != 'u' || !hex(p + 4, low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    *out++ = char16_t(unit);
                    unit = low;
                    p += 6;
                }
                *out++ = char16_t(unit); // a lone low surrogate stays that single unit
                break;
            }
            default:
                return false;
            }
            p += 2;
        } else {
            DecodeSequence(p, out);
        }
    }
    return false;
}

bool TStreamReader::String(od::value value, std::string_view token, QString &text)
{
    od::raw_json_string raw;
    if (token.size() < 2 || token.back() != '"' || value.get_raw_json_string().get(raw))
        return false;
    const char *begin = token.data() + 1;
    const size_t size = token.size() - 2;
    FScratch.resize(std::max(FScratch.size(), size));
    size_t units = 0;
    // The parser has checked the text as UTF-8 without raw control characters; a string without
    // escapes is only decoded.
    if (!std::memchr(begin, '\\', size))
        units = DecodePlain(begin, size, FScratch.data());
    else if (!Decode(raw.raw(), FScratch.data(), units))
        return false;
    text = QString(reinterpret_cast<const QChar *>(FScratch.data()), qsizetype(units));
    return true;
}

bool TStreamReader::String(od::value value, QString &text)
{
    const std::string_view token = value.raw_json_token();
    od::raw_json_string raw;
    if (value.get_raw_json_string().get(raw))
        return false;
    FScratch.resize(std::max(FScratch.size(), token.size()));
    size_t units = 0;
    if (!Decode(raw.raw(), FScratch.data(), units))
        return false;
    text = QString(reinterpret_cast<const QChar *>(FScratch.data()), qsizetype(units));
    return true;
}

bool TStreamReader::Key(od::raw_json_string key)
{
    // A key's bytes end at its closing quote, which the decoding finds; room for as many units.
    const char *raw = key.raw();
    const char *quote = raw;
    for (;;) {
        quote = static_cast<const char *>(std::memchr(quote, '"', size_t(FEnd - quote)));
        if (!quote)
            return false;
        size_t slashes = 0;
        while (quote - slashes > raw && quote[-1 - std::ptrdiff_t(slashes)] == '\\')
            ++slashes;
        if (slashes % 2 == 0)
            break;
        ++quote;
    }
    FKeyRaw = std::string_view(raw, size_t(quote + 1 - raw));
    FKey.resize(size_t(quote - raw));
    size_t units = 0;
    if (!Decode(raw, FKey.data(), units))
        return false;
    FKey.resize(units);
    return true;
}

bool TStreamReader::Number(od::value value, TNumber &number)
{
    const std::string_view token = Trimmed(value.raw_json_token());
    double strict = 0;
    // Checked as strictly as the parser checks numbers; read again from its digits, as the tree
    // reader reads it.
    return !value.get_double().get(strict) && NumberOf(token, number);
}

void TStreamReader::StartObjectRow()
{
    if (!FKeysReady) {
        FNextColumn.assign(FParts.Names.size(), -1);
        for (size_t c = 0; c < FParts.Names.size(); ++c) {
            const QString &name = FParts.Names[c];
            const auto [it, added] = FColumns.try_emplace(std::u16string(QStringView(name).utf16(), size_t(name.size())),
                                                          TColumns{int(c), int(c)});
            if (!added) {
                FNextColumn[size_t(it->second.Last)] = int(c);
                it->second.Last = int(c);
            }
        }
        FKeysReady = true;
    }
    FSlots.assign(FParts.Names.size(), QString());
    FColumn = -1;
}

void TStreamReader::SetColumn(QString &&cell)
{
    // A name given twice in the columns: each of its columns gets the cell.
    for (int c = FNextColumn[size_t(FColumn)]; c >= 0; c = FNextColumn[size_t(c)])
        FSlots[size_t(c)] = cell;
    FSlots[size_t(FColumn)] = std::move(cell); // a key given twice: the later value wins
}

} // namespace

TAPIDataAnswer::TAPIDataAnswer() : FField(std::make_unique<TUAPIKeyList>()), FData(std::make_unique<TAPIDataArray>())
{
    Clear();
}

TAPIDataAnswer::TAPIDataAnswer(const QString &Str) : TAPIDataAnswer()
{
    Parse(Str);
}

std::unique_ptr<TAPIDataAnswer> TAPIDataAnswer::CreateSuccess()
{
    auto answer = std::make_unique<TAPIDataAnswer>();
    answer->FError = 0;
    return answer;
}

TAPIDataAnswer::~TAPIDataAnswer()
{
    Clear();
}

void TAPIDataAnswer::Clear()
{
    FError = ErrorUnreadable;
    FDataType = datNull;
    FField->Clear();
    FCount = 0;
    FData->Clear();
    FRaw = QJsonValue(QJsonValue::Undefined);
}

uint16_t TAPIDataAnswer::Parse(const QString &Str) noexcept
{
    if (Str.isEmpty())
        return ErrorUnreadable;
    try {
        if (ReadAnswer(Str.toUtf8(), TReader::Auto)) {
            FErrorData.clear();
            return FError;
        }
    } catch (...) {
        // Out of memory for a huge answer: unreadable like any other.
    }
    FErrorData = Str; // shared, not copied
    Clear();
    return ErrorUnreadable;
}

uint16_t TAPIDataAnswer::ParseUtf8(const QByteArray &Utf8, TReader Reader) noexcept
{
    if (Utf8.isEmpty())
        return ErrorUnreadable;
    try {
        if (ReadAnswer(Utf8, Reader)) {
            FErrorData.clear();
            return FError;
        }
    } catch (...) {
    }
    Clear();
    try {
        FErrorData = QString::fromUtf8(Utf8);
    } catch (...) {
        FErrorData.clear(); // no room even for the text: the code alone must do
    }
    return ErrorUnreadable;
}

uint16_t TAPIDataAnswer::ParseReply(QByteArray &&Bytes, const QByteArray &ContentType) noexcept
{
    QByteArray bytes = std::move(Bytes);
    QString text;
    try {
        const size_t size = size_t(bytes.size());
        if (!bytes.startsWith("\xEF\xBB\xBF") && TUCodePage::NamesUtf8(ContentType)
            && simdjson::validate_utf8(bytes.constData(), size)) {
            // Valid UTF-8 reads as its decoded text would, without a UTF-16 copy of a large answer
            // and a UTF-8 one back. The parser's padding is made room for in place.
            if (size_t(bytes.capacity()) < size + simdjson::SIMDJSON_PADDING)
                bytes.reserve(bytes.size() + qsizetype(simdjson::SIMDJSON_PADDING));
            return ParseUtf8(bytes);
        }
        text = THTTPSender::DecodeText(bytes, ContentType);
    } catch (...) {
        // No room for the text: as unreadable as an empty one.
        return ErrorUnreadable;
    }
    bytes = QByteArray(); // the text holds the answer now
    return Parse(text);
}

bool TAPIDataAnswer::ReadAnswer(const QByteArray &utf8, TReader reader)
{
    if (reader != TReader::Tree) {
        TAnswerParts parts;
        TStreamReader::TResult result;
        const size_t size = size_t(utf8.size());
        if (size_t(utf8.capacity()) >= size + simdjson::SIMDJSON_PADDING) {
            // The parser reads a little past the text; the room the bytes were received into
            // has that much to spare, so they are read where they are.
            result = TStreamReader(parts).Parse(utf8.constData(), size, size_t(utf8.capacity()));
        } else {
            QByteArray padded;
            padded.reserve(utf8.size() + qsizetype(simdjson::SIMDJSON_PADDING));
            padded.append(utf8);
            result = TStreamReader(parts).Parse(padded.constData(), size, size_t(padded.capacity()));
        }
        if (result == TStreamReader::Read) {
            Take(parts);
            return true;
        }
        if (result == TStreamReader::Unreadable || reader == TReader::Stream)
            return false;
    }
    TAnswerParts parts;
    if (!ReadTree(utf8, parts))
        return false;
    Take(parts);
    return true;
}

void TAPIDataAnswer::Take(TAnswerParts &parts)
{
    FError = uint16_t(uint64_t(parts.Code));
    FCount = int32_t(uint32_t(uint64_t(parts.Count)));
    FDataType = parts.Type;
    FField->Clear();
    for (const QString &name : parts.Names)
        FField->Add(TUAPIKey(name));
    FData->LoadData(std::move(parts.Rows), *FField);
    FRaw = std::move(parts.Raw);
}
