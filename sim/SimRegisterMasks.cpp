// CSimFunction: which bits of each register keep what is written and which clear when a one
// is written, from the register catalogue: the header layout's registers and those of every
// capability entry the walks find. The function's own hardware narrows some of them after.
#include "sim/SimFunction.h"
#include "sim/SimUtil.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CapabilityWalk.h"
#include "pci/ConfigSpace.h"
#include "pci/ExtendedCapability.h"
#include "pci/RegisterLocator.h"

namespace {

constexpr uint32_t kDwordCount = kSimExtendedConfigSize / pci::kDwordBytes;
constexpr uint32_t kMapWordBits = 32;

// The dwords where capability entries start: a walk marks them, the masks use them as bounds.
struct CEntryMap
{
    uint32_t m_bits[kDwordCount / kMapWordBits];

    void Mark(uint32_t offset)
    {
        const uint32_t dword = offset / pci::kDwordBytes;
        m_bits[dword / kMapWordBits] |= 1u << (dword % kMapWordBits);
    }
    bool Has(uint32_t offset) const
    {
        const uint32_t dword = offset / pci::kDwordBytes;
        return (m_bits[dword / kMapWordBits] >> (dword % kMapWordBits)) & 1;
    }
    // Where the entry at offset ends at the latest: the next entry above it, or limit.
    uint32_t EndOf(uint32_t offset, uint32_t limit) const
    {
        for (uint32_t at = offset + pci::kDwordBytes; at < limit; at += pci::kDwordBytes)
            if (Has(at))
                return at;
        return limit;
    }
};

} // namespace

void CSimFunction::SetMaskByte(uint32_t offset, uint8_t writable, uint8_t clear)
{
    m_writeMask[offset] = writable;
    m_clearMask[offset] = clear;
}

void CSimFunction::SetMask(uint32_t offset, uint32_t bytes, uint32_t writable)
{
    for (uint32_t i = 0; i < bytes && offset + i < kSimExtendedConfigSize; ++i)
        SetMaskByte(offset + i, i < pci::kDwordBytes ? uint8_t(writable >> (8 * i)) : 0, 0);
}

void CSimFunction::SetDefaultMasks()
{
    SimFill(m_writeMask, 0, kSimExtendedConfigSize);
    SimFill(m_clearMask, 0, kSimExtendedConfigSize);
    // Bytes no table describes past the header, and in extended space, are plain storage;
    // in the header they are read-only.
    if (Layout() <= pci::kLayoutCardBusBridge)
        SimFill(m_writeMask + pci::kDeviceSpecificOffset, 0xFF, kSimConfigSize - pci::kDeviceSpecificOffset);
    if (m_hasExtendedSpace)
        SimFill(m_writeMask + kSimConfigSize, 0xFF, kSimExtendedConfigSize - kSimConfigSize);
}

void CSimFunction::SetBlockMasks(const pci::CRegisterBlock& block, uint32_t at, uint32_t end)
{
    // Backwards, so that where two registers of a table share a byte the first one's bits hold,
    // as in the locator.
    for (uint32_t r = block.count; r-- > 0;) {
        const pci::CRegisterDef& def = block.registers[r];
        const pci::CRegisterBits bits = pci::BitsOf(def);
        const uint32_t inWidth = pci::RegisterMask(def.width);
        const uint32_t writable = bits.writable & inWidth;
        const uint32_t clear = bits.clear & inWidth;
        for (uint32_t n = 0; n < def.repeat; ++n) {
            const uint32_t first = at + def.offset + n * def.stride;
            // A register the next entry cuts short is none of this entry's: its bytes keep the default.
            if (first + def.width > end)
                break;
            for (uint32_t i = 0; i < def.width; ++i)
                SetMaskByte(first + i, uint8_t(writable >> (8 * i)), uint8_t(clear >> (8 * i)));
        }
    }
}

void CSimFunction::SetHeaderMasks()
{
    if (const pci::CRegisterBlock* block = pci::FindBlock(pci::EBlockKind::kHeader, uint16_t(Layout()))) {
        SetBlockMasks(*block, 0, kSimConfigSize);
        return;
    }
    // A layout the catalogue does not know still has the registers every layout shares.
    if (const pci::CRegisterBlock* shared = pci::FindBlock(pci::EBlockKind::kHeader, pci::kLayoutDevice))
        SetBlockMasks(*shared, 0, pci::kBar0Offset);
}

void CSimFunction::SetEntryMasks(uint32_t at, uint32_t end, pci::EBlockKind kind, uint16_t id, uint32_t headerBytes)
{
    const uint8_t variant = pci::CapabilityVariant(m_config, SpaceSize(), at, kind, id);
    if (const pci::CRegisterBlock* block = pci::FindBlock(kind, id, variant))
        SetBlockMasks(*block, at, end);
    // The ID and next pointer are read-only in a capability no table describes as well.
    SetMask(at, headerBytes, 0);
}

