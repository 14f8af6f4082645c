#pragma once
// Rows of the remaining extended capabilities: virtual channels, the root
// complex's own (link declaration, internal link, event collector, register
// block), serial number, vendor-specific and designated vendor-specific,
// DOE, IDE, hierarchy ID, enclosure management and the other newer ones.
// Unknown IDs keep their header row only.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CComplexCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint16_t id, CCapabilityRows& rows);
};
