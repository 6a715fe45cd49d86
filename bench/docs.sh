#!/usr/bin/env bash
# Runs bench_docs: a tracking pass over 10,000 unchanged copies next to a plain loop reading
# their modification times, loading and saving the tracking file of 10,000 rows next to plain
# loops over the same lines and JSON objects, then one download of a large document into the
# cache next to a plain libcurl download of it, with the peak memory of each.
# Usage: bench/docs.sh [MiB] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size_mib="${1:-256}"
rounds="${2:-3}"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_docs >/dev/null
b="$root/build/bench/bench/bench_docs"
work="$(mktemp -d /tmp/ocdocs.XXXXXX)"
trap 'rm -rf "$work"' EXIT

"$b" --benchmark_color=false --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_out="$work/runs.json" --benchmark_out_format=json
python3 - "$work/runs.json" <<'PY'
import json, sys
runs = {r["run_name"]: r["real_time"] for r in json.load(open(sys.argv[1]))["benchmarks"]
        if r.get("aggregate_name") == "median"}
for ours, plain, bound in (("BM_Sync", "BM_PlainStatLoop", 1.3), ("BM_Load", "BM_PlainLoadLoop", 2.0),
                           ("BM_Save", "BM_PlainSaveLoop", 2.0)):
    print(f"{ours} / {plain}: {runs[ours] / runs[plain]:.2f}x (bound {bound}x)")
PY

head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$work/doc.bin"
declare -a tc tl
for r in $(seq "$rounds"); do
  rm -rf "$work/prog" "$work/plain.bin"; mkdir -p "$work/prog"; sync
  tl+=("$(/usr/bin/time -f '%M' -o "$work/rss_plain" "$b" libcurl "$work/doc.bin" "$work/plain.bin")")
  tc+=("$(/usr/bin/time -f '%M' -o "$work/rss_cache" "$b" cache "$work/doc.bin" "$work/prog")")
  cmp -s "$work/doc.bin" "$work/prog/docs/bench.bin" || { echo "cached copy differs"; exit 1; }
  printf 'round %d: plain libcurl %.3fs (%d KiB peak)  LoadToCache %.3fs (%d KiB peak)\n' "$r" "${tl[-1]}" \
    "$(cat "$work/rss_plain")" "${tc[-1]}" "$(cat "$work/rss_cache")"
done
best() { printf '%s\n' "$@" | sort -g | head -1; }
l=$(best "${tl[@]}"); c=$(best "${tc[@]}")
printf 'best of %d, %d MiB: LoadToCache throughput / plain libcurl: %.2fx (bound >= 0.8x)\n' \
  "$rounds" "$size_mib" "$(echo "$l / $c" | bc -l)"
