#!/usr/bin/env bash
# korvtool calc / synth / dtf end to end: a synthetic fault must show up where it was put.
. "$(dirname "$0")/common.sh"

check "calc from return loss" bash -c "'$KORVTOOL' calc --rl -20 --json | python3 -c '
import json,sys; d=json.load(sys.stdin)
assert abs(d[\"rho\"]-0.1)<1e-9 and abs(d[\"vswr\"]-1.222)<1e-9, d'"
check "calc refuses a non-number" bash -c "'$KORVTOOL' calc --vswr abc >/dev/null 2>&1; [ \$? -eq 2 ]"

check "synth writes a document" "$KORVTOOL" synth "$tmp/f.kdt" --points 238 --start 1700 --stop 2000 \
  --vp 0.88 --loss 0.05 --fault 12.3:0.1
check "dtf finds the fault at 12.3 m" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --vp 0.88 --loss 0.05 --start 0 --stop 30 --window slight --json | python3 -c '
import json,sys; t=json.load(sys.stdin)[\"traces\"][0]
ax, mag = t[\"distAxis\"], t[\"distMag\"]
k = max(range(len(mag)), key=lambda i: mag[i])
step = ax[1]-ax[0]
assert abs(ax[k]-12.3) <= step, (ax[k], step)
assert abs(mag[k]+20) < 0.5, mag[k]'"
check "dtf in feet" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --vp 0.88 --loss 0.05 --start 0 --stop 100 --unit ft --json | python3 -c '
import json,sys; t=json.load(sys.stdin)[\"traces\"][0]
ax, mag = t[\"distAxis\"], t[\"distMag\"]
k = max(range(len(mag)), key=lambda i: mag[i])
assert abs(ax[k]-12.3*3.28084) <= ax[1]-ax[0], ax[k]'"
check "dtf on a missing trace is a usage error" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --trace 5 >/dev/null 2>&1; [ \$? -ne 0 ]"
exit $fail
