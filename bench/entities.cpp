// Data sources and entities next to plain standard-library anchors: lookup by key, title order,
// filling clients from an answer table, and the heap taken by a source of towns. The ratios are
// printed at the end.
#include "BenchHeap.h"
#include "BenchRuns.h"
#include "UnitData.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kLookupItems = 1000000;
constexpr int kProbeCount = 1 << 16;
constexpr int kTitleItems = 100000;
constexpr int kTableRows = 100000;
constexpr int kTownItems = 100000;

// A title of a town-like name, built fresh (no shared text).
QString MakeTitle(std::mt19937 &rng)
{
    static const char16_t letters[] = u"абвгдеёжзийклмнопрстуфхцчшщэюяАБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯabcdefghijklmnop";
    std::uniform_int_distribution<int> len(5, 18), ch(0, int(std::size(letters)) - 2);
    QString s(len(rng), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = QChar(letters[ch(rng)]);
    return s;
}

// ---- Lookup by key

struct LookupData {
    TUDataSource source;
    std::vector<TUDataItem *> items; // the same items, in key order
    std::vector<TUDataKey> probes;   // three in four present, in random order
};

const LookupData &Lookup()
{
    static const LookupData *data = [] {
        auto *d = new LookupData;
        d->source.SetFreeItems(true);
        std::mt19937 rng(1);
        std::vector<uint32_t> keys;
        while (keys.size() < size_t(kLookupItems + kLookupItems / 8))
            keys.push_back(rng() | 1u);
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        keys.resize(kLookupItems);
        // Items made in random key order, as a cache reading an answer makes them, then listed
        // in key order.
        std::vector<uint32_t> shuffled = keys;
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        // The source owns them (FreeItems); it is kept to the end of the program.
        for (uint32_t k : shuffled) {
            d->items.push_back(new TDataTown);
            d->items.back()->SetID(k);
        }
        std::sort(d->items.begin(), d->items.end(),
                  [](TUDataItem *l, TUDataItem *r) { return l->ID().Compare(r->ID()) < 0; });
        d->source.SetCapacity(kLookupItems);
        for (TUDataItem *item : d->items)
            d->source.AddLast(item);
        std::uniform_int_distribution<int> pick(0, kLookupItems - 1);
        for (int i = 0; i < kProbeCount; ++i)
            d->probes.emplace_back(i % 4 != 3 ? keys[size_t(pick(rng))] : (rng() & ~1u));
        return d;
    }();
    return *data;
}

void BM_TryGetValue(benchmark::State &state)
{
    const LookupData &d = Lookup();
    size_t i = 0, found = 0;
    for (auto _ : state) {
        TUDataItem *item = nullptr;
        found += d.source.TryGetValue(d.probes[i], item);
        benchmark::DoNotOptimize(item);
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(found);
}

// The anchor: std::lower_bound over the item pointers with the same key comparison.
void BM_StdLowerBoundItems(benchmark::State &state)
{
    const LookupData &d = Lookup();
    const std::vector<TUDataItem *> &items = d.items;
    size_t i = 0, found = 0;
    for (auto _ : state) {
        const TUDataKey &probe = d.probes[i];
        const auto it = std::lower_bound(items.begin(), items.end(), probe, [](TUDataItem *item, const TUDataKey &key) {
            return item->ID().Compare(key) < 0;
        });
        TUDataItem *item = it != items.end() && (*it)->ID().Compare(probe) == 0 ? *it : nullptr;
        found += item != nullptr;
        benchmark::DoNotOptimize(item);
        i = (i + 1) & (kProbeCount - 1);
    }
    benchmark::DoNotOptimize(found);
}

// ---- Title order

const TUDataSource &Titled()
{
    static const TUDataSource *source = [] {
        auto *s = new TUDataSource;
        s->SetFreeItems(true);
        std::mt19937 rng(2);
        s->SetCapacity(kTitleItems);
        for (int k = 1; k <= kTitleItems; ++k) {
            auto *item = new TDataTown;
            item->SetID(uint32_t(k));
            item->SetTitle(MakeTitle(rng));
            s->AddLast(item);
        }
        return s;
    }();
    return *source;
}

void BM_TitleEnumerator(benchmark::State &state)
{
    const TUDataSource &source = Titled();
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        TUDataSource::TTitleEnumerator e(&source);
        allocations += gAllocations.load() - before;
        size_t sum = 0;
        for (TUDataItem *item : e)
            sum += size_t(item->Title().size());
        benchmark::DoNotOptimize(sum);
    }
    state.counters["allocations"] = double(allocations) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * kTitleItems);
}

