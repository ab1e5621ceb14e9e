#!/usr/bin/env bash
# The Debian package as users get it: made by CPack from the native tree
# (with the browser page when its tree has built it) and checked from the
# outside, unpacked with dpkg -x; the build tree's own programs and the
# sources (LICENSE, resources/icon.txt's reader) are the oracle. The first
# case makes the package for the others (a ctest fixture).
#
# usage: deb_test.sh --list | CASE TREE VERSION DISPLAY_FILE WEB_TREE OUT
. "$(dirname "${BASH_SOURCE[0]}")/../harness/cases.sh"

setup() {
    [ $# = 5 ] || { echo "deb_test.sh: expected TREE VERSION DISPLAY_FILE WEB_TREE OUT" >&2; return 1; }
    tree=$(cd "$1" && pwd) version=$2 display_file=$3 web_tree=$4 out=$5
    source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    deb=$out/brisqual_${version}_amd64.deb root=$out/root
    work=$(mktemp -d)
    qt_pid=
    trap 'cleanup' EXIT
    # What lintian and the unpacked window write for themselves goes into
    # the case's folder, removed at the end: temporary files, Qt's runtime
    # folder, and no session bus (which D-Bus would start and note in HOME).
    mkdir -m 700 "$work/runtime"
    export TMPDIR=$work XDG_RUNTIME_DIR=$work/runtime DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
    if [ "$case_name" != made_by_cpack ] && [ ! -f "$deb" ]; then
        echo "no package in $out: the case made_by_cpack makes it" >&2
        return 1
    fi
    id=org.brisqual.Brisqual
    desktop=$root/usr/share/applications/$id.desktop
    page_desktop=$root/usr/share/applications/$id.Page.desktop
    metainfo=$root/usr/share/metainfo/$id.metainfo.xml
}
cleanup() {
    [ -n "$qt_pid" ] && kill "$qt_pid" 2>/dev/null
    rm -rf "$work"
}
case_name=${1:-}
entry() { sed -n "s/^$2=//p" "$1" | head -n 1; }   # FILE KEY: the key's value

# CPack makes the package under its Debian name, and dpkg -x unpacks it.
case_made_by_cpack() {
    rm -rf "$out" && mkdir -p "$out"
    (cd "$tree" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "CPack"; return; }
    [ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$out")"
    dpkg -x "$deb" "$root" || fail "dpkg -x"
}

# lintian: no errors or warnings, and no override slipped in unexplained.
case_lintian_clean() {
    lintian --fail-on error,warning --show-overrides "$deb" >"$work/lintian.log" 2>&1
    status=$?
    grep -E '^[EWO]: ' "$work/lintian.log"
    [ "$status" = 0 ] && ! grep -q '^O: ' "$work/lintian.log" || fail "lintian (status $status)"
}

# The control fields: the project's version; shlibdeps found the Qt and PNG
# libraries, and the About box's font is added; no home page that does not
# exist; a description of what is installed.
case_control_fields() {
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Version)" = "$version" ] && [ "$(field Section)" = education ] || fail "version or section"
    depends=$(field Depends)
    for need in fonts-wine libqt6widgets6 libpng16-16 libc6; do
        case ", $depends," in *", $need"[,\ ]*) ;; *) fail "Depends lacks $need: $depends" ;; esac
    done
    [ -z "$(field Homepage)" ] || fail "a home page nobody has set: $(field Homepage)"
    description=$(field Description)
    for installed in brisqual-qt brisqual-replay; do
        grep -q "$installed" <<<"$description" || fail "the description does not name $installed"
    done
    if [ -f "$root/usr/share/brisqual/brisqual.html" ]; then
        grep -q /usr/share/brisqual/brisqual.html <<<"$description" || fail "the description does not name the page"
    fi
    grep -qiE 'option|where built' <<<"$description" && fail "the description speaks of build options"
}

