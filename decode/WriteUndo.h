#pragma once
// How to take one journal entry back: the write that restores what the entry's write changed
// among the bits software can set, and, in words, what cannot be restored.
#include "decode/WriteJournal.h"

#include <stdint.h>

#include <string>
#include <vector>

class CWriteUndo {
public:
    struct CPlan
    {
        // False: nothing is written; refusal says why.
        bool possible = false;
        std::string refusal;
        uint64_t offset = 0; // configuration offset, or offset into the BAR's range
        uint32_t width = 0;
        uint32_t value = 0;
        uint32_t mask = 0;
        // What the undo leaves as it is: W1C bits already cleared, read-only bits.
        std::vector<std::string> notes;
    };

    // The plan for entry against the function as it is now: space is its bytes (size bytes),
    // vendorId/deviceId what it reads now. A function whose IDs changed is refused.
    static CPlan Plan(const CJournalEntry& entry, const uint8_t* space, uint32_t size, uint16_t vendorId,
                      uint16_t deviceId);
};
