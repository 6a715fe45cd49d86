#!/bin/sh
# Takes a picture of each dialog of the kit on a virtual screen and checks that something was
# drawn: the picture has the dialog's size and more than a handful of colours.
#   dialog_shots.sh DIALOGSHOT OUTDIR
set -eu
exe=$1
outdir=$2
mkdir -p "$outdir"
unset QT_QPA_PLATFORM
for name in text radio list record primer; do
  out="$outdir/dialog-$name.png"
  ready=$(mktemp -u)
  xvfb-run -a -s "-screen 0 800x640x24" sh -c '
    "$1" "$4" --ready "$2" --quit-after 20000 & pid=$!
    i=0
    while [ ! -s "$2" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    [ -s "$2" ] || { echo "the dialog $4 did not show" >&2; kill $pid; exit 1; }
    import -window root -crop "$(cat "$2")+0+0" +repage "$3"
    kill $pid
    wait $pid || true
  ' sh "$exe" "$ready" "$out" "$name"
  want=$(cat "$ready"); rm -f "$ready"
  colours=$(identify -format '%k' "$out")
  size=$(identify -format '%wx%h' "$out")
  echo "picture $out: $size, $colours colours"
  [ "$size" = "$want" ] || { echo "unexpected picture size $size, not $want" >&2; exit 1; }
  [ "$colours" -gt 20 ] || { echo "the picture $out is nearly blank" >&2; exit 1; }
done
