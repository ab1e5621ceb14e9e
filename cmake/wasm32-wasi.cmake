# Build for WebAssembly with Debian's clang 14 and wasi-libc, for the browser
# page (shell/web). The module is a reactor: the page calls its exports and
# gives it no imports.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(BRISQUAL_WEB ON)

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# Linking a test program needs the page's entry points: compile only.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# Small, and no exceptions or RTTI (nothing in the core throws); the exact
# arithmetic flags come with the model library as everywhere. Whole-program
# link-time optimization drops and inlines across the model's files (its
# archives hold bitcode, hence LLVM's ar); WebAssembly has no fused
# multiply-add, so no result can change with it.
set(CMAKE_C_FLAGS_INIT "-Oz -flto")
set(CMAKE_CXX_FLAGS_INIT "-Oz -flto -fno-exceptions -fno-rtti")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-flto")
set(CMAKE_AR llvm-ar-14)
set(CMAKE_RANLIB llvm-ranlib-14)
