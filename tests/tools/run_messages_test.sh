#!/usr/bin/env bash
# What scripts/run tells a newcomer on a machine without a display: it says
# what it builds and where the log is before the silent build, and whatever
# it suggests running next is installed or comes with the line that installs
# it. The command runs in a stand-in clone, with stand-ins for the build and
# the package database, so nothing is built or installed.
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/harness/cases.sh"

setup() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    clone=$work/clone
    mkdir -p "$clone/docs" "$clone/tests/web" "$work/bin"
    cp -r "$root/scripts" "$clone/"
    cp "$root/docs/demo-drag.events" "$clone/docs/"
    # Only these tools are on the PATH, so that the machine's own xvfb-run
    # cannot answer for the one a case provides or leaves out.
    for tool in bash sh dirname grep sed mkdir tail nproc chmod cat head sleep tr wc; do
        ln -s "$(command -v "$tool")" "$work/bin/$tool"
    done
    stub dpkg-query 'echo "install ok installed"'
    stub id 'echo 1000'
    # A build that "succeeds" leaves a replay tool that writes an empty PNG.
    stub cmake 'echo "cmake $*" >>"$BRISQUAL_STUB_LOG"; [ "$BRISQUAL_STUB_BUILD" = ok ] || exit 1
mkdir -p build/native
printf "#!/bin/sh\n: >\"\$2\"\n" >build/native/brisqual-replay
chmod +x build/native/brisqual-replay'
}
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1" && chmod +x "$work/bin/$1"; }

# Rows: the build's outcome|whether xvfb-run is installed|exit status|texts
# the output must hold (separated by ;)|a text it must not hold.
case_run_without_display_says_what_it_does_and_what_to_install() {
    local build xvfb status texts absent out got text
    while IFS='|' read -r build xvfb status texts absent; do
        rm -rf "$clone/build" "$work/bin/xvfb-run"
        [ "$xvfb" = yes ] && stub xvfb-run 'exit 0'
        out=$(cd "$clone" && env -u DISPLAY PATH="$work/bin" BRISQUAL_STUB_BUILD=$build \
            BRISQUAL_STUB_LOG="$work/cmake.log" "$(command -v timeout)" 20 scripts/run 2>&1)
        got=$?
        [ "$got" = "$status" ] || fail "build $build, xvfb-run $xvfb: exit $got, expected $status: $out"
        IFS=';' read -ra texts <<<"$texts"
        for text in "${texts[@]}"; do
            case "$out" in *"$text"*) ;; *) fail "build $build, xvfb-run $xvfb: no '$text' in: $out" ;; esac
        done
        case "$out" in *"$absent"*) fail "build $build, xvfb-run $xvfb: '$absent' in: $out" ;; esac
    done <<'TABLE'
ok|no|0|Building the replay tool and the Linux window in build/native (the first time;the log is build/native.log;Drew a demo session instead;sudo apt-get install -y xvfb xauth;xvfb-run -a -s|a virtual X server: xvfb-run
ok|yes|0|the log is build/native.log;a virtual X server: xvfb-run -a -s '-screen 0 1280x1024x24' scripts/run|apt-get install
fail|yes|1|the log is build/native.log;the native build failed|Drew a demo session
TABLE
}

run_cases "$@"
