#!/usr/bin/env bash
# The Windows zip as users get it: made by CPack from the 32-bit Windows
# tree and checked from the outside; the tree's exe and LICENSE are the
# oracle. The first case makes the zip for the others (a ctest fixture).
#
# usage: zip_test.sh --list | CASE TREE VERSION OUT
. "$(dirname "${BASH_SOURCE[0]}")/../harness/cases.sh"

setup() {
    [ $# = 3 ] || { echo "zip_test.sh: expected TREE VERSION OUT" >&2; return 1; }
    tree=$(cd "$1" && pwd) version=$2 out=$3
    source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    zip=$out/brisqual-$version-win32.zip unpacked=$out/unpacked readme=$out/unpacked/LEEME-README.txt
    if [ "${case_name}" != made_by_cpack ] && [ ! -f "$zip" ]; then
        echo "no zip in $out: the case made_by_cpack makes it" >&2
        return 1
    fi
}
case_name=${1:-}

# CPack makes the zip under its name; it holds exactly the exe and the
# read-me, and the exe is the build's, byte for byte.
case_made_by_cpack() {
    rm -rf "$out" && mkdir -p "$out"
    (cd "$tree" && cpack -G ZIP -B "$out") >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "CPack"; return; }
    [ -f "$zip" ] || { fail "no $(basename "$zip") in: $(ls "$out")"; return; }
    listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
    [ "$listed" = "LEEME-README.txt brisqual.exe " ] || fail "the zip holds: $listed"
    unzip -q "$zip" -d "$unpacked" || fail "unzip failed"
    cmp "$unpacked/brisqual.exe" "$tree/brisqual.exe" || fail "brisqual.exe differs from the build's"
}

# Notepad on older Windows needs CR LF lines, and the BOM to read UTF-8.
case_readme_for_notepad() {
    [ "$(head -c 3 "$readme" | od -An -tx1)" = " ef bb bf" ] || fail "the read-me has no UTF-8 BOM"
    grep -q $'[^\r]$' "$readme" && fail "the read-me has lines without CR LF"
    grep -q "BRISQUAL $version" "$readme" && grep -q "Español" "$readme" && grep -q "English" "$readme" ||
        fail "the read-me is not in both languages, of version $version"
}

# The read-me states the licence with LICENSE's whole text, and gives the
# one command that lets Debian's Wine find its fonts in a user's prefix.
case_readme_states_licence_and_wine_fonts() {
    text=$(tr -d '\r' <"$readme")
    grep -qF "$(cat "$source_root/LICENSE")" <<<"$text" || fail "the read-me lacks LICENSE's text"
    [ "$(grep -c 'ln -sf /usr/share/wine/fonts/\* "${WINEPREFIX:-$HOME/.wine}/drive_c/windows/Fonts/"' <<<"$text")" = 2 ] ||
        fail "the read-me does not give the fonts command in both languages"
}

run_cases "$@"
