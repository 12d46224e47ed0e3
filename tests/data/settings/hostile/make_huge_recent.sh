#!/usr/bin/env bash
# Writes a settings file with nine recent-file names of 1 MB each to $1.
set -eu
out=$1
name=$(head -c 1048576 /dev/zero | tr '\0' 'x')
{
  printf '[RecentFiles]\r\nNumberToShow=9\r\n'
  for k in 1 2 3 4 5 6 7 8 9; do printf '%s=/tmp/%s.kdt\r\n' "$k" "$name"; done
  printf '[RecentFilesW]\r\n'
  for k in 1 2 3 4 5 6 7 8 9; do printf '%s=%s\r\n' "$k" "$(printf '%s' "${name:0:262144}" | od -An -v -tx1 | tr -d ' \n' | sed 's/../00&/g' | tr a-f A-F)"; done
} >"$out"
