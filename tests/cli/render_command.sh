#!/usr/bin/env bash
# korvtool render --theme: the light look unless told, the dark one on
# request, and a wrong theme refused with nothing written.
. "$(dirname "$0")/common.sh"
DATA=$2
doc=$DATA/kdt/golden_v7.kdt

# The first pixel of a PNG (8-bit RGB or RGBA): the first byte of every
# filter type is the pixel itself on the first row.
first_pixel() {
  python3 - "$1" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, idat, kind = 8, b'', None
while pos < len(data):
    n, tag = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    if tag == b'IHDR':
        kind = body[9]
    elif tag == b'IDAT':
        idat += body
    pos += 12 + n
raw = zlib.decompress(idat)
print('%d,%d,%d' % tuple(raw[1:4]))
PY
}

"$KORVTOOL" render "$doc" "$tmp/light.png" --size 400x300
check "render draws light unless told" [ "$(first_pixel "$tmp/light.png")" = "255,255,255" ]
"$KORVTOOL" render "$doc" "$tmp/light2.png" --size 400x300 --theme light
check "--theme light is the same picture" cmp -s "$tmp/light.png" "$tmp/light2.png"
"$KORVTOOL" render "$doc" "$tmp/dark.png" --size 400x300 --theme dark
check "--theme dark draws on the dark background" [ "$(first_pixel "$tmp/dark.png")" = "30,31,34" ]
"$KORVTOOL" render "$doc" "$tmp/smith.png" --size 400x300 --theme dark --view smith
check "the Smith chart follows the theme" [ "$(first_pixel "$tmp/smith.png")" = "30,31,34" ]
"$KORVTOOL" render "$doc" "$tmp/bad.png" --theme sepia > /dev/null 2> "$tmp/err"
rc=$?
check "an unknown theme is wrong usage" [ $rc -eq 2 ]
check "the refusal names the choices" grep -q "light or dark" "$tmp/err"
check "nothing written on wrong usage" [ ! -e "$tmp/bad.png" ]
exit $fail
