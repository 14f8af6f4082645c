#pragma once
// Rows of the extended capabilities that share or virtualize a function:
// ACS, ARI, ATS, SR-IOV, MR-IOV, Multicast, PRI, PASID, TPH and the
// Resizable BAR capabilities (of the function and of its VFs).
#include "decode/CapabilityRows.h"

#include <stdint.h>

#include <string>

class CVirtualizationCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint16_t id, CCapabilityRows& rows);
    // "1MB", "256MB", "8GB" ... for a BAR size of 1 MiB << log2.
    static std::string BarSizeName(uint32_t log2);
};