// The anchor: the pointers copied into a vector and stable-sorted by the same title comparison.
void BM_StdStableSortTitles(benchmark::State &state)
{
    const TUDataSource &source = Titled();
    const TUDataSource::TTitleComparer byTitle;
    for (auto _ : state) {
        std::vector<TUDataItem *> items(&source.Items(0), &source.Items(0) + source.Count());
        std::stable_sort(items.begin(), items.end(),
                         [&](TUDataItem *l, TUDataItem *r) { return byTitle.Compare(l, r) < 0; });
        size_t sum = 0;
        for (TUDataItem *item : items)
            sum += size_t(item->Title().size());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTitleItems);
}

// ---- Clients from an answer table

const TAPIDataArray &ClientTable()
{
    static const TAPIDataArray *table = [] {
        const std::vector<const char *> names = {
            "client", "title", "color", "state", "manager", "contact", "contact_person", "contact_person_sale",
            "contact_address", "contact_phone", "contact_email", "contact_url", "contact_skype", "contact_icq",
            "contact_vk", "contact_fb", "contact_description", "req", "req_type", "req_name_full",
            "req_name_short", "req_org_code", "req_address", "req_bank_name", "req_bank_account", "req_bank_mfo",
            "req_inn", "req_kpp", "req_nds_code", "req_director_name_full", "req_director_name_short",
            "req_phone", "req_buh", "req_bank_ks", "req_okpo_ru", "creator", "created", "updater", "updated",
            "doc_agreement", "agreement_number", "agreement_date", "quill_email"};
        TUAPIKeyList columns;
        for (const char *name : names)
            columns.Add(TUAPIKey::FromBytes(QByteArrayView(name)));
        std::mt19937 rng(3);
        auto rows = std::make_unique<TRecs<QString>>(kTableRows);
        for (int r = 0; r < kTableRows; ++r) {
            TRec<QString> *row = rows->AddRow();
            for (const char *name : names) {
                const QLatin1String n(name);
                if (n == QLatin1String("client") || n == QLatin1String("manager") || n == QLatin1String("contact") ||
                    n == QLatin1String("req") || n == QLatin1String("creator") || n == QLatin1String("updater") ||
                    n == QLatin1String("doc_agreement") || n == QLatin1String("req_type"))
                    row->Add(QString::number(r + 1 + int(rng() % 1000)));
                else if (n == QLatin1String("color"))
                    row->Add(QStringLiteral("FF8000"));
                else if (n == QLatin1String("state"))
                    row->Add(QStringLiteral("enabled"));
                else if (n.endsWith(QLatin1String("ed")) || n == QLatin1String("agreement_date"))
                    row->Add(QStringLiteral("2024-03-%1 10:20:30").arg(1 + r % 28, 2, 10, QLatin1Char('0')));
                else
                    row->Add(MakeTitle(rng));
            }
        }
        auto *t = new TAPIDataArray;
        t->LoadData(std::move(rows), columns);
        return t;
    }();
    return *table;
}

