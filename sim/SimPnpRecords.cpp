// The plug-and-play records of the simulated machine: the device keys, instance
// names, locations and assigned resources that the driver publishes in the registry.
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"
#include "sim/SimUtil.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/ResourceList.h"

uint32_t CSimFunction::SubsystemOffset() const
{
    // CardBus bridges keep the subsystem IDs at 40h, where the operating system reads them.
    return Layout() == pci::kLayoutCardBusBridge ? pci::kCardBusSubsystemVendorIdOffset : pci::kSubsystemVendorIdOffset;
}

bool CSimFunction::SameDeviceKey(const CSimFunction& other) const
{
    return SimEqual(m_config, other.m_config, pci::kDwordBytes) &&
        m_config[pci::kRevisionIdOffset] == other.m_config[pci::kRevisionIdOffset] &&
        SimEqual(m_config + SubsystemOffset(), other.m_config + other.SubsystemOffset(), pci::kDwordBytes);
}

void CSimFunction::FormatDeviceKey(char* text, uint32_t capacity) const
{
    uint32_t subsystemVendor = pci::GetLe16(m_config + SubsystemOffset());
    uint32_t subsystemId = pci::GetLe16(m_config + SubsystemOffset() + pci::kWordBytes);
    CSimText(text, capacity)
        .Add("VEN_")
        .AddHex(pci::GetLe16(m_config + pci::kVendorIdOffset), 4)
        .Add("&DEV_")
        .AddHex(pci::GetLe16(m_config + pci::kDeviceIdOffset), 4)
        .Add("&SUBSYS_")
        .AddHex(subsystemId, 4)
        .AddHex(subsystemVendor, 4)
        .Add("&REV_")
        .AddHex(m_config[pci::kRevisionIdOffset], 2);
}

void CSimFunction::FormatInstanceName(char* text, uint32_t capacity) const
{
    if (m_hasInstanceName) {
        SimStrCopy(text, capacity, m_instanceName);
        return;
    }
    // Shaped like the names the plug-and-play manager gives: parent id, then device/function.
    // The parent differs per bus and segment, so alike cards in two segments get two names.
    const uint32_t parent = (uint32_t(m_segment) << 8) | m_bus;
    CSimText(text, capacity)
        .Add("3&")
        .AddHex(0x2B8E0B4Bu + parent * 0x01000193u, 8)
        .Add("&0&")
        .AddHex((uint32_t(m_device) << 3) | m_function, 2);
}

namespace {

constexpr uint8_t kNoInterruptLine = 0xFF;
// A bridge forwards an I/O, a memory and a prefetchable memory window.
constexpr uint32_t kBridgeWindows = 3;
constexpr uint32_t kInterruptDescriptors = 1;
// The largest length a partial descriptor holds unscaled.
constexpr uint64_t kMaxPartialLength = 0xFFFFFFFFull;
constexpr uint32_t kMaxPartials = kSimBarSlots + kBridgeWindows + kInterruptDescriptors;
static_assert(kResListFirstPartialOffset + kMaxPartials * kResPartialBytes64 <= kSimAllocConfigCapacity,
              "a full list in the wider layout must fit the record");

void PutPartial(uint8_t* list, uint32_t* count, uint8_t type, uint8_t share, uint16_t flags, uint64_t start,
                uint32_t length)
{
    uint8_t* p = list + kResListFirstPartialOffset + *count * kResPartialBytesOwn;
    p[kResPartialTypeOffset] = type;
    p[kResPartialShareOffset] = share;
    pci::PutLe16(p + kResPartialFlagsOffset, flags);
    pci::PutLe64(p + kResPartialStartOffset, start);
    pci::PutLe32(p + kResPartialLengthOffset, length);
    ++*count;
}

// A BAR of 4 GiB or more is published as a large memory range, its length scaled to fit 32 bits.
void PutLargeMemory(uint8_t* list, uint32_t* count, uint16_t flags, uint64_t start, uint64_t size)
{
    uint16_t scale = kResMemoryFlagLarge64;
    uint32_t shift = kResLarge64Shift;
    if ((size >> kResLarge40Shift) <= kMaxPartialLength) {
        scale = kResMemoryFlagLarge40;
        shift = kResLarge40Shift;
    } else if ((size >> kResLarge48Shift) <= kMaxPartialLength) {
        scale = kResMemoryFlagLarge48;
        shift = kResLarge48Shift;
    }
    PutPartial(list, count, kResTypeMemoryLarge, kResShareExclusive, uint16_t(flags | scale), start,
               uint32_t(size >> shift));
}

// Adds the window when it is open; a closed window (limit below base, or base 0) forwards nothing.
// A memory window of 4 GiB or more is published scaled, as a BAR is.
void PutWindow(uint8_t* list, uint32_t* count, uint8_t type, uint16_t flags, uint64_t base, uint64_t limit)
{
    if (base == 0 || limit < base)
        return;
    const uint64_t length = limit - base + 1;
    if (type == kResTypeMemory && length > kMaxPartialLength)
        PutLargeMemory(list, count, flags, base, length);
    else
        PutPartial(list, count, type, kResShareExclusive, flags, base, uint32_t(length));
}

} // namespace

