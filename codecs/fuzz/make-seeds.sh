#!/bin/sh
# Writes the fuzzers' seed corpus into $1/<format>: a small picture in every kind of file the
# oracle writes, hand-built metafiles, and the inputs the fuzzers once crashed on.
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
mkdir -p "$out/jpeg" "$out/png" "$out/exif"
n=0
for options in "" "-progressive" "-grayscale" "-arithmetic" "-restart 1" "-optimize -sample 1x1"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  cjpeg $options -outfile "$out/jpeg/seed$n.jpg" "$picture"
done
"$convert" "$picture" -colorspace CMYK "JPEG:$out/jpeg/seed-cmyk.jpg"
n=0
for options in "-define png:color-type=2" "-define png:color-type=2 -interlace PNG" \
               "-define png:color-type=2 -define png:bit-depth=16" "-colors 16 -define png:color-type=3" \
               "-colorspace Gray -define png:color-type=0 -define png:bit-depth=2" \
               "-transparent yellow -background blue -define png:color-type=2" \
               "-alpha set -channel A -evaluate set 50% +channel -define png:color-type=6" \
               "-alpha set -channel A -evaluate set 50% +channel -colorspace Gray -define png:color-type=4"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  # Without the dates of writing, so that the same tree makes the same seeds.
  "$convert" "$picture" $options -define png:exclude-chunk=date,time "PNG:$out/png/seed$n.png"
done
# A camera's EXIF block (make, orientation, resolution, ISO, date and a thumbnail) in front of
# a picture.
{
  printf '\377\330'
  printf '\377\341\000\252\105\170\151\146\000\000\111\111\052\000\010\000\000\000\004\000\017\001\002\000\007\000\000\000\076\000\000\000\022\001\003\000\001\000\000\000\006\000\000\000\032\001\005\000\001\000\000\000\232\000\000\000\151\207\004\000\001\000\000\000\106\000\000\000\170\000\000\000\126\145\154\164\162\141\000\000\002\000\047\210\003\000\001\000\000\000\002\000\000\000\003\220\002\000\024\000\000\000\144\000\000\000\000\000\000\000\062\060\062\066\072\061\062\072\060\066\040\062\063\072\061\060\072\060\060\000\002\000\001\002\004\000\001\000\000\000\226\000\000\000\002\002\004\000\001\000\000\000\004\000\000\000\000\000\000\000\377\330\377\331\110\000\000\000\001\000\000\000'
  tail -c +3 "$out/jpeg/seed1.jpg"
} > "$out/exif/camera.jpg"
cp "$out/jpeg/"* "$out/exif/"
for format in bmp wbmp jpeg png exif; do
  cp "$here/regressions/$format/"* "$out/$format/" 2>/dev/null || true
done
# Icons, TGA and PCX files of the kinds the oracle writes.
mkdir -p "$out/ico" "$out/tga" "$out/pcx"
write_seeds() {
  format="$1"
  shift
  n=0
  for options in "$@"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    "$convert" "$picture" $options "$format:$out/$(echo "$format" | tr A-Z a-z)/seed$n"
  done
}
write_seeds ICO "-alpha set -define icon:auto-resize=16,24" "-colors 16" "-transparent yellow -colors 16" \
  "-transparent yellow -colors 60" "-type TrueColor"
write_seeds TGA "-type TrueColor" "-type TrueColor -compress RLE" "-alpha set" \
  "-alpha set -orient TopLeft -compress RLE" "-depth 5" "-depth 5 -compress RLE" "-colors 5 -type Palette" \
  "-colors 5 -type Palette -compress RLE" "-colorspace Gray -compress RLE"
write_seeds PCX "-colors 2 -type Palette -depth 1" "-colors 60 -type Palette" "-type TrueColor" "-alpha set"
for format in ico tga pcx; do
  cp "$here/regressions/$format/"* "$out/$format/" 2>/dev/null || true
done
# GIF: palettes of each depth, interlace, transparency, an animation and a true-colour mosaic.
mkdir -p "$out/gif"
write_seeds GIF "-colors 2" "-colors 16 -interlace GIF" "-transparent yellow -colors 60" "-colors 200"
"$convert" -dispose Background "$picture" -colors 8 \( "$picture" -negate -crop 9x7+3+2 -colors 4 \) \
  "GIF:$out/gif/animation"
cp "$here/regressions/gif/"* "$out/gif/" 2>/dev/null || true
# TIFF: each compression, palette, grey depths, alpha, tiles, an orientation and two pages.
mkdir -p "$out/tiff"
write_seeds TIFF "-compress None" "-compress LZW" "-compress Zip" "-compress JPEG" "-monochrome -compress Group4" \
  "-colors 20 -type Palette" "-colorspace Gray -depth 4" "-colorspace Gray -depth 16" "-alpha set" \
  "-define tiff:tile-geometry=16x16" "-orient RightTop" "-colorspace Lab"
"$convert" "$picture" \( "$picture" -negate \) "TIFF:$out/tiff/pages"
cp "$here/regressions/tiff/"* "$out/tiff/" 2>/dev/null || true
# The JPEG-2000 family: colour, grey, 16-bit and grey with alpha in JP2 and bare code streams;
# PGX of each depth; PNM of every kind; Sun raster of each depth, with and without a map.
mkdir -p "$out/jp2" "$out/jpc" "$out/pgx" "$out/pnm" "$out/ras"
write_seeds JP2 "-type TrueColor" "-colorspace Gray" "-depth 16" "-colorspace Gray -alpha set -depth 8" \
  "-quality 50" "-define jp2:progression-order=RPCL"
n=0
for options in "-type TrueColor" "-colorspace Gray" "-depth 12" "-quality 40"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  "$convert" "$picture" $options "J2K:$out/jpc/seed$n"
done
write_seeds PGX "-colorspace Gray -depth 8" "-colorspace Gray -depth 16" "-colorspace Gray -depth 4"
n=0
for kind in "-monochrome -compress None PBM" "-monochrome PBM" "-compress None PGM" "-depth 8 PGM" "-depth 16 PGM" \
            "-compress None PPM" "-depth 8 PPM" "-depth 16 PPM"; do
  n=$((n + 1))
  options="${kind% *}"
  format="${kind##* }"
  # shellcheck disable=SC2086
  "$convert" "$picture" $options "$format:$out/pnm/seed$n"
done
n=0
for options in "-type TrueColor" "-alpha set" "-colors 20 -type Palette" "-monochrome" "-colorspace Gray"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  "$convert" "$picture" $options "SUN:$out/ras/seed$n"
done
# Sun raster coded by runs, which the oracle does not write, is kept in seeds/.
cp "$here/seeds/ras/"* "$out/ras/"
for format in jp2 jpc pgx pnm ras; do
  cp "$here/regressions/$format/"* "$out/$format/" 2>/dev/null || true
done
# Metafiles: no oracle writes them, so hand-built ones of many kinds of record are kept in seeds/.
for format in wmf emf; do
  mkdir -p "$out/$format"
  cp "$here/seeds/$format/"* "$out/$format/"
  cp "$here/regressions/$format/"* "$out/$format/" 2>/dev/null || true
done
