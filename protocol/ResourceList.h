#pragma once
// The resource list stored as "AllocConfig" in a function's plug-and-play
// record: written by the simulated machine, read by the device layer.
// One full descriptor, then partial descriptors of the operating system's layout.
#include <stdint.h>

// Full descriptor: interface type (u32) at 4, bus number (u32) at 8, version and
// revision (u16) at 12 and 14, partial descriptor count (u32) at 16.
constexpr uint32_t kResListFullDescriptorCountOffset = 0;
constexpr uint32_t kResListInterfaceTypeOffset = 4;
constexpr uint32_t kResListBusNumberOffset = 8;
constexpr uint32_t kResListVersionOffset = 12;
constexpr uint32_t kResListRevisionOffset = 14;
constexpr uint32_t kResListPartialCountOffset = 16;
constexpr uint32_t kResListFirstPartialOffset = 20;
constexpr uint32_t kResListInterfacePci = 5;

// Partial descriptor: type (u8), share disposition (u8), flags (u16), start (u64), length (u32).
// 64-bit Windows pads it to 20 bytes (its union holds a pointer-sized affinity); the
// offsets inside are the same in both layouts.
constexpr uint32_t kResPartialBytes32 = 16;
constexpr uint32_t kResPartialBytes64 = 20;
// The layout a driver of this build's bitness writes, as the operating system it runs on does.
constexpr uint32_t kResPartialBytesOwn = sizeof(void*) == 8 ? kResPartialBytes64 : kResPartialBytes32;
constexpr uint32_t kResPartialTypeOffset = 0;
constexpr uint32_t kResPartialShareOffset = 1;
constexpr uint32_t kResPartialFlagsOffset = 2;
constexpr uint32_t kResPartialStartOffset = 4;
constexpr uint32_t kResPartialLengthOffset = 12;
// An interrupt descriptor holds level and vector where a range holds its start.
constexpr uint32_t kResPartialLevelOffset = 4;
constexpr uint32_t kResPartialVectorOffset = 8;

constexpr uint8_t kResTypePort = 1;
constexpr uint8_t kResTypeInterrupt = 2;
constexpr uint8_t kResTypeMemory = 3;
// A memory range of 4 GiB or more: its length field is scaled by the power of two its flags name.
constexpr uint8_t kResTypeMemoryLarge = 7;
constexpr uint8_t kResShareExclusive = 1;
constexpr uint8_t kResShareShared = 3;
constexpr uint16_t kResPortFlagIo = 0x0001;
constexpr uint16_t kResMemoryFlagReadOnly = 0x0001;
constexpr uint16_t kResMemoryFlagPrefetchable = 0x0004;
constexpr uint16_t kResMemoryFlagLarge40 = 0x0200; // length in units of 2^8 bytes
constexpr uint16_t kResMemoryFlagLarge48 = 0x0400; // length in units of 2^16 bytes
constexpr uint16_t kResMemoryFlagLarge64 = 0x0800; // length in units of 2^32 bytes
constexpr uint32_t kResLarge40Shift = 8;
constexpr uint32_t kResLarge48Shift = 16;
constexpr uint32_t kResLarge64Shift = 32;
