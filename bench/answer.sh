#!/usr/bin/env bash
# Runs bench_answer (throughput next to QJsonDocument::fromJson, ratios printed at the end), then
# measures peak memory per size, each in a process of its own under /usr/bin/time.
# Usage: bench/answer.sh [--no-speed]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_answer >/dev/null
b="$root/build/bench/bench/bench_answer"
# Five rounds in shuffled order, medians compared: the machine is shared, and single runs drift.
[ "${1:-}" = "--no-speed" ] || "$b" --benchmark_color=false --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
# "text only" is the process with the text built and nothing parsed: the libraries and the text.
printf '\nrows     size  peak KB: text only  fromJson  answer  answer/text  (above the process base)\n'
for shape in objects arrays; do
  for mb in 1 10 100; do
    bytes=$((mb * 1024 * 1024))
    none=$(kb "$b" --peak "$mb" none "$shape")
    json=$(kb "$b" --peak "$mb" json "$shape")
    answer=$(kb "$b" --peak "$mb" answer "$shape")
    printf '%-7s %6s  %17s  %8s  %6s  %10.1fx  %.1fx\n' "$shape" "$mb MB" "$none" "$json" "$answer" \
      "$(echo "$answer * 1024 / $bytes" | bc -l)" "$(echo "($answer - $none) * 1024 / $bytes + 1" | bc -l)"
  done
done
