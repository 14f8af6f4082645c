#include "live/LiveWritePolicy.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

const char kLiveRefusalUnreadable[] = "registers that cannot be read";

namespace {

// Bytes [first, end) that no write may touch.
struct CSpan
{
    uint32_t first;
    uint32_t end;
    const char* name;
};

constexpr CSpan kDeviceSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kDeviceBarCount), "BARs"},
    {pci::kExpansionRomOffset, pci::kExpansionRomOffset + pci::kDwordBytes, "expansion ROM BAR"},
};
constexpr CSpan kPciBridgeSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kPciBridgeBarCount), "BARs"},
    {pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset, "bus numbers"},
    {pci::kIoBaseOffset, pci::kSecondaryStatusOffset, "I/O window"},
    {pci::kMemoryBaseOffset, pci::kIoLimitUpperOffset + pci::kWordBytes, "memory and I/O windows"},
    {pci::kBridgeExpansionRomOffset, pci::kBridgeExpansionRomOffset + pci::kDwordBytes, "expansion ROM BAR"},
};
// A CardBus bridge keeps its bus numbers where a PCI-to-PCI bridge does.
constexpr CSpan kCardBusSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kCardBusBarCount), "socket registers BAR"},
    {pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset, "bus numbers"},
    {pci::kCardBusMemoryWindowsOffset, pci::kCardBusIoWindowsOffset + 2 * pci::kCardBusWindowPairBytes,
     "memory and I/O windows"},
    {pci::kCardBusLegacyBaseOffset, pci::kCardBusLegacyBaseOffset + pci::kDwordBytes, "legacy mode base"},
};

// Bits of a register that must keep the value the host gave them (changed), and bits that act
// when written as one and read 0 (triggered).
struct CGuardedField
{
    uint32_t offset; // from the capability's first byte, or absolute for the header
    uint16_t changed;
    uint16_t triggered;
    const char* name;
};

constexpr CGuardedField kCommandFields[] = {
    {pci::kCommandOffset, pci::kCommandIoSpace | pci::kCommandMemorySpace | pci::kCommandBusMaster, 0,
     "Command: I/O Space, Memory Space or Bus Master"},
};
constexpr CGuardedField kBridgeControlFields[] = {
    {pci::kBridgeControlOffset, pci::kBridgeControlSecondaryBusReset, 0, "Bridge Control: Secondary Bus Reset"},
    {pci::kBridgeControlOffset, pci::kBridgeControlVgaEnable, 0, "Bridge Control: VGA Enable"},
};
constexpr CGuardedField kPmFields[] = {
    {pci::kPmControlStatusOffset, pci::kPmPowerStateMask, 0, "Power Management Control/Status: Power State"},
};
constexpr CGuardedField kExpressFields[] = {
    {pci::kExpDeviceControlOffset, 0, pci::kExpDeviceControlInitiateFlr, "Device Control: Initiate FLR"},
    {pci::kExpLinkControlOffset, pci::kExpLinkControlLinkDisable, 0, "Link Control: Link Disable"},
    {pci::kExpLinkControlOffset, 0, pci::kExpLinkControlRetrainLink, "Link Control: Retrain Link"},
};
constexpr CGuardedField kSriovFields[] = {
    {pci::kSriovControlOffset, pci::kSriovControlVfEnable, 0, "SR-IOV Control: VF Enable"},
    {pci::kSriovControlOffset, pci::kSriovControlVfMemorySpace, 0, "SR-IOV Control: VF Memory Space Enable"},
};

bool Overlaps(uint32_t offset, uint32_t size, uint32_t first, uint32_t end)
{
    return offset < end && offset + size > first;
}

// The register's word at at as it would be after the write (bytes the write misses keep theirs).
uint16_t WordAfter(const uint8_t* space, uint32_t at, uint32_t offset, uint32_t size, uint32_t value)
{
    uint8_t after[pci::kWordBytes] = {space[at], space[at + 1]};
    for (uint32_t i = 0; i < size; ++i) {
        if (offset + i >= at && offset + i < at + pci::kWordBytes)
            after[offset + i - at] = uint8_t(value >> (8 * i));
    }
    return pci::GetLe16(after);
}

