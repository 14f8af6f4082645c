#pragma once
// HyperTransport capability (ID 08h): the command word's type field and the
// register offsets of each block type, from the capability's first byte.
#include <stdint.h>

namespace pci {

constexpr uint32_t kHtCommandOffset = 2;
// Bits 15:13 say a slave/primary or host/secondary interface; any other value
// makes bits 15:11 the block type.
constexpr uint32_t kHtInterfaceTypeShift = 13;
constexpr uint32_t kHtInterfaceTypeMask = 0x7;
constexpr uint32_t kHtInterfaceSlave = 0;
constexpr uint32_t kHtInterfaceHost = 1;
constexpr uint32_t kHtCapabilityTypeShift = 11;
constexpr uint32_t kHtCapabilityTypeMask = 0x1F;
constexpr uint32_t kHtTypeSwitch = 0x08;
constexpr uint32_t kHtTypeInterruptDiscovery = 0x10;
constexpr uint32_t kHtTypeRevisionId = 0x11;
constexpr uint32_t kHtTypeMsiMapping = 0x15;

// Revision ID byte: major in bits 7:5, minor in 4:0. Below 1.02 the link
// registers lack the fields later revisions added, and the blocks end after it.
constexpr uint32_t kHtRevisionMajorShift = 5;
constexpr uint32_t kHtRevisionMinorMask = 0x1F;
constexpr uint32_t kHtRevision102 = 0x22;

// Slave/primary command fields.
constexpr uint32_t kHtUnitIdMask = 0x1F;
constexpr uint32_t kHtUnitCountShift = 5;
// Host/secondary command: the device number field.
constexpr uint32_t kHtDeviceNumberShift = 2;

// Link control: the CRC error lanes.
constexpr uint32_t kHtCrcErrorShift = 8;
constexpr uint32_t kHtCrcErrorMask = 0xF;
// Link config: four 3-bit widths, each followed by its doubleword flow control bit.
constexpr uint32_t kHtLinkWidthMask = 0x7;
constexpr uint32_t kHtLinkWidthFieldBits = 4;
constexpr uint32_t kHtLinkWidthFields = 4;
// Link frequency/error byte: the frequency code in bits 3:0, error flags above.
constexpr uint32_t kHtLinkFrequencyMask = 0xF;
constexpr uint32_t kHtLinkFrequencyVendor = 0xF;
// Link frequency capability: one bit per frequency code, and this one for the vendor's frequency.
constexpr uint32_t kHtFrequencyCapVendorBit = 15;

// Slave/primary interface: two links.
constexpr uint32_t kHtSlaveLinkControl0Offset = 0x04;
constexpr uint32_t kHtSlaveLinkConfig0Offset = 0x06;
constexpr uint32_t kHtSlaveLinkControl1Offset = 0x08;
constexpr uint32_t kHtSlaveLinkConfig1Offset = 0x0A;
constexpr uint32_t kHtSlaveRevisionOffset = 0x0C;
constexpr uint32_t kHtSlaveLinkFrequency0Offset = 0x0D;
constexpr uint32_t kHtSlaveFrequencyCap0Offset = 0x0E;
constexpr uint32_t kHtSlaveFeatureOffset = 0x10;
constexpr uint32_t kHtSlaveLinkFrequency1Offset = 0x11;
constexpr uint32_t kHtSlaveFrequencyCap1Offset = 0x12;
constexpr uint32_t kHtSlaveScratchpadOffset = 0x14;
constexpr uint32_t kHtSlaveErrorHandlingOffset = 0x16;
constexpr uint32_t kHtSlaveMemoryUpperOffset = 0x18;
constexpr uint32_t kHtSlaveBusNumberOffset = 0x1A;

// Host/secondary interface: one link; the extended registers only when the feature word says so.
constexpr uint32_t kHtHostLinkControlOffset = 0x04;
constexpr uint32_t kHtHostLinkConfigOffset = 0x06;
constexpr uint32_t kHtHostRevisionOffset = 0x08;
constexpr uint32_t kHtHostLinkFrequencyOffset = 0x09;
constexpr uint32_t kHtHostFrequencyCapOffset = 0x0A;
constexpr uint32_t kHtHostFeatureOffset = 0x0C;
constexpr uint32_t kHtHostExtendedRegisters = 0x0100;
constexpr uint32_t kHtHostScratchpadOffset = 0x10;
constexpr uint32_t kHtHostErrorHandlingOffset = 0x12;
constexpr uint32_t kHtHostMemoryUpperOffset = 0x14;

// Bits 39:32 of the prefetchable window behind the bridge: base in the low byte, limit in the high one.
constexpr uint32_t kHtMemoryUpperMask = 0xFF;
constexpr uint32_t kHtMemoryLimitUpperShift = 8;

// Revision ID block: the revision in the command's low byte.
constexpr uint32_t kHtRevisionBlockMask = 0xFF;

// MSI mapping: enable and fixed in the command; a movable window's base in two dwords.
constexpr uint32_t kHtMsiMappingEnable = 0x0001;
constexpr uint32_t kHtMsiMappingFixed = 0x0002;
constexpr uint32_t kHtMsiMappingLowOffset = 0x04;
constexpr uint32_t kHtMsiMappingHighOffset = 0x08;
constexpr uint32_t kHtMsiMappingLowMask = 0xFFF00000;

// Interrupt discovery: the command's low byte selects the register the data port reads.
constexpr uint32_t kHtInterruptIndexMask = 0xFF;
constexpr uint32_t kHtInterruptDataOffset = 0x04;

} // namespace pci
