#!/usr/bin/env bash
# Makes (once) and prints the private Wine prefix the tests use: 32-bit
# programs, no debug output, and a virtual desktop so that frames, captions
# and menu bars are drawn by Wine itself, as Windows would draw them.
set -eu
prefix=${BRISQUAL_WINEPREFIX:-${TMPDIR:-/tmp}/brisqual-wine-$(id -u)}
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
(
    flock 9
    if [ ! -f "$prefix/.brisqual-ready" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
        touch "$prefix/.brisqual-ready"
    fi
    # Debian's Wine looks for its own fonts on a path it cannot resolve, so
    # Marlett (caption buttons) and MS Sans Serif (dialogs) would fall back
    # to other fonts; linking them into the prefix gives Wine's real ones.
    if [ ! -f "$prefix/.brisqual-fonts" ]; then
        mkdir -p "$prefix/drive_c/windows/Fonts"
        for font in /usr/share/wine/fonts/*; do
            [ -e "$font" ] && ln -sf "$font" "$prefix/drive_c/windows/Fonts/"
        done
        touch "$prefix/.brisqual-fonts"
    fi
) 9>"$prefix.lock"
echo "$prefix"
