#include "decode/WriteEffect.h"

#include "pci/RegisterLocator.h"

#include <vector>

namespace {

constexpr uint32_t kBitsPerByte = 8;

// "bit 3", "bits 15:8" or "bits 15:14, 4": the runs of set bits of mask, highest first.
std::string BitRuns(uint32_t mask)
{
    std::string runs;
    uint32_t count = 0;
    for (int high = 31; high >= 0;) {
        if (!(mask & (1u << high))) {
            --high;
            continue;
        }
        int low = high;
        while (low > 0 && (mask & (1u << (low - 1))))
            --low;
        if (!runs.empty())
            runs += ", ";
        runs += std::to_string(high);
        if (low != high)
            runs += ":" + std::to_string(low);
        count += uint32_t(high - low + 1);
        high = low - 1;
    }
    return (count == 1 ? "bit " : "bits ") + runs;
}

// The catalogue's fields that hold the set bits of mask in the window at offset, highest
// first, each named once; empty when no table names any of them.
std::vector<const pci::CFieldDef*> FieldsOf(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width,
                                             uint32_t mask)
{
    std::vector<const pci::CFieldDef*> fields;
    for (int bit = int(kBitsPerByte * width) - 1; bit >= 0; --bit) {
        if (!(mask & (1u << bit)))
            continue;
        const uint32_t byte = offset + uint32_t(bit) / kBitsPerByte;
        const pci::CRegisterLocation at = pci::LocateRegister(space, size, byte);
        if (!at.place.def)
            continue;
        const uint32_t regStart = at.start + at.place.offset;
        const uint32_t regBit = kBitsPerByte * (byte - regStart) + uint32_t(bit) % kBitsPerByte;
        const pci::CFieldDef* field = pci::FieldAt(*at.place.def, regBit);
        if (field && (fields.empty() || fields.back() != field))
            fields.push_back(field);
    }
    return fields;
}

std::string JoinNames(const std::vector<const pci::CFieldDef*>& fields)
{
    std::string names;
    for (const pci::CFieldDef* field : fields) {
        if (!names.empty())
            names += ", ";
        names += field->name;
    }
    return names;
}

void AddPart(std::string* text, const std::string& part)
{
    if (part.empty())
        return;
    if (!text->empty())
        *text += "; ";
    *text += part;
}

} // namespace

std::string CWriteEffect::Describe(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width,
                                   uint32_t before, uint32_t written)
{
    const pci::CRegisterBits bits = pci::DescribeWindow(space, size, offset, width);
    const uint32_t all = pci::RegisterMask(width);
    const uint32_t changed = (before ^ written) & all;
    // Only the set W1C bits written as one change; every other bit typed otherwise than it
    // reads stays as it is.
    const uint32_t cleared = bits.clear & written & before & all;
    const uint32_t stays = changed & ~bits.writable & ~bits.clear;

    std::string text;
    if (const uint32_t writes = changed & bits.writable)
        AddPart(&text, "writes " + BitRuns(writes));
    if (cleared) {
        const std::vector<const pci::CFieldDef*> fields = FieldsOf(space, size, offset, width, cleared);
        AddPart(&text, "clears " + (fields.empty() ? BitRuns(cleared) : JoinNames(fields)));
    }
    if (stays) {
        const bool one = (stays & (stays - 1)) == 0;
        AddPart(&text, BitRuns(stays) + (one ? " is read-only" : " are read-only"));
    }
    return text;
}

std::string CWriteEffect::DescribeDifference(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width,
                                             uint32_t predicted, uint32_t readBack)
{
    const uint32_t differs = (predicted ^ readBack) & pci::RegisterMask(width);
    if (!differs)
        return {};
    return "Read back differs from the expected value in " + NameBits(space, size, offset, width, differs);
}

std::string CWriteEffect::NameBits(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width, uint32_t mask)
{
    std::string text = BitRuns(mask);
    const std::vector<const pci::CFieldDef*> fields = FieldsOf(space, size, offset, width, mask);
    if (!fields.empty())
        text += " (" + JoinNames(fields) + ")";
    return text;
}
