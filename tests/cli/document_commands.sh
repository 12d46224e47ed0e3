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

# The previous file survives a failed save into a folder we cannot write.
if [ "$(id -u)" -ne 0 ]; then
  mkdir "$tmp/ro" && cp "$DATA/kdt/golden_v7.kdt" "$tmp/ro/keep.kdt" && chmod 555 "$tmp/ro"
  check "failed save keeps the old file" bash -c "
    ! '$KORVTOOL' convert '$DATA/kdt/golden_v7.kdt' '$tmp/ro/keep.kdt' 2>/dev/null && cmp -s '$tmp/ro/keep.kdt' '$DATA/kdt/golden_v7.kdt'"
  chmod 755 "$tmp/ro"
fi
exit $fail
