#!/usr/bin/env bash
# The bash completion of korvtool against the built tool: every command it
# lists, the options and choices of a command, and file names filtered by
# what each argument takes.
#   tests/cli/completion.sh KORVTOOL COMPLETION_SCRIPT
. "$(dirname "$0")/common.sh"
SCRIPT=$(realpath "$2")
KORVTOOL=$(realpath "$KORVTOOL")
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "bash-completion is not installed"
  exit 77
fi
. /usr/share/bash-completion/bash_completion
. "$SCRIPT"

# Completes the line as typed (the cursor at its end); the answers, sorted,
# one line.
complete_line() {
  local line=$1
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_WORDS[0]=$KORVTOOL
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$KORVTOOL ${line#* }"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _korvtool
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

export LC_ALL=C
cd "$tmp" || exit 1
touch a.kdt B.S1P c.csv d.vnf notes.txt out.png out.PDF setups.pwrsetup
mkdir traces

commands=$("$KORVTOOL" --help 2>&1 | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | sort -u | tr '\n' ' ' | sed 's/ $//')
check "every command korvtool lists is offered, render among them" bash -c "
  [ \"$(complete_line 'korvtool ' | tr ' ' '\n' | grep -v '^--' | tr '\n' ' ' | sed 's/ $//')\" = '$commands' ] &&
  [[ ' $commands ' == *' render '* ]]"
check "a command completes from its start" [ "$(complete_line 'korvtool han')" = handheld ]
check "documents are offered for info, in any case, with folders" \
  [ "$(complete_line 'korvtool info ')" = "B.S1P a.kdt c.csv d.vnf traces" ]
check "render takes a document, then a picture" bash -c "
  [ '$(complete_line 'korvtool render a.kdt ')' = 'out.PDF out.png traces' ]"
check "render's options come from its usage" bash -c "
  [ '$(complete_line 'korvtool render a.kdt --vi')' = '--view' ]"
check "an option's choices are offered" [ "$(complete_line 'korvtool render a.kdt out.png --view ')" = "dtf freq smith" ]
check "render's themes are offered" [ "$(complete_line 'korvtool render a.kdt out.png --theme ')" = "dark light" ]
check "an option value does not count as an argument" \
  [ "$(complete_line 'korvtool render --view dtf a.kdt ')" = "out.PDF out.png traces" ]
check "print takes the PDF first, then documents" bash -c "
  [ '$(complete_line 'korvtool print ')' = 'out.PDF traces' ] &&
  [ '$(complete_line 'korvtool print out.pdf --rows 2 ')' = 'B.S1P a.kdt c.csv d.vnf traces' ]"
check "the forms of a command are offered first" bash -c "
  [ '$(complete_line 'korvtool handheld ')' = 'delete get list put' ] &&
  [ '$(complete_line 'korvtool power-setup ')' = 'get put' ]"
check "power setups take their own files" [ "$(complete_line 'korvtool power-setup get ')" = "notes.txt setups.pwrsetup traces" ]
check "handheld put takes .vnf files" [ "$(complete_line 'korvtool handheld put ')" = "d.vnf traces" ]
check "a folder option offers folders only" [ "$(complete_line 'korvtool handheld get X --to ')" = "traces" ]
check "the simulator's instruments are offered" bash -c "
  [ '$(complete_line 'korvtool simulate --instrument ')' = 'handheld lx nanovna rt sitemaster' ]"
check "a number range is offered as its numbers" [ "$(complete_line 'korvtool receive 1 --style ')" = "0 1 2 3" ]
if command -v zsh >/dev/null; then
  check "the zsh completion parses" zsh -n "$(dirname "$SCRIPT")/_korvtool"
fi
exit $fail
