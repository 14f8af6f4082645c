#pragma once
// Rows of the CXL consortium's designated vendor-specific capabilities: the
// device's capability, control and memory ranges, the function map, port
// extensions, persistent flush timing, the Flex Bus port and the register locator.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CCxlDvsecRows {
public:
    // Adds the rows of the registers this DVSEC ID has within length bytes; returns the offset
    // where they end, the header's end when the ID is not one of these.
    static uint32_t Decode(CCapabilityRows& rows, uint16_t id, uint32_t length);
};
