#!/usr/bin/env bash
# Adds the start-up programs to the demo workstation that scripts/demo-update.sh laid out and
# runs deskstart there: "deskstart.exe", the set-up program "primer.exe" and the settings file
# "tessaplan.ini" (kept when there is one; ./run points it at its stand-in service). deskstart
# starts the main client "quillmarsh.exe" that the update brought. With a display the client
# connects and waits for the sign-in, and this script waits until it is closed; without one the
# messages and the client's connection line go to the console.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/default"
ws="$root/demo/workstation"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$ws"

cp "$build/programs/deskstart/deskstart.exe" "$ws/deskstart.exe"
cp "$build/programs/primer/primer.exe" "$ws/primer.exe"
[ -f "$ws/quillmarsh.exe" ] || cp "$build/programs/quillmarsh/quillmarsh.exe" "$ws/quillmarsh.exe"
if [ ! -f "$ws/tessaplan.ini" ]; then
  printf '%s\r\n' '# demo workstation: settings of the stand-in service' "API = ${QUILLMARSH_DEMO_API:-127.0.0.1:8080}" \
    'ID = 17' 'XID = demo' '' 'PROXYHOST = ' 'PROXYPORT = ' 'PROXYUSER = ' 'PROXYPASSWORD = ' '' > "$ws/tessaplan.ini"
fi

# The main client notes its start and its end in the workstation's debug log.
log="$ws/debug.log"
touch "$log"
lines=$(wc -l < "$log")
if [ -n "${DISPLAY:-}" ]; then
  echo "demo: running deskstart in $ws"
  (cd "$ws" && ./deskstart.exe) || echo "demo: deskstart reported a failed check (exit $?)"
else
  echo "demo: no display; running deskstart headless in $ws"
  (cd "$ws" && QT_QPA_PLATFORM=offscreen ./deskstart.exe) || echo "demo: deskstart reported a failed check (exit $?)"
fi
echo "demo: temp/ after deskstart: $(ls -A "$ws/temp" 2>/dev/null | wc -l) entries"

news() { tail -n +"$((lines + 1))" "$log" | tr -d '\r'; }
pid=""
for _ in $(seq 200); do
  pid=$(news | sed -n 's/.*Main client started, process \([0-9]*\).*/\1/p' | tail -n 1)
  [ -n "$pid" ] && break
  sleep 0.05
done
if [ -z "$pid" ]; then
  echo "demo: no main client was started"
  exit 0
fi
echo "demo: the main client was started (process $pid)"
# It ends by itself without a display; with one, when the person closes it.
while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
news | sed -n 's/^[0-9.]* [0-9:]*: /demo: client: /p'
