#include "UAPIIndex.h"

#include "UJson.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <limits>

void TDataFieldConfig::Clear()
{
    Title.clear();
    Width = -1;
    IsVisible = false;
}

TDataObjectFieldConfig::TDataObjectFieldConfig()
{
    Clear();
}

void TDataObjectFieldConfig::Clear()
{
    FFixedCount = -1;
    FDynStart = -1;
    FFields.Clear();
    FDynFields.Clear();
    FExportDisabled.Clear();
    for (TDataFieldConfig &conf : FData)
        conf.Clear();
}

void TDataObjectFieldConfig::Assign(const TDataObjectFieldConfig &source)
{
    if (&source == this)
        return;
    FFixedCount = source.FFixedCount;
    FDynStart = source.FDynStart;
    FFields.Assign(source.FFields);
    FDynFields.Assign(source.FDynFields);
    FExportDisabled.Assign(source.FExportDisabled);
    FData = source.FData;
}

void TDataObjectFieldConfig::AddField(TDataFieldType field, const TDataFieldConfig &conf)
{
    FData[field] = conf; // first: a field out of range leaves the layout as it was
    FFields.Add(field);
}

void TDataObjectFieldConfig::AddDynField(TDataFieldType field, const TDataFieldConfig &conf)
{
    FData[field] = conf; // first: a field out of range leaves the layout as it was
    FDynFields.Add(field);
}

void TDataObjectFieldConfig::SetData(TDataFieldType field, const TDataFieldConfig &conf)
{
    FData[field] = conf;
}

namespace {

const QLatin1StringView kFixedCount("fixed_count");
const QLatin1StringView kDynStart("dyn_start");
const QLatin1StringView kFields("fields");
const QLatin1StringView kDynFields("dyn_fields");
const QLatin1StringView kExportDisabled("export_disabled");
const QLatin1StringView kId("id");
const QLatin1StringView kTitle("title");
const QLatin1StringView kWidth("width");
const QLatin1StringView kVisible("visible");

// An absent member reads as 0; a number, or a text holding one, must be whole and within 32
// bits; anything else is malformed.
bool ReadInt(const QJsonObject &object, QLatin1StringView key, int32_t &out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
        out = 0;
        return true;
    }
    double number = 0;
    if (!TUJson::AsNumber(value, number))
        return false;
    if (!(number >= std::numeric_limits<int32_t>::min() &&
          number <= std::numeric_limits<int32_t>::max()) ||
        std::trunc(number) != number)
        return false;
    out = int32_t(number);
    return true;
}

// Elements without a known "id" are skipped, as unknown ids are.
TDataFieldType ElementField(const QJsonValue &element)
{
    return FromName<TDataFieldType>(QStringView(element.toObject().value(kId).toString()));
}

} // namespace

bool TDataObjectFieldConfig::GetConfig(QJsonValue &value) const
{
    auto columns = [this](const TDataFieldList &fields) {
        QJsonArray array;
        for (TDataFieldType field : fields) {
            const TDataFieldConfig &conf = FData[field];
            array.append(QJsonObject{{kId, QString(ToName(field))},
                                     {kTitle, conf.Title},
                                     {kWidth, conf.Width},
                                     {kVisible, conf.IsVisible ? QStringLiteral("Y") : QStringLiteral("N")}});
        }
        return array;
    };
    QJsonArray exportDisabled;
    for (TDataFieldType field : FExportDisabled)
        exportDisabled.append(QJsonObject{{kId, QString(ToName(field))}});
    value = QJsonObject{{kFixedCount, FFixedCount},
                        {kDynStart, FDynStart},
                        {kFields, columns(FFields)},
                        {kDynFields, columns(FDynFields)},
                        {kExportDisabled, exportDisabled}};
    return true;
}

bool TDataObjectFieldConfig::SetConfig(const QJsonValue &value) noexcept
{
    bool ok = false;
    try {
        Clear();
        ok = ReadConfig(value);
    } catch (...) {
        // Only memory exhaustion can get here; the contract is a cleared layout and False.
        ok = false;
    }
    if (!ok)
        Clear();
    return ok;
}

bool TDataObjectFieldConfig::ReadConfig(const QJsonValue &value)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    const QJsonValue fields = object.value(kFields);
    const QJsonValue dynFields = object.value(kDynFields);
    const QJsonValue exportDisabled = object.value(kExportDisabled);
    if (!fields.isArray() || !dynFields.isArray() || !exportDisabled.isArray())
        return false;
    if (!ReadInt(object, kFixedCount, FFixedCount) || !ReadInt(object, kDynStart, FDynStart))
        return false;

    auto readColumns = [this](const QJsonArray &array, TDataFieldList &into) {
        for (const QJsonValue element : array) {
            const TDataFieldType field = ElementField(element);
            if (field == dft_null)
                continue;
            int32_t width = 0;
            if (!ReadInt(element.toObject(), kWidth, width))
                return false;
            into.Add(field);
            FData[field].Width = width;
        }
        return true;
    };
    if (!readColumns(fields.toArray(), FFields) || !readColumns(dynFields.toArray(), FDynFields))
        return false;
    for (const QJsonValue element : exportDisabled.toArray()) {
        const TDataFieldType field = ElementField(element);
        if (field != dft_null)
            FExportDisabled.Add(field);
    }
    return true;
}