template <uint32_t N>
const char* CheckSpans(const CSpan (&spans)[N], uint32_t offset, uint32_t size)
{
    for (const CSpan& span : spans) {
        if (Overlaps(offset, size, span.first, span.end))
            return span.name;
    }
    return nullptr;
}

template <uint32_t N>
const char* CheckFields(const CGuardedField (&fields)[N], const uint8_t* space, uint32_t base, uint32_t offset,
                        uint32_t size, uint32_t value)
{
    for (const CGuardedField& field : fields) {
        const uint32_t at = base + field.offset;
        if (!Overlaps(offset, size, at, at + pci::kWordBytes))
            continue;
        const uint16_t after = WordAfter(space, at, offset, size, value);
        if (((after ^ pci::GetLe16(space + at)) & field.changed) || (after & field.triggered))
            return field.name;
    }
    return nullptr;
}

// The function's configuration space and the write being judged.
struct CWrite
{
    const uint8_t* space;
    uint32_t length;
    uint32_t offset;
    uint32_t size;
    uint32_t value;
};

// Every dword of the enhanced allocation entries, and a bridge's fixed bus numbers before them.
const char* CheckEnhancedAllocation(const CWrite& w, uint32_t cap)
{
    const uint32_t entries = w.space[cap + pci::kEaEntryCountOffset] & pci::kEaEntryCountMask;
    uint32_t end = cap + pci::kEaFirstEntryOffset;
    if ((w.space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask) == pci::kLayoutPciBridge)
        end = cap + pci::kEaBridgeFirstEntryOffset;
    for (uint32_t i = 0; i < entries && end + pci::kDwordBytes <= w.length; ++i)
        end += pci::kDwordBytes * (1 + (pci::GetLe32(w.space + end) & pci::kEaEntrySizeMask));
    return Overlaps(w.offset, w.size, cap + pci::kEaFirstEntryOffset, end) ? "Enhanced Allocation entries" : nullptr;
}

const char* CheckCapability(const CWrite& w, uint8_t id, uint32_t cap)
{
    switch (id) {
    case pci::kCapPowerManagement: return CheckFields(kPmFields, w.space, cap, w.offset, w.size, w.value);
    case pci::kCapPciExpress: return CheckFields(kExpressFields, w.space, cap, w.offset, w.size, w.value);
    case pci::kCapEnhancedAllocation: return CheckEnhancedAllocation(w, cap);
    default: return nullptr;
    }
}

// The list behind the capabilities pointer: pointers masked to dwords, each dword visited once.
const char* CheckCapabilities(const CWrite& w)
{
    const uint32_t layout = w.space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    if (!(pci::GetLe16(w.space + pci::kStatusOffset) & pci::kStatusCapabilityList) ||
        w.length < pci::kConfigSpaceBytes)
        return nullptr;
    const uint32_t pointer =
        layout == pci::kLayoutCardBusBridge ? pci::kCardBusCapabilitiesPointerOffset : pci::kCapabilitiesPointerOffset;
    bool visited[pci::kConfigSpaceDwords] = {};
    for (uint32_t at = w.space[pointer] & pci::kCapabilityPointerMask;
         at >= pci::kDeviceSpecificOffset && !visited[at / pci::kDwordBytes];
         at = w.space[at + pci::kCapabilityNextOffset] & pci::kCapabilityPointerMask) {
        visited[at / pci::kDwordBytes] = true;
        if (const char* refusal = CheckCapability(w, w.space[at + pci::kCapabilityIdOffset], at))
            return refusal;
    }
    return nullptr;
}

// Resizable BAR control dwords: one per entry, as many as the first control says.
const char* CheckResizableBar(const CWrite& w, uint32_t cap)
{
    const uint32_t first = cap + pci::kRebarFirstOffset;
    const uint32_t firstControl = first + pci::kRebarControlOffset;
    uint32_t entries = 0;
    if (firstControl + pci::kDwordBytes <= w.length)
        entries = (pci::GetLe32(w.space + firstControl) >> pci::kRebarCountShift) & pci::kRebarCountMask;
    // A count the capability cannot hold guards every control it might have.
    if (entries == 0 || entries > pci::kRebarMaxEntries)
        entries = pci::kRebarMaxEntries;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t control = first + i * pci::kRebarEntryBytes + pci::kRebarControlOffset;
        if (Overlaps(w.offset, w.size, control, control + pci::kDwordBytes))
            return "Resizable BAR Control";
    }
    return nullptr;
}

