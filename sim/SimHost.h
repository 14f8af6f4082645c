#pragma once
// What the host of the simulated machine supplies: zeroed memory and a trace
// channel. The native build implements these in compat/, the driver in the kernel.
#include <stdint.h>

// Returns zero-filled memory of the given size, or nullptr when none is left.
void* SimAlloc(uint32_t bytes);
void SimFree(void* p);
// One line of diagnostic text (no trailing newline expected).
void SimTrace(const char* text);
