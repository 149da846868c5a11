#!/usr/bin/env bash
# Remakes the PNG, GIF, TIFF and JPEG 2000 reader fixtures with independent
# tools (Pillow, ImageMagick, libtiff's tools, OpenJPEG's opj_compress).
set -euo pipefail
cd "$(dirname "$0")"
PY=/usr/bin/python3
IM=/usr/bin/convert
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# --- PNG (Pillow) ---
$PY - <<'PYEOF'
from PIL import Image
def rgb(x, y): return ((x * 40 + 3) % 256, (y * 60 + 7) % 256, (x * y * 13) % 256)
im = Image.new("RGB", (7, 5)); im.putdata([rgb(x, y) for y in range(5) for x in range(7)])
im.save("png_rgb8.png", dpi=(300, 300))                 # pHYs 11811 px/m

a = im.convert("RGBA"); a.putalpha(Image.frombytes("L", (7, 5), bytes((i * 7) % 256 for i in range(35))))
a.save("png_rgba8.png")
b = Image.new("1", (11, 3)); b.putdata([((x + y) % 3 == 0) * 255 for y in range(3) for x in range(11)])
b.save("png_gray1.png")
g = Image.new("L", (6, 4)); g.putdata([(x * 50 + y * 3) % 256 for y in range(4) for x in range(6)])
g.save("png_gray8.png")
p = im.quantize(colors=4); p.save("png_palette.png")
p.info["transparency"] = 1; p.save("png_palette_trns.png", transparency=1)
la = Image.new("LA", (6, 4)); la.putdata([((x * 50) % 256, (y * 80) % 256) for y in range(4) for x in range(6)])
la.save("png_graya8.png")
PYEOF
$IM -size 6x4 gradient:'#102030-#f0e0d0' -depth 16 -define png:color-type=2 png_rgb16.png
$IM png_rgb8.png -interlace PNG -units PixelsPerInch -density 72 -define png:color-type=2 png_rgb8_interlaced.png
$IM -size 6x4 gradient:'#000000-#ffffff' -colorspace gray -depth 2 png_gray2.png
$IM -size 6x4 gradient:'#000000-#ffffff' -colorspace gray -alpha set -channel A -fx 'i/6' +channel -depth 16 -define png:bit-depth=16 -define png:color-type=4 png_graya16.png
# pHYs with the unknown unit (an aspect ratio): 11811 x 11811, unit 0.
$PY - <<'PYEOF'
import struct, zlib
data = open("png_gray8.png", "rb").read()
body = struct.pack(">IIB", 11811, 11811, 0)
chunk = struct.pack(">I", 9) + b"pHYs" + body + struct.pack(">I", zlib.crc32(b"pHYs" + body))
open("png_phys_unit0.png", "wb").write(data[:33] + chunk + data[33:])
PYEOF

# --- GIF ---
$IM -size 9x5 xc:black -fill white -draw 'rectangle 2,1 5,3' -type bilevel gif_black_white.gif
$IM -size 9x5 xc:red -fill yellow -draw 'rectangle 2,1 5,3' gif_red_yellow.gif
$IM -size 10x9 gradient:red-blue -depth 8 -colors 8 -fill '#00ff00' -draw 'point 3,4' -transparent '#00ff00' -interlace GIF gif_trans_interlaced.gif
$IM -size 5x4 xc:navy \( -size 5x4 xc:orange \) -loop 0 gif_two_frames.gif
# A hand-made file: global table black/white, then an image with its own
# 4-entry local table (first image) and a graphic control extension marking
# index 2 transparent.
$PY - <<'PYEOF'
import struct
def lzw_raw(indices, min_size):
    # Plain codes with a clear code before the table would grow: no compression.
    clear, end, size = 1 << min_size, (1 << min_size) + 1, min_size + 1
    codes, bits, nbits = [], 0, 0
    out = bytearray()
    def put(code):
        nonlocal bits, nbits
        bits |= code << nbits; nbits += size
        while nbits >= 8:
            out.append(bits & 255); bits >>= 8; nbits -= 8
    n = 0
    put(clear)
    for i in indices:
        if n == (1 << size) - (1 << min_size) - 3:
            put(clear); n = 0
        put(i); n += 1
    put(end)
    if nbits: out.append(bits & 255)
    blocks = bytearray([min_size])
    for k in range(0, len(out), 255):
        chunk = out[k:k + 255]; blocks += bytes([len(chunk)]) + chunk
    return bytes(blocks + b"\0")
