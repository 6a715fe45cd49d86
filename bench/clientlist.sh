#!/usr/bin/env bash
# Runs bench_clientlist: the clients list of the main window over 100,000 cached clients next to
# a bare QTableView over a plain vector of the same rows (opening), a plain loop applying the
# same patterns with the same matcher (typing in the title filter), and the resident memory the
# open list adds to the cache's own. The ratios and their bounds are printed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_clientlist >/dev/null
# Five rounds in shuffled order, medians compared: the machine is shared, and single runs drift.
QT_QPA_PLATFORM=offscreen "$root/build/bench/bench/bench_clientlist" --benchmark_color=false \
  --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
