#include "engine/assertion.h"

#include <cstdio>
#include <cstdlib>

void EngineAssertionFailure(const char* what) {
    std::fprintf(stderr, "Assertion failure (engine): %s\n", what);
    std::fflush(stderr);
    std::abort();
}
