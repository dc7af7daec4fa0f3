# Shared build settings for every Sorvane target.

# Rebuilds of unchanged sources (other build folders, other checkouts) come from the cache.
find_program(SORVANE_CCACHE ccache)
if(SORVANE_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER ${SORVANE_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${SORVANE_CCACHE})
endif()

# The fuzz build: every library is instrumented for libFuzzer's coverage and checked by the
# sanitizers; only the fuzz targets link libFuzzer itself (tests/fuzz/).
if(SORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR WIN32)
        message(FATAL_ERROR "SORVANE_FUZZ needs clang on Linux (libFuzzer): use the fuzz preset")
    endif()
    add_compile_options(-O1 -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(SORVANE_SANITIZE AND NOT WIN32)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # One self-contained executable: no MinGW runtime DLLs to ship beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# Warnings high and clean for the project's own targets.
function(sorvane_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                             -Wnon-virtual-dtor -Woverloaded-virtual
                                             # GCC 12 reports std::string internals falsely at -O2 and above.
                                             -Wno-maybe-uninitialized -Wno-restrict)
    if(SORVANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# A test executable: native ones run directly, Windows ones through the emulator (Wine).
function(sorvane_test name)
    add_executable(${name} ${ARGN})
    sorvane_target(${name})
    target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/Branding.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Signing.cmake)

# Text for a quoted resource-script string: a quote is written twice and a backslash, which
# would start an escape, is doubled, so that any name of the branding reaches the resource.
function(sorvane_rc_text out value)
    string(REPLACE "\\" "\\\\" value "${value}")
    string(REPLACE "\"" "\"\"" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Gives a Windows executable its version resource, icon and common-controls manifest.
# The internal and original file names follow the target's output name. The manifest asks
# for the rights the program runs with: EXECUTION_LEVEL highestAvailable makes Windows ask an
# administrator to confirm and start a standard user's copy as it is; without it the program
# runs with the rights of whoever started it (asInvoker) and never asks.
#   sorvane_add_resources(target DESCRIPTION "what the file is" [EXECUTION_LEVEL highestAvailable])
function(sorvane_add_resources target)
    if(NOT WIN32)
        return()
    endif()
    cmake_parse_arguments(arg "" "DESCRIPTION;EXECUTION_LEVEL" "" ${ARGN})
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(SORVANE_INTERNAL_NAME ${output_name})
    set(SORVANE_ORIGINAL_FILENAME ${output_name}.exe)
    if(arg_DESCRIPTION)
        set(SORVANE_FILE_DESCRIPTION "${arg_DESCRIPTION}")
    else()
        set(SORVANE_FILE_DESCRIPTION "${SORVANE_PRODUCT_NAME}")
    endif()
    foreach(value IN ITEMS PRODUCT_NAME COMPANY_NAME WEBSITE COPYRIGHT VERSION_TEXT FILE_DESCRIPTION INTERNAL_NAME
                           ORIGINAL_FILENAME)
        sorvane_rc_text(SORVANE_RC_${value} "${SORVANE_${value}}")
    endforeach()
    set(SORVANE_ICON_FILE ${SORVANE_RESOURCE_DIR}/sorvane.ico)
    if(arg_EXECUTION_LEVEL)
        set(SORVANE_EXECUTION_LEVEL ${arg_EXECUTION_LEVEL})
    else()
        set(SORVANE_EXECUTION_LEVEL asInvoker)
    endif()
    set(SORVANE_MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    configure_file(${SORVANE_RESOURCE_DIR}/sorvane.manifest ${SORVANE_MANIFEST_FILE} @ONLY)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
    configure_file(${SORVANE_RESOURCE_DIR}/version.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${SORVANE_ICON_FILE};${SORVANE_MANIFEST_FILE}")
    target_sources(${target} PRIVATE ${rc})
endfunction()

# nlohmann-json, header-only. The native build takes the system's package; the Windows build
# must not search the system include folder (it holds Linux headers), so it gets a copy of
# only the library's own headers.
if(WIN32)
    find_path(SORVANE_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT SORVANE_NLOHMANN_DIR)
        message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
    endif()
    file(COPY ${SORVANE_NLOHMANN_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/nlohmann-json/include)
    if(NOT TARGET nlohmann_json::nlohmann_json)
        add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
        set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
                              INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/nlohmann-json/include)
    endif()
else()
    find_package(nlohmann_json 3.10 REQUIRED)
endif()

# The output folders of the programs that are built (Sorvane, SorvaneCmd), without repeats:
# where the files shipped beside them go. Call it once every folder is configured.
function(sorvane_program_dirs out)
    set(dirs)
    foreach(program IN ITEMS Sorvane SorvaneCmd)
        if(TARGET ${program})
            get_target_property(dir ${program} RUNTIME_OUTPUT_DIRECTORY)
            if(NOT dir)
                get_target_property(dir ${program} BINARY_DIR)
            endif()
            list(APPEND dirs ${dir})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES dirs)
    set(${out} ${dirs} PARENT_SCOPE)
endfunction()
