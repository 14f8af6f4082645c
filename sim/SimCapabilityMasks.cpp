// CSimFunction: which bits of the capability registers keep what is written. IDs,
// next pointers, versions and capability fields are read-only, the status bits
// hardware clears by writing ones do so, everything else is plain storage.
#include "sim/SimFunction.h"

#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

namespace {

// The conventional space holds at most this many entries past the header.
constexpr uint32_t kMaxCapabilities = 48;
constexpr uint32_t kAllBits = 0xFFFFFFFF;
constexpr uint32_t kDwordCount = kSimExtendedConfigSize / pci::kDwordBytes;

// One register of a capability: offset from its first byte, the writable and the
// write-one-to-clear bits (fields longer than a dword are read-only logs).
struct CFieldMask
{
    uint16_t m_offset;
    uint8_t m_size;
    uint32_t m_writable;
    uint32_t m_clear;
};

struct CCapabilityMasks
{
    uint16_t m_id;
    bool m_extended;
    const CFieldMask* m_fields;
    uint32_t m_count;
};

using namespace pci;

constexpr CFieldMask kExpressFields[] = {
    {kExpCapabilitiesOffset, 2, 0, 0},
    {kExpDeviceCapOffset, 4, 0, 0},
    {kExpDeviceStatusOffset, 2, 0, kExpDeviceStatusErrorBits},
    {kExpLinkCapOffset, 4, 0, 0},
    {kExpLinkStatusOffset, 2, 0, kExpLinkStatusChangeBits},
    {kExpSlotCapOffset, 4, 0, 0},
    {kExpSlotStatusOffset, 2, 0, kExpSlotStatusChangeBits},
    {kExpRootCapOffset, 2, 0, 0},
    {kExpRootStatusOffset, 4, 0, kExpRootStatusPmeStatus},
    {kExpDeviceCap2Offset, 4, 0, 0},
    {kExpDeviceStatus2Offset, 2, 0, 0},
    {kExpLinkCap2Offset, 4, 0, 0},
    {kExpLinkStatus2Offset, 2, 0, kExpLinkStatus2EqualizationRequest},
    {kExpSlotCap2Offset, 4, 0, 0},
    {kExpSlotStatus2Offset, 2, 0, 0},
};
constexpr CFieldMask kMsiXFields[] = {
    {kMsiXControlOffset, 2, kMsiXEnable | kMsiXFunctionMask, 0},
    {kMsiXTableOffset, 4, 0, 0},
    {kMsiXPbaOffset, 4, 0, 0},
};
constexpr CFieldMask kAerFields[] = {
    {kAerUncorrectableStatusOffset, 4, 0, kAllBits},
    {kAerCorrectableStatusOffset, 4, 0, kAllBits},
    {kAerCapControlOffset, 4, kAerControlEnableBits, 0},
    {kAerHeaderLogOffset, kAerHeaderLogDwords * 4, 0, 0},
    {kAerRootStatusOffset, 4, 0, kAerRootStatusErrorBits},
    {kAerErrorSourceOffset, 4, 0, 0},
    {kAerPrefixLogOffset, 16, 0, 0},
};
constexpr CFieldMask kVirtualChannelFields[] = {
    {kVcPortCap1Offset, 4, 0, 0},
    {kVcPortCap2Offset, 4, 0, 0},
    {kVcPortStatusOffset, 2, 0, 0},
    {kVcResourceOffset, 4, 0, 0},
    {kVcResourceOffset + kVcResourceStatusOffset, 2, 0, 0},
};
constexpr CFieldMask kSerialFields[] = {{kSerialLowOffset, 8, 0, 0}};
constexpr CFieldMask kPowerBudgetFields[] = {{kPowerBudgetDataOffset, 4, 0, 0}, {kPowerBudgetCapOffset, 4, 0, 0}};
constexpr CFieldMask kVsecFields[] = {{kVsecHeaderOffset, 4, 0, 0}};
constexpr CFieldMask kAcsFields[] = {{kAcsCapOffset, 2, 0, 0}};
constexpr CFieldMask kAriFields[] = {{kAriCapOffset, 2, 0, 0}};
constexpr CFieldMask kAtsFields[] = {{kAtsCapOffset, 2, 0, 0}};
constexpr CFieldMask kSriovFields[] = {
    {kSriovCapOffset, 4, 0, 0},        {kSriovStatusOffset, 2, 0, kSriovStatusMigration},
    {kSriovInitialVfsOffset, 2, 0, 0}, {kSriovTotalVfsOffset, 2, 0, 0},
    {kSriovDependencyOffset, 2, 0, 0}, {kSriovFirstVfOffset, 2, 0, 0},
    {kSriovVfStrideOffset, 2, 0, 0},   {kSriovVfDeviceIdOffset, 2, 0, 0},
    {kSriovPageSizesOffset, 4, 0, 0},  {kSriovMigrationStateOffset, 4, 0, 0},
};
constexpr CFieldMask kMulticastFields[] = {{kMcastCapOffset, 2, 0, 0}};
constexpr CFieldMask kPriFields[] = {{kPriStatusOffset, 2, 0, kPriStatusErrorBits}, {kPriCapacityOffset, 4, 0, 0}};
constexpr CFieldMask kTphFields[] = {{kTphCapOffset, 4, 0, 0}};
constexpr CFieldMask kSecondaryFields[] = {{kSecLaneErrorStatusOffset, 4, 0, kAllBits}};
constexpr CFieldMask kPasidFields[] = {{kPasidCapOffset, 2, 0, 0}};
constexpr CFieldMask kDpcFields[] = {
    {kDpcCapOffset, 2, 0, 0},           {kDpcStatusOffset, 2, 0, kDpcStatusClearBits},
    {kDpcSourceOffset, 2, 0, 0},        {kDpcPioStatusOffset, 4, 0, kAllBits},
    {kDpcPioHeaderLogOffset, 16, 0, 0},
};
constexpr CFieldMask kL1ssFields[] = {{kL1ssCapOffset, 4, 0, 0}, {kL1ssStatusOffset, 4, 0, kL1ssStatusActivation}};
constexpr CFieldMask kPtmFields[] = {{kPtmCapOffset, 4, 0, 0}};
constexpr CFieldMask kDvsecFields[] = {{kDvsecHeader1Offset, 4, 0, 0}, {kDvsecHeader2Offset, 2, 0, 0}};
constexpr CFieldMask kDataLinkFields[] = {{kDlfStatusOffset, 4, 0, 0}};
constexpr CFieldMask kPhysical16Fields[] = {
    {kPhyCapOffset, 4, 0, 0},
    {kPhyStatusOffset, 4, 0, 0},
    {kPhy16LocalParityOffset, 4, 0, kAllBits},
    {kPhy16FirstRetimerParityOffset, 4, 0, kAllBits},
    {kPhy16SecondRetimerParityOffset, 4, 0, kAllBits},
};
constexpr CFieldMask kPhysical32Fields[] = {{kPhyCapOffset, 4, 0, 0}, {kPhyStatusOffset, 4, 0, 0}};
constexpr CFieldMask kMarginFields[] = {{kMarginPortCapOffset, 2, 0, 0}, {kMarginPortStatusOffset, 2, 0, 0}};
constexpr CFieldMask kDoeFields[] = {{kDoeCapOffset, 4, 0, 0}, {kDoeStatusOffset, 4, 0, 0}};

template <uint32_t N>
constexpr CCapabilityMasks Masks(uint16_t id, bool extended, const CFieldMask (&fields)[N])
{
    return {id, extended, fields, N};
}

constexpr CCapabilityMasks kCapabilityMasks[] = {
    Masks(kCapPciExpress, false, kExpressFields),
    Masks(kCapMsiX, false, kMsiXFields),
    Masks(kExtCapAer, true, kAerFields),
    Masks(kExtCapVirtualChannel, true, kVirtualChannelFields),
    Masks(kExtCapVirtualChannel9, true, kVirtualChannelFields),
    Masks(kExtCapMfvc, true, kVirtualChannelFields),
    Masks(kExtCapSerialNumber, true, kSerialFields),
    Masks(kExtCapPowerBudgeting, true, kPowerBudgetFields),
    Masks(kExtCapVendorSpecific, true, kVsecFields),
    Masks(kExtCapAcs, true, kAcsFields),
    Masks(kExtCapAri, true, kAriFields),
    Masks(kExtCapAts, true, kAtsFields),
    Masks(kExtCapSriov, true, kSriovFields),
    Masks(kExtCapMulticast, true, kMulticastFields),
    Masks(kExtCapPri, true, kPriFields),
    Masks(kExtCapTph, true, kTphFields),
    Masks(kExtCapSecondaryPcie, true, kSecondaryFields),
    Masks(kExtCapPasid, true, kPasidFields),
    Masks(kExtCapDpc, true, kDpcFields),
    Masks(kExtCapL1Substates, true, kL1ssFields),
    Masks(kExtCapPtm, true, kPtmFields),
    Masks(kExtCapDvsec, true, kDvsecFields),
    Masks(kExtCapDataLinkFeature, true, kDataLinkFields),
    Masks(kExtCapPhysical16, true, kPhysical16Fields),
    Masks(kExtCapPhysical32, true, kPhysical32Fields),
    Masks(kExtCapLaneMargining, true, kMarginFields),
    Masks(kExtCapDoe, true, kDoeFields),
};

// The dwords where capability entries start: a walk marks them, the masks use them as bounds.
struct CEntryMap
{
    uint32_t m_bits[kDwordCount / 32];