const char* CheckExtendedCapability(const CWrite& w, uint16_t id, uint32_t cap)
{
    switch (id) {
    case pci::kExtCapSriov: {
        const uint32_t bars = cap + pci::kSriovVfBar0Offset;
        if (Overlaps(w.offset, w.size, bars, bars + pci::kSriovVfBarCount * pci::kBarBytes))
            return "SR-IOV VF BARs";
        return CheckFields(kSriovFields, w.space, cap, w.offset, w.size, w.value);
    }
    case pci::kExtCapResizableBar:
    case pci::kExtCapVfResizableBar: return CheckResizableBar(w, cap);
    default: return nullptr;
    }
}

// The extended list from 100h: each dword visited once, at most kExtCapMaxEntries entries; it
// ends at a header of 0 or all ones, or a pointer back into the conventional space.
const char* CheckExtendedCapabilities(const CWrite& w)
{
    if (w.length < pci::kExtendedConfigSpaceBytes)
        return nullptr;
    bool visited[pci::kExtendedConfigSpaceBytes / pci::kDwordBytes] = {};
    uint32_t at = pci::kExtCapFirstOffset;
    for (uint32_t steps = 0; steps < pci::kExtCapMaxEntries && at >= pci::kExtCapFirstOffset &&
         !visited[at / pci::kDwordBytes];
         ++steps) {
        const uint32_t header = pci::GetLe32(w.space + at);
        if (header == 0 || header == pci::kAbsentFunctionDword)
            break;
        visited[at / pci::kDwordBytes] = true;
        if (const char* refusal = CheckExtendedCapability(w, uint16_t(header & pci::kExtCapIdMask), at))
            return refusal;
        at = (header >> pci::kExtCapNextShift) & pci::kExtCapNextMask;
    }
    return nullptr;
}

const char* CheckHeader(const CWrite& w)
{
    const uint32_t layout = w.space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    if (layout == pci::kLayoutDevice)
        return CheckSpans(kDeviceSpans, w.offset, w.size);
    if (layout == pci::kLayoutPciBridge || layout == pci::kLayoutCardBusBridge) {
        const char* refusal = layout == pci::kLayoutPciBridge ? CheckSpans(kPciBridgeSpans, w.offset, w.size)
                                                              : CheckSpans(kCardBusSpans, w.offset, w.size);
        return refusal ? refusal : CheckFields(kBridgeControlFields, w.space, 0, w.offset, w.size, w.value);
    }
    // A header of unknown layout may hold addresses anywhere after its first dwords.
    if (Overlaps(w.offset, w.size, pci::kBar0Offset, pci::kDeviceSpecificOffset))
        return "header of unknown layout";
    return nullptr;
}

} // namespace

const char* LiveWriteRefusal(const uint8_t* space, uint32_t spaceLength, uint32_t offset, uint32_t size,
                             uint32_t value)
{
    // Linux shows 64, 256 or 4096 bytes: capabilities cannot be found in less than a whole space.
    const uint32_t known = spaceLength >= pci::kExtendedConfigSpaceBytes ? pci::kExtendedConfigSpaceBytes
        : spaceLength >= pci::kConfigSpaceBytes                          ? pci::kConfigSpaceBytes
                                                                         : pci::kDeviceSpecificOffset;
    if (spaceLength < pci::kDeviceSpecificOffset || offset >= known || size > known - offset)
        return kLiveRefusalUnreadable;
    const CWrite w{space, known, offset, size, value};
    if (const char* refusal = CheckHeader(w))
        return refusal;
    if (const char* refusal = CheckFields(kCommandFields, space, 0, offset, size, value))
        return refusal;
    if (const char* refusal = CheckCapabilities(w))
        return refusal;
    return CheckExtendedCapabilities(w);
}
