#!/usr/bin/env bash
# Runs one fuzzer, one worker: its kept inputs one by one, then fuzzing from
# them; reports executions, executions a second, time, coverage and findings.
# usage: tests/fuzz/run.sh FUZZER WORK SEED [--fresh] [LIBFUZZER-OPTION...]
# FUZZER is the event_fuzzer, event_file_fuzzer or formula_fuzzer program. WORK keeps the corpus
# the run grows (WORK/corpus, started afresh with --fresh), the inputs that
# fail (WORK/findings/) and the log (WORK/run.log). SEED 0 explores anew.
# Exit status: 0 without findings, 1 with findings, 2 when misused.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ $# -lt 3 ]; then
    sed -n '4,10p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
fuzzer=$1 work=$2 seed=$3
shift 3
name=$(basename "$fuzzer")
case $name in
event_fuzzer) seeds=("$here/corpus/events"); options=() ;;
event_file_fuzzer) seeds=("$here/corpus/event_file" "$root/tests/data/events"); options=(-dict="$here/event_file.dict") ;;
formula_fuzzer) seeds=("$here/corpus/formula"); options=(-dict="$here/formula.dict" -max_len=800) ;;
*) echo "run.sh: no seeds for $name" >&2; exit 2 ;;
esac
if [ "${1:-}" = --fresh ]; then
    rm -rf "$work/corpus"
    shift
fi
mkdir -p "$work/corpus" "$work/findings"
log=$work/run.log

# Every kept input first, on its own: the fuzzers check given files with
# every check they have.
kept=()
while IFS= read -r -d '' file; do kept+=("$file"); done < <(find "${seeds[@]}" -type f -print0 | sort -z)
if ! "$fuzzer" "${kept[@]}" >"$work/kept.log" 2>&1; then
    echo "$name: a kept input fails, see $work/kept.log"
    grep -E 'Running: |invariant broken|^==[0-9]+==ERROR|runtime error|^SUMMARY' "$work/kept.log" | tail -n 6
    exit 1
fi
before=$(find "$work/findings" -type f | wc -l)
start=$SECONDS
"$fuzzer" -seed="$seed" -print_final_stats=1 -timeout=25 -artifact_prefix="$work/findings/" \
    ${options[@]+"${options[@]}"} "$@" "$work/corpus" "${seeds[@]}" >"$log" 2>&1
status=$?
elapsed=$((SECONDS - start))
stat() { grep -E "^stat::$1:" "$log" | awk '{print $2}' | tail -n 1; }
coverage=$(grep -E '^#[0-9]+[[:space:]]+(DONE|NEW|REDUCE|pulse|INITED)' "$log" | tail -n 1 |
    sed -E 's/.* cov: ([0-9]+) ft: ([0-9]+).*/\1 edges, \2 features/')
new=$(($(find "$work/findings" -type f | wc -l) - before))
echo "$name: $(stat number_of_executed_units) executions, $(stat average_exec_per_sec) a second," \
    "${elapsed} s, coverage ${coverage:-unknown}"
if [ $status = 0 ] && [ $new = 0 ]; then
    echo "$name: findings: none"
    exit 0
fi
echo "$name: findings: $new (exit status $status), log $log"
grep -E 'invariant broken|^==[0-9]+==ERROR|runtime error|^SUMMARY|Test unit written' "$log" | head -n 8
exit 1
