// TGZip against a plain zlib gzread/gzwrite loop with the same 256 KiB buffer, on the files
// bench/gzip.sh prepares. Each kind of run alternates between the two, so both see the same
// machine state; the script takes the median of each and prints the ratios.
#include "SGGzip.h"

#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr unsigned BufLen = 262144;

std::string Env(const char *name, const char *fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? v : fallback;
}

// A fresh target: the previous one removed and the disk settled before timing starts.
void FreshTarget(const std::string &path)
{
    if (path != "/dev/null")
        std::remove(path.c_str());
    ::sync();
}

void Finish(benchmark::State &state, const std::string &plain, const std::string &out)
{
    state.SetBytesProcessed(state.iterations() * QFileInfo(QString::fromStdString(plain)).size());
    if (out != "/dev/null")
        state.counters["out_bytes"] = double(QFileInfo(QString::fromStdString(out)).size());
}

void TGZipUnpack(benchmark::State &state, std::string gz, std::string plain, std::string out)
{
    TGZip zip(BufLen);
    for (auto _ : state) {
        state.PauseTiming();
        FreshTarget(out);
        state.ResumeTiming();
        zip.UnCompress(QString::fromStdString(gz), QString::fromStdString(out));
    }
    Finish(state, plain, out);
}

void ZlibUnpack(benchmark::State &state, std::string gz, std::string plain, std::string out)
{
    auto buf = std::make_unique<char[]>(BufLen);
    for (auto _ : state) {
        state.PauseTiming();
        FreshTarget(out);
        state.ResumeTiming();
        gzFile in = gzopen(gz.c_str(), "rb");
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (!in || fd < 0)
            throw std::runtime_error("cannot open " + gz + " or " + out);
        gzbuffer(in, BufLen);
        int n;
        while ((n = gzread(in, buf.get(), BufLen)) > 0)
            if (::write(fd, buf.get(), size_t(n)) != n)
                throw std::runtime_error("write failed");
        if (n < 0)
            throw std::runtime_error("gzread failed");
        gzclose(in);
        ::close(fd);
    }
    Finish(state, plain, out);
}

void TGZipPack(benchmark::State &state, std::string plain, std::string out)
{
    TGZip zip(BufLen);
    zip.SetCompressionLevel(9);
    for (auto _ : state) {
        state.PauseTiming();
        FreshTarget(out);
        state.ResumeTiming();
        zip.Compress(QString::fromStdString(plain), QString::fromStdString(out));
    }
    Finish(state, plain, out);
}

void ZlibPack(benchmark::State &state, std::string plain, std::string out)
{
    auto buf = std::make_unique<char[]>(BufLen);
    for (auto _ : state) {
        state.PauseTiming();
        FreshTarget(out);
        state.ResumeTiming();
        const int fd = ::open(plain.c_str(), O_RDONLY);
        gzFile gz = gzopen(out.c_str(), "wb9");
        if (!gz || fd < 0)
            throw std::runtime_error("cannot open " + plain + " or " + out);
        gzbuffer(gz, BufLen);
        ssize_t n;
        while ((n = ::read(fd, buf.get(), BufLen)) > 0)
            if (gzwrite(gz, buf.get(), unsigned(n)) != n)
                throw std::runtime_error("gzwrite failed");
        gzclose(gz);
        ::close(fd);
    }
    Finish(state, plain, out);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = Env("GZIP_BENCH_DIR", "/tmp/gzip-bench");
    const std::string plain = dir + "/data.txt";
    const std::string gz = dir + "/data.txt.gz"; // made by gzip -9
    const std::string out = dir + "/out";
    const int unpackRuns = std::atoi(Env("GZIP_BENCH_UNPACK_RUNS", "3").c_str());
    const int packRuns = std::atoi(Env("GZIP_BENCH_PACK_RUNS", "1").c_str());

    auto add = [](const std::string &name, auto fn, auto... args) {
        benchmark::RegisterBenchmark(name.c_str(), fn, args...)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    };
    for (int r = 0; r < unpackRuns; ++r) {
        const std::string run = "/run:" + std::to_string(r);
        // Who goes first alternates too, so neither side always runs right after a sync.
        for (int side : {r % 2, 1 - r % 2}) {
            if (side == 0) {
                add("unpack_null/tgzip" + run, TGZipUnpack, gz, plain, std::string("/dev/null"));
                add("unpack_file/tgzip" + run, TGZipUnpack, gz, plain, out);
            } else {
                add("unpack_null/gzread" + run, ZlibUnpack, gz, plain, std::string("/dev/null"));
                add("unpack_file/gzread" + run, ZlibUnpack, gz, plain, out);
            }
        }
    }
    for (int r = 0; r < packRuns; ++r) {
        const std::string run = "/run:" + std::to_string(r);
        for (int side : {r % 2, 1 - r % 2}) {
            if (side == 0)
                add("pack9/tgzip" + run, TGZipPack, plain, out + ".tgzip.gz");
            else
                add("pack9/gzwrite" + run, ZlibPack, plain, out + ".gzwrite.gz");
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(out.c_str());
    return 0;
}
