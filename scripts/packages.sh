# Sourced by the run and test commands: installs the Debian packages that
# are missing, or, when not root, says exactly what to install.
. "$(dirname "${BASH_SOURCE[0]}")/progress.sh"

# ensure_packages PACKAGE... (names may carry :i386)
ensure_packages() {
    local missing=() need_i386=0 p
    for p in "$@"; do
        case " ${missing[*]} " in *" $p "*) continue ;; esac   # each named once
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
            case "$p" in *:i386) need_i386=1 ;; esac
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" != 0 ]; then
        echo "Missing packages. Install them with:" >&2
        [ $need_i386 = 1 ] && echo "  sudo dpkg --add-architecture i386" >&2
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing with apt-get (a few minutes on a new system): ${missing[*]}"
    if [ $need_i386 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Adding the i386 architecture, for 32-bit Wine (dpkg --add-architecture i386)"
        dpkg --add-architecture i386 || return 1
        BRISQUAL_APT_UPDATED=   # the lists have no i386 packages yet
    fi
    export DEBIAN_FRONTEND=noninteractive
    # apt's own output only when it fails, so that the reason is not lost;
    # meanwhile, how far it is.
    # A mirror part-way through a sync serves a list that fails its check
    # for a minute or so: try again, then go on with the lists that came,
    # since the packages may well be in them; the install says if not.
    local log try update_errors="" status=0
    log=$(mktemp) || return 1
    # Once a command has fetched the lists, later installs use them.
    [ -n "${BRISQUAL_APT_UPDATED:-}" ] || for try in 1 2 3; do
        with_progress "apt-get update" "$log" apt-get update -q
        update_errors=$(grep -E '^(E|W): ' "$log" || true)
        echo "$update_errors" | grep -q '^E: ' || { update_errors=""; break; }
        [ $try = 3 ] || { echo "apt-get update: a package list failed its check; trying again in 20 s"; sleep 20; }
    done
    if [ -z "${BRISQUAL_APT_UPDATED:-}" ]; then
        [ -z "$update_errors" ] && echo "apt-get update: done" ||
            echo "apt-get update: going on without the lists that failed: $update_errors" | head -5
        BRISQUAL_APT_UPDATED=1
    fi
    if ! with_progress "apt-get install" "$log" apt-get install -y -q "${missing[@]}"; then
        tail -20 "$log" >&2
        echo "apt-get install failed" >&2
        status=1
    fi
    rm -f "$log"
    return $status
}

# MPFR is the tests' reference for the formulas' elementary functions.
NATIVE_PACKAGES=(cmake make g++ pkg-config libpng-dev googletest libgtest-dev libbenchmark-dev libmpfr-dev python3
    qt6-base-dev qt6-qpa-plugins fonts-liberation fonts-wine clang-format git)
# Without a display, scripts/run suggests running it under xvfb-run.
HEADLESS_RUN_PACKAGES=(xvfb xauth)
WINDOWS_PACKAGES=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine xvfb xdotool imagemagick x11-utils python3-pefile)
# 32-bit Wine, where the kernel runs 32-bit programs (kernel_runs_32bit).
# Where it cannot be had, the Windows program is also built for 64-bit
# Windows and run under 64-bit Wine.
WINE32_PACKAGES=(wine32:i386)
WINDOWS64_PACKAGES=(g++-mingw-w64-x86-64 wine64)

# Whether the kernel runs 32-bit x86 programs: some are built without it,
# and then 32-bit Wine is no use. Asked of the kernel itself, with the
# smallest 32-bit program there is (it exits with 7), before anything is
# installed.
kernel_runs_32bit() {
    [ "$(uname -m)" = x86_64 ] || [ "$(uname -m)" = i686 ] || return 1
    local probe status
    probe=$(mktemp) || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xb3\x07\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    [ $status = 7 ]
}

# ensure_wine32: 32-bit Wine installed where the kernel runs it; says why
# not and fails where it cannot be had (the caller then uses 64-bit Wine).
ensure_wine32() {
    kernel_runs_32bit || return 1
    ensure_packages "${WINE32_PACKAGES[@]}" && return 0
    echo "32-bit Wine (${WINE32_PACKAGES[*]}) could not be installed; the 64-bit build runs under 64-bit Wine instead"
    return 1
}
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The browser page: Debian's clang 14 for WebAssembly (wasm32-wasi) and its
# C and C++ libraries, LLVM's archiver for its link-time optimization,
# Binaryen's wasm-opt, which makes the module smaller,
# zopfli, which gzips it for the page, and esbuild, which bundles the
# page's modules; and
# Chromium with its WebDriver for the browser suite.
WEB_PACKAGES=(cmake make clang-14 lld-14 llvm-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
    libclang-rt-14-dev-wasm32 binaryen zopfli python3 esbuild)
