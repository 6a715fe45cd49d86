// The reference-data cache next to plain anchors: LoadSet of a large organisation's sets against
// a loop that reads the same members from the same JSON into vectors of plain structs, the
// heap each keeps, and GetTitle against std::lower_bound over those structs. The ratios are
// printed at the end.
#include "BenchHeap.h"
#include "BenchReference.h"
#include "BenchRuns.h"
#include "UConv.h"
#include "UDateTime.h"
#include "UnitDataCache.h"

#include <benchmark/benchmark.h>

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kProbes = 1000000;

// ---- The anchor: plain structs read with the JSON library's own accessors

struct PlainItem {
    TUDataKey ID;
    QString Title;
    TColor Color = clNone;
};
struct PlainState : PlainItem {
    TUAPIDataState State = dsNull;
};
struct PlainTown : PlainItem {
    uint32_t BoardCount = 0;
    TUDataKey TownType, Region;
    uint32_t Population = 0;
};
struct PlainUser : PlainState {
    TUDataKey Role;
};
struct PlainClient : PlainState {
    QString QuillEmail, ContactEmail;
};
struct PlainOperator : PlainItem {
    uint32_t BoardCount = 0;
    TUAPIDataState State = dsNull;
    double KN = 0;
    TUAPIPriceType PriceType = ptBoth;
    bool IsOnline = false, IsRestricted = false;
    TUAPIPriceMargin MarginCash, MarginBank;
};
struct PlainBoardFormat : PlainItem {
    uint32_t BoardCount = 0;
    QString Description;
};
struct PlainStickRC : PlainState {
    bool IsDefault = false;
};
struct PlainDoc : PlainState {
    TUAPIDocType DocType = dtCustom;
    TUAPIFile FileData;
};

QString Str(const QJsonValue &v) { return v.isString() ? v.toString() : QString::number(v.toInteger()); }
double Dbl(const QJsonValue &v) { return v.isString() ? v.toString().toDouble() : v.toDouble(); }
TUDataKey Key(const QJsonValue &v) { return TUDataKey(QStringView(Str(v))); }

void ReadItem(PlainItem &p, const QJsonObject &e, QLatin1StringView key, QLatin1StringView title = QLatin1StringView("title"))
{
    p.ID = Key(e.value(key));
    p.Title = e.value(title).toString();
    const QString color = e.value(QLatin1StringView("color")).toString();
    if (!color.isEmpty())
        p.Color = TUConv::RGBHexToColor(color);
}
void ReadState(PlainState &p, const QJsonObject &e)
{
    SetCode(p.State, QStringView(e.value(QLatin1StringView("state")).toString()));
}

struct PlainSets {
    std::vector<PlainState> Region, Role, Firm, Stick, StickRCPT, TownType, ReqType, BoardExtra;
    std::vector<PlainTown> Town;
    std::vector<PlainUser> User;
    std::vector<PlainClient> Client;
    std::vector<PlainOperator> Operator;
    std::vector<PlainBoardFormat> BoardFormat;
    std::vector<PlainStickRC> StickRC;
    std::vector<PlainDoc> DocTemplate, MailTemplate;
};

template <class T, class F>
void Loop(std::vector<T> &out, const QJsonObject &raw, const char *name, F read)
{
    const QJsonArray array = raw.value(QLatin1StringView(name)).toArray();
    out.clear();
    out.reserve(size_t(array.size()));
    for (const QJsonValueConstRef v : array) {
        const QJsonObject e = v.toObject();
        T p;
        read(p, e);
        out.push_back(std::move(p));
    }
}

