#!/bin/sh
# Takes the pictures of the main client's screens on a virtual screen and checks that each has
# more than a handful of colours.
#   shots.sh TEST_QUILLMARSH OUTDIR
set -eu
exe=$1
outdir=$2
mkdir -p "$outdir"
export QT_QPA_PLATFORM=xcb QUILLMARSH_SHOTS="$outdir"
xvfb-run -a -s "-screen 0 1280x800x24" "$exe" --gtest_filter='*Pictures'
for name in signin clients towns fixed; do
  out="$outdir/quillmarsh-$name.png"
  colours=$(identify -format '%k' "$out")
  echo "picture $out: $(identify -format '%wx%h' "$out"), $colours colours"
  [ "$colours" -gt 20 ] || { echo "the picture $out is nearly blank" >&2; exit 1; }
done
