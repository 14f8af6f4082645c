#pragma once
// Which configuration writes the live machine lets through when writes are on.
// The host's own drivers own these functions: a write that moves a BAR or a
// bridge's window, renumbers buses or switches decoding or bus mastering could
// take the running system down, so it is refused whatever the user asked for.
#include <stdint.h>

// header: at least the first 64 bytes of the function's configuration space as it is now.
bool LiveWriteAllowed(const uint8_t* header, uint32_t offset, uint32_t size, uint32_t value);
