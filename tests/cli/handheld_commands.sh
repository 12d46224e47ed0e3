#!/usr/bin/env bash
# korvtool handheld end to end against a simulated handheld folder: list,
# copies both ways that never replace unasked, deletes that go on past a bad
# name, the HandheldRoot setting, and the failures' exit codes.
. "$(dirname "$0")/common.sh"

dev="$tmp/device"
traces="$dev/FlashFX Disk/My Traces"
export XDG_CONFIG_HOME="$tmp/config"
status() { "$@" >/dev/null 2>&1; echo $?; }
export -f status

check "simulate prepares four traces" bash -c "'$KORVTOOL' simulate --instrument handheld --root '$dev' | grep -c '\.vnf$' | grep -qx 4"
check "the simulated traces open as handheld documents" bash -c "'$KORVTOOL' info '$traces/Sweep03.vnf' | grep -q KP418"
check "each simulated trace lies within the scale its file carries" bash -c "for f in '$traces'/*.vnf; do '$KORVTOOL' dump \"\$f\" | python3 -c '
import json,sys; d=json.load(sys.stdin); s=d[\"freqScale\"]; m=d[\"traces\"][0][\"mag\"]
assert d[\"traces\"][0][\"model\"]==\"KP418\" and len(m)==705, d[\"traces\"][0][\"model\"]
assert s[\"yMin\"] <= min(m) and max(m) <= s[\"yMax\"] and max(m) - min(m) > 3, (s, min(m), max(m))' || exit 1; done"
check "list prints the names" bash -c "[ \"\$('$KORVTOOL' handheld list --root '$dev' | tr '\n' ' ')\" = 'Sweep01.vnf Sweep02.vnf Sweep03.vnf Sweep04.vnf ' ]"
check "list as JSON" bash -c "'$KORVTOOL' handheld list --json --root '$dev' | python3 -c '
import json,sys; assert json.load(sys.stdin)==[\"Sweep01.vnf\",\"Sweep02.vnf\",\"Sweep03.vnf\",\"Sweep04.vnf\"]'"

check "get copies into a new folder" "$KORVTOOL" handheld get Sweep01.vnf sweep02.VNF --to "$tmp/pc" --root "$dev"
check "the copies are the device's bytes, named as on the device" bash -c "cmp '$traces/Sweep01.vnf' '$tmp/pc/Sweep01.vnf' && cmp '$traces/Sweep02.vnf' '$tmp/pc/Sweep02.vnf'"
printf 'mine' >"$tmp/pc/Sweep03.vnf"
check "get does not replace a PC file unasked" bash -c "[ \$(status '$KORVTOOL' handheld get Sweep03.vnf --to '$tmp/pc' --root '$dev') -eq 1 ] && [ \"\$(cat '$tmp/pc/Sweep03.vnf')\" = mine ]"
check "get --replace does" bash -c "'$KORVTOOL' handheld get Sweep03.vnf --to '$tmp/pc' --replace --root '$dev' && cmp '$traces/Sweep03.vnf' '$tmp/pc/Sweep03.vnf'"
check "get of a missing name fails with the message, the others still come" bash -c "
  out=\$('$KORVTOOL' handheld get nothere.vnf Sweep04.vnf --to '$tmp/pc2' --root '$dev' 2>&1 >/dev/null); rc=\$?
  [ \$rc -eq 1 ] && echo \"\$out\" | grep -qx 'nothere.vnf: Unable to open the remote file. Check the ActiveSync connection.' && [ -f '$tmp/pc2/Sweep04.vnf' ]"

"$KORVTOOL" convert "$traces/Sweep01.vnf" "$tmp/pc/Edited.vnf" >/dev/null
check "put a new file" bash -c "'$KORVTOOL' handheld put '$tmp/pc/Edited.vnf' --root '$dev' && cmp '$tmp/pc/Edited.vnf' '$traces/Edited.vnf'"
printf 'other' >"$tmp/pc/Sweep02.vnf"
check "put refuses to replace without --replace" bash -c "[ \$(status '$KORVTOOL' handheld put '$tmp/pc/Sweep02.vnf' --root '$dev') -eq 1 ] && ! cmp -s '$tmp/pc/Sweep02.vnf' '$traces/Sweep02.vnf'"
check "put --replace replaces" bash -c "'$KORVTOOL' handheld put '$tmp/pc/Sweep02.vnf' --replace --root '$dev' && cmp '$tmp/pc/Sweep02.vnf' '$traces/Sweep02.vnf'"
check "no temporaries are left on the device" bash -c "[ -z \"\$(ls -A '$traces' | grep '^\.')\" ]"

check "delete goes on past a missing name" bash -c "[ \$(status '$KORVTOOL' handheld delete gone.vnf Sweep04.vnf --root '$dev') -eq 1 ] && [ ! -e '$traces/Sweep04.vnf' ]"
check "delete prints the message" bash -c "'$KORVTOOL' handheld delete gone.vnf --root '$dev' 2>&1 | grep -qx 'gone.vnf: Unable to delete file from Vantor. Check the ActiveSync connection.'"

chmod a-w "$traces"
check "a read-only device folder refuses put" bash -c "'$KORVTOOL' handheld put '$tmp/pc/Sweep03.vnf' --replace --root '$dev' 2>&1 | grep -q 'Unable to open the remote file'"
check "and delete" bash -c "[ \$(status '$KORVTOOL' handheld delete Sweep01.vnf --root '$dev') -eq 1 ] && [ -f '$traces/Sweep01.vnf' ]"
chmod u+w "$traces"

check "without --root and setting: the connection message, exit 1" bash -c "
  out=\$('$KORVTOOL' handheld list 2>&1); rc=\$?
  [ \$rc -eq 1 ] && echo \"\$out\" | head -1 | grep -qx 'Unable to load and initialize RAPI. Check the ActiveSync connection.'"
mkdir -p "$XDG_CONFIG_HOME/KorvMOX"
printf '[OPTIONS]\r\nHandheldRoot=%s\r\n' "$dev" >"$XDG_CONFIG_HOME/KorvMOX/Korv-MOX.ini"
check "the HandheldRoot setting names the device" bash -c "'$KORVTOOL' handheld list | grep -qx Edited.vnf"
check "an absent device folder: exit 1" bash -c "[ \$(status '$KORVTOOL' handheld list --root '$tmp/unplugged') -eq 1 ]"
check "names that leave the device are refused" bash -c "[ \$(status '$KORVTOOL' handheld get ../../../config/KorvMOX/Korv-MOX.ini --to '$tmp/x' --root '$dev') -eq 1 ] && [ ! -e '$tmp/x/Korv-MOX.ini' ]"

# The desktop program's settings file wins over korvtool's older place.
mkdir -p "$XDG_CONFIG_HOME/Korv Group/KorvMOX" "$tmp/other/FlashFX Disk/My Traces"
printf '[OPTIONS]\r\nHandheldRoot=%s\r\n' "$tmp/other" >"$XDG_CONFIG_HOME/Korv Group/KorvMOX/Korv-MOX.ini"
check "the program's settings file is the one read" bash -c "
  out=\$('$KORVTOOL' handheld list); [ \$? -eq 0 ] && [ -z \"\$out\" ]"
# A folder cut at a NUL would be another folder: refused, shown escaped.
printf '[OPTIONS]\r\nHandheldRoot=%s\0/elsewhere\r\n' "$dev" >"$XDG_CONFIG_HOME/Korv Group/KorvMOX/Korv-MOX.ini"
check "a HandheldRoot with a NUL is refused naming the setting" bash -c "
  out=\$('$KORVTOOL' handheld list 2>&1); rc=\$?
  [ \$rc -eq 1 ] && [ \"\$out\" = 'The setting HandheldRoot \"$dev\\x00/elsewhere\" holds control characters; it is not used.' ]"
check "a --root with control characters is wrong usage" bash -c "
  [ \$(status '$KORVTOOL' handheld list --root \"\$(printf '$dev\\t')\") -eq 2 ]"
rm -r "$XDG_CONFIG_HOME/Korv Group"

check "unknown action is wrong usage" bash -c "[ \$(status '$KORVTOOL' handheld frob) -eq 2 ]"
check "get without --to is wrong usage" bash -c "[ \$(status '$KORVTOOL' handheld get a.vnf --root '$dev') -eq 2 ]"
check "put without files is wrong usage" bash -c "[ \$(status '$KORVTOOL' handheld put --root '$dev') -eq 2 ]"
check "simulate handheld without --root is wrong usage" bash -c "[ \$(status '$KORVTOOL' simulate --instrument handheld) -eq 2 ]"
exit $fail
