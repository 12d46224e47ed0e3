#!/usr/bin/env bash
# Times `korvtool receive` of three 949-point traces from a QE analyzer
# simulator paced at the line's real speed (9600 baud, 10 bits a byte) and
# compares it with the wire time of every byte sent both ways.
#
# usage: scripts/time_receive.sh [path/to/korvtool]
set -euo pipefail

KORVTOOL=${1:-$(dirname "$0")/../build/src/cli/korvtool}
[[ -x $KORVTOOL ]] || { echo "korvtool not found: $KORVTOOL" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$KORVTOOL" simulate --instrument lx --model LX-3600QE --firmware 15Mar03 --pace \
  >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  [[ -s $work/sim.out ]] && break
  sleep 0.05
done
port=$(sed -n 's/^port: //p' "$work/sim.out" | head -n1)
[[ -n $port ]] || { echo "simulator did not start" >&2; exit 1; }

start=$(date +%s.%N)
"$KORVTOOL" receive --port "$port" 1 2 3 --out-dir "$work/out" >"$work/rx.out"
end=$(date +%s.%N)

kill -TERM "$sim_pid"
wait "$sim_pid" || true
sim_pid=

read -r bytes_in bytes_out < <(sed -n 's/^served \([0-9]*\) bytes in, \([0-9]*\) bytes out$/\1 \2/p' "$work/sim.err")
points=$("$KORVTOOL" info "$work"/out/*.kdt | grep -c '949 points' || true)

awk -v s="$start" -v e="$end" -v i="$bytes_in" -v o="$bytes_out" -v n="$points" 'BEGIN {
  wall = e - s
  wire = (i + o) * 10 / 9600
  printf "traces received:   %d of 949 points\n", n
  printf "bytes on the line: %d to the analyzer, %d from it\n", i, o
  printf "wire time:         %.2f s\n", wire
  printf "receive took:      %.2f s\n", wall
  printf "ratio:             %.3f\n", wall / wire
}'
