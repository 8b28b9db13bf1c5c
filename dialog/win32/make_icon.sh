#!/bin/bash
# Writes q527.ico: one 16 x 16 image, 16 colours, the standard VGA palette.
# The picture: a navy circle with a red square inscribed in it, the
# program's whole job in one glyph. Run it again only to change the picture;
# the .ico beside it is what the build uses.
set -euo pipefail
out=${1:-"$(dirname "$0")/q527.ico"}

hex=$(awk 'function le16(v) { return sprintf("%02x%02x", v % 256, int(v / 256) % 256) }
function le32(v) { return le16(v % 65536) le16(int(v / 65536)) }
BEGIN {
  pi = atan2(0, -1); R = 7; apo = R * cos(pi / 4)
  for (y = 0; y < 16; y++) for (x = 0; x < 16; x++) {
    px = x + 0.5 - 8; py = y + 0.5 - 8
    c = -1                                   # transparent
    r = sqrt(px * px + py * py)
    if (r > R - 0.75 && r < R + 0.6) c = 4   # navy ring
    d = -1e9                                 # square: largest edge distance
    for (k = 0; k < 4; k++) { a = k * pi / 2; v = px * cos(a) + py * sin(a); if (v > d) d = v }
    if (d > apo - 0.5 && d < apo + 0.5 && r < R - 0.5) c = 9   # red edges
    pix[y, x] = c
  }
  # ICONDIR, one ICONDIRENTRY (image at offset 22, 40 + 64 + 128 + 64 bytes)
  s = le16(0) le16(1) le16(1)
  s = s "10" "10" "10" "00" le16(1) le16(4) le32(296) le32(22)
  # BITMAPINFOHEADER: height counts the colour and the mask rows
  s = s le32(40) le32(16) le32(32) le16(1) le16(4) le32(0) le32(192) le32(0) le32(0) le32(16) le32(0)
  split("000000 800000 008000 808000 000080 800080 008080 c0c0c0 808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff", pal, " ")
  for (i = 1; i <= 16; i++) { rgb = pal[i]; s = s substr(rgb, 5, 2) substr(rgb, 3, 2) substr(rgb, 1, 2) "00" }
  # colour rows, bottom-up, two pixels a byte
  for (y = 15; y >= 0; y--) for (x = 0; x < 16; x += 2) {
    hi = pix[y, x] < 0 ? 0 : pix[y, x]; lo = pix[y, x + 1] < 0 ? 0 : pix[y, x + 1]
    s = s sprintf("%x%x", hi, lo)
  }
  # mask rows, bottom-up, 1 = transparent, rows padded to 32 bits
  for (y = 15; y >= 0; y--) {
    for (half = 0; half < 2; half++) {
      m = 0
      for (b = 0; b < 8; b++) if (pix[y, half * 8 + b] < 0) m += 2 ^ (7 - b)
      s = s sprintf("%02x", m)
    }
    s = s "0000"
  }
  print s
}')
printf '%s' "$hex" | xxd -r -p > "$out"