    void Mark(uint32_t offset) { m_bits[offset / 128] |= 1u << ((offset / 4) % 32); }
    bool Has(uint32_t offset) const { return (m_bits[offset / 128] >> ((offset / 4) % 32)) & 1; }
    // Where the entry at offset ends at the latest: the next entry above it, or limit.
    uint32_t EndOf(uint32_t offset, uint32_t limit) const
    {
        for (uint32_t at = offset + 4; at < limit; at += 4)
            if (Has(at))
                return at;
        return limit;
    }
};

} // namespace

void CSimFunction::SetCapabilityBodyMasks(uint32_t at, uint8_t id)
{
    // Fields that would reach past the header end are left as the default.
    auto fits = [at](uint32_t length) { return at + length <= kSimConfigSize; };
    switch (id) {
    case pci::kCapPowerManagement:
        if (fits(8)) {
            SetMask(at + 2, 2, 0);
            SetMaskByte(at + 4, 0x03, 0);    // power state
            SetMaskByte(at + 5, 0x01, 0x80); // PME enable; PME status clears on write of one
            SetMask(at + 6, 2, 0);
        }
        break;
    case pci::kCapAgp:
        if (fits(12)) {
            SetMask(at + 2, 6, 0);
            SetMask(at + 8, 4, 0x00000337);
        }
        break;
    case pci::kCapMsi:
        if (fits(4)) {
            SetMaskByte(at + 2, 0x71, 0); // enable and multiple message enable
            SetMaskByte(at + 3, 0, 0);
        }
        if (fits(8))
            SetMaskByte(at + 4, 0xFC, 0);
        break;
    case pci::kCapSlotIdentification:
        if (fits(3))
            SetMaskByte(at + 2, 0, 0);
        break;
    case pci::kCapVendorSpecific:
        if (fits(3))
            SetMaskByte(at + 2, 0, 0);
        break;
    case pci::kCapVpd:
    default: break;
    }
}

