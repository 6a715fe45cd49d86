#!/usr/bin/env bash
# Runs bench_connect: TComplex::Start against the stand-in service holding a large
# organisation's reference data (100,000 clients, 20,000 towns ...), next to the sum of its
# parts measured alone in the same run, then the peak memory of a process that connects once,
# above that of one that does not, next to the answer's size.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_connect standin_service >/dev/null
b="$root/build/bench/bench/bench_connect"
work="$(mktemp -d)"
trap 'kill "$svc" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
"$b" --seed "$work/seed"
"$root/build/bench/tools/standin/standin_service" --data "$work/data" --seed "$work/seed" \
  --port-file "$work/port" > "$work/service.log" 2>&1 &
svc=$!
for _ in $(seq 200); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/"

"$b" --url "$url" --benchmark_color=false --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true | tee "$work/out"

kb() { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1; }
none=$(kb "$b" --peak "$url" none)
start=$(kb "$b" --peak "$url" start)
answer=$(sed -n 's/^answer \([0-9.]*\) MB.*/\1/p' "$work/out")
echo
echo "peak KB above the process base: $((start - none)) (one connection; base $none KB)"
echo "answer: $answer MB; peak / answer = $(echo "scale=2; ($start - $none) / ($answer * 1024)" | bc) (bound 4x)"
