#!/usr/bin/env bash
# Runs bench_cache: LoadSet of a large organisation's reference sets next to a plain loop over
# the same JSON into vectors of structs, the heap of each, and GetTitle next to std::lower_bound.
# The ratios and their bounds are printed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_cache >/dev/null
# Five rounds in shuffled order, medians compared: the machine is shared, and single runs drift.
"$root/build/bench/bench/bench_cache" --benchmark_color=false --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
