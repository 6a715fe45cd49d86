// FromName against a plain scan of the names, over every field name in random order.
#include "UAPIDataFields.h"

#include <benchmark/benchmark.h>

#include <QList>
#include <QString>

#include <algorithm>
#include <random>

namespace {

QList<QString> ShuffledNames()
{
    QList<QString> names;
    for (int i = 0; i < DataFieldTypeCount; ++i)
        names.append(QString(ToName(TDataFieldType(i))));
    std::mt19937 random(20240607);
    std::shuffle(names.begin(), names.end(), random);
    return names;
}

// What FromName would cost without its index: compare with every name in turn.
TDataFieldType LinearFromName(QStringView name)
{
    for (int i = 0; i < DataFieldTypeCount; ++i)
        if (ToName(TDataFieldType(i)) == name)
            return TDataFieldType(i);
    return dft_null;
}

void BM_FromName(benchmark::State &state)
{
    const QList<QString> names = ShuffledNames();
    for (auto _ : state)
        for (const QString &name : names)
            benchmark::DoNotOptimize(FromName<TDataFieldType>(QStringView(name)));
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_FromName);

void BM_LinearScan(benchmark::State &state)
{
    const QList<QString> names = ShuffledNames();
    for (auto _ : state)
        for (const QString &name : names)
            benchmark::DoNotOptimize(LinearFromName(name));
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_LinearScan);

} // namespace

BENCHMARK_MAIN();
