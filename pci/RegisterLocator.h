#pragma once
// Finds which catalogued register a byte of a function's space belongs to: the header layout's,
// or that of the capability entry the walk finds there. No standard library, no static
// constructors, so the simulator inside the kernel driver uses it too.
#include "pci/CapabilityRegisters.h"
#include "pci/CapabilityWalk.h"
#include "pci/ExtendedCapabilityRegisters.h"
#include "pci/HeaderRegisters.h"

namespace pci {

// One block of the catalogue as it lies in a function's space.
struct CRegisterLocation
{
    const CRegisterBlock* block; // null when no table describes the byte
    uint32_t start;              // the block's first byte in the space (0 for the header)
    uint32_t end;                // one past its last byte: the next entry above it, or the space's end
    CRegisterPlace place;        // the register; place.def null when the block does not name it
};

template <uint32_t N>
constexpr const CRegisterBlock* FindBlockIn(const CRegisterBlock (&blocks)[N], uint16_t id, uint8_t variant)
{
    for (uint32_t i = 0; i < N; ++i)
        if (blocks[i].id == id && blocks[i].variant == variant)
            return &blocks[i];
    return nullptr;
}

// The block of a header layout, or of a capability ID of either list; null when unknown.
constexpr const CRegisterBlock* FindBlock(EBlockKind kind, uint16_t id, uint8_t variant = 0)
{
    switch (kind) {
    case EBlockKind::kHeader: return FindBlockIn(header::kHeaderBlocks, id, variant);
    case EBlockKind::kCapability: return FindBlockIn(capability::kCapabilityBlocks, id, variant);
    case EBlockKind::kExtendedCapability: return FindBlockIn(extended::kExtendedCapabilityBlocks, id, variant);
    }
    return nullptr;
}

template <uint32_t N>
constexpr const CRegisterBlock* FindSymbolIn(const CRegisterBlock (&blocks)[N], const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < N; ++i)
        if (blocks[i].variant == 0 && SymbolEquals(blocks[i].symbol, text, length))
            return &blocks[i];
    return nullptr;
}

// The capability whose setpci name is text ("EXP" for CAP_EXP, "AER" for ECAP_AER).
constexpr const CRegisterBlock* FindBlockBySymbol(bool extended, const char* text, uint32_t length)
{
    return extended ? FindSymbolIn(extended::kExtendedCapabilityBlocks, text, length)
                    : FindSymbolIn(capability::kCapabilityBlocks, text, length);
}

// Which of a capability's layouts the entry at `at` has (0 for most).
uint8_t CapabilityVariant(const uint8_t* space, uint32_t size, uint32_t at, EBlockKind kind, uint16_t id);

// Where the registers of an entry starting at `at` end: the nearest entry above it, or limit.
template <typename Walk>
constexpr uint32_t EntryEnd(const uint8_t* space, uint32_t size, uint32_t at, uint32_t limit)
{
    Walk walk(space, size);
    uint32_t end = limit;
    for (uint32_t entry = 0; walk.Next(&entry);)
        if (entry > at && entry < end)
            end = entry;
    return end;
}

// The entry of a walk with the highest start at or below offset, or false.
template <typename Walk>
constexpr bool EntryHolding(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t floor, uint32_t* start)
{
    Walk walk(space, size);
    bool found = false;
    for (uint32_t entry = 0; walk.Next(&entry);) {
        if (entry >= floor && entry <= offset && (!found || entry > *start)) {
            *start = entry;
            found = true;
        }
    }
    return found;
}

