# Short runs of the fuzz targets from the committed seeds, as part of the test suite: a crash fails the test. They
# need clang with libFuzzer and are built as a project of their own in <build>/fuzz; without it they are left out.
set(TUNESHEAR_FUZZ_SECONDS 15 CACHE STRING "How long each fuzz target runs in the test suite")
find_program(FUZZ_CLANGXX NAMES clang++-14 clang++)
set(FUZZ_PROBE ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer_probe.cpp)
file(WRITE ${FUZZ_PROBE} "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
if(FUZZ_CLANGXX)
    execute_process(COMMAND ${FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${FUZZ_PROBE}
        -o ${FUZZ_PROBE}.out RESULT_VARIABLE FUZZ_PROBE_RESULT OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT FUZZ_CLANGXX OR NOT FUZZ_PROBE_RESULT EQUAL 0)
    message(STATUS "Fuzz short runs left out: no clang++ that links libFuzzer")
    return()
endif()
include(ExternalProject)
ExternalProject_Add(tuneshear_fuzzers SOURCE_DIR ${PROJECT_SOURCE_DIR}/fuzz BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${FUZZ_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo BUILD_ALWAYS ON INSTALL_COMMAND "")
foreach(target command_text media_file)
    add_test(NAME fuzz.${target}.ShortRun COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run-fuzzer ${CMAKE_BINARY_DIR}/fuzz/${target}_fuzzer
        ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target} ${TUNESHEAR_FUZZ_SECONDS} ${CMAKE_BINARY_DIR}/fuzz/crashes/${target})
    set_tests_properties(fuzz.${target}.ShortRun PROPERTIES TIMEOUT 300)
endforeach()
