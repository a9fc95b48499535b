# bash completion for homophonic: commands, the options each command takes,
# the values of --encoding, --choice, --as and --format, and file names.

_homophonic()
{
    local cur prev words cword
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD

    local commands="encrypt decrypt table keygen analyze crack model"
    local command= word
    for word in "${words[@]:1:cword - 1}"; do
        case " $commands " in
            *" $word "*) command=$word; break ;;
        esac
    done

    case $prev in
        -e|--encoding)
            mapfile -t COMPREPLY < <(compgen -W "windows-1251 utf-8" -- "$cur")
            return ;;
        --choice)
            mapfile -t COMPREPLY < <(compgen -W "cyclic random" -- "$cur")
            return ;;
        --as)
            mapfile -t COMPREPLY < <(compgen -W "plain cipher" -- "$cur")
            return ;;
        --format)
            mapfile -t COMPREPLY < <(compgen -W "text json" -- "$cur")
            return ;;
        -k|--key)
            mapfile -t COMPREPLY < <(compgen -W "1 2 3" -- "$cur")
            return ;;
        --homophones)
            mapfile -t COMPREPLY < <(compgen -W "1 2 3 proportional" -- "$cur")
            return ;;
        --seed|--time-limit|--jobs|--codes|--lock|--crib)
            COMPREPLY=()
            return ;;
        -i|--input|-o|--output|--table|--key-out|--model|--corpus|--chart)
            if declare -F _filedir >/dev/null; then
                _filedir
            else
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            return ;;
    esac

    if [ -z "$command" ]; then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        fi
        return
    fi

    local options
    case $command in
        encrypt) options="--key --input --output --encoding --table --choice --seed --jobs --quiet" ;;
        decrypt) options="--key --input --output --encoding --table --jobs --quiet" ;;
        table) options="--table" ;;
        keygen) options="--output --seed --homophones --codes --corpus" ;;
        analyze) options="--key --input --encoding --as --format --chart --table --choice --seed" ;;
        crack) options="--input --output --key-out --encoding --seed --time-limit --lock --crib --jobs --model --quiet" ;;
        model) options="--corpus --output" ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
}

complete -F _homophonic homophonic
