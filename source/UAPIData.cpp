#include "UAPIData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>
#include <limits>
#include <vector>

namespace {

bool IsAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

// A whole number member ("code", "count"): absent or null reads as 0; a number must be whole and
// within 64 bits; a text must hold a decimal integer. Anything else is not a readable answer.
bool ReadWhole(const QJsonValue &value, int64_t &result)
{
    result = 0;
    switch (value.type()) {
    case QJsonValue::Undefined:
    case QJsonValue::Null:
        return true;
    case QJsonValue::Double: {
        const QVariant number = value.toVariant();
        if (number.typeId() == QMetaType::LongLong) {
            result = number.toLongLong();
            return true;
        }
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) >= 9223372036854775808.0)
            return false;
        result = int64_t(d);
        return true;
    }
    case QJsonValue::String: {
        bool ok = false;
        result = QStringView(value.toString()).trimmed().toLongLong(&ok);
        return ok;
    }
    default:
        return false;
    }
}

// A number as its JSON text. Whole numbers the parser kept as 64-bit integers keep every digit;
// other numbers get their shortest exact form, whole ones without an exponent where a double
// holds every digit.
QString NumberText(const QJsonValue &value)
{
    const QVariant number = value.toVariant();
    if (number.typeId() == QMetaType::LongLong)
        return QString::number(number.toLongLong());
    const double d = value.toDouble();
    if (std::trunc(d) == d && std::fabs(d) < 9007199254740992.0) // 2^53
        return QString::number(int64_t(d));
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

// The text of one cell: a string's characters, anything else its JSON text; null is empty.
QString CellText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return NumberText(value);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    default:
        return QString();
    }
}

// A row from an object: for each column, the value under its name; missing and null are empty.
std::unique_ptr<TRec<QString>> ObjectRow(const QJsonObject &object, const std::vector<QString> &names)
{
    auto row = std::make_unique<TRec<QString>>(int(names.size()));
    for (const QString &name : names)
        row->Add(CellText(object.value(name)));
    return row;
}

// A row from an array: its values in their own order; a null value makes the answer unreadable.
std::unique_ptr<TRec<QString>> ArrayRow(const QJsonArray &array)
{
    if (array.size() > std::numeric_limits<int>::max())
        return nullptr;
    auto row = std::make_unique<TRec<QString>>(int(array.size()));
    for (const QJsonValue &value : array) {
        if (value.isNull())
            return nullptr;
        row->Add(CellText(value));
    }
    return row;
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
        if (ReadAnswer(Str.toUtf8())) {
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

uint16_t TAPIDataAnswer::ParseUtf8(const QByteArray &Utf8) noexcept
{
    if (Utf8.isEmpty())
        return ErrorUnreadable;
    try {
        if (ReadAnswer(Utf8)) {
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

bool TAPIDataAnswer::ReadAnswer(const QByteArray &utf8)
{
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

    int64_t code = 0;
    int64_t count = 0;
    if (!ReadWhole(top.value(u"code"), code) || !ReadWhole(top.value(u"count"), count))
        return false;
    const QJsonValue fields = top.value(u"fields");
    QJsonValue data = top.take(u"data");
    if (IsAbsent(fields) || IsAbsent(data))
        return false;

    FError = uint16_t(uint64_t(code));
    FCount = int32_t(uint32_t(uint64_t(count)));

    // Object rows are looked up under the names as the column list keeps them: cut to 32.
    FField->Clear();
    std::vector<QString> names;
    if (fields.isArray()) {
        const QJsonArray list = fields.toArray();
        names.reserve(size_t(list.size()));
        for (const QJsonValue &item : list) {
            const QString name = CellText(item).left(TUAPIKey::MaxLength);
            FField->Add(TUAPIKey(name));
            names.push_back(name);
        }
    }

    std::unique_ptr<TRecs<QString>> rows;
    if (data.isArray()) {
        FDataType = datJSONRows;
        QJsonArray elements = data.toArray();
        data = QJsonValue(); // the array's only holder is now `elements`
        const qsizetype total = elements.size();
        if (total > std::numeric_limits<int>::max())
            return false;
        // Built from the back so each element can be dropped as soon as its row is made: the
        // parsed tree and the rows then never both hold the whole answer.
        std::vector<std::unique_ptr<TRec<QString>>> built;
        built.resize(size_t(total));
        for (qsizetype i = total - 1; i >= 0; --i) {
            {
                const QJsonValue element = elements.at(i);
                if (element.isObject())
                    built[size_t(i)] = ObjectRow(element.toObject(), names);
                else if (element.isArray())
                    built[size_t(i)] = ArrayRow(element.toArray());
                if (!built[size_t(i)])
                    return false;
            }
            elements.removeLast();
        }
        rows = std::make_unique<TRecs<QString>>(int(total));
        for (auto &row : built) {
            rows->Add(row.get());
            row.release(); // owned by `rows` now
        }
    } else if (data.isObject()) {
        FDataType = datJSONRow;
        rows = std::make_unique<TRecs<QString>>(1);
        auto row = ObjectRow(data.toObject(), names);
        rows->Add(row.get());
        row.release();
    } else {
        FDataType = datNull;
    }

    FData->LoadData(std::move(rows), *FField);
    FRaw = top.value(u"raw");
    return true;
}
