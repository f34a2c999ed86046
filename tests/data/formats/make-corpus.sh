#!/usr/bin/env bash
# Makes the formats corpus from one reference picture (run again to remake
# it; the tests read the committed files). Needs ImageMagick, heif-enc
# (libheif-examples), avifenc (libavif-bin) and cjxl (libjxl-tools).
#
# The reference is 301 x 201 (odd, so that 4:2:0 and 4:2:2 chroma meet an
# odd edge): a light band on its left third over a red-to-blue gradient.
# colour-adobe-rgb.jpg and colour-prophoto-rgb.jpg are a flat sRGB
# rgb(230,40,40) stored in those colour spaces with the profile embedded,
# written with Qt (QImage::convertToColorSpace, then save); this script keeps
# them.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 201x301 gradient:'#c03020-#2060c0' -rotate -90 \
    -fill '#f0c040' -draw 'rectangle 0,0 99,200' -depth 8 PNG24:reference.png
convert reference.png -depth 16 PNG48:reference-16.png
convert reference.png \( -size 301x201 xc:white -fill '#808080' -draw 'rectangle 150,0 300,200' \) \
    -alpha off -compose CopyOpacity -composite PNG32:reference-alpha.png

heif-enc -q 92 reference.png -o heic-8bit.heic
heif-enc -q 92 -b 10 reference-16.png -o heic-10bit.heic
heif-enc -q 92 reference-alpha.png -o heic-alpha.heic
# Two images, the first one primary: the viewer shows the primary one.
convert -size 301x201 xc:'#00ff00' green.png
heif-enc -q 92 reference.png green.png -o heic-two-images.heic
rm green.png
avifenc --min 8 --max 16 -y 420 -d 8 reference.png avif-8bit-420.avif
avifenc --min 8 --max 16 -y 422 -d 10 reference.png avif-10bit-422.avif
avifenc --min 8 --max 16 -y 444 -d 10 reference.png avif-10bit-444.avif
avifenc --min 8 --max 16 -y 420 -d 12 reference-16.png avif-12bit-420.avif
avifenc --min 8 --max 16 -y 444 -d 8 reference-alpha.png avif-alpha.avif
cjxl -q 95 reference.png jxl-8bit.jxl
cjxl -q 95 reference-16.png jxl-16bit.jxl
cjxl -q 95 reference-alpha.png jxl-alpha.jxl
convert reference.png -quality 92 webp-lossy.webp
convert reference-alpha.png -define webp:lossless=true webp-alpha.webp
convert reference.png tiff-8bit.tif
convert reference-16.png tiff-16bit.tiff
cat > svg-band.svg <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="301" height="201">
  <defs><linearGradient id="g"><stop offset="0" stop-color="#c03020"/><stop offset="1" stop-color="#2060c0"/></linearGradient></defs>
  <rect width="301" height="201" fill="url(#g)"/>
  <rect width="100" height="201" fill="#f0c040"/>
</svg>
SVG
# Damaged copies: cut short, and with their middle overwritten.
for file in heic-8bit.heic avif-8bit-420.avif jxl-8bit.jxl webp-lossy.webp tiff-8bit.tif; do
    size=$(stat -c %s "$file")
    head -c $((size / 2)) "$file" > "hostile-truncated-${file}"
    cp "$file" "hostile-corrupted-${file}"
    printf '\xff%.0s' $(seq 64) | dd of="hostile-corrupted-${file}" bs=1 seek=$((size / 3)) conv=notrunc status=none
done
rm reference-16.png
# HEIF's own rotation and mirroring (irot, imir), written through libheif.
g++ -std=c++20 -fPIC make-oriented.cpp -o /tmp/make-oriented $(pkg-config --cflags --libs Qt6Gui libheif)
QT_QPA_PLATFORM=offscreen /tmp/make-oriented
rm -f /tmp/make-oriented
