#!/usr/bin/env bash
# The transport next to its anchors, pairwise in one session:
#  1. 2,000 small form posts through TDataManager::TaskRun and through a plain libcurl loop with a
#     fresh handle each, against the stand-in service (Google Benchmark, requests per second);
#  2. one large download by THTTPSender::ReceiveFile next to curl(1) -o and a plain libcurl
#     program with a 256 KiB buffer, and ReceiveFile's peak memory at two sizes.
# Usage: bench/transport.sh [MiB] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size_mib="${1:-512}"
rounds="${2:-3}"
cd "$root"
scripts/deps >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_transport standin_server >/dev/null
b="$root/build/bench"
work="$(mktemp -d /tmp/ocbench.XXXXXX)"
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT

echo "== 2,000 small posts"
"$b/bench/bench_transport" --benchmark_counters_tabular=true | tee "$work/posts.txt"
rate() { awk -v name="$1" '$1 ~ "^" name { for (i = 1; i <= NF; i++) if ($i ~ /\/s$/) v = $i } END { print v }' "$work/posts.txt"; }
plain=$(rate BM_PlainLibcurlPosts)
tasks=$(rate BM_TaskRunPosts)
to_num() { echo "$1" | sed -e 's|/s$||' -e 's/k$/*1000/' | bc -l; }
printf 'TaskRun / plain libcurl (fresh handles): %.2fx\n' "$(echo "$(to_num "$tasks") / $(to_num "$plain")" | bc -l)"

echo "== download of $size_mib MiB"
mkdir -p "$work/site" "$work/out"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$work/site/big.bin"
head -c "$((32 * 1024 * 1024))" /dev/urandom > "$work/site/small.bin"
"$b/tools/standin/standin_server" --folder "$work/site" --port-file "$work/port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$work/port")/update/"

fresh() { rm -f "$work/out/big.bin"; sync; }
secs() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
declare -a tc tl tr
for r in $(seq "$rounds"); do
  fresh; tc+=("$(secs curl -s -o "$work/out/big.bin" "${base}big.bin")")
  fresh; tl+=("$(secs "$b/bench/bench_transport" libcurl "${base}big.bin" "$work/out/big.bin")")
  fresh; tr+=("$(secs "$b/bench/bench_transport" receive "${base}big.bin" "$work/out/big.bin")")
  cmp -s "$work/site/big.bin" "$work/out/big.bin" || { echo "ReceiveFile download differs"; exit 1; }
  printf 'round %d: curl %.3fs  libcurl %.3fs  ReceiveFile %.3fs\n' "$r" "${tc[-1]}" "${tl[-1]}" "${tr[-1]}"
done
best() { printf '%s\n' "$@" | sort -g | head -1; }
c=$(best "${tc[@]}"); l=$(best "${tl[@]}"); e=$(best "${tr[@]}")
mbs() { echo "$size_mib / $1" | bc -l; }
printf 'best of %d: curl %.0f MiB/s, plain libcurl %.0f MiB/s, ReceiveFile %.0f MiB/s\n' \
  "$rounds" "$(mbs "$c")" "$(mbs "$l")" "$(mbs "$e")"
printf 'ReceiveFile / curl -o: %.2fx   ReceiveFile / plain libcurl: %.2fx\n' \
  "$(echo "$c / $e" | bc -l)" "$(echo "$l / $e" | bc -l)"

for f in small big; do
  rm -f "$work/out/$f.bin"
  /usr/bin/time -f '%M' -o "$work/rss" "$b/bench/bench_transport" receive "${base}$f.bin" "$work/out/$f.bin" >/dev/null
  printf 'ReceiveFile of %s (%d MiB): peak memory %.1f MiB\n' "$f" "$(( $(stat -c %s "$work/site/$f.bin") / 1048576 ))" \
    "$(echo "$(cat "$work/rss") / 1024" | bc -l)"
done
