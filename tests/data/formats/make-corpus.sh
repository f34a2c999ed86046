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
# them. display-p3.icc is Qt's own Display P3 profile
# (QColorSpace(QColorSpace::DisplayP3).iccProfile()), kept likewise.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 201x301 gradient:'#c03020-#2060c0' -rotate -90 \
    -fill '#f0c040' -draw 'rectangle 0,0 99,200' -depth 8 PNG24:reference.png
convert reference.png -depth 16 PNG48:reference-16.png
convert reference.png \( -size 301x201 xc:white -fill '#808080' -draw 'rectangle 150,0 300,200' \) \
    -alpha off -compose CopyOpacity -composite PNG32:reference-alpha.png

heif-enc -q 92 reference.png -o heic-8bit.heic
# An even size is coded whole (an odd one as a grid of one tile), and made
# RGB by the helper's own decoder.
convert reference.png -crop 300x200+0+0 +repage PNG24:even.png
heif-enc -q 92 even.png -o heic-8bit-whole.heic
heif-enc -q 92 -p chroma=422 even.png -o heic-8bit-422-whole.heic
convert even.png -colorspace Gray -type Grayscale grey.png
heif-enc -q 92 grey.png -o heic-grey-whole.heic
rm even.png grey.png
# A grid of 64 x 64 tiles, as phones write theirs of 512, its last column
# and row cut by the odd edge.
python3 ../../../bench/make-grid-heic.py --tile 64 reference.png heic-grid.heic
# Turned by its irot box, as a phone turns a photo taken upright: 1, 2 and
# 3 quarter turns anticlockwise, of the reference with a band along its
# foot (the reference is the same from top to bottom, and would not show a
# picture turned upside down).
convert reference.png -fill '#20a040' -draw 'rectangle 0,150 300,200' PNG24:footed.png
for quarters in 1 2 3; do
    python3 ../../../bench/make-grid-heic.py --tile 64 --irot $quarters footed.png heic-grid-irot-$quarters.heic
done
# As a phone writes a photo taken upright, 4:3 as its 320 x 240 thumbnail:
# turned, its tiles sharing one hvcC, the grid and its thumbnail in Display
# P3 by an ICC profile, and an HDR gain map beside it as an auxiliary
# picture; and the same turn said of the photo alone, its thumbnail saying none.
convert footed.png -crop 268x201+0+0 +repage PNG24:four-by-three.png
python3 ../../../bench/make-grid-heic.py --tile 64 --irot 3 --icc display-p3.icc --gain-map four-by-three.png \
    heic-grid-as-phones-write.heic
python3 ../../../bench/make-grid-heic.py --tile 64 --irot 3 --bare-thumbnail four-by-three.png \
    heic-grid-bare-thumbnail.heic
rm four-by-three.png
# And coded whole, of an even size: made RGB and shrunk a band of rows at a time.
convert footed.png -crop 300x200+0+0 +repage PNG24:footed-even.png
heif-enc -q 92 footed-even.png -o heic-whole-footed.heic
rm footed.png footed-even.png
heif-enc -q 92 -b 10 reference-16.png -o heic-10bit.heic
# The other chroma layouts, each against the odd edge.
heif-enc -q 92 -p chroma=422 reference.png -o heic-8bit-422.heic
heif-enc -q 92 -b 10 -p chroma=444 reference-16.png -o heic-10bit-444.heic
heif-enc -q 92 reference-alpha.png -o heic-alpha.heic
# Its colours stored multiplied by their alpha, as the file then says.
convert reference-alpha.png -channel RGB -fx 'u*u.a' +channel PNG32:premultiplied.png
heif-enc -q 92 --premultiplied-alpha premultiplied.png -o heic-alpha-premultiplied.heic
rm premultiplied.png
# Two images, the first one primary: the viewer shows the primary one.
convert -size 301x201 xc:'#00ff00' green.png
heif-enc -q 92 reference.png green.png -o heic-two-images.heic
rm green.png
# One channel only: a monochrome stream.
convert reference.png -colorspace Gray -type Grayscale grey.png
heif-enc -q 92 grey.png -o heic-grey.heic
rm grey.png
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
# Turned by their EXIF alone, as an iPhone's are; with and without MIAF.
g++ -std=c++20 -fPIC make-exif-oriented.cpp -o /tmp/make-exif-oriented $(pkg-config --cflags --libs Qt6Gui libheif)
QT_QPA_PLATFORM=offscreen /tmp/make-exif-oriented
rm -f /tmp/make-exif-oriented
# JPEG XL with its colours premultiplied by their alpha, as the file says.
g++ -std=c++20 -fPIC make-jxl-premultiplied.cpp -o /tmp/make-jxl-premultiplied $(pkg-config --cflags --libs Qt6Gui libjxl)
QT_QPA_PLATFORM=offscreen /tmp/make-jxl-premultiplied 2>/dev/null
rm -f /tmp/make-jxl-premultiplied

