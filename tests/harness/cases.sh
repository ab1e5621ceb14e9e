# Sourced by the shell test scripts, so that each case is a ctest test of its
# own: a case is a function case_NAME, and the script ends with
# `run_cases "$@"`. `SCRIPT --list` prints the case names (ctest registers
# them at configure time); `SCRIPT NAME ARGS...` runs the script's `setup`
# function, if it has one, with ARGS, then that one case, and exits 0 only
# if no check failed. `fail` records a failed check and goes on; `skip`
# ends a case that cannot run here with status 77, which ctest counts as
# skipped.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() {
    echo "SKIP: $*"
    exit 77
}

run_cases() {
    if [ "${1:-}" = --list ]; then
        declare -F | awk '$3 ~ /^case_/ { sub(/^case_/, "", $3); print $3 }'
        exit 0
    fi
    local name=${1:-}
    if [ -z "$name" ] || ! declare -F "case_$name" >/dev/null; then
        echo "usage: $(basename "$0") --list | CASE [ARGS...]; no case '$name'" >&2
        exit 2
    fi
    shift
    if declare -F setup >/dev/null; then
        setup "$@" || { echo "FAIL: $name: setup failed"; exit 1; }
    fi
    "case_$name"
    if [ "$failures" != 0 ]; then
        echo "$name: $failures check(s) failed"
        exit 1
    fi
    echo "$name: passed"
}
