#!/usr/bin/env bash
# The longest time korvmox keeps its event loop from turning while it starts
# with a document and draws it, by default the dense one (14 jagged traces of
# 16,383 points, written by bench/bench_dense_window).
#   scripts/event_loop_block.sh [BUILD_DIR] [RUNS] [DOCUMENT]
# Each run starts the program with KORVMOX_LOOP_PROBE set: a 5 ms timer
# ticks from the start, and after 4 s the program prints the time to the
# loop's first turn (everything before it: the main window, reading and
# drawing the document) and the longest gap between ticks after that, then
# ends. Runs under Xvfb when there is no display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-5}
DOC=${3:-}
EXE=$BUILD/src/ui/korvmox
WRITER=$BUILD/bench/bench_dense_window
[ -x "$EXE" ] || { echo "event_loop_block: $EXE not built (cmake --build $BUILD --target korvmox)" >&2; exit 1; }

# shellcheck source=scripts/display_run.sh
. "$ROOT/scripts/display_run.sh"
korv_need_display KORV_LOOP_INNER "$0" "$BUILD" "$RUNS" "$DOC"
korv_private_program "$EXE"
if [ -n "$DOC" ]; then
  cp "$DOC" "$work/doc.kdt"
else
  [ -x "$WRITER" ] || { echo "event_loop_block: $WRITER not built (cmake --build $BUILD --target bench_dense_window)" >&2; exit 1; }
  "$WRITER" --write-document "$work/doc.kdt"
fi
firsts=()
longest=()
for _ in $(seq "$RUNS"); do
  line=$(KORVMOX_LOOP_PROBE=4 "$work/korvmox" "$work/doc.kdt" 2>/dev/null | grep longest_block_ms || true)
  if [ -z "$line" ]; then
    echo "event_loop_block: no report (is another korvmox running?)" >&2
    continue
  fi
  echo "$line"
  firsts+=("$(echo "$line" | awk '{ print $2 }')")
  longest+=("$(echo "$line" | awk '{ print $4 }')")
done
[ ${#longest[@]} -gt 0 ] || exit 1
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%s", v[int((NR + 1) / 2)] }'; }
echo "runs ${#longest[@]}: loop's first turn median $(printf '%s\n' "${firsts[@]}" | median) ms;" \
  "longest block after it median $(printf '%s\n' "${longest[@]}" | median) ms (max $(printf '%s\n' "${longest[@]}" | sort -n | tail -1) ms)"
