# Short runs of the fuzz targets as part of the test suite, from the committed seeds: a crash fails the test.
# The targets need clang with libFuzzer, so they are built as a project of their own in <build>/fuzz; where no such
# clang is found the short runs are left out.
set(TUNESHEAR_FUZZ_SECONDS 15 CACHE STRING "How long each fuzz target runs in the test suite")

find_program(FUZZ_CLANGXX NAMES clang++-14 clang++)
if(NOT FUZZ_CLANGXX)
    message(STATUS "Fuzz short runs left out: no clang++")
    return()
endif()

set(FUZZ_PROBE ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer_probe.cpp)
file(WRITE ${FUZZ_PROBE} "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
execute_process(COMMAND ${FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${FUZZ_PROBE}
    -o ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer_probe RESULT_VARIABLE FUZZ_PROBE_RESULT OUTPUT_QUIET ERROR_QUIET)
if(NOT FUZZ_PROBE_RESULT EQUAL 0)
    message(STATUS "Fuzz short runs left out: ${FUZZ_CLANGXX} cannot link libFuzzer")
    return()
endif()

include(ExternalProject)
set(FUZZ_BUILD_DIR ${CMAKE_BINARY_DIR}/fuzz)
ExternalProject_Add(tuneshear_fuzzers
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/fuzz
    BINARY_DIR ${FUZZ_BUILD_DIR}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${FUZZ_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")

function(add_fuzz_short_run name target)
    add_test(NAME fuzz.${name}ShortRun
        COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run-fuzzer ${FUZZ_BUILD_DIR}/${target}_fuzzer
            ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target} ${TUNESHEAR_FUZZ_SECONDS} ${FUZZ_BUILD_DIR}/crashes/${target})
    set_tests_properties(fuzz.${name}ShortRun PROPERTIES TIMEOUT 300)
endfunction()

add_fuzz_short_run(CommandParser command_text)
add_fuzz_short_run(MediaFile media_file)
