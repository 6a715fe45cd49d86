#!/usr/bin/env bash
# Downloads one large file from the stand-in server on 127.0.0.1 with curl(1), a plain libcurl
# program and the update engine, pairwise in one session, and prints the ratios. Also runs
# "update.exe -download" itself for its peak memory. Usage: bench/download.sh [MiB] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size_mib="${1:-512}"
rounds="${2:-3}"
cd "$root"
scripts/deps >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_download update standin_server >/dev/null
b="$root/build/bench"
work="$(mktemp -d /tmp/ocbench.XXXXXX)"
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/site" "$work/prog/update" "$work/out"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$work/site/big.bin"
"$b/tools/standin/standin_server" --folder "$work/site" --port-file "$work/port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$work/port")/update/"
printf '%s\r\nbig.bin\r\n' "$base" > "$work/site/desc.txt"

fresh() { rm -f "$work/out/big.bin" "$work/prog/update/big.bin"; sync; }
secs() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

declare -a tc tl te
for r in $(seq "$rounds"); do
  fresh; tc+=("$(secs curl -s -o "$work/out/big.bin" "${base}big.bin")")
  fresh; tl+=("$(secs "$b/bench/bench_download" libcurl "${base}big.bin" "$work/out/big.bin")")
  fresh; te+=("$(secs "$b/bench/bench_download" engine "${base}desc.txt" "$work/prog/")")
  cmp -s "$work/site/big.bin" "$work/prog/update/big.bin" || { echo "engine download differs"; exit 1; }
  printf 'round %d: curl %.3fs  libcurl %.3fs  engine %.3fs\n' "$r" "${tc[-1]}" "${tl[-1]}" "${te[-1]}"
done
best() { printf '%s\n' "$@" | sort -g | head -1; }
c=$(best "${tc[@]}"); l=$(best "${tl[@]}"); e=$(best "${te[@]}")
mbs() { echo "$size_mib / $1" | bc -l; }
printf 'best of %d, %d MiB: curl %.0f MiB/s, plain libcurl %.0f MiB/s, engine %.0f MiB/s\n' \
  "$rounds" "$size_mib" "$(mbs "$c")" "$(mbs "$l")" "$(mbs "$e")"
printf 'engine / curl -o: %.2fx   engine / plain libcurl: %.2fx\n' "$(echo "$c / $e" | bc -l)" "$(echo "$l / $e" | bc -l)"

# The program itself (includes its two-second start-up wait): peak memory.
cp "$b/programs/update/update.exe" "$work/prog/"
printf 'HOST=%sdesc.txt\r\n' "$base" > "$work/prog/update.ini"
fresh
/usr/bin/time -f '%M' -o "$work/rss" env QT_QPA_PLATFORM=offscreen "$work/prog/update.exe" -download
cmp -s "$work/site/big.bin" "$work/prog/update/big.bin" || { echo "update.exe download differs"; exit 1; }
printf 'update.exe -download: peak memory %.1f MiB\n' "$(echo "$(cat "$work/rss") / 1024" | bc -l)"
