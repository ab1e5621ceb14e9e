#!/usr/bin/env bash
# The packages as users get them, built by CPack from a build tree into a
# scratch folder and checked from the outside; the build tree's own
# programs are the oracle.
#
# usage: package_test.sh deb TREE VERSION DISPLAY_FILE [WEB_TREE]
#        package_test.sh zip TREE VERSION
#
# deb: lintian (no errors, no warnings, no overrides) and the desktop-entry
#      and AppStream validators; the control fields; the unpacked
#      brisqual-replay draws a kept script exactly as the tree's does, and
#      its manual names every option of its --help; the entry's Exec and
#      Icon name files the package installs; the unpacked brisqual-qt
#      starts on an X server and ends with status 0 on Esc; the browser
#      page, when its tree is given and has built it, is the tree's.
# zip: exactly brisqual.exe and the read-me, the exe byte for byte the
#      tree's.
set -u
usage() { sed -n 's/^# \{0,1\}//; 6,7p' "$0" >&2; exit 2; }
[ $# -ge 3 ] || usage
mode=$1 tree=$(cd "$2" && pwd) version=$3
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data/scripts" && pwd)
work=$(mktemp -d)
qt_pid=
cleanup() {
    [ -n "$qt_pid" ] && kill "$qt_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
finish() { [ "$failures" = 0 ] && echo "all package checks passed"; exit $((failures > 0)); }

# make_package GENERATOR: runs CPack on the tree; prints the package's path.
make_package() {
    (cd "$tree" && cpack -G "$1" -B "$work/out") >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; return 1; }
    find "$work/out" -maxdepth 1 -type f -name "brisqual*" | head -n 1
}

case "$mode" in
zip)
    zip=$(make_package ZIP) || { fail "CPack could not make the zip"; finish; }
    [ "$(basename "$zip")" = "brisqual-$version-win32.zip" ] || fail "zip named $(basename "$zip")"
    listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
    [ "$listed" = "LEEME-README.txt brisqual.exe " ] && pass "the zip holds brisqual.exe and LEEME-README.txt" ||
        fail "the zip holds: $listed"
    mkdir "$work/zip" && unzip -q "$zip" -d "$work/zip" || fail "unzip failed"
    cmp "$work/zip/brisqual.exe" "$tree/brisqual.exe" && pass "brisqual.exe is the build's, byte for byte" ||
        fail "brisqual.exe differs from the build's"
    readme=$work/zip/LEEME-README.txt
    # Notepad on older Windows needs CR LF lines, and the BOM to read UTF-8.
    if [ "$(head -c 3 "$readme" | od -An -tx1)" = " ef bb bf" ] && ! grep -q $'[^\r]$' "$readme" &&
        grep -q "BRISQUAL $version" "$readme" && grep -q "Español" "$readme" && grep -q "English" "$readme"; then
        pass "the read-me: UTF-8 with a BOM, CR LF lines, both languages, version $version"
    else
        fail "the read-me is not UTF-8 with a BOM and CR LF lines, in both languages, of version $version"
    fi
    finish ;;
deb) [ $# -ge 4 ] || usage ;;
*) usage ;;
esac

display_file=$4 web_tree=${5:-}
deb=$(make_package DEB) || { fail "CPack could not make the Debian package"; finish; }
[ "$(basename "$deb")" = "brisqual_${version}_amd64.deb" ] || fail "package named $(basename "$deb")"

# lintian: no errors or warnings, and no override slipped in unexplained.
lintian --fail-on error,warning --show-overrides "$deb" >"$work/lintian.log" 2>&1
status=$?
grep -E '^[EWO]: ' "$work/lintian.log"
[ "$status" = 0 ] && ! grep -q '^O: ' "$work/lintian.log" && pass "lintian: no errors, warnings or overrides" ||
    fail "lintian (status $status)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] && [ "$(field Section)" = education ] || fail "version or section"
# shlibdeps found the Qt and PNG libraries; the About box's font is added.
depends=$(field Depends)
for need in fonts-wine libqt6widgets6 libpng16-16 libc6; do
    case ", $depends," in *", $need"[,\ ]*) ;; *) fail "Depends lacks $need: $depends" ;; esac