w, h = 6, 3
pix = [(x + y) % 4 for y in range(h) for x in range(w)]
d = b"GIF89a" + struct.pack("<HHBBB", w, h, 0x80, 0, 0) + bytes([0, 0, 0, 255, 255, 255])
d += bytes([0x21, 0xF9, 4, 0x01, 0, 0, 2, 0])
d += bytes([0x2C]) + struct.pack("<HHHHB", 0, 0, w, h, 0x81)
d += bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0])
d += lzw_raw(pix, 2) + b";"
open("gif_local_table.gif", "wb").write(d)
PYEOF

# --- TIFF ---
$IM -size 8x6 gradient:red-blue -depth 8 -compress lzw tiff_rgb_lzw.tif
$IM -size 13x7 xc:white -fill black -draw 'rectangle 2,1 6,4' -type bilevel -compress group4 tiff_g4_miniswhite.tif
$PY -c "
from PIL import Image
b = Image.new('1', (13, 7)); b.putdata([((x * y) % 5 == 0) * 255 for y in range(7) for x in range(13)])
b.save('tiff_1bit_minisblack.tif', dpi=(200, 200))
g = Image.new('L', (6, 4)); g.putdata([(x * 40 + y * 5) % 256 for y in range(4) for x in range(6)])
g.save('tiff_gray8_packbits.tif', compression='packbits')
"
$IM -size 8x6 gradient:red-blue -colors 9 -type palette tiff_palette4.tif
$IM -size 8x6 gradient:'#102030-#f0e0d0' -depth 16 -compress zip tiff_rgb16_zip.tif
tiffcp -p separate tiff_rgb_lzw.tif tiff_rgb_planar.tif
tiffcp -t -w 16 -l 16 tiff_rgb_lzw.tif tiff_rgb_tiled.tif
tiffcp -c g4 -t -w 16 -l 16 tiff_g4_miniswhite.tif tiff_bilevel_tiled.tif
$IM -size 8x6 gradient:red-blue -colorspace cmyk -depth 8 tiff_cmyk.tif
$IM -size 16x16 gradient:red-blue -depth 8 "$T/ycbcr_src.tif"
tiffcp -c jpeg:90 -r 16 "$T/ycbcr_src.tif" tiff_ycbcr_jpeg.tif
$IM -size 8x6 gradient:red-blue -alpha set -channel A -fx 0.5 +channel -depth 8 tiff_rgba.tif
$IM -size 5x4 xc:green \( -size 3x3 xc:purple \) -depth 8 tiff_two_pages.tif
$IM -size 5x4 xc:gray -depth 8 tiff_res_cm.tif
tiffset -s 296 3 tiff_res_cm.tif && tiffset -s 282 118.11 tiff_res_cm.tif && tiffset -s 283 47.3 tiff_res_cm.tif
$IM -size 5x4 xc:gray -depth 8 -density 200 -units PixelsPerInch tiff_res_inch.tif
$IM -size 8x3 xc:red -fill blue -draw 'point 1,1' -type palette -depth 1 tiff_palette1.tif

# --- JPEG 2000 (lossless, OpenJPEG) ---
$IM -size 7x5 gradient:'#ff0000-#0000ff' -depth 8 "$T/rgb.ppm"
$IM -size 7x5 gradient: -colorspace gray -depth 8 "$T/gray.pgm"
$IM -size 7x5 gradient: -colorspace gray -depth 16 "$T/gray16.pgm"
$PY -c "import sys; sys.stdout.buffer.write(bytes(((x + y) % 2) for y in range(4) for x in range(9)))" > "$T/bw.raw"
opj_compress -i "$T/rgb.ppm" -o jp2_rgb.jp2 -n 2 > /dev/null
opj_compress -i "$T/gray.pgm" -o jp2_gray.j2k -n 2 > /dev/null
opj_compress -i "$T/gray16.pgm" -o jp2_gray16.jp2 -n 2 > /dev/null
opj_compress -i "$T/bw.raw" -F 9,4,1,1,u -o jp2_bilevel.j2k -n 2 > /dev/null
