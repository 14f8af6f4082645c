// The simulator's host services for programs (not the driver): the C heap and stderr.
#include <cstdio>
#include <cstdlib>
#include "sim/SimHost.h"

void* SimAlloc(uint32_t bytes)
{
    return std::calloc(1, bytes ? bytes : 1);
}

void SimFree(void* p)
{
    std::free(p);
}

// Traces are shown only when BRISCO_SIM_TRACE is set, so test output stays quiet.
void SimTrace(const char* text)
{
    static const bool enabled = std::getenv("BRISCO_SIM_TRACE") != nullptr;
    if (enabled)
        std::fprintf(stderr, "sim: %s\n", text);
}
