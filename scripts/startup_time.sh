#!/usr/bin/env bash
# Start-up time of korvmox to a shown main window with one document, against
# a bare Qt program (bench/startup_baseline: one main window, maximised as
# korvmox opens, with one QCustomPlot of 238 points) started alternately
# under the same display.
#   scripts/startup_time.sh [BUILD_DIR] [RUNS] [DOCUMENT]
# Each run starts the program with KORVMOX_STARTUP_PROBE set: it reports the
# time from main() to the main window's first frame on the screen (painted
# with the document open, and taken by the X server), then ends; the
# baseline reports the same span. The wall time of the
# whole process (loading the libraries, start, exit) is measured here as
# well. Runs under Xvfb when there is no display. KORVMOX_STARTUP_STEPS=1
# makes korvmox print the time of each start step to standard error.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-10}
DOC=${3:-$ROOT/resources/samples/GoodAntennaFeed.kdt}
EXE=$BUILD/src/ui/korvmox
BASE=$BUILD/bench/startup_baseline
[ -x "$EXE" ] || { echo "startup_time: $EXE not built (cmake --build $BUILD --target korvmox)" >&2; exit 1; }
[ -x "$BASE" ] || { echo "startup_time: $BASE not built (cmake --build $BUILD --target startup_baseline)" >&2; exit 1; }
[ -f "$DOC" ] || DOC=$ROOT/tests/data/kdt/golden_v7.kdt

# shellcheck source=scripts/display_run.sh
. "$ROOT/scripts/display_run.sh"
korv_need_display KORV_STARTUP_INNER "$0" "$BUILD" "$RUNS" "$DOC"
korv_private_program "$EXE"
cp "$DOC" "$work/doc.kdt"
KORVMOX_STARTUP_PROBE=1 "$work/korvmox" "$work/doc.kdt" >/dev/null 2>&1 || true # warm the page cache
"$BASE" >/dev/null 2>&1 || true
results=()
baseline=()
# one run: prints "startup_ms X documents N cpu_ms C wall_ms W"
run() {
  local t0 t1 out
  t0=$(date +%s%N)
  out=$("$@" 2>/dev/null | grep startup_ms || true)
  t1=$(date +%s%N)
  [ -n "$out" ] && echo "$out wall_ms $(((t1 - t0) / 1000000))"
}
for _ in $(seq "$RUNS"); do
  line=$(KORVMOX_STARTUP_PROBE=1 run "$work/korvmox" "$work/doc.kdt")
  if [ -z "$line" ]; then
    echo "startup_time: no report (is another korvmox running?)" >&2
    continue
  fi
  echo "korvmox  $line"
  results+=("$line")
  line=$(run "$BASE")
  [ -n "$line" ] || continue
  echo "baseline $line"
  baseline+=("$line")
done
[ ${#results[@]} -gt 0 ] && [ ${#baseline[@]} -gt 0 ] || exit 1
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%s", v[int((NR + 1) / 2)] }'; }
field() { # array name, field number
  local -n a=$1
  printf '%s\n' "${a[@]}" | awk -v f="$2" '{ print $f }'
}
inproc=$(field results 2 | median)
cpu=$(field results 6 | median)
wall=$(field results 8 | median)
lo=$(field results 2 | sort -n | head -1)
hi=$(field results 2 | sort -n | tail -1)
base=$(field baseline 2 | median)
basecpu=$(field baseline 6 | median)
basewall=$(field baseline 8 | median)
echo "runs ${#results[@]}: main() to the first frame on the screen with one document: median $inproc ms (min $lo, max $hi), CPU $cpu ms; whole process median $wall ms"
echo "baseline (bare maximised QMainWindow + QCustomPlot of 238 points): median $base ms, CPU $basecpu ms; whole process median $basewall ms"
awk -v a="$inproc" -v b="$base" -v c="$wall" -v d="$basewall" -v e="$cpu" -v f="$basecpu" \
  'BEGIN { printf "ratio korvmox / baseline: %.2f (main() to first frame), %.2f (its CPU time), %.2f (whole process)\n", a / b, e / f, c / d }'
