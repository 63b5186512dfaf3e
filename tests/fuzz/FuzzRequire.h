#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run on a broken promise, naming it; libFuzzer keeps the input that broke it.
inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}
