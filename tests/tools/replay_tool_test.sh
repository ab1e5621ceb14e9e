#!/usr/bin/env bash
# The replay tool from the outside: outputs for a good script, and for every
# kind of bad input a message naming the line, exit status 2, and no output.
set -u
replay=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A good script: the state as JSON, read back to the same numbers.
printf 'down 200 300\nmove 200 310\n' >"$work/drag.txt"
"$replay" --state "$work/drag.txt" >"$work/state.json" || fail "good script exited $?"
python3 - "$work/state.json" <<'PY' || fail "state JSON"
import json, sys
s = json.load(open(sys.argv[1]))
assert s["step_width"] == 6.283184 / 300, s["step_width"]
curve = s["curve"]
assert len(curve) == 301 and len(s["integral"]) == 301
assert all(curve[i] == (-0.09999999776482582 if 50 <= i <= 150 else 0.0) for i in range(301))
assert s["integral"][300] == -0.21153385660518334
assert s["mean"] == -0.21153385660518334 * 0.15915497620314795
assert s["drag"] == {"active": 1, "anchor": 100, "last_y": 310}, s["drag"]
PY

# The state is the default, and standard input serves as the script.
"$replay" <"$work/drag.txt" | cmp -s - "$work/state.json" || fail "default output differs from --state"
"$replay" - <"$work/drag.txt" | cmp -s - "$work/state.json" || fail "'-' does not read standard input"

# The drawing of one repaint.
"$replay" --ops "$work/drag.txt" >"$work/ops.txt" || fail "--ops exited $?"
[ "$(grep -c '^pen ' "$work/ops.txt")" = 5 ] || fail "--ops: expected 5 pens"
[ "$(grep -c '^line ' "$work/ops.txt")" = 608 ] || fail "--ops: expected 608 lines"
[ "$(head -n 1 "$work/ops.txt")" = "pen SOLID 2 0x000000FF" ] || fail "--ops: first pen"
grep -qx 'line 0 254 600 254' "$work/ops.txt" || fail "--ops: mean line at 254"
grep -qx 'pen DASH 1 0x0014BEC8' "$work/ops.txt" || fail "--ops: vertical grid pen"
grep -qx 'line 0 0 1 500' "$work/ops.txt" || fail "--ops: leaning grid line"

# A picture of the default size, and of a chosen one.
"$replay" --png "$work/out.png" "$work/drag.txt" >"$work/stdout" || fail "--png exited $?"
[ -s "$work/stdout" ] && fail "--png alone printed something"
python3 - "$work/out.png" 602 504 <<'PY' || fail "PNG header"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
w, h = struct.unpack(">II", data[16:24])
assert (w, h) == (int(sys.argv[2]), int(sys.argv[3])), (w, h)
PY
"$replay" --size 40x30 --png "$work/small.png" --state "$work/drag.txt" >/dev/null || fail "--size"
python3 - "$work/small.png" 40 30 <<'PY' || fail "--size PNG header"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert struct.unpack(">II", data[16:24]) == (int(sys.argv[2]), int(sys.argv[3]))
PY

# Esc ends the program: later lines are ignored.
printf 'down 200 300\nkey esc\nmove 200 400\nup 0 0\n' | "$replay" | grep -q '"active": 1, "anchor": 100, "last_y": 300' ||
    fail "events after Esc were replayed"

# Bad lines: exit 2, the line named on stderr, nothing on stdout, and an
# existing PNG left as it was.
cp "$work/out.png" "$work/keep.png"
while IFS= read -r bad; do
    printf 'down 1 1\n\n%s\nup 1 1\n' "$bad" >"$work/bad.txt"
    "$replay" --state --ops --png "$work/keep.png" "$work/bad.txt" >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ "$status" = 2 ] || fail "'$bad': exit $status, expected 2"
    [ -s "$work/stdout" ] && fail "'$bad': printed to stdout"
    grep -qF ":3:" "$work/stderr" || fail "'$bad': line number not named: $(cat "$work/stderr")"
    grep -qF -- "$bad" "$work/stderr" || fail "'$bad': line text not shown"
    cmp -s "$work/keep.png" "$work/out.png" || fail "'$bad': PNG changed"
done <<'BAD'
wiggle 1 2
down 1
move 1 2 3
up 70000 1
down -1 5
move 1 y
key
BAD
ls "$work" | grep -q 'keep.png.' && fail "temporary file left behind"

# Bad options and unwritable output.
for args in "--size 0x10" "--size 10x" "--size x" "--bogus" "--png" "a b"; do
    # shellcheck disable=SC2086
    "$replay" $args </dev/null >"$work/stdout" 2>"$work/stderr"
    [ $? = 2 ] || fail "'$args' not refused with 2"
    [ -s "$work/stdout" ] && fail "'$args' printed to stdout"
done
"$replay" "$work/missing.txt" >/dev/null 2>"$work/stderr" && fail "missing script accepted"
grep -q 'missing.txt' "$work/stderr" || fail "missing script not named"
"$replay" --png "$work/no/such/dir/x.png" "$work/drag.txt" 2>"$work/stderr" && fail "unwritable PNG reported as success"
[ -s "$work/stderr" ] || fail "unwritable PNG: no message"
"$replay" --help | grep -q '^usage: brisqual-replay' || fail "--help"

if [ "$failures" = 0 ]; then echo "replay tool: all checks passed"; fi
exit "$failures"
