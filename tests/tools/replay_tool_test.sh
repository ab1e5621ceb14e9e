#!/usr/bin/env bash
# The replay tool from the outside: its outputs agree with one another for
# every option it accepts; bad input gets a message and a non-zero exit and
# changes nothing; whatever it writes to is replaced whole, written straight
# through, or refused, and never left half-written. The curve's numbers are
# the unit tests' business: here the tool is its own oracle.
#
# usage: replay_tool_test.sh --list | CASE BRISQUAL-REPLAY
. "$(dirname "${BASH_SOURCE[0]}")/../harness/cases.sh"

# Each case runs in a scratch folder holding a kept script (drag.txt) and
# the tool's own single outputs of it: state.json, ops.txt and ref.png.
setup() {
    replay=$(realpath "$1")
    scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data/scripts" && pwd)
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cd "$work" || return 1
    cp "$scripts/drag-example.txt" drag.txt
    "$replay" --state drag.txt >state.json && "$replay" --ops drag.txt >ops.txt &&
        "$replay" --png ref.png drag.txt
}

png_size() {   # WxH from the header, or nothing when it is no PNG
    [ "$(head -c 8 "$1" | od -An -tx1)" = " 89 50 4e 47 0d 0a 1a 0a" ] &&
        head -c 24 "$1" | tail -c 8 | od -An -tu4 --endian=big | awk '{print $1 "x" $2}'
}

no_temporary_left() {
    ls -A | grep -q '^\.brisqual-' && fail "temporary file left behind"
}

# The three outputs on their own: JSON of the expected shape, listed drawing
# operations, a PNG of the client area's size.
case_outputs_have_their_forms() {
    python3 - state.json <<'PY' || fail "state JSON"
import json, math, sys
s = json.load(open(sys.argv[1]))
assert sorted(s) == ["curve", "drag", "integral", "mean", "step_width"], sorted(s)
for key in ("curve", "integral"):
    assert len(s[key]) == 301 and all(type(v) in (int, float) and math.isfinite(v) for v in s[key]), key
assert all(type(s[key]) in (int, float) for key in ("mean", "step_width"))
assert sorted(s["drag"]) == ["active", "anchor", "last_y"]
assert all(type(v) is int for v in s["drag"].values()), s["drag"]
PY
    grep -Evq '^(pen (SOLID|DASH) [0-9]+ 0x[0-9A-F]{8}|line -?[0-9]+ -?[0-9]+ -?[0-9]+ -?[0-9]+)$' ops.txt &&
        fail "--ops: a line of neither form"
    [ "$(grep -c '^pen ' ops.txt)" = 5 ] || fail "--ops: expected a pen for each of the 5 passes"
    "$replay" --png alone.png drag.txt >stdout || fail "--png exited $?"
    [ -s stdout ] && fail "--png alone printed something"
    [ "$(png_size ref.png)" = 602x504 ] || fail "--png: not a 602x504 PNG"
    "$replay" --size 40x30 --png small.png drag.txt && [ "$(png_size small.png)" = 40x30 ] || fail "--size"
}

# Every combination agrees with the single outputs, and so do scripts that
# must read alike: from standard input, after '--', with lines after Esc
# (which are not read).
case_combined_outputs_agree() {
    cat state.json ops.txt >state+ops
    : >empty
    cp drag.txt ./-drag.txt
    { cat drag.txt; printf 'key esc\ndown 300 0\nmove 300 500\nwiggle\n'; } >esc.txt
    while IFS='|' read -r expected args; do
        rm -f out.png
        # shellcheck disable=SC2086
        "$replay" $args <drag.txt >stdout 2>stderr || fail "'$args': exit $?: $(head -c 300 stderr)"
        cmp -s stdout "$expected" || fail "'$args': standard output differs from $expected"
        case $args in *--png*) cmp -s out.png ref.png || fail "'$args': PNG differs" ;; esac
    done <<'RUNS'
state.json|
state.json|-
state.json|--state drag.txt
state+ops|--ops --state drag.txt
state+ops|--png out.png --state --ops drag.txt
empty|--png out.png drag.txt
ops.txt|--size 602x504 --ops --png out.png -- drag.txt
state.json|-- -drag.txt
state.json|esc.txt
RUNS
}

