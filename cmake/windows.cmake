# Windows programs: static runtimes (only system DLLs are imported) and the
# x87 unit at 53-bit precision from start-up, as the Microsoft start-up
# leaves it. mingw-w64 does that when CRT_fp8.o is linked.
if(MINGW)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=CRT_fp8.o
                    OUTPUT_VARIABLE BRISQUAL_CRT_FP8 OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${BRISQUAL_CRT_FP8}")
        message(FATAL_ERROR "CRT_fp8.o not found: it sets 53-bit x87 precision at start-up")
    endif()
endif()

function(brisqual_windows_program target)
    if(MINGW)
        target_link_options(${target} PRIVATE -static ${BRISQUAL_CRT_FP8})
    endif()
endfunction()
