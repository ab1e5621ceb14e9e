# Sourced by the Qt end-to-end and capture scripts: starts Xvfb on the first
# free display from $display_number on, logging to $work/xvfb.log; sets
# DISPLAY and xvfb_pid (empty when no display could be had).
start_xvfb() {
    local n
    xvfb_pid=
    for n in $(seq "$display_number" $((display_number + 20))); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            xdpyinfo -display ":$n" >/dev/null 2>&1 && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        if xdpyinfo -display ":$n" >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=
    done
    return 1
}
