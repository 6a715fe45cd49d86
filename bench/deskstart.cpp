// deskstart from process start to the main client's start on a configured workstation,
// headless, next to a bare QApplication program that starts and exits. deskstart ends right
// after the shell has started the main client, so its run time bounds that moment from above.
// Usage: bench_deskstart --deskstart=PATH [benchmark flags]; "--bare" is the bare program.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QString deskstartExe;
QString selfExe;
QString workstation;
std::vector<double> bareTimes, deskstartTimes;

double runOnce(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    const auto t0 = std::chrono::steady_clock::now();
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_BareQApplication(benchmark::State &state)
{
    for (auto _ : state) {
        const double t = runOnce(selfExe, {QStringLiteral("--bare")}, QDir::tempPath());
        bareTimes.push_back(t);
        state.SetIterationTime(t);
    }
}

void BM_DeskStart(benchmark::State &state)
{
    const QString marker = QDir(workstation).filePath(QStringLiteral("started"));
    for (auto _ : state) {
        QFile::remove(marker);
        const double t = runOnce(QDir(workstation).filePath(QStringLiteral("deskstart.exe")), {}, workstation);
        deskstartTimes.push_back(t);
        state.SetIterationTime(t);
        // Not timed: the main client did start.
        for (int i = 0; i < 2000 && !QFile::exists(marker); ++i)
            QThread::msleep(1);
        if (!QFile::exists(marker))
            state.SkipWithError("the main client was not started");
    }
}

BENCHMARK(BM_BareQApplication)->UseManualTime()->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeskStart)->UseManualTime()->Iterations(1)->Repetitions(20)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) {
        QApplication app(argc, argv);
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--deskstart=", 12) == 0)
            deskstartExe = QString::fromLocal8Bit(argv[i] + 12);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    QCoreApplication app(restCount, rest.data());
    selfExe = QCoreApplication::applicationFilePath();
    if (deskstartExe.isEmpty()) {
        std::fprintf(stderr, "usage: %s --deskstart=PATH\n", argv[0]);
        return 2;
    }

    QTemporaryDir dir;
    workstation = dir.path();
    QFile::copy(deskstartExe, dir.filePath(QStringLiteral("deskstart.exe")));
    QFile ini(dir.filePath(QStringLiteral("tessaplan.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("API = 127.0.0.1:9\r\nID = 17\r\nXID = bench\r\n");
    ini.close();
    QFile client(dir.filePath(QStringLiteral("quillmarsh.exe")));
    client.open(QIODevice::WriteOnly);
    client.write("#!/bin/sh\n: > \"$(dirname \"$0\")/started\"\n");
    client.close();
    client.setPermissions(client.permissions() | QFileDevice::ExeOwner);

    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double bare = median(bareTimes), desk = median(deskstartTimes);
    std::printf("median of %zu runs: bare QApplication %.1f ms, deskstart to main client %.1f ms, ratio %.2f\n",
                deskstartTimes.size(), bare * 1000, desk * 1000, bare > 0 ? desk / bare : 0);
    return 0;
}
