# The generators in tools/ that build the icon and read the resource script
# at build time. Python runs them, and the test suites written in it.
# The system's interpreter comes first, ahead of any other on the PATH: it
# has the modules that scripts/packages.sh installs for the test suites.
set(Python3_ROOT_DIR /usr CACHE PATH "Where the Python 3 that runs the generators and suites lives")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# brisqual_make_icon(OUTPUT [--size N]): resources/icon.txt drawn as OUTPUT,
# whose extension picks the form (.ico, .png, .cpp or .js).
function(brisqual_make_icon output)
    get_filename_component(folder ${output} DIRECTORY)
    get_filename_component(name ${output} NAME)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_icon.py ${ARGN}
                ${PROJECT_SOURCE_DIR}/resources/icon.txt ${output}
        DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_icon.py ${PROJECT_SOURCE_DIR}/resources/icon.txt
        COMMENT "Drawing ${name} from resources/icon.txt")
endfunction()

# brisqual_read_resources(OUTPUT): the menu and the About dialog's template
# from resources/brisqual.rc, as C++ (.cpp) or JavaScript (.js).
function(brisqual_read_resources output)
    get_filename_component(name ${output} NAME)
    add_custom_command(OUTPUT ${output}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/resource_script.py
                ${PROJECT_SOURCE_DIR}/resources/brisqual.rc ${output}
        DEPENDS ${PROJECT_SOURCE_DIR}/tools/resource_script.py ${PROJECT_SOURCE_DIR}/resources/brisqual.rc
        COMMENT "Reading the menu and the About dialog's template into ${name}")
endfunction()
