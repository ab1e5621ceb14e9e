#!/usr/bin/env bash
# End-to-end cases of brisqual-qt on an X server, driven by xdotool, each on
# a fresh run of the program: the window and its client area; the start, a
# drag and a release outside compared pixel for pixel with brisqual-replay;
# input that must change nothing; the About dialog (compared with the
# Windows program's dialog as captured under Wine); the exit status.
#
# usage: tests/qt/e2e.sh --list | CASE [--docs] [--display-file FILE] [BUILD_DIR]
#   BUILD_DIR            holds brisqual-qt and brisqual-replay (default build/native)
#   --docs               also save the screenshots as docs/qt-main.png, docs/qt-about.png
#   --display-file FILE  use the X display named there (from tests/harness/xvfb.sh);
#                        by default the case starts a private Xvfb of its own
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/harness/cases.sh"

setup() {
    build=$root/build/native display_file= docs=0
    while [ $# -gt 0 ]; do
        case "$1" in
        --docs) docs=1 ;;
        --display-file)
            shift
            [ -n "${1:-}" ] || { echo "e2e.sh: --display-file needs a file"; return 1; }
            display_file=$1 ;;
        -*) echo "e2e.sh: unknown option $1"; return 1 ;;
        *) build=$1 ;;
        esac
        shift
    done
    qt=$build/brisqual-qt
    replay=$build/brisqual-replay
    for program in "$qt" "$replay"; do
        [ -x "$program" ] || { echo "e2e.sh: $program is not built"; return 1; }
    done
    for tool in Xvfb xdotool xdpyinfo import convert identify; do
        command -v "$tool" >/dev/null || { echo "e2e.sh: $tool is not installed"; return 1; }
    done
    out=$build/qt-e2e
    mkdir -p "$out"
    work=$(mktemp -d)
    own_xvfb=0 qt_pid=
    trap cleanup EXIT
    if [ -n "$display_file" ]; then
        DISPLAY=$(cat "$display_file") || { echo "no X display in $display_file"; return 1; }
    else
        DISPLAY=$("$root/tests/harness/xvfb.sh" start "$work/x") || { echo "cannot start Xvfb"; return 1; }
        own_xvfb=1
    fi
    # No session bus: on X, D-Bus would start one of its own and leave its
    # address in the home folder.
    export DISPLAY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    start_program
}
cleanup() {
    [ -n "$qt_pid" ] && kill "$qt_pid" 2>/dev/null
    [ "$own_xvfb" = 1 ] && "$root/tests/harness/xvfb.sh" stop "$work/x"
    rm -rf "$work"
}

