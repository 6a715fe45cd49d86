#include "UAPIData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVariant>

// The parser's own checks are internal invariants, except one that outside text can reach: a
// lone surrogate escape ("\udc00"), which it then writes as that single unit, as the tree reader
// does. Release builds compile the checks out; the other builds must not abort on an answer.
#define RAPIDJSON_ASSERT(x) ((void)0)
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

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
    TCellSpan AppendLatin1(std::string_view text);
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

TCellSpan TRowBuilder::AppendLatin1(std::string_view text)
{
    char16_t *out = Room(text.size());
    for (const char c : text)
        *out++ = char16_t(uint8_t(c));
    return Commit(text.size());
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

// Assembles a nested value (the "raw" member, a cell or column name that is an object or an
// array) from the reader's events, one open container per level.
class TValueBuilder {
public:
    bool IsOpen() const { return !FLevels.empty(); }
    void Open(bool object) { FLevels.push_back(TLevel{object, {}, {}, {}}); }
    void SetKey(QString key) { FLevels.back().Key = std::move(key); }
    void Add(const QJsonValue &value)
    {
        TLevel &level = FLevels.back();
        if (level.IsObject)
            level.Object.insert(level.Key, value); // a repeated key: the later value wins
        else
            level.Array.append(value);
    }
    QJsonValue Close()
    {
        TLevel &level = FLevels.back();
        const QJsonValue value = level.IsObject ? QJsonValue(std::move(level.Object)) : QJsonValue(std::move(level.Array));
        FLevels.pop_back();
        return value;
    }

private:
    struct TLevel {
        bool IsObject;
        QJsonArray Array;
        QJsonObject Object;
        QString Key;
    };
    std::vector<TLevel> FLevels;
};

// One scalar of the text; a string's characters stay in the parser's buffer.
struct TScalar {
    QJsonValue::Type Type = QJsonValue::Null;
    bool Bool = false;
    TNumber Number;
    QStringView Text;
};

class TStreamReader {
public:
    enum TResult : uint8_t { Read, Declined, Unreadable };

    explicit TStreamReader(TAnswerParts &parts) : FParts(parts) {}
    TResult Parse(const QByteArray &utf8);

    // The parser's events; false stops it.
    bool Null() { return Scalar(TScalar{}); }
    bool Bool(bool value) { return Scalar(TScalar{QJsonValue::Bool, value, {}, {}}); }
    // Numbers are read again from their text, as the tree reader reads them.
    bool Int(int) { return Number(); }
    bool Uint(unsigned) { return Number(); }
    bool Int64(int64_t) { return Number(); }
    bool Uint64(uint64_t) { return Number(); }
    bool Double(double) { return Number(); }
    bool RawNumber(const char16_t *, rapidjson::SizeType, bool) { return false; } // not asked for
    bool String(const char16_t *text, rapidjson::SizeType size, bool)
    {
        return Scalar(TScalar{QJsonValue::String, false, {}, QStringView(text, qsizetype(size))});
    }
    bool Key(const char16_t *text, rapidjson::SizeType size, bool);
    bool StartObject() { return Open(true); }
    bool StartArray() { return Open(false); }
    bool EndObject(rapidjson::SizeType) { return Close(); }
    bool EndArray(rapidjson::SizeType) { return Close(); }

private:
    // What the innermost open container is.
    enum TMode : uint8_t { mdTop, mdFields, mdRows, mdArrayRow, mdObjectRow, mdBuild, mdSkip };
    // The member of the answer being read.
    enum TMember : uint8_t { mbOther, mbCode, mbCount, mbFields, mbData, mbRaw };
    // The nesting the tree reader accepts.
    static constexpr size_t MaxDepth = 1024;

    bool Number();
    bool Scalar(const TScalar &value);
    bool TopScalar(const TScalar &value);
    bool Open(bool object);
    bool Close();
    // A finished nested value, for the container it belongs to.
    bool Deliver(const QJsonValue &value);

    QString Text(const TScalar &value);
    TCellSpan Cell(const TScalar &value);
    QJsonValue Json(const TScalar &value);
    // "code" and "count": null reads as 0, a number must be whole, a text must hold one.
    bool Whole(const TScalar &value, int64_t &whole);

    void StartObjectRow();
    void SetColumn(TCellSpan cell);
    void AddRow(std::unique_ptr<TRec<QString>> row) { FBuilt.push_back(std::move(row)); }

    TAnswerParts &FParts;
    const rapidjson::MemoryStream *FStream = nullptr;
    std::vector<TMode> FModes; // the open containers, innermost last
    TMember FMember = mbOther;
    unsigned FSeen = 0; // the members met so far, a bit each
    bool FFieldsDone = false;
    bool FDone = false;
    TRowBuilder FRow;
    std::vector<std::unique_ptr<TRec<QString>>> FBuilt;
    TValueBuilder FValue;

    // Object rows: column positions by key, a chain for a name given twice, the cells of the row
    // in column order, and the keys of the previous row by position, since rows repeat them.
    struct TColumns {
        int First;
        int Last;
    };
    struct TRecentKey {
        std::u16string Text;
        int Column;
    };
    bool FKeysReady = false;
    std::unordered_map<std::u16string, TColumns> FColumns;
    std::vector<int> FNextColumn;
    std::vector<TCellSpan> FSlots;
    std::vector<TRecentKey> FRecent;
    size_t FKeyIndex = 0;
    int FColumn = -1; // the first column of the current key; -1 when none
};

TStreamReader::TResult TStreamReader::Parse(const QByteArray &utf8)
{
    qsizetype from = 0;
    if (utf8.startsWith("\xEF\xBB\xBF"))
        from = 3; // a byte-order mark ahead of the answer
    const size_t size = size_t(utf8.size() - from);
    if (size >= std::numeric_limits<rapidjson::SizeType>::max())
        return Declined;
    // Texts arrive as UTF-16, checked to be UTF-8 as strictly as the tree reader checks them.
    rapidjson::MemoryStream stream(utf8.constData() + from, size);
    FStream = &stream;
    rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF16<char16_t>> reader;
    constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag;
    const rapidjson::ParseResult result = reader.Parse<flags>(stream, *this);
    if (result.IsError()) {
        // A text that ran out before the answer closed is cut short; the tree reader, lenient
        // about characters but not about structure, could not close it either.
        if (result.Code() != rapidjson::kParseErrorTermination && result.Offset() == size && stream.Tell() == size)
            return Unreadable;
        return Declined;
    }
    if (!FDone || !(FSeen & (1u << mbFields)) || !(FSeen & (1u << mbData)))
        return Declined;
    if (FParts.Type != datNull) {
        if (FBuilt.size() > size_t(std::numeric_limits<int>::max()))
            return Declined;
        FParts.Rows = RowTable(FBuilt);
    }
    return Read;
}

bool TStreamReader::Number()
{
    // The parser has just taken the number, so its text ends here and reaches back over the
    // characters a number is written with.
    const char *end = FStream->src_;
    const char *begin = end;
    while (begin > FStream->begin_ && std::strchr("0123456789+-.eE", begin[-1]) && begin[-1] != '\0')
        --begin;
    TScalar number{QJsonValue::Double, false, {}, {}};
    return NumberOf(std::string_view(begin, size_t(end - begin)), number.Number) && Scalar(number);
}

QString TStreamReader::Text(const TScalar &value)
{
    switch (value.Type) {
    case QJsonValue::String:
        return value.Text.toString();
    case QJsonValue::Double:
        return NumberText(value.Number);
    case QJsonValue::Bool:
        return BoolText(value.Bool);
    default:
        return QString();
    }
}

TCellSpan TStreamReader::Cell(const TScalar &value)
{
    switch (value.Type) {
    case QJsonValue::String:
        return FRow.Append(value.Text);
    case QJsonValue::Double:
        if (value.Number.Whole) {
            char digits[24];
            const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value.Number.Int);
            return FRow.AppendLatin1(std::string_view(digits, size_t(end - digits)));
        }
        return FRow.Append(NumberText(value.Number));
    case QJsonValue::Bool:
        return FRow.AppendLatin1(value.Bool ? "true" : "false");
    default:
        return TCellSpan{};
    }
}

