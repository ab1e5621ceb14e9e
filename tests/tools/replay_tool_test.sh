#!/usr/bin/env bash
# The replay tool from the outside: its outputs agree with one another for
# every option it accepts; bad input gets a message and a non-zero exit and
# changes nothing; whatever it writes to is replaced whole, written straight
# through, or refused, and never left half-written. The curve's numbers are
# the unit tests' business: here the tool is its own oracle.
#
# usage: replay_tool_test.sh --list | CASE BRISQUAL-REPLAY VERSION MANUAL
#   (MANUAL: the configured brisqual-replay.1)
. "$(dirname "${BASH_SOURCE[0]}")/../harness/cases.sh"

# Each case runs in a scratch folder holding a kept script (drag.txt) and
# the tool's own single outputs of it: state.json, ops.txt and ref.png.
setup() {
    replay=$(realpath "$1") version=${2:-} manual=${3:+$(realpath "$3")}
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    scripts=$root/tests/data/events
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cd "$work" || return 1
    cp "$scripts/drag-example.events" drag.txt
    "$replay" --state drag.txt >state.json && "$replay" --ops drag.txt >ops.txt &&
        "$replay" --png ref.png drag.txt
}

png_size() {   # WxH from the header, or nothing when it is no PNG
    [ "$(head -c 8 "$1" | od -An -tx1)" = " 89 50 4e 47 0d 0a 1a 0a" ] &&
        head -c 24 "$1" | tail -c 8 | od -An -tu4 --endian=big | awk '{print $1 "x" $2}'
}

no_temporary_left() {
    local left=(.brisqual-*)
    [ -e "${left[0]}" ] && fail "temporary file left behind: ${left[*]}"
}

# The three outputs on their own: JSON of the expected shape, listed drawing
# operations, a PNG of the client area's size.
case_outputs_have_their_forms() {
    python3 - state.json <<'PY' || fail "state JSON"
import json, math, sys
s = json.load(open(sys.argv[1]))
assert sorted(s) == ["curve", "drag", "integral", "mean", "step_width", "theorem"], sorted(s)
for key in ("curve", "integral"):
    assert len(s[key]) == 301 and all(type(v) in (int, float) and math.isfinite(v) for v in s[key]), key
assert all(type(s[key]) in (int, float) for key in ("mean", "step_width"))
assert sorted(s["drag"]) == ["active", "anchor", "last_y", "next_pulse_shape", "next_pulse_width", "pulse_shape",
                             "pulse_width"]
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
# the reason, and stays as it was. Standard output goes before a stream
# (here the full device), so the state is printed before that one fails.
case_png_targets_refused() {
    full=/dev/full
    if [ "$(id -u)" = 0 ] && mknod full c 1 7; then full=$work/full; fi
    mkdir folder
    while IFS='|' read -r target reason printed; do
        "$replay" --png "$target" --state drag.txt >stdout 2>stderr
        status=$?
        [ "$status" = 1 ] || fail "--png $target: exit $status, expected 1"
        if [ "$printed" = yes ]; then
            cmp -s stdout state.json || fail "--png $target: the state not printed first"
        else
            [ -s stdout ] && fail "--png $target: printed the state all the same"
        fi
        grep -qF -- "$target" stderr && grep -qF "$reason" stderr || fail "--png $target: $(cat stderr)"
    done <<TARGETS
$full|No space left on device|yes
folder|Is a directory|no
missing/pic.png|No such file or directory|no
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
pulse 4 19
pulse 0 0
pulse 0 61
pulse -1 5
pulse 1 x
pulse 1
pulse 1 2 3
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
--size 10x10 --size 20x20 --png a.png drag.txt
--png /dev/stdout --state drag.txt
--png /proc/self/fd/1 --link drag.txt
drag.txt extra.txt
OPTIONS
    for file in a.png b.png -; do [ -e "$file" ] && fail "a refused command line wrote $file"; done
    "$replay" missing.txt >/dev/null 2>stderr && fail "missing script accepted"
    grep -q 'missing.txt: No such file' stderr || fail "missing script not named: $(cat stderr)"
    "$replay" --help | grep -q '16384.*1 GiB' || fail "--help does not state the size limit and its memory"
    for args in --help -h --version; do
        "$replay" $args >/dev/full 2>stderr
        [ $? = 1 ] && grep -q 'cannot write standard output: No space' stderr || fail "$args to a full device"
    done
    [ "$("$replay" --version)" = "brisqual-replay $version" ] || fail "--version: $("$replay" --version)"
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
# up on a full pipe, or written to a closed one) leaves nothing behind, and
# a file-size limit is a failed write, reported, not a signal.
case_signals_and_limits_leave_no_file() {
    (ulimit -f 4 && "$replay" --size 2000x2000 --png big.png drag.txt) 2>stderr
    [ $? = 1 ] && grep -q 'File too large' stderr || fail "past the file-size limit: $(head -c 300 stderr)"
    [ -e big.png ] && fail "past the file-size limit: big.png created"
    no_temporary_left
    python3 - "$replay" <<'PY' || fail "signals"
import os, resource, signal, subprocess, sys, time
replay, failed = sys.argv[1], False
def child(sig):
    signal.signal(sig, signal.SIG_DFL)
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))   # SIGQUIT would dump core
for sig in (signal.SIGHUP, signal.SIGINT, signal.SIGPIPE, signal.SIGQUIT, signal.SIGTERM):
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
                         preexec_fn=lambda: child(sig))
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

