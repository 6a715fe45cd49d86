#!/usr/bin/env bash
# deskstart on a configured workstation, headless, from process start to the main client's
# start: the median of 20 runs next to a bare QApplication program that starts and exits.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/deps >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_deskstart deskstart >/dev/null
b="$root/build/bench"
"$b/bench/bench_deskstart" --deskstart="$b/programs/deskstart/deskstart.exe" "$@"
