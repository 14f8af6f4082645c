#include "live/LiveWritePolicy.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"
#include "pci/RegisterLocator.h"

const char kLiveRefusalUnreadable[] = "registers that cannot be read";

namespace {

using pci::EBlockKind;

// A header layout or capability ID that stands for any.
constexpr uint16_t kAnyId = 0xFFFF;
// Every bit of the registers a text covers.
constexpr uint32_t kAnyBit = 0xFFFFFFFF;

// How a refusal words a host-owned bit the catalogue marks: the registers that start in bytes
// [first, end) of a block, and which of their bits. Where none matches, the catalogue's own
// field or register name is the text.
struct CRefusalText
{
    EBlockKind kind;
    uint16_t id;
    uint16_t first;
    uint16_t end;
    uint32_t bits;
    const char* text;
};

constexpr uint16_t Dword(uint32_t at)
{
    return uint16_t(at + pci::kDwordBytes);
}
constexpr uint16_t Word(uint32_t at)
{
    return uint16_t(at + pci::kWordBytes);
}

// clang-format off
constexpr CRefusalText kRefusalTexts[] = {
    {EBlockKind::kHeader, pci::kLayoutDevice, pci::kBar0Offset, pci::BarOffset(pci::kDeviceBarCount), kAnyBit, "BARs"},
    {EBlockKind::kHeader, pci::kLayoutDevice, pci::kExpansionRomOffset, Dword(pci::kExpansionRomOffset), kAnyBit,
     "expansion ROM BAR"},
    {EBlockKind::kHeader, pci::kLayoutPciBridge, pci::kBar0Offset, pci::BarOffset(pci::kPciBridgeBarCount), kAnyBit,
     "BARs"},
    {EBlockKind::kHeader, pci::kLayoutPciBridge, pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset, kAnyBit,
     "bus numbers"},
    {EBlockKind::kHeader, pci::kLayoutPciBridge, pci::kIoBaseOffset, pci::kSecondaryStatusOffset, kAnyBit,
     "I/O window"},
    {EBlockKind::kHeader, pci::kLayoutPciBridge, pci::kMemoryBaseOffset, Word(pci::kIoLimitUpperOffset), kAnyBit,
     "memory and I/O windows"},
    {EBlockKind::kHeader, pci::kLayoutPciBridge, pci::kBridgeExpansionRomOffset,
     Dword(pci::kBridgeExpansionRomOffset), kAnyBit, "expansion ROM BAR"},
    {EBlockKind::kHeader, pci::kLayoutCardBusBridge, pci::kBar0Offset, pci::BarOffset(pci::kCardBusBarCount), kAnyBit,
     "socket registers BAR"},
    {EBlockKind::kHeader, pci::kLayoutCardBusBridge, pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset,
     kAnyBit, "bus numbers"},
    {EBlockKind::kHeader, pci::kLayoutCardBusBridge, pci::kCardBusMemoryWindowsOffset,
     pci::kCardBusIoWindowsOffset + 2 * pci::kCardBusWindowPairBytes, kAnyBit, "memory and I/O windows"},
    {EBlockKind::kHeader, pci::kLayoutCardBusBridge, pci::kCardBusLegacyBaseOffset,
     Dword(pci::kCardBusLegacyBaseOffset), kAnyBit, "legacy mode base"},
    {EBlockKind::kHeader, kAnyId, pci::kCommandOffset, Word(pci::kCommandOffset),
     pci::kCommandIoSpace | pci::kCommandMemorySpace | pci::kCommandBusMaster,
     "Command: I/O Space, Memory Space or Bus Master"},
    {EBlockKind::kHeader, kAnyId, pci::kBridgeControlOffset, Word(pci::kBridgeControlOffset),
     pci::kBridgeControlSecondaryBusReset, "Bridge Control: Secondary Bus Reset"},
    {EBlockKind::kHeader, kAnyId, pci::kBridgeControlOffset, Word(pci::kBridgeControlOffset),
     pci::kBridgeControlVgaEnable, "Bridge Control: VGA Enable"},
    {EBlockKind::kCapability, pci::kCapPowerManagement, pci::kPmControlStatusOffset,
     Word(pci::kPmControlStatusOffset), pci::kPmPowerStateMask, "Power Management Control/Status: Power State"},
    {EBlockKind::kCapability, pci::kCapPciExpress, pci::kExpDeviceControlOffset, Word(pci::kExpDeviceControlOffset),
     pci::kExpDeviceControlInitiateFlr, "Device Control: Initiate FLR"},
    {EBlockKind::kCapability, pci::kCapPciExpress, pci::kExpLinkControlOffset, Word(pci::kExpLinkControlOffset),
     pci::kExpLinkControlLinkDisable, "Link Control: Link Disable"},
    {EBlockKind::kCapability, pci::kCapPciExpress, pci::kExpLinkControlOffset, Word(pci::kExpLinkControlOffset),
     pci::kExpLinkControlRetrainLink, "Link Control: Retrain Link"},
    {EBlockKind::kCapability, pci::kCapEnhancedAllocation, pci::kEaFirstEntryOffset, pci::kConfigSpaceBytes, kAnyBit,
     "Enhanced Allocation entries"},
    {EBlockKind::kExtendedCapability, pci::kExtCapSriov, pci::kSriovControlOffset, Word(pci::kSriovControlOffset),
     pci::kSriovControlVfEnable, "SR-IOV Control: VF Enable"},
    {EBlockKind::kExtendedCapability, pci::kExtCapSriov, pci::kSriovControlOffset, Word(pci::kSriovControlOffset),
     pci::kSriovControlVfMemorySpace, "SR-IOV Control: VF Memory Space Enable"},
    {EBlockKind::kExtendedCapability, pci::kExtCapSriov, pci::kSriovVfBar0Offset,
     pci::kSriovVfBar0Offset + pci::kSriovVfBarCount * pci::kBarBytes, kAnyBit, "SR-IOV VF BARs"},
    {EBlockKind::kExtendedCapability, pci::kExtCapResizableBar, pci::kRebarFirstOffset,
     pci::kExtendedConfigSpaceBytes, kAnyBit, "Resizable BAR Control"},
    {EBlockKind::kExtendedCapability, pci::kExtCapVfResizableBar, pci::kRebarFirstOffset,
     pci::kExtendedConfigSpaceBytes, kAnyBit, "Resizable BAR Control"},
};
// clang-format on

// The words for bit of the register at regStart (from the block's first byte) of block.
const char* RefusalText(const pci::CRegisterBlock& block, const pci::CRegisterDef& def, uint32_t regStart,
                        uint32_t bit)
{
    for (const CRefusalText& t : kRefusalTexts) {
        if (t.kind == block.kind && (t.id == kAnyId || t.id == block.id) && regStart >= t.first && regStart < t.end &&
            (t.bits >> bit & 1))
            return t.text;
    }
    const pci::CFieldDef* field = pci::FieldAt(def, bit);
    return field ? field->name : def.name;
}

// Names the host-owned register that the window's lowest acting bit lies in.
const char* NameActingBit(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t acting)
{
    uint32_t bit = 0;
    while (!(acting >> bit & 1))
        ++bit;
    const uint32_t at = offset + bit / 8;
    const pci::CRegisterLocation location = pci::LocateRegister(space, size, at);
    if (!location.block || !location.place.def)
        return "register the host owns";
    const uint32_t regStart = location.start + location.place.offset;
    return RefusalText(*location.block, *location.place.def, location.place.offset, 8 * (at - regStart) + bit % 8);
}

bool Overlaps(uint32_t offset, uint32_t size, uint32_t first, uint32_t end)
{
    return offset < end && offset + size > first;
}

} // namespace

