#pragma once

#include "UAPIIndex.h"
#include "UAPITypes.h"
#include "UColor.h"
#include "UDateTime.h"
#include "URecs.h"

#include <QString>

#include <cstdint>
#include <memory>

// The column names of an answer, in column order.
using TUAPIKeyList = TRec<TUAPIKey>;

// The rows of a service answer, with columns addressed by field type. The position of every
// field type's column is worked out once when the table is loaded, so reading a cell is two
// index operations. Cells are the texts the answer delivered; typed accessors convert on the
// fly and read an absent column, row or cell as the empty text.
class TAPIDataArray {
public:
    TAPIDataArray();
    ~TAPIDataArray();
    TAPIDataArray(const TAPIDataArray &) = delete;
    TAPIDataArray &operator=(const TAPIDataArray &) = delete;

    // Frees the rows (not loaded any more) and forgets every column position.
    void Clear();
    // Takes the rows (null leaves the table not loaded) and maps each known column name to its
    // position; for a name given twice the later position wins.
    void LoadData(std::unique_ptr<TRecs<QString>> Rows, const TUAPIKeyList &Fields);
    // Appends a row; starts an empty row list when not loaded. Column positions stay as they are.
    void AddRow(std::unique_ptr<TRec<QString>> RowData);

    bool IsLoaded() const { return FData != nullptr; }
    int RowCount() const { return FData ? FData->Count() : 0; }
    // The rows themselves; null when not loaded.
    const TRecs<QString> *Data() const { return FData.get(); }
    // Column position of every field type, -1 where the answer has no such column.
    const TDataFieldIndex<int32_t> &Conv() const { return FConv; }

    bool IsSet(TDataFieldType Field, int Row) const;
    QString GetData(TDataFieldType Field, int Row) const { return Cell(Field, Row); }
    void SetData(TDataFieldType Field, int Row, const QString &Val);

    QString AsStr(TDataFieldType Field, int Row) const { return Cell(Field, Row); }
    int32_t AsInt(TDataFieldType Field, int Row) const;
    double AsFloat(TDataFieldType Field, int Row) const;
    bool AsBoolean(TDataFieldType Field, int Row) const;
    TDateTime AsDate(TDataFieldType Field, int Row) const;
    TDateTime AsTime(TDataFieldType Field, int Row) const;
    TDateTime AsDateTime(TDataFieldType Field, int Row) const;
    TUAPIDataState AsState(TDataFieldType Field, int Row) const;
    TUDataKey AsDataKey(TDataFieldType Field, int Row) const;
    TColor AsColor(TDataFieldType Field, int Row, TColor DefColor) const;

    bool IsStrEmpty(TDataFieldType Field, int Row) const { return Cell(Field, Row).isEmpty(); }
    bool IsInt(TDataFieldType Field, int Row) const;
    bool IsFloat(TDataFieldType Field, int Row) const;
    bool IsBoolean(TDataFieldType Field, int Row) const;
    bool IsDateTime(TDataFieldType Field, int Row) const;
    bool IsState(TDataFieldType Field, int Row) const;
    bool IsDataKeySet(TDataFieldType Field, int Row) const;

    // Two-cell rows (FieldKey cell, FieldValue cell) in row order; with UniqueKey only the first
    // row of each key. Null when not loaded or when either column is missing.
    std::unique_ptr<TRecs<QString>> Rows(TDataFieldType FieldKey, TDataFieldType FieldValue,
                                         bool UniqueKey) const;

private:
    // The cell, or a shared empty text when there is none; no copy on the read path.
    const QString &Cell(TDataFieldType Field, int Row) const;
    int32_t Position(TDataFieldType Field) const;

    std::unique_ptr<TRecs<QString>> FData;
    TDataFieldIndex<int32_t> FConv;
};