// Where a capability that says its own length ends, when that is before end: Enhanced
// Allocation by its entries' sizes, the Resizable BARs by their count. Tables list the most
// entries such a capability can have; the rest past its real length is not its register.
inline uint32_t DeclaredEnd(const uint8_t* space, uint32_t end, uint32_t at, EBlockKind kind, uint16_t id)
{
    uint32_t length = 0;
    if (kind == EBlockKind::kCapability && id == kCapEnhancedAllocation && at + kDwordBytes <= end) {
        const bool bridge = (space[kHeaderTypeOffset] & kHeaderLayoutMask) == kLayoutPciBridge;
        length = bridge ? kEaBridgeFirstEntryOffset : kEaFirstEntryOffset;
        const uint32_t count = space[at + kEaEntryCountOffset] & kEaEntryCountMask;
        for (uint32_t n = 0; n < count && at + length + kDwordBytes <= end; ++n)
            length += (1 + (GetLe32(space + at + length) & kEaEntrySizeMask)) * kDwordBytes;
    } else if (kind == EBlockKind::kExtendedCapability &&
               (id == kExtCapResizableBar || id == kExtCapVfResizableBar) &&
               at + kRebarFirstOffset + kRebarControlOffset + kDwordBytes <= end) {
        const uint32_t control = GetLe32(space + at + kRebarFirstOffset + kRebarControlOffset);
        uint32_t count = (control >> kRebarCountShift) & kRebarCountMask;
        if (count > kRebarMaxEntries)
            count = kRebarMaxEntries;
        length = kRebarFirstOffset + count * kRebarEntryBytes;
    } else {
        return end;
    }
    return at + length < end ? at + length : end;
}

// The catalogued register that holds the byte at offset of a space of size bytes.
inline CRegisterLocation LocateRegister(const uint8_t* space, uint32_t size, uint32_t offset)
{
    CRegisterLocation location = {nullptr, 0, 0, {nullptr, 0, 0}};
    // The header alone (64 bytes, all another user sees) still names its registers.
    if (offset >= size || size < kDeviceSpecificOffset)
        return location;
    const uint32_t layout = space[kHeaderTypeOffset] & kHeaderLayoutMask;
    if (const CRegisterBlock* header = FindBlock(EBlockKind::kHeader, uint16_t(layout))) {
        const CRegisterPlace place = RegisterCovering(*header, offset);
        if (place.def || offset < kDeviceSpecificOffset)
            return {header, 0, kDeviceSpecificOffset, place};
    }
    uint32_t start = 0;
    EBlockKind kind = EBlockKind::kCapability;
    uint32_t end = 0;
    uint16_t id = 0;
    if (offset < kConfigSpaceBytes) {
        if (!EntryHolding<CCapabilityWalk>(space, size, offset, kDeviceSpecificOffset, &start))
            return location;
        end = EntryEnd<CCapabilityWalk>(space, size, start, kConfigSpaceBytes);
        id = space[start + kCapabilityIdOffset];
    } else {
        if (!EntryHolding<CExtendedCapabilityWalk>(space, size, offset, kExtCapFirstOffset, &start))
            return location;
        kind = EBlockKind::kExtendedCapability;
        end = EntryEnd<CExtendedCapabilityWalk>(space, size, start, size);
        id = uint16_t(GetLe32(space + start) & kExtCapIdMask);
    }
    end = DeclaredEnd(space, end, start, kind, id);
    if (offset >= end)
        return location;
    const CRegisterBlock* block = FindBlock(kind, id, CapabilityVariant(space, size, start, kind, id));
    if (!block)
        return {nullptr, start, end, {nullptr, 0, 0}};
    CRegisterPlace place = RegisterCovering(*block, offset - start);
    if (place.def && start + place.offset + place.def->width > end)
        place = {nullptr, 0, 0};
    return {block, start, end, place};
}