void PlainLoad(PlainSets &s, const QJsonValue &rawValue)
{
    const QJsonObject raw = rawValue.toObject();
    const auto plain = [](const char *key) {
        return [key](PlainState &p, const QJsonObject &e) {
            ReadItem(p, e, QLatin1StringView(key));
            ReadState(p, e);
        };
    };
    Loop(s.Region, raw, "region", plain("region"));
    Loop(s.BoardFormat, raw, "board_format", [](PlainBoardFormat &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("board_format"));
        p.BoardCount = uint32_t(Dbl(e.value(QLatin1StringView("board_count"))));
        p.Description = e.value(QLatin1StringView("description")).toString();
    });
    Loop(s.Role, raw, "role", plain("role"));
    Loop(s.Town, raw, "town", [](PlainTown &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("town"));
        p.BoardCount = uint32_t(Dbl(e.value(QLatin1StringView("board_count"))));
        p.TownType = Key(e.value(QLatin1StringView("town_type")));
        p.Region = Key(e.value(QLatin1StringView("region")));
        p.Population = uint32_t(Dbl(e.value(QLatin1StringView("population"))));
    });
    Loop(s.User, raw, "user", [](PlainUser &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("login"), QLatin1StringView("user_name"));
        ReadState(p, e);
        p.Role = TUDataKey(uint32_t(Dbl(e.value(QLatin1StringView("role")))));
    });
    Loop(s.Firm, raw, "firm", plain("firm"));
    Loop(s.Operator, raw, "operator", [](PlainOperator &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("operator"));
        p.BoardCount = uint32_t(Dbl(e.value(QLatin1StringView("board_count"))));
        SetCode(p.State, QStringView(e.value(QLatin1StringView("state")).toString()));
        p.KN = Dbl(e.value(QLatin1StringView("price_kn")));
        SetCode(p.PriceType, QStringView(e.value(QLatin1StringView("price_type")).toString()));
        p.IsOnline = e.value(QLatin1StringView("is_online")).toString() == u"Y";
        p.IsRestricted = e.value(QLatin1StringView("is_restricted")).toString() == u"Y";
        p.MarginCash.SetData(Dbl(e.value(QLatin1StringView("price_mc"))),
                             TMoney::FromDouble(Dbl(e.value(QLatin1StringView("price_ec")))));
        p.MarginBank.SetData(Dbl(e.value(QLatin1StringView("price_mb"))),
                             TMoney::FromDouble(Dbl(e.value(QLatin1StringView("price_eb")))));
    });
    Loop(s.Client, raw, "client", [](PlainClient &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("client"));
        ReadState(p, e);
        p.QuillEmail = e.value(QLatin1StringView("quill_email")).toString();
        p.ContactEmail = e.value(QLatin1StringView("contact_email")).toString();
    });
    Loop(s.Stick, raw, "stick", plain("stick"));
    Loop(s.StickRC, raw, "stick_rc", [](PlainStickRC &p, const QJsonObject &e) {
        ReadItem(p, e, QLatin1StringView("stick_rc"));
        ReadState(p, e);
        p.IsDefault = e.value(QLatin1StringView("is_default")).toString() == u"Y";
    });
    Loop(s.StickRCPT, raw, "stick_rcpt", plain("stick_rcpt"));
    Loop(s.TownType, raw, "town_type", plain("town_type"));
    Loop(s.ReqType, raw, "req_type", plain("req_type"));
    Loop(s.BoardExtra, raw, "board_extra", plain("board_extra"));
    const auto doc = [](const char *key) {
        return [key](PlainDoc &p, const QJsonObject &e) {
            ReadItem(p, e, QLatin1StringView(key));
            ReadState(p, e);
            SetCode(p.DocType, QStringView(e.value(QLatin1StringView("doc_type")).toString()));
            p.FileData.SetData(Key(e.value(QLatin1StringView("fid"))),
                               QStringView(e.value(QLatin1StringView("fhash")).toString()),
                               TDateTimeFormat::SQL().ParseDateTime(e.value(QLatin1StringView("updated")).toString()),
                               e.value(QLatin1StringView("ext")).toString());
        };
    };
    Loop(s.DocTemplate, raw, "doc_template", doc("doc_template"));
    Loop(s.MailTemplate, raw, "mail_template", doc("mail_template"));
}

