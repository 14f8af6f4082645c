#pragma once
// Which configuration writes the live machine lets through when writes are on.
// The host's own drivers own these functions: a write that moves a BAR or a
// bridge's window, renumbers buses, switches decoding or bus mastering, or
// resets, powers down, hides or retrains a function or its link could take the
// running system down, so it is refused whatever the user asked for. Which bits
// those are, the register catalogue says (its host-owned registers and fields):
// a write is refused when it changes one of them, or writes one to clear it.
#include <stdint.h>

// The refusal of a write to bytes the space does not show.
extern const char kLiveRefusalUnreadable[];

// Why the write is refused, naming the register and field; nullptr when it may pass.
// space: the function's configuration space as it is now, spaceLength bytes (at least the
// 64 of the header). A write past spaceLength is refused: what it would hit is not known.
const char* LiveWriteRefusal(const uint8_t* space, uint32_t spaceLength, uint32_t offset, uint32_t size,
                             uint32_t value);

inline bool LiveWriteAllowed(const uint8_t* space, uint32_t spaceLength, uint32_t offset, uint32_t size,
                             uint32_t value)
{
    return LiveWriteRefusal(space, spaceLength, offset, size, value) == nullptr;
}
