#!/bin/sh
# Runs a check that must fail: passes only when the check answers 1 and
# reports every finding listed in the file given first.
# Usage: expect_findings.sh <findings file> <check command> [<argument>...]
set -u
findings=$1
shift
output=$("$@")
status=$?
printf '%s\n' "$output"
if [ "$status" -ne 1 ]; then
    echo "the check answered $status, not 1"
    exit 1
fi
missed=0
while IFS= read -r finding; do
    case $finding in '' | '#'*) continue ;; esac
    if ! printf '%s\n' "$output" | grep -qF -- "$finding"; then
        echo "not reported: $finding"
        missed=1
    fi
done <"$findings"
exit $missed