BROWSER_TEST_PACKAGES=(chromium chromium-driver python3-selenium imagemagick)
# The suite's core cases in the other engines: Firefox ESR (driven by the
# npm puppeteer-core over WebDriver BiDi) and WebKitGTK, Safari's engine
# (its WebDriver and MiniBrowser, on Xvfb); and the screen reader, Orca, with
# its speech through speech-dispatcher, which the screen-reader cases run
# with headful Chromium on Xvfb.
ENGINE_TEST_PACKAGES=(firefox-esr webkit2gtk-driver python3-selenium xvfb x11-utils)
SCREEN_READER_TEST_PACKAGES=(orca at-spi2-core speech-dispatcher speech-dispatcher-espeak-ng espeak-ng dbus-x11
    xvfb x11-utils xdotool chromium chromium-driver python3-selenium)
# The packages' checks: the Debian package's linter and validators, and the
# tools that open the zip and look at the icons and the window.
PACKAGE_TEST_PACKAGES=(lintian desktop-file-utils appstream dpkg-dev fakeroot zip unzip imagemagick xdotool xvfb)

# The npm modules of the browser suite and the page's benchmark (axe-core,
# Lighthouse, puppeteer-core), exactly as tests/web/package-lock.json pins them, into
# tests/web/node_modules. Node.js and npm come from Debian when missing;
# Debian 12's Node.js 18 is new enough for both. A copy of the lock file in
# node_modules says the install is complete and current, so that later runs
# neither reinstall nor reach the registry.
NPM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/web" && pwd)
NODE_MIN_VERSION=18.16
npm_ci() {
    cd "$NPM_DIR" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --cache "$1" --no-audit --no-fund --loglevel=error
}
ensure_npm_packages() {
    local stamp=$NPM_DIR/node_modules/.installed-lock.json version
    if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
        ensure_packages nodejs npm || return 1
    fi
    version=$(node -p 'process.versions.node' 2>/dev/null) || { echo "node does not run" >&2; return 1; }
    if [ "$(printf '%s\n%s\n' "$NODE_MIN_VERSION" "$version" | sort -V | head -n 1)" != "$NODE_MIN_VERSION" ]; then
        echo "Node.js $version is too old for Lighthouse and axe-core: $NODE_MIN_VERSION or later is needed" >&2
        return 1
    fi
    cmp -s "$NPM_DIR/package-lock.json" "$stamp" && return 0
    echo "Installing the npm modules of $NPM_DIR/package-lock.json"
    # npm's download cache in the build tree, removed after, not in ~/.npm,
    # but for npm's own logs, kept where the message names them;
    # puppeteer-core drives Debian's Firefox ESR: it must fetch no browser.
    local build=$NPM_DIR/../../build status=0
    local cache=$build/npm-cache logs=$build/logs/npm
    mkdir -p "$logs"
    with_progress "npm ci" "$logs/npm-ci.log" npm_ci "$cache" && cp "$NPM_DIR/package-lock.json" "$stamp" || status=1
    rm -rf "$logs/_logs"
    [ -d "$cache/_logs" ] && mv "$cache/_logs" "$logs/_logs"
    rm -rf "$cache"
    [ $status = 0 ] || {
        tail -15 "$logs/npm-ci.log" >&2
        echo "npm ci failed in $NPM_DIR; its output is in $(cd "$logs" && pwd)/npm-ci.log and npm's own logs in $(cd "$logs" && pwd)/_logs" >&2
        return 1
    }
}

# debian_node: prints the path of Debian 12's own Node.js (18), which a
# newcomer's system has, so that the Node tests run on it too where the
# machine has a newer one of its own. Debian's nodejs cannot be installed
# beside another nodejs package, so it is unpacked into the build tree;
# the JavaScript it loads from /usr/share/nodejs is installed (as root).
# Prints nothing where it cannot be had, or is the machine's node.
debian_node() {
    local dir=$BRISQUAL_ROOT/build/debian-node version
    # The machine's node is Debian's own: the usual run is that run.
    dpkg-query -W -f='${Version}' nodejs 2>/dev/null | grep -q '+dfsg' && return 0
    [ -x "$dir/node" ] && { echo "$dir/node"; return; }
    [ "$(id -u)" = 0 ] || return 0
    ensure_packages node-acorn node-cjs-module-lexer node-undici >&2 || return 0
    version=$(apt-cache madison nodejs | awk -F'|' '$3 ~ /debian/ { gsub(/ /, "", $2); print $2; exit }')
    [ -n "$version" ] || return 0
    rm -rf "$dir"
    mkdir -p "$dir/debs"
    (cd "$dir/debs" && apt-get download -q "nodejs=$version" libnode108 >/dev/null 2>&1) || return 0
    for deb in "$dir"/debs/*.deb; do dpkg -x "$deb" "$dir/root" || return 0; done
    local libdir
    libdir=$(echo "$dir"/root/usr/lib/*-linux-gnu)
    printf '#!/bin/sh\n# Debian 12%ss Node.js, unpacked beside the system%ss own.\nLD_LIBRARY_PATH=%s exec %s/root/usr/bin/node "$@"\n' \
        "'" "'" "$libdir" "$dir" >"$dir/node"
    chmod +x "$dir/node"
    "$dir/node" --version >/dev/null 2>&1 && echo "$dir/node"
}
