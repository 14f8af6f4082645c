#pragma once
// The one-line-per-capability listing that brisco-dump --capabilities prints:
// B.D.F<TAB>offset<TAB>standard|extended<TAB>ID<TAB>name, e.g. "0.28.0\t100h\textended\t0001h\tAdvanced Error Reporting".
#include "decode/CapabilityList.h"

#include <stdint.h>

#include <string>

class CCapabilityListing {
public:
    // Bus, device and function in decimal, as brisco-dump writes function addresses.
    static std::string Line(uint32_t bus, uint32_t device, uint32_t function, const Capability& capability);
    // Every capability of the list in order, one line each, each ending in a newline.
    static std::string Lines(uint32_t bus, uint32_t device, uint32_t function, const CapabilityList& list);
    // The same after a function address already written out ("0001:3.0.0" outside segment 0).
    static std::string Lines(const std::string& address, const CapabilityList& list);
};
