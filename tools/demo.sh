#!/bin/sh
# The demo: the filter over a photo from the Debian wallpaper package mate-backgrounds, once per
# symmetry group, with the group's shape placed as the shape editor places it, as out/<group>.png
# with its settings in out/<group>.txt, and a contact sheet of all 17, each labelled with its group
# and settings, in out/index.png; beside them the filter's dialog as a scripted run left it
# (out/dialog.png, its result out/dialog-result.png).
set -eu
build=${1:-build/release}
photo=/usr/share/backgrounds/mate/nature/LadyBird.jpg
[ -r "$photo" ] || { echo "demo: $photo is missing (Debian package mate-backgrounds)"; exit 1; }
mkdir -p out
# The filter keeps its last settings in the registry: the demo's own, not the user's.
export WF_REGISTRY="$PWD/$build/demo-registry"
tuning="TileSize=40 Feathering=20"
# The contact sheet's arguments gather in "$@", so that labels keep their spaces.
set --
for group in P1 P2 PM PG PMM PMG PGG CM CMM P4 P4M P4G P3 P3ML P3LM P6 P6M; do
  settings="--set TilingMethod=$group"
  for value in $tuning; do settings="$settings --set $value"; done
  # shellcheck disable=SC2086
  "$build/host/wf-host" --plugins "$build/plugins" --in "$photo" --out "out/$group.png" $settings
  echo "wf-host --plugins $build/plugins --in $photo --out out/$group.png $settings" > "out/$group.txt"
  echo "  out/$group.png"
  set -- "$@" -label "$group  $tuning" "out/$group.png"
done
# The dialog, headless under an event script: render, capture what it shows, OK.
script="$PWD/$build/demo-dialog.script"
printf 'click 3006\nwait-enabled 1 60000\ncapture %s\nclick 1\n' "$PWD/out/dialog.png" > "$script"
"$build/host/wf-host" --plugins "$build/plugins" --in "$photo" --out out/dialog-result.png \
  --set TilingMethod=P6M --set TileSize=40 --set Feathering=20 --dialog "$script"
echo "  out/dialog.png"
set -- "$@" -label "the dialog: P6M, Apply, OK" out/dialog.png
montage "$@" -tile 6x -geometry 320x200+6+6 -font DejaVu-Sans -pointsize 16 out/index.png
echo "demo: out/index.png shows all 17 groups and the dialog"
