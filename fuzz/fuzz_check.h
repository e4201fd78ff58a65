// What the fuzz targets stop on: a promise of the code under them that an input broke.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace nimbrel::fuzz {

// Names the broken promise on standard error, so the crash report says what went wrong, then
// aborts for libFuzzer to keep the input.
inline void require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

} // namespace nimbrel::fuzz