# Both menu entries and the AppStream file pass their validators and share
# the one application id; each entry starts something the package installs.
case_menu_entries_and_appstream() {
    entries=("$desktop")
    if [ -f "$root/usr/share/brisqual/brisqual.html" ]; then
        entries+=("$page_desktop")
    elif [ -e "$page_desktop" ]; then
        fail "a menu entry for a page the package does not hold"
    fi
    for file in "${entries[@]}"; do
        [ -f "$file" ] || { fail "no $(basename "$file")"; continue; }
        desktop-file-validate "$file" || fail "desktop-file-validate $(basename "$file")"
        [ "$(entry "$file" Icon)" = "$id" ] || fail "$(basename "$file"): Icon=$(entry "$file" Icon)"
    done
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
        { cat "$work/appstream.log"; fail "appstreamcli validate"; }
    grep -q "<id>$id</id>" "$metainfo" && grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the AppStream id and launchable are not the entry's"
    grep -q "release version=\"$version\"" "$metainfo" || fail "AppStream has no release $version"
    grep -qE '<(url|image)>' "$metainfo" && fail "AppStream points to addresses nobody has set"
    exec_name=$(entry "$desktop" Exec | cut -d' ' -f1)
    [ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not a program the package installs"
    # The page's entry opens the installed page with a command every
    # Debian system has.
    [ -f "$page_desktop" ] || return
    read -r opener page <<<"$(entry "$page_desktop" Exec)"
    [ -f "$root$page" ] || fail "the page's entry opens $page, which the package does not install"
    [ -x "/usr/bin/$opener" ] && dpkg -S "/usr/bin/$opener" >/dev/null 2>&1 || fail "the page's entry runs $opener"
}

# The theme's icons: every size, and the SVG, are the picture of
# resources/icon.txt (the SVG's squares against the 32 x 32 PNG's pixels).
case_icons_every_size() {
    icons=$root/usr/share/icons/hicolor
    for size in 32 48 64 128 256; do
        [ "$(identify -format %wx%h "$icons/${size}x$size/apps/$id.png" 2>/dev/null)" = "${size}x$size" ] ||
            fail "no ${size}x$size icon"
    done
    convert "$icons/32x32/apps/$id.png" -depth 8 rgb:"$work/icon.rgb" || fail "the 32 x 32 icon does not read"
    python3 - "$icons/scalable/apps/$id.svg" "$work/icon.rgb" <<'PY' || fail "the SVG icon is not the picture"
import re, sys, xml.etree.ElementTree as ET
svg, rgb = ET.parse(sys.argv[1]).getroot(), open(sys.argv[2], "rb").read()
assert svg.get("viewBox") == "0 0 32 32", svg.get("viewBox")
grid = {}
for path in svg.iter("{http://www.w3.org/2000/svg}path"):
    colour = bytes.fromhex(path.get("fill")[1:])
    for x, y, w in re.findall(r"M(\d+) (\d+)h(\d+)v1h-\3z", path.get("d")):
        for i in range(int(w)):
            grid[int(x) + i, int(y)] = colour
for y in range(32):
    for x in range(32):
        assert grid.get((x, y)) == rgb[(y * 32 + x) * 3:][:3], (x, y)
PY
}

# The licence is LICENSE's: Debian's machine-readable copyright file holds
# its terms, and AppStream names it.
case_licence_stated() {
    copyright=$root/usr/share/doc/brisqual/copyright
    head -n 1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "copyright is not machine-readable"
    grep -q '^License: Expat$' "$copyright" || fail "copyright does not name the Expat (MIT) licence"
    terms() { sed 's/^ //; s/^\.$//' | sed -n '/^Permission/,$p'; }
    diff <(terms <"$source_root/LICENSE") <(sed -n '/^License: Expat$/,$p' "$copyright" | tail -n +2 | terms) ||
        fail "copyright's terms differ from LICENSE"
    grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "AppStream names no MIT project licence"
}

# The unpacked replay tool draws as the build tree's does, tells its
# version, and its manual names every option of its --help and all three
# exit statuses.
case_replay_tool_as_built() {
    replay=$root/usr/bin/brisqual-replay script=$source_root/tests/data/events/drag-example.events
    "$replay" --png "$work/unpacked.png" "$script" && "$tree/brisqual-replay" --png "$work/tree.png" "$script" &&
        cmp -s "$work/unpacked.png" "$work/tree.png" || fail "the unpacked brisqual-replay's picture differs"
    [ "$("$replay" --version)" = "brisqual-replay $version" ] || fail "--version: $("$replay" --version)"
    manual=$(zcat "$root/usr/share/man/man1/brisqual-replay.1.gz")
    for option in $("$tree/brisqual-replay" --help | grep -oE '^  (-h, )?--?[a-z-]*' | grep -oE -- '--?[a-z-]+$'); do
        grep -qF -- "${option//-/\\-}" <<<"$manual" || fail "brisqual-replay(1) lacks $option"
    done
    [ "$(grep -A1 -E '^\.TP' <<<"$manual" | grep -cE '^\.B [012]$')" = 3 ] || fail "brisqual-replay(1): exit statuses"
    for manual in brisqual-qt brisqual-replay; do
        zcat "$root/usr/share/man/man1/$manual.1.gz" | grep -q /usr/share/brisqual/brisqual.html ||
            fail "$manual(1) does not name the browser page"
    done
}

# The unpacked Qt window answers --help and --version without a display,
# opens on the X server with the class its menu entry names, and Esc ends
# it with status 0.
case_qt_window_as_built() {
    qt=$root/usr/bin/brisqual-qt
    for option in --help -h --version; do
        env -u DISPLAY -u WAYLAND_DISPLAY "$qt" $option >"$work/out" 2>&1 || fail "$option without a display: exit $?"
    done
    [ "$(cat "$work/out")" = "brisqual-qt $version" ] || fail "--version: $(cat "$work/out")"
    display=$(cat "$display_file" 2>/dev/null)
    [ -n "$display" ] || { fail "no X server (expected its display in $display_file)"; return; }
    DISPLAY=$display QT_QPA_PLATFORM=xcb "$qt" >"$work/qt.log" 2>&1 &
    qt_pid=$!
    window=
    for _ in $(seq 100); do
        window=$(DISPLAY=$display xdotool search --all --onlyvisible --pid "$qt_pid" --name '^BRISQUAL$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        kill -0 "$qt_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$window" ] || { fail "the unpacked brisqual-qt showed no window"; cat "$work/qt.log"; return; }
    class=$(DISPLAY=$display xprop -id "$window" WM_CLASS | sed -n 's/.*= "\(.*\)", "\(.*\)"$/\2/p')
    [ -n "$class" ] && [ "$class" = "$(entry "$desktop" StartupWMClass)" ] ||
        fail "the window's class '$class' is not the entry's StartupWMClass '$(entry "$desktop" StartupWMClass)'"
    DISPLAY=$display xdotool windowfocus --sync "$window" key Escape 2>/dev/null
    for _ in $(seq 50); do kill -0 "$qt_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$qt_pid" 2>/dev/null; then
        fail "Esc did not end the unpacked brisqual-qt"
        return
    fi
    wait "$qt_pid"
    status=$?
    qt_pid=
    [ "$status" = 0 ] || fail "the unpacked brisqual-qt ended with status $status"
}

# The browser page, when its tree went into the package: the tree's, with
# its licence line.
case_browser_page_as_built() {
    if [ -z "$web_tree" ] || [ ! -f "$web_tree/brisqual.html" ]; then
        echo "note: no browser page built in '$web_tree'; the package holds none"
        [ ! -e "$root/usr/share/brisqual/brisqual.html" ] || fail "a page in the package, but none built"
        return
    fi
    cmp -s "$root/usr/share/brisqual/brisqual.html" "$web_tree/brisqual.html" || fail "the page differs from the build's"
    grep -q 'SPDX-License-Identifier: MIT' "$root/usr/share/brisqual/brisqual.html" || fail "the page states no licence"
}

run_cases "$@"
