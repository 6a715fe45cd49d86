#!/usr/bin/env bash
# Runs bench_signin: UserInit of a full sign-in answer next to a plain walk of its "raw" value
# (medians of five shuffled rounds), then the ratio and the role's memory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_signin >/dev/null
out=$("$root/build/bench/bench/bench_signin" --benchmark_color=false --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true)
echo "$out"
echo "$out" | awk '
  /^BM_UserInit_median/  { init = $2 }
  /^BM_PlainWalk_median/ { walk = $2 }
  /^BM_UserInit_median/  { for (i = 1; i <= NF; i++) if ($i ~ /^role_bytes=/) { split($i, a, "="); role = a[2] } }
  END { printf "\nUserInit %.1f ms, plain walk %.1f ms: %.2fx (at most 2x); role %s bytes\n", init, walk, init / walk, role }'
