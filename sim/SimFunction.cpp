#include "SimFunction.h"
#include "SimHost.h"
#include "SimUtil.h"

namespace {

constexpr uint32_t kCommandOffset = 0x04;
constexpr uint32_t kStatusOffset = 0x06;
constexpr uint32_t kCacheLineOffset = 0x0C;
constexpr uint32_t kLatencyOffset = 0x0D;
constexpr uint32_t kBar0Offset = 0x10;
constexpr uint32_t kSubsystemVendorOffset = 0x2C;
constexpr uint32_t kRomOffsetLayout0 = 0x30;
constexpr uint32_t kCapPointerOffset = 0x34;
constexpr uint32_t kRomOffsetLayout1 = 0x38;
constexpr uint32_t kInterruptLineOffset = 0x3C;
constexpr uint32_t kInterruptPinOffset = 0x3D;
constexpr uint32_t kBridgeControlOffset = 0x3E;
constexpr uint32_t kDeviceSpecificOffset = 0x40;

// Bridge (layout 1) registers.
constexpr uint32_t kBusNumbersOffset = 0x18;
constexpr uint32_t kIoBaseOffset = 0x1C;
constexpr uint32_t kIoLimitOffset = 0x1D;
constexpr uint32_t kSecondaryStatusOffset = 0x1E;
constexpr uint32_t kMemoryBaseOffset = 0x20;
constexpr uint32_t kMemoryLimitOffset = 0x22;
constexpr uint32_t kPrefetchBaseOffset = 0x24;
constexpr uint32_t kPrefetchLimitOffset = 0x26;
constexpr uint32_t kPrefetchBaseUpperOffset = 0x28;
constexpr uint32_t kPrefetchLimitUpperOffset = 0x2C;
constexpr uint32_t kIoBaseUpperOffset = 0x30;
constexpr uint32_t kIoLimitUpperOffset = 0x32;

// CardBus (layout 2) registers.
constexpr uint32_t kCardBusCapPointerOffset = 0x14;
constexpr uint32_t kCardBusSecondaryStatusOffset = 0x16;
constexpr uint32_t kCardBusWindowsOffset = 0x1C;  // two memory and two I/O windows
constexpr uint32_t kCardBusIoWindowsOffset = 0x2C;
constexpr uint32_t kCardBusSubsystemVendorOffset = 0x40;
constexpr uint32_t kCardBusLegacyBaseOffset = 0x44;

constexpr uint8_t kStatusCapList = 0x10;
constexpr uint8_t kCommandIo = 0x01;
constexpr uint8_t kCommandMemory = 0x02;
constexpr uint8_t kRomEnable = 0x01;
// Status bits 8 and 11..15 (parity, aborts, system error) are write-one-to-clear.
constexpr uint8_t kStatusClearHigh = 0xF9;
constexpr uint16_t kCommandWritable = 0x0557;

constexpr uint32_t kIoBarFlags = 0x3;
constexpr uint32_t kMemBarFlags = 0xF;
constexpr uint32_t kRomBarFlags = 0x7FF;
constexpr uint64_t kMinIoSize = 4;
constexpr uint64_t kMaxIoSize = 0x10000;
constexpr uint64_t kMinMemSize = 16;
constexpr uint64_t kMaxMem32Size = 0x80000000ull;
constexpr uint64_t kMinRomSize = 2048;
// Sizes of BARs the image does not size: the base's alignment, capped.
constexpr uint64_t kDefaultIoCap = 256;
constexpr uint64_t kDefaultMemCap = 4096;
constexpr uint64_t kDefaultRomCap = 0x10000;

constexpr uint8_t kCapPowerManagement = 1;
constexpr uint8_t kCapAgp = 2;
constexpr uint8_t kCapVpd = 3;
constexpr uint8_t kCapSlotId = 4;
constexpr uint8_t kCapMsi = 5;
constexpr uint8_t kCapVendorSpecific = 9;
constexpr uint32_t kMaxCapabilities = 48;

// Resource list layout of the plug-and-play records.
constexpr uint32_t kResListPartialCountOffset = 16;
constexpr uint32_t kResListFirstPartialOffset = 20;
constexpr uint32_t kResPartialSize = 16;
constexpr uint32_t kInterfacePci = 5;
constexpr uint8_t kResTypePort = 1;
constexpr uint8_t kResTypeInterrupt = 2;
constexpr uint8_t kResTypeMemory = 3;
constexpr uint8_t kShareExclusive = 1;
constexpr uint8_t kShareShared = 3;
constexpr uint16_t kPortFlagIo = 0x0001;
constexpr uint16_t kMemoryFlagReadOnly = 0x0001;
constexpr uint16_t kMemoryFlagPrefetchable = 0x0004;

bool IsPowerOfTwo(uint64_t v)
{
    return v && !(v & (v - 1));
}

// Largest power of two dividing the base, capped (an all-zero base gives the cap).
uint64_t AlignmentCapped(uint64_t base, uint64_t cap)
{
    uint64_t size = 1;
    while (size < cap && !(base & size))
        size <<= 1;
    return size;
}

} // namespace

