#!/usr/bin/env bash
# One version everywhere, and desktop metadata that validates offline.
#   tests/packaging/version_and_metadata.sh KORVTOOL VERSION KORVMOX METAINFO DESKTOP CHANGELOG
. "$(dirname "$0")/../cli/common.sh"
version=$2 korvmox=$3 metainfo=$4 desktop=$5 changelog=$6
check "korvtool --version is the project version" [ "$("$KORVTOOL" --version)" = "korvtool $version" ]
check "korvmox --version is too, without a display" \
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$korvmox" --version)" = "korvmox $version" ]
check "the newest release of the metainfo is the project version" \
  [ "$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)" = "<release version=\"$version\"" ]
check "the changelog's newest entry is the project version" \
  [ "$(head -n 1 "$changelog" | sed 's/^korvmox (\([^)]*\)).*/\1/')" = "$version" ]
check "the metainfo names the desktop file's id" \
  grep -qF "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"
check "every screenshot of the metainfo is in docs/images" bash -c "
  for f in \$(grep -o 'docs/images/[^<]*' '$metainfo'); do [ -f '$(dirname "$0")/../../'\$f ] || exit 1; done"
if command -v desktop-file-validate >/dev/null; then
  check "the desktop file validates" desktop-file-validate "$desktop"
fi
if command -v appstreamcli >/dev/null; then
  check "the metainfo validates (offline)" appstreamcli validate --no-net "$metainfo"
fi
exit $fail
