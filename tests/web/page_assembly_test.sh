#!/usr/bin/env bash
# Putting the page together (shell/web/make_page.py) when a part is wrong: a
# clear message, a non-zero exit, and the page built before left as it was.
# One case for each kind of fault.
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/harness/cases.sh"

setup() {
    esbuild=$1 module=$2 template=$3 icon=$4
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp -r "$root/shell/web/page" "$work/page"
    echo "the page built before" >"$work/brisqual.html"
}

# Runs make_page.py with the arguments (ESBUILD and PAGE_DIR first, the
# build's own parts filled in where they are "-"), then checks its status,
# its message and the page left in place.
assemble() {
    local status=$1 text=$2 esb=$3 dir=$4 mod=${5:--} out got
    [ "$mod" = - ] && mod=$module
    out=$(timeout 60 /usr/bin/python3 "$root/shell/web/make_page.py" "$esb" "$dir" "$mod" "$template" "$icon" - 6 13 \
          "$work/brisqual.html" 2>&1)
    got=$?
    [ "$got" = "$status" ] || fail "exit $got, expected $status: $out"
    case "$out" in *"$text"*) ;; *) fail "no '$text' in: $(echo "$out" | head -c 400)" ;; esac
    [ "$(cat "$work/brisqual.html")" = "the page built before" ] || fail "the page built before was overwritten"
    [ ! -e "$work/brisqual.html.tmp" ] || fail "a half-written page was left behind"
}

case_module_that_does_not_parse() {
    echo "export function broken( {" >>"$work/page/classroom/words.js"
    assemble 1 "esbuild failed on" "$esbuild" "$work/page"
}

case_import_of_a_missing_module() {
    sed -i '1a import { gone } from "./no-such-module.js";' "$work/page/main.js"
    assemble 1 "no-such-module.js" "$esbuild" "$work/page"
}

case_markup_without_its_script_placeholder() {
    sed -i 's/@SCRIPT@//' "$work/page/page.html"
    assemble 1 "@SCRIPT@ 0 times" "$esbuild" "$work/page"
}

case_no_esbuild() {
    assemble 1 "cannot run esbuild" "$work/no-esbuild" "$work/page"
}

case_missing_webassembly_module() {
    assemble 1 "No such file" "$esbuild" "$work/page" "$work/no-module.wasm"
}

run_cases "$@"
