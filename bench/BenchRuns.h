#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The run a ratio is taken from: with repetitions, the median of a benchmark's runs; otherwise
// its one run.
inline bool IsSummaryRun(const benchmark::BenchmarkReporter::Run &run)
{
    if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate)
        return run.aggregate_name == "median";
    return run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration && run.repetitions <= 1;
}

// Keeps each benchmark's time per iteration (its summary run's) for the ratios.
class TimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (IsSummaryRun(run))
                time[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    // Ours' time over Anchor's; 0 when either did not run.
    double Ratio(const char *Ours, const char *Anchor)
    {
        const double a = time[Anchor], o = time[Ours];
        return a > 0 && o > 0 ? o / a : 0.0;
    }
    std::map<std::string, double> time;
};