void CSimFunction::BuildAllocConfig()
{
    uint8_t* list = m_allocConfig;
    SimFill(list, 0, kSimAllocConfigCapacity);
    list[kResListFullDescriptorCountOffset] = 1;
    pci::PutLe32(list + kResListInterfaceTypeOffset, kResListInterfacePci);
    pci::PutLe32(list + kResListBusNumberOffset, m_bus);
    pci::PutLe16(list + kResListVersionOffset, 1);
    pci::PutLe16(list + kResListRevisionOffset, 1);
    uint32_t count = 0;
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint8_t kind = m_barKind[slot];
        uint64_t base = SlotBase(slot);
        if (base == 0)
            continue;
        const uint64_t size = m_barSize[slot];
        // Used only where it fits: I/O and ROM sizes are bounded at load, and memory of 4 GiB or
        // more is published scaled instead.
        const uint32_t length = uint32_t(size);
        uint32_t value = GetDword(SlotRegister(slot));
        const uint16_t prefetchable = pci::IsPrefetchableBar(value) ? kResMemoryFlagPrefetchable : 0;
        if (kind == kSimBarIo)
            PutPartial(list, &count, kResTypePort, kResShareExclusive, kResPortFlagIo, base, length);
        else if ((kind == kSimBarMem32 || kind == kSimBarMem64) && size > kMaxPartialLength)
            PutLargeMemory(list, &count, prefetchable, base, size);
        else if (kind == kSimBarMem32 || kind == kSimBarMem64)
            PutPartial(list, &count, kResTypeMemory, kResShareExclusive, prefetchable, base, length);
        else if (kind == kSimBarRom && (value & pci::kRomEnableFlag))
            PutPartial(list, &count, kResTypeMemory, kResShareExclusive, kResMemoryFlagReadOnly, base, length);
    }
    if (Layout() == pci::kLayoutPciBridge) {
        // The windows a bridge forwards are resources of its own too.
        uint32_t ioBase = uint32_t(m_config[pci::kIoBaseOffset] & pci::kIoWindowMask) << pci::kIoWindowShift;
        uint32_t ioLimit = (uint32_t(m_config[pci::kIoLimitOffset] & pci::kIoWindowMask) << pci::kIoWindowShift) |
            pci::kIoWindowLimitFill;
        if ((m_config[pci::kIoBaseOffset] & pci::kWindowTypeMask) == pci::kWindowType64Bit) {
            ioBase |= uint32_t(pci::GetLe16(m_config + pci::kIoBaseUpperOffset)) << pci::kIoWindowUpperShift;
            ioLimit |= uint32_t(pci::GetLe16(m_config + pci::kIoLimitUpperOffset)) << pci::kIoWindowUpperShift;
        }
        PutWindow(list, &count, kResTypePort, kResPortFlagIo, ioBase, ioLimit);
        auto memoryWindow = [this](uint32_t offset) {
            return uint32_t(pci::GetLe16(m_config + offset) & pci::kMemoryWindowMask) << pci::kMemoryWindowShift;
        };
        PutWindow(list, &count, kResTypeMemory, 0, memoryWindow(pci::kMemoryBaseOffset),
                  memoryWindow(pci::kMemoryLimitOffset) | pci::kMemoryWindowLimitFill);
        uint64_t prefetchableBase = memoryWindow(pci::kPrefetchableBaseOffset);
        uint64_t prefetchableLimit = memoryWindow(pci::kPrefetchableLimitOffset) | pci::kMemoryWindowLimitFill;
        if ((m_config[pci::kPrefetchableBaseOffset] & pci::kWindowTypeMask) == pci::kWindowType64Bit) {
            prefetchableBase |= uint64_t(GetDword(pci::kPrefetchableBaseUpperOffset)) << 32;
            prefetchableLimit |= uint64_t(GetDword(pci::kPrefetchableLimitUpperOffset)) << 32;
        }
        PutWindow(list, &count, kResTypeMemory, kResMemoryFlagPrefetchable, prefetchableBase, prefetchableLimit);
    }
    uint8_t line = m_config[pci::kInterruptLineOffset];
    if (Layout() <= pci::kLayoutCardBusBridge && m_config[pci::kInterruptPinOffset] != 0 && line != kNoInterruptLine) {
        uint8_t* p = list + kResListFirstPartialOffset + count * kResPartialBytesOwn;
        PutPartial(list, &count, kResTypeInterrupt, kResShareShared, 0, 0, 1);
        pci::PutLe32(p + kResPartialLevelOffset, line);
        pci::PutLe32(p + kResPartialVectorOffset, line);
    }
    list[kResListPartialCountOffset] = uint8_t(count);
    m_allocConfigLength = kResListFirstPartialOffset + count * kResPartialBytesOwn;
}