const char* LiveWriteRefusal(const uint8_t* space, uint32_t spaceLength, uint32_t offset, uint32_t size, uint32_t value)
{
    // Linux shows 64, 256 or 4096 bytes: capabilities cannot be found in less than a whole space.
    const uint32_t known = spaceLength >= pci::kExtendedConfigSpaceBytes ? pci::kExtendedConfigSpaceBytes
        : spaceLength >= pci::kConfigSpaceBytes                          ? pci::kConfigSpaceBytes
                                                                         : pci::kDeviceSpecificOffset;
    if (spaceLength < pci::kDeviceSpecificOffset || offset >= known || size > known - offset || size > pci::kDwordBytes)
        return kLiveRefusalUnreadable;
    // A header of unknown layout may hold addresses anywhere after its first dwords.
    const uint32_t layout = space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    if (!pci::FindBlock(EBlockKind::kHeader, uint16_t(layout)) &&
        Overlaps(offset, size, pci::kBar0Offset, pci::kDeviceSpecificOffset))
        return "header of unknown layout";
    // A host-owned bit acts when the write changes it, or writes one to clear it (a trigger
    // such as Initiate FLR reads 0, so writing one changes it too).
    const pci::CRegisterBits bits = pci::DescribeWindow(space, known, offset, size);
    const uint32_t window = pci::RegisterMask(size);
    const uint32_t before = uint32_t(pci::GetLe(space + offset, size));
    const uint32_t acting = ((value ^ before) | (value & bits.clear)) & bits.hostOwned & window;
    return acting ? NameActingBit(space, known, offset, acting) : nullptr;
}
