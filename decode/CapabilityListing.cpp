#include "decode/CapabilityListing.h"

#include "decode/DecodeText.h"

namespace {

std::string Address(uint32_t bus, uint32_t device, uint32_t function)
{
    return CDecodeText::Format("%u.%u.%u", bus, device, function);
}

std::string LineAfter(const std::string& address, const Capability& capability)
{
    const bool extended = capability.space == CapabilitySpace::kExtended;
    return address +
        CDecodeText::Format(extended ? "\t%03Xh\textended\t%04Xh\t%s" : "\t%03Xh\tstandard\t%02Xh\t%s",
                            capability.offset, capability.id, capability.name.c_str());
}

} // namespace

std::string CCapabilityListing::Line(uint32_t bus, uint32_t device, uint32_t function, const Capability& capability)
{
    return LineAfter(Address(bus, device, function), capability);
}

std::string CCapabilityListing::Lines(uint32_t bus, uint32_t device, uint32_t function, const CapabilityList& list)
{
    return Lines(Address(bus, device, function), list);
}

std::string CCapabilityListing::Lines(const std::string& address, const CapabilityList& list)
{
    std::string text;
    for (const Capability& capability : list.capabilities)
        text += LineAfter(address, capability) + '\n';
    for (const std::string& note : Notes(list))
        text += address + '\t' + note + '\n';
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
