#pragma once
// Rows of the link, timing and power extended capabilities: L1 PM substates,
// PTM, LTR, Secondary PCI Express, the 16/32/64 GT/s physical layers, lane
// margining, data link feature, readiness time, FRS queueing, LN requester,
// power budgeting, dynamic power allocation and flit logging.
#include "decode/CapabilityRows.h"

#include <stdint.h>

class CLinkCapabilityRows {
public:
    // False when the ID is not one of this family's.
    static bool Decode(uint16_t id, CCapabilityRows& rows);
};
