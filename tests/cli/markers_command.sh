#!/usr/bin/env bash
# korvtool markers: the marker table of a document, checked against values
# worked out here from the document's own dump (R + jX from Gamma apart).
#   tests/cli/markers_command.sh KORVTOOL DATA_DIR
. "$(dirname "$0")/common.sh"
DATA=$2
golden=$DATA/kdt/golden_v7.kdt

"$KORVTOOL" dump "$golden" >"$tmp/dump.json"
check "markers --json lists both traces' shown markers with their conversions" bash -c "'$KORVTOOL' markers '$golden' --json | python3 -c '
import cmath, json, math, sys
m = json.load(sys.stdin)
d = json.load(open(\"$tmp/dump.json\"))
assert m[\"frequencyUnit\"] == \"MHz\" and m[\"valueUnit\"] == \"dB\", m
rows = m[\"frequency\"]
want = [(i, s) for i, t in enumerate(d[\"traces\"]) for s, k in enumerate(t[\"freqMarks\"]) if k[\"visible\"]]
assert [(r[\"trace\"], r[\"marker\"] - 1) for r in rows] == want, rows
for r in rows:
    t = d[\"traces\"][r[\"trace\"]]
    p = t[\"freqMarks\"][r[\"marker\"] - 1][\"point\"]
    assert abs(r[\"x\"] - t[\"freq\"][p]) < 1e-6 and abs(r[\"value\"] - t[\"mag\"][p]) < 1e-6, r
    g = cmath.rect(10 ** (t[\"mag\"][p] / 20), math.radians(t[\"angle\"][p]))
    z = 50 * (1 + g) / (1 - g)
    assert abs(r[\"r\"] - z.real) < 1e-6 and abs(r[\"x_ohm\"] - z.imag) < 1e-6, (r, z)
    assert abs(r[\"gamma\"] - abs(g)) < 1e-9 and abs(r[\"vswr\"] - (1 + abs(g)) / (1 - abs(g))) < 1e-9, r
    assert abs(r[\"returnLoss\"] - t[\"mag\"][p]) < 1e-9, r
# M2 is a delta to M1 of its own trace: signed, M2 minus M1.
m2 = [r for r in rows if r[\"marker\"] == 2][0]
m1 = [r for r in rows if r[\"marker\"] == 1 and r[\"trace\"] == m2[\"trace\"]][0]
assert m2[\"reference\"] == \"M1\", m2
assert abs(m2[\"deltaX\"] - (m2[\"x\"] - m1[\"x\"])) < 1e-9 and m2[\"deltaX\"] > 0, m2
assert abs(m2[\"deltaValue\"] - (m2[\"value\"] - m1[\"value\"])) < 1e-9 and m2[\"deltaValue\"] < 0, m2
assert m[\"distance\"] == [], m[\"distance\"]
'"
check "--trace limits the table to one trace" bash -c "'$KORVTOOL' markers '$golden' --trace 1 --json | python3 -c '
import json, sys
rows = json.load(sys.stdin)[\"frequency\"]
assert len(rows) == 2 and all(r[\"trace\"] == 1 for r in rows), rows'"
check "the text table has the window's columns, a line per marker" bash -c "
  out=\$('$KORVTOOL' markers '$golden') &&
  [ \"\$(sed -n 1p <<<\"\$out\")\" = 'Frequency view' ] &&
  sed -n 2p <<<\"\$out\" | grep -q \$'^Trace\\tMarker\\tFrequency (MHz)\\tValue (dB)\\tRL (dB)\\tVSWR\\t|Gamma|\\tR (Ohm)\\tX (Ohm)\\tReference' &&
  [ \"\$(grep -c \$'^[12]\\tM[12]\\t' <<<\"\$out\")\" = 4 ] &&
  grep -q \$'^1\\tM2\\t1760.0000\\t.*\\tM1\\t+30.0000\\t' <<<\"\$out\""
check "a trace the file does not hold is refused by name" bash -c "
  '$KORVTOOL' markers '$golden' --trace 2 >'$tmp/out' 2>'$tmp/err'; rc=\$?
  [ \$rc -ne 0 ] && [ ! -s '$tmp/out' ] && grep -q -- '--trace must be between 0 and 1' '$tmp/err'"
check "a file that is not there is a clear error" bash -c "
  '$KORVTOOL' markers '$tmp/none.kdt' >/dev/null 2>'$tmp/err'; [ \$? -ne 0 ] && [ -s '$tmp/err' ]"
check "markers takes one file" bash -c "'$KORVTOOL' markers >/dev/null 2>&1; [ \$? -eq 2 ]"
exit $fail
