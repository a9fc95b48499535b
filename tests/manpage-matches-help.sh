#!/usr/bin/env bash
# The manual page names every command and option that --help lists, and no
# other, so that the two cannot drift apart.
#
#   tests/manpage-matches-help.sh PATH/TO/homophonic PATH/TO/homophonic.1
set -euo pipefail
program=$1
page=$2

help=$(LC_ALL=C.UTF-8 "$program" --help)
options_in_help=$(grep -oE -- '(^|[ [,])--?[a-z][a-z-]*' <<<"$help" | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
page_text=$(sed 's/\\-/-/g' "$page")
options_in_page=$(grep -oE -- '(^|[ [,"])--?[a-z][a-z-]*' <<<"$page_text" | grep -oE -- '--?[a-z][a-z-]*' \
    | grep -vx -- '-platform' | sort -u)
commands_in_help=$(awk '/^Команды:/ { on = 1; next } on && /^$/ { exit } on && /^  [a-z]/ { print $1 }' <<<"$help" | sort)
commands_in_page=$(awk '/^\.SH КОМАНДЫ/ { on = 1; next } on && /^\.SH/ { exit } on && term && /^\.B / { print $2 } { term = /^\.TP/ }' "$page" | sort)

status=0
if [ "$options_in_help" != "$options_in_page" ]; then
    echo "options differ (< only in --help, > only in the manual page):"
    diff <(echo "$options_in_help") <(echo "$options_in_page") || true
    status=1
fi
if [ "$commands_in_help" != "$commands_in_page" ]; then
    echo "commands differ (< only in --help, > only in the manual page):"
    diff <(echo "$commands_in_help") <(echo "$commands_in_page") || true
    status=1
fi
[ "$status" -eq 0 ] && echo "manual page and --help agree: $(wc -w <<<"$options_in_help") options, $(wc -w <<<"$commands_in_help") commands"
exit "$status"
