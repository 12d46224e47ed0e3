#!/usr/bin/env bash
# The program starts, shows its window and ends cleanly whatever its
# settings file holds: huge and negative numbers, binary junk, NUL bytes,
# endless lines, documents to reopen that are devices, FIFOs or folders.
#   tests/ui/hostile_settings.sh KORVMOX_EXE
set -uo pipefail
EXE=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config HOME=$work
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen KORVMOX_STARTUP_PROBE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkfifo "$work/fifo"
mkdir "$work/folder.kdt"

write_cases() {
  local d=$1
  printf '[MainWindow]\nLeft=2147483647\nTop=-2147483648\nWidth=2147483647\nHeight=-2147483648\nWindowState=2147483647\nToolbarLocation=-9\n' >"$d/huge.ini"
  printf '[MainWindow]\nLeft=-99999999999999999999\nWidth=abc\nHeight=1e400\nNumberOfDocsAutoload=2147483647\n[OPTIONS]\nAutoSave=1\nFontSize=-2147483648\nViewStyle=99\nDeliminator=-1\nCommPort=2147483647\n' >"$d/negative.ini"
  head -c 4096 /dev/urandom >"$d/junk.ini"
  printf '[OPTIONS]\nCommDevice=/dev/pts/\0\0\0\nCableList=\0/etc/passwd\nAutoSave=1\n[MainWindow]\nNumberOfDocsAutoload=1\n[Document1]\nFilename=a\0b.kdt\nWidth=2147483647\n' >"$d/nul.ini"
  {
    printf '[OPTIONS]\nAutoSave=1\n[MainWindow]\nNumberOfDocsAutoload=4\n'
    printf '[Document1]\nFilename=/dev/zero\nFilenameW=/dev/zero\nWindowState=0\nLeft=0\nTop=0\nWidth=2147483647\nHeight=2147483647\n'
    printf '[Document2]\nFilename=%s\nFilenameW=%s\nWindowState=2\nLeft=-2147483648\n' "$work/fifo" "$work/fifo"
    printf '[Document3]\nFilename=%s\nWindowState=1\n' "$work/folder.kdt"
    printf '[Document4]\nFilename=/dev/stdin\nWindowState=99\n'
  } >"$d/devices.ini"
  {
    printf '[RecentFiles]\nNumberToShow=9\n'
    for k in 1 2 3 4 5 6 7 8 9; do printf 'File%d=' "$k"; head -c 200000 /dev/zero | tr '\0' 'x'; printf '\n'; done
  } >"$d/longnames.ini"
}

mkdir -p "$work/cases"
write_cases "$work/cases"
fails=0
for ini in "$work"/cases/*.ini; do
  name=$(basename "$ini")
  run=$work/run-${name%.ini}
  mkdir -p "$run"
  cp "$EXE" "$run/korvmox"
  cp "$ini" "$run/Korv-MOX.ini"
  out=$(timeout --kill-after=5 60 "$run/korvmox" 2>&1)
  rc=$?
  if [ $rc -ne 0 ] || ! grep -q "startup_ms" <<<"$out" || grep -q -e "runtime error:" -e "AddressSanitizer" <<<"$out"; then
    echo "hostile settings: $name: exit $rc"
    grep -v "does not support" <<<"$out" | tail -15
    fails=$((fails + 1))
  else
    echo "hostile settings: $name: started and ended cleanly"
  fi
done
exit $fails
