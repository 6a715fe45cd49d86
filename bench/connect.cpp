// Connecting with a large organisation's reference data next to the sum of its parts measured
// alone in the same run: a plain libcurl post of the same request into memory (gzip asked for, as
// the client does), the answer read from those bytes, and LoadSet of its "raw" part.
//
//   bench_connect --seed DIR        writes the stand-in service's first data with these sets
//   bench_connect --url URL [...]   the benchmarks against a stand-in service at URL
//   bench_connect --peak URL MODE   one connection (MODE "start") or none ("none"), for a
//                                   peak-memory reading of the whole process
#include "BenchReference.h"
#include "BenchRuns.h"
#include "UAPIAuth.h"
#include "UAPIData.h"
#include "UComputer.h"
#include "UnitComplex.h"
#include "UnitDataCache.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QString gURL; // the stand-in service's base address, closing "/" included
const char *kXDB = "17";
const char *kXID = "bench";

bool WriteJson(const QString &Path, const QJsonDocument &Doc)
{
    QFile f(Path);
    return f.open(QIODevice::WriteOnly) && f.write(Doc.toJson(QJsonDocument::Compact)) > 0;
}

int Seed(const QString &Dir)
{
    QDir().mkpath(Dir + QStringLiteral("/sets"));
    bool ok = WriteJson(Dir + QStringLiteral("/settings.json"),
                        QJsonDocument(QJsonObject{{"organization", "ООО «Щит-Медиа»"}, {"tax_nds", "20"},
                                                  {"stick_fine_method", "FIXED"}, {"stick_fine_amount", "1500"}}));
    ok = ok && WriteJson(Dir + QStringLiteral("/workstations.json"),
                         QJsonDocument(QJsonArray{QJsonObject{{"xdb", kXDB}, {"xid", kXID}}}));
    const QJsonObject sets = Raw().toObject();
    for (auto it = sets.begin(); ok && it != sets.end(); ++it)
        ok = WriteJson(Dir + QStringLiteral("/sets/") + it.key() + QStringLiteral(".json"), QJsonDocument(it.value().toArray()));
    return ok ? 0 : 1;
}

// A core object configured for the stand-in, in a program folder of its own.
struct TCore {
    QTemporaryDir dir;
    std::unique_ptr<TComplex> complex;
    TCore()
    {
        complex = std::make_unique<TComplex>(dir.filePath(QStringLiteral("deskstart.exe")));
        complex->Vars().SetConfigFileName(QStringLiteral("tessaplan.ini"));
        QFile ini(dir.filePath(QStringLiteral("tessaplan.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(("API=" + gURL + "\r\nID=" + kXDB + "\r\nXID=" + kXID + "\r\n").toUtf8());
        ini.close();
        complex->InitVarsFromConfig();
    }
};

// The connect request's form body, as the core posts it.
QByteArray ConnectForm()
{
    TAPIAuth auth;
    auth.XDB = TUDataKey(QString::fromLatin1(kXDB));
    auth.XID = TUDataKey(QString::fromLatin1(kXID));
    const QString compID = TOutdoorVariables::GetCompID();
    const auto pair = [](const char *name, const QString &value) {
        return QByteArray(name) + '=' + QUrl::toPercentEncoding(value);
    };
    return pair("xdb", auth.XDB.ToString()) + '&' + pair("xid", auth.XID.ToString()) + '&' + pair("comp_id", compID) + '&'
           + pair("comp_name", TUComputer::WinComputerName()) + '&' + pair("version", QStringLiteral("1000")) + '&'
           + pair("hash", auth.GetConnectHash(compID));
}

size_t Append(char *data, size_t size, size_t count, void *user)
{
    static_cast<QByteArray *>(user)->append(data, qsizetype(size * count));
    return size * count;
}

// The anchor of the transfer: one plain libcurl post, the answer gathered in memory.
QByteArray PlainPost()
{
    QByteArray answer, form = ConnectForm();
    const QByteArray url = (gURL + QStringLiteral("connect.php")).toUtf8();
    CURL *c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, form.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, long(form.size()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    // Asked for packed, as the client asks: the same answer on the wire, unpacked by the library.
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_perform(c);
    curl_easy_cleanup(c);
    return answer;
}

const QByteArray &AnswerBytes()
{
    static const QByteArray bytes = PlainPost();
    return bytes;
}

void BM_Start(benchmark::State &state)
{
    TCore core;
    for (auto _ : state)
        if (!core.complex->Start())
            state.SkipWithError("no connection");
    state.counters["answer_MB"] = double(AnswerBytes().size()) / (1 << 20);
}
BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainPost(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainPost());
}
BENCHMARK(BM_PlainPost)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Answer(benchmark::State &state)
{
    const QByteArray &bytes = AnswerBytes();
    for (auto _ : state) {
        TAPIDataAnswer answer;
        if (answer.ParseUtf8(bytes) != 0)
            state.SkipWithError("unreadable answer");
    }
}
BENCHMARK(BM_Answer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Into one cache, run after run, as repeated connections load into the core's cache.
void BM_LoadSet(benchmark::State &state)
{
    TAPIDataAnswer answer;
    answer.ParseUtf8(AnswerBytes());
    TDataCache cache;
    for (auto _ : state)
        if (!cache.LoadSet(answer.Raw()))
            state.SkipWithError("LoadSet failed");
}
BENCHMARK(BM_LoadSet)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--seed") == 0)
        return Seed(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
        gURL = QString::fromLocal8Bit(argv[2]);
        TCore core;
        return std::strcmp(argv[3], "start") == 0 ? !core.complex->Start() : 0;
    }
    if (argc < 3 || std::strcmp(argv[1], "--url") != 0) {
        std::fprintf(stderr, "usage: bench_connect --seed DIR | --url URL [benchmark flags] | --peak URL start|none\n");
        return 2;
    }
    gURL = QString::fromLocal8Bit(argv[2]);
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double parts = reporter.time["BM_PlainPost"] + reporter.time["BM_Answer"] + reporter.time["BM_LoadSet"];
    const double start = reporter.time["BM_Start"];
    std::printf("\nanswer %.1f MB; Start %.0f ms, parts %.0f ms (post %.0f, answer %.0f, LoadSet %.0f): %.2fx "
                "(bound 1.25x)\n",
                double(AnswerBytes().size()) / (1 << 20), start, parts, reporter.time["BM_PlainPost"],
                reporter.time["BM_Answer"], reporter.time["BM_LoadSet"], parts > 0 ? start / parts : 0.0);
    benchmark::Shutdown();
    return 0;
}
