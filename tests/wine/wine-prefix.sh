#!/usr/bin/env bash
# Makes (once) and prints the private Wine prefix the tests use for ARCH
# (win32, the default, or win64): no debug output, and a virtual desktop so
# that frames, captions and menu bars are drawn by Wine itself, as Windows
# would draw them. It lives in the clone's build/ unless BRISQUAL_WINEPREFIX
# names another place, and Wine's menu builder is off, so that nothing is
# left in the user's menus or home.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:-win32}
case "$arch" in
win32) loader=wine ;;
win64) loader=/usr/lib/wine/wine64 ;;   # /usr/bin/wine prefers the 32-bit loader
*) echo "wine-prefix.sh: ARCH is win32 or win64, not $arch" >&2; exit 2 ;;
esac
prefix=${BRISQUAL_WINEPREFIX:-$root/build/wine-prefix-$arch}
mkdir -p "$prefix"
# Debian's wineserver keeps its socket in a folder of TMPDIR, named in the
# prefix, so every command for a prefix takes the same TMPDIR: one inside
# the prefix, unless that path is too long for a socket's name.
wine_tmp=$prefix/.tmp
[ ${#wine_tmp} -le 64 ] && mkdir -p "$wine_tmp" && export TMPDIR=$wine_tmp
export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ "$arch" = win32 ] && unset WINELOADER
(
    flock 9
    if [ ! -f "$prefix/.brisqual-ready" ]; then
        "$loader" wineboot -i >/dev/null 2>&1 || true
        "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
        "$loader" reg query 'HKCU\Software\Wine\Explorer' /v Desktop >/dev/null 2>&1 ||
            { echo "wine-prefix.sh: cannot set up $prefix with $loader" >&2; exit 1; }
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
) 9>"$prefix/.brisqual-lock"
echo "$prefix"
