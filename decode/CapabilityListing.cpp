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
    for (const std::string& note : Notes(list))
        text += CDecodeText::Format("%u.%u.%u\t%s\n", bus, device, function, note.c_str());
    return text;
}

std::string CCapabilityListing::ProblemNote(const Capability& capability)
{
    if (capability.problem.empty())
        return {};
    return CDecodeText::Format("problem at %03Xh: %s", capability.offset, capability.problem.c_str());
}

std::string CCapabilityListing::WalkNote(const std::string& end)
{
    return end.empty() ? std::string() : "walk stopped: " + end;
}

std::vector<std::string> CCapabilityListing::Notes(const CapabilityList& list)
{
    std::vector<std::string> notes;
    for (const Capability& capability : list.capabilities) {
        if (!capability.problem.empty())
            notes.push_back(ProblemNote(capability));
    }
    for (const std::string* end : {&list.standardEnd, &list.extendedEnd}) {
        if (!end->empty())
            notes.push_back(WalkNote(*end));
    }
    return notes;
}