CSimFunction* CSimFunction::Create(uint32_t bus, uint32_t device, uint32_t function, uint32_t line)
{
    CSimFunction* f = static_cast<CSimFunction*>(SimAlloc(sizeof(CSimFunction)));
    if (!f)
        return nullptr;
    f->m_bus = uint8_t(bus);
    f->m_device = uint8_t(device);
    f->m_function = uint8_t(function);
    f->m_line = line;
    return f;
}

void CSimFunction::Destroy(CSimFunction* function, CSimPageBudget* budget)
{
    if (!function)
        return;
    for (CSimRange& range : function->m_ranges)
        range.Release(budget);
    if (function->m_extended)
        SimFree(function->m_extended);
    SimFree(function);
}

uint32_t CSimFunction::BarCount() const
{
    switch (Layout()) {
    case 0: return 6;
    case 1: return 2;
    case 2: return 1; // the CardBus socket registers
    default: return 0;
    }
}

uint32_t CSimFunction::CapabilityPointerOffset() const
{
    return Layout() == 2 ? kCardBusCapPointerOffset : kCapPointerOffset;
}

uint32_t CSimFunction::GetDword(uint32_t offset) const
{
    return uint32_t(m_config[offset]) | (uint32_t(m_config[offset + 1]) << 8) |
           (uint32_t(m_config[offset + 2]) << 16) | (uint32_t(m_config[offset + 3]) << 24);
}

uint32_t CSimFunction::SlotRegister(uint32_t slot) const
{
    if (slot < kSimRomSlot)
        return kBar0Offset + 4 * slot;
    return Layout() == 1 ? kRomOffsetLayout1 : kRomOffsetLayout0;
}

uint64_t CSimFunction::SlotBase(uint32_t slot) const
{
    uint32_t value = GetDword(SlotRegister(slot));
    switch (m_barKind[slot]) {
    case kSimBarIo: return value & ~kIoBarFlags;
    case kSimBarMem32: return value & ~kMemBarFlags;
    case kSimBarMem64: return (uint64_t(GetDword(SlotRegister(slot + 1))) << 32) | (value & ~kMemBarFlags);
    case kSimBarRom: return value & ~kRomBarFlags;
    default: return 0;
    }
}

void CSimFunction::ClassifyBars()
{
    uint32_t count = BarCount();
    for (uint32_t i = 0; i < kSimRomSlot; ++i) {
        m_barKind[i] = kSimBarNone;
        if (i >= count)
            continue;
        if (i > 0 && m_barKind[i - 1] == kSimBarMem64) {
            m_barKind[i] = kSimBarUpperHalf;
            continue;
        }
        uint32_t value = GetDword(SlotRegister(i));
        if (value == 0 && m_barSizeLine[i] == 0)
            continue; // not implemented
        if (value & 1)
            m_barKind[i] = kSimBarIo;
        else if (((value >> 1) & 3) == 2 && i + 1 < count)
            m_barKind[i] = kSimBarMem64;
        else
            m_barKind[i] = kSimBarMem32;
    }
    m_barKind[kSimRomSlot] = kSimBarNone;
    if (Layout() <= 1 && (GetDword(SlotRegister(kSimRomSlot)) != 0 || m_barSizeLine[kSimRomSlot] != 0))
        m_barKind[kSimRomSlot] = kSimBarRom;
}

