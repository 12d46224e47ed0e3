# Sourced by the scripts that time the desktop program.
#
# korv_need_display INNER_VAR SCRIPT ARGS...: runs SCRIPT again under Xvfb
# when there is no display (INNER_VAR marks the inner run), or offscreen
# when Xvfb is missing.
korv_need_display() {
  local inner=$1
  shift
  if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${!inner:-}" ]; then
    if command -v xvfb-run >/dev/null; then
      exec env "$inner=1" xvfb-run -a -s '-screen 0 1600x1000x24' "$@"
    fi
    export QT_QPA_PLATFORM=offscreen
  fi
}

# korv_private_program EXE: a temporary folder `work` (removed at exit) with
# a copy of EXE in it, so the program has its own settings file and no
# running copy to hand its files over to.
korv_private_program() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$1" "$work/korvmox"
  export XDG_RUNTIME_DIR=$work
}