uint32_t CSimMachine::GetRegistryRecordCount() const
{
    uint32_t count = 0;
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        const CSimFunction* f = m_functions[i];
        count += (f->m_registryMode == kSimRegistryNone ? 0 : 1) + f->m_extraCount;
    }
    return count;
}

namespace {

// An empty resource list: one full descriptor without partial descriptors, the same in both layouts.
const uint8_t kEmptyAllocConfig[kResListFirstPartialOffset] = {1, 0, 0, 0, 5, 0, 0, 0, 0, 0,
                                                               0, 0, 1, 0, 1, 0, 0, 0, 0, 0};

void FormatLocation(char* text, uint32_t capacity, uint32_t bus, uint32_t device, uint32_t function)
{
    CSimText(text, capacity)
        .Add("PCI bus ")
        .AddDec(bus)
        .Add(", device ")
        .AddDec(device)
        .Add(", function ")
        .AddDec(function);
}

} // namespace

bool CSimMachine::GetRegistryRecord(uint32_t index, CSimRegistryRecord* record) const
{
    for (uint32_t i = 0; i < m_functions.Count(); ++i) {
        const CSimFunction* f = m_functions[i];
        uint32_t own = f->m_registryMode == kSimRegistryNone ? 0 : 1;
        if (index >= own + f->m_extraCount) {
            index -= own + f->m_extraCount;
            continue;
        }
        f->FormatDeviceKey(record->deviceKey, sizeof(record->deviceKey));
        if (index < own) {
            f->FormatInstanceName(record->instance, sizeof(record->instance));
            record->hasLocation = true;
            FormatLocation(record->location, sizeof(record->location), f->m_bus, f->m_device, f->m_function);
            record->segment = f->m_segment;
            record->hasControl = f->m_registryMode == kSimRegistryNormal;
            record->allocConfig = record->hasControl ? f->m_allocConfig : nullptr;
            record->allocConfigLength = record->hasControl ? f->m_allocConfigLength : 0;
            return true;
        }
        // Extra instances stand for a card once seen elsewhere: no resources are assigned to them.
        const CSimExtraInstance& extra = f->m_extras[index - own];
        SimStrCopy(record->instance, sizeof(record->instance), extra.m_name);
        record->hasLocation = extra.m_hasLocation;
        record->location[0] = 0;
        record->segment = 0;
        if (extra.m_hasLocation)
            FormatLocation(record->location, sizeof(record->location), extra.m_bus, extra.m_device, extra.m_function);
        record->hasControl = extra.m_hasControl;
        record->allocConfig = extra.m_hasControl ? kEmptyAllocConfig : nullptr;
        record->allocConfigLength = extra.m_hasControl ? sizeof(kEmptyAllocConfig) : 0;
        return true;
    }
    return false;
}
