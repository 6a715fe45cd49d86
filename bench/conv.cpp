// Wildcard matching at its worst: a 512-character text against patterns that make a
// backtracking matcher explode, next to a plain substring search over the same text.
#include "UConv.h"

#include <benchmark/benchmark.h>

namespace {

void BM_StrMatchPattern_40Stars(benchmark::State &state)
{
    const QString source(512, u'a');
    const QString pattern = QString(40, u'*') + u'b';
    for (auto _ : state)
        benchmark::DoNotOptimize(TUConv::StrMatchPattern(source, pattern, false));
}
BENCHMARK(BM_StrMatchPattern_40Stars)->Unit(benchmark::kMicrosecond);

void BM_StrMatchPattern_StarsBetweenLetters(benchmark::State &state)
{
    const QString source(512, u'a');
    const QString pattern = QStringLiteral("*a").repeated(20) + u'b';
    for (auto _ : state)
        benchmark::DoNotOptimize(TUConv::StrMatchPattern(source, pattern, false));
}
BENCHMARK(BM_StrMatchPattern_StarsBetweenLetters)->Unit(benchmark::kMicrosecond);

void BM_StrMatchPattern_TypicalFilter(benchmark::State &state)
{
    const QString source = QStringLiteral("Invoice_2020_client_Kyiv_board_17.docx");
    const QString pattern = QStringLiteral("*kyiv*.DOCX");
    for (auto _ : state)
        benchmark::DoNotOptimize(TUConv::StrMatchPattern(source, pattern, false));
}
BENCHMARK(BM_StrMatchPattern_TypicalFilter)->Unit(benchmark::kMicrosecond);

// Anchor: Qt's substring search over the same 512 characters.
void BM_QStringContains_512(benchmark::State &state)
{
    const QString source(512, u'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(source.contains(u'b', Qt::CaseInsensitive));
}
BENCHMARK(BM_QStringContains_512)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
