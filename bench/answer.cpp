// Building a service answer (parse, rows, column positions) next to a bare QJsonDocument parse of
// the same text, for answers of 1, 10 and 100 MB: rows of 12 text columns, Cyrillic titles
// among them, as objects and as arrays. Prints the throughput ratio per size after the runs.
//
// Peak memory: "bench_answer --peak <MB> <none|json|answer|text> [arrays]" builds the answer text
// and parses it once, then exits; run it under /usr/bin/time -f %M, one process per size
// (bench/answer.sh).
#include "BenchRuns.h"
#include "UAPIData.h"

#include <benchmark/benchmark.h>

#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr const char *kColumns[12] = {"id",     "title",    "address",       "town_title",
                                      "district", "side",   "light",         "sizes",
                                      "board_format", "operator_title", "comment", "updated"};

const char *const kTitles[] = {"Щит на Крещатике", "Призма у вокзала", "Сити-лайт, ост. Центральная",
                               "Билборд 3x6 Окружная", "Brandmauer Podil", "Арка над проспектом Победы"};
const char *const kStreets[] = {"ул. Шевченко, 12", "пр. Мира, 101-б", "Lesi Ukrainky blvd, 7",
                                "Московское шоссе, 44 км", "пл. Свободы"};
const char *const kTowns[] = {"Киев", "Харьков", "Одесса", "Lviv", "Днепр"};

// A real-shaped answer of at least `bytes` bytes: object rows keyed by column name, or array
// rows in column order.
QByteArray MakeAnswer(qsizetype bytes, bool arrayRows)
{
    QByteArray text;
    text.reserve(bytes + 4096);
    text += "{\"code\":0,\"count\":0,\"fields\":[";
    for (int c = 0; c < 12; ++c) {
        text += c ? ",\"" : "\"";
        text += kColumns[c];
        text += '"';
    }
    text += "],\"data\":[";
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int row = 0; text.size() < bytes; ++row) {
        const char *values[12];
        char id[16], sizes[16], updated[32], comment[64];
        std::snprintf(id, sizeof id, "%d", 100000 + row);
        std::snprintf(sizes, sizeof sizes, "%ux%u", 3 + next() % 4, 6 + next() % 6);
        std::snprintf(updated, sizeof updated, "2021-0%u-1%u 1%u:3%u:00", 1 + next() % 9, next() % 10,
                      next() % 10, next() % 10);
        std::snprintf(comment, sizeof comment, "Смена постера %u, согласовано", next() % 1000);
        values[0] = id;
        values[1] = kTitles[next() % 6];
        values[2] = kStreets[next() % 5];
        values[3] = kTowns[next() % 5];
        values[4] = next() % 2 ? "Печерский" : "Shevchenkivskyi";
        values[5] = next() % 2 ? "A" : "B";
        values[6] = next() % 2 ? "Y" : "N";
        values[7] = sizes;
        values[8] = next() % 2 ? "billboard" : "citylight";
        values[9] = next() % 2 ? "ООО \\\"Рекламный Мир\\\"" : "BigBoard Group";
        values[10] = comment;
        values[11] = updated;
        text += row ? "," : "";
        text += arrayRows ? '[' : '{';
        for (int c = 0; c < 12; ++c) {
            text += c ? ",\"" : "\"";
            if (!arrayRows) {
                text += kColumns[c];
                text += "\":\"";
            }
            text += values[c];
            text += '"';
        }
        text += arrayRows ? ']' : '}';
    }
    text += "]}";
    return text;
}

// Argument 0: size in MB; argument 1: 1 for array rows, 0 for object rows.
const QByteArray &Answer(const benchmark::State &state)
{
    static std::map<std::pair<int64_t, int64_t>, QByteArray> texts;
    QByteArray &text = texts[{state.range(0), state.range(1)}];
    if (text.isEmpty())
        text = MakeAnswer(qsizetype(state.range(0)) << 20, state.range(1) != 0);
    return text;
}