# HEIF brands: a HEIC whose ftyp names the structural brands first (mif1,
# miaf), as most conformance files and cameras write it.
python3 - <<'PY'
data = bytearray(open("heic-8bit.heic", "rb").read())
assert data[4:8] == b"ftyp" and data[8:12] == b"heic"
data[8:12] = b"mif1"
size = int.from_bytes(data[0:4], "big")
brands = [bytes(data[at:at + 4]) for at in range(16, size, 4)]
data[16:size] = b"".join(b"miaf" if brand == b"heic" else brand for brand in brands)
open("heic-mif1.heic", "wb").write(data)
# MIAF's second edition brand alone (mif2, miaf), as newer writers may
# name it: libheif 1.15 knows neither as a main brand nor reads it as such.
data[8:12] = b"mif2"
data[16:24] = b"mif2miaf"
open("heic-mif2.heic", "wb").write(data)
PY
# Display P3 by nclx (primaries 12, sRGB transfer), no ICC profile. (AVIF:
# libheif reads it through the same handler; heif-enc 1.15 writes no nclx.)
avifenc --cicp 12/13/6 -d 8 -y 444 --min 0 --max 0 reference.png avif-p3.avif
# HDR: three grey bands coding 100, 203 and 1000 cd/m² in PQ, and 50, 75
# and 100 % in HLG, 16-bit samples stored as they are (BT.2020 primaries;
# the PNGs say nothing of their colours, so that the encoders write ours).
plain='-define png:exclude-chunks=gAMA,cHRM,sRGB,iCCP'
convert -size 100x201 xc:'gray(50.81%)' -size 101x201 xc:'gray(58.06%)' -size 100x201 xc:'gray(75.18%)' +append \
    -depth 16 $plain PNG48:hdr-pq-bands.png
convert -size 100x201 xc:'gray(50%)' -size 101x201 xc:'gray(75%)' -size 100x201 xc:'gray(100%)' +append \
    -depth 16 $plain PNG48:hdr-hlg-bands.png
