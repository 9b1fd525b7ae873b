#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// A broken promise of the media service: report it and end the run, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(std::string_view what) {
    std::fprintf(stderr, "broken promise: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void check(bool holds, std::string_view what) {
    if (!holds) {
        fail(what);
    }
}

} // namespace fuzz
