# bash completion for korvtool                              -*- shell-script -*-
# Commands, options and their choices are read from `korvtool --help`, so the
# completion follows the tool it completes; file names are filtered by what
# each command takes.

# The usage lines of every command: "render FILE OUT.(png|svg|pdf) [--view ...]".
_korvtool_usage() {
    "$1" --help 2>&1 | sed -n 's/^  \([a-z]\)/\1/p'
}

# The options of a usage line that take a value.
_korvtool_value_options() {
    grep -o -- '--[a-z][a-z-]* [^][|-][^] ]*' <<<"$1" | cut -d' ' -f1 | sort -u
}

# Completes file names for placeholder $1 of command $2 (position $3).
_korvtool_files() {
    local docs='kdt|csv|vnf|s1p'
    case $1 in
        DIR | DIR\|FILE*) _filedir -d ;;
        DEV) COMPREPLY=($(compgen -f -- "${cur:-/dev/}")) ;;
        OUT.pdf | *.pdf) _filedir pdf ;;
        *.json) _filedir json ;;
        *.kdt) _filedir kdt ;;
        OUT.*png*) _filedir '@(png|svg|pdf)' ;;
        OUT)
            case $2 in
                convert) _filedir "@($docs)" ;;
                *) _filedir ;;
            esac
            ;;
        FILE | IN | FILE\[:N\]* | FILE...)
            case $2 in
                power-setup) _filedir '@(txt|pwrsetup)' ;;
                quick-text) _filedir txt ;;
                handheld) _filedir vnf ;;
                *) _filedir "@($docs)" ;;
            esac
            ;;
        *) ;;
    esac
}

_korvtool() {
    local cur prev words cword
    _init_completion || return

    local tool=${words[0]} usage
    usage=$(_korvtool_usage "$tool")
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$usage" | sort -u) --help --version" -- "$cur"))
        return
    fi

    local cmd=${words[1]} line
    # A command with several forms has them on one line, joined by " | ".
    line=$(awk -v c="$cmd" '$1 == c' <<<"$usage")
    [[ -n $line ]] || return

    # The value of an option: its listed choices, or files of its kind.
    local valueOptions
    valueOptions=$(_korvtool_value_options "$line")
    if [[ $prev == --* ]] && grep -qx -- "$prev" <<<"$valueOptions"; then
        local kinds choices=() kind
        kinds=$(grep -o -- "$prev [^] ]*" <<<"$line" | cut -d' ' -f2 | sort -u)
        local choice
        for kind in $kinds; do
            # Lower-case words and number ranges are choices; anything else
            # is a placeholder.
            if [[ $kind =~ ^[a-z0-9][a-z0-9-]*(\|[a-z0-9][a-z0-9-]*)*$ ]]; then
                for choice in ${kind//|/ }; do
                    if [[ $choice =~ ^([0-9]+)-([0-9]+)$ ]]; then
                        choices+=($(seq "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"))
                    else
                        choices+=("$choice")
                    fi
                done
            else
                _korvtool_files "$kind" "$cmd"
                return
            fi
        done
        ((${#choices[@]})) && COMPREPLY=($(compgen -W "$(printf '%s\n' "${choices[@]}" | sort -u)" -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(grep -o -- '--[a-z][a-z-]*' <<<"$line" | sort -u) --help" -- "$cur"))
        return
    fi

    # Which positional argument this is, option values not counted.
    local i n=0 action=
    for ((i = 2; i < cword; i++)); do
        if [[ ${words[i]} == --* ]]; then
            grep -qx -- "${words[i]}" <<<"$valueOptions" && ((i++))
            continue
        fi
        ((n == 0)) && action=${words[i]}
        ((n++))
    done

    # Forms of the command ("get|put", "list ... | get ..."): the first
    # positional picks one, and the placeholders follow that form.
    local form=$line
    local first
    first=$(cut -d' ' -f2 <<<"$line")
    if [[ $first =~ ^[a-z][a-z-]*(\|[a-z][a-z-]*)+$ ]]; then
        ((n == 0)) && { COMPREPLY=($(compgen -W "${first//|/ }" -- "$cur")); return; }
    elif [[ $line == *" | $cmd "* ]]; then
        if ((n == 0)); then
            COMPREPLY=($(compgen -W "$(grep -o -- "\(^\|| \)$cmd [a-z][a-z-]*" <<<"$line" | awk '{print $NF}')" -- "$cur"))
            return
        fi
        form=$(sed 's/ | /\n/g' <<<"$line" | awk -v a="$action" '$2 == a' | head -n 1)
    fi

    # The placeholders of the form, options left out; the last repeats.
    local placeholders=()
    read -r -a placeholders <<<"$(sed -e 's/\[[^][]*\(\[[^][]*\][^][]*\)*\]//g' -e 's/([^)]*--[^)]*)//g' <<<"$form")"
    placeholders=("${placeholders[@]:1}")
    ((${#placeholders[@]})) || return
    local k=$n
    ((k >= ${#placeholders[@]})) && k=$((${#placeholders[@]} - 1))
    local kind=${placeholders[k]}
    [[ $kind == ... ]] && kind=${placeholders[k - 1]}
    _korvtool_files "$kind" "$cmd"
} &&
    complete -F _korvtool korvtool

# ex: filetype=sh
