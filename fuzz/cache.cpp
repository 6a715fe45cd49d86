// The reference sets come from the service: LoadSet must take any document without throwing,
// keep every list sorted and free of equal keys, and leave the fixed lists alone.
#include "UnitDataCache.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QJsonValue value = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());

    TDataCache cache;
    const int states = cache.GetData(ctState)->Count();
    const bool loaded = cache.LoadSet(value);
    if (loaded != value.isObject())
        abort();
    for (int t = 0; t < DataCacheTypeCount; ++t) {
        const TUDataSource &list = *cache.GetData(TDataCacheType(t));
        for (int i = 1; i < list.Count(); ++i)
            if (list[i - 1]->ID().Compare(list[i]->ID()) >= 0)
                abort();
    }
    if (cache.GetData(ctState)->Count() != states)
        abort();
    return 0;
}
