#!/usr/bin/env bash
# TGZip next to a plain zlib loop (bench_gzip) and next to gzip -9 / gzip -d, on a compressible
# text-like file; prints the ratios the performance targets are stated in.
# Usage: bench/gzip.sh [size in MiB, default 512]
set -euo pipefail

size_mib=${1:-512}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${GZIP_BENCH_DIR:-/tmp/gzip-bench}
mkdir -p "$dir"
export GZIP_BENCH_DIR=$dir

cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_gzip >/dev/null

# Log-like lines of words and varying numbers, compressible like real text (neither zeros nor noise).
want=$((size_mib * 1024 * 1024))
if [[ ! -f $dir/data.txt || $(stat -c %s "$dir/data.txt") -ne $want ]]; then
    echo "making $size_mib MiB of test data in $dir"
    python3 - "$dir/data.txt" "$want" <<'PY'
import random, sys
path, want = sys.argv[1], int(sys.argv[2])
rnd = random.Random(20240501)
words = ("board face town region client firm sticking repair photo report price tax state sold "
         "free reserved operator template document mail north south east west street avenue").split()
lines = []
for i in range(400000):
    lines.append("%05d %s-%02d %s %s %d.%02d %s %s\n" % (
        rnd.randrange(100000), rnd.choice(words), rnd.randrange(100), rnd.choice(words),
        rnd.choice(words), rnd.randrange(10000), rnd.randrange(100), rnd.choice(words),
        rnd.choice(words).upper()))
block = "".join(lines).encode()   # ~20 MiB, far beyond the 32 KiB window
with open(path, "wb") as f:
    left = want
    while left > 0:
        f.write(block[:left])
        left -= min(left, len(block))
PY
fi

# Times a command with its target deleted and the disk synced first.
timed() {
    local target=$1; shift
    rm -f "$target"; sync
    local t0 t1
    t0=$(date +%s.%N)
    "$@"
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc
}

echo "gzip -9 ..."
gzip_pack=$(timed "$dir/data.txt.gz" sh -c "gzip -9 -c '$dir/data.txt' > '$dir/data.txt.gz'")
echo "gzip -d ..."
gzip_unpack=$(timed "$dir/gunzip.out" sh -c "gzip -d -c '$dir/data.txt.gz' > '$dir/gunzip.out'")
rm -f "$dir/gunzip.out"

echo "bench_gzip ..."
build/bench/bench/bench_gzip --benchmark_format=json --benchmark_out="$dir/bench.json" \
    --benchmark_out_format=json >/dev/null

python3 - "$dir" "$want" "$gzip_pack" "$gzip_unpack" <<'PY'
import json, os, statistics, sys
d, size, gzip_pack, gzip_unpack = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
runs = {}
sizes = {}
for b in json.load(open(os.path.join(d, "bench.json")))["benchmarks"]:
    kind, who = b["name"].split("/")[:2]
    secs = b["real_time"] / 1000.0  # milliseconds
    runs.setdefault((kind, who), []).append(secs)
    if "out_bytes" in b:
        sizes[(kind, who)] = b["out_bytes"]
t = {k: statistics.median(v) for k, v in runs.items()}
mb = size / 1e6
gz_size = os.path.getsize(os.path.join(d, "data.txt.gz"))
print(f"\ninput {size / 2**20:.0f} MiB, gzip -9 output {gz_size / 2**20:.1f} MiB (median of runs)")
def line(name, secs): print(f"  {name:28s} {secs:8.2f} s  {mb / secs:8.1f} MB/s")
line("gzip -d > file", gzip_unpack)
for kind in ("unpack_null", "unpack_file"):
    line(f"gzread {kind}", t[(kind, "gzread")])
    line(f"TGZip  {kind}", t[(kind, "tgzip")])
line("gzip -9", gzip_pack)
line("gzwrite level 9", t[("pack9", "gzwrite")])
line("TGZip pack level 9", t[("pack9", "tgzip")])
print("\nratios (speed of TGZip / speed of the anchor; target in brackets)")
print(f"  unpack to /dev/null vs gzread   {t[('unpack_null', 'gzread')] / t[('unpack_null', 'tgzip')]:.3f}  [>= 0.85]")
print(f"  unpack to a file vs gzread      {t[('unpack_file', 'gzread')] / t[('unpack_file', 'tgzip')]:.3f}  [>= 0.85]")
print(f"  unpack to a file vs gzip -d     {gzip_unpack / t[('unpack_file', 'tgzip')]:.3f}")
print(f"  pack level 9 vs gzip -9         {gzip_pack / t[('pack9', 'tgzip')]:.3f}  [>= 0.9]")
print(f"  pack level 9 vs gzwrite         {t[('pack9', 'gzwrite')] / t[('pack9', 'tgzip')]:.3f}")
print(f"  output size vs gzip -9          {sizes[('pack9', 'tgzip')] / gz_size:.4f}  [<= 1.005]")
PY
rm -f "$dir"/out*
