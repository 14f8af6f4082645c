#pragma once
// Rows of the Virtual Channel and Multi-Function Virtual Channel capabilities:
// the port's arbitration, each VC resource, and the arbitration tables they point to.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CVirtualChannelRows {
public:
    // multiFunction: the MFVC layout, whose per-VC tables arbitrate between functions rather than ports.
    static void Decode(CCapabilityRows& rows, bool multiFunction);
};