bool CSimFunction::FindExpressCapability() const
{
    if (Layout() > pci::kLayoutCardBusBridge || !(m_config[pci::kStatusOffset] & pci::kStatusCapabilityList))
        return false;
    bool visited[kSimConfigSize / 4] = {};
    uint32_t at = m_config[CapabilityPointerOffset()] & pci::kCapabilityPointerMask;
    for (uint32_t steps = 0; at >= pci::kDeviceSpecificOffset && steps < kMaxCapabilities && !visited[at / 4];
         ++steps) {
        if (m_config[at] == pci::kCapPciExpress)
            return true;
        visited[at / 4] = true;
        at = m_config[at + pci::kCapabilityNextOffset] & pci::kCapabilityPointerMask;
    }
    return false;
}

void CSimFunction::SetFieldMasks(uint32_t at, uint32_t end, uint16_t id, bool extended)
{
    auto apply = [&](uint32_t offset, uint32_t size, uint32_t writable, uint32_t clear) {
        for (uint32_t i = 0; i < size && at + offset + i < end; ++i) {
            const uint32_t shift = 8 * (i % 4);
            SetMaskByte(at + offset + i, size <= 4 ? uint8_t(writable >> shift) : 0,
                        size <= 4 ? uint8_t(clear >> shift) : 0);
        }
    };
    if (extended && (id == pci::kExtCapResizableBar || id == pci::kExtCapVfResizableBar)) {
        // The first control register says how many capability/control pairs follow.
        const uint32_t control = at + pci::kRebarFirstOffset + pci::kRebarControlOffset;
        uint32_t count = control + 4 <= end ? (m_config[control] >> pci::kRebarCountShift) & pci::kRebarCountMask : 0;
        if (count > pci::kRebarMaxEntries)
            count = pci::kRebarMaxEntries;
        for (uint32_t n = 0; n < count; ++n) {
            const uint32_t entry = pci::kRebarFirstOffset + n * pci::kRebarEntryBytes;
            apply(entry, 4, 0, 0);
            apply(entry + pci::kRebarControlOffset, 4, pci::kRebarSizeMask << pci::kRebarSizeShift, 0);
        }
        return;
    }
    for (const CCapabilityMasks& masks : kCapabilityMasks) {
        if (masks.m_id != id || masks.m_extended != extended)
            continue;
        for (uint32_t i = 0; i < masks.m_count; ++i)
            apply(masks.m_fields[i].m_offset, masks.m_fields[i].m_size, masks.m_fields[i].m_writable,
                  masks.m_fields[i].m_clear);
    }
}

