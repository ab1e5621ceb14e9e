#!/usr/bin/env bash
# scripts/fuzz checks its arguments before building or fuzzing anything:
# usage and status 0 for --help, usage and status 2 for what it does not take.
set -u
fuzz=$1
passed=0
failed=0

# expect STATUS ARG...: scripts/fuzz ARG... exits with STATUS at once, usage shown.
expect() {
    local want=$1 out status
    shift
    out=$(timeout 10 bash "$fuzz" "$@" 2>&1)
    status=$?
    if [ $status = "$want" ] && [[ $out == *"usage: scripts/fuzz"* ]]; then
        passed=$((passed + 1))
    else
        echo "FAIL: scripts/fuzz $*: status $status (wanted $want): ${out:0:200}"
        failed=$((failed + 1))
    fi
}

expect 0 --help
expect 0 -h
for arg in abc 10x 0 00 -5 1.5 1e7 10mm 10M '' ' 10' 123456789 --runs --help-me; do
    expect 2 "$arg"
done
expect 2 10 20
expect 2 --help now
expect 2 --runs 0
expect 2 --runs 1e7
expect 2 --runs 12abc
expect 2 --runs 5 10
echo "$passed passed, $failed failed"
[ $failed = 0 ]