// What a write of width bytes at offset does to each of its bits, from every catalogued register
// it touches; bits no table describes are plain storage.
inline CRegisterBits DescribeWindow(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width)
{
    CRegisterBits bits = {RegisterMask(width), 0, 0, 0, 0};
    for (uint32_t byte = 0; byte < width;) {
        const CRegisterLocation at = LocateRegister(space, size, offset + byte);
        if (!at.place.def) {
            ++byte;
            continue;
        }
        const CRegisterBits reg = BitsOf(*at.place.def);
        const uint32_t regStart = at.start + at.place.offset;
        // The register's bits that fall inside the window, moved to the window's bit positions.
        for (uint32_t b = byte; b < width && offset + b < regStart + at.place.def->width; ++b) {
            const uint32_t from = 8 * (offset + b - regStart);
            const uint32_t to = 8 * b;
            const uint32_t byteMask = 0xFFu << to;
            auto move = [&](uint32_t value) { return ((value >> from) & 0xFFu) << to; };
            bits.writable = (bits.writable & ~byteMask) | move(reg.writable);
            bits.clear |= move(reg.clear);
            bits.preserved |= move(reg.preserved);
            bits.hostOwned |= move(reg.hostOwned);
            bits.described |= move(reg.described);
            byte = b + 1;
        }
    }
    return bits;
}

// The HyperTransport layout its command word's interface or block type names.
constexpr uint8_t HyperTransportVariant(uint32_t command)
{
    switch ((command >> kHtInterfaceTypeShift) & kHtInterfaceTypeMask) {
    case kHtInterfaceSlave: return capability::kHtVariantSlave;
    case kHtInterfaceHost: return capability::kHtVariantHost;
    default: break;
    }
    switch ((command >> kHtCapabilityTypeShift) & kHtCapabilityTypeMask) {
    case kHtTypeMsiMapping: return capability::kHtVariantMsiMapping;
    case kHtTypeInterruptDiscovery: return capability::kHtVariantInterruptDiscovery;
    default: return capability::kHtVariantOther;
    }
}

// A virtio device's vendor-specific entries name their fields; the notify structure has one more.
inline uint8_t VendorSpecificVariant(const uint8_t* space, uint32_t at)
{
    const uint32_t device = GetLe16(space + kDeviceIdOffset);
    const uint32_t length = space[at + kVendorSpecificLengthOffset];
    if (GetLe16(space + kVendorIdOffset) != kVirtioVendor || device < kVirtioFirstDevice ||
        device > kVirtioLastDevice || length < kVirtioCapBytes)
        return 0;
    const bool notify = space[at + kVirtioCfgTypeOffset] == kVirtioCfgNotify && length >= kVirtioNotifyCapBytes;
    return notify ? capability::kVendorVariantVirtioNotify : capability::kVendorVariantVirtio;
}

inline uint8_t CapabilityVariant(const uint8_t* space, uint32_t size, uint32_t at, EBlockKind kind, uint16_t id)
{
    if (kind == EBlockKind::kExtendedCapability)
        return extended::ExtendedVariant(space, size, at, id);
    // Every conventional layout is told apart by the entry's first dword or by the header.
    if (kind != EBlockKind::kCapability || size < kConfigSpaceBytes || at + kDwordBytes > kConfigSpaceBytes)
        return 0;
    const uint32_t word = GetLe16(space + at + kCapabilityHeaderBytes);
    const bool bridge = (space[kHeaderTypeOffset] & kHeaderLayoutMask) == kLayoutPciBridge;
    switch (id) {
    case kCapMsi:
        return uint8_t(((word & kMsi64BitCapable) ? capability::kMsiVariant64Bit : 0) |
                       ((word & kMsiPerVectorMasking) ? capability::kMsiVariantMasking : 0) |
                       ((word & kMsiExtendedDataCapable) ? capability::kMsiVariantExtendedData : 0));
    case kCapPciX: return bridge ? capability::kPciXVariantBridge : 0;
    case kCapEnhancedAllocation: return bridge ? capability::kEaVariantBridge : 0;
    case kCapPciExpress:
        return ((word >> kExpPortTypeShift) & kExpPortTypeMask) == kExpTypeExpressToPciBridge
            ? capability::kExpVariantPciBridge
            : 0;
    case kCapHyperTransport: return HyperTransportVariant(word);
    case kCapVendorSpecific: return VendorSpecificVariant(space, at);
    default: return 0;
    }
}

} // namespace pci