void CSimFunction::SetCapabilityMasks()
{
    if (Layout() > pci::kLayoutCardBusBridge || !(m_config[pci::kStatusOffset] & pci::kStatusCapabilityList))
        return;
    CEntryMap entries = {};
    uint32_t at = m_config[CapabilityPointerOffset()] & pci::kCapabilityPointerMask;
    for (uint32_t steps = 0; at >= pci::kDeviceSpecificOffset && steps < kMaxCapabilities && !entries.Has(at);
         ++steps) {
        entries.Mark(at);
        at = m_config[at + pci::kCapabilityNextOffset] & pci::kCapabilityPointerMask;
    }
    for (at = pci::kDeviceSpecificOffset; at < kSimConfigSize; at += 4) {
        if (!entries.Has(at))
            continue;
        SetCapabilityBodyMasks(at, m_config[at]);
        SetFieldMasks(at, entries.EndOf(at, kSimConfigSize), m_config[at], false);
    }
    for (at = pci::kDeviceSpecificOffset; at < kSimConfigSize; at += 4) {
        if (entries.Has(at)) {
            SetMaskByte(at, 0, 0);
            SetMaskByte(at + 1, 0, 0);
        }
    }
}

void CSimFunction::SetExtendedMasks()
{
    if (!m_hasExtendedSpace)
        return;
    CEntryMap entries = {};
    uint32_t at = pci::kExtCapFirstOffset;
    for (uint32_t steps = 0; steps < pci::kExtCapMaxEntries && !entries.Has(at); ++steps) {
        const uint32_t header = pci::GetLe32(m_config + at);
        if (header == 0 || header == kAllBits)
            break;
        entries.Mark(at);
        at = (header >> pci::kExtCapNextShift) & pci::kExtCapNextMask;
        if (at < pci::kExtCapFirstOffset)
            break;
    }
    for (at = pci::kExtCapFirstOffset; at < kSimExtendedConfigSize; at += 4) {
        if (entries.Has(at))
            SetFieldMasks(at, entries.EndOf(at, kSimExtendedConfigSize),
                          uint16_t(pci::GetLe32(m_config + at) & pci::kExtCapIdMask), true);
    }
    // ID, version and next pointer: the whole header dword.
    for (at = pci::kExtCapFirstOffset; at < kSimExtendedConfigSize; at += 4) {
        if (entries.Has(at))
            SetMask(at, pci::kExtCapHeaderBytes, 0);
    }
}
