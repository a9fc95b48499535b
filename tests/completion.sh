#!/usr/bin/env bash
# The bash completion script loads without error and completes commands,
# options and option values as a user would see them.
#
#   tests/completion.sh COMPLETION_SCRIPT
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || { echo "the completion script does not load"; exit 1; }
complete -p homophonic >/dev/null || { echo "no completion registered for homophonic"; exit 1; }

failures=0
expect() {
    local expected=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _homophonic
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$expected" ]; then
        echo "completing '$*': expected '$expected', got '$got'"
        failures=$((failures + 1))
    fi
}

expect "encrypt" homophonic enc
expect "crack" homophonic cr
expect "analyze" homophonic an
expect "--chart --choice" homophonic analyze --ch
expect "--choice" homophonic encrypt --ch
expect "" homophonic decrypt --ch
expect "utf-8" homophonic encrypt -e u
expect "cyclic random" homophonic encrypt --choice ""
expect "cipher" homophonic analyze --as c
expect "json" homophonic analyze --format j
expect "--key-out" homophonic crack --key-
expect "--lock" homophonic crack --lo
expect "--crib" homophonic crack --cr
expect "" homophonic encrypt --lo

cd "$(mktemp -d)" && touch "шифр.txt" "ключ.txt"
expect "ключ.txt" homophonic encrypt --table к

[ "$failures" -eq 0 ] && echo "completion: all cases pass"
exit "$failures"
