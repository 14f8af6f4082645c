#pragma once
// Rows of the virtio transport's vendor-specific capability: which structure it
// locates (common, notify, ISR or device configuration), in which BAR, where and how long.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CVirtioCapabilityRows {
public:
    // False, adding nothing, when the function is not a virtio device or the capability is too short.
    static bool Decode(CCapabilityRows& rows, uint32_t length);
};