bool CSimFunction::CheckBarSizes(char* message, uint32_t capacity, uint32_t* line)
{
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint8_t kind = m_barKind[slot];
        if (kind == kSimBarNone || kind == kSimBarUpperHalf) {
            if (m_barSizeLine[slot]) {
                *line = m_barSizeLine[slot];
                CSimText text(message, capacity);
                if (slot == kSimRomSlot)
                    text.Add("a size was given for the expansion ROM, which this header type does not have");
                else
                    text.Add("a size was given for BAR ").AddDec(slot)
                        .Add(", which is not a BAR of its own (beyond the header type's BARs or the upper half of a 64-bit BAR)");
                return false;
            }
            continue;
        }
        uint64_t base = SlotBase(slot);
        uint64_t minSize = kind == kSimBarIo ? kMinIoSize : kind == kSimBarRom ? kMinRomSize : kMinMemSize;
        uint64_t maxSize = kind == kSimBarIo ? kMaxIoSize : kind == kSimBarMem64 ? (1ull << 63) : kMaxMem32Size;
        if (m_barSizeLine[slot] == 0) {
            uint64_t cap = kind == kSimBarIo ? kDefaultIoCap : kind == kSimBarRom ? kDefaultRomCap : kDefaultMemCap;
            uint64_t size = AlignmentCapped(base, cap);
            m_barSize[slot] = size < minSize ? minSize : size;
            if (base & (m_barSize[slot] - 1)) {
                *line = m_line;
                CSimText text(message, capacity);
                text.Add(slot == kSimRomSlot ? "expansion ROM" : "BAR ");
                if (slot != kSimRomSlot)
                    text.AddDec(slot);
                text.Add(" base ").AddHex(base, 8).Add(" is not aligned to the smallest size of its kind");
                return false;
            }
            continue;
        }
        uint64_t size = m_barSize[slot];
        const char* problem = nullptr;
        bool misaligned = false;
        if (!IsPowerOfTwo(size))
            problem = " is not a power of two";
        else if (size < minSize)
            problem = " is below the smallest size of its kind";
        else if (size > maxSize)
            problem = " is above the largest size of its kind";
        else if (base & (size - 1)) {
            misaligned = true;
            problem = " does not align with the base";
        }
        if (problem) {
            *line = m_barSizeLine[slot];
            CSimText text(message, capacity);
            text.Add("size ").AddDec(size).Add(" of ");
            if (slot == kSimRomSlot)
                text.Add("the expansion ROM");
            else
                text.Add("BAR ").AddDec(slot);
            text.Add(problem);
            if (misaligned)
                text.Add(" ").AddHex(base, 8);
            return false;
        }
    }
    return true;
}

void CSimFunction::SetMaskByte(uint32_t offset, uint8_t writable, uint8_t clear)
{
    m_writeMask[offset] = writable;
    m_clearMask[offset] = clear;
}

void CSimFunction::SetMask(uint32_t offset, uint32_t bytes, uint32_t writable)
{
    for (uint32_t i = 0; i < bytes && offset + i < kSimConfigSize; ++i)
        SetMaskByte(offset + i, i < 4 ? uint8_t(writable >> (8 * i)) : 0, 0);
}

void CSimFunction::SetDefaultMasks()
{
    SimFill(m_writeMask, 0, kSimConfigSize);
    SimFill(m_clearMask, 0, kSimConfigSize);
    uint32_t layout = Layout();
    SetMask(kCommandOffset, 2, kCommandWritable);
    SetMaskByte(kStatusOffset + 1, 0, kStatusClearHigh);
    if (layout > 2)
        return;
    SetMask(kCacheLineOffset, 1, 0xFF);
    SetMask(kLatencyOffset, 1, 0xFF);
    SetMask(kInterruptLineOffset, 1, 0xFF);
    if (layout == 0) {
        for (uint32_t at = kDeviceSpecificOffset; at < kSimConfigSize; at += 4)
            SetMask(at, 4, 0xFFFFFFFF);
    } else if (layout == 1) {
        SetMask(kBusNumbersOffset, 4, 0xFFFFFFFF);
        SetMask(kIoBaseOffset, 1, 0xF0);
        SetMask(kIoLimitOffset, 1, 0xF0);
        SetMaskByte(kSecondaryStatusOffset + 1, 0, kStatusClearHigh);
        SetMask(kMemoryBaseOffset, 2, 0xFFF0);
        SetMask(kMemoryLimitOffset, 2, 0xFFF0);
        SetMask(kPrefetchBaseOffset, 2, 0xFFF0);
        SetMask(kPrefetchLimitOffset, 2, 0xFFF0);
        // The upper halves exist only when the low nibble says 64-bit / 32-bit decoding.
        if ((m_config[kPrefetchBaseOffset] & 0xF) == 1) {
            SetMask(kPrefetchBaseUpperOffset, 4, 0xFFFFFFFF);
            SetMask(kPrefetchLimitUpperOffset, 4, 0xFFFFFFFF);
        }
        if ((m_config[kIoBaseOffset] & 0xF) == 1) {
            SetMask(kIoBaseUpperOffset, 2, 0xFFFF);
            SetMask(kIoLimitUpperOffset, 2, 0xFFFF);
        }
        SetMask(kBridgeControlOffset, 2, 0x0FFF);
        for (uint32_t at = kDeviceSpecificOffset; at < kSimConfigSize; at += 4)
            SetMask(at, 4, 0xFFFFFFFF);
    } else {
        SetMaskByte(kCardBusSecondaryStatusOffset + 1, 0, kStatusClearHigh);
        SetMask(kBusNumbersOffset, 4, 0xFFFFFFFF);
        for (uint32_t i = 0; i < 2; ++i) {
            SetMask(kCardBusWindowsOffset + 8 * i, 4, 0xFFFFF000);
            SetMask(kCardBusWindowsOffset + 8 * i + 4, 4, 0xFFFFF000);
            SetMask(kCardBusIoWindowsOffset + 8 * i, 4, 0xFFFFFFFC);
            SetMask(kCardBusIoWindowsOffset + 8 * i + 4, 4, 0xFFFFFFFC);
        }
        SetMask(kBridgeControlOffset, 2, 0x07FF);
        SetMask(kCardBusLegacyBaseOffset, 4, 0xFFFFFFFF);
        for (uint32_t at = kCardBusLegacyBaseOffset + 4; at < kSimConfigSize; at += 4)
            SetMask(at, 4, 0xFFFFFFFF);
    }
}

