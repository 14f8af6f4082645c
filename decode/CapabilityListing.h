#pragma once
// The one-line-per-capability listing that brisco-dump --capabilities prints:
// B.D.F<TAB>offset<TAB>standard|extended<TAB>ID<TAB>name, e.g. "0.28.0\t100h\textended\t0001h\tAdvanced Error Reporting",
// then, only for a broken list, B.D.F<TAB>note for each capability's problem and each walk that stopped early.
#include "decode/CapabilityList.h"

#include <stdint.h>

#include <string>
#include <vector>

class CCapabilityListing {
public:
    // Bus, device and function in decimal, as brisco-dump writes function addresses.
    static std::string Line(uint32_t bus, uint32_t device, uint32_t function, const Capability& capability);
    // Every capability of the list in order, one line each, then its notes; each line ends in a newline.
    static std::string Lines(uint32_t bus, uint32_t device, uint32_t function, const CapabilityList& list);
    // The same after a function address already written out ("0001:3.0.0" outside segment 0).
    static std::string Lines(const std::string& address, const CapabilityList& list);
    // "problem at 0FCh: ..." for a capability with a problem, else empty; the page shows it beside the capability.
    static std::string ProblemNote(const Capability& capability);
    // "walk stopped: ..." for a walk that stopped early (end is the list's reason), else empty.
    static std::string WalkNote(const std::string& end);
    // The problems in list order, then the standard and the extended walk's end.
    static std::vector<std::string> Notes(const CapabilityList& list);
};
