#pragma once
// Where the registers of a configuration header live, per header type, and the
// shape of the configuration address space. Byte offsets unless a name says otherwise.
#include <stdint.h>

namespace pci {

// Register widths.
constexpr uint32_t kByteBytes = 1;
constexpr uint32_t kWordBytes = 2;
constexpr uint32_t kDwordBytes = 4;
constexpr uint32_t kQwordBytes = 8;

// The conventional space every function has, and the extended space of PCI Express.
constexpr uint32_t kConfigSpaceBytes = 256;
constexpr uint32_t kExtendedConfigSpaceBytes = 4096;
constexpr uint32_t kConfigSpaceDwords = kConfigSpaceBytes / kDwordBytes;
// The first byte after the predefined header: device-specific registers and capabilities.
constexpr uint32_t kDeviceSpecificOffset = 0x40;
constexpr uint32_t kDeviceSpecificFirstDword = kDeviceSpecificOffset / kDwordBytes;

// Configuration addresses.
constexpr uint32_t kBusCount = 256;
constexpr uint32_t kDevicesPerBus = 32;
constexpr uint32_t kFunctionsPerDevice = 8;
constexpr uint32_t kMaxBus = kBusCount - 1;
constexpr uint32_t kMaxDevice = kDevicesPerBus - 1;
constexpr uint32_t kMaxFunction = kFunctionsPerDevice - 1;
// The 16-bit routing ID of a function: bus, device, function; also their natural sort order.
constexpr uint32_t RoutingId(uint32_t bus, uint32_t device, uint32_t function)
{
    return (bus << 8) | (device << 3) | function;
}
constexpr uint32_t RoutingIdBus(uint32_t id)
{
    return id >> 8;
}
constexpr uint32_t RoutingIdDevice(uint32_t id)
{
    return (id >> 3) & kMaxDevice;
}
constexpr uint32_t RoutingIdFunction(uint32_t id)
{
    return id & kMaxFunction;
}
// What a read of an absent function's first dword returns.
constexpr uint32_t kAbsentFunctionDword = 0xFFFFFFFF;

// Registers common to every header type.
constexpr uint32_t kVendorIdOffset = 0x00;
constexpr uint32_t kDeviceIdOffset = 0x02;
constexpr uint32_t kCommandOffset = 0x04;
constexpr uint32_t kStatusOffset = 0x06;
constexpr uint32_t kRevisionIdOffset = 0x08;
constexpr uint32_t kProgrammingInterfaceOffset = 0x09;
constexpr uint32_t kSubclassOffset = 0x0A;
constexpr uint32_t kBaseClassOffset = 0x0B;
constexpr uint32_t kCacheLineSizeOffset = 0x0C;
constexpr uint32_t kLatencyTimerOffset = 0x0D;
constexpr uint32_t kHeaderTypeOffset = 0x0E;
constexpr uint32_t kBistOffset = 0x0F;
constexpr uint32_t kBar0Offset = 0x10;
constexpr uint32_t kCapabilitiesPointerOffset = 0x34;
constexpr uint32_t kInterruptLineOffset = 0x3C;
constexpr uint32_t kInterruptPinOffset = 0x3D;

// Header type 0: devices.
constexpr uint32_t kCardBusCisPointerOffset = 0x28;
constexpr uint32_t kSubsystemVendorIdOffset = 0x2C;
constexpr uint32_t kSubsystemIdOffset = 0x2E;
constexpr uint32_t kExpansionRomOffset = 0x30;
constexpr uint32_t kMinGrantOffset = 0x3E;
constexpr uint32_t kMaxLatencyOffset = 0x3F;

// Header type 1: PCI-to-PCI bridges.
constexpr uint32_t kPrimaryBusOffset = 0x18;
constexpr uint32_t kSecondaryBusOffset = 0x19;
constexpr uint32_t kSubordinateBusOffset = 0x1A;
constexpr uint32_t kSecondaryLatencyTimerOffset = 0x1B;
constexpr uint32_t kIoBaseOffset = 0x1C;
constexpr uint32_t kIoLimitOffset = 0x1D;
constexpr uint32_t kSecondaryStatusOffset = 0x1E;
constexpr uint32_t kMemoryBaseOffset = 0x20;
constexpr uint32_t kMemoryLimitOffset = 0x22;
constexpr uint32_t kPrefetchableBaseOffset = 0x24;
constexpr uint32_t kPrefetchableLimitOffset = 0x26;
constexpr uint32_t kPrefetchableBaseUpperOffset = 0x28;
constexpr uint32_t kPrefetchableLimitUpperOffset = 0x2C;
constexpr uint32_t kIoBaseUpperOffset = 0x30;
constexpr uint32_t kIoLimitUpperOffset = 0x32;
constexpr uint32_t kBridgeExpansionRomOffset = 0x38;
constexpr uint32_t kBridgeControlOffset = 0x3E;
// Bridge Control bits, the same in PCI-to-PCI and CardBus bridges.
constexpr uint16_t kBridgeControlVgaEnable = 0x0008;
constexpr uint16_t kBridgeControlSecondaryBusReset = 0x0040;

// Header type 2: CardBus bridges.
constexpr uint32_t kCardBusCapabilitiesPointerOffset = 0x14;
constexpr uint32_t kCardBusSecondaryStatusOffset = 0x16;
constexpr uint32_t kCardBusMemoryWindowsOffset = 0x1C; // two base/limit pairs
constexpr uint32_t kCardBusIoWindowsOffset = 0x2C;     // two base/limit pairs
constexpr uint32_t kCardBusWindowPairBytes = 8;
constexpr uint32_t kCardBusSubsystemVendorIdOffset = 0x40;
constexpr uint32_t kCardBusSubsystemIdOffset = 0x42;
constexpr uint32_t kCardBusLegacyBaseOffset = 0x44;

// Header Type register.
constexpr uint8_t kHeaderLayoutMask = 0x7F;
constexpr uint8_t kMultiFunctionFlag = 0x80;
constexpr uint32_t kLayoutDevice = 0;
constexpr uint32_t kLayoutPciBridge = 1;
constexpr uint32_t kLayoutCardBusBridge = 2;

// Class codes that the scan and the tree rely on.
constexpr uint8_t kClassBridge = 0x06;
constexpr uint8_t kSubclassHostBridge = 0x00;
constexpr uint8_t kSubclassPciBridge = 0x04;
constexpr uint8_t kSubclassCardBusBridge = 0x07;

// Bridge window registers: the low nibble says how wide the window decodes.
constexpr uint8_t kWindowTypeMask = 0x0F;
constexpr uint8_t kWindowType64Bit = 0x01; // prefetchable memory; for I/O: 32-bit addressing
// I/O windows: address bits 15..12 in the register's high nibble, 4 KiB granules.
constexpr uint8_t kIoWindowMask = 0xF0;
constexpr uint32_t kIoWindowShift = 8;
constexpr uint32_t kIoWindowLimitFill = 0xFFF;
constexpr uint32_t kIoWindowUpperShift = 16;
// Memory windows: address bits 31..20 in the register's upper 12 bits, 1 MiB granules.
constexpr uint16_t kMemoryWindowMask = 0xFFF0;
constexpr uint32_t kMemoryWindowShift = 16;
constexpr uint32_t kMemoryWindowLimitFill = 0xFFFFF;

} // namespace pci