# The names of standard output (and of other descriptors) are written to
# the descriptor, at its place, under the rules of '-': a regular file
# behind them keeps what it held, and is never replaced.
case_descriptor_names_written_in_place() {
    for name in - /dev/stdout /dev/fd/1 /proc/self/fd/1; do
        printf 'kept\n' >held
        "$replay" --png "$name" drag.txt >>held || fail "--png $name exited $?"
        { printf 'kept\n'; cat ref.png; } | cmp -s - held || fail "--png $name into a file lost what it held"
    done
    printf 'kept\n' >held
    "$replay" --png /dev/fd/3 --state drag.txt 3>>held >stdout || fail "--png /dev/fd/3 exited $?"
    { printf 'kept\n'; cat ref.png; } | cmp -s - held && cmp -s stdout state.json || fail "--png /dev/fd/3"
    "$replay" --png /dev/fd/7 --state drag.txt 7>&- >stdout 2>stderr
    [ $? = 1 ] && [ ! -s stdout ] && grep -q '/dev/fd/7: Bad file descriptor' stderr ||
        fail "a closed descriptor: $(cat stderr)"
}

# A PNG written through to a stream goes after standard output, so that a
# failure of standard output sends none of it.
case_png_stream_follows_standard_output() {
    bytes=$({ "$replay" --state --png /dev/fd/3 drag.txt 3>&1 >/dev/full 2>stderr; echo $? >status; } | wc -c)
    [ "$(cat status)" = 1 ] || fail "standard output failed, yet exit $(cat status)"
    [ "$bytes" = 0 ] || fail "$bytes bytes of PNG went out before standard output failed"
    "$replay" --state --png /dev/fd/3 drag.txt 3>pic.png >stdout && cmp -s pic.png ref.png &&
        cmp -s stdout state.json || fail "the state and a streamed PNG together"
}

