#pragma once
// The capability list: where an entry's ID and next pointer sit, the IDs the
// program knows, and the field offsets (from the entry's first byte) it reads.
#include <stdint.h>

namespace pci {

constexpr uint32_t kCapabilityIdOffset = 0;
constexpr uint32_t kCapabilityNextOffset = 1;
constexpr uint32_t kCapabilityHeaderBytes = 2;
// Pointers address dwords: their two low bits are ignored.
constexpr uint8_t kCapabilityPointerMask = 0xFC;

constexpr uint8_t kCapPowerManagement = 0x01;
constexpr uint8_t kCapAgp = 0x02;
constexpr uint8_t kCapVpd = 0x03;
constexpr uint8_t kCapSlotIdentification = 0x04;
constexpr uint8_t kCapMsi = 0x05;
constexpr uint8_t kCapCompactPciHotSwap = 0x06;
constexpr uint8_t kCapPciX = 0x07;
constexpr uint8_t kCapHyperTransport = 0x08;
constexpr uint8_t kCapVendorSpecific = 0x09;
constexpr uint8_t kCapDebugPort = 0x0A;
constexpr uint8_t kCapCompactPciCentralResource = 0x0B;
constexpr uint8_t kCapPciHotPlug = 0x0C;
constexpr uint8_t kCapPciExpress = 0x10;

// Power management.
constexpr uint32_t kPmCapabilitiesOffset = 2;
constexpr uint32_t kPmControlStatusOffset = 4;
constexpr uint32_t kPmBridgeSupportOffset = 6;
constexpr uint32_t kPmDataOffset = 7;
constexpr uint32_t kPmCapabilityBytes = 8;
constexpr uint8_t kPmPowerStateMask = 0x03;
constexpr uint8_t kPmPmeEnable = 0x01; // bit 8 of control/status, in its high byte
constexpr uint8_t kPmPmeStatus = 0x80; // bit 15, write-one-to-clear
// AGP.
constexpr uint32_t kAgpStatusOffset = 4;
constexpr uint32_t kAgpCommandOffset = 8;
constexpr uint32_t kAgpCapabilityBytes = 12;
// Vital product data.
constexpr uint32_t kVpdAddressOffset = 2;
constexpr uint32_t kVpdDataOffset = 4;
// Slot identification.
constexpr uint32_t kSlotExpansionOffset = 2;
constexpr uint32_t kSlotChassisOffset = 3;
// Message signalled interrupts.
constexpr uint32_t kMsiControlOffset = 2;
constexpr uint32_t kMsiAddressOffset = 4;
constexpr uint32_t kMsiUpperAddressOffset = 8;
constexpr uint32_t kMsiData32Offset = 8;
constexpr uint32_t kMsiData64Offset = 12;
constexpr uint16_t kMsi64BitCapable = 0x0080;
// Vendor specific: the length byte.
constexpr uint32_t kVendorSpecificLengthOffset = 2;

} // namespace pci