void CSimFunction::SetBarMasks()
{
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        if (slot < kSimRomSlot && slot >= BarCount())
            continue;
        uint32_t reg = SlotRegister(slot);
        if (slot == kSimRomSlot && Layout() > 1)
            continue;
        uint64_t keep = ~(m_barSize[slot] - 1);
        switch (m_barKind[slot]) {
        case kSimBarIo: SetMask(reg, 4, uint32_t(keep) & ~kIoBarFlags); break;
        case kSimBarMem32: SetMask(reg, 4, uint32_t(keep) & ~kMemBarFlags); break;
        case kSimBarMem64:
            SetMask(reg, 4, uint32_t(keep) & ~kMemBarFlags);
            SetMask(reg + 4, 4, uint32_t(keep >> 32));
            break;
        case kSimBarRom: SetMask(reg, 4, (uint32_t(keep) & ~kRomBarFlags) | kRomEnable); break;
        case kSimBarUpperHalf: break;
        default: SetMask(reg, 4, 0); break;
        }
    }
}

void CSimFunction::SetCapabilityBodyMasks(uint32_t at, uint8_t id)
{
    // Fields that would reach past the header end are left as the default.
    auto fits = [at](uint32_t length) { return at + length <= kSimConfigSize; };
    switch (id) {
    case kCapPowerManagement:
        if (fits(8)) {
            SetMask(at + 2, 2, 0);
            SetMaskByte(at + 4, 0x03, 0);    // power state
            SetMaskByte(at + 5, 0x01, 0x80); // PME enable; PME status clears on write of one
            SetMask(at + 6, 2, 0);
        }
        break;
    case kCapAgp:
        if (fits(12)) {
            SetMask(at + 2, 6, 0);
            SetMask(at + 8, 4, 0x00000337);
        }
        break;
    case kCapMsi:
        if (fits(4)) {
            SetMaskByte(at + 2, 0x71, 0); // enable and multiple message enable
            SetMaskByte(at + 3, 0, 0);
        }
        if (fits(8))
            SetMaskByte(at + 4, 0xFC, 0);
        break;
    case kCapSlotId:
        if (fits(3))
            SetMaskByte(at + 2, 0, 0);
        break;
    case kCapVendorSpecific:
        if (fits(3))
            SetMaskByte(at + 2, 0, 0);
        break;
    case kCapVpd:
    default:
        break;
    }
}

void CSimFunction::SetCapabilityMasks()
{
    if (Layout() > 2 || !(m_config[kStatusOffset] & kStatusCapList))
        return;
    bool visited[kSimConfigSize / 4] = {};
    uint32_t at = m_config[CapabilityPointerOffset()] & 0xFC;
    for (uint32_t steps = 0; at >= kDeviceSpecificOffset && steps < kMaxCapabilities; ++steps) {
        if (visited[at / 4])
            break;
        visited[at / 4] = true;
        SetCapabilityBodyMasks(at, m_config[at]);
        SetMaskByte(at, 0, 0);
        SetMaskByte(at + 1, 0, 0);
        at = m_config[at + 1] & 0xFC;
    }
}

