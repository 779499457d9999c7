# bash completion for netrova-reg, netrova-dialup and netrova-history (installed under each name)

# COMPREPLY := the lines of $2 that begin with the word being completed, $1 as it was typed, each
# written so that the shell passes it on unchanged: "My ISP" as My\ ISP, "HKCU\" as HKCU\\, or
# as it is after a quote the user opened.
_netrova_complete_from() {
    local typed=$1 word= quote= i c candidate
    case $typed in
        \'* | \"*) quote=${typed:0:1} typed=${typed:1} ;;
    esac
    for ((i = 0; i < ${#typed}; i++)); do
        c=${typed:i:1}
        # Outside quotes a backslash escapes any character, inside double quotes only these.
        if [[ $c == \\ && $quote != \' && ($quote != \" || ${typed:i+1:1} == [\\\"\$\`]) ]]; then
            ((i++))
            c=${typed:i:1}
        fi
        word+=$c
    done
    COMPREPLY=()
    while IFS= read -r candidate; do
        [[ -n $candidate && $candidate == "$word"* ]] || continue
        case $quote in
            \') [[ $candidate == *\'* ]] && continue ;;
            \") candidate=$(sed 's/[\\"$`]/\\&/g' <<<"$candidate") ;;
            *) printf -v candidate %q "$candidate" ;;
        esac
        COMPREPLY+=("$candidate")
    done <<<"$2"
}

_netrova_reg() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local i=1
    while [[ $i -lt $COMP_CWORD && ${COMP_WORDS[i]} == -* ]]; do ((i++)); done
    if [[ $COMP_CWORD -eq $i ]]; then
        COMPREPLY=($(compgen -W 'get set list delete --help --version' -- "$cur"))
    elif [[ ${COMP_WORDS[i]} == set && $COMP_CWORD -eq $((i + 3)) ]]; then
        COMPREPLY=($(compgen -W 'int str bin' -- "$cur"))
    elif [[ $COMP_CWORD -eq $((i + 1)) ]]; then
        # The key path goes on after the backslash.
        _netrova_complete_from "$cur" $'HKCU\\\nHKLM\\'
        compopt -o nospace 2>/dev/null
    fi
}
complete -F _netrova_reg netrova-reg

_netrova_dialup() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local i=1
    while [[ $i -lt $COMP_CWORD && ${COMP_WORDS[i]} == -* ]]; do ((i++)); done
    if [[ $COMP_CWORD -eq $i ]]; then
        COMPREPLY=($(compgen -W 'dial hangup status entries add-entry remove-entry --help --version' -- "$cur"))
    elif [[ $COMP_CWORD -eq $((i + 1)) && ${COMP_WORDS[i]} =~ ^(dial|remove-entry)$ ]]; then
        # The dial-up entries, one a line; names may hold blanks and backslashes.
        _netrova_complete_from "$cur" "$(netrova-dialup entries 2>/dev/null)"
    elif [[ ${COMP_WORDS[i]} == dial && $COMP_CWORD -eq $((i + 2)) ]]; then
        COMPREPLY=($(compgen -W '--interface' -- "$cur"))
    elif [[ ${COMP_WORDS[i]} == dial && $COMP_CWORD -eq $((i + 3)) ]]; then
        _netrova_complete_from "$cur" "$(ls /sys/class/net 2>/dev/null)"
    fi
}
complete -F _netrova_dialup netrova-dialup

_netrova_history() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    case $prev in
        --format) COMPREPLY=($(compgen -W 'csv json' -- "$cur")); return ;;
        --by) COMPREPLY=($(compgen -W 'day month provider user' -- "$cur")); return ;;
        --file)
            # Whole lines, so that a name with blanks stays one; the shell quotes file names.
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            compopt -o filenames 2>/dev/null
            return
            ;;
        --from | --to | --user | --provider) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--format --by --from --to --user --provider --file --help --version' -- "$cur"))
    else
        COMPREPLY=($(compgen -W 'list export summary' -- "$cur"))
    fi
}
complete -F _netrova_history netrova-history
