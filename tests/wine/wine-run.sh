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
# ctest starts one program after another: a program that connects just as
# the last one's server quits is cut off ("wine client error:0: recvmsg:
# Connection reset by peer"). So the prefix's server, where none runs yet,
# starts here and stays a minute after its last program, then ends itself.
wineserver -p60 2>/dev/null || true
if [ "$arch" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
