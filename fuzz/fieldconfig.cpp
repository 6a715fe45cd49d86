// Column layouts are kept as JSON text and come back from the service: SetConfig must take any
// value without throwing, and what it accepts must write back and read again unchanged.
#include "UAPIIndex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QJsonValue value = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());

    TDataObjectFieldConfig config;
    if (!config.SetConfig(value)) {
        if (config.IsSet() || config.IsDynSet() || config.FixedCount() != -1 || !config.ExportDisabled().IsEmpty())
            abort(); // a failure must leave the layout cleared
        return 0;
    }
    QJsonValue written;
    if (!config.GetConfig(written))
        abort();
    TDataObjectFieldConfig again;
    auto same = [](const TDataFieldList &a, const TDataFieldList &b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    if (!again.SetConfig(written) || !same(again.Fields(), config.Fields()) ||
        !same(again.DynFields(), config.DynFields()) || !same(again.ExportDisabled(), config.ExportDisabled()) ||
        again.FixedCount() != config.FixedCount() || again.DynStart() != config.DynStart() ||
        again.DataArray() != config.DataArray())
        abort();
    return 0;
}
