#pragma once
// Designated vendor-specific capabilities of the CXL consortium's vendor ID:
// the DVSEC IDs and their register offsets from the capability's first byte.
#include <stdint.h>

namespace pci {

constexpr uint16_t kCxlDvsecVendor = 0x1E98;

constexpr uint16_t kCxlDvsecDevice = 0x0000;
constexpr uint16_t kCxlDvsecFunctionMap = 0x0002;
constexpr uint16_t kCxlDvsecPortExtensions = 0x0003;
constexpr uint16_t kCxlDvsecGpfPort = 0x0004;
constexpr uint16_t kCxlDvsecGpfDevice = 0x0005;
constexpr uint16_t kCxlDvsecFlexBusPort = 0x0007;
constexpr uint16_t kCxlDvsecRegisterLocator = 0x0008;

// Device DVSEC: 16-bit capability, control, status, control 2, status 2, lock, capability 2; then
// two memory ranges of size high, size low (with the range's flags), base high and base low.
constexpr uint32_t kCxlCapOffset = 0x0A;
constexpr uint32_t kCxlControlOffset = 0x0C;
constexpr uint32_t kCxlStatusOffset = 0x0E;
constexpr uint32_t kCxlControl2Offset = 0x10;
constexpr uint32_t kCxlStatus2Offset = 0x12;
constexpr uint32_t kCxlLockOffset = 0x14;
constexpr uint32_t kCxlCap2Offset = 0x16;
constexpr uint32_t kCxlRangeOffset = 0x18;
constexpr uint32_t kCxlRangeBytes = 0x10;
constexpr uint32_t kCxlRangeCount = 2;
constexpr uint32_t kCxlRangeSizeLowOffset = 0x04;
constexpr uint32_t kCxlRangeBaseHighOffset = 0x08;
constexpr uint32_t kCxlRangeBaseLowOffset = 0x0C;
constexpr uint32_t kCxlRangeLowMask = 0xF0000000; // 256 MB granularity; the flags sit below
constexpr uint32_t kCxlHdmCountShift = 4;
constexpr uint32_t kCxlHdmCountMask = 0x3;
constexpr uint32_t kCxlViralBit = 14;
constexpr uint32_t kCxlSnoopCoverageShift = 3;
constexpr uint32_t kCxlSnoopCoverageMask = 0x1F;
constexpr uint32_t kCxlSnoopGranularityShift = 8;
constexpr uint32_t kCxlSnoopGranularityMask = 0x7;
constexpr uint32_t kCxlCacheSizeUnitMask = 0xF;
constexpr uint32_t kCxlCacheSizeShift = 8;
constexpr uint32_t kCxlCacheSizeUnit64K = 1;
constexpr uint32_t kCxlCacheSizeUnit1M = 2;
constexpr uint32_t kCxlCacheSize64KShift = 16;
constexpr uint32_t kCxlCacheSize1MShift = 20;
constexpr uint32_t kCxlRangeTypeShift = 2;
constexpr uint32_t kCxlRangeClassShift = 5;
constexpr uint32_t kCxlRangeThreeBitMask = 0x7; // type, class and timeout fields
constexpr uint32_t kCxlRangeInterleaveShift = 8;
constexpr uint32_t kCxlRangeInterleaveMask = 0x1F;
constexpr uint32_t kCxlRangeTimeoutShift = 13;

// Non-CXL function map: eight dwords of function bits.
constexpr uint32_t kCxlFunctionMapOffset = 0x0C;
constexpr uint32_t kCxlFunctionMapCount = 8;

// Extensions for ports: status, control, alternate bus (base and limit bytes), alternate memory and
// prefetchable windows, the prefetchable window's upper halves, and the RCRB base.
constexpr uint32_t kCxlPortStatusOffset = 0x0A;
constexpr uint32_t kCxlPortControlOffset = 0x0C;
constexpr uint32_t kCxlAltBusOffset = 0x0E;
constexpr uint32_t kCxlAltMemoryOffset = 0x10;
constexpr uint32_t kCxlAltPrefetchOffset = 0x14;
constexpr uint32_t kCxlAltPrefetchBaseHighOffset = 0x18;
constexpr uint32_t kCxlAltPrefetchLimitHighOffset = 0x1C;
constexpr uint32_t kCxlRcrbBaseOffset = 0x20;
constexpr uint32_t kCxlRcrbBaseHighOffset = 0x24;
constexpr uint32_t kCxlPortPmCompleteBit = 1;
constexpr uint32_t kCxlByteShift = 8; // the limit above the base
constexpr uint32_t kCxlByteMask = 0xFF;
constexpr uint32_t kCxlHalfShift = 16;
constexpr uint32_t kCxlHalfMask = 0xFFFF;

// Global persistent flush: a time value in bits 3:0 and its scale in bits 11:8.
constexpr uint32_t kCxlGpfPhase1Offset = 0x0C;
constexpr uint32_t kCxlGpfPhase2Offset = 0x0E;
constexpr uint32_t kCxlGpfDurationOffset = 0x0A;
constexpr uint32_t kCxlGpfPowerOffset = 0x0C;
constexpr uint32_t kCxlTimeValueMask = 0xF;
constexpr uint32_t kCxlTimeScaleShift = 8;
constexpr uint32_t kCxlTimeScaleMask = 0xF;

// Flex Bus port: capability, control, status, and the modified TS data received.
constexpr uint32_t kCxlFlexBusCapOffset = 0x0A;
constexpr uint32_t kCxlFlexBusControlOffset = 0x0C;
constexpr uint32_t kCxlFlexBusStatusOffset = 0x0E;
constexpr uint32_t kCxlFlexBusModifiedTsOffset = 0x10;
constexpr uint32_t kCxlFlexBusModifiedTsMask = 0xFFFFFF;

// Register locator: register blocks of two dwords from 0Ch on.
constexpr uint32_t kCxlRegisterBlockOffset = 0x0C;
constexpr uint32_t kCxlRegisterBlockBytes = 8;
constexpr uint32_t kCxlRegisterOffsetHighOffset = 4; // within a block
constexpr uint32_t kCxlRegisterBirMask = 0x7;
constexpr uint32_t kCxlRegisterIdShift = 8;
constexpr uint32_t kCxlRegisterIdMask = 0xFF;
constexpr uint32_t kCxlRegisterOffsetLowMask = 0xFFFF0000;
constexpr uint32_t kCxlRegisterIdVendor = 0xFF;

} // namespace pci
