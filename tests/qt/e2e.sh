#!/usr/bin/env bash
# End-to-end run of brisqual-qt on a private Xvfb display, driven by xdotool:
# the window and its client area, a drag and a release outside compared
# pixel for pixel with brisqual-replay, the About dialog (compared with the
# Windows program's dialog as captured under Wine), and the exit status.
# Prints PASS/FAIL lines and "N passed, N failed"; exits non-zero on failure.
#
# usage: tests/qt/e2e.sh [--docs] [--display-file FILE] [BUILD_DIR]
#   BUILD_DIR            holds brisqual-qt and brisqual-replay (default build/native)
#   --docs               also save the screenshots as docs/qt-main.png, docs/qt-about.png
#   --display-file FILE  use the X display named there (from tests/harness/xvfb.sh);
#                        by default the run starts a private Xvfb of its own
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build/native
display_file=
docs=0
while [ $# -gt 0 ]; do
    case "$1" in
    --docs) docs=1 ;;
    --display-file)
        shift
        [ -n "${1:-}" ] || { echo "e2e.sh: --display-file needs a file" >&2; exit 2; }
        display_file=$1 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "e2e.sh: unknown option $1" >&2; exit 2 ;;
    *) build=$1 ;;
    esac
    shift
done
qt=$build/brisqual-qt
replay=$build/brisqual-replay
for program in "$qt" "$replay"; do
    [ -x "$program" ] || { echo "e2e.sh: $program is not built" >&2; exit 2; }
done
for tool in Xvfb xdotool xdpyinfo import convert identify; do
    command -v "$tool" >/dev/null || { echo "e2e.sh: $tool is not installed" >&2; exit 2; }
done

out=$build/qt-e2e
mkdir -p "$out"
work=$(mktemp -d)
own_xvfb=0
qt_pid=
cleanup() {
    [ -n "$qt_pid" ] && kill "$qt_pid" 2>/dev/null
    [ "$own_xvfb" = 1 ] && "$root/tests/harness/xvfb.sh" stop "$work/x"
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
    exit
}

if [ -n "$display_file" ]; then
    DISPLAY=$(cat "$display_file") || { fail "no X display in $display_file"; finish; }
else
    DISPLAY=$("$root/tests/harness/xvfb.sh" start "$work/x") || { fail "cannot start Xvfb"; finish; }
    own_xvfb=1
fi
export DISPLAY
echo "Display $DISPLAY"

export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

