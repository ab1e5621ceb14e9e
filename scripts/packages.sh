# Sourced by the run and test commands: installs the Debian packages that
# are missing, or, when not root, says exactly what to install.

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
    fi
    export DEBIAN_FRONTEND=noninteractive
    # apt's own output only when it fails, so that the reason is not lost.
    # A mirror part-way through a sync serves a list that fails its check
    # for a minute or so: try again, then go on with the lists that came,
    # since the packages may well be in them; the install says if not.
    local out try update_errors=""
    for try in 1 2 3; do
        out=$(apt-get update -q 2>&1)
        update_errors=$(echo "$out" | grep -E '^(E|W): ' || true)
        echo "$update_errors" | grep -q '^E: ' || { update_errors=""; break; }
        [ $try = 3 ] || { echo "apt-get update: a package list failed its check; trying again in 20 s"; sleep 20; }
    done
    [ -z "$update_errors" ] || echo "apt-get update: going on without the lists that failed: $update_errors" | head -5
    out=$(apt-get install -y -q "${missing[@]}" 2>&1) ||
        { echo "$out" | tail -20 >&2; echo "apt-get install failed" >&2; return 1; }
}

# MPFR is the tests' reference for the formulas' elementary functions.
NATIVE_PACKAGES=(cmake make g++ pkg-config libpng-dev googletest libgtest-dev libbenchmark-dev libmpfr-dev python3
    qt6-base-dev qt6-qpa-plugins fonts-liberation fonts-wine clang-format git)
# Without a display, scripts/run suggests running it under xvfb-run.
HEADLESS_RUN_PACKAGES=(xvfb xauth)
WINDOWS_PACKAGES=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xdotool imagemagick x11-utils python3-pefile)
# Where 32-bit programs cannot run, the Windows program is also built for
# 64-bit Windows and run under 64-bit Wine.
WINDOWS64_PACKAGES=(g++-mingw-w64-x86-64 wine64)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The browser page: Debian's clang 14 for WebAssembly (wasm32-wasi) and its
# C and C++ libraries, Binaryen's wasm-opt, which makes the module smaller,
# and esbuild, which bundles the page's modules; and
# Chromium with its WebDriver for the browser suite.
WEB_PACKAGES=(cmake make clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
    libclang-rt-14-dev-wasm32 binaryen python3 esbuild)
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
    # npm's download cache in the build tree, removed after, not in ~/.npm;
    # puppeteer-core drives Debian's Firefox ESR: it must fetch no browser.
    local cache=$NPM_DIR/../../build/npm-cache status=0
    (cd "$NPM_DIR" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --cache "$cache" --no-audit --no-fund --loglevel=error >/dev/null) &&
        cp "$NPM_DIR/package-lock.json" "$stamp" || status=1
    rm -rf "$cache"
    [ $status = 0 ] || { echo "npm ci failed in $NPM_DIR" >&2; return 1; }
}
