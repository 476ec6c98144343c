# Bash completion for corvane-cli: its subcommands, their options, and the book's group names.
_corvane_cli() {
    local cur prev words cword
    _init_completion || return

    local book=() i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --book | --dsn) book+=("${words[i]}" "${words[i + 1]}"); ((i++)) ;;
        --json) ;;
        -*) ;;
        *) command=${words[i]}; break ;;
        esac
    done

    case $prev in
    --book) _filedir -d; return ;;
    --dsn | --into | --encoding | --delimiter) return ;;
    --rejected | --out) _filedir; return ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "--book --dsn --json --help --version groups group import export filter find
            remove union intersect minus merge check" -- "$cur"))
        return
    fi

    local options=""
    case $command in
    groups) options="--names" ;;
    group) [[ $cword -eq $((i + 1)) ]] && { COMPREPLY=($(compgen -W "add rename delete" -- "$cur")); return; }
        options="--yes" ;;
    import) options="--names --encoding --delimiter --ignore-case --rejected" ;;
    export) options="--csv --encoding" ;;
    find) options="--exact --prefix --contains" ;;
    remove) options="--group --all --ignore-case" ;;
    union | intersect | minus) options="--into --out --ignore-case" ;;
    merge) options="--ignore-case" ;;
    check) options="--invalid" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
    group | import | export | filter | union | intersect | minus | merge)
        # Group names, one a line, as the book holds them now; files for the arguments that take one.
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$(corvane-cli "${book[@]}" groups --names 2>/dev/null)" -- "$cur"))
        [[ $command != group ]] && _filedir
        ;;
    remove) [[ $prev == --group ]] && { local IFS=$'\n'; COMPREPLY=($(compgen -W "$(corvane-cli "${book[@]}" groups --names 2>/dev/null)" -- "$cur")); return; }
        _filedir ;;
    check) _filedir ;;
    esac
}
complete -F _corvane_cli corvane-cli
