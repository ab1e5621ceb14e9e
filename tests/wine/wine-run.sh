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
if [ "$arch" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