void BM_ClientLoadClear(benchmark::State &state)
{
    const TAPIDataArray &table = ClientTable();
    TDataClient client;
    for (auto _ : state) {
        for (int r = 0; r < kTableRows; ++r) {
            client.LoadClear(&table, r);
            benchmark::DoNotOptimize(client.ID());
        }
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}

// The anchor: the same cells read with the table's accessors into a plain struct.
struct PlainClient {
    TUDataKey ID;
    QString Title;
    TColor Color;
    TUAPIDataState State;
    TUDataKey Manager;
    TUDataKey ContactID;
    QString Contact[11];
    TUDataKey ReqID;
    TUDataKey ReqType;
    QString Req[16];
    TUAPIActionStamp Created, Updated;
    TUDataKey Agreement;
    TUAPIDocReq AgreementReq;
    QString QuillEmail, ContactEmail;
};

void BM_PlainClientLoop(benchmark::State &state)
{
    const TAPIDataArray &t = ClientTable();
    static const TDataFieldType contact[] = {
        dft_contact_person, dft_contact_person_sale, dft_contact_address, dft_contact_phone, dft_contact_email,
        dft_contact_url, dft_contact_skype, dft_contact_icq, dft_contact_vk, dft_contact_fb,
        dft_contact_description};
    static const TDataFieldType req[] = {
        dft_req_name_full, dft_req_name_short, dft_req_org_code, dft_req_address, dft_req_bank_name,
        dft_req_bank_account, dft_req_bank_mfo, dft_req_inn, dft_req_kpp, dft_req_nds_code,
        dft_req_director_name_full, dft_req_director_name_short, dft_req_phone, dft_req_buh, dft_req_bank_ks,
        dft_req_okpo_ru};
    PlainClient c;
    for (auto _ : state) {
        for (int r = 0; r < kTableRows; ++r) {
            c.ID = t.AsDataKey(dft_client, r);
            c.Title = t.AsStr(dft_title, r);
            c.Color = t.AsColor(dft_color, r, clNone);
            c.State = t.AsState(dft_state, r);
            c.Manager = t.AsDataKey(dft_manager, r);
            c.ContactID = t.AsDataKey(dft_contact, r);
            for (int i = 0; i < 11; ++i)
                c.Contact[i] = t.AsStr(contact[i], r);
            c.ReqID = t.AsDataKey(dft_req, r);
            c.ReqType = t.AsDataKey(dft_req_type, r);
            for (int i = 0; i < 16; ++i)
                c.Req[i] = t.AsStr(req[i], r);
            c.Created = {t.AsDataKey(dft_creator, r), t.AsDateTime(dft_created, r)};
            c.Updated = {t.AsDataKey(dft_updater, r), t.AsDateTime(dft_updated, r)};
            c.Agreement = t.AsDataKey(dft_doc_agreement, r);
            c.AgreementReq = {t.AsStr(dft_agreement_number, r), t.AsDateTime(dft_agreement_date, r)};
            c.QuillEmail = t.AsStr(dft_quill_email, r);
            c.ContactEmail = t.AsStr(dft_contact_email, r);
            benchmark::DoNotOptimize(c.ID);
        }
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}

// ---- Heap of a source of towns

struct PlainTown {
    TUDataKey ID;
    QString Title;
    TColor Color;
    uint32_t BoardCount;
    TUDataKey TownType;
    TUDataKey Region;
    uint32_t Population;
};

// Heap bytes taken by kTownItems towns, each with a title of its own.
long long TownSourceHeap()
{
    std::mt19937 rng(4);
    const long long before = gHeapBytes.load();
    {
        TDataTownSource source(TUDataSource::TIDComparer::Instance(), kTownItems);
        source.SetFreeItems(true);
        for (int k = 1; k <= kTownItems; ++k) {
            auto town = std::make_unique<TDataTown>();
            town->SetID(uint32_t(k));
            town->SetTitle(MakeTitle(rng));
            town->SetRegion(uint32_t(k % 50));
            source.AddLast(town.release());
        }
        return gHeapBytes.load() - before;
    }
}

long long PlainTownHeap()
{
    std::mt19937 rng(4);
    const long long before = gHeapBytes.load();
    std::vector<PlainTown> towns;
    towns.reserve(kTownItems);
    for (int k = 1; k <= kTownItems; ++k)
        towns.push_back({TUDataKey(uint32_t(k)), MakeTitle(rng), clNone, 0, {}, TUDataKey(uint32_t(k % 50)), 0});
    return gHeapBytes.load() - before;
}

} // namespace

BENCHMARK(BM_TryGetValue);
BENCHMARK(BM_StdLowerBoundItems);
BENCHMARK(BM_TitleEnumerator)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdStableSortTitles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientLoadClear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainClientLoop)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char *ours, const char *anchor) { return reporter.Ratio(ours, anchor); };
    std::printf("\n%-48s %8s  %s\n", "", "ratio", "bound");
    std::printf("%-48s %8.2f  at most 1.2\n", "TryGetValue / lower_bound (1,000,000 items)",
                ratio("BM_TryGetValue", "BM_StdLowerBoundItems"));
    std::printf("%-48s %8.2f  at most 1.5\n", "title enumeration / stable_sort (100,000)",
                ratio("BM_TitleEnumerator", "BM_StdStableSortTitles"));
    const double load = ratio("BM_ClientLoadClear", "BM_PlainClientLoop");
    std::printf("%-48s %8.2f  at least 0.7\n", "client LoadClear rate / plain loop rate",
                load > 0 ? 1 / load : 0.0);
    const long long source = TownSourceHeap(), plain = PlainTownHeap();
    std::printf("%-48s %8.2f  at most 2  (%lld / %lld bytes)\n", "heap: town source / vector of structs (100,000)",
                double(source) / double(plain), source, plain);
    benchmark::Shutdown();
    return 0;
}
