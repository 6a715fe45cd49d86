#!/usr/bin/env bash
# Adds the start-up programs to the demo workstation that scripts/demo-update.sh laid out and
# runs deskstart there: "deskstart.exe", the set-up program "primer.exe", the settings file
# "tessaplan.ini" (kept when the set-up program already wrote one) and, as "quillmarsh.exe", a
# STAND-IN for the main client that only shows that it was started. Without a display the
# messages and the stand-in's notice go to the console.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/default"
ws="$root/demo/workstation"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$ws"

cp "$build/programs/deskstart/deskstart.exe" "$ws/deskstart.exe"
cp "$build/programs/primer/primer.exe" "$ws/primer.exe"
# The update brings its own placeholder main client; the demo shows this labelled one instead.
cp "$build/tools/standin/standin_quillmarsh" "$ws/quillmarsh.exe"
if [ ! -f "$ws/tessaplan.ini" ]; then
  printf '%s\r\n' '# demo workstation: settings of the stand-in service' 'API = 127.0.0.1:8080/demo' \
    'ID = 17' 'XID = demo' '' 'PROXYHOST = ' 'PROXYPORT = ' 'PROXYUSER = ' 'PROXYPASSWORD = ' '' > "$ws/tessaplan.ini"
fi

rm -f "$ws/started.log"
if [ -n "${DISPLAY:-}" ]; then
  echo "demo: running deskstart in $ws"
  (cd "$ws" && ./deskstart.exe) || echo "demo: deskstart reported a failed check (exit $?)"
else
  echo "demo: no display; running deskstart headless in $ws"
  (cd "$ws" && QT_QPA_PLATFORM=offscreen ./deskstart.exe) || echo "demo: deskstart reported a failed check (exit $?)"
fi

echo "demo: temp/ after the run: $(ls -A "$ws/temp" 2>/dev/null | wc -l) entries"
# The last line: whether the stand-in main client was started (it notes its start in
# started.log at once, also while its window stays on screen).
for _ in $(seq 200); do [ -s "$ws/started.log" ] && break; sleep 0.05; done
if [ -s "$ws/started.log" ]; then
  echo "demo: the stand-in main client was started ($(tail -n 1 "$ws/started.log" | tr -d '\r'))"
else
  echo "demo: no main client was started"
fi
