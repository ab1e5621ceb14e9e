# Sourced by the project's commands: configures and builds a tree (native,
# sanitize, fuzz, windows, windows64 or web) with its preset in
# CMakePresets.json, which names the tree, build type, toolchain and
# targets, and with warnings as errors.
BRISQUAL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$BRISQUAL_ROOT/build/native
SANITIZE_BUILD=$BRISQUAL_ROOT/build/sanitize
FUZZ_BUILD=$BRISQUAL_ROOT/build/fuzz
WINDOWS_BUILD=$BRISQUAL_ROOT/build/windows
WINDOWS64_BUILD=$BRISQUAL_ROOT/build/windows64
WEB_BUILD=$BRISQUAL_ROOT/build/web
JOBS=$(nproc 2>/dev/null || echo 2)

# build_preset NAME [CMAKE_ARGS...]: configures the tree build/NAME with its
# preset and the arguments, and builds what the preset's build names. The
# log is build/NAME.log; its tail is shown when the build fails.
build_preset() {
    local name=$1 log=$BRISQUAL_ROOT/build/$1.log
    shift
    mkdir -p "$BRISQUAL_ROOT/build"
    with_progress "$name build" "$log" configure_and_build "$name" "$@" ||
        { tail -40 "$log"; echo "the $name build failed" >&2; return 1; }
}
configure_and_build() {
    local name=$1
    shift
    cd "$BRISQUAL_ROOT" && cmake --preset "$name" --no-warn-unused-cli -DBRISQUAL_WARNINGS_AS_ERRORS=ON "$@" &&
        cmake --build --preset "$name" -j "$JOBS"
}

# Whether 32-bit programs run on this system: some kernels are built
# without 32-bit support, and then the 32-bit Wine loader cannot start.
runs_32bit_programs() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# fuzz_target event|event_file SEED LIBFUZZER-OPTION...: one fuzzer from its kept
# seeds and the corpus earlier runs grew in build/fuzz/long-NAME, one worker.
# A fixed seed repeats a run exactly; 0 explores anew. Prints executions,
# executions a second, time, coverage and findings; fails with findings.
fuzz_target() {
    local name=$1 seed=$2
    shift 2
    bash "$BRISQUAL_ROOT/tests/fuzz/run.sh" "$FUZZ_BUILD/tests/fuzz/${name}_fuzzer" \
        "$FUZZ_BUILD/long-$name" "$seed" "$@"
}

