// Service answers are outside input: whatever bytes arrive, parsing must neither throw nor
// crash, an unreadable answer must come out cleared with its text kept, and every reader of
// the table must work on whatever was read.
#include "UAPIData.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

void ReadEverything(const TAPIDataAnswer &answer)
{
    const TAPIDataArray &data = answer.Data();
    Check(answer.IsGood() == (answer.Error() == 0));
    Check(data.IsLoaded() == (answer.DataType() != datNull));
    Check(answer.DataType() != datJSONRow || data.RowCount() == 1);
    for (int f = 0; f < DataFieldTypeCount; ++f) {
        const auto field = TDataFieldType(f);
        if (data.Conv()[field] < 0)
            continue;
        Check(data.Conv()[field] < answer.Field().Count());
        for (int row = -1; row <= data.RowCount(); ++row) {
            data.AsStr(field, row);
            data.AsInt(field, row);
            data.AsFloat(field, row);
            data.AsBoolean(field, row);
            data.AsDate(field, row);
            data.AsTime(field, row);
            data.AsDateTime(field, row);
            data.AsState(field, row);
            data.AsDataKey(field, row);
            data.AsColor(field, row, 0);
            data.IsInt(field, row);
            data.IsFloat(field, row);
            data.IsBoolean(field, row);
            data.IsDateTime(field, row);
        }
        const auto pairs = data.Rows(field, dft_id, true);
        Check(!pairs || pairs->Count() <= data.RowCount());
    }
}

bool SameRows(const TAPIDataArray &a, const TAPIDataArray &b)
{
    if (a.IsLoaded() != b.IsLoaded() || a.RowCount() != b.RowCount())
        return false;
    for (int row = 0; row < a.RowCount(); ++row) {
        const TRec<QString> &x = *a.Data()->Items(row);
        const TRec<QString> &y = *b.Data()->Items(row);
        if (x.Count() != y.Count() || !std::equal(x.begin(), x.end(), y.begin()))
            return false;
    }
    for (int f = 0; f < DataFieldTypeCount; ++f)
        if (a.Conv()[TDataFieldType(f)] != b.Conv()[TDataFieldType(f)])
            return false;
    return true;
}

bool SameAnswer(const TAPIDataAnswer &a, const TAPIDataAnswer &b)
{
    if (a.Error() != b.Error() || a.ErrorStr() != b.ErrorStr() || a.DataType() != b.DataType() ||
        a.Count() != b.Count() || a.Raw() != b.Raw() || a.Field().Count() != b.Field().Count())
        return false;
    for (int i = 0; i < a.Field().Count(); ++i)
        if (!(a.Field().Items(i) == b.Field().Items(i)))
            return false;
    return SameRows(a.Data(), b.Data());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(bytes), qsizetype(size));
    TAPIDataAnswer answer;
    const uint16_t code = answer.ParseUtf8(text);
    Check(code == answer.Error());
    if (!answer.ErrorStr().isEmpty()) {
        Check(code == TAPIDataAnswer::ErrorUnreadable && answer.DataType() == datNull &&
              !answer.Data().IsLoaded() && answer.Field().IsEmpty() && answer.Raw().isUndefined());
    }
    ReadEverything(answer);

    // The one-pass reader, wherever it takes a text, reads it exactly as the tree reader does, and
    // what it declines the tree reader decides.
    TAPIDataAnswer tree;
    tree.ParseUtf8(text, TAPIDataAnswer::TReader::Tree);
    Check(SameAnswer(answer, tree));
    TAPIDataAnswer stream;
    if (stream.ParseUtf8(text, TAPIDataAnswer::TReader::Stream) != TAPIDataAnswer::ErrorUnreadable ||
        stream.ErrorStr().isEmpty())
        Check(SameAnswer(stream, tree));

    // The text path must agree wherever the bytes are UTF-8 the text can carry.
    const QString decoded = QString::fromUtf8(text);
    if (decoded.toUtf8() == text) {
        TAPIDataAnswer again(decoded);
        Check(again.Error() == answer.Error() && again.DataType() == answer.DataType() &&
              again.Data().RowCount() == answer.Data().RowCount() && again.Count() == answer.Count() &&
              again.ErrorStr().isEmpty() == answer.ErrorStr().isEmpty());
    }
    return 0;
}
