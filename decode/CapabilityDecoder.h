#pragma once
// Finds and decodes every capability in one function's raw configuration
// space (256 bytes, or 4096 with the extended space). Portable: it needs no
// device, driver or window, only the bytes; it never reads outside them.
#include "decode/CapabilityList.h"

#include "pci/RegisterCatalogue.h"

#include <stdint.h>

#include <string>
#include <vector>

class CCapabilityDecoder {
public:
    // Where a walk found entries and, when it stopped early, why.
    struct Walk
    {
        std::vector<uint32_t> offsets;
        std::string end;
    };

    // Sizes other than 256 and 4096 are read as the largest of the two that fits (none below 256).
    CCapabilityDecoder(const uint8_t* bytes, uint32_t size);

    // The list behind the Capabilities List bit: pointers masked to dwords, each entry visited once.
    Walk WalkStandard() const;
    // From 100h: ends at a header of 0 or all ones, a pointer below 100h, a repeat, or 960 entries.
    Walk WalkExtended() const;
    // Extended space is read when the bytes hold it and the function is PCI Express or PCI-X 266/533,
    // the functions that have one.
    bool HasExtendedSpace() const;

    CapabilityList Decode() const;

private:
    // What the PCI Express capability tells the other decoders.
    struct ExpressContext
    {
        int portType;
        uint32_t linkWidth;
    };

    // The catalogue's table for the entry at offset, in the layout its bytes give it.
    const pci::CRegisterBlock* Block(pci::EBlockKind kind, uint32_t offset, uint16_t id) const;
    Capability DecodeStandard(uint32_t offset, const ExpressContext& context) const;
    Capability DecodeExtended(uint32_t offset, const ExpressContext& context) const;
    ExpressContext Express(const Walk& standard) const;

    const uint8_t* m_bytes;
    uint32_t m_size;
};
