#!/usr/bin/env bash
# korvtool print: pages and cells of the PDF, views, and refusals that write
# nothing.
. "$(dirname "$0")/common.sh"
DATA=$2
SAMPLES=$3
pages() { python3 -c "import re,sys; print(len(re.findall(rb'/Type\s*/Page(?!s)', open(sys.argv[1],'rb').read())))" "$1"; }

a=$SAMPLES/BadConnector23m.kdt
b=$SAMPLES/GoodAntennaFeed.kdt
c=$DATA/kdt/golden_v7.kdt

"$KORVTOOL" print "$tmp/three.pdf" "$a" "$b" "$c" > "$tmp/out"
check "three graphs in 2 x 1 take two pages" [ "$(pages "$tmp/three.pdf")" = 2 ]
check "the summary names graphs and pages" grep -qx "Wrote $tmp/three.pdf: 3 graphs on 2 pages" "$tmp/out"

"$KORVTOOL" print "$tmp/one.pdf" --rows 3 --view smith "$a" "$b" "$c" > /dev/null
check "three graphs in 3 x 1 fit one page" [ "$(pages "$tmp/one.pdf")" = 1 ]

files=()
for i in $(seq 1 65); do files+=("$b"); done
"$KORVTOOL" print "$tmp/65.pdf" --rows 8 --columns 8 "${files[@]}" > /dev/null
check "65 graphs in 8 x 8 take two pages" [ "$(pages "$tmp/65.pdf")" = 2 ]
"$KORVTOOL" print "$tmp/64.pdf" --rows 8 --columns 8 --view dtf "${files[@]:1}" > /dev/null
check "64 graphs in 8 x 8 fit one page" [ "$(pages "$tmp/64.pdf")" = 1 ]

# Wrong usage: exit 2, nothing written.
for args in "--rows 9" "--rows 0" "--columns 2x" "--columns abc" "--view polar"; do
  # shellcheck disable=SC2086
  "$KORVTOOL" print "$tmp/bad.pdf" $args "$a" > /dev/null 2>&1
  rc=$?
  check "print $args is wrong usage" [ $rc -eq 2 ]
done
"$KORVTOOL" print "$tmp/bad.pdf" > /dev/null 2>&1
rc=$?
check "no FILE is wrong usage" [ $rc -eq 2 ]
"$KORVTOOL" print "$tmp/bad.png" "$a" > /dev/null 2>&1
rc=$?
check "OUT must be a PDF" [ $rc -eq 2 ]
check "no output on wrong usage" bash -c "[ ! -e '$tmp/bad.pdf' ] && [ ! -e '$tmp/bad.png' ]"

# A damaged document among the files: its message, exit 1, the old report kept.
head -c 200 "$c" > "$tmp/cut.kdt"
printf 'xx' >> "$tmp/cut.kdt"
cp "$tmp/three.pdf" "$tmp/keep.pdf"
"$KORVTOOL" print "$tmp/keep.pdf" "$a" "$tmp/cut.kdt" "$b" > /dev/null 2> "$tmp/err"
rc=$?
check "a damaged file fails the run" [ $rc -eq 1 ]
check "with the CRC message" grep -q "CRC failure in file:" "$tmp/err"
check "and the old report kept" cmp -s "$tmp/keep.pdf" "$tmp/three.pdf"

"$KORVTOOL" print "$tmp/none/x.pdf" "$a" > /dev/null 2> "$tmp/err"
rc=$?
check "an unwritable target fails" [ $rc -eq 1 ]
check "and says so" grep -q "Unable to create file:" "$tmp/err"
exit $fail
