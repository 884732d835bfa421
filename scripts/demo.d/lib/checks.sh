# Checks shared by the demo steps (sourced). A step opens with `shows`, saying
# which deliverable it shows and what its passing means. Each check prints one
# line, "ok: ..." or "WRONG: ...", with what the result means; a wrong result
# makes the step end with status 1 (`finish`), so that the demo fails.
step_failed=0
deliverable=""

# shows DELIVERABLE MEANING: the step's first two lines.
shows() {
    deliverable=$1
    echo "shows: $1"
    echo "passes when: $2"
}

# A scratch directory of the step, removed at its end.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
out="$work/.output"

# show COMMAND...: runs COMMAND, shows its output indented, keeps it in $out
# and its exit code in $code.
show() {
    "$@" >"$out" 2>&1
    code=$?
    sed 's/^/    /' "$out"
}

# expect_code WANT MEANING: the last command's exit code.
expect_code() {
    if [ "$code" = "$1" ]; then
        echo "ok: exit code $code: $2"
    else
        echo "WRONG: exit code $code, expected $1: $2"
        step_failed=1
    fi
}

# expect_text TEXT MEANING [FILE]: FILE (default: the last output) holds TEXT.
expect_text() {
    if grep -qF -- "$1" "${3:-$out}"; then
        echo "ok: \"$1\": $2"
    else
        echo "WRONG: no \"$1\" in ${3:-the output}: $2"
        step_failed=1
    fi
}

# expect_lines MEANING LINE...: the last output holds each LINE as a whole line.
expect_lines() {
    meaning=$1
    shift
    missing=""
    for line in "$@"; do
        grep -qxF -- "$line" "$out" || missing="$missing \"$line\""
    done
    if [ -z "$missing" ]; then
        echo "ok: $meaning"
    else
        echo "WRONG: missing$missing: $meaning"
        step_failed=1
    fi
}

# expect_no_text TEXT MEANING [FILE]: FILE (default: the last output) lacks TEXT.
expect_no_text() {
    if [ ! -e "${3:-$out}" ]; then
        echo "WRONG: ${3:-the output} is missing"
        step_failed=1
    elif grep -qF -- "$1" "${3:-$out}"; then
        echo "WRONG: \"$1\" is there: $2"
        step_failed=1
    else
        echo "ok: no \"$1\": $2"
    fi
}

# expect_true MEANING COMMAND...: the command succeeds.
expect_true() {
    meaning=$1
    shift
    if "$@"; then
        echo "ok: $meaning"
    else
        echo "WRONG: $meaning"
        step_failed=1
    fi
}

# expect_same_lines MEANING BEFORE AFTER: the two files hold the same lines;
# the difference is shown when they do not.
expect_same_lines() {
    if diff -u "$2" "$3" >"$work/.difference"; then
        echo "ok: $1"
    else
        echo "WRONG: $1; the difference:"
        sed 's/^/    /' "$work/.difference"
        step_failed=1
    fi
}

finish() {
    if [ "$step_failed" = 0 ]; then
        echo "=> $deliverable: every result as expected"
    else
        echo "=> $deliverable: a result was not the expected one (WRONG above)"
    fi
    exit "$step_failed"
}