# Standard output, a pipe and a character device are written straight
# through and stay what they are; a symbolic link is followed. As root the
# device is a private one, so that a fault could never cost the system its
# own.
case_png_written_through_or_followed() {
    null=/dev/null
    if [ "$(id -u)" = 0 ] && mknod null c 1 3; then null=$work/null; fi
    "$replay" --png - drag.txt | cmp -s - ref.png || fail "--png - is not the PNG on standard output"
    "$replay" --png /dev/fd/1 drag.txt | cmp -s - ref.png || fail "--png /dev/fd/1 into a pipe"
    mkfifo fifo
    timeout 20 cat fifo >from-fifo.png &
    "$replay" --png fifo drag.txt || fail "--png to a named pipe exited $?"
    wait
    [ -p fifo ] && cmp -s from-fifo.png ref.png || fail "named pipe replaced, or the PNG not sent through it"
    "$replay" --png "$null" drag.txt && [ -c "$null" ] || fail "character device not written straight through"
    "$replay" --size 40x30 --png linked.png drag.txt && ln -s linked.png link.png
    "$replay" --png link.png drag.txt && [ -L link.png ] && cmp -s linked.png ref.png || fail "symbolic link not followed"
    no_temporary_left
}

# A directory, a full device or a missing folder is refused, naming it with
# the reason, and stays as it was.
case_png_targets_refused() {
    full=/dev/full
    if [ "$(id -u)" = 0 ] && mknod full c 1 7; then full=$work/full; fi
    mkdir folder
    while IFS='|' read -r target reason; do
        "$replay" --png "$target" --state drag.txt >stdout 2>stderr
        status=$?
        [ "$status" = 1 ] || fail "--png $target: exit $status, expected 1"
        [ -s stdout ] && fail "--png $target: printed the state all the same"
        grep -qF -- "$target" stderr && grep -qF "$reason" stderr || fail "--png $target: $(cat stderr)"
    done <<TARGETS
$full|No space left on device
folder|Is a directory
missing/pic.png|No such file or directory
TARGETS
    [ -c "$full" ] && [ -d folder ] && [ -z "$(ls folder)" ] || fail "a refused target was changed"
    no_temporary_left
}

# A run that fails changes no file: not on a bad line, not when standard
# output fails after the picture is made.
case_failed_run_changes_no_file() {
    "$replay" --size 40x30 --png keep.png drag.txt && cp keep.png keep.orig
    while IFS= read -r bad; do
        printf 'down 1 1\n\n%s\nup 1 1\n' "$bad" >bad.txt
        "$replay" --state --ops --png keep.png bad.txt >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] || fail "'$bad': exit $status, expected 2"
        [ -s stdout ] && fail "'$bad': printed to stdout"
        grep -qF "bad.txt:3: " stderr && grep -qF -- "$bad" stderr || fail "'$bad': line not named: $(cat stderr)"
    done <<'BAD'
wiggle 1 2
down 1
move 1 2 3
up 70000 1
down -1 5
move 1 y
key
BAD
    for args in --state --ops --link; do
        "$replay" "$args" --png keep.png drag.txt >/dev/full 2>stderr
        status=$?
        [ "$status" = 1 ] || fail "$args to a full device: exit $status, expected 1"
        grep -q 'standard output' stderr || fail "$args to a full device: $(cat stderr)"
    done
    cmp -s keep.png keep.orig || fail "a failed run replaced the PNG"
    no_temporary_left
}

# Bad options and sizes: exit 2, a message, nothing written. A size past
# the stated limit is refused before any memory is taken for it.
case_bad_command_lines_refused() {
    while IFS= read -r args; do
        # shellcheck disable=SC2086
        "$replay" $args </dev/null >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] || fail "'$args': exit $status, expected 2"
        [ -s stdout ] && fail "'$args': printed to stdout"
        grep -q '^usage:' stderr || fail "'$args': no usage message"
    done <<'OPTIONS'
--size 0x10 --png a.png drag.txt
--size 10x --png a.png drag.txt
--size x drag.txt
--size 10x10x drag.txt
--link --png - drag.txt
--size -5x5 drag.txt
--size 16385x10 --png a.png drag.txt
--size 10x99999999999999999999 --png a.png drag.txt
--bogus drag.txt
--png
--png - --state drag.txt
--png - --ops drag.txt
--png a.png --png b.png drag.txt
drag.txt extra.txt
OPTIONS
    for file in a.png b.png -; do [ -e "$file" ] && fail "a refused command line wrote $file"; done
    "$replay" missing.txt >/dev/null 2>stderr && fail "missing script accepted"
    grep -q 'missing.txt: No such file' stderr || fail "missing script not named: $(cat stderr)"
    "$replay" --help | grep -q '16384.*1 GiB' || fail "--help does not state the size limit and its memory"
}

