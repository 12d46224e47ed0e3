#!/usr/bin/env bash
# korvtool dtf --events and korvtool report end to end: events where the
# faults were put, a PDF whose text holds the summary as computed.
. "$(dirname "$0")/common.sh"

check "synth: faults at 12.3 m and 31.7 m" "$KORVTOOL" synth "$tmp/f.kdt" --points 517 --start 1700 --stop 2200 \
  --vp 0.88 --loss 0.05 --fault 12.3:0.1 --fault 31.7:0.05 --noise 0.001
check "dtf --events finds both faults" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --stop 60 --events --json | python3 -c '
import json,sys; t=json.load(sys.stdin)[\"traces\"][0]
d=[e[\"distance\"] for e in t[\"events\"]]
assert len(d)==2, d
assert abs(d[0]-12.3)<0.1 and abs(d[1]-31.7)<0.1, d
assert abs(t[\"events\"][0][\"returnLoss\"]+20)<1, t'"
check "dtf --events in feet, as text" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --stop 200 --unit ft --events > '$tmp/ev.txt' &&
  grep -q '2 events above -30.0 dB' '$tmp/ev.txt' && grep -Eq '^ +40\.3[5-6][0-9] ft' '$tmp/ev.txt' && grep -Eq '^ +104\.0[0-9]{2} ft' '$tmp/ev.txt'"
check "a higher threshold leaves the larger fault" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --stop 60 --events --threshold -24 --json | python3 -c '
import json,sys; e=json.load(sys.stdin)[\"traces\"][0][\"events\"]
assert len(e)==1 and abs(e[0][\"distance\"]-12.3)<0.1, e'"
check "a positive threshold is a usage error" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --events --threshold 30 >/dev/null 2>&1; [ \$? -eq 2 ]"
check "--threshold without --events is a usage error" bash -c "'$KORVTOOL' dtf '$tmp/f.kdt' --threshold -20 >/dev/null 2>&1; [ \$? -eq 2 ]"

# Render exists only with the widget libraries; so does report.
if ! "$KORVTOOL" help 2>&1 | grep -q "report"; then echo "skip: korvtool without report"; exit $fail; fi

files=()
for i in $(seq 1 14); do
  "$KORVTOOL" synth "$tmp/s$i.kdt" --points 949 --start 1700 --stop 2200 --fault "$((5 + i)).5:0.$((i % 3 + 1))" \
    --label "Sector $i" --date $((46000 + i)) --noise 0.001 >/dev/null || fail=1
  files+=("$tmp/s$i.kdt")
done
check "report of 14 traces" "$KORVTOOL" report "$tmp/r.pdf" "${files[@]}" --limit -14 --title "Site 412 closeout" \
  --json "$tmp/r.json"
check "15 pages: the summary and one per trace" bash -c "pdfinfo '$tmp/r.pdf' | grep -Eq '^Pages: +15$'"
check "the PDF's text holds the summary as computed" bash -c "pdftotext -layout '$tmp/r.pdf' - > '$tmp/r.txt' && python3 -c '
import json,re,sys
s=json.load(open(\"$tmp/r.json\")); text=open(\"$tmp/r.txt\").read()
summary=text.split(\"\f\")[0]
assert \"Site 412 closeout\" in summary
assert s[\"pages\"]==15 and len(s[\"traces\"])==14
assert \"Page 1 of 15\" in summary and \"Page 15 of 15\" in text
for t in s[\"traces\"]:
    row=[l for l in summary.splitlines() if re.search(r\"\b\"+t[\"label\"]+r\"\s\", l)]
    assert len(row)==1, (t[\"label\"], row)
    r=row[0]
    assert \"%.2f dB\" % t[\"worst\"] in r, (r, t[\"worst\"])
    assert \"%.3f MHz\" % t[\"worstMHz\"] in r, r
    assert \"-14.00 dB\" in r and t[\"verdict\"] in r, r
    big=max(t[\"events\"], key=lambda e: e[\"value\"])
    assert \"%.2f m\" % big[\"distance\"] in r, (r, big)
assert {t[\"verdict\"] for t in s[\"traces\"]} == {\"PASS\", \"FAIL\"}, [t[\"verdict\"] for t in s[\"traces\"]]
'"
check "a positive limit is refused" bash -c "'$KORVTOOL' report '$tmp/x.pdf' '$tmp/s1.kdt' --limit 14 >/dev/null 2>&1; [ \$? -eq 2 ] && [ ! -e '$tmp/x.pdf' ]"
check "a damaged input writes nothing" bash -c "printf 'garbage' > '$tmp/bad.kdt'; '$KORVTOOL' report '$tmp/y.pdf' '$tmp/s1.kdt' '$tmp/bad.kdt' >/dev/null 2>&1; [ \$? -ne 0 ] && [ ! -e '$tmp/y.pdf' ]"
exit $fail
