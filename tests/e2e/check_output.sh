#!/usr/bin/env bash
# Runs a Windows program under Wine and checks its exit code and output:
#   check_output.sh EXPECTED_EXIT_CODE 'text 1|text 2|...' PROGRAM [ARGUMENTS...]
# Each text must appear in what the program wrote (standard output and error together).
set -uo pipefail
expected_exit=$1
IFS='|' read -r -a texts <<<"$2"
shift 2

output=$("$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-run.sh" "$@" 2>&1)
status=$?
printf '%s\n' "$output"

failures=0
if [[ $status -ne $expected_exit ]]; then
    echo "FAIL: exit code $status, expected $expected_exit"
    failures=$((failures + 1))
fi
for text in "${texts[@]}"; do
    if ! grep -qF -- "$text" <<<"$output"; then
        echo "FAIL: output lacks \"$text\""
        failures=$((failures + 1))
    fi
done
[[ $failures -eq 0 ]]