bool CSimFunction::FindExpressCapability() const
{
    if (Layout() > pci::kLayoutCardBusBridge)
        return false;
    pci::CCapabilityWalk walk(m_config, kSimConfigSize);
    for (uint32_t at = 0; walk.Next(&at);) {
        if (at >= pci::kDeviceSpecificOffset && m_config[at + pci::kCapabilityIdOffset] == pci::kCapPciExpress)
            return true;
    }
    return false;
}

void CSimFunction::SetCapabilityMasks()
{
    if (Layout() > pci::kLayoutCardBusBridge)
        return;
    CEntryMap entries = {};
    pci::CCapabilityWalk walk(m_config, kSimConfigSize);
    // An entry the pointer finds in the header is no capability: the header's registers hold there.
    for (uint32_t at = 0; walk.Next(&at);)
        if (at >= pci::kDeviceSpecificOffset)
            entries.Mark(at);
    for (uint32_t at = pci::kDeviceSpecificOffset; at < kSimConfigSize; at += pci::kDwordBytes) {
        if (entries.Has(at))
            SetEntryMasks(at, entries.EndOf(at, kSimConfigSize), pci::EBlockKind::kCapability,
                          m_config[at + pci::kCapabilityIdOffset], pci::kCapabilityHeaderBytes);
    }
}

void CSimFunction::SetExtendedMasks()
{
    if (!m_hasExtendedSpace)
        return;
    CEntryMap entries = {};
    pci::CExtendedCapabilityWalk walk(m_config, kSimExtendedConfigSize);
    for (uint32_t at = 0; walk.Next(&at);)
        entries.Mark(at);
    for (uint32_t at = pci::kExtCapFirstOffset; at < kSimExtendedConfigSize; at += pci::kDwordBytes) {
        if (entries.Has(at))
            SetEntryMasks(at, entries.EndOf(at, kSimExtendedConfigSize), pci::EBlockKind::kExtendedCapability,
                          uint16_t(pci::GetLe32(m_config + at) & pci::kExtCapIdMask), pci::kExtCapHeaderBytes);
    }
}

void CSimFunction::SetBarMasks()
{
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        if (slot < kSimRomSlot && slot >= BarCount())
            continue;
        uint32_t reg = SlotRegister(slot);
        if (slot == kSimRomSlot && Layout() > pci::kLayoutPciBridge)
            continue;
        uint64_t keep = ~(m_barSize[slot] - 1);
        switch (m_barKind[slot]) {
        case kSimBarIo: SetMask(reg, pci::kDwordBytes, uint32_t(keep) & ~pci::kIoBarFlagsMask); break;
        case kSimBarMem32: SetMask(reg, pci::kDwordBytes, uint32_t(keep) & ~pci::kMemoryBarFlagsMask); break;
        case kSimBarMem64:
            SetMask(reg, pci::kDwordBytes, uint32_t(keep) & ~pci::kMemoryBarFlagsMask);
            SetMask(reg + pci::kDwordBytes, pci::kDwordBytes, uint32_t(keep >> 32));
            break;
        case kSimBarRom:
            SetMask(reg, pci::kDwordBytes, (uint32_t(keep) & ~pci::kRomFlagsMask) | pci::kRomEnableFlag);
            break;
        case kSimBarUpperHalf: break;
        default: SetMask(reg, pci::kDwordBytes, 0); break;
        }
    }
}

// The catalogue gives what any function may implement; this function's hardware decides the rest.
void CSimFunction::SetHardwareMasks()
{
    // BAR and ROM address bits below the range's size read zero.
    SetBarMasks();
    // A window that decodes only 32 bits of memory (16 of I/O) has no upper-half register: the
    // bridge hardwires it to zero.
    if (Layout() == pci::kLayoutPciBridge) {
        if ((m_config[pci::kPrefetchableBaseOffset] & pci::kWindowTypeMask) != pci::kWindowType64Bit) {
            SetMask(pci::kPrefetchableBaseUpperOffset, pci::kDwordBytes, 0);
            SetMask(pci::kPrefetchableLimitUpperOffset, pci::kDwordBytes, 0);
        }
        if ((m_config[pci::kIoBaseOffset] & pci::kWindowTypeMask) != pci::kWindowType64Bit) {
            SetMask(pci::kIoBaseUpperOffset, pci::kWordBytes, 0);
            SetMask(pci::kIoLimitUpperOffset, pci::kWordBytes, 0);
        }
    }
    // A simulated self test ends the moment it starts, and a function without one hardwires the
    // register: Start BIST never reads back set.
    SetMask(pci::kBistOffset, pci::kByteBytes, 0);
}

void CSimFunction::ApplyOverrides()
{
    for (uint32_t i = 0; i < kSimExtendedConfigSize; ++i) {
        if (m_overridden[i] & 1)
            m_writeMask[i] = m_writeOverride[i];
        if (m_overridden[i] & 2)
            m_clearMask[i] = m_clearOverride[i];
        m_writeMask[i] &= uint8_t(~m_clearMask[i]);
    }
}