void CSimFunction::ApplyOverrides()
{
    for (uint32_t i = 0; i < kSimConfigSize; ++i) {
        if (m_overridden[i] & 1)
            m_writeMask[i] = m_writeOverride[i];
        if (m_overridden[i] & 2)
            m_clearMask[i] = m_clearOverride[i];
        m_writeMask[i] &= uint8_t(~m_clearMask[i]);
    }
}

bool CSimFunction::Finish(char* message, uint32_t capacity, uint32_t* line)
{
    ClassifyBars();
    if (!CheckBarSizes(message, capacity, line))
        return false;
    SetDefaultMasks();
    SetBarMasks();
    SetCapabilityMasks();
    ApplyOverrides();
    BuildAllocConfig();
    return true;
}

uint32_t CSimFunction::ReadConfig(uint32_t offset, uint32_t size) const
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < size; ++i)
        value |= uint32_t(m_config[offset + i]) << (8 * i);
    return value;
}

void CSimFunction::WriteConfig(uint32_t offset, uint32_t size, uint32_t value)
{
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t at = offset + i;
        uint8_t v = uint8_t(value >> (8 * i));
        uint8_t kept = uint8_t(m_config[at] & ~m_writeMask[at]);
        kept = uint8_t(kept & ~(v & m_clearMask[at]));
        m_config[at] = uint8_t(kept | (v & m_writeMask[at]));
    }
}

bool CSimFunction::SlotDecodes(uint32_t slot, uint8_t space, uint32_t address, uint32_t* offset) const
{
    uint8_t kind = m_barKind[slot];
    uint8_t command = m_config[kCommandOffset];
    if (kind == kSimBarIo) {
        if (space != 0 || !(command & kCommandIo))
            return false;
    } else if (kind == kSimBarMem32 || kind == kSimBarMem64 || kind == kSimBarRom) {
        if (space != 1 || !(command & kCommandMemory))
            return false;
        if (kind == kSimBarRom && !(m_config[SlotRegister(slot)] & kRomEnable))
            return false;
    } else {
        return false;
    }
    // Addresses carry 32 bits, so a 64-bit BAR answers at its low half.
    uint64_t base = SlotBase(slot) & 0xFFFFFFFFull;
    if (base == 0 || address < base || uint64_t(address) - base >= m_barSize[slot])
        return false;
    *offset = uint32_t(address - base);
    return true;
}

bool CSimFunction::Decodes(uint8_t space, uint32_t address, uint32_t* slot, uint32_t* offset) const
{
    for (uint32_t s = 0; s < kSimBarSlots; ++s) {
        if (SlotDecodes(s, space, address, offset)) {
            *slot = s;
            return true;
        }
    }
    return false;
}

uint32_t CSimFunction::SubsystemOffset() const
{
    // CardBus bridges keep the subsystem IDs at 40h, where the operating system reads them.
    return Layout() == 2 ? kCardBusSubsystemVendorOffset : kSubsystemVendorOffset;
}

bool CSimFunction::SameDeviceKey(const CSimFunction& other) const
{
    return SimEqual(m_config, other.m_config, 4) && m_config[8] == other.m_config[8] &&
           SimEqual(m_config + SubsystemOffset(), other.m_config + other.SubsystemOffset(), 4);
}

void CSimFunction::FormatDeviceKey(char* text, uint32_t capacity) const
{
    uint32_t subsystemVendor = SimGetLe16(m_config + SubsystemOffset());
    uint32_t subsystemId = SimGetLe16(m_config + SubsystemOffset() + 2);
    CSimText(text, capacity)
        .Add("VEN_").AddHex(SimGetLe16(m_config), 4)
        .Add("&DEV_").AddHex(SimGetLe16(m_config + 2), 4)
        .Add("&SUBSYS_").AddHex(subsystemId, 4).AddHex(subsystemVendor, 4)
        .Add("&REV_").AddHex(m_config[8], 2);
}

void CSimFunction::FormatInstanceName(char* text, uint32_t capacity) const
{
    if (m_hasInstanceName) {
        SimStrCopy(text, capacity, m_instanceName);
        return;
    }
    // Shaped like the names the plug-and-play manager gives: parent id, then device/function.
    CSimText(text, capacity).Add("3&").AddHex(0x2B8E0B4Bu + m_bus * 0x01000193u, 8).Add("&0&")
        .AddHex((uint32_t(m_device) << 3) | m_function, 2);
}

