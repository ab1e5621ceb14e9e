#!/usr/bin/env bash
# usage: xvfb.sh start DIR | xvfb.sh stop DIR
# The one way the tests get an X server: start runs a private Xvfb on a
# display that Xvfb itself chooses (-displayfd), waits until it answers,
# writes DIR/display and DIR/pid and prints the display; stop ends that
# Xvfb by its PID. ctest runs them as the setup and clean-up of a fixture.
set -u
usage() { echo "usage: xvfb.sh start DIR | xvfb.sh stop DIR" >&2; exit 2; }
[ $# = 2 ] || usage
dir=$2
case "$1" in
start)
    command -v Xvfb >/dev/null || { echo "xvfb.sh: Xvfb is not installed" >&2; exit 1; }
    mkdir -p "$dir"
    rm -f "$dir/display" "$dir/pid"
    exec 3>"$dir/displayfd"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
    pid=$!
    exec 3>&-
    for _ in $(seq 100); do
        n=$(head -n 1 "$dir/displayfd" 2>/dev/null)
        if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
            echo "$pid" >"$dir/pid"
            echo ":$n" >"$dir/display"
            echo ":$n"
            exit 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    echo "xvfb.sh: Xvfb did not start; see $dir/xvfb.log" >&2
    exit 1 ;;
stop)
    [ -f "$dir/pid" ] || exit 0
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    rm -f "$dir/pid" "$dir/display"
    exit 0 ;;
*) usage ;;
esac