QJsonValue TStreamReader::Json(const TScalar &value)
{
    switch (value.Type) {
    case QJsonValue::String:
        return QJsonValue(value.Text.toString());
    case QJsonValue::Double:
        return JsonOf(value.Number);
    case QJsonValue::Bool:
        return QJsonValue(value.Bool);
    default:
        return QJsonValue(QJsonValue::Null);
    }
}

bool TStreamReader::Whole(const TScalar &value, int64_t &whole)
{
    switch (value.Type) {
    case QJsonValue::Null:
        whole = 0;
        return true;
    case QJsonValue::Double:
        whole = value.Number.Int;
        return value.Number.Whole;
    case QJsonValue::String:
        return WholeOfText(value.Text, whole);
    default:
        return false;
    }
}

bool TStreamReader::Scalar(const TScalar &value)
{
    if (FModes.empty())
        return false; // the answer is an object
    switch (FModes.back()) {
    case mdTop:
        return TopScalar(value);
    case mdFields:
        FParts.Names.push_back(ColumnName(Text(value)));
        return true;
    case mdRows:
        return false; // a row is an object or an array
    case mdArrayRow:
        if (value.Type == QJsonValue::Null)
            return false;
        FRow.Add(Cell(value));
        return true;
    case mdObjectRow:
        if (FColumn >= 0)
            SetColumn(Cell(value));
        return true;
    case mdBuild:
        FValue.Add(Json(value));
        return true;
    case mdSkip:
        return true;
    }
    return false;
}

