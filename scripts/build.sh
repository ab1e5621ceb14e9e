# Sourced by the run and test commands: configures and builds the native
# tree (replay tool, tests, benchmarks) and the 32-bit Windows tree.
BRISQUAL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NATIVE_BUILD=$BRISQUAL_ROOT/build/native
WINDOWS_BUILD=$BRISQUAL_ROOT/build/windows
JOBS=$(nproc 2>/dev/null || echo 2)

build_native() {
    cmake -S "$BRISQUAL_ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Release -DBRISQUAL_BENCH=ON >/dev/null &&
        cmake --build "$NATIVE_BUILD" -j "$JOBS" >"$NATIVE_BUILD.log" 2>&1 ||
        { cat "$NATIVE_BUILD.log" 2>/dev/null | tail -40; echo "native build failed" >&2; return 1; }
}

build_windows() {
    cmake -S "$BRISQUAL_ROOT" -B "$WINDOWS_BUILD" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$BRISQUAL_ROOT/cmake/mingw-i686.cmake" >/dev/null &&
        cmake --build "$WINDOWS_BUILD" -j "$JOBS" >"$WINDOWS_BUILD.log" 2>&1 ||
        { cat "$WINDOWS_BUILD.log" 2>/dev/null | tail -40; echo "Windows build failed" >&2; return 1; }
}
