#pragma once

#include "UAPIDataFields.h"
#include "URecs.h"

#include <QJsonValue>
#include <QString>

#include <array>
#include <cstdint>

// One T for every field type, indexed by the field type.
template <typename T>
class TDataFieldIndex {
public:
    // A field type outside the enumeration (FromName's answer for an unknown name, say) is out
    // of range, as it is for ToName.
    T &operator[](TDataFieldType field)
    {
        Check(field);
        return FItems[field];
    }
    const T &operator[](TDataFieldType field) const
    {
        Check(field);
        return FItems[field];
    }

    static constexpr int Count() { return DataFieldTypeCount; }
    auto begin() { return FItems.begin(); }
    auto end() { return FItems.end(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    bool operator==(const TDataFieldIndex &) const = default;

private:
    static void Check(TDataFieldType field)
    {
        if (field >= DataFieldTypeCount)
            RaiseArgumentOutOfRange();
    }
    std::array<T, DataFieldTypeCount> FItems{};
};

class TUAPIIndex {
public:
    // Sets every element of `index` to `value`.
    template <typename T>
    static void Fill(TDataFieldIndex<T> &index, const T &value)
    {
        for (T &item : index)
            item = value;
    }
};

// Title, width and visibility of one column.
struct TDataFieldConfig {
    QString Title;
    int32_t Width = -1; // -1: not shown
    bool IsVisible = false;

    void Clear();
    bool Visible() const { return IsVisible && Width >= 0; }
    bool operator==(const TDataFieldConfig &) const = default;
};

using TDataFieldList = TRec<TDataFieldType>;

// The column layout of one object type: regular and dynamic columns in display order, the
// columns that must not be exported, and title, width and visibility of every field type.
class TDataObjectFieldConfig {
public:
    TDataObjectFieldConfig();
    TDataObjectFieldConfig(const TDataObjectFieldConfig &) = delete;
    TDataObjectFieldConfig &operator=(const TDataObjectFieldConfig &) = delete;

    int32_t FixedCount() const { return FFixedCount; }
    void SetFixedCount(int32_t value) { FFixedCount = value; }
    int32_t DynStart() const { return FDynStart; }
    void SetDynStart(int32_t value) { FDynStart = value; }
    const TDataFieldList &Fields() const { return FFields; }
    const TDataFieldList &DynFields() const { return FDynFields; }
    const TDataFieldList &ExportDisabled() const { return FExportDisabled; }
    const TDataFieldIndex<TDataFieldConfig> &DataArray() const { return FData; }

    void Clear();
    void Assign(const TDataObjectFieldConfig &source);
    void AddField(TDataFieldType field, const TDataFieldConfig &conf);
    void AddDynField(TDataFieldType field, const TDataFieldConfig &conf);
    const TDataFieldConfig &GetData(TDataFieldType field) const { return FData[field]; }
    void SetData(TDataFieldType field, const TDataFieldConfig &conf);
    bool IsSet() const { return !FFields.IsEmpty(); }
    bool IsDynSet() const { return !FDynFields.IsEmpty(); }

    // The layout as a JSON object; False and an undefined value when it cannot be written.
    bool GetConfig(QJsonValue &value) const;
    // Reads what GetConfig wrote: order, membership and widths only (titles and visibility
    // come from the service's layout). Never throws; on any malformed input the layout is
    // cleared and the result is False.
    bool SetConfig(const QJsonValue &value) noexcept;

private:
    bool ReadConfig(const QJsonValue &value);

    int32_t FFixedCount = -1;
    int32_t FDynStart = -1;
    TDataFieldList FFields;
    TDataFieldList FDynFields;
    TDataFieldIndex<TDataFieldConfig> FData;
    TDataFieldList FExportDisabled;
};
