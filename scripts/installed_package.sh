#!/usr/bin/env bash
# Checks an installed korvmox package as a user meets it: the programs on
# the PATH, their version, a sample document read and drawn without a
# display, the program's start, one settings file for both programs, and
# the desktop files and completions in their places.
#   scripts/installed_package.sh PACKAGE.deb   (run by ./dev package --install-test)
set -uo pipefail
deb=$1
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

check "korvtool is the installed one" [ "$(command -v korvtool)" = /usr/bin/korvtool ]
check "korvtool --version names the package's version" [ "$(korvtool --version)" = "korvtool $version" ]
check "korvmox --version names it too, without a display" \
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY korvmox --version)" = "korvmox $version" ]
sample=/usr/share/korvmox/samples/BadConnector23m.kdt
check "korvtool info reads an installed sample" bash -c "korvtool info '$sample' | grep -q 'BadConnector23m'"
env -u DISPLAY -u WAYLAND_DISPLAY korvtool render "$sample" "$work/sample.png" --view dtf >"$work/render.log" 2>&1
check "korvtool render draws it headless" bash -c "[ \"\$(head -c 8 '$work/sample.png' | od -An -tx1 | tr -d ' ')\" = 89504e470d0a1a0a ]"

# The desktop program starts on the sample, finds its cable list, and keeps
# its settings in the user's folder, never beside /usr/bin (even as root).
out=$(QT_QPA_PLATFORM=offscreen KORVMOX_STARTUP_PROBE=1 timeout 60 korvmox "$sample" 2>&1)
check "korvmox starts on the sample and ends" grep -q "startup_ms .* documents 1" <<<"$out"
# A print run ends by saving its settings; without a printer (no print
# server is reachable here) it writes a PDF beside the document.
cp "$sample" "$work/print.kdt"
CUPS_SERVER=$work/no-cups.sock QT_QPA_PLATFORM=offscreen timeout 60 korvmox /p "$work/print.kdt" >/dev/null 2>&1
check "korvmox prints without a printer" test -s "$work/print.pdf"
ini="$XDG_CONFIG_HOME/Korv Group/KorvMOX/Korv-MOX.ini"
check "its settings file is in the user's config folder" test -f "$ini"
check "nothing is written beside the installed program" test ! -e /usr/bin/Korv-MOX.ini
check "received traces do not go to the program's folder" bash -c "! grep -q '^UploadRoot=/usr/bin' '$ini'"
mkdir -p "$work/notadevice"
sed -i "/^\[OPTIONS\]/a CommDevice=$work/notadevice" "$ini"
korvtool list >"$work/list.out" 2>"$work/list.err"
check "korvtool reads the settings file the program wrote" grep -q "is not a character device" "$work/list.err"

check "the desktop file is installed" test -f /usr/share/applications/com.korvgroup.KorvMOX.desktop
check "the metainfo is installed" test -f /usr/share/metainfo/com.korvgroup.KorvMOX.metainfo.xml
check "the .kdt type is in the MIME database" test -f /usr/share/mime/application/x-korv-kdt.xml
check "the icon is installed" test -f /usr/share/icons/hicolor/scalable/apps/com.korvgroup.KorvMOX.svg
check "the man pages are installed" test -f /usr/share/man/man1/korvtool.1.gz -a -f /usr/share/man/man1/korvmox.1.gz
check "the help pages are installed" test -f /usr/share/doc/korvmox/help/index.html
check "the cable list is installed" test -f /usr/share/korvmox/Cables.lst
if [ -f /usr/share/bash-completion/bash_completion ]; then
  check "bash completes korvtool's commands" bash -c "
    . /usr/share/bash-completion/bash_completion
    . /usr/share/bash-completion/completions/korvtool
    COMP_WORDS=(korvtool ren); COMP_CWORD=1; COMP_LINE='korvtool ren'; COMP_POINT=\${#COMP_LINE}
    _korvtool; [ \"\${COMPREPLY[*]}\" = render ]"
fi
exit $fail
