#!/bin/sh
# Renders the README pictures with `korvtool render`: every bundled sample
# document in the frequency, distance-to-fault and Smith views, and the
# demonstration documents of make_demo_documents.py.
# Usage: docs/images/render_images.sh [path/to/korvtool]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
korvtool=${1:-$root/build/src/cli/korvtool}
size=1200x800

for doc in "$root"/resources/samples/*.kdt; do
  name=$(basename "$doc" .kdt)
  for view in freq dtf smith; do
    "$korvtool" render "$doc" "$here/${name}_${view}.png" --view "$view" --size "$size"
  done
done

"$korvtool" render "$here/demo_site.kdt" "$here/demo_site_freq.png" --view freq --size "$size"
"$korvtool" render "$here/demo_site.kdt" "$here/demo_site_freq_dark.png" --view freq --size "$size" --theme dark
"$korvtool" render "$here/demo_site.kdt" "$here/demo_site_dtf.png" --view dtf --size "$size"
"$korvtool" render "$here/demo_antenna.kdt" "$here/demo_antenna_smith.png" --view smith --size "$size"
"$korvtool" render "$here/demo_sector.kdt" "$here/demo_sector_vswr.png" --view freq --unit vswr --size "$size"

# A page of File > Print Multiple: six documents in 3 rows of 2 columns,
# made by `korvtool print` and turned into a picture with Ghostscript.
if command -v gs >/dev/null 2>&1; then
  pdf=$(mktemp --suffix=.pdf)
  "$korvtool" print "$pdf" --rows 3 --columns 2 "$root"/resources/samples/*.kdt "$here/demo_site.kdt" \
    "$here/demo_antenna.kdt" >/dev/null
  gs -q -dSAFER -sDEVICE=png16m -r110 -dTextAlphaBits=4 -dGraphicsAlphaBits=4 -dFirstPage=1 -dLastPage=1 \
    -o "$here/print_multiple_page.png" "$pdf"
  rm -f "$pdf"
else
  echo "render_images.sh: Ghostscript (gs) not found; print_multiple_page.png left as it is" >&2
fi
# A page of the site report of the demonstration site.
tmp=$(mktemp -d)
"$korvtool" report "$tmp/report.pdf" "$here/demo_site.kdt" --title "Site 412 closeout" >/dev/null
pdftoppm -f 3 -l 3 -r 100 -png -singlefile "$tmp/report.pdf" "$here/site_report_page3"
rm -rf "$tmp"
# A live sweep from the simulated NanoVNA-H4 (the feed line model with a wet
# connector at 8 m and a crushed section at 19 m), in the distance view.
"$korvtool" simulate --instrument nanovna --model h4 > "$tmp.port" 2>/dev/null &
sim=$!
while ! grep -q '^port: ' "$tmp.port" 2>/dev/null; do sleep 0.1; done
port=$(sed -n 's/^port: //p' "$tmp.port")
"$korvtool" sweep --port "$port" --start 100 --stop 600 --points 1001 --label "Simulated NanoVNA-H4" \
  --out "$tmp.kdt" 2>/dev/null >/dev/null
kill "$sim"
"$korvtool" render "$tmp.kdt" "$here/nanovna_sweep_dtf.png" --view dtf --size "$size"
rm -f "$tmp.port" "$tmp.kdt"
