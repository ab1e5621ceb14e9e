# Sourced by the project's commands: runs a long step with its output in a
# log, and says every PROGRESS_EVERY seconds (15) how far along it is, so
# that no phase of a command is silent for long.

PROGRESS_EVERY=${PROGRESS_EVERY:-15}

# with_progress LABEL LOG COMMAND...: COMMAND's output goes to LOG; its
# status is returned. While it runs, a line "  LABEL: <how far>" now and
# then, read from LOG by progress_of.
with_progress() {
    local label=$1 log=$2 pid waited=0 status
    shift 2
    "$@" >"$log" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        sleep 1
        waited=$((waited + 1))
        [ $((waited % PROGRESS_EVERY)) = 0 ] && kill -0 "$pid" 2>/dev/null &&
            echo "  $label: $(progress_of "$log"), $(minutes $waited) so far"
    done
    wait "$pid"
    status=$?
    return $status
}

minutes() {
    if [ "$1" -lt 60 ]; then echo "${1} s"; else echo "$(($1 / 60)) min $(($1 % 60)) s"; fi
}

# progress_of LOG: how far the step writing LOG is, from what its tool
# prints: ctest's "N/M Test", the build's "[ N%]", apt's unpacking and
# setting up, or else how long the log has grown.
progress_of() {
    local log=$1 line
    line=$(grep -aoE '^ *[0-9]+/[0-9]+ Test' "$log" 2>/dev/null | tail -n 1)
    if [ -n "$line" ]; then
        set -- $(echo "$line" | tr '/' ' ')
        echo "$1 of $2 tests done"
        return
    fi
    line=$(grep -aoE '^\[ *[0-9]+%\]' "$log" 2>/dev/null | tail -n 1 | tr -dc '0-9')
    if [ -n "$line" ]; then
        echo "built $line%"
        return
    fi
    line=$(grep -acE '^Unpacking ' "$log" 2>/dev/null)
    if [ "${line:-0}" -gt 0 ]; then
        local total set
        total=$(grep -aoE '[0-9]+ newly installed' "$log" | grep -oE '^[0-9]+')
        set=$(grep -acE '^Setting up ' "$log")
        echo "$line of ${total:-?} packages unpacked, $set set up"
        return
    fi
    line=$(grep -acE '^Get:[0-9]+ .*\.deb|^Get:[0-9]+ ' "$log" 2>/dev/null)
    if grep -qaE '^Need to get ' "$log" 2>/dev/null; then
        echo "$line packages downloaded of $(grep -aoE '[0-9]+ newly installed' "$log" | grep -oE '^[0-9]+')"
        return
    fi
    line=$(grep -acE '^(Get|Hit):' "$log" 2>/dev/null)
    if [ "${line:-0}" -gt 0 ]; then
        echo "$line files fetched"
        return
    fi
    echo "working ($(wc -l <"$log" 2>/dev/null || echo 0) lines in $log)"
}
