#!/usr/bin/env bash
# Signed update of a 200-file, 100 MiB site where 5 files changed, against the same update
# downloaded whole without a manifest; and the manifest's hashing against sha256sum(1) over the
# same files. The download step is timed inside one process (bench_updtrust: the updater's window
# and engine, median of several rounds), and also as whole runs of update.exe, whose fixed start
# cost (two seconds of it the window's wait) is subtracted. Usage: bench/updtrust.sh [MiB] [files] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size_mib="${1:-100}"
files="${2:-200}"
rounds="${3:-5}"
cd "$root"
scripts/deps >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_updtrust update updsign standin_server >/dev/null
b="$root/build/bench"
work="$(mktemp -d /tmp/ocupdtrust.XXXXXX)"
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

mkdir -p "$work/site" "$work/prog/update"
per=$((size_mib * 1024 * 1024 / files))
for i in $(seq "$files"); do head -c "$per" /dev/urandom > "$work/site/f$i.bin"; done
"$b/tools/standin/standin_server" --folder "$work/site" --port-file "$work/port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$work/port")/update/"
{ printf '%s\r\n' "$base"; for i in $(seq "$files"); do printf 'f%d.bin\r\n' "$i"; done; } > "$work/site/desc.txt"
"$b/programs/updsign/updsign" keygen "$work/site.key" > "$work/pubkey"

# The workstation holds the previous version, brought by a signed update before (so the updater
# has seen its files' hashes); then five files change on the site.
cp "$work"/site/f*.bin "$work/prog/"
cp "$b/programs/update/update.exe" "$work/prog/"
export QT_QPA_PLATFORM=offscreen
"$b/programs/updsign/updsign" sign "$work/site.key" "$work/site/desc.txt" >/dev/null
printf 'HOST=%sdesc.txt\r\n%s\r\n' "$base" "$(cat "$work/pubkey")" > "$work/prog/update.ini"
"$work/prog/update.exe" -download
[ -s "$work/prog/update/.apply/known" ] || { echo "no known hashes after the first signed run"; exit 1; }
for i in 1 50 100 150 "$files"; do head -c "$per" /dev/urandom > "$work/site/f$i.bin"; done

secs() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }

# Hashing: the signing tool over the site against sha256sum over the same files.
sync
t_sign=$(secs "$b/programs/updsign/updsign" sign "$work/site.key" "$work/site/desc.txt")
t_sum=$(secs sh -c "sha256sum $work/site/f*.bin")
t_sign=$(secs "$b/programs/updsign/updsign" sign "$work/site.key" "$work/site/desc.txt")
t_sum=$(secs sh -c "sha256sum $work/site/f*.bin")

bytes_in_update() { find "$work/prog/update" -path '*/.apply' -prune -o -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}'; }

"$b/bench/bench_updtrust" "${base}desc.txt" "$work/prog/" "$(sed 's/^PUBKEY=//' "$work/pubkey")" "$rounds" > "$work/inproc"
bytes_signed=$(( $(bytes_in_update) + $(stat -c %s "$work/site/desc.txt") + $(stat -c %s "$work/site/desc.txt.manifest") ))
cmp -s "$work/site/f50.bin" "$work/prog/update/f50.bin" || { echo "signed download differs"; exit 1; }
changed=$((5 * per + $(stat -c %s "$work/site/desc.txt") + $(stat -c %s "$work/site/desc.txt.manifest")))
bytes_all=$(( files * per + $(stat -c %s "$work/site/desc.txt") ))

# Whole runs of the program, interleaved; a run with nothing to do ("-execute" without EXENAME)
# is the fixed cost.
declare -a ta ts tw
for _ in $(seq "$rounds"); do
  printf 'HOST=%sdesc.txt\r\n' "$base" > "$work/prog/update.ini"
  ta+=("$(secs "$work/prog/update.exe" -download)")
  printf 'HOST=%sdesc.txt\r\n%s\r\n' "$base" "$(cat "$work/pubkey")" > "$work/prog/update.ini"
  ts+=("$(secs "$work/prog/update.exe" -download)")
  tw+=("$(secs "$work/prog/update.exe" -execute)")
done
t_all=$(median "${ta[@]}"); t_signed=$(median "${ts[@]}"); wait_s=$(median "${tw[@]}")

printf '%d files, %d MiB, 5 changed; load average %s\n' "$files" "$size_mib" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf 'bytes: everything %d, signed %d (changed files + descriptor + manifest: %d)\n' "$bytes_all" "$bytes_signed" "$changed"
printf 'download step, in one process: %s\n' "$(tail -1 "$work/inproc")"
printf 'update.exe -download, median of %d: everything %.3fs, signed %.3fs; fixed start cost %.3fs; without it %.3fs vs %.3fs: %.1fx\n' \
  "$rounds" "$t_all" "$t_signed" "$wait_s" "$(echo "$t_all - $wait_s" | bc -l)" "$(echo "$t_signed - $wait_s" | bc -l)" \
  "$(echo "($t_all - $wait_s) / ($t_signed - $wait_s)" | bc -l)"
printf 'hashing %d MiB: updsign sign %.3fs, sha256sum %.3fs: %.2fx the speed of sha256sum\n' \
  "$size_mib" "$t_sign" "$t_sum" "$(echo "$t_sum / $t_sign" | bc -l)"
