#!/usr/bin/env bash
# The project's commands check their arguments before anything else: --help
# prints their own usage and exits 0, anything they do not take exits 2 with
# a message, and neither builds, installs or fuzzes anything.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Stand-ins that record any attempt to build, install or run.
mkdir "$work/bin"
for tool in cmake apt-get dpkg dpkg-query python3 wine Xvfb; do
    printf '#!/bin/sh\necho %s >>"%s/ran"\nexit 1\n' "$tool" "$work" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done

# command, arguments, expected status, text the output must contain
while IFS='|' read -r command args status text; do
    [ -n "$command" ] || continue
    rm -f "$work/ran"
    # shellcheck disable=SC2086
    out=$(cd "$work" && PATH="$work/bin:$PATH" timeout 20 "$root/scripts/$command" $args 2>&1)
    got=$?
    what="scripts/$command $args"
    [ "$got" = "$status" ] || fail "$what: exit $got, expected $status"
    case "$out" in *"$text"*) ;; *) fail "$what: no '$text' in: $(echo "$out" | head -c 300)" ;; esac
    [ ! -e "$work/ran" ] || fail "$what: ran $(tr '\n' ' ' <"$work/ran")before checking its arguments"
done <<'TABLE'
test|--help|0|usage: scripts/test
test|-h|0|usage: scripts/test
test|all|2|usage: scripts/test
test|--fast|2|usage: scripts/test
soak|--help|0|usage: scripts/soak
soak|abc|2|usage: scripts/soak
soak|5|2|20 or more
soak|--pace|2|--pace needs
soak|--storm 1e3|2|--storm needs
soak|--bogus|2|usage: scripts/soak
run|--help|0|usage: scripts/run
run|--bogus|2|usage: scripts/run
run|--wine extra|2|usage: scripts/run
run|--web --wine|2|usage: scripts/run
fuzz|--help|0|usage: scripts/fuzz
fuzz|-h|0|usage: scripts/fuzz
fuzz|abc|2|usage: scripts/fuzz
fuzz|-5|2|usage: scripts/fuzz
fuzz|0|2|usage: scripts/fuzz
fuzz|1.5|2|usage: scripts/fuzz
fuzz|1e7|2|usage: scripts/fuzz
fuzz|10mm|2|usage: scripts/fuzz
fuzz|10M|2|usage: scripts/fuzz
fuzz|10 20|2|usage: scripts/fuzz
fuzz|--help now|2|usage: scripts/fuzz
fuzz|--runs|2|usage: scripts/fuzz
fuzz|--runs 0|2|usage: scripts/fuzz
fuzz|--runs 1e7|2|usage: scripts/fuzz
fuzz|--runs 5 10|2|usage: scripts/fuzz
package|--help|0|usage: scripts/package
package|--deb|2|usage: scripts/package
bench|--help|0|usage: scripts/bench
bench|--fast|2|usage: scripts/bench
bench|--web --benchmark_repetitions=3|2|usage: scripts/bench
TABLE

[ "$failures" = 0 ] && echo "scripts: every command checks its arguments first"
[ "$failures" = 0 ]
