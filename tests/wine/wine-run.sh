#!/usr/bin/env bash
# usage: wine-run.sh ARCH PROGRAM [ARGS...]
# Runs a Windows program under Wine in the tests' private prefix for ARCH
# (win32 or win64); ctest uses it as the emulator for the cross-built tests.
set -eu
arch=$1
shift
prefix=$("$(dirname "$0")/wine-prefix.sh" "$arch")
# The same TMPDIR as wine-prefix.sh gives the prefix's wineserver.
[ ${#prefix} -le 59 ] && export TMPDIR=$prefix/.tmp
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
loader=wine
if [ "$arch" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    loader=/usr/lib/wine/wine64
fi
# A program started just as the prefix's server quits loses its connection
# ("wine client error: ... recvmsg") before it has run: run it once more.
# Its output is held until then, so a reader sees one run's output only.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    status=0
    "$loader" "$@" >"$out" 2>"$err" || status=$?
    [ "$status" -ne 0 ] && [ "$attempt" = 1 ] && grep -q '^wine client error:.*recvmsg' "$err" || break
done
cat "$out"
cat "$err" >&2
exit "$status"