# Hostile lines: a huge one is refused early and shown cut short, control
# bytes never reach the terminal.
case_hostile_lines_cut_and_escaped() {
    fields 4000000 >fields.txt
    printf 'down 1 1\nwiggle \033]0;owned\007 \033[2J\r\n' >escapes.txt
    for script in fields.txt escapes.txt; do
        "$replay" "$script" >/dev/null 2>stderr
        [ $? = 2 ] && grep -q ':[12]: ' stderr || fail "$script: not refused: $(head -c 300 stderr)"
        [ "$(wc -c <stderr)" -lt 300 ] || fail "$script: $(wc -c <stderr) bytes of message"
        LC_ALL=C grep -q '[[:cntrl:]]' stderr && fail "$script: control bytes in the message"
    done
}
fields() { printf 'down 1 1'; yes ' 1' | tr -d '\n' | head -c "$1"; echo; }

# Memory does not grow with the script, and running out of it is a message
# and exit 1, not an abort. (Address sanitizer builds cannot run under a
# small address-space limit.)
case_memory_bounded() {
    limit=60000   # KiB of address space
    if ! bash -c 'ulimit -v "$1" && "$2" --help; exit $?' probe $limit "$replay" >/dev/null 2>&1; then
        echo "note: memory limits not checked (the build needs more address space)"
        return
    fi
    { cat drag.txt; yes 'move 300 0' | head -n 5000000; } | (ulimit -v $limit && "$replay") >stdout 2>stderr &&
        cmp -s stdout state.json || fail "a 55 MB script in 60 MB: $(head -c 300 stderr)"
    fields 80000000 | (ulimit -v $limit && "$replay") >/dev/null 2>stderr
    [ "${PIPESTATUS[1]}" = 2 ] || fail "an 80 MB line in 60 MB: $(head -c 300 stderr)"
    (ulimit -v $limit && "$replay" --size 16384x16384 --png big.png drag.txt) 2>stderr
    [ $? = 1 ] && grep -q 'out of memory' stderr || fail "memory ran out unreported: $(head -c 300 stderr)"
}

# Files: a new picture takes the mode a new file gets, an existing one
# keeps its mode; a name of 255 bytes works; fsync comes before the rename.
case_files_keep_modes_and_sync() {
    while read -r mask before after; do
        rm -f mode.png
        [ "$before" = - ] || { : >mode.png && chmod "$before" mode.png; }
        (umask "$mask" && "$replay" --png mode.png drag.txt) || fail "mode $mask/$before: exit $?"
        [ "$(stat -c %a mode.png)" = "$after" ] || fail "umask $mask, was $before: mode $(stat -c %a mode.png)"
    done <<'MODES'
022 - 644
077 - 600
022 600 600
002 640 640
MODES
    long=$(printf 'n%.0s' {1..251}).png
    "$replay" --png "$long" drag.txt && cmp -s "$long" ref.png || fail "a 255-byte name"
    if command -v strace >/dev/null; then
        strace -o trace.txt -e trace=fsync,rename,renameat,renameat2 "$replay" --png sync.png drag.txt >/dev/null 2>&1
        grep -oE '^(fsync|rename)' trace.txt | tr '\n' ' ' | grep -qx 'fsync rename ' ||
            fail "no fsync before the rename: $(cat trace.txt)"
    fi
    no_temporary_left
}

# A run ended by a signal while its temporary file exists (the state held
# up on a full pipe, or written to a closed one) leaves nothing behind.
case_signals_leave_no_file() {
    python3 - "$replay" <<'PY' || fail "signals"
import os, signal, subprocess, sys, time
replay, failed = sys.argv[1], False
for sig in (signal.SIGHUP, signal.SIGINT, signal.SIGPIPE, signal.SIGTERM):
    folder = "signal-%d" % sig
    os.mkdir(folder)
    r, w = os.pipe()
    if sig == signal.SIGPIPE:
        os.close(r)
    else:
        os.set_blocking(w, False)
        for size in (4096, 1):
            try:
                while True:
                    os.write(w, b"x" * size)
            except BlockingIOError:
                pass
        os.set_blocking(w, True)
    p = subprocess.Popen([replay, "--state", "--png", folder + "/pic.png", "drag.txt"], stdout=w,
                         preexec_fn=lambda: signal.signal(sig, signal.SIG_DFL))
    os.close(w)
    if sig != signal.SIGPIPE:
        for _ in range(2000):
            if os.listdir(folder) or p.poll() is not None:
                break
            time.sleep(0.005)
        p.send_signal(sig)
    p.wait(timeout=20)
    if sig != signal.SIGPIPE:
        os.close(r)
    left = os.listdir(folder)
    if p.returncode != -sig or left:
        print("signal %d: exit %s, left %s" % (sig, p.returncode, left))
        failed = True
sys.exit(failed)
PY
}

run_cases "$@"
