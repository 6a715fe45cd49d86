#!/bin/sh
# Pictures of the main client's client card (editable and view-only) and documents panel, taken
# on a virtual screen while their tests drive them against the stand-in service.
#   screen_shots.sh TEST_QUILLMARSH OUTDIR
set -eu
exe=$1
outdir=$2
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd) # the tests change the current folder
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb OC_SHOT_DIR="$outdir" "$exe" \
  --gtest_filter='ClientCard.ViewOnlyWhenTheRoleMayNotEdit:ClientCard.SeveralClientsShowWhatTheyShareAndEachGetsTheChange:ClientCard.SavesOnlyTheFieldsTheUserChanged:Documents.OpenedTemplateEditedOnDiskGoesBackByItself'
for name in quillmarsh-card quillmarsh-card-readonly quillmarsh-card-several quillmarsh-documents; do
  out="$outdir/$name.png"
  [ -s "$out" ] || { echo "no picture $out" >&2; exit 1; }
  echo "picture $out: $(identify -format '%wx%h, %k colours' "$out")"
done
