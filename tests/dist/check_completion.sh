#!/usr/bin/env bash
# The bash completion offers the program's commands, each command's options and the values the
# program knows, read from the help of the program given.
#   check_completion.sh PROGRAM COMPLETION_SCRIPT
set -uo pipefail
program=$1
source "$2"
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && touch a.732 b.ghf c.txt d.csv e.png && mkdir sub

# complete WORD... : what completing the last word gives, sorted, on one line, in $got. Run in
# this shell, so the completion's cache of the help texts lives on between calls.
complete_words() {
    COMP_WORDS=("$program" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _q7320
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
}
sorted() { printf '%s\n' $1 | sort | tr '\n' ' ' | sed 's/ $//'; }
expect() {
    local want
    want=$(sorted "$1")
    shift
    complete_words "$@"
    if [ "$got" != "$want" ]; then
        echo "FAIL: q7320 $* <TAB> gave \"$got\", not \"$want\""
        failures=$((failures + 1))
    fi
}
commands=$("$program" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' | sort)
[ -n "$commands" ] || { echo "FAIL: no commands in the help"; exit 1; }
expect "$commands help a.732 b.ghf c.txt d.csv sub" ""      # a command, or files for the window
expect "export" "ex"
expect "--help --meter --record --version" "--"
expect "--set" "export" "--s"
expect "--all --format --header --help --iso --output --set" "export" "--"
expect "--count --format --help --interval --meter --record" "live" "--"
expect "usb virtual replay:" "--meter" ""
expect "csv json" "live" "--format" ""
expect "a.732 b.ghf c.txt d.csv sub" "sets" ""
expect "a.732 b.ghf c.txt d.csv sub" "--meter" "virtual" ""   # files for the window
expect "$commands" "help" ""
expect "" "setup" "--altitude" ""                  # a number of the user's
expect "a.732 b.ghf c.txt d.csv e.png sub" "plot" "a.732" "-o" ""
expect "replay:a.732" "--meter" "replay:a"

# Every option the help lists for a command is offered.
for command in $commands; do
    for option in $("$program" "$command" --help | sed -nE 's/^ +(-[A-Za-z?], )?(--[a-z][a-z0-9-]*).*/\2/p'); do
        complete_words "$command" "$option"
        [[ " $got " == *" $option "* ]] || { echo "FAIL: $command $option not offered"; failures=$((failures + 1)); }
    done
done
[ "$failures" -eq 0 ] || exit 1
echo "completion checked"
