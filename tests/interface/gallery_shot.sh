#!/bin/sh
# Takes the picture of the kit's gallery on a virtual screen and checks that something was
# drawn there: the gallery window covers most of the screen in more than a handful of colours.
#   gallery_shot.sh KITGALLERY OUT.png
set -eu
exe=$1
out=$2
ready=$(mktemp -u)
trap 'rm -f "$ready"' EXIT
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 920x640x24" sh -c '
  "$1" --ready "$2" --quit-after 20000 & pid=$!
  i=0
  while [ ! -f "$2" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -f "$2" ] || { echo "the gallery did not show" >&2; kill $pid; exit 1; }
  import -window root "$3"
  kill $pid
  wait $pid || true
' sh "$exe" "$ready" "$out"
colours=$(identify -format '%k' "$out")
size=$(identify -format '%wx%h' "$out")
echo "picture $out: $size, $colours colours"
[ "$size" = "920x640" ] || { echo "unexpected picture size" >&2; exit 1; }
[ "$colours" -gt 50 ] || { echo "the picture is nearly blank" >&2; exit 1; }
