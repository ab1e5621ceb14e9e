# brisqual_case_tests(PREFIX SCRIPT [RUNNER program] [ARGS args...]
# [LABELS labels...]): one ctest test PREFIX.CASE for each case of a test
# script, so that one failing case hides no other. `RUNNER SCRIPT --list`
# names the cases and `RUNNER SCRIPT CASE ARGS...` runs one; a case that
# skips itself exits 77. The runner is bash, for the scripts written with
# tests/harness/cases.sh, unless given. The test names are left in
# ${PREFIX}_TESTS for further properties.
function(brisqual_case_tests prefix script)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "RUNNER" "ARGS;LABELS")
    if(NOT arg_RUNNER)
        set(arg_RUNNER bash)
    endif()
    execute_process(COMMAND ${arg_RUNNER} ${script} --list OUTPUT_VARIABLE names RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR names STREQUAL "")
        message(FATAL_ERROR "${script} --list gave no cases (status ${status})")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script})
    string(STRIP "${names}" names)
    string(REPLACE "\n" ";" names "${names}")
    set(tests)
    foreach(name IN LISTS names)
        add_test(NAME ${prefix}.${name} COMMAND ${arg_RUNNER} ${script} ${name} ${arg_ARGS})
        list(APPEND tests ${prefix}.${name})
    endforeach()
    set_tests_properties(${tests} PROPERTIES SKIP_RETURN_CODE 77)
    if(arg_LABELS)
        set_tests_properties(${tests} PROPERTIES LABELS "${arg_LABELS}")
    endif()
    set(${prefix}_TESTS ${tests} PARENT_SCOPE)
endfunction()
