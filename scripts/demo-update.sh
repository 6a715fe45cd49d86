#!/usr/bin/env bash
# Lays out a demo update site and a demo workstation, serves the site with the stand-in
# update server on 127.0.0.1 and runs the updater in the workstation folder. With a display
# the window shows the full run; without one the "-download" and "-do" steps run headless and
# the updated files are listed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/default"
demo="$root/demo"
site="$demo/site"
ws="$demo/workstation"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

rm -rf "$site" "$demo/port"
mkdir -p "$site/bin" "$site/docs" "$ws/update"

# The update: several files, one packed with gzip in a sub-folder, a title, a link and a logo.
printf 'Версия 2.0: новая программа обновления.\r\n' > "$site/readme.txt"
printf 'help index v2\r\n' > "$site/docs/help.txt"
seq 1 20000 | sed 's/^/tool record /' > "$site/bin/tool.dat"
gzip -9 -n -f "$site/bin/tool.dat"
# The main client itself comes with the update.
cp "$build/programs/quillmarsh/quillmarsh.exe" "$site/quillmarsh.exe"
echo 'iVBORw0KGgoAAAANSUhEUgAAAHgAAAA8CAMAAACac46aAAAABlBMVEUqUpj///85yextAAAAP0lEQVRYw+3UwQkAQAgDQa//pq8EEVQQZgvI/BIhSYd7G4HBYPAQ3PuI6TQYDAaDwWAweBMeDAwGg1thSar1AQUvCYnCl9FOAAAAAElFTkSuQmCC' | base64 -d > "$site/logo.png"

# The workstation as it was before the update.
cp "$build/programs/update/update.exe" "$ws/update.exe"
[ -f "$ws/readme.txt" ] || printf 'Версия 1.0\r\n' > "$ws/readme.txt"

"$build/tools/standin/standin_server" --folder "$site" --port-file "$demo/port" > "$demo/standin.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$demo/port" ] && break; sleep 0.05; done
port=$(cat "$demo/port")
base="http://127.0.0.1:$port/update/"

printf '%s\r\n' "$base" readme.txt 'docs\help.txt' bin/tool.dat.gz quillmarsh.exe \
  'TITLE=Обновление 2.0' "URL=${base}readme.txt" "LOGOURL=${base}logo.png" > "$site/update.txt"

# The site is signed: its key is made once and kept beside the demo; the workstation takes
# only updates signed with it.
[ -f "$demo/site.key" ] || "$build/programs/updsign/updsign" keygen "$demo/site.key" >/dev/null
pubkey=$("$build/programs/updsign/updsign" pubkey "$demo/site.key")
"$build/programs/updsign/updsign" sign "$demo/site.key" "$site/update.txt"
printf '# demo workstation\r\nEXENAME=quillmarsh.exe\r\nHOST=%supdate.txt\r\n%s\r\n' "$base" "$pubkey" > "$ws/update.ini"

snapshot() { (cd "$ws" && find . -path ./update -prune -o -type f ! -name '*.log' -print0 | sort -z | xargs -0 md5sum); }
before=$(snapshot)

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: the updater's window runs the full update from $base"
  "$ws/update.exe"
else
  echo "demo: no display; running 'update.exe -download' and 'update.exe -do' from $base"
  QT_QPA_PLATFORM=offscreen "$ws/update.exe" -download
  QT_QPA_PLATFORM=offscreen "$ws/update.exe" -do
fi

after=$(snapshot)
echo "demo: files updated in $ws:"
diff <(echo "$before") <(echo "$after") | sed -n 's/^> [0-9a-f]*  \.\//  /p' || true