avifenc --cicp 9/16/9 -d 10 --min 0 --max 0 -y 444 hdr-pq-bands.png avif-pq.avif
avifenc --cicp 9/18/9 -d 10 --min 0 --max 0 -y 444 hdr-hlg-bands.png avif-hlg.avif
cjxl -d 0 -x color_space=RGB_D65_202_Rel_PeQ hdr-pq-bands.png jxl-pq.jxl
rm hdr-pq-bands.png hdr-hlg-bands.png
# Animations: three frames (red, green, blue; 100 ms each) as an AVIF
# sequence and a JPEG XL.
convert -size 60x40 xc:'#e02020' frame-1.png
convert -size 60x40 xc:'#20e020' frame-2.png
convert -size 60x40 xc:'#2020e0' frame-3.png
avifenc --fps 10 -y 444 --min 0 --max 0 frame-1.png frame-2.png frame-3.png avif-sequence.avifs
convert -delay 10 -loop 0 frame-1.png frame-2.png frame-3.png frames.gif
cjxl -d 0 frames.gif jxl-animated.jxl
rm frame-1.png frame-2.png frame-3.png frames.gif
# An Ultra HDR-shaped JPEG: the photo, then its gain map (a second JPEG,
# black) after it, as MPF writes them: shown as the photo.
convert reference.png -quality 92 base.jpg
convert -size 301x201 xc:black -quality 92 gainmap.jpg
cat base.jpg gainmap.jpg > jpeg-gainmap.jpg
rm base.jpg gainmap.jpg
# JPEG XL's own orientation (6: turned 90° clockwise), as cjxl takes it
# from a JPEG's EXIF when it recompresses the JPEG.
convert reference.png -quality 95 plain.jpg
python3 - <<'PY'
import struct
jpeg = open("plain.jpg", "rb").read()
tiff = b"MM\x00\x2a" + struct.pack(">IH", 8, 1) + struct.pack(">HHII", 0x112, 3, 1, 6 << 16) + struct.pack(">I", 0)
exif = b"Exif\x00\x00" + tiff
app0 = 4 + struct.unpack(">H", jpeg[4:6])[0] if jpeg[2:4] == b"\xff\xe0" else 2
open("plain-6.jpg", "wb").write(jpeg[:app0] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + jpeg[app0:])
PY
cjxl plain-6.jpg jxl-orientation-6.jxl
rm plain.jpg plain-6.jpg
# PQ pictures whose light level claims 10000 cd/m² (PQ's most) and 65535.
python3 make-pq-light.py avif-pq-10000.avif 10000
python3 make-pq-light.py hostile-pq-absurd-light.avif 65535

# Camera RAW: DNGs of the reference's layout (make-dng.py), one with no
# preview, one with a 120 x 80 JPEG preview of another colour (magenta band
# over blue, so that a test tells it from the developed picture), and that
# one again turned (orientation 6).
convert -size 120x80 xc:'#2040c0' -fill '#ff00ff' -draw 'rectangle 0,0 39,79' -quality 95 raw-preview.jpg
python3 make-dng.py raw-plain.dng
python3 make-dng.py raw-preview.dng --preview raw-preview.jpg
python3 make-dng.py raw-preview-orientation-6.dng --preview raw-preview.jpg --orientation 6
head -c 30000 raw-plain.dng > hostile-truncated-raw-plain.dng
# One that names 25000 x 20000 pixels: past the program's cap.
python3 make-dng.py ../hostile/raw-claims-25000x20000.dng --claim 25000x20000
rm raw-preview.jpg

# Previews: JPEGs with an EXIF thumbnail (60 x 40, a magenta band over blue,
# so that a test tells it from the picture), turned (orientation 6), with a
# larger MPF preview (150 x 100, a green band), with a scrambled thumbnail;
# a HEIC with a 64-pixel thumbnail item.
convert reference.png -quality 92 main.jpg
convert -size 60x40 xc:'#2040c0' -fill '#ff00ff' -draw 'rectangle 0,0 19,39' -quality 95 thumb.jpg
convert -size 150x100 xc:'#2040c0' -fill '#00ff00' -draw 'rectangle 0,0 49,99' -quality 95 mpf.jpg
python3 make-jpeg-preview.py main.jpg jpeg-exif-thumbnail.jpg thumb.jpg
python3 make-jpeg-preview.py main.jpg jpeg-exif-thumbnail-orientation-6.jpg thumb.jpg --orientation 6
python3 make-jpeg-preview.py main.jpg jpeg-mpf-preview.jpg thumb.jpg --mpf mpf.jpg
python3 make-jpeg-preview.py main.jpg jpeg-mpf-gain-map.jpg thumb.jpg --mpf mpf.jpg --gain-map
python3 make-jpeg-preview.py main.jpg hostile-corrupt-exif-thumbnail.jpg thumb.jpg --corrupt
heif-enc -q 92 -t 64 reference.png -o heic-thumbnail.heic
# Size boxes that say more or less than was coded; derived images stacked.
python3 make-heif-sizes.py
rm main.jpg thumb.jpg mpf.jpg
