// Key searches and key dictionaries next to their standard-library anchors, and a count of the
// heap allocations made by key operations (expected: none).
#include "URecs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <unordered_map>
#include <vector>

// Every allocation of this program goes through here, so a benchmark can count its own.
static std::atomic<long> gAllocations{0};

void *operator new(size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }

namespace {

constexpr int kKeyCount = 1000000;
constexpr int kProbeCount = 1 << 16;

enum KeyKind { kNumbers, kTexts };

// kKeyCount distinct keys, ascending.
std::vector<TUDataKey> makeKeys(KeyKind kind)
{
    std::mt19937 rng(kind == kNumbers ? 1 : 2);
    std::vector<TUDataKey> keys;
    keys.reserve(kKeyCount + kKeyCount / 8);
    if (kind == kNumbers) {
        while (int(keys.size()) < kKeyCount + kKeyCount / 8)
            keys.emplace_back(uint32_t(rng()));
    } else {
        // Identifier-like texts of 6 to 24 characters, starting with a letter.
        const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::uniform_int_distribution<int> len(6, 24), letter(0, 25), ch(0, 35);
        while (int(keys.size()) < kKeyCount + kKeyCount / 8) {
            QString s(len(rng), Qt::Uninitialized);
            s[0] = QLatin1Char(alphabet[letter(rng)]);
            for (qsizetype i = 1; i < s.size(); ++i)
                s[i] = QLatin1Char(alphabet[ch(rng)]);
            keys.emplace_back(s);
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    keys.resize(kKeyCount);
    return keys;
}

// Search probes: three in four present, the rest absent; in random order.
std::vector<TUDataKey> makeProbes(const std::vector<TUDataKey> &keys, KeyKind kind)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, kKeyCount - 1);
    std::vector<TUDataKey> probes;
    probes.reserve(kProbeCount);
    for (int i = 0; i < kProbeCount; ++i) {
        if (i % 4 != 3)
            probes.push_back(keys[size_t(pick(rng))]);
        else if (kind == kNumbers)
            probes.emplace_back(uint32_t(rng()));
        else
            probes.emplace_back(QStringLiteral("zz%1absent").arg(i));
    }
    return probes;
}

struct Data {
    std::vector<TUDataKey> keys;
    std::vector<TUDataKey> probes;
};

Data build(KeyKind kind)
{
    Data d{makeKeys(kind), {}};
    d.probes = makeProbes(d.keys, kind);
    return d;
}

const Data &data(KeyKind kind)
{
    static const Data all[2] = {build(kNumbers), build(kTexts)};
    return all[kind];
}

void BM_FindFast(benchmark::State &state)
{
    const Data &d = data(KeyKind(state.range(0)));
    TUDataKeyList list(kKeyCount);
    for (const TUDataKey &k : d.keys)
        list.AddLast(k);
    size_t i = 0, found = 0;
    for (auto _ : state) {
        found += list.FindFast(d.probes[i]);
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(found);
}

void BM_StdLowerBound(benchmark::State &state)
{
    const Data &d = data(KeyKind(state.range(0)));
    const std::vector<TUDataKey> keys = d.keys;
    const auto less = [](const TUDataKey &l, const TUDataKey &r) { return l.Compare(r) < 0; };
    size_t i = 0, found = 0;
    for (auto _ : state) {
        const TUDataKey &probe = d.probes[i];
        const auto it = std::lower_bound(keys.begin(), keys.end(), probe, less);
        found += it != keys.end() && it->Compare(probe) == 0;
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(found);
}

void BM_DictionaryGet(benchmark::State &state)
{
    const Data &d = data(KeyKind(state.range(0)));
    TDataKeyDictionary<int> dict(kKeyCount);
    for (int k = 0; k < kKeyCount; ++k)
        dict.SetKeyValue(d.keys[size_t(k)], k);
    size_t i = 0;
    long sum = 0;
    for (auto _ : state) {
        sum += dict.GetKeyValue(d.probes[i]);
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(sum);
}

void BM_StdUnorderedMapFind(benchmark::State &state)
{
    const Data &d = data(KeyKind(state.range(0)));
    std::unordered_map<TUDataKey, int, TDataIDEqualityComparer, TDataIDEqualityComparer> map;
    map.reserve(kKeyCount);
    for (int k = 0; k < kKeyCount; ++k)
        map.insert_or_assign(d.keys[size_t(k)], k);
    size_t i = 0;
    long sum = 0;
    for (auto _ : state) {
        const auto it = map.find(d.probes[i]);
        sum += it == map.end() ? 0 : it->second;
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(sum);
}

// Making keys from texts and numbers, copying, comparing and hashing them: fails unless the heap
// is left alone.
void BM_KeyOperationsAllocate(benchmark::State &state)
{
    const QString texts[] = {QStringLiteral("Щит-0042 Ёлка"), QStringLiteral("4000000000"), QStringLiteral("-17"),
                             QStringLiteral("document-with-a-name-longer-than-32-characters")};
    TUDataKey keys[8];
    benchmark::DoNotOptimize(TUDataKey(texts[0]).Hash()); // builds the code-page tables once
    const long before = gAllocations.load();
    uint32_t acc = 0;
    for (auto _ : state) {
        for (int i = 0; i < 4; ++i) {
            keys[i] = TUDataKey(texts[i]);
            keys[i + 4] = TUDataKey(uint32_t(acc + i));
        }
        TUDataKey copy = keys[acc & 7];
        acc += copy.Hash() + uint32_t(copy.Compare(keys[0]) + copy.TheSame(keys[3])) + uint32_t(copy);
        benchmark::DoNotOptimize(keys);
    }
    benchmark::DoNotOptimize(acc);
    const long allocations = gAllocations.load() - before;
    state.counters["allocations"] = double(allocations);
    if (allocations != 0)
        state.SkipWithError("key operations allocated");
}

} // namespace

BENCHMARK(BM_FindFast)->Arg(kNumbers)->Arg(kTexts)->ArgName("texts");
BENCHMARK(BM_StdLowerBound)->Arg(kNumbers)->Arg(kTexts)->ArgName("texts");
BENCHMARK(BM_DictionaryGet)->Arg(kNumbers)->Arg(kTexts)->ArgName("texts");
BENCHMARK(BM_StdUnorderedMapFind)->Arg(kNumbers)->Arg(kTexts)->ArgName("texts");
BENCHMARK(BM_KeyOperationsAllocate);

BENCHMARK_MAIN();
