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
constexpr uint8_t kCapBridgeSubsystem = 0x0D;
constexpr uint8_t kCapAgp8x = 0x0E;
constexpr uint8_t kCapSecureDevice = 0x0F;
constexpr uint8_t kCapPciExpress = 0x10;
constexpr uint8_t kCapMsiX = 0x11;
constexpr uint8_t kCapSataConfig = 0x12;
constexpr uint8_t kCapAdvancedFeatures = 0x13;
constexpr uint8_t kCapEnhancedAllocation = 0x14;
constexpr uint8_t kCapFlatteningPortalBridge = 0x15;
// An ID that reads all ones: the function is gone or the read was refused.
constexpr uint8_t kCapAbsent = 0xFF;

// Power management.
constexpr uint32_t kPmCapabilitiesOffset = 2;
constexpr uint32_t kPmControlStatusOffset = 4;
constexpr uint32_t kPmBridgeSupportOffset = 6;
constexpr uint32_t kPmDataOffset = 7;
constexpr uint32_t kPmCapabilityBytes = 8;
constexpr uint8_t kPmPowerStateMask = 0x03;
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
constexpr uint8_t kSlotCountMask = 0x1F;
constexpr uint32_t kSlotFirstInChassisBit = 5;
// Message signalled interrupts.
constexpr uint32_t kMsiControlOffset = 2;
constexpr uint32_t kMsiAddressOffset = 4;
constexpr uint32_t kMsiUpperAddressOffset = 8;
constexpr uint32_t kMsiData32Offset = 8;
constexpr uint32_t kMsiData64Offset = 12;
constexpr uint16_t kMsi64BitCapable = 0x0080;
constexpr uint16_t kMsiEnable = 0x0001;
constexpr uint16_t kMsiPerVectorMasking = 0x0100;
constexpr uint16_t kMsiExtendedDataCapable = 0x0200;
constexpr uint32_t kMsiMultipleCapableShift = 1;
constexpr uint32_t kMsiMultipleEnableShift = 4;
constexpr uint16_t kMsiMultipleMask = 0x7;
// Mask and pending bits follow the data word (padded to a dword) when per-vector masking is on.
constexpr uint32_t kMsiMask32Offset = 12;
constexpr uint32_t kMsiMask64Offset = 16;
// MSI-X.
constexpr uint32_t kMsiXControlOffset = 2;
constexpr uint32_t kMsiXTableOffset = 4;
constexpr uint32_t kMsiXPbaOffset = 8;
constexpr uint32_t kMsiXCapabilityBytes = 12;
constexpr uint16_t kMsiXTableSizeMask = 0x07FF; // entries minus one
constexpr uint16_t kMsiXFunctionMask = 0x4000;
constexpr uint16_t kMsiXEnable = 0x8000;
constexpr uint32_t kMsiXBirMask = 0x7; // BAR indicator in the table and PBA registers
constexpr uint32_t kMsiXTableEntryBytes = 16;
// PCI-X.
constexpr uint32_t kPciXCommandOffset = 2;
constexpr uint32_t kPciXStatusOffset = 4;
constexpr uint32_t kPciXBridgeSecondaryStatusOffset = 2;
constexpr uint32_t kPciXBridgeStatusOffset = 4;
constexpr uint32_t kPciXBridgeUpstreamSplitOffset = 8;
constexpr uint32_t kPciXBridgeDownstreamSplitOffset = 12;
constexpr uint32_t kPciXBridgeFrequencyShift = 6; // secondary bus clock, a 3-bit code
constexpr uint32_t kPciXBridgeFrequencyMask = 0x7;
constexpr uint32_t kPciXBridgeStatusFlagsShift = 16; // the primary bus's flags, as the secondary's from bit 0
constexpr uint32_t kPciXSplitLimitShift = 16;        // split transaction commitment limit above the capacity
constexpr uint32_t kPciXSplitCapacityMask = 0xFFFF;
// Status: the function's own bus, device and function numbers.
constexpr uint32_t kPciXBusShift = 8;
constexpr uint32_t kPciXBusMask = 0xFF;
constexpr uint32_t kPciXDeviceShift = 3;
constexpr uint32_t kPciXDeviceMask = 0x1F;
constexpr uint32_t kPciXFunctionMask = 0x7;
constexpr uint32_t kPciXDeviceComplexityBit = 20;
// Command and status size fields: read byte counts are 512 << field.
constexpr uint32_t kPciXReadByteBase = 512;
constexpr uint32_t kPciXReadByteShift = 2;
constexpr uint32_t kPciXReadByteMask = 0x3;
constexpr uint32_t kPciXSplitShift = 4;
constexpr uint32_t kPciXSplitMask = 0x7;
constexpr uint32_t kPciXDesignedReadByteShift = 21;
constexpr uint32_t kPciXDesignedSplitShift = 23;
constexpr uint32_t kPciXDesignedCumulativeShift = 26; // 8 << field ADQs
constexpr uint32_t kPciXDesignedCumulativeMask = 0x7;
// Status bits that say the device runs at 266 or 533 MHz and so has extended configuration space.
constexpr uint32_t kPciXStatus266Capable = 0x40000000;
constexpr uint32_t kPciXStatus533Capable = 0x80000000;
// Debug port.
constexpr uint32_t kDebugPortOffset = 2;
constexpr uint16_t kDebugPortOffsetMask = 0x1FFF;
constexpr uint32_t kDebugPortBarShift = 13;
// Bridge subsystem vendor ID.
constexpr uint32_t kBridgeSubsystemVendorOffset = 4;
constexpr uint32_t kBridgeSubsystemIdOffset = 6;
// SATA index/data pair: where the pair lives, a BAR (location 4 is BAR 0) or this space.
constexpr uint32_t kSataRevisionOffset = 2;
constexpr uint32_t kSataBarOffset = 4;
constexpr uint32_t kSataLocationMask = 0xF;
constexpr uint32_t kSataFirstBarLocation = 4;
constexpr uint32_t kSataInConfigSpace = 0xF;
constexpr uint32_t kSataOffsetShift = 4; // in dwords
constexpr uint32_t kSataOffsetMask = 0xFFFFF;
// Advanced features.
constexpr uint32_t kAfLengthOffset = 2;
constexpr uint32_t kAfCapabilitiesOffset = 3;
constexpr uint32_t kAfControlOffset = 4;
constexpr uint32_t kAfStatusOffset = 5;
// Enhanced allocation: a count of entries, each a header dword plus base and limit (and their upper halves).
constexpr uint32_t kEaEntryCountOffset = 2;
constexpr uint8_t kEaEntryCountMask = 0x3F;
constexpr uint32_t kEaFirstEntryOffset = 4;
constexpr uint32_t kEaBridgeFirstEntryOffset = 8;
constexpr uint32_t kEaEntrySizeMask = 0x7; // dwords after the entry's header dword
constexpr uint32_t kEaBeiShift = 4;
constexpr uint32_t kEaBeiMask = 0xF;
constexpr uint32_t kEaPrimaryPropertiesShift = 8;
constexpr uint32_t kEaSecondaryPropertiesShift = 16;
constexpr uint32_t kEaPropertiesMask = 0xFF;
constexpr uint32_t kEaBusMask = 0xFF; // fixed secondary bus, then subordinate at bit 8
constexpr uint32_t kEaSubordinateBusShift = 8;
constexpr uint32_t kEaAddressFlagsMask = 0x3; // low bits of a base or max offset dword; a max offset ends in ones
constexpr uint32_t kEaAddress64Bit = 0x2;     // an upper-half dword follows
constexpr uint32_t kEaPropertyMemoryUnavailable = 0xFD;
constexpr uint32_t kEaPropertyIoUnavailable = 0xFE;
constexpr uint32_t kEaPropertyUnavailable = 0xFF;
// Flattening portal bridge.
constexpr uint32_t kFpbCapabilitiesOffset = 4;
constexpr uint32_t kFpbRidVectorControl1Offset = 8;
constexpr uint32_t kFpbRidVectorControl2Offset = 12;
constexpr uint32_t kFpbMem32VectorControlOffset = 16;
constexpr uint32_t kFpbMem64VectorControlOffset = 20;
constexpr uint32_t kFpbMem64VectorUpperOffset = 24;
constexpr uint32_t kFpbVectorAccessControlOffset = 28;
constexpr uint32_t kFpbVectorAccessDataOffset = 32;
// Vendor specific: the length byte.
constexpr uint32_t kVendorSpecificLengthOffset = 2;
// Power management capabilities and control/status fields.
constexpr uint16_t kPmVersionMask = 0x7;
constexpr uint32_t kPmAuxCurrentShift = 6;
constexpr uint16_t kPmAuxCurrentMask = 0x7;
constexpr uint32_t kPmPmeSupportShift = 11; // D0, D1, D2, D3hot, D3cold from here up
constexpr uint32_t kPmPmeSupportStates = 5;
constexpr uint32_t kPmDataSelectShift = 9;
constexpr uint16_t kPmDataSelectMask = 0xF;
constexpr uint32_t kPmDataScaleShift = 13;
constexpr uint16_t kPmDataScaleMask = 0x3;
// AGP status and command.
constexpr uint32_t kAgpRevisionOffset = 2;
constexpr uint32_t kRevisionMajorShift = 4; // AGP and SATA revisions: major.minor nibbles
constexpr uint32_t kRevisionNibbleMask = 0xF;
constexpr uint32_t kAgpRequestDepthShift = 24;
constexpr uint32_t kAgpRateMask = 0x7;
constexpr uint32_t kAgpIsochronousBit = 16;
constexpr uint32_t kAgpRequestSizeShift = 13; // ArqSz, a 3-bit field
constexpr uint32_t kAgpCalibrationShift = 10; // Cal, a 3-bit field
constexpr uint32_t kAgpThreeBitMask = 0x7;
// VPD address register.
constexpr uint16_t kVpdAddressMask = 0x7FFF;
constexpr uint16_t kVpdFlag = 0x8000;

} // namespace pci
