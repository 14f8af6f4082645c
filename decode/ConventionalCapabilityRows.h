#pragma once
// Rows of the standard capabilities other than PCI Express and MSI/MSI-X:
// power management, AGP, VPD, slot ID, PCI-X, vendor-specific,
// debug port, CompactPCI, hot-plug, bridge subsystem, SATA, advanced features,
// enhanced allocation and the flattening portal bridge.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CConventionalCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint8_t id, CCapabilityRows& rows);
};
