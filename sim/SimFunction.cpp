#include "sim/SimFunction.h"
#include "sim/SimHost.h"
#include "sim/SimUtil.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"

namespace {

// Sizes of BARs the image does not size: the base's alignment, capped.
constexpr uint64_t kDefaultIoCap = 256;
constexpr uint64_t kDefaultMemCap = 4096;
constexpr uint64_t kDefaultRomCap = 0x10000;

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

CSimFunction* CSimFunction::Create(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function, uint32_t line)
{
    CSimFunction* f = static_cast<CSimFunction*>(SimAlloc(sizeof(CSimFunction)));
    if (!f)
        return nullptr;
    f->m_segment = segment;
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
    SimFree(function);
}

uint32_t CSimFunction::BarCount() const
{
    switch (Layout()) {
    case pci::kLayoutDevice: return pci::kDeviceBarCount;
    case pci::kLayoutPciBridge: return pci::kPciBridgeBarCount;
    case pci::kLayoutCardBusBridge: return pci::kCardBusBarCount;
    default: return 0;
    }
}

uint32_t CSimFunction::GetDword(uint32_t offset) const
{
    return pci::GetLe32(m_config + offset);
}

uint32_t CSimFunction::SlotRegister(uint32_t slot) const
{
    if (slot < kSimRomSlot)
        return pci::BarOffset(slot);
    return Layout() == pci::kLayoutPciBridge ? pci::kBridgeExpansionRomOffset : pci::kExpansionRomOffset;
}

uint64_t CSimFunction::SlotBase(uint32_t slot) const
{
    uint32_t value = GetDword(SlotRegister(slot));
    switch (m_barKind[slot]) {
    case kSimBarIo:
    case kSimBarMem32: return pci::BarBase(value);
    case kSimBarMem64: return (uint64_t(GetDword(SlotRegister(slot + 1))) << 32) | pci::BarBase(value);
    case kSimBarRom: return value & pci::kRomBaseMask;
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
        if (pci::IsIoBar(value))
            m_barKind[i] = kSimBarIo;
        else if (pci::IsMemory64Bar(value) && i + 1 < count)
            m_barKind[i] = kSimBarMem64;
        else
            m_barKind[i] = kSimBarMem32;
    }
    m_barKind[kSimRomSlot] = kSimBarNone;
    if (Layout() <= pci::kLayoutPciBridge &&
        (GetDword(SlotRegister(kSimRomSlot)) != 0 || m_barSizeLine[kSimRomSlot] != 0))
        m_barKind[kSimRomSlot] = kSimBarRom;
}

bool CSimFunction::DescribeBarSizeProblem(uint32_t slot, CSimText* text) const
{
    uint8_t kind = m_barKind[slot];
    if (kind == kSimBarNone || kind == kSimBarUpperHalf) {
        if (slot == kSimRomSlot)
            text->Add("a size was given for the expansion ROM, which this header type does not have");
        else
            text->Add("a size was given for BAR ")
                .AddDec(slot)
                .Add(", which is not a BAR of its own (beyond the header type's BARs or the upper half of a "
                     "64-bit BAR)");
        return true;
    }
    uint64_t base = SlotBase(slot);
    uint64_t minSize = kind == kSimBarIo ? pci::kMinIoBarBytes
        : kind == kSimBarRom             ? pci::kMinRomBytes
                                         : pci::kMinMemoryBarBytes;
    uint64_t maxSize = kind == kSimBarIo ? pci::kMaxIoBarBytes
        : kind == kSimBarMem64           ? pci::kMaxMemory64BarBytes
                                         : pci::kMaxMemory32BarBytes;
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
    if (!problem)
        return false;
    text->Add("size ").AddDec(size).Add(" of ");
    if (slot == kSimRomSlot)
        text->Add("the expansion ROM");
    else
        text->Add("BAR ").AddDec(slot);
    text->Add(problem);
    if (misaligned)
        text->Add(" ").AddHex(base, 8);
    return true;
}

// lspci's Region lines show what the operating system reports, which for legacy devices (IDE
// in compatibility mode) are fixed ports no BAR holds: such a size is a remark, not an error.
void CSimFunction::DropRegionSizes(CSimText* notes)
{
    bool dropped = false;
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        if (!m_barSizeFromRegion[slot] || !m_barSizeLine[slot])
            continue;
        char problem[200];
        CSimText text(problem, sizeof(problem));
        if (!DescribeBarSizeProblem(slot, &text))
            continue;
        if (notes) {
            if (notes->Length())
                notes->AddChar('\n');
            notes->Add("line ").AddDec(m_barSizeLine[slot]).Add(": ").Add(problem).Add("; the Region line is ignored");
        }
        m_barSize[slot] = 0;
        m_barSizeLine[slot] = 0;
        m_barSizeFromRegion[slot] = false;
        dropped = true;
    }
    if (dropped)
        ClassifyBars();
}

