#!/usr/bin/env bash
# Takes the reference picture of the About dialog that the Qt dialog is
# compared with: the client area of brisqual.exe's dialog as Wine draws it,
# in the tests' Wine prefix (tests/wine/wine-prefix.sh, with Wine's own fonts),
# on a private Xvfb display, with the focus on the button as it opens.
#
# usage: tests/qt/capture-wine-dialog.sh WINDOWS_BUILD_DIR [OUT.png]
#   WINDOWS_BUILD_DIR  holds brisqual.exe (the 32-bit cross build)
#   OUT.png            default tests/data/golden/about-dialog-wine.png
# BRISQUAL_WINEPREFIX chooses the prefix, as for tests/wine/wine-prefix.sh.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=
out=$root/tests/data/golden/about-dialog-wine.png
while [ $# -gt 0 ]; do
    case "$1" in
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "capture-wine-dialog.sh: unknown option $1" >&2; exit 2 ;;
    *) if [ -z "$build" ]; then build=$1; else out=$1; fi ;;
    esac
    shift
done
die() { echo "capture-wine-dialog.sh: $*" >&2; exit 1; }
[ -n "$build" ] || { echo "usage: capture-wine-dialog.sh WINDOWS_BUILD_DIR [OUT.png]" >&2; exit 2; }
exe=$build/brisqual.exe
[ -f "$exe" ] || die "$exe is not built"
for tool in Xvfb xdotool xdpyinfo import convert wine wineserver i686-w64-mingw32-g++-posix; do
    command -v "$tool" >/dev/null || die "$tool is not installed"
done

work=$(mktemp -d)
own_xvfb=0
wine_pid=
prefix=
cleanup() {
    [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
    [ -n "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
    [ "$own_xvfb" = 1 ] && "$root/tests/harness/xvfb.sh" stop "$work/x"
    rm -rf "$work"
}
trap cleanup EXIT

i686-w64-mingw32-g++-posix -O1 -static -o "$work/window_rects.exe" "$here/window_rects.cpp" -luser32 ||
    die "cannot build the window locator"

DISPLAY=$("$root/tests/harness/xvfb.sh" start "$work/x") || die "cannot start Xvfb"
own_xvfb=1
export DISPLAY

prefix=$("$root/tests/wine/wine-prefix.sh" win32) || die "cannot make the Wine prefix"
# The same TMPDIR as wine-prefix.sh gives the prefix's wineserver.
[ ${#prefix} -le 59 ] && export TMPDIR=$prefix/.tmp
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus   # else D-Bus starts one and notes it in HOME
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# rects TITLE: sets client_* (and menubar_*) from the locator; false until shown
rects() {
    local found
    found=$(wine "$work/window_rects.exe" "$1" 2>/dev/null) || return 1
    eval "$(printf '%s\n' "$found" | tr -d '\r' |
        awk '{ printf "%s_x=%s %s_y=%s %s_w=%s %s_h=%s\n", $1, $2, $1, $3, $1, $4, $1, $5 }')"
}
wait_rects() {
    for _ in $(seq 60); do
        rects "$1" && return 0
        sleep 0.5
    done
    return 1
}

wine "$exe" >"$work/wine.log" 2>&1 &
wine_pid=$!
wait_rects BRISQUAL || die "brisqual.exe showed no window"
sleep 1
# The only item starts at the bar's left end; 40 pixels in is on its text.
xdotool mousemove $((menubar_x + 40)) $((menubar_y + menubar_h / 2)) click 1
wait_rects 'Acerca de...' || die "the menu command opened no dialog"

# The dialog once it stops changing.
previous=
for _ in $(seq 40); do
    sleep 0.25
    import -window root -depth 8 "$work/screen.png" || die "cannot take a screenshot"
    convert "$work/screen.png" -crop "${client_w}x${client_h}+$client_x+$client_y" +repage "$work/dialog.png"
    sum=$(convert "$work/dialog.png" rgb:- | md5sum)
    [ "$sum" = "$previous" ] && break
    previous=$sum
done
[ "$sum" = "$previous" ] || die "the dialog kept changing"
convert "$work/dialog.png" -strip "$out" || die "cannot write $out"
echo "Saved the ${client_w} x ${client_h} client area of the dialog as $out"
