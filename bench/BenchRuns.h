#pragma once

#include <benchmark/benchmark.h>

// The run a ratio is taken from: with repetitions, the median of a benchmark's runs; otherwise
// its one run.
inline bool IsSummaryRun(const benchmark::BenchmarkReporter::Run &run)
{
    if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate)
        return run.aggregate_name == "median";
    return run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration && run.repetitions <= 1;
}
