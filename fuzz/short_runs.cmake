# SPDX-License-Identifier: GPL-3.0-or-later
# A short run of the fuzz target from the committed seeds, as part of the test suite: a crash fails the test and
# leaves its input in <build>/fuzz/crashes. New inputs go to <build>/fuzz/corpus, so the seeds never change. It needs
# clang with libFuzzer and is built as a project of its own in <build>/fuzz; without it, it is left out.
set(TUNESHEAR_FUZZ_SECONDS 15 CACHE STRING "How long the fuzz target runs in the test suite")
find_program(FUZZ_CLANGXX NAMES clang++-14 clang++)
set(FUZZ_PROBE ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer_probe.cpp)
file(WRITE ${FUZZ_PROBE} "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
if(FUZZ_CLANGXX)
    execute_process(COMMAND ${FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${FUZZ_PROBE}
        -o ${FUZZ_PROBE}.out RESULT_VARIABLE FUZZ_PROBE_RESULT OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT FUZZ_CLANGXX OR NOT FUZZ_PROBE_RESULT EQUAL 0)
    message(STATUS "Fuzz short run left out: no clang++ that links libFuzzer")
    return()
endif()
include(ExternalProject)
ExternalProject_Add(tuneshear_fuzzers SOURCE_DIR ${PROJECT_SOURCE_DIR}/fuzz BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${FUZZ_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo BUILD_ALWAYS ON INSTALL_COMMAND "")
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz/corpus ${CMAKE_BINARY_DIR}/fuzz/crashes)
add_test(NAME fuzz.media_service.ShortRun COMMAND ${CMAKE_BINARY_DIR}/fuzz/media_service_fuzzer
    -max_total_time=${TUNESHEAR_FUZZ_SECONDS} -max_len=8192 -timeout=20 -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz/crashes/
    ${CMAKE_BINARY_DIR}/fuzz/corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/media_service)
set_tests_properties(fuzz.media_service.ShortRun PROPERTIES TIMEOUT 300)
