#!/usr/bin/env bash
# Runs a Windows program under Wine in the tests' private prefix; ctest uses
# it as the emulator for the cross-built tests.
set -eu
prefix=$("$(dirname "$0")/wine-prefix.sh")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
