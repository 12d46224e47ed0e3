#!/usr/bin/env bash
# Random clicks, drags, keys, menu commands, window switches and view
# changes against korvmox on the bundled samples.
#   scripts/monkey.sh [SECONDS] [SEED]
# Fails on a crash, a sanitizer report or a hang of more than 5 s, and
# prints the seed to replay. Uses the sanitizer build when it is there
# (KORV_MONKEY_EXE names another binary).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SECONDS_TO_RUN=${1:-60}
SEED=${2:-$(( (RANDOM << 15) | RANDOM ))}
EXE=${KORV_MONKEY_EXE:-}
if [ -z "$EXE" ]; then
  for b in "$ROOT/build-asan" "$ROOT/build"; do
    if [ -x "$b/tests/ui/korvmox_monkey" ]; then EXE=$b/tests/ui/korvmox_monkey; break; fi
  done
fi
[ -x "${EXE:-}" ] || { echo "monkey: korvmox_monkey is not built (./dev build)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/runtime" "$work/data" "$work/config"
chmod 700 "$work/runtime"
cp "$ROOT"/resources/samples/*.kdt "$work/docs/"
cp "$ROOT"/tests/data/csv/rev3_basic.csv "$ROOT"/tests/data/vnf/mode2_dtf.vnf "$work/docs/" 2>/dev/null || true
# A private world: no running copy, no user settings, no user files.
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config HOME=$work
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Started from the work folder: a name typed without a folder lands there,
# never in the source tree.
EXE=$(realpath "$EXE")
cd "$work"
"$EXE" --seconds "$SECONDS_TO_RUN" --seed "$SEED" --work "$work/docs" "$work"/docs/* >"$work/out.txt" 2>&1 &
pid=$!
# A run that has not ended two minutes after its time is stuck where the
# hang watch cannot see it (events still flow): its threads' stacks are
# printed before it is ended, so the failure says where.
deadline=$((SECONDS + SECONDS_TO_RUN + 120))
while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "monkey: still running $((SECONDS_TO_RUN + 120)) s after its start" >>"$work/out.txt"
  if command -v gdb >/dev/null; then
    gdb -p "$pid" -batch -ex "thread apply all bt 25" 2>/dev/null | grep -E "^(Thread|#)" >>"$work/out.txt"
  fi
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rc=124
else
  wait "$pid"
  rc=$?
fi
grep -v -e "does not support" -e "^QStandardPaths" "$work/out.txt" | tail -150
if [ $rc -ne 0 ] || grep -q -e "ERROR: AddressSanitizer" -e "runtime error:" -e "ERROR: LeakSanitizer" "$work/out.txt"; then
  echo "monkey: FAILED (exit $rc) with seed $SEED; replay: scripts/monkey.sh $SECONDS_TO_RUN $SEED"
  exit 1
fi
echo "monkey: passed $SECONDS_TO_RUN s with seed $SEED"
