# bash completion for substitute, also run as homophonic. The program itself
# says what fits where the cursor is (its commands, each command's options,
# an option's values) from the options it declares; this script only asks
# it and completes file names.

_substitute()
{
    local program=${COMP_WORDS[0]}
    program=${program/#\~/$HOME}
    local reply=()
    mapfile -t reply < <("$program" --complete "${COMP_WORDS[@]:1:COMP_CWORD}" 2>/dev/null)
    case ${reply[0]-} in
        files)
            if declare -F _filedir >/dev/null; then
                _filedir
            else
                mapfile -t COMPREPLY < <(compgen -f -- "${COMP_WORDS[COMP_CWORD]}")
            fi ;;
        words)
            COMPREPLY=("${reply[@]:1}") ;;
        *)
            COMPREPLY=() ;;
    esac
}

complete -F _substitute substitute homophonic
