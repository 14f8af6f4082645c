#pragma once
// Rows of the PCI Express capability (ID 10h), in lspci's vocabulary.
#include "decode/CapabilityRows.h"

#include <stdint.h>

#include <string>

class CExpressCapabilityRows {
public:
    static void Decode(CCapabilityRows& rows);
    // "Root Port (Slot+)" and the like; the header row and the listing use it.
    static std::string PortTypeName(uint32_t portType, bool slot);
    // "2.5GT/s" ... "64GT/s", or "unknown"; other capabilities share the encoding.
    static const char* SpeedName(uint32_t speed);
    // A power as value and scale (1, 0.1, 0.01 or 0.001 W), without trailing zeros: "10W", "2.5W".
    static std::string Watts(uint32_t value, uint32_t scale);
    // Has link registers (every type but the root complex's integrated endpoints and event collectors).
    static bool HasLink(uint32_t portType);
};