shot() { import -window root -depth 8 "$1"; }
crop() { convert "$1" -crop "$2" +repage "$3"; }
# differing ACTUAL EXPECTED NAME: the number of pixels that differ (empty
# when the sizes do); on a difference the images go to $out/NAME-*.png
differing() {
    python3 "$root/tests/harness/image.py" "$1" "$2" "$out" "$3" | sed -n 's/^\([0-9]*\) pixels differ$/\1/p'
}
# settles_to EXPECTED NAME: waits up to 5 s for the client area on the
# screen to equal the expected picture.
settles_to() {
    local d=
    for _ in $(seq 50); do
        shot "$work/screen.png" && crop "$work/screen.png" "$client" "$work/$2.png"
        d=$(differing "$work/$2.png" "$1" "$2")
        [ "$d" = 0 ] && return 0
        sleep 0.1
    done
    echo "  ${d:-all} pixels differ: $out/$2-actual.png, -expected.png, -diff.png"
    return 1
}
# shows_replay SCRIPT NAME: the client area settles to the replay tool's
# picture of the script.
shows_replay() {
    printf '%b' "$1" | "$replay" --png "$work/$2-replay.png" - || { echo "  brisqual-replay failed"; return 1; }
    settles_to "$work/$2-replay.png" "$2"
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
# Starts brisqual-qt and finds its window: main (its id), cx and cy (the
# client area's corner on the screen), client (the area as a crop) and
# menu_height.
start_program() {
    "$qt" >"$work/qt.log" 2>&1 &
    qt_pid=$!
    main=$(wait_window BRISQUAL) || { echo "no window titled BRISQUAL"; cat "$work/qt.log"; return 1; }
    geometry "$main"
    menu_height=$((HEIGHT - 504))
    cx=$X cy=$((Y + menu_height))
    client=602x504+$cx+$cy
}
at() { echo $((cx + $1)) $((cy + $2)); }   # client pixel to screen
save_doc() { # save_doc NAME: the main window with its menu bar as $out/NAME.png
    geometry "$main"
    crop "$work/screen.png" "602x${HEIGHT}+$X+$Y" "$out/$1.png"
    [ "$docs" = 0 ] || cp "$out/$1.png" "$root/docs/$1.png"
}
DRAG='down 200 300\nmove 200 305\nmove 200 310\nup 200 310\n'
drag() { # press at (200,300), two moves down, release
    xdotool mousemove $(at 200 300) mousedown 1 sleep 0.1 mousemove $(at 200 305) sleep 0.1 \
        mousemove $(at 200 310) sleep 0.1 mouseup 1
}

case_window_has_the_client_area_under_a_menu_bar() {
    [ "$WIDTH" = 602 ] && [ "$menu_height" -gt 0 ] ||
        fail "window is $WIDTH x $HEIGHT, expected 602 wide and 504 plus the menu bar high"
}

case_start_shows_the_flat_curve() {
    shows_replay "" flat || fail "the start differs from the replay tool's picture"
}

case_drag_shows_the_replay_tools_picture() {
    drag
    shows_replay "$DRAG" drag || fail "the drag (200,300) to (200,310) differs from the replay tool's picture"
}

# A release outside the window is not seen: back over the client area with
# no button held, the drag goes on until a release inside.
case_release_outside_is_not_seen() {
    drag
    xdotool mousemove $(at 400 250) mousedown 1 sleep 0.1 mousemove $(at 400 230) sleep 0.1 \
        mousemove $(at 400 700) sleep 0.1 mouseup 1 sleep 0.1 mousemove $(at 400 280) sleep 0.1 click 1
    shows_replay "${DRAG}down 400 250\nmove 400 230\nmove 400 280\ndown 400 280\nup 400 280\n" outside ||
        fail "after a release outside the picture differs from the replay tool's"
    save_doc qt-main
}

case_right_button_and_other_keys_change_nothing() {
    drag
    shows_replay "$DRAG" before || { fail "the drag before did not show"; return; }
    xdotool mousemove $(at 300 250) mousedown 3 sleep 0.1 mousemove $(at 300 150) sleep 0.1 mouseup 3
    xdotool windowfocus --sync "$main" 2>/dev/null
    xdotool key --delay 30 a Return space F1
    sleep 0.3
    settles_to "$work/before-replay.png" unchanged || fail "a right-button drag or a key other than Esc changed the picture"
    kill -0 "$qt_pid" 2>/dev/null || fail "the program ended"
}

# open_about: clicks the menu command; sets about (the dialog's id) and
# dialog (its rectangle as a crop) once the dialog is shown.
open_about() {
    xdotool mousemove $((X + 60)) $((Y + menu_height / 2)) click 1
    about=$(wait_window 'Acerca de\.\.\.') || return 1
    sleep 0.5
    geometry "$about"
    dialog=${WIDTH}x${HEIGHT}+$X+$Y
    shot "$work/screen.png"
}

case_menu_command_opens_the_dialog_that_only_enter_closes() {
    open_about || { fail "the menu command opened no dialog 'Acerca de...'"; return; }
    save_doc qt-about
    xdotool windowfocus --sync "$about" 2>/dev/null
    xdotool key Escape
    sleep 0.5
    [ -n "$(find_window 'Acerca de\.\.\.')" ] || { fail "Esc closed the dialog"; return; }
    xdotool key Return
    for _ in $(seq 30); do
        [ -z "$(find_window 'Acerca de\.\.\.')" ] && return
        sleep 0.1
    done
    fail "Enter did not close the dialog"
}

case_dialog_shows_the_windows_programs_dialog() {
    # The dialog's text is Wine's own MS Sans Serif, which the build reads
    # from fonts-wine; without it the dialog takes a substitute font.
    local font_dir
    font_dir=$(sed -n 's/^BRISQUAL_WINE_FONT_DIR:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
    [ -f "${font_dir:-/usr/share/wine/fonts}/ms_sans_serif.ttf" ] ||
        skip "Wine's MS Sans Serif (fonts-wine) is not installed, so the dialog's text cannot match"
    open_about || { fail "the menu command opened no dialog"; return; }
    crop "$work/screen.png" "$dialog" "$out/about-dialog.png"
    [ "$(differing "$out/about-dialog.png" "$root/tests/data/golden/about-dialog-wine.png" about-dialog)" = 0 ] ||
        fail "the dialog differs from the Windows program's dialog ($out/about-dialog.png)"
}

case_esc_ends_the_program_with_status_0() {
    xdotool mousemove $(at 100 100)
    xdotool windowfocus --sync "$main" 2>/dev/null
    xdotool key Escape
    for _ in $(seq 50); do
        kill -0 "$qt_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$qt_pid" 2>/dev/null && { fail "Esc did not end the program"; return; }
    wait "$qt_pid"
    local status=$?
    qt_pid=
    [ "$status" = 0 ] || fail "the program ended with status $status"
}

run_cases "$@"
