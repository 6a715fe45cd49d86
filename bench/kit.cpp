// The selection control next to bare Qt: filling it with 10,000 items in title order against
// a QComboBox given the same titles sorted, and showing a multiple selection of 5,000 keys
// against a plain loop joining the same titles.
#include "BenchWidgets.h"
#include "UComboSimple.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

constexpr int kItems = 10000;
constexpr int kSelected = 5000;

// Items keyed 1..n with titles in a shuffled order, owned by a key-ordered source.
std::unique_ptr<TUDataSource> makeSource(int n)
{
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    auto src = std::make_unique<TUDataSource>();
    src->SetFreeItems(true);
    for (int i = 0; i < n; ++i)
        src->Add(new TUDataItem(uint32_t(i + 1), QStringLiteral("Населённый пункт %1").arg(order[size_t(i)])));
    return src;
}

void BM_ComboLoadData(benchmark::State &state)
{
    auto src = makeSource(kItems);
    TUComboSimple combo;
    combo.SetDataSource(src.get());
    for (auto _ : state) {
        combo.LoadData();
        benchmark::DoNotOptimize(combo.Combo()->count());
    }
}
BENCHMARK(BM_ComboLoadData)->Unit(benchmark::kMillisecond);

// The anchor: the same titles, sorted the same way, into a bare list.
void BM_QComboBoxAddItems(benchmark::State &state)
{
    auto src = makeSource(kItems);
    QComboBox combo;
    for (auto _ : state) {
        QStringList titles;
        titles.reserve(src->Count());
        for (TUDataItem *item : *src)
            titles << item->Title();
        std::sort(titles.begin(), titles.end());
        combo.clear();
        combo.addItems(titles);
        benchmark::DoNotOptimize(combo.count());
    }
}
BENCHMARK(BM_QComboBoxAddItems)->Unit(benchmark::kMillisecond);

// A multiple-selection control over kItems items and kSelected of their keys.
struct TMultiSelection {
    TMultiSelection() : src(makeSource(kItems))
    {
        combo.SetMode(smMultiSelect);
        combo.SetDataSource(src.get());
        for (uint32_t k = 1; k <= kSelected; ++k)
            keys.Add(k * 2);
    }
    std::unique_ptr<TUDataSource> src;
    TUComboSimple combo;
    TUDataKeyList keys;
};

void BM_SelectedTitles(benchmark::State &state)
{
    TMultiSelection m;
    auto &combo = m.combo;
    auto &keys = m.keys;
    combo.SetSelected(&keys);
    QString titles;
    for (auto _ : state) {
        combo.GetSelectedTitles(titles);
        benchmark::DoNotOptimize(titles.size());
    }
}
BENCHMARK(BM_SelectedTitles)->Unit(benchmark::kMicrosecond);

// The whole multiple selection: setting 5,000 keys and showing them in the field.
void BM_ShowSelection(benchmark::State &state)
{
    TMultiSelection m;
    auto &combo = m.combo;
    auto &keys = m.keys;
    for (auto _ : state) {
        combo.SetSelected(&keys);
        benchmark::DoNotOptimize(combo.Edit()->text().size());
    }
}
BENCHMARK(BM_ShowSelection)->Unit(benchmark::kMicrosecond);

// The anchor: every selected title looked up and joined, without a cut.
void BM_JoinTitles(benchmark::State &state)
{
    auto src = makeSource(kItems);
    TUDataKeyList keys;
    for (uint32_t k = 1; k <= kSelected; ++k)
        keys.Add(k * 2);
    for (auto _ : state) {
        QString titles;
        for (const TUDataKey &k : keys) {
            TUDataItem *item = nullptr;
            if (!src->TryGetValue(k, item))
                continue;
            if (!titles.isEmpty())
                titles += QStringLiteral(", ");
            titles += item->Title();
        }
        benchmark::DoNotOptimize(titles.size());
    }
}
BENCHMARK(BM_JoinTitles)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
