#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the media service ends the run, so libFuzzer keeps the input as a crash.
inline void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}
