#include "UAPIDataArray.h"

#include "UConv.h"

#include <QSet>

#include <limits>

namespace {

// Up to `maxDigits` decimal digits at `pos`; false when there are none or more.
bool ReadNumber(QStringView text, qsizetype &pos, int maxDigits, int &value)
{
    value = 0;
    int digits = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        if (++digits > maxDigits)
            return false;
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    return digits > 0;
}

// Three numbers joined by `separator`, starting at `pos`.
bool ReadTriple(QStringView text, qsizetype &pos, QChar separator, int firstDigits, int (&parts)[3])
{
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != separator)
                return false;
            ++pos;
        }
        if (!ReadNumber(text, pos, i == 0 ? firstDigits : 2, parts[i]))
            return false;
    }
    return true;
}

// The service's form: "yyyy-mm-dd", optionally a blank and "hh:mm:ss". Null when the text is
// not in that form or names no real moment.
TDateTime ReadSQLDateTime(QStringView text, bool wantDate, bool wantTime)
{
    qsizetype pos = 0;
    int date[3];
    if (!ReadTriple(text, pos, u'-', 4, date))
        return {};
    int time[3] = {0, 0, 0};
    if (pos < text.size()) {
        if (text[pos] != u' ')
            return {};
        ++pos;
        if (!ReadTriple(text, pos, u':', 2, time) || pos != text.size())
            return {};
    }
    const TDateTime whole = TDateTime::Encode(date[0], date[1], date[2], time[0], time[1], time[2]);
    if (whole.IsNull() || (wantDate && wantTime))
        return whole;
    return wantDate ? whole.DatePart() : whole.TimePart();
}

// A time alone ("hh:mm:ss"), or the time of a date-time.
TDateTime ReadSQLTime(QStringView text)
{
    qsizetype pos = 0;
    int time[3];
    if (ReadTriple(text, pos, u':', 2, time) && pos == text.size())
        return TDateTime::FromTime(QTime(time[0], time[1], time[2]));
    return ReadSQLDateTime(text, false, true);
}

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
    return ReadSQLDateTime(Cell(Field, Row), true, false);
}

TDateTime TAPIDataArray::AsTime(TDataFieldType Field, int Row) const
{
    return ReadSQLTime(Cell(Field, Row));
}

TDateTime TAPIDataArray::AsDateTime(TDataFieldType Field, int Row) const
{
    return ReadSQLDateTime(Cell(Field, Row), true, true);
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
