#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// Stops the run with a message when a property does not hold; libFuzzer then keeps the input
// that broke it. Used instead of assert so that checks stay on in optimised builds.
inline void check(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property violated: %s\n", property);
    std::abort();
}

}  // namespace fuzzing
