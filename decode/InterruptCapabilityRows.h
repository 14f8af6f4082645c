#pragma once
// Rows of the message-signalled interrupt capabilities, MSI (05h) and MSI-X (11h).
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CInterruptCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint8_t id, CCapabilityRows& rows);
};
