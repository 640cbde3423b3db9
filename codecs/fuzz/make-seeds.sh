#!/bin/sh
# Writes the fuzzers' seed corpus into $1/<format>: a small picture in every kind of file the
# oracle writes, and the inputs the fuzzers once crashed on.
set -eu
out="$1"
here="$(dirname "$0")"
convert=/usr/bin/convert
mkdir -p "$out/bmp" "$out/wbmp"
picture="$out/picture.ppm"
"$convert" -size 7x5 gradient:red-blue -fill yellow -draw "point 3,2" "$picture"
n=0
for kind in "-colors 2 -type Palette BMP3" "-colors 16 -type Palette BMP3" \
            "-colors 60 -type Palette -compress None BMP3" "-colors 60 -type Palette BMP3" \
            "-type TrueColor BMP3" "-type TrueColor BMP" "-alpha set BMP" \
            "-define bmp:subtype=RGB565 BMP" "-define bmp:subtype=RGB555 BMP" \
            "-type TrueColor BMP2" "-colors 16 -type Palette BMP2" "-flip -colors 60 -type Palette BMP2"; do
  n=$((n + 1))
  options="${kind% *}"
  format="${kind##* }"
  # shellcheck disable=SC2086
  "$convert" "$picture" $options "$format:$out/bmp/seed$n.bmp"
done
"$convert" "$picture" -monochrome "WBMP:$out/wbmp/seed1.wbmp"
"$convert" -size 150x3 gradient: -monochrome "WBMP:$out/wbmp/seed2.wbmp"
for format in bmp wbmp; do
  cp "$here/regressions/$format/"* "$out/$format/" 2>/dev/null || true
done
