#!/usr/bin/env bash
# Runs bench_entities: key lookup, title order and client loading next to their plain
# standard-library anchors, then the heap of a source of towns next to a vector of structs.
# The ratios and their bounds are printed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_entities >/dev/null
# Five rounds in shuffled order, medians compared: the machine is shared, and single runs drift.
"$root/build/bench/bench/bench_entities" --benchmark_color=false --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
