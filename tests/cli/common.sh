# Sourced by the korvtool test scripts: the tool ($1), a temporary folder
# removed at the end, and check DESCRIPTION COMMAND... which records a failure
# in $fail (the script ends with `exit $fail`).
set -u
KORVTOOL=$1
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
fail=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}