namespace {

void PutPartial(uint8_t* list, uint32_t* count, uint8_t type, uint8_t share, uint16_t flags,
                uint64_t start, uint32_t length)
{
    uint8_t* p = list + kResListFirstPartialOffset + *count * kResPartialSize;
    p[0] = type;
    p[1] = share;
    SimPutLe16(p + 2, flags);
    uint32_t low = uint32_t(start);
    uint32_t high = uint32_t(start >> 32);
    for (uint32_t i = 0; i < 4; ++i) {
        p[4 + i] = uint8_t(low >> (8 * i));
        p[8 + i] = uint8_t(high >> (8 * i));
        p[12 + i] = uint8_t(length >> (8 * i));
    }
    ++*count;
}

} // namespace

void CSimFunction::BuildAllocConfig()
{
    uint8_t* list = m_allocConfig;
    SimFill(list, 0, kSimAllocConfigCapacity);
    list[0] = 1; // one full descriptor
    list[4] = uint8_t(kInterfacePci);
    list[8] = m_bus;
    list[12] = 1; // version
    list[14] = 1; // revision
    uint32_t count = 0;
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint8_t kind = m_barKind[slot];
        uint64_t base = SlotBase(slot);
        if (base == 0)
            continue;
        uint32_t length = m_barSize[slot] > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(m_barSize[slot]);
        uint32_t value = GetDword(SlotRegister(slot));
        if (kind == kSimBarIo)
            PutPartial(list, &count, kResTypePort, kShareExclusive, kPortFlagIo, base, length);
        else if (kind == kSimBarMem32 || kind == kSimBarMem64)
            PutPartial(list, &count, kResTypeMemory, kShareExclusive,
                       (value & 0x8) ? kMemoryFlagPrefetchable : 0, base, length);
        else if (kind == kSimBarRom && (value & kRomEnable))
            PutPartial(list, &count, kResTypeMemory, kShareExclusive, kMemoryFlagReadOnly, base, length);
    }
    if (Layout() == 1) {
        // The windows a bridge forwards are resources of its own too.
        uint32_t ioBase = uint32_t(m_config[kIoBaseOffset] & 0xF0) << 8;
        uint32_t ioLimit = (uint32_t(m_config[kIoLimitOffset] & 0xF0) << 8) | 0xFFF;
        if ((m_config[kIoBaseOffset] & 0xF) == 1) {
            ioBase |= uint32_t(SimGetLe16(m_config + kIoBaseUpperOffset)) << 16;
            ioLimit |= uint32_t(SimGetLe16(m_config + kIoLimitUpperOffset)) << 16;
        }
        if (ioBase != 0 && ioLimit >= ioBase)
            PutPartial(list, &count, kResTypePort, kShareExclusive, kPortFlagIo, ioBase, ioLimit - ioBase + 1);
        uint32_t memBase = uint32_t(SimGetLe16(m_config + kMemoryBaseOffset) & 0xFFF0) << 16;
        uint32_t memLimit = (uint32_t(SimGetLe16(m_config + kMemoryLimitOffset) & 0xFFF0) << 16) | 0xFFFFF;
        if (memBase != 0 && memLimit >= memBase)
            PutPartial(list, &count, kResTypeMemory, kShareExclusive, 0, memBase, memLimit - memBase + 1);
        uint32_t preBase = uint32_t(SimGetLe16(m_config + kPrefetchBaseOffset) & 0xFFF0) << 16;
        uint32_t preLimit = (uint32_t(SimGetLe16(m_config + kPrefetchLimitOffset) & 0xFFF0) << 16) | 0xFFFFF;
        if (preBase != 0 && preLimit >= preBase)
            PutPartial(list, &count, kResTypeMemory, kShareExclusive, kMemoryFlagPrefetchable, preBase,
                       preLimit - preBase + 1);
    }
    uint8_t line = m_config[kInterruptLineOffset];
    if (Layout() <= 2 && m_config[kInterruptPinOffset] != 0 && line != 0xFF) {
        uint8_t* p = list + kResListFirstPartialOffset + count * kResPartialSize;
        PutPartial(list, &count, kResTypeInterrupt, kShareShared, 0, 0, 1);
        p[4] = line; // level
        p[8] = line; // vector
    }
    list[kResListPartialCountOffset] = uint8_t(count);
    m_allocConfigLength = kResListFirstPartialOffset + count * kResPartialSize;
}