done

root=$work/root
dpkg -x "$deb" "$root" || { fail "dpkg -x failed"; finish; }
desktop=$(find "$root/usr/share/applications" -name '*.desktop')
metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml')
[ "$(echo "$desktop" | wc -w)" = 1 ] && [ "$(echo "$metainfo" | wc -w)" = 1 ] ||
    { fail "expected one desktop entry and one AppStream file"; finish; }
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 && pass "appstreamcli validate" ||
    { cat "$work/appstream.log"; fail "appstreamcli validate"; }

# One application id: the entry's file, its icon and the AppStream id.
id=$(basename "$desktop" .desktop)
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
[ "$(entry Icon)" = "$id" ] && grep -q "<id>$id</id>" "$metainfo" &&
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the entry's name, its Icon and the AppStream id and launchable differ"
exec_name=$(entry Exec | cut -d' ' -f1)
[ -x "$root/usr/bin/$exec_name" ] && pass "Exec=$exec_name is installed in /usr/bin" ||
    fail "Exec=$exec_name is not a program the package installs"
for size in 32 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x$size/apps/$(entry Icon).png
    [ "$(identify -format %wx%h "$icon" 2>/dev/null)" = "${size}x$size" ] ||
        fail "no ${size}x$size icon $(entry Icon).png"
done
grep -q "release version=\"$version\"" "$metainfo" || fail "AppStream has no release $version"

# The unpacked replay tool draws as the build tree's does.
script=$scripts/drag-example.txt
"$root/usr/bin/brisqual-replay" --png "$work/unpacked.png" "$script" &&
    "$tree/brisqual-replay" --png "$work/tree.png" "$script" &&
    cmp -s "$work/unpacked.png" "$work/tree.png" && pass "the unpacked brisqual-replay draws as the build's" ||
    fail "the unpacked brisqual-replay's picture differs from the build's"
# Its manual names every option its --help lists, and all three exit statuses.
manual=$(zcat "$root/usr/share/man/man1/brisqual-replay.1.gz")
for option in $("$tree/brisqual-replay" --help | grep -oE '^  --?[a-z]*'); do
    grep -qF -- "${option//-/\\-}" <<<"$manual" || fail "brisqual-replay(1) lacks $option"
done
[ "$(grep -A1 -E '^\.TP' <<<"$manual" | grep -cE '^\.B [012]$')" = 3 ] || fail "brisqual-replay(1): exit statuses"
[ -s "$root/usr/share/man/man1/brisqual-qt.1.gz" ] || fail "no brisqual-qt(1)"

# The browser page, when its tree went into the package.
if [ -n "$web_tree" ] && [ -f "$web_tree/brisqual.html" ]; then
    cmp -s "$root/usr/share/brisqual/brisqual.html" "$web_tree/brisqual.html" &&
        pass "the browser page is the build's" || fail "the browser page is missing or differs"
fi

# The unpacked Qt window opens on the X server and Esc ends it with status 0.
display=$(cat "$display_file" 2>/dev/null)
if [ -z "$display" ]; then
    fail "no X server (expected its display in $display_file)"
    finish
fi
DISPLAY=$display QT_QPA_PLATFORM=xcb "$root/usr/bin/brisqual-qt" >"$work/qt.log" 2>&1 &
qt_pid=$!
window=
for _ in $(seq 100); do
    window=$(DISPLAY=$display xdotool search --all --onlyvisible --pid "$qt_pid" --name '^BRISQUAL$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$qt_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    fail "the unpacked brisqual-qt showed no window"; cat "$work/qt.log"
else
    DISPLAY=$display xdotool windowfocus --sync "$window" key Escape 2>/dev/null
    for _ in $(seq 50); do kill -0 "$qt_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$qt_pid" 2>/dev/null; then
        fail "Esc did not end the unpacked brisqual-qt"
    else
        wait "$qt_pid"
        status=$?
        qt_pid=
        [ "$status" = 0 ] && pass "the unpacked brisqual-qt opens, and Esc ends it with status 0" ||
            fail "the unpacked brisqual-qt ended with status $status"
    fi
fi
finish