# Non-blocking standard input and output: the tool waits for them.
case_nonblocking_streams_waited_for() {
    python3 - "$replay" <<'PY' || fail "non-blocking streams"
import os, subprocess, sys, time
replay, failed = sys.argv[1], False
script = open("drag.txt", "rb").read()
# Input: an empty pipe, filled later.
r, w = os.pipe()
os.set_blocking(r, False)
p = subprocess.Popen([replay, "--state"], stdin=r, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
os.close(r)
time.sleep(0.3)
os.write(w, script)
os.close(w)
out, err = p.communicate(timeout=20)
if p.returncode != 0 or out != open("state.json", "rb").read():
    print("non-blocking input: exit %d: %s" % (p.returncode, err[:300]))
    failed = True
# Output: a full pipe, drained later.
for args, expected in ((["--ops"], "ops.txt"), (["--png", "-"], "ref.png")):
    r, w = os.pipe()
    os.set_blocking(w, False)
    filled = 0
    try:
        while True:
            filled += os.write(w, b"x" * 4096)
    except BlockingIOError:
        pass
    p = subprocess.Popen([replay] + args + ["drag.txt"], stdout=w, stderr=subprocess.PIPE)
    os.close(w)
    time.sleep(0.3)
    data = b""
    while True:
        chunk = os.read(r, 65536)
        if not chunk:
            break
        data += chunk
    os.close(r)
    err = p.stderr.read()
    p.wait(timeout=20)
    if p.returncode != 0 or data[filled:] != open(expected, "rb").read():
        print("non-blocking output %s: exit %d: %s" % (args, p.returncode, err[:300]))
        failed = True
sys.exit(failed)
PY
}

# Option and file names in messages are cut short and escaped as bad lines
# are: no control byte reaches the terminal, and 100 KB of name is not echoed.
case_names_in_messages_cut_and_escaped() {
    local -
    set -f   # the names hold '['
    long=$(printf 'x%.0s' $(seq 100000)) esc=$'\e]0;owned\a\e[2J'
    while IFS='|' read -r status args; do
        args=${args//LONG/$long} args=${args//ESC/$esc}
        # shellcheck disable=SC2086
        "$replay" $args </dev/null >/dev/null 2>stderr
        got=$?
        what=$(head -c 60 <<<"$args" | cat -v)
        [ "$got" = "$status" ] || fail "'$what...': exit $got, expected $status"
        [ "$(head -n 1 stderr | wc -c)" -lt 300 ] || fail "'$what...': a message of $(head -n 1 stderr | wc -c) bytes"
        LC_ALL=C grep -q '[[:cntrl:]]' stderr && fail "'$what...': control bytes in the message"
        grep -qF '\x1B]0;owned' stderr || grep -qF 'xxx...' stderr || fail "'$what...': the name not shown: $(head -c 300 stderr)"
    done <<'ARGS'
2|--ESC
2|--LONG
1|ESC.txt
1|LONG.txt
1|--png missingESC/pic.png drag.txt
1|--png missing/LONG.png drag.txt
ARGS
}

# A stray CR is a bad line, in a comment too, and so is a key that is not
# one: a misspelt Esc must not pass as some other key.
case_stray_bytes_and_unknown_keys_refused() {
    while IFS='|' read -r status line; do
        printf 'down 200 300\n%b\nmove 200 310\n' "$line" >keys.txt
        "$replay" keys.txt >/dev/null 2>stderr
        got=$?
        [ "$got" = "$status" ] || fail "'$line': exit $got, expected $status: $(cat stderr)"
        [ "$status" = 2 ] && { grep -q 'keys.txt:2: ' stderr || fail "'$line': not named: $(cat stderr)"; }
    done <<'LINES'
2|# a comment\r with a CR
2|up 200 300 # a\rb
2|key ESC
2|key Escape
2|key escape
2|key A
2|key 10
0|key a
0|key 7
0|key esc
LINES
}

# --link leaves out what a link cannot hold or need: keys, and moves that
# change nothing (without a drag, or without vertical motion).
case_link_leaves_out_what_changes_nothing() {
    printf '%s\n' 'move 200 300' 'down 200 300' 'move 200 300' 'move 250 310' 'move 260 310' 'key a' \
        'up 260 310' 'move 200 400' >moves.txt
    [ "$("$replay" --link moves.txt)" = '#d200.300m250.310u260.310' ] || fail "--link: $("$replay" --link moves.txt)"
}

# Every kept script, as a link read back, draws what the script draws.
case_kept_scripts_survive_a_link() {
    for script in "$scripts"/*.events "$scripts"/pulse/*.events; do
        "$replay" --link "$script" | "$replay" --from-link --ops >from-link.txt &&
            "$replay" --ops "$script" | cmp -s - from-link.txt || fail "$(basename "$script") through a link"
    done
}

# A fragment of up to 2,095,104 characters leaves room for the page's
# address in the 2,097,152 a browser opens; one more is refused, and
# nothing is written.
case_link_longer_than_browsers_open_refused() {
    # 7 characters, 104,754 pairs of moves of 20, one of 12, and the last.
    long_script() { echo 'down 300 1'; yes $'move 65535 65535\nmove 65535 1' | head -n 209509; echo "move 1 $1"; }
    long_script 10 >long.txt
    "$replay" --link-form events long.txt >link.txt || fail "a fragment of 2,095,104 characters refused"
    [ "$(wc -c <link.txt)" = 2095105 ] || fail "expected 2,095,104 characters, got $(($(wc -c <link.txt) - 1))"
    long_script 100 >long.txt
    "$replay" --link-form events --png long.png long.txt >link.txt 2>stderr
    status=$?
    [ "$status" = 2 ] && [ ! -s link.txt ] && [ ! -e long.png ] && grep -q '2095104' stderr ||
        fail "a fragment of 2,095,105 characters: exit $status: $(head -c 300 stderr)"
}

# The state form holds the curve whatever its history: every kept script's
# comes back from a link to the same curve and the same state form, to the
# bit; --link takes it where it is the shorter, so the longest work still
# has a link; and a pulse chosen after the last press is kept in either form.
case_state_form_round_trips_bit_for_bit() {
    for script in "$scripts"/*.events "$scripts"/pulse/*.events; do
        printf '%s\npulse 2 30\n' "$(cat "$script")" >script.txt
        "$replay" --link-form state script.txt >state.link &&
            "$replay" --from-link --link-form state state.link | cmp -s - state.link ||
            fail "$(basename "$script"): the state form read back writes otherwise"
        for link in state.link <("$replay" --link-form events script.txt); do
            "$replay" --from-link --state "$link" | python3 -c '
import json, sys
a, b = (json.load(open(f)) for f in sys.argv[1:])
same = lambda u, v: json.dumps(u) == json.dumps(v)
sys.exit(0 if same(a["curve"], b["curve"]) and same(a["theorem"], b["theorem"]) and
         (a["drag"]["next_pulse_shape"], a["drag"]["next_pulse_width"]) == (2, 30) ==
         (b["drag"]["next_pulse_shape"], b["drag"]["next_pulse_width"]) else 1)' /dev/stdin \
                <("$replay" --state script.txt) || fail "$(basename "$script"): $link differs from the script"
        done
    done
    long_script() { echo 'down 300 1'; yes $'move 65535 65535\nmove 65535 1' | head -n 209509; echo "move 1 100"; }
    long_script >long.txt
    "$replay" --link long.txt >link.txt || fail "the longest work has no link"
    [ "$(head -c 2 link.txt)" = "#s" ] && [ "$(wc -c <link.txt)" -le 3237 ] ||
        fail "--link of long work: $(head -c 40 link.txt)... $(wc -c <link.txt) characters"
    "$replay" --from-link --link-form events link.txt >/dev/null 2>&1
    [ $? = 2 ] || fail "a curve from samples written as events"
}

# A link is read as the page reads its address: any address before '#',
# percent escapes, line breaks and tabs dropped, blanks at the ends. A
# link that ends in a drag lets go of it, as the page does.
case_links_read_as_the_page_reads_them() {
    plain='#d200.300m200.310u200.310'
    "$replay" --state drag.txt >expected.json
    while IFS= read -r link; do
        printf '%b' "$link" | "$replay" --from-link --state >got.json 2>stderr &&
            cmp -s got.json expected.json || fail "'$link': $(cat stderr)"
    done <<LINKS
$plain
file:///usr/share/brisqual/brisqual.html$plain\\n
http://127.0.0.1:8000/brisqual.html?view=classic#d200.300m200.310u200.310
  #%64200.300m200%2E310u200.310 \\r\\n
#d200.300\\nm200.3\\t10u200.310\\n
#d00200.00300m200.310u200.310
LINKS
    printf '#' | "$replay" --from-link | cmp -s - <("$replay" </dev/null) || fail "'#' is not the flat curve"
    for address in d200.300 file:///usr/share/brisqual/brisqual.html; do
        printf '%s' "$address" | "$replay" --from-link --state | cmp -s - \
            <("$replay" --state "$scripts/pulse/preset-hill.events") || fail "'$address' is not the first prepared curve"
    done
    printf '#d200.300m200.310' | "$replay" --from-link --state | grep -q '"active": 0' ||
        fail "a link ending in a drag leaves it held"
    while IFS= read -r link; do
        printf '%b' "$link" >bad.link
        "$replay" --from-link --state --png bad.png bad.link >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] && [ ! -s stdout ] && [ ! -e bad.png ] && grep -qE "bad.link: .*(character|no '#')" stderr ||
            fail "'$link': exit $status: $(head -c 300 stderr)"
    done <<'LINKS'
#d200.300m200.310u200.31x
#d200.300 m200.310
#d70000.1
#d1.123456
#d123456.1
#d1.2%6
#d1.2%zz
#D200.300
#d200.
#d200.300#
#d1.2%C3%A9
#p4.19d200.300
#p0.0
#p0.61
#p1
#p1.
#P1.19
LINKS
}

# Event files with pulse lines, and the kept scripts, as a model written
# again from the description replays them: --state to the bit, --link, and
# the link read back.
case_pulses_replayed_as_an_independent_model_does() {
    python3 "$root/tests/tools/pulse_model.py" "$replay" "$scripts"/pulse/*.events "$scripts"/*.events ||
        fail "the replay tool and the model disagree"
}

# A link that ends inside a drag: --from-link --link writes the release the
# page adds, at the last point the link keeps.
case_link_ending_in_a_drag_written_with_its_release() {
    while IFS='|' read -r link expected; do
        got=$(printf '%s' "$link" | "$replay" --from-link --link) && [ "$got" = "$expected" ] ||
            fail "'$link' gives '$got', expected '$expected'"
    done <<'LINKS'
#d200.300m200.310|#d200.300m200.310u200.310
#d200.300m200.310m250.310|#d200.300m200.310u200.310
#d200.300|#d200.300u200.300
#p1.5d200.300m200.310u200.310d300.1|#p1.5d200.300m200.310u200.310d300.1u300.1
#d200.300u200.300d700.1|#d200.300u200.300d700.1
LINKS
}

# An address of up to 2,097,152 characters, as a browser holds it (tabs and
# line breaks dropped, blanks at the ends trimmed, one inside escaped as
# %20), is read; one more is refused, and nothing is written.
case_from_link_longer_than_browsers_open_refused() {
    python3 - <<'PY' || fail "making the addresses"
limit, events = 2097152, "#d200.300m200.310u200.310"
def address(extra=0, inside=""):
    path = "a" * (limit - len("http://h/") - len(events) - len(inside) * 3 + extra)
    return "http://h/" + inside + path + events
open("at-limit.link", "w").write("  " + address()[:30] + "\t\n" + address()[30:] + " \r\n")
open("over.link", "w").write(address(1))
open("blank-inside.link", "w").write(address(1, " "))
PY
    "$replay" --from-link --state at-limit.link >got.json && cmp -s got.json state.json ||
        fail "an address of 2,097,152 characters refused or misread"
    for link in over.link blank-inside.link; do
        "$replay" --from-link --state --png long.png "$link" >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] && [ ! -s stdout ] && [ ! -e long.png ] && grep -q '2097152' stderr ||
            fail "$link: exit $status: $(head -c 300 stderr)"
    done
}

# The theorem object of every kept script and prepared curve, and of one with an interval
# line (the last of two), agrees with exact arithmetic on its samples
# (tests/tools/theorem_exact.py, which also checks its keys).
case_theorem_agrees_with_exact_arithmetic() {
    for script in "$scripts"/*.events "$scripts"/pulse/preset-*.events "$root/tests/data/theorem/interval.events"; do
        case $script in *interval.events) interval="40 120" ;; *) interval="0 300" ;; esac
        "$replay" --state "$script" >theorem.json || fail "$(basename "$script"): exit $?"
        # shellcheck disable=SC2086
        python3 "$root/tests/tools/theorem_exact.py" theorem.json $interval || fail "$(basename "$script")"
    done
}

# Each curve a prediction lesson offers agrees with exact arithmetic, and
# there the mean and what students mistake for it lie at least two and a
# half judging tolerances apart, so that feedback can name every mistake.
case_prediction_curves_tell_every_mistake_apart() {
    sed -n '/PredictCurves/,/};/p' "$root/model/prepared_curves.h" | grep -o '"[^"]*"' | tr -d '"' >predict.txt
    [ "$(wc -l <predict.txt)" -ge 4 ] || fail "fewer than four prediction curves"
    while IFS= read -r link; do
        printf '#%s' "$link" | "$replay" --from-link --state >theorem.json || fail "$link: exit $?"
        # shellcheck disable=SC2046
        python3 "$root/tests/tools/theorem_exact.py" theorem.json $(printf '%s' "$link" | sed 's/.*i\([0-9]*\)\.\([0-9]*\)$/\1 \2/') ||
            fail "$link"
        python3 -c '
import itertools, json, sys
t = json.load(open("theorem.json"))["theorem"]; m = t["mistaken_means"]
values = [t["mean"]] + [m[k] for k in ("ends_average", "extremes_average", "middle_value", "secant_slope")]
sys.exit(min(abs(p - q) for p, q in itertools.combinations(values, 2)) < 2.5 * m["tolerance"])' ||
            fail "$link: two of the mean and its mistakes lie too near"
    done <predict.txt
}

# The interval changes nothing in the picture; it travels in a link, where
# the last one holds too, and comes back from it.
case_interval_travels_in_a_link_and_changes_no_picture() {
    printf 'interval 0 10\n%s\ninterval 40 120\n' "$(cat drag.txt)" >interval.txt
    "$replay" --ops interval.txt | cmp -s - ops.txt || fail "the interval changed the operations"
    "$replay" --png interval.png interval.txt && cmp -s interval.png ref.png || fail "the interval changed the picture"
    [ "$("$replay" --link interval.txt)" = '#i0.10d200.300m200.310u200.310i40.120' ] ||
        fail "--link: $("$replay" --link interval.txt)"
    "$replay" --link interval.txt | "$replay" --from-link --state >from-link.json &&
        "$replay" --state interval.txt | cmp -s - from-link.json || fail "the interval lost in a link"
    grep -q '"interval": \[40, 120\]' from-link.json || fail "not the last interval: $(grep -o '"interval": [^]]*]' from-link.json)"
}

# A bad interval is a bad line or a bad link: exit 2, named, nothing written.
case_bad_intervals_refused() {
    while IFS= read -r bad; do
        printf 'down 200 300\n%s\nup 200 310\n' "$bad" >bad.txt
        "$replay" --state --png bad.png bad.txt >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] && [ ! -s stdout ] && [ ! -e bad.png ] && grep -qF "bad.txt:2: " stderr &&
            grep -qF -- "$bad" stderr || fail "'$bad': exit $status: $(cat stderr)"
    done <<'BAD'
interval 5 5
interval 6 5
interval 0 301
interval 1
interval 1 2 3
interval -1 3
interval 1.5 3
interval 99999 100000
BAD
    while IFS= read -r link; do
        printf '%s' "$link" >bad.link
        "$replay" --from-link --state --png bad.png bad.link >stdout 2>stderr
        status=$?
        [ "$status" = 2 ] && [ ! -s stdout ] && [ ! -e bad.png ] && grep -q "bad.link: .*interval.*character" stderr ||
            fail "'$link': exit $status: $(head -c 300 stderr)"
    done <<'LINKS'
#d200.300i5.5
#i6.5
#i0.301
#i0.70000
LINKS
    printf '#i1.' | "$replay" --from-link >/dev/null 2>&1
    [ $? = 2 ] || fail "'#i1.' accepted"
}

# The usage is written once, in --help: docs/replay-tool.md shows it whole, and the
# manual page's synopsis and options follow it.
case_usage_documented_alike() {
    "$replay" --help >help.txt
    awk '/^usage: brisqual-replay/ { on = 1 } on && /^```/ { exit } on' "$root/docs/replay-tool.md" |
        diff help.txt - >/dev/null || fail "docs/replay-tool.md's usage differs from --help"
    page=$(sed 's/\\-/-/g' "$manual")
    options() { grep -oE -- '(^|[][ |])--?[a-z][a-z-]*' | sed 's/^[][ |]//' | grep -vx -- -h; }
    [ "$(sed -n '/^usage:/,/^$/p' help.txt | options)" = "$(sed -n '/^\.SH SYNOPSIS/,/^\.SH/p' <<<"$page" | options)" ] ||
        fail "the manual's synopsis differs from --help"
    for option in $(grep -oE -- '^  (-h, )?--?[a-z][a-z-]*' help.txt | grep -oE -- '--?[a-z-]+$'); do
        grep -A1 '^\.TP' <<<"$page" | grep -qE -- "^\.B[IR]? .*$option( |$)" || fail "the manual lacks $option"
    done
    grep -A1 '^\.TP' <<<"$page" | grep -q -- '-h.*--help' || fail "the manual lacks -h"
    for status in 0 1 2; do
        grep -A1 '^\.TP' <<<"$page" | grep -qx "\.B $status" || fail "the manual lacks exit status $status"
    done
}

run_cases "$@"
