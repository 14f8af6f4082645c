#include "decode/CapabilityListing.h"

#include "decode/DecodeText.h"

std::string CCapabilityListing::Line(uint32_t bus, uint32_t device, uint32_t function, const Capability& capability)
{
    const bool extended = capability.space == CapabilitySpace::kExtended;
    return CDecodeText::Format(extended ? "%u.%u.%u\t%03Xh\textended\t%04Xh\t%s"
                                        : "%u.%u.%u\t%03Xh\tstandard\t%02Xh\t%s",
                               bus, device, function, capability.offset, capability.id, capability.name.c_str());
}

std::string CCapabilityListing::Lines(uint32_t bus, uint32_t device, uint32_t function, const CapabilityList& list)
{
    std::string text;
    for (const Capability& capability : list.capabilities)
        text += Line(bus, device, function, capability) + '\n';
    return text;
}