void BM_FromJson(benchmark::State &state)
{
    const QByteArray &text = Answer(state);
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(text);
        benchmark::DoNotOptimize(document.isObject());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_Answer(benchmark::State &state)
{
    const QByteArray &text = Answer(state);
    if (TAPIDataAnswer().ParseUtf8(text, TAPIDataAnswer::TReader::Stream) != 0)
        state.SkipWithError("the one-pass reader declined the answer");
    for (auto _ : state) {
        TAPIDataAnswer answer;
        if (answer.ParseUtf8(text) != 0)
            state.SkipWithError("answer not read");
        benchmark::DoNotOptimize(answer.Data().RowCount());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// The tree reader alone, as it reads what the one-pass reader declines.
void BM_AnswerTree(benchmark::State &state)
{
    const QByteArray &text = Answer(state);
    for (auto _ : state) {
        TAPIDataAnswer answer;
        if (answer.ParseUtf8(text, TAPIDataAnswer::TReader::Tree) != 0)
            state.SkipWithError("answer not read");
        benchmark::DoNotOptimize(answer.Data().RowCount());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// The same from the decoded text, as the sender hands it over (the UTF-8 step included).
void BM_AnswerFromText(benchmark::State &state)
{
    const QString text = QString::fromUtf8(Answer(state));
    for (auto _ : state) {
        TAPIDataAnswer answer(text);
        if (!answer.IsGood())
            state.SkipWithError("answer not read");
        benchmark::DoNotOptimize(answer.Data().RowCount());
    }
    state.SetBytesProcessed(state.iterations() * Answer(state).size());
}

void Sizes(benchmark::internal::Benchmark *b)
{
    b->Unit(benchmark::kMillisecond)->MinTime(1.0)->ArgNames({"MB", "arrays"});
}

BENCHMARK(BM_FromJson)->Args({1, 0})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({1, 0})->Apply(Sizes);
BENCHMARK(BM_AnswerFromText)->Args({1, 0})->Apply(Sizes);
BENCHMARK(BM_FromJson)->Args({1, 1})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({1, 1})->Apply(Sizes);
BENCHMARK(BM_FromJson)->Args({10, 0})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({10, 0})->Apply(Sizes);
BENCHMARK(BM_AnswerFromText)->Args({10, 0})->Apply(Sizes);
BENCHMARK(BM_AnswerTree)->Args({10, 0})->Apply(Sizes);
BENCHMARK(BM_FromJson)->Args({10, 1})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({10, 1})->Apply(Sizes);
BENCHMARK(BM_AnswerTree)->Args({10, 1})->Apply(Sizes);
BENCHMARK(BM_FromJson)->Args({100, 0})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({100, 0})->Apply(Sizes);
BENCHMARK(BM_AnswerFromText)->Args({100, 0})->Apply(Sizes);
BENCHMARK(BM_FromJson)->Args({100, 1})->Apply(Sizes);
BENCHMARK(BM_Answer)->Args({100, 1})->Apply(Sizes);

// Keeps each run's throughput so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (!IsSummaryRun(run))
                continue;
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                speed[run.run_name.str()] = it->second.value;
        }
    }
    std::map<std::string, double> speed;
};

int PeakMode(int megabytes, const char *what, bool arrayRows)
{
    const QByteArray text = MakeAnswer(qsizetype(megabytes) << 20, arrayRows);
    if (std::strcmp(what, "json") == 0)
        return QJsonDocument::fromJson(text).isObject() ? 0 : 1;
    if (std::strcmp(what, "text") == 0) {
        const QString decoded = QString::fromUtf8(text);
        TAPIDataAnswer answer(decoded);
        return answer.IsGood() ? 0 : 1;
    }
    if (std::strcmp(what, "none") == 0)
        return text.isEmpty();
    TAPIDataAnswer answer;
    return answer.ParseUtf8(text) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--peak") == 0)
        return PeakMode(std::atoi(argv[2]), argv[3], argc == 5 && std::strcmp(argv[4], "arrays") == 0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nrows     size    answer/fromJson  text/fromJson  tree reader/fromJson\n");
    for (const char *shape : {"0", "1"}) {
        for (const char *size : {"1", "10", "100"}) {
            const std::string suffix = std::string("/MB:") + size + "/arrays:" + shape + "/min_time:1.000";
            const double base = reporter.speed["BM_FromJson" + suffix];
            if (base <= 0)
                continue;
            const auto ratio = [&](const char *name) {
                const double r = reporter.speed[name + suffix] / base;
                return r > 0 ? QByteArray::number(r, 'f', 2) : QByteArray("-");
            };
            std::printf("%-7s %3s MB  %15s  %13s  %20s\n", *shape == '1' ? "arrays" : "objects", size,
                        ratio("BM_Answer").constData(), ratio("BM_AnswerFromText").constData(),
                        ratio("BM_AnswerTree").constData());
        }
    }
    benchmark::Shutdown();
    return 0;
}
