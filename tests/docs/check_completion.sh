#!/usr/bin/env bash
# Sources the orvexctl completion in bash and completes a table of command
# lines, once with bash-completion's helpers loaded (where installed) and once
# on a bare bash. Given the program, its commands and report names are also
# read from its --help, so that the completion follows the program.
#   check_completion.sh COMPLETION_FILE [ORVEXCTL]
set -uo pipefail
completion=$1
program=${2:-}
failures=0

# line (the cursor at its end) | the completions, sorted
cases=(
    "orvexctl re|report"
    "orvexctl |clock detect export history import monitor plu report z-report"
    "orvexctl report |dept last-z operator plu status vat"
    "orvexctl --simulate report l|last-z"
    "orvexctl plu |read write"
    "orvexctl history |backup summary"
    "orvexctl --format |csv json text"
    "orvexctl --simulate clock --format j|json"
    "orvexctl --port /dev/ttyUSB0 --speed |19200 38400 9600"
    "orvexctl --lang |en sr"
    "orvexctl --charset |cyrillic latin"
    "orvexctl plu write 1 5 --scope c|constant"
    "orvexctl --sim|--simulate"
    "orvexctl report --fo|--format"
    "orvexctl --db shop.dat report o|operator"
    "orvexctl clock x|"
)

run_cases() { # label, preamble
    local label=$1 preamble=$2 entry line expected actual
    for entry in "${cases[@]}"; do
        line=${entry%%|*}
        expected=${entry#*|}
        actual=$(bash --norc --noprofile -c '
            '"$preamble"'
            source "$1" || exit 3
            read -r -a COMP_WORDS <<<"$2"
            [[ $2 == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE=$2
            COMP_POINT=${#2}
            _orvexctl orvexctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
        ' completion "$completion" "$line")
        actual=${actual%" "}
        if [ "$actual" != "$expected" ]; then
            echo "FAIL ($label): '$line<TAB>' gives '$actual', not '$expected'" >&2
            failures=$((failures + 1))
        fi
    done
}

if [ -n "$program" ]; then
    help=$("$program" --help) || { echo "FAIL: $program --help" >&2; exit 1; }
    commands=$(echo "$help" | sed -n '/^Commands:/,/^$/p' | awk 'NF && !/^Commands:/ { print $1 }' | sort -u | tr "\n" " ")
    reports=$(echo "$help" | grep -oE '(^|[| ])report [a-z][a-z|-]*' | sed 's/^.*report //' | tr '|' "\n" | sort -u | tr "\n" " ")
    cases+=("orvexctl |${commands% }" "orvexctl report |${reports% }")
fi

run_cases "bare bash" ""
if [ -f /usr/share/bash-completion/bash_completion ]; then
    run_cases "bash-completion" "source /usr/share/bash-completion/bash_completion"
else
    echo "bash-completion not installed: its helpers are not tried"
fi
if [ "$failures" -ne 0 ]; then
    echo "$failures completion(s) wrong" >&2
    exit 1
fi
echo "completion checks passed (${#cases[@]} lines)"
