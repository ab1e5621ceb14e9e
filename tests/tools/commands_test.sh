#!/usr/bin/env bash
# The project's commands check their arguments before anything else: --help
# prints their own usage and exits 0, anything they do not take exits 2 with
# a message, and neither builds, installs or fuzzes anything. One case for
# each command.
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/harness/cases.sh"

setup() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # Stand-ins that record any attempt to build, install or run.
    mkdir "$work/bin"
    for tool in cmake apt-get dpkg dpkg-query python3 wine Xvfb; do
        printf '#!/bin/sh\necho %s >>"%s/ran"\nexit 1\n' "$tool" "$work" >"$work/bin/$tool"
        chmod +x "$work/bin/$tool"
    done
}

# Reads lines of "arguments|expected status|text the output must contain"
# and runs the command with each.
check_command() {
    local command=$1 args status text out got what
    while IFS='|' read -r args status text; do
        rm -f "$work/ran"
        # shellcheck disable=SC2086
        out=$(cd "$work" && PATH="$work/bin:$PATH" timeout 20 "$root/scripts/$command" $args 2>&1)
        got=$?
        what="scripts/$command $args"
        [ "$got" = "$status" ] || fail "$what: exit $got, expected $status"
        case "$out" in *"$text"*) ;; *) fail "$what: no '$text' in: $(echo "$out" | head -c 300)" ;; esac
        [ ! -e "$work/ran" ] || fail "$what: ran $(tr '\n' ' ' <"$work/ran")before checking its arguments"
    done
}

case_test() {
    check_command test <<'TABLE'
--help|0|usage: scripts/test
-h|0|usage: scripts/test
all|2|usage: scripts/test
--fast|2|usage: scripts/test
TABLE
}

case_soak() {
    check_command soak <<'TABLE'
--help|0|usage: scripts/soak
abc|2|usage: scripts/soak
5|2|20 or more
--pace|2|--pace needs
--storm 1e3|2|--storm needs
--bogus|2|usage: scripts/soak
TABLE
}

case_run() {
    check_command run <<'TABLE'
--help|0|usage: scripts/run
--bogus|2|usage: scripts/run
--wine extra|2|usage: scripts/run
--web --wine|2|usage: scripts/run
TABLE
}

case_fuzz() {
    check_command fuzz <<'TABLE'
--help|0|usage: scripts/fuzz
-h|0|usage: scripts/fuzz
abc|2|usage: scripts/fuzz
-5|2|usage: scripts/fuzz
0|2|usage: scripts/fuzz
1.5|2|usage: scripts/fuzz
1e7|2|usage: scripts/fuzz
10mm|2|usage: scripts/fuzz
10M|2|usage: scripts/fuzz
10 20|2|usage: scripts/fuzz
--help now|2|usage: scripts/fuzz
--runs|2|usage: scripts/fuzz
--runs 0|2|usage: scripts/fuzz
--runs 1e7|2|usage: scripts/fuzz
--runs 5 10|2|usage: scripts/fuzz
TABLE
}

case_package() {
    check_command package <<'TABLE'
--help|0|usage: scripts/package
--deb|2|usage: scripts/package
TABLE
}

case_bench() {
    check_command bench <<'TABLE'
--help|0|usage: scripts/bench
--fast|2|usage: scripts/bench
--web --benchmark_repetitions=3|2|usage: scripts/bench
TABLE
}

run_cases "$@"
