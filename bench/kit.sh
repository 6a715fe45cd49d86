#!/usr/bin/env bash
# Runs bench_kit and prints the selection control's figures as ratios to their bare-Qt anchors:
# LoadData of 10,000 titled items against a QComboBox filled with the same titles sorted, and
# the text of a 5,000-key multiple selection against a loop joining every title.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_kit >/dev/null
b="$root/build/bench/bench/bench_kit"
out=$("$b" --benchmark_color=false --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
# Medians in milliseconds, whatever unit each benchmark reports in.
median() {
  echo "$out" | awk -F, -v n="\"$1_median\"" '$1 == n {
    f = ($5 ~ /ns/) ? 1e-6 : ($5 ~ /us/) ? 1e-3 : ($5 ~ /ms/) ? 1 : 1000; printf "%.6f\n", $3 * f }'
}
load=$(median BM_ComboLoadData); bare=$(median BM_QComboBoxAddItems)
titles=$(median BM_SelectedTitles); show=$(median BM_ShowSelection); join=$(median BM_JoinTitles)
printf 'LoadData 10,000 items:        %10.3f ms  bare QComboBox %10.3f ms  ratio %.2fx (limit 1.5x)\n' \
  "$load" "$bare" "$(echo "$load / $bare" | bc -l)"
printf 'GetSelectedTitles 5,000 keys: %10.3f ms  join all       %10.3f ms  ratio %.3fx (limit 5 ms)\n' \
  "$titles" "$join" "$(echo "$titles / $join" | bc -l)"
printf 'SetSelected + show 5,000:     %10.3f ms\n' "$show"