bool CSimFunction::CheckBarSizes(char* message, uint32_t capacity, uint32_t* line)
{
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint8_t kind = m_barKind[slot];
        if (m_barSizeLine[slot]) {
            CSimText text(message, capacity);
            if (DescribeBarSizeProblem(slot, &text)) {
                *line = m_barSizeLine[slot];
                return false;
            }
            continue;
        }
        if (kind == kSimBarNone || kind == kSimBarUpperHalf)
            continue;
        uint64_t base = SlotBase(slot);
        uint64_t minSize = kind == kSimBarIo ? pci::kMinIoBarBytes
            : kind == kSimBarRom             ? pci::kMinRomBytes
                                             : pci::kMinMemoryBarBytes;
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
    }
    return true;
}

bool CSimFunction::Finish(char* message, uint32_t capacity, uint32_t* line, CSimText* notes)
{
    ClassifyBars();
    DropRegionSizes(notes);
    if (!CheckBarSizes(message, capacity, line))
        return false;
    m_hasExtendedSpace = FindExpressCapability();
    SetDefaultMasks();
    SetCapabilityMasks();
    SetExtendedMasks();
    // The header's registers hold over any entry that reaches into them.
    SetHeaderMasks();
    SetHardwareMasks();
    ApplyOverrides();
    BuildAllocConfig();
    return true;
}

uint32_t CSimFunction::ReadConfig(uint32_t offset, uint32_t size) const
{
    return uint32_t(pci::GetLe(m_config + offset, size));
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

bool CSimFunction::SlotDecodes(uint32_t slot, uint8_t space, uint64_t address, uint64_t* offset) const
{
    uint8_t kind = m_barKind[slot];
    uint8_t command = m_config[pci::kCommandOffset];
    if (kind == kSimBarIo) {
        if (space != 0 || !(command & pci::kCommandIoSpace))
            return false;
    } else if (kind == kSimBarMem32 || kind == kSimBarMem64 || kind == kSimBarRom) {
        if (space != 1 || !(command & pci::kCommandMemorySpace))
            return false;
        if (kind == kSimBarRom && !(m_config[SlotRegister(slot)] & pci::kRomEnableFlag))
            return false;
    } else {
        return false;
    }
    // A 64-bit BAR decodes at its full address, as on a bus.
    uint64_t base = SlotBase(slot);
    if (base == 0 || address < base || address - base >= m_barSize[slot])
        return false;
    *offset = address - base;
    return true;
}

bool CSimFunction::SlotRange(uint32_t slot, uint8_t space, uint64_t* base, uint64_t* size) const
{
    uint64_t offset;
    if (!SlotDecodes(slot, space, SlotBase(slot), &offset))
        return false;
    *base = SlotBase(slot);
    *size = m_barSize[slot];
    return true;
}

bool CSimFunction::Decodes(uint8_t space, uint64_t address, uint32_t* slot, uint64_t* offset) const
{
    for (uint32_t s = 0; s < kSimBarSlots; ++s) {
        if (SlotDecodes(s, space, address, offset)) {
            *slot = s;
            return true;
        }
    }
    return false;
}
