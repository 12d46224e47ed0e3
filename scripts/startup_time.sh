#!/usr/bin/env bash
# Start-up time of korvmox to a shown main window with one document.
#   scripts/startup_time.sh [BUILD_DIR] [RUNS] [DOCUMENT]
# Each run starts the program with KORVMOX_STARTUP_PROBE set: it reports the
# time from main() to the first paint of the main window with the document
# open, then ends. The wall time of the whole process (loading the libraries,
# start, exit) is measured here as well. Runs under Xvfb when there is no
# display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-10}
DOC=${3:-$ROOT/resources/samples/GoodAntennaFeed.kdt}
EXE=$BUILD/src/ui/korvmox
[ -x "$EXE" ] || { echo "startup_time: $EXE not built (cmake --build $BUILD --target korvmox)" >&2; exit 1; }
[ -f "$DOC" ] || DOC=$ROOT/tests/data/kdt/golden_v7.kdt

if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${KORV_STARTUP_INNER:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec env KORV_STARTUP_INNER=1 xvfb-run -a -s '-screen 0 1600x1000x24' "$0" "$BUILD" "$RUNS" "$DOC"
  fi
  export QT_QPA_PLATFORM=offscreen
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private copy: its own settings file, and no running copy to hand over to.
cp "$EXE" "$work/korvmox"
cp "$DOC" "$work/doc.kdt"
export XDG_RUNTIME_DIR=$work
KORVMOX_STARTUP_PROBE=1 "$work/korvmox" "$work/doc.kdt" >/dev/null 2>&1 || true # warm the page cache
results=()
for _ in $(seq "$RUNS"); do
  t0=$(date +%s%N)
  out=$(KORVMOX_STARTUP_PROBE=1 "$work/korvmox" "$work/doc.kdt" 2>/dev/null | grep startup_ms || true)
  t1=$(date +%s%N)
  if [ -z "$out" ]; then
    echo "startup_time: no report (is another korvmox running?)" >&2
    continue
  fi
  line="$out wall_ms $(((t1 - t0) / 1000000))"
  echo "$line"
  results+=("$line")
done
[ ${#results[@]} -gt 0 ] || exit 1
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%s", v[int((NR + 1) / 2)] }'; }
inproc=$(printf '%s\n' "${results[@]}" | awk '{ print $2 }' | median)
wall=$(printf '%s\n' "${results[@]}" | awk '{ print $6 }' | median)
lo=$(printf '%s\n' "${results[@]}" | awk '{ print $2 }' | sort -n | head -1)
hi=$(printf '%s\n' "${results[@]}" | awk '{ print $2 }' | sort -n | tail -1)
echo "runs ${#results[@]}: main() to shown window with one document: median $inproc ms (min $lo, max $hi); whole process median $wall ms"
