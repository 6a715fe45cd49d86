// The transport next to plain libcurl.
//   bench_transport [benchmark flags]            2,000 small form posts through TDataManager::TaskRun
//                                                and through a plain libcurl loop (fresh handle each),
//                                                against the stand-in service in this process
//   bench_transport receive URL TARGET           one THTTPSender::ReceiveFile, prints seconds
//   bench_transport libcurl URL TARGET           the anchor: plain libcurl, 256 KiB buffer, fwrite
#include "PlainCurl.h"
#include "HTTPSender.h"
#include "StandinServer.h"
#include "StandinService.h"
#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UnitDataManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kPosts = 2000;
QString gBase;

// About 160 bytes out; the service pads its answer to about 1 KB.
void addParams(const std::function<void(const QString &, const QString &)> &add)
{
    // No session identifier: the stand-in answers one that names no live session with code 10,
    // and both legs must read the same padded answer.
    add(QStringLiteral("action"), QStringLiteral("board_list"));
    add(QStringLiteral("period_start"), QStringLiteral("2024-01-01 00:00:00"));
    add(QStringLiteral("period_end"), QStringLiteral("2024-12-31 23:59:59"));
    add(QStringLiteral("town"), QStringLiteral("42"));
    add(QStringLiteral("comment"), QStringLiteral("Проверка связи"));
    add(QStringLiteral("standin_size"), QStringLiteral("700"));
}

void BM_TaskRunPosts(benchmark::State &state)
{
    TDataManager manager;
    manager.SetHost(gBase);
    for (auto _ : state) {
        for (int i = 0; i < kPosts; ++i) {
            TDataLoader task;
            task.SetHost(QStringLiteral("query.php"));
            addParams([&](const QString &k, const QString &v) { task.ParamAdd(k, v); });
            TAPIDataAnswer *answer = manager.TaskRun(&task);
            if (!answer || answer->Error() != 0) {
                state.SkipWithError("request failed");
                return;
            }
        }
    }
    state.counters["requests/s"] = benchmark::Counter(double(kPosts) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

size_t collect(char *data, size_t size, size_t n, void *user)
{
    static_cast<std::string *>(user)->append(data, size * n);
    return size * n;
}

void BM_PlainLibcurlPosts(benchmark::State &state)
{
    THTTPSender form; // only to build the same body
    addParams([&](const QString &k, const QString &v) { form.ParamAdd(k, v); });
    const QByteArray body = form.FormString(false).toLatin1();
    const QByteArray url = (gBase + QStringLiteral("query.php")).toUtf8();
    for (auto _ : state) {
        for (int i = 0; i < kPosts; ++i) {
            CURL *c = curl_easy_init();
            curl_slist *headers = nullptr;
            headers = curl_slist_append(headers, "Accept-Encoding: gzip");
            headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
            headers = curl_slist_append(headers, "Expect:");
            std::string answer;
            curl_easy_setopt(c, CURLOPT_URL, url.constData());
            curl_easy_setopt(c, CURLOPT_PROXY, "");
            curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, long(body.size()));
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
            const CURLcode rc = curl_easy_perform(c);
            curl_slist_free_all(headers);
            curl_easy_cleanup(c);
            if (rc != CURLE_OK) {
                state.SkipWithError("request failed");
                return;
            }
        }
    }
    state.counters["requests/s"] = benchmark::Counter(double(kPosts) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PlainLibcurlPosts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TaskRunPosts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);
    if (argc == 4 && (std::strcmp(argv[1], "receive") == 0 || std::strcmp(argv[1], "libcurl") == 0)) {
        QElapsedTimer t;
        t.start();
        int rc;
        if (std::strcmp(argv[1], "libcurl") == 0) {
            rc = PlainCurlDownload(argv[2], argv[3]);
        } else {
            THTTPSender sender;
            QString error;
            sender.OnWork.OnError = [&](QObject *, const QString &m) { error = m; };
            rc = sender.ReceiveFile(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), false) ? 0 : 1;
            if (rc)
                std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        }
        std::printf("%.3f\n", t.nsecsElapsed() / 1e9);
        return rc;
    }

    TStandinServer server;
    auto service = std::make_unique<TStandinService>(server);
    if (!server.Start())
        return 1;
    gBase = server.BaseURL();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
