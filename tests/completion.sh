#!/usr/bin/env bash
# The bash completion script loads without error and completes commands,
# options and option values as a user would see them, under both names of
# the tool, which it asks at completion time.
#
#   tests/completion.sh COMPLETION_SCRIPT PROGRAM_DIR
#
# PROGRAM_DIR holds the built substitute and its link homophonic.
set -uo pipefail
script=$1
PATH=$(cd "$2" && pwd):$PATH
# shellcheck source=/dev/null
source "$script" || { echo "the completion script does not load"; exit 1; }

failures=0
for name in homophonic substitute; do
    if ! complete -p "$name" >/dev/null 2>&1; then
        echo "no completion registered for $name"
        failures=$((failures + 1))
    fi
done

expect() {
    local expected=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    local function
    function=$(complete -p "$1" | sed -E 's/.*-F ([^ ]+).*/\1/')
    "$function"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$expected" ]; then
        echo "completing '$*': expected '$expected', got '$got'"
        failures=$((failures + 1))
    fi
}

for tool in homophonic substitute; do
    expect "encrypt" $tool enc
    expect "crack" $tool cr
    expect "analyze" $tool an
    expect "--help --version" $tool -
    expect "--chart --choice" $tool analyze --ch
    expect "--cipher" $tool analyze --ci
    expect "--pair-chart" $tool analyze --pa
    expect "--choice" $tool encrypt --ch
    expect "" $tool decrypt --ch
    expect "--help --homophones" $tool keygen --h
    expect "utf-8" $tool encrypt -e u
    expect "windows-1251" $tool crack --encoding w
    expect "cyclic random" $tool encrypt --choice ""
    expect "cipher" $tool analyze --as c
    expect "json" $tool analyze --format j
    expect "1 2 3 proportional" $tool keygen --homophones ""
    expect "" $tool crack --seed ""
    expect "--key-out" $tool crack --key-
    expect "--lock" $tool crack --lo
    expect "--crib" $tool crack --cr
    expect "" $tool encrypt --lo
    # The command is the first word that names one, wherever it stands.
    expect "--quiet" $tool --quiet decrypt --qu
done

cd "$(mktemp -d)" && touch "шифр.txt" "ключ.txt"
expect "ключ.txt" homophonic encrypt --table к
expect "шифр.txt" substitute crack -i ш

[ "$failures" -eq 0 ] && echo "completion: all cases pass"
exit "$failures"
