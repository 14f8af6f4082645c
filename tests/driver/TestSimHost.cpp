// Host services for the simulated machine inside a Windows test program.
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

void SimTrace(const char*)
{
}