bool TStreamReader::TopScalar(const TScalar &value)
{
    switch (FMember) {
    case mbCode:
        return Whole(value, FParts.Code);
    case mbCount:
        return Whole(value, FParts.Count);
    case mbFields:
        FFieldsDone = true; // not a list: no columns
        return value.Type != QJsonValue::Null;
    case mbData:
        FParts.Type = datNull;
        return value.Type != QJsonValue::Null;
    case mbRaw:
        FParts.Raw = Json(value);
        return true;
    case mbOther:
        return true;
    }
    return false;
}

bool TStreamReader::Key(const char16_t *text, rapidjson::SizeType size, bool)
{
    const std::u16string_view key(text, size);
    switch (FModes.back()) {
    case mdTop: {
        if (key == u"code")
            FMember = mbCode;
        else if (key == u"count")
            FMember = mbCount;
        else if (key == u"fields")
            FMember = mbFields;
        else if (key == u"data")
            FMember = mbData;
        else if (key == u"raw")
            FMember = mbRaw;
        else
            return (FMember = mbOther, true);
        const unsigned bit = 1u << FMember;
        if (FSeen & bit)
            return false; // the later one would win: left to the tree reader
        FSeen |= bit;
        return true;
    }
    case mdObjectRow: {
        const size_t index = FKeyIndex++;
        if (index < FRecent.size() && FRecent[index].Text == key) {
            FColumn = FRecent[index].Column;
            return true;
        }
        const auto it = FColumns.find(std::u16string(key));
        FColumn = it != FColumns.end() ? it->second.First : -1;
        if (index >= FRecent.size())
            FRecent.resize(index + 1);
        FRecent[index].Text.assign(key);
        FRecent[index].Column = FColumn;
        return true;
    }
    case mdBuild:
        FValue.SetKey(QStringView(key).toString());
        return true;
    default: // mdSkip: only objects have keys
        return true;
    }
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
    FSlots.assign(FParts.Names.size(), TCellSpan{});
    FKeyIndex = 0;
    FColumn = -1;
}

void TStreamReader::SetColumn(TCellSpan cell)
{
    for (int c = FColumn; c >= 0; c = FNextColumn[size_t(c)])
        FSlots[size_t(c)] = cell; // a key given twice: the later value wins
}

bool TStreamReader::Open(bool object)
{
    if (FModes.size() >= MaxDepth)
        return false;
    if (FModes.empty()) {
        if (!object)
            return false;
        FModes.push_back(mdTop);
        return true;
    }
    TMode mode = mdSkip;
    switch (FModes.back()) {
    case mdTop:
        switch (FMember) {
        case mbCode:
        case mbCount:
            return false;
        case mbFields:
            if (object)
                FFieldsDone = true; // not a list: no columns
            else
                mode = mdFields;
            break;
        case mbData:
            if (!object) {
                FParts.Type = datJSONRows;
                mode = mdRows;
            } else {
                if (!FFieldsDone)
                    return false;
                FParts.Type = datJSONRow;
                StartObjectRow();
                mode = mdObjectRow;
            }
            break;
        case mbRaw:
            mode = mdBuild;
            break;
        case mbOther:
            break;
        }
        break;
    case mdRows:
        if (object) {
            if (!FFieldsDone)
                return false;
            StartObjectRow();
            mode = mdObjectRow;
        } else {
            mode = mdArrayRow;
        }
        break;
    case mdObjectRow:
        if (FColumn >= 0)
            mode = mdBuild;
        break;
    case mdFields:
    case mdArrayRow:
    case mdBuild:
        mode = mdBuild;
        break;
    case mdSkip:
        break;
    }
    if (mode == mdBuild)
        FValue.Open(object);
    FModes.push_back(mode);
    return true;
}

bool TStreamReader::Close()
{
    const TMode mode = FModes.back();
    FModes.pop_back();
    switch (mode) {
    case mdTop:
        FDone = true;
        return true;
    case mdFields:
        FFieldsDone = true;
        return true;
    case mdArrayRow:
        AddRow(FRow.Take());
        return true;
    case mdObjectRow:
        AddRow(FRow.Take(FSlots.data(), FSlots.size()));
        return true;
    case mdBuild: {
        const QJsonValue value = FValue.Close();
        if (FValue.IsOpen()) {
            FValue.Add(value);
            return true;
        }
        return Deliver(value);
    }
    default:
        return true;
    }
}

bool TStreamReader::Deliver(const QJsonValue &value)
{
    switch (FModes.back()) {
    case mdTop: // only "raw" is built whole
        FParts.Raw = value;
        return true;
    case mdFields:
        FParts.Names.push_back(ColumnName(CellText(value)));
        return true;
    case mdArrayRow:
        FRow.Add(FRow.Append(CellText(value)));
        return true;
    case mdObjectRow:
        SetColumn(FRow.Append(CellText(value)));
        return true;
    default:
        return false;
    }
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

bool TAPIDataAnswer::ReadAnswer(const QByteArray &utf8, TReader reader)
{
    if (reader != TReader::Tree) {
        TAnswerParts parts;
        const TStreamReader::TResult result = TStreamReader(parts).Parse(utf8);
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
