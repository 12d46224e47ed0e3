#!/usr/bin/env bash
# korvtool against hostile input: damaged settings, files that are no
# documents, devices, FIFOs, huge files, protected or special write targets
# and an output that cannot be written.
. "$(dirname "$0")/common.sh"
DATA=$2

# Runs korvtool with a time limit; stdout, stderr and status into $tmp/out, err, rc.
run() {
  timeout 20 "$KORVTOOL" "$@" >"$tmp/out" 2>"$tmp/err"
  echo $? >"$tmp/rc"
}

# --- Settings that name no serial device.
cfg="$tmp/cfg/KorvMOX"
mkdir -p "$cfg"
export XDG_CONFIG_HOME="$tmp/cfg"
printf '[OPTIONS]\nCommDevice=/dev/pts/\0\0\0\0\n' >"$cfg/Korv-MOX.ini"
for cmd in list list receive; do
  args=("$cmd")
  [ "$cmd" = receive ] && args+=(1 --out-dir "$tmp/rx")
  run "${args[@]}"
  check "CommDevice with NUL bytes: $cmd exits 1 naming the setting" bash -c "
    [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'The setting CommDevice' '$tmp/err' && grep -qF 'control characters' '$tmp/err'"
done
printf '[OPTIONS]\nCommDevice=/dev/pts/\n' >"$cfg/Korv-MOX.ini"
run identify
check "CommDevice naming a folder is refused" bash -c "[ \$(cat '$tmp/rc') = 1 ] && grep -qF 'is not a character device' '$tmp/err'"
printf '[OPTIONS]\nCommPort=COM3\n' >"$cfg/Korv-MOX.ini"
run list
check "CommPort that is no number is an error naming it" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'The setting CommPort in [OPTIONS] of $cfg/Korv-MOX.ini is not a number.' '$tmp/err'"
unset XDG_CONFIG_HOME

# --- Files that are no documents, or that no writer may produce.
sed 's/,800000,1000000,/,800000,100000,/' "$DATA/csv/rev3_basic.csv" >"$tmp/falling.csv"
run convert "$tmp/falling.csv" "$tmp/falling.s1p"
check "a CSV whose stop lies below its start is refused and nothing is written" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'do not rise' '$tmp/err' && [ ! -e '$tmp/falling.s1p' ]"
run synth "$tmp/huge.kdt" --points 101 --start 1e308 --stop 1.7e308
check "synth refuses a document that would not read back" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'would not open again' '$tmp/err' && [ ! -e '$tmp/huge.kdt' ]"
printf '# site notes\r\nnothing here\r\n' >"$tmp/notes.kdt"
run dump "$tmp/notes.kdt"
check "a text file named .kdt is an invalid file, not a Touchstone error" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'EmoxInvalidFile was encountered while opening file.' '$tmp/err' && ! grep -q Touchstone '$tmp/err'"
awk 'NR == 24 { $0 = "0099\r" } { print }' "$DATA/vnf/mode2_dtf.vnf" >"$tmp/unit.vnf"
run dump "$tmp/unit.vnf"
check "a handheld file with a unit out of range is an invalid file" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'EmoxInvalidFile was encountered while opening file.' '$tmp/err' &&
  grep -qF 'Invalid Unit in FVNATrace object.' '$tmp/err'"
run info "$tmp/missing.kdt"
check "a missing file says so" bash -c "[ \$(cat '$tmp/rc') = 1 ] && grep -qF 'No such file or directory' '$tmp/err'"

# --- Devices, FIFOs and huge files are refused before they are read.
run dump /dev/zero
check "/dev/zero is refused" bash -c "[ \$(cat '$tmp/rc') = 1 ] && grep -qF 'not a regular file' '$tmp/err'"
mkfifo "$tmp/fifo"
run dump "$tmp/fifo"
check "a FIFO is refused without blocking" bash -c "[ \$(cat '$tmp/rc') = 1 ] && grep -qF 'not a regular file' '$tmp/err'"
truncate -s 193M "$tmp/big.kdt"
run info "$tmp/big.kdt"
check "a file above 192 MB is refused" bash -c "[ \$(cat '$tmp/rc') = 1 ] && grep -qF 'larger than 192 MB' '$tmp/err'"

# --- Write targets.
good="$DATA/kdt/golden_v7.kdt"
printf 'old' >"$tmp/ro.csv" && chmod 444 "$tmp/ro.csv"
run convert "$good" "$tmp/ro.csv"
check "a read-only file is not replaced" bash -c "
  [ \$(cat '$tmp/rc') = 1 ] && grep -qF 'Permission denied' '$tmp/err' && [ \"\$(cat '$tmp/ro.csv')\" = old ]"
mkdir "$tmp/real" && ln -s real/doc.csv "$tmp/link.csv"
run convert "$good" "$tmp/link.csv"
check "a symbolic link is written through and stays a link" bash -c "
  [ \$(cat '$tmp/rc') = 0 ] && [ -L '$tmp/link.csv' ] && [ -f '$tmp/real/doc.csv' ]"
run convert "$good" /dev/null
check "/dev/null is never replaced by a file" bash -c "[ \$(cat '$tmp/rc') = 1 ] && [ -c /dev/null ]"
sh -c 'exit 0' &
dead=$!
wait $dead
printf 'partial' >"$tmp/.keep.kdt.$dead.AbCdEf"
run convert "$good" "$tmp/keep.kdt"
check "a temporary left by a killed save is removed by the next save" bash -c "
  [ \$(cat '$tmp/rc') = 0 ] && [ ! -e '$tmp/.keep.kdt.$dead.AbCdEf' ] && [ -z \"\$(ls -A '$tmp' | grep '^\\.keep')\" ]"

# --- Output that cannot be written is an error.
for cmd in dump info "dtf --json"; do
  timeout 20 "$KORVTOOL" $cmd "$good" >/dev/full 2>"$tmp/err"
  status=$?
  check "$cmd to a full disk exits 1" bash -c "[ $status = 1 ] && grep -qF 'writing to standard output failed' '$tmp/err'"
done
exit $fail
