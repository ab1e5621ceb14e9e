# Sourced by the run, test and package commands: configures and builds the
# native tree (replay tool, tests, benchmarks), the 32-bit Windows tree and
# the browser page, each with its preset in CMakePresets.json (which names
# the tree, build type and toolchain) and with warnings as errors.
BRISQUAL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$BRISQUAL_ROOT/build/native
WINDOWS_BUILD=$BRISQUAL_ROOT/build/windows
JOBS=$(nproc 2>/dev/null || echo 2)

# configure_preset NAME [CMAKE_ARGS...]
configure_preset() {
    local name=$1
    shift
    (cd "$BRISQUAL_ROOT" && cmake --preset "$name" --no-warn-unused-cli -DBRISQUAL_WARNINGS_AS_ERRORS=ON "$@") >/dev/null
}

# The Debian package made from it takes the browser page from build/web.
build_native() {
    configure_preset native &&
        cmake --build "$NATIVE_BUILD" -j "$JOBS" >"$NATIVE_BUILD.log" 2>&1 ||
        { cat "$NATIVE_BUILD.log" 2>/dev/null | tail -40; echo "native build failed" >&2; return 1; }
}

WINDOWS64_BUILD=$BRISQUAL_ROOT/build/windows64
WEB_BUILD=$BRISQUAL_ROOT/build/web

# build_web: the browser page, build/web/brisqual.html, with clang's
# wasm32-wasi; its browser suite compares it with the native replay tool.
build_web() {
    configure_preset web &&
        cmake --build "$WEB_BUILD" -j "$JOBS" >"$WEB_BUILD.log" 2>&1 ||
        { tail -40 "$WEB_BUILD.log" 2>/dev/null; echo "web build failed" >&2; return 1; }
}

# build_windows [CMAKE_ARGS...]: the Windows program, 32-bit: the one users get.
build_windows() {
    configure_preset windows "$@" &&
        cmake --build "$WINDOWS_BUILD" -j "$JOBS" >"$WINDOWS_BUILD.log" 2>&1 ||
        { cat "$WINDOWS_BUILD.log" 2>/dev/null | tail -40; echo "Windows build failed" >&2; return 1; }
}

# build_windows64 [CMAKE_ARGS...]: the same program for 64-bit Windows.
build_windows64() {
    configure_preset windows64 "$@" &&
        cmake --build "$WINDOWS64_BUILD" -j "$JOBS" >"$WINDOWS64_BUILD.log" 2>&1 ||
        { tail -40 "$WINDOWS64_BUILD.log" 2>/dev/null; echo "64-bit Windows build failed" >&2; return 1; }
}

# Whether 32-bit programs run on this system: some kernels are built
# without 32-bit support, and then the 32-bit Wine loader cannot start.
runs_32bit_programs() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

SANITIZE_BUILD=$BRISQUAL_ROOT/build/sanitize
FUZZ_BUILD=$BRISQUAL_ROOT/build/fuzz

# The native tests again, with AddressSanitizer and UndefinedBehaviorSanitizer.
build_sanitized() {
    configure_preset sanitize &&
        cmake --build "$SANITIZE_BUILD" -j "$JOBS" >"$SANITIZE_BUILD.log" 2>&1 ||
        { tail -40 "$SANITIZE_BUILD.log" 2>/dev/null; echo "sanitized build failed" >&2; return 1; }
}

# The fuzzers: clang's libFuzzer with the same sanitizers. The test command
# runs a short run of each as ctest tests in this tree (label fuzz).
build_fuzzer() {
    configure_preset fuzz &&
        cmake --build "$FUZZ_BUILD" -j "$JOBS" --target event_fuzzer script_fuzzer >"$FUZZ_BUILD.log" 2>&1 ||
        { tail -40 "$FUZZ_BUILD.log" 2>/dev/null; echo "fuzzer build failed" >&2; return 1; }
}

# fuzz_target event|script SEED LIBFUZZER-OPTION...: one fuzzer from its kept
# seeds and the corpus earlier runs grew in build/fuzz/long-NAME, one worker.
# A fixed seed repeats a run exactly; 0 explores anew. Prints executions,
# executions a second, time, coverage and findings; fails with findings.
fuzz_target() {
    local name=$1 seed=$2
    shift 2
    bash "$BRISQUAL_ROOT/tests/fuzz/run.sh" "$FUZZ_BUILD/tests/fuzz/${name}_fuzzer" \
        "$FUZZ_BUILD/long-$name" "$seed" "$@"
}

