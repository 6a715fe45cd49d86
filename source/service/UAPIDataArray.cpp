#include "UAPIDataArray.h"

#include "UConv.h"

#include <QSet>

#include <limits>

namespace {

// Optional sign and decimal digits that fit 32 bits; 0 for anything else.
int32_t ReadInt(QStringView text)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+'))
        negative = text[pos++] == u'-';
    if (pos == text.size())
        return 0;
    int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c - u'0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return 0;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max())
        return 0;
    return int32_t(value);
}

} // namespace

TAPIDataArray::TAPIDataArray()
{
    TUAPIIndex::Fill(FConv, -1);
}

TAPIDataArray::~TAPIDataArray() = default;

void TAPIDataArray::Clear()
{
    FData.reset();
    TUAPIIndex::Fill(FConv, -1);
}

void TAPIDataArray::LoadData(std::unique_ptr<TRecs<QString>> Rows, const TUAPIKeyList &Fields)
{
    Clear();
    FData = std::move(Rows);
    for (int i = 0; i < Fields.Count(); ++i) {
        const TDataFieldType field = FromName<TDataFieldType>(Fields[i].NameView());
        if (field != dft_null)
            FConv[field] = i;
    }
}

void TAPIDataArray::AddRow(std::unique_ptr<TRec<QString>> RowData)
{
    UAssert(RowData != nullptr, QStringLiteral("RowData must be assigned"));
    if (!FData)
        FData = std::make_unique<TRecs<QString>>();
    TRec<QString> *row = RowData.get();
    FData->Add(row);
    RowData.release(); // the table owns it now
}

int32_t TAPIDataArray::Position(TDataFieldType Field) const
{
    // A field type cast from an outside number must not read past the table.
    return unsigned(Field) < unsigned(DataFieldTypeCount) ? FConv[Field] : -1;
}

bool TAPIDataArray::IsSet(TDataFieldType Field, int Row) const
{
    return FData && FData->IsValidIndex(Row) && Position(Field) >= 0;
}

const QString &TAPIDataArray::Cell(TDataFieldType Field, int Row) const
{
    static const QString empty;
    if (!IsSet(Field, Row))
        return empty;
    const TRec<QString> *row = FData->Items(Row);
    const int32_t position = FConv[Field];
    if (!row || position >= row->Count())
        return empty;
    return row->Items(position);
}

void TAPIDataArray::SetData(TDataFieldType Field, int Row, const QString &Val)
{
    if (!IsSet(Field, Row))
        return;
    TRec<QString> *row = FData->Items(Row);
    const int32_t position = FConv[Field];
    if (row && position < row->Count())
        row->SetItems(position, Val);
}

int32_t TAPIDataArray::AsInt(TDataFieldType Field, int Row) const
{
    return ReadInt(Cell(Field, Row));
}

double TAPIDataArray::AsFloat(TDataFieldType Field, int Row) const
{
    return TUConv::StrToFloat(Cell(Field, Row), 0);
}

bool TAPIDataArray::AsBoolean(TDataFieldType Field, int Row) const
{
    const QString &cell = Cell(Field, Row);
    return cell == u"Y" || cell == u"1" || cell == u"ENABLED";
}

TDateTime TAPIDataArray::AsDate(TDataFieldType Field, int Row) const
{
    return TDateTimeFormat::SQL().ParseDate(Cell(Field, Row));
}

TDateTime TAPIDataArray::AsTime(TDataFieldType Field, int Row) const
{
    return TDateTimeFormat::SQL().ParseTime(Cell(Field, Row));
}

TDateTime TAPIDataArray::AsDateTime(TDataFieldType Field, int Row) const
{
    return TDateTimeFormat::SQL().ParseDateTime(Cell(Field, Row));
}

TUAPIDataState TAPIDataArray::AsState(TDataFieldType Field, int Row) const
{
    TUAPIDataState state = dsNull;
    SetCode(state, Cell(Field, Row));
    return state;
}

TUDataKey TAPIDataArray::AsDataKey(TDataFieldType Field, int Row) const
{
    return TUDataKey(QStringView(Cell(Field, Row)));
}

TColor TAPIDataArray::AsColor(TDataFieldType Field, int Row, TColor DefColor) const
{
    const QString &cell = Cell(Field, Row);
    return cell.isEmpty() ? DefColor : TUConv::RGBHexToColor(cell);
}

bool TAPIDataArray::IsInt(TDataFieldType Field, int Row) const
{
    return TUConv::IsValidInt(Cell(Field, Row));
}

bool TAPIDataArray::IsFloat(TDataFieldType Field, int Row) const
{
    return TUConv::IsValidFloat(Cell(Field, Row));
}

bool TAPIDataArray::IsBoolean(TDataFieldType Field, int Row) const
{
    const QString &cell = Cell(Field, Row);
    return cell == u"Y" || cell == u"N";
}

bool TAPIDataArray::IsDateTime(TDataFieldType Field, int Row) const
{
    return AsDateTime(Field, Row).Value() > 0;
}

bool TAPIDataArray::IsState(TDataFieldType Field, int Row) const
{
    return AsState(Field, Row) != dsNull;
}

bool TAPIDataArray::IsDataKeySet(TDataFieldType Field, int Row) const
{
    return AsDataKey(Field, Row).IsSet();
}

std::unique_ptr<TRecs<QString>> TAPIDataArray::Rows(TDataFieldType FieldKey, TDataFieldType FieldValue,
                                                    bool UniqueKey) const
{
    if (!FData || Position(FieldKey) < 0 || Position(FieldValue) < 0)
        return nullptr;
    auto result = std::make_unique<TRecs<QString>>(RowCount());
    QSet<QString> seen; // keys already in the result, so uniqueness costs no search
    for (int r = 0; r < RowCount(); ++r) {
        const QString &key = Cell(FieldKey, r);
        if (UniqueKey) {
            if (seen.contains(key))
                continue;
            seen.insert(key);
        }
        result->AddPair(key, Cell(FieldValue, r));
    }
    return result;
}