shot() { import -window root -depth 8 "$1"; }
crop() { convert "$1" -crop "$2" +repage "$3"; }
# differing ACTUAL EXPECTED NAME: the number of pixels that differ (empty
# when the sizes do); on a difference the images go to $out/NAME-*.png
differing() {
    python3 "$root/tests/harness/image.py" "$1" "$2" "$out" "$3" | sed -n 's/^\([0-9]*\) pixels differ$/\1/p'
}
# settles_to REGION EXPECTED NAME: waits up to 5 s for the region of the
# screen to equal the expected picture; leaves the last crop in NAME.png.
settles_to() {
    local region=$1 expected=$2 name=$3 d=
    for _ in $(seq 50); do
        shot "$work/screen.png" && crop "$work/screen.png" "$region" "$work/$name.png"
        d=$(differing "$work/$name.png" "$expected" "$name")
        [ "$d" = 0 ] && return 0
        sleep 0.1
    done
    echo "  ${d:-all} pixels differ: $out/$name-actual.png, -expected.png, -diff.png"
    return 1
}
replay_png() { # replay_png SCRIPT OUT
    printf '%b' "$1" | "$replay" --png "$2" - || { echo "  brisqual-replay failed" >&2; return 1; }
}
find_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
wait_window() { # wait_window NAME: prints its id once it is shown
    local id=
    for _ in $(seq 100); do
        id=$(find_window "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
geometry() { # geometry ID: sets X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

"$qt" >"$work/qt.log" 2>&1 &
qt_pid=$!
main=$(wait_window BRISQUAL) || { fail "no window titled BRISQUAL"; cat "$work/qt.log"; finish; }
pass "the window titled BRISQUAL is shown"
geometry "$main"
menu_height=$((HEIGHT - 504))
cx=$X
cy=$((Y + menu_height))
if [ "$WIDTH" = 602 ] && [ "$menu_height" -gt 0 ]; then
    pass "client area 602 x 504 under a menu bar of $menu_height pixels"
else
    fail "window is $WIDTH x $HEIGHT, expected 602 wide and 504 plus the menu bar high"
fi
client=602x504+$cx+$cy

replay_png "" "$work/flat.png" &&
    settles_to "$client" "$work/flat.png" flat && pass "the flat start shows the replay tool's picture" ||
    fail "the flat start differs from the replay tool's picture"

# A drag, stepped: press at (200,300), two moves down, release.
xdotool mousemove $((cx + 200)) $((cy + 300)) mousedown 1 sleep 0.1 \
    mousemove $((cx + 200)) $((cy + 305)) sleep 0.1 mousemove $((cx + 200)) $((cy + 310)) sleep 0.1 mouseup 1
script='down 200 300\nmove 200 305\nmove 200 310\nup 200 310\n'
replay_png "$script" "$work/drag.png" &&
    settles_to "$client" "$work/drag.png" drag && pass "the drag (200,300) to (200,310) shows the replay tool's picture" ||
    fail "the drag differs from the replay tool's picture"

# A release outside the window is not seen: back over the client area with
# no button held, the drag goes on until a release inside.
xdotool mousemove $((cx + 400)) $((cy + 250)) mousedown 1 sleep 0.1 mousemove $((cx + 400)) $((cy + 230)) sleep 0.1 \
    mousemove $((cx + 400)) $((cy + 700)) sleep 0.1 mouseup 1 sleep 0.1 \
    mousemove $((cx + 400)) $((cy + 280)) sleep 0.1 click 1
script="${script}down 400 250\nmove 400 230\nmove 400 280\ndown 400 280\nup 400 280\n"
replay_png "$script" "$work/outside.png" &&
    settles_to "$client" "$work/outside.png" outside && pass "a release outside is not seen; the drag goes on" ||
    fail "after a release outside the picture differs from the replay tool's"

# Right-button drags and keys other than Esc change nothing.
xdotool mousemove $((cx + 300)) $((cy + 250)) mousedown 3 sleep 0.1 mousemove $((cx + 300)) $((cy + 150)) sleep 0.1 mouseup 3
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key --delay 30 a Return space F1
sleep 0.3
if settles_to "$client" "$work/outside.png" unchanged && kill -0 "$qt_pid" 2>/dev/null; then
    pass "right-button drags and other keys change nothing"
else
    fail "a right-button drag or a key other than Esc changed something"
fi
shot "$work/screen.png" && crop "$work/screen.png" "602x${HEIGHT}+$X+$Y" "$out/qt-main.png"

# The menu command, directly on the bar, opens the About dialog.
xdotool mousemove $((X + 60)) $((Y + menu_height / 2)) click 1
if about=$(wait_window 'Acerca de\.\.\.'); then
    pass "the menu command opens the dialog 'Acerca de...'"
    sleep 0.5
    geometry "$about"
    dialog=${WIDTH}x${HEIGHT}+$X+$Y
    shot "$work/screen.png"
    crop "$work/screen.png" "$dialog" "$out/about-dialog.png"
    # The dialog over the main window, as it opens.
    geometry "$main"
    crop "$work/screen.png" "602x${HEIGHT}+$X+$Y" "$out/qt-about.png"
    # The dialog's text is Wine's own MS Sans Serif, which the build reads
    # from fonts-wine; without it the dialog takes a substitute font.
    font_dir=$(sed -n 's/^BRISQUAL_WINE_FONT_DIR:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
    if [ -f "${font_dir:-/usr/share/wine/fonts}/ms_sans_serif.ttf" ]; then
        if [ "$(differing "$out/about-dialog.png" "$root/tests/data/golden/about-dialog-wine.png" about-dialog)" = 0 ]; then
            pass "the dialog shows the Windows program's dialog pixel for pixel"
        else
            fail "the dialog differs from the Windows program's dialog ($out/about-dialog.png)"
        fi
    else
        echo "SKIP: Wine's MS Sans Serif (fonts-wine) is not installed, so the dialog's text cannot match"
    fi
    xdotool windowfocus --sync "$about" 2>/dev/null
    xdotool key Escape
    sleep 0.5
    [ -n "$(find_window 'Acerca de\.\.\.')" ] && pass "Esc leaves the dialog open" || fail "Esc closed the dialog"
    xdotool key Return
    closed=0
    for _ in $(seq 30); do
        [ -z "$(find_window 'Acerca de\.\.\.')" ] && { closed=1; break; }
        sleep 0.1
    done
    [ "$closed" = 1 ] && pass "Enter closes the dialog" || fail "Enter did not close the dialog"
else
    fail "the menu command opened no dialog"
fi

# Esc ends the program with status 0.
xdotool mousemove $((cx + 100)) $((cy + 100))
xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Escape
for _ in $(seq 50); do
    kill -0 "$qt_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$qt_pid" 2>/dev/null; then
    fail "Esc did not end the program"
else
    wait "$qt_pid"
    status=$?
    qt_pid=
    [ "$status" = 0 ] && pass "Esc ends the program with status 0" || fail "the program ended with status $status"
fi

echo "Screenshots: $out/qt-main.png, $out/qt-about.png"
if [ "$docs" = 1 ]; then
    cp "$out/qt-main.png" "$root/docs/qt-main.png" && cp "$out/qt-about.png" "$root/docs/qt-about.png" &&
        echo "Saved docs/qt-main.png and docs/qt-about.png"
fi
finish
