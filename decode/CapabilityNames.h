#pragma once
// Display names of standard (8-bit) and extended (16-bit) capability IDs;
// IDs nobody assigned are named by their number.
#include <stdint.h>

#include <string>

class CCapabilityNames {
public:
    static std::string Standard(uint8_t id);
    static std::string Extended(uint16_t id);
    // Whether the decoders know the ID (an unknown one gets only its header row).
    static bool IsKnownStandard(uint8_t id);
    static bool IsKnownExtended(uint16_t id);
};
