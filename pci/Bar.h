#pragma once
// Base Address Registers: where they are, what their low bits say, and how
// many a header type has. One source for every test of a BAR's kind.
#include "pci/ConfigSpace.h"

#include <stdint.h>

namespace pci {

enum class BarKind : uint8_t {
    kNone, // not implemented (reads 0)
    kIo,
    kMemory32,
    kMemory64,  // its upper half is the next BAR
    kUpperHalf, // the high dword of the 64-bit BAR below it
};

constexpr uint32_t kBarBytes = kDwordBytes;
constexpr uint32_t kMaxBars = 6;
constexpr uint32_t kDeviceBarCount = 6;
constexpr uint32_t kPciBridgeBarCount = 2;
constexpr uint32_t kCardBusBarCount = 1; // the socket registers

constexpr uint32_t kBarIoFlag = 0x1;
constexpr uint32_t kIoBarFlagsMask = 0x3;
constexpr uint32_t kMemoryBarFlagsMask = 0xF;
constexpr uint32_t kIoBarBaseMask = ~kIoBarFlagsMask;
constexpr uint32_t kMemoryBarBaseMask = ~kMemoryBarFlagsMask;
constexpr uint32_t kMemoryTypeShift = 1;
constexpr uint32_t kMemoryTypeMask = 0x3;
constexpr uint32_t kMemoryType64Bit = 0x2;
constexpr uint32_t kBarPrefetchableFlag = 0x8;

// Expansion ROM BAR.
constexpr uint32_t kRomEnableFlag = 0x1;
constexpr uint32_t kRomFlagsMask = 0x7FF;
constexpr uint32_t kRomBaseMask = ~kRomFlagsMask;

// Smallest and largest ranges a BAR of each kind can decode, in bytes.
constexpr uint64_t kMinIoBarBytes = 4;
constexpr uint64_t kMaxIoBarBytes = 0x10000;
constexpr uint64_t kMinMemoryBarBytes = 16;
constexpr uint64_t kMaxMemory32BarBytes = 0x80000000ull;
constexpr uint64_t kMaxMemory64BarBytes = 0x8000000000000000ull;
constexpr uint64_t kMinRomBytes = 2048;
// What sizing reads back from an I/O BAR whose upper half is not implemented.
constexpr uint32_t kIoSizeMask = 0xFFFF;

constexpr uint32_t BarOffset(uint32_t index)
{
    return kBar0Offset + index * kBarBytes;
}

constexpr uint32_t BarCountForLayout(uint32_t layout)
{
    return layout == kLayoutDevice ? kDeviceBarCount : layout == kLayoutPciBridge ? kPciBridgeBarCount : 0;
}

constexpr bool IsIoBar(uint32_t barValue)
{
    return (barValue & kBarIoFlag) != 0;
}

constexpr bool IsMemory64Bar(uint32_t barValue)
{
    return !IsIoBar(barValue) && ((barValue >> kMemoryTypeShift) & kMemoryTypeMask) == kMemoryType64Bit;
}

constexpr bool IsPrefetchableBar(uint32_t barValue)
{
    return !IsIoBar(barValue) && (barValue & kBarPrefetchableFlag) != 0;
}

// The kind of a BAR slot from its value and the kind of the slot below it. A 64-bit BAR in
// the last slot of its layout keeps its kind: its upper half then reads as 0.
constexpr BarKind BarKindOf(uint32_t barValue, BarKind previous)
{
    if (previous == BarKind::kMemory64)
        return BarKind::kUpperHalf;
    if (barValue == 0)
        return BarKind::kNone;
    if (IsIoBar(barValue))
        return BarKind::kIo;
    return IsMemory64Bar(barValue) ? BarKind::kMemory64 : BarKind::kMemory32;
}

// The base address bits of a BAR's low dword.
constexpr uint32_t BarBase(uint32_t barValue)
{
    return barValue & (IsIoBar(barValue) ? kIoBarBaseMask : kMemoryBarBaseMask);
}

constexpr bool IsPowerOfTwo(uint64_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

// The lowest set bit of a value; 0 for 0.
constexpr uint64_t LowestSetBit(uint64_t value)
{
    return value & (~value + 1);
}

// The size a BAR decodes, from what its register (and, for a 64-bit BAR, its upper half) read
// back after all ones were written: the lowest base bit that stuck. A decoder with fewer
// address bits than the register reads 0 above them, so the mask's two's complement is no size.
// 0 when no base bit stuck (no BAR).
constexpr uint64_t BarSizeFromMask(uint32_t lowMask, uint32_t highMask)
{
    if (IsIoBar(lowMask))
        return LowestSetBit(lowMask & kIoBarBaseMask & kIoSizeMask);
    return LowestSetBit((uint64_t(highMask) << 32) | (lowMask & kMemoryBarBaseMask));
}

// Whether a BAR of this kind at this base can decode a range of this many bytes: a power of
// two within the limits of its kind, and the base a multiple of it.
constexpr bool CanBarDecode(BarKind kind, uint64_t base, uint64_t bytes)
{
    uint64_t smallest = kMinMemoryBarBytes;
    uint64_t largest = kMaxMemory64BarBytes;
    if (kind == BarKind::kIo) {
        smallest = kMinIoBarBytes;
        largest = kMaxIoBarBytes;
    } else if (kind == BarKind::kMemory32) {
        largest = kMaxMemory32BarBytes;
    } else if (kind != BarKind::kMemory64) {
        return false;
    }
    return IsPowerOfTwo(bytes) && bytes >= smallest && bytes <= largest && (base & (bytes - 1)) == 0;
}

} // namespace pci
