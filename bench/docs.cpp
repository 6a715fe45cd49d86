// Document tracking next to plain loops over the same files and lines, and a download into the
// cache next to a plain libcurl download:
//   bench_docs [benchmark flags]        Sync, LoadFromFile, SaveToFile of 10,000 rows and anchors
//   bench_docs cache FILE DIR           one LoadToCache of FILE through the core into DIR/docs/
//   bench_docs libcurl FILE TARGET      the anchor: a plain libcurl download of FILE to TARGET
// Both serve FILE from a stand-in service inside the process and print the seconds taken.
#include "PlainCurl.h"
#include "StandinServer.h"
#include "StandinService.h"
#include "UnitComplex.h"
#include "UnitDocManager.h"
#include "UnitDocTracking.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kRows = 10000;

// A cache folder with kRows tracked copies and their tracking file.
struct TFixture {
    QTemporaryDir Dir;
    QString Cache = Dir.filePath(QStringLiteral("docs")) + u'/';
    QString Ini = Dir.filePath(QStringLiteral("docs.ini"));
    QStringList Names;
    std::unique_ptr<TDocTracking> Store = std::make_unique<TDocTracking>();

    TFixture()
    {
        QDir().mkpath(Cache);
        Store->SetCachePath(Cache);
        Store->SetIniFile(Ini);
        Store->SetActive(true);
        for (int i = 1; i <= kRows; ++i) {
            TUAPIFile f;
            f.SetData(TUDataKey(uint32_t(i)), QStringLiteral("%1").arg(i, 32, 16, QChar(u'0')), TDateTime::Now(),
                      QStringLiteral("docx"));
            QFile file(Cache + f.FileName());
            file.open(QIODevice::WriteOnly);
            file.write("x");
            file.close();
            Store->Replace(f);
            Names << Cache + f.FileName();
        }
        Store->SaveToFile();
    }
};

TFixture &Fixture()
{
    static TFixture f;
    return f;
}

void BM_Sync(benchmark::State &state)
{
    TFixture &f = Fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Store->Sync());
}

void BM_PlainStatLoop(benchmark::State &state)
{
    TFixture &f = Fixture();
    for (auto _ : state) {
        qint64 sum = 0;
        for (const QString &name : f.Names) {
            const QDateTime modified = QFileInfo(name).lastModified();
            if (modified.isValid())
                sum += modified.toMSecsSinceEpoch();
        }
        benchmark::DoNotOptimize(sum);
    }
}

void BM_Load(benchmark::State &state)
{
    TFixture &f = Fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Store->LoadFromFile());
}

void BM_PlainLoadLoop(benchmark::State &state)
{
    TFixture &f = Fixture();
    for (auto _ : state) {
        QFile file(f.Ini);
        file.open(QIODevice::ReadOnly);
        int n = 0;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            n += QJsonDocument::fromJson(line).object().size();
        }
        benchmark::DoNotOptimize(n);
    }
}

void BM_Save(benchmark::State &state)
{
    TFixture &f = Fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Store->SaveToFile());
}

void BM_PlainSaveLoop(benchmark::State &state)
{
    TFixture &f = Fixture();
    const QString target = f.Dir.filePath(QStringLiteral("plain.ini"));
    for (auto _ : state) {
        QFile file(target);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("# QUILLMARSH\r\n# Docs tracking file.\r\n# Do not edit manually!\r\n");
        for (int i = 1; i <= kRows; ++i) {
            const QJsonObject o{{QStringLiteral("fid"), i},
                                {QStringLiteral("fhash"), QStringLiteral("%1").arg(i, 32, 16, QChar(u'0'))},
                                {QStringLiteral("updated"), QStringLiteral("2026-12-11 10:00:00")},
                                {QStringLiteral("ext"), QStringLiteral("docx")}};
            file.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
            file.write("\r\n");
        }
    }
}

BENCHMARK(BM_Sync)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainStatLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoadLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSaveLoop)->Unit(benchmark::kMillisecond);

// FILE as fid 1 of a stand-in service in this process; Run gets the service's address.
int WithService(int argc, char **argv, const std::function<int(const QString &base, TUAPIFile f)> &Run)
{
    QCoreApplication app(argc, argv);
    TStandinServer server;
    TStandinService service(server);
    if (!server.Start())
        return 2;
    const QString hash = QStringLiteral("bench");
    service.AddFile(QStringLiteral("1"), hash, QString::fromLocal8Bit(argv[2]));
    TUAPIFile f;
    f.SetData(TUDataKey(1u), hash, {}, QStringLiteral("bin"));
    QElapsedTimer t;
    t.start();
    const int rc = Run(server.BaseURL(), f);
    std::printf("%.3f\n", double(t.nsecsElapsed()) / 1e9);
    return rc;
}

int CacheOnce(int argc, char **argv)
{
    return WithService(argc, argv, [argv](const QString &base, TUAPIFile f) {
        const QString dir = QString::fromLocal8Bit(argv[3]);
        TComplex complex(dir + QStringLiteral("/deskstart.exe"));
        complex.InitDirs();
        complex.Data().SetHost(base);
        int rc = -1;
        TWorkEvent e;
        e.OnSuccess = [&](QObject *) { rc = 0; };
        e.OnError = [&](QObject *, const QString &m) {
            std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
            rc = 1;
        };
        complex.DocManager().LoadToCache(f, e);
        // Waits for events: with a time limit the flag is ignored and the loop would spin.
        while (rc < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return rc;
    });
}

int PlainOnce(int argc, char **argv)
{
    return WithService(argc, argv, [argv](const QString &base, TUAPIFile f) {
        const QByteArray url = (base + QStringLiteral("filebase_get.php?fhash=") + f.FHash.ToString() +
                                QStringLiteral("&fid=1")).toLatin1();
        return PlainCurlDownload(url.constData(), argv[3]);
    });
}

} // namespace

int main(int argc, char **argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (argc == 4 && std::strcmp(argv[1], "cache") == 0)
        return CacheOnce(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "libcurl") == 0)
        return PlainOnce(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