// Both fill fresh containers; dropping them is left out of the timing, as it is no part of
// reading (a reload frees the old lists, a loop its old vectors, and neither is what is compared).
void BM_LoadSet(benchmark::State &state)
{
    const QJsonValue &raw = Raw();
    for (auto _ : state) {
        state.PauseTiming();
        auto cache = std::make_unique<TDataCache>();
        state.ResumeTiming();
        benchmark::DoNotOptimize(cache->LoadSet(raw));
        state.PauseTiming();
        cache.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (kClients + kTowns + kOperators + 14 * kOthers));
}

void BM_PlainLoop(benchmark::State &state)
{
    const QJsonValue &raw = Raw();
    for (auto _ : state) {
        state.PauseTiming();
        auto sets = std::make_unique<PlainSets>();
        state.ResumeTiming();
        PlainLoad(*sets, raw);
        benchmark::DoNotOptimize(sets->Client.data());
        state.PauseTiming();
        sets.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (kClients + kTowns + kOperators + 14 * kOthers));
}

// ---- Titles by key, over the clients

struct Lookup {
    TDataCache Cache;
    PlainSets Plain;
    std::vector<TUDataKey> Probes; // nine in ten present, in random order
};

const Lookup &Titles()
{
    static const Lookup *data = [] {
        auto *d = new Lookup;
        d->Cache.LoadSet(Raw());
        PlainLoad(d->Plain, Raw());
        std::sort(d->Plain.Client.begin(), d->Plain.Client.end(),
                  [](const PlainClient &l, const PlainClient &r) { return l.ID.Compare(r.ID) < 0; });
        std::mt19937 rng(9);
        std::uniform_int_distribution<int> pick(1, kClients + kClients / 9);
        for (int i = 0; i < kProbes; ++i)
            d->Probes.emplace_back(uint32_t(pick(rng)));
        return d;
    }();
    return *data;
}

void BM_GetTitle(benchmark::State &state)
{
    const Lookup &d = Titles();
    for (auto _ : state) {
        qsizetype sum = 0;
        for (const TUDataKey &key : d.Probes)
            sum += d.Cache.GetTitle(ctClient, key).size();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kProbes);
}

// The anchor: std::lower_bound over the plain clients sorted by the same key comparison.
void BM_StdLowerBound(benchmark::State &state)
{
    const Lookup &d = Titles();
    const std::vector<PlainClient> &clients = d.Plain.Client;
    for (auto _ : state) {
        qsizetype sum = 0;
        for (const TUDataKey &key : d.Probes) {
            const auto it = std::lower_bound(clients.begin(), clients.end(), key,
                                             [](const PlainClient &c, const TUDataKey &k) { return c.ID.Compare(k) < 0; });
            const QString title = it != clients.end() && it->ID.Compare(key) == 0 ? it->Title : QString();
            sum += title.size();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kProbes);
}

// ---- Heap

long long CacheHeap()
{
    const QJsonValue &raw = Raw();
    const long long before = gHeapBytes.load();
    TDataCache cache;
    cache.LoadSet(raw);
    return gHeapBytes.load() - before;
}

long long PlainHeap()
{
    const QJsonValue &raw = Raw();
    const long long before = gHeapBytes.load();
    PlainSets sets;
    PlainLoad(sets, raw);
    return gHeapBytes.load() - before;
}

} // namespace

BENCHMARK(BM_LoadSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetTitle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdLowerBound)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    (void)Raw();
    const long long cache = CacheHeap(), plain = PlainHeap();
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char *ours, const char *anchor) { return reporter.Ratio(ours, anchor); };
    std::printf("\n%-52s %8s  %s\n", "", "ratio", "bound");
    const double load = ratio("BM_LoadSet", "BM_PlainLoop");
    std::printf("%-52s %8.2f  at least 0.7\n", "LoadSet rate / plain loop rate (146,000 items)", load > 0 ? 1 / load : 0.0);
    std::printf("%-52s %8.2f  at most 2  (%lld / %lld bytes)\n", "heap: cache / vectors of structs", double(cache) / double(plain),
                cache, plain);
    std::printf("%-52s %8.2f  at most 1.2\n", "GetTitle / lower_bound (1,000,000 keys, 100,000 clients)",
                ratio("BM_GetTitle", "BM_StdLowerBound"));
    benchmark::Shutdown();
    return 0;
}
