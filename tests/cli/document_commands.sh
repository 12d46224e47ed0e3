#!/usr/bin/env bash
# korvtool dump / info / convert on the golden document and on bad files.
. "$(dirname "$0")/common.sh"
DATA=$2

check "dump reports the format and both traces" \
  bash -c "'$KORVTOOL' dump '$DATA/kdt/golden_v7.kdt' | python3 -c 'import json,sys; d=json.load(sys.stdin); assert d[\"format\"]==\"kdt\" and d[\"traceCount\"]==2 and len(d[\"traces\"][0][\"mag\"])==101 and d[\"traces\"][0][\"freqMarks\"][1][\"deltaOn\"]'"

check "convert to .kdt keeps everything" bash -c "
  '$KORVTOOL' convert '$DATA/kdt/golden_v7.kdt' '$tmp/out.kdt' &&
  cmp <('$KORVTOOL' dump '$tmp/out.kdt') <('$KORVTOOL' dump '$DATA/kdt/golden_v7.kdt')"

# A damaged file: exit 1, the CRC message, and nothing written.
head -c 200 "$DATA/kdt/golden_v7.kdt" > "$tmp/cut.kdt"
printf 'xx' >> "$tmp/cut.kdt"
check "damaged file is refused with the CRC message" bash -c "
  ! '$KORVTOOL' dump '$tmp/cut.kdt' >/dev/null 2>'$tmp/err' && grep -q 'CRC failure in file:' '$tmp/err'"
check "convert of a damaged file writes nothing" bash -c "
  ! '$KORVTOOL' convert '$tmp/cut.kdt' '$tmp/never.kdt' 2>/dev/null && [ ! -e '$tmp/never.kdt' ]"
check "missing file exits 1" bash -c "'$KORVTOOL' info '$tmp/none.kdt' >/dev/null 2>&1; [ \$? -eq 1 ]"
check "wrong usage exits 2" bash -c "'$KORVTOOL' dump >/dev/null 2>&1; [ \$? -eq 2 ]"
check "command help exits 0" bash -c "'$KORVTOOL' convert --help | grep -q \"usage: korvtool convert\""
check "unknown option exits 2" bash -c "'$KORVTOOL' convert a b --bogus >/dev/null 2>&1; [ \$? -eq 2 ]"

# Touchstone: S22 of a two-port file, and points above total reflection told on stderr.
check "convert --parameter s22 takes port 2 of a two-port file" bash -c "
  '$KORVTOOL' convert '$DATA/s2p/ma_r50.s2p' '$tmp/s22.s1p' --parameter s22 &&
  sed -n 5p '$tmp/s22.s1p' | grep -Eq '^100000000 0\.(35|349999+) -100'"
check "convert --parameter refuses other parameters" bash -c "
  '$KORVTOOL' convert '$DATA/s2p/ma_r50.s2p' '$tmp/x.s1p' --parameter s21 >/dev/null 2>&1; [ \$? -eq 2 ]"
printf '# MHz S MA R 50\n100 1.19 0\n101 1.05 0\n102 0.5 0\n' > "$tmp/uncal.s1p"
check "points above total reflection are counted on stderr" bash -c "
  '$KORVTOOL' convert '$tmp/uncal.s1p' '$tmp/uncal.kdt' 2>'$tmp/err' &&
  grep -qx '2 of 3 points above total reflection (largest |S11| 1.19): the sweep may lack calibration' '$tmp/err'"
check "a negative frequency is refused naming its line" bash -c "
  printf '# MHz S MA R 50\n-1002 .1 0\n-1001 .1 0\n' > '$tmp/neg.s1p';
  ! '$KORVTOOL' info '$tmp/neg.s1p' >/dev/null 2>'$tmp/err' && grep -q 'line 2: the frequency -1002 is negative' '$tmp/err'"

# The previous file survives a failed save into a folder we cannot write.
if [ "$(id -u)" -ne 0 ]; then
  mkdir "$tmp/ro" && cp "$DATA/kdt/golden_v7.kdt" "$tmp/ro/keep.kdt" && chmod 555 "$tmp/ro"
  check "failed save keeps the old file" bash -c "
    ! '$KORVTOOL' convert '$DATA/kdt/golden_v7.kdt' '$tmp/ro/keep.kdt' 2>/dev/null && cmp -s '$tmp/ro/keep.kdt' '$DATA/kdt/golden_v7.kdt'"
  chmod 755 "$tmp/ro"
fi
exit $fail
