#!/bin/sh
# Makes the picture fixtures of the codec tests with ImageMagick (convert)
# and writes expected.txt: what ImageMagick itself reads back from each file,
# one block per fixture:
#   <file> <width> <height>
#   <height lines of <width> colours, RRGGBB or RRGGBBAA when the file has alpha>
# Run from anywhere; the files land next to this script. Needs ImageMagick 6
# and python3 (only to drop the first image of one GIF).
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# ---- sources -------------------------------------------------------------------
# 7 x 5, odd width: BMP lines need padding, PCX lines an odd byte count.
cat >"$tmp/small.ppm" <<'PPM'
P3
7 5
255
255 0 0   0 255 0   0 0 255   255 255 0   0 255 255   255 0 255   255 255 255
0 0 0     128 0 0   0 128 0   0 0 128     128 128 0   0 128 128   128 0 128
192 192 192 128 128 128 64 64 64 255 128 0 0 128 255 128 255 0  255 0 128
10 20 30  40 50 60  70 80 90  100 110 120 130 140 150 160 170 180 190 200 210
255 0 0   255 0 0   255 0 0   0 0 0       0 0 0     0 0 0     17 34 51
PPM
# 9 x 11 ramps: every row differs, so a wrong row order shows.
convert -size 9x11 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' \
    -channel B -fx '(i+j)%3/2' +channel "$tmp/ramp.png"
# 16 x 12 with a few dozen colours.
convert -size 16x12 xc: -channel R -fx '(i*j)%7/6' -channel G -fx 'i/w' \
    -channel B -fx '(j%4)/3' +channel "$tmp/many.png"

small="$tmp/small.ppm"
ramp="$tmp/ramp.png"
many="$tmp/many.png"

# ---- GIF -----------------------------------------------------------------------
convert "$small" +dither -colors 2 gif-2col.gif
convert "$ramp" +dither -colors 16 gif-16col.gif
convert "$ramp" +dither -colors 16 -interlace GIF gif-16col-interlaced.gif
convert "$many" +dither -colors 64 -comment "fixture comment" gif-64col.gif
# Two images, each after a graphic control extension; the second has a
# local colour table.
convert -size 7x5 xc:red -fill blue -draw 'point 1,1' "$tmp/frame1.gif"
convert -size 7x5 xc:green -fill yellow -draw 'point 2,2' -fill white \
    -draw 'point 3,3' -fill black -draw 'point 6,4' "$tmp/frame2.gif"
convert -delay 10 -loop 0 "$tmp/frame1.gif" "$tmp/frame2.gif" gif-two-images.gif
# The same file without its first image: the image left has a local colour
# table that differs from the global one.
python3 - gif-two-images.gif gif-local-table.gif <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
flags = data[10]
p = 13 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)
head = data[:p]
def skip_blocks(p):
    while data[p] != 0:
        p += data[p] + 1
    return p + 1
# Keep the extensions before the first image, drop the image and the
# graphic control extension that follows it.
start = p
while data[p] == 0x21:
    p = skip_blocks(p + 2)
kept = data[start:p]
assert data[p] == 0x2C
f = data[p + 9]
p += 10 + (3 * (2 << (f & 7)) if f & 0x80 else 0)
p = skip_blocks(p + 1)
open(sys.argv[2], "wb").write(head + kept + data[p:])
PY

# ---- BMP -----------------------------------------------------------------------
convert "$small" +dither -colors 2 -type palette -compress none BMP3:bmp-1bit.bmp
convert "$small" +dither -colors 16 -type palette -compress none BMP3:bmp-4bit.bmp
convert "$small" -type palette -compress none BMP3:bmp-8bit.bmp
convert "$ramp" -type palette -compress RLE BMP3:bmp-8bit-rle.bmp
convert "$small" -type truecolor BMP3:bmp-24bit.bmp
# ImageMagick's default: the 124-byte info header.
convert "$small" -type truecolor bmp-24bit-v5.bmp
convert "$small" -type palette -compress none bmp-8bit-v5.bmp

# ---- PCX -----------------------------------------------------------------------
convert "$small" -type palette pcx-8bit.pcx
convert "$small" -type truecolor pcx-24bit.pcx

# ---- TGA -----------------------------------------------------------------------
convert "$small" -type palette -compress none tga-mapped.tga
convert "$ramp" +dither -colors 16 -type palette -compress RLE tga-mapped-rle.tga
convert "$small" -type truecolor -compress none tga-24bit.tga
convert "$ramp" -type truecolor -compress RLE tga-24bit-rle.tga
convert "$small" -type truecolor -compress none -orient TopLeft tga-24bit-topleft.tga
convert "$ramp" -type truecolor -compress RLE -orient TopLeft tga-24bit-rle-topleft.tga
convert "$small" -colorspace gray -compress none tga-grey.tga
convert "$ramp" -colorspace gray -compress RLE tga-grey-rle.tga
convert "$small" -alpha set -channel A -fx '(i+1)/8' +channel -compress none tga-32bit.tga

# ---- expectations ----------------------------------------------------------------
: >expected.txt
for f in gif-*.gif bmp-*.bmp pcx-*.pcx tga-*.tga; do
    # The first image only, turned as the file's orientation says (a TGA
    # file's rows are kept in file order otherwise); colours as ImageMagick's
    # text form lists them.
    convert "$f[0]" -auto-orient -depth 8 txt:- | awk -v name="$f" '
        NR == 1 { split($0, a, /[:,]/); w = a[2] + 0; h = a[3] + 0;
                  print name, w, h; n = 0; next }
        { hex = $3; sub(/^#/, "", hex); line = line (n % w ? " " : "") hex; n++;
          if (n % w == 0) { print line; line = "" } }' >>expected.txt
done

# ---- benchmark pictures ----------------------------------------------------------------
# 640 x 480, 256 colours: a dithered photo-like picture and flat art.
convert -seed 7 -size 640x480 plasma:fractal -blur 0x3 -colors 256 bench/photo.gif
convert -size 640x480 xc:'#3060a0' +antialias \
    -fill '#e0c040' -draw 'circle 200,200 200,350' \
    -fill '#40a040' -draw 'rectangle 350,100 600,300' \
    -fill '#c03030' -draw 'polygon 50,450 300,300 500,470' \
    -fill white -stroke black -strokewidth 3 -draw 'roundrectangle 400,330 620,460 20,20' \
    -font DejaVu-Sans -pointsize 40 -draw "text 60,80 'KWOMedia'" \
    -colors 16 bench/flat.gif
# Their colours as ImageMagick reads them: POSIX cksum of the red, green,
# blue bytes of every pixel, and the byte count.
for f in bench/photo.gif bench/flat.gif; do
    echo "$f $(convert "$f" -auto-orient -depth 8 rgb:- | cksum)"
done >bench/expected-cksum.txt
