#pragma once
// The registers of the conventional capabilities, offsets from the entry's first byte. The
// ID and next-pointer bytes are every entry's first register.
#include "pci/Capability.h"
#include "pci/ConfigSpace.h"
#include "pci/ExpressCapability.h"
#include "pci/HyperTransport.h"
#include "pci/RegisterCatalogue.h"
#include "pci/Virtio.h"

namespace pci::capability {

using A = EAccess;

// Layouts of the capabilities that have more than one; CapabilityVariant picks them.
constexpr uint8_t kMsiVariant64Bit = 1;
constexpr uint8_t kMsiVariantMasking = 2;
constexpr uint8_t kMsiVariantExtendedData = 4;
constexpr uint8_t kPciXVariantBridge = 1;
constexpr uint8_t kExpVariantPciBridge = 1; // bit 15 of Device Control enables configuration retry
constexpr uint8_t kEaVariantBridge = 1;
constexpr uint8_t kVendorVariantVirtio = 1;
constexpr uint8_t kVendorVariantVirtioNotify = 2;
constexpr uint8_t kHtVariantSlave = 0;
constexpr uint8_t kHtVariantHost = 1;
constexpr uint8_t kHtVariantMsiMapping = 2;
constexpr uint8_t kHtVariantInterruptDiscovery = 3;
constexpr uint8_t kHtVariantOther = 4;

// clang-format off
// Every entry's first two bytes: its ID and the next entry's offset.
inline constexpr CFieldDef kHeaderFields[] = {
    {0, 7, "Capability ID", "ID", A::kRO, false},
    {8, 15, "Next Pointer", "NEXT", A::kRO, false},
};
#define BRISCO_CAPABILITY_HEADER_REGISTERS \
    Register(0x00, 2, "Capability Header", nullptr, A::kRO, kHeaderFields)

// Power management.
inline constexpr CFieldDef kPmCapabilitiesFields[] = {
    {0, 2, "Version", "VERSION", A::kRO, false},
    {3, 3, "PME Clock", "PMECLK", A::kRO, false},
    {4, 4, "Immediate Readiness on Return to D0", "IRRD0", A::kRO, false},
    {5, 5, "Device Specific Initialization", "DSI", A::kRO, false},
    {6, 8, "Aux Current", "AUX", A::kRO, false},
    {9, 9, "D1 Support", "D1", A::kRO, false},
    {10, 10, "D2 Support", "D2", A::kRO, false},
    {11, 15, "PME Support", "PME", A::kRO, false},
};
inline constexpr CFieldDef kPmControlFields[] = {
    {0, 1, "Power State", "STATE", A::kRW, true},
    {2, 2, "Reserved", nullptr, A::kRsvdP, false},
    {3, 3, "No Soft Reset", "NSR", A::kRO, false},
    {4, 7, "Reserved", nullptr, A::kRsvdP, false},
    {8, 8, "PME Enable", "PME_EN", A::kRWS, false},
    {9, 12, "Data Select", "DSEL", A::kRW, false},
    {13, 14, "Data Scale", "DSCALE", A::kRO, false},
    {15, 15, "PME Status", "PME_STATUS", A::kRW1CS, false},
};
inline constexpr CFieldDef kPmBridgeFields[] = {
    {0, 5, "Reserved", nullptr, A::kRsvdP, false},
    {6, 6, "B2/B3 Support for D3hot", "B2B3", A::kRO, false},
    {7, 7, "Bus Power/Clock Control Enable", "BPCC", A::kRO, false},
};
inline constexpr CRegisterDef kPmRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kPmCapabilitiesOffset, 2, "PMC", "PMC", A::kRO, kPmCapabilitiesFields),
    Register(kPmControlStatusOffset, 2, "PMCSR", "PMCSR", A::kRsvdP, kPmControlFields),
    Register(kPmBridgeSupportOffset, 1, "PMCSR_BSE", "PMCSR_BSE", A::kRO, kPmBridgeFields),
    Register(kPmDataOffset, 1, "Data", "DATA", A::kRO),
};

// AGP, and the AGP 8x form that shares its layout.
inline constexpr CFieldDef kAgpRevisionFields[] = {
    {0, 3, "Minor Revision", "MINOR", A::kRO, false},
    {4, 7, "Major Revision", "MAJOR", A::kRO, false},
};
inline constexpr CFieldDef kAgpCommandFields[] = {
    {0, 2, "Data Rate", "RATE", A::kRW, false},
    {4, 4, "Fast Write Enable", "FW", A::kRW, false},
    {5, 5, "Over 4G Enable", "4G", A::kRW, false},
    {7, 7, "GART 64-bit Enable", "GART64", A::kRW, false},
    {8, 8, "AGP Enable", "AGP", A::kRW, false},
    {9, 9, "Side Band Enable", "SBA", A::kRW, false},
    {10, 12, "Calibration Cycle", "CAL", A::kRW, false},
    {13, 15, "Asynchronous Request Size", "ARQSZ", A::kRW, false},
    {24, 31, "Request Depth", "RQ", A::kRW, false},
};
inline constexpr CRegisterDef kAgpRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kAgpRevisionOffset, 1, "Revision", "REVISION", A::kRO, kAgpRevisionFields),
    Register(kAgpStatusOffset, 4, "Status", "STATUS", A::kRO),
    Register(kAgpCommandOffset, 4, "Command", "COMMAND", A::kRsvdP, kAgpCommandFields),
};

// Vital product data: software writes the address and the flag, the data follows.
inline constexpr CFieldDef kVpdAddressFields[] = {
    {0, 14, "VPD Address", "ADDR", A::kRW, false},
    {15, 15, "Flag", "F", A::kRW, false},
};
inline constexpr CRegisterDef kVpdRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kVpdAddressOffset, 2, "VPD Address", "ADDRESS", A::kRW, kVpdAddressFields),
    Register(kVpdDataOffset, 4, "VPD Data", "DATA", A::kRW),
};

// Slot identification: the chassis number is software's to set.
inline constexpr CFieldDef kSlotExpansionFields[] = {
    {0, 4, "Expansion Slots Provided", "NSLOTS", A::kHwInit, false},
    {5, 5, "First In Chassis", "FIC", A::kHwInit, false},
    {6, 7, "Reserved", nullptr, A::kRsvdP, false},
};
inline constexpr CRegisterDef kSlotIdRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kSlotExpansionOffset, 1, "Expansion Slot", "EXPANSION", A::kHwInit, kSlotExpansionFields),
    Register(kSlotChassisOffset, 1, "Chassis Number", "CHASSIS", A::kRW),
};

// MSI: eight layouts by the 64-bit address, per-vector masking and extended data bits of its
// control. Extended Message Data Enable is reserved unless its Capable bit is set.
#define BRISCO_MSI_CONTROL_FIELDS(extendedData)                                  \
    {0, 0, "MSI Enable", "ENABLE", A::kRW, false},                               \
    {1, 3, "Multiple Message Capable", "MMC", A::kRO, false},                    \
    {4, 6, "Multiple Message Enable", "MME", A::kRW, false},                     \
    {7, 7, "64 Bit Address Capable", "64BIT", A::kRO, false},                    \
    {8, 8, "Per-Vector Masking Capable", "PVM", A::kRO, false},                  \
    {9, 9, "Extended Message Data Capable", "EMDC", A::kRO, false},              \
    {10, 10, "Extended Message Data Enable", "EMDE", extendedData, false}
inline constexpr CFieldDef kMsiControlFields[] = {BRISCO_MSI_CONTROL_FIELDS(A::kRsvdP)};
inline constexpr CFieldDef kMsiExtendedControlFields[] = {BRISCO_MSI_CONTROL_FIELDS(A::kRW)};
#undef BRISCO_MSI_CONTROL_FIELDS
inline constexpr CFieldDef kMsiAddressFields[] = {
    {0, 1, "Reserved", nullptr, A::kRsvdP, false},
    {2, 31, "Message Address", "ADDR", A::kRW, false},
};
#define BRISCO_MSI_LEADING_REGISTERS(control)                                                \
    BRISCO_CAPABILITY_HEADER_REGISTERS,                                                      \
    Register(kMsiControlOffset, 2, "Message Control", "CONTROL", A::kRsvdP, control),         \
    Register(kMsiAddressOffset, 4, "Message Address", "ADDRESS_LO", A::kRW, kMsiAddressFields)
#define BRISCO_MSI_MASK_REGISTERS(at)                          \
    Register(at, 4, "Mask Bits", "MASK", A::kRW),              \
    Register(at + 4, 4, "Pending Bits", "PENDING", A::kRO)
inline constexpr CRegisterDef kMsi32Registers[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiControlFields),
    Register(kMsiData32Offset, 2, "Message Data", "DATA", A::kRW),
};
inline constexpr CRegisterDef kMsi64Registers[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiControlFields),
    Register(kMsiUpperAddressOffset, 4, "Message Upper Address", "ADDRESS_HI", A::kRW),
    Register(kMsiData64Offset, 2, "Message Data", "DATA", A::kRW),
};
inline constexpr CRegisterDef kMsi32MaskedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiControlFields),
    Register(kMsiData32Offset, 2, "Message Data", "DATA", A::kRW),
    BRISCO_MSI_MASK_REGISTERS(kMsiMask32Offset),
};
inline constexpr CRegisterDef kMsi64MaskedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiControlFields),
    Register(kMsiUpperAddressOffset, 4, "Message Upper Address", "ADDRESS_HI", A::kRW),
    Register(kMsiData64Offset, 2, "Message Data", "DATA", A::kRW),
    BRISCO_MSI_MASK_REGISTERS(kMsiMask64Offset),
};
inline constexpr CRegisterDef kMsi32ExtendedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiExtendedControlFields),
    Register(kMsiData32Offset, 2, "Message Data", "DATA", A::kRW),
};
inline constexpr CRegisterDef kMsi64ExtendedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiExtendedControlFields),
    Register(kMsiUpperAddressOffset, 4, "Message Upper Address", "ADDRESS_HI", A::kRW),
    Register(kMsiData64Offset, 2, "Message Data", "DATA", A::kRW),
};
inline constexpr CRegisterDef kMsi32MaskedExtendedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiExtendedControlFields),
    Register(kMsiData32Offset, 2, "Message Data", "DATA", A::kRW),
    BRISCO_MSI_MASK_REGISTERS(kMsiMask32Offset),
};
inline constexpr CRegisterDef kMsi64MaskedExtendedRegisters[] = {
    BRISCO_MSI_LEADING_REGISTERS(kMsiExtendedControlFields),
    Register(kMsiUpperAddressOffset, 4, "Message Upper Address", "ADDRESS_HI", A::kRW),
    Register(kMsiData64Offset, 2, "Message Data", "DATA", A::kRW),
    BRISCO_MSI_MASK_REGISTERS(kMsiMask64Offset),
};
#undef BRISCO_MSI_MASK_REGISTERS
#undef BRISCO_MSI_LEADING_REGISTERS

// CompactPCI hot swap: the ENUM# status bits clear on a write of one.
inline constexpr CFieldDef kHotSwapFields[] = {
    {0, 0, "Device Hiding Arm", "DHA", A::kRW, false},
    {1, 1, "ENUM# Signal Mask", "EIM", A::kRW, false},
    {2, 2, "Pending Insertion or Extraction", "PIE", A::kRO, false},
    {3, 3, "LED On/Off", "LOO", A::kRW, false},
    {4, 5, "Programming Interface", "PI", A::kRO, false},
    {6, 6, "ENUM# Status - Extraction", "EXT", A::kRW1C, false},
    {7, 7, "ENUM# Status - Insertion", "INS", A::kRW1C, false},
};
inline constexpr CRegisterDef kHotSwapRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(2, 1, "Hot Swap Control/Status", "CONTROL", A::kRO, kHotSwapFields),
};

// PCI-X: a device's command and status, or a bridge's two status and split registers.
inline constexpr CFieldDef kPciXCommandFields[] = {
    {0, 0, "Data Parity Error Recovery Enable", "DPERE", A::kRW, false},
    {1, 1, "Enable Relaxed Ordering", "ERO", A::kRW, false},
    {2, 3, "Maximum Memory Read Byte Count", "MMRBC", A::kRW, false},
    {4, 6, "Maximum Outstanding Split Transactions", "MOST", A::kRW, false},
    {7, 11, "Reserved", nullptr, A::kRsvdP, false},
    {12, 13, "PCI-X Capability Version", "VERSION", A::kRO, false},
    {14, 15, "Reserved", nullptr, A::kRsvdP, false},
};
// The address a PCI-X function captured from its last configuration write.
#define BRISCO_PCIX_ADDRESS_FIELDS                                   \
    {0, 2, "Function Number", "FUNCTION", A::kRO, false},            \
    {3, 7, "Device Number", "DEVICE", A::kRO, false},                \
    {8, 15, "Bus Number", "BUS", A::kRO, false}
inline constexpr CFieldDef kPciXStatusFields[] = {
    BRISCO_PCIX_ADDRESS_FIELDS,
    {16, 16, "64-bit Device", "64BIT", A::kRO, false},
    {17, 17, "133 MHz Capable", "133MHZ", A::kRO, false},
    {18, 18, "Split Completion Discarded", "SCD", A::kRW1C, false},
    {19, 19, "Unexpected Split Completion", "USC", A::kRW1C, false},
    {20, 20, "Device Complexity", "DC", A::kRO, false},
    {21, 22, "Designed Maximum Memory Read Byte Count", "DMMRBC", A::kRO, false},
    {23, 25, "Designed Maximum Outstanding Split Transactions", "DMOST", A::kRO, false},
    {26, 28, "Designed Maximum Cumulative Read Size", "DMCRS", A::kRO, false},
    {29, 29, "Received Split Completion Error Message", "RSCEM", A::kRW1C, false},
    {30, 30, "PCI-X 266 Capable", "266MHZ", A::kRO, false},
    {31, 31, "PCI-X 533 Capable", "533MHZ", A::kRO, false},
};
// The six flags a bridge reports for each of its buses, from bit `at`.
#define BRISCO_PCIX_BRIDGE_BUS_FIELDS(at)                                  \
    {at + 0, at + 0, "64-bit Device", "64BIT", A::kRO, false},              \
    {at + 1, at + 1, "133 MHz Capable", "133MHZ", A::kRO, false},           \
    {at + 2, at + 2, "Split Completion Discarded", "SCD", A::kRW1C, false}, \
    {at + 3, at + 3, "Unexpected Split Completion", "USC", A::kRW1C, false},\
    {at + 4, at + 4, "Split Completion Overrun", "SCO", A::kRW1C, false},   \
    {at + 5, at + 5, "Split Request Delayed", "SRD", A::kRO, false}
inline constexpr CFieldDef kPciXSecondaryStatusFields[] = {
    BRISCO_PCIX_BRIDGE_BUS_FIELDS(0),
    {6, 8, "Secondary Clock Frequency", "FREQ", A::kRO, false},
};
inline constexpr CFieldDef kPciXBridgeStatusFields[] = {
    BRISCO_PCIX_ADDRESS_FIELDS,
    BRISCO_PCIX_BRIDGE_BUS_FIELDS(16),
};
#undef BRISCO_PCIX_BRIDGE_BUS_FIELDS
#undef BRISCO_PCIX_ADDRESS_FIELDS
inline constexpr CFieldDef kPciXSplitFields[] = {
    {0, 15, "Split Transaction Capacity", "CAPACITY", A::kRO, false},
    {16, 31, "Split Transaction Commitment Limit", "LIMIT", A::kRW, false},
};
inline constexpr CRegisterDef kPciXRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kPciXCommandOffset, 2, "Command", "COMMAND", A::kRsvdP, kPciXCommandFields),
    Register(kPciXStatusOffset, 4, "Status", "STATUS", A::kRO, kPciXStatusFields),
};
inline constexpr CRegisterDef kPciXBridgeRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kPciXBridgeSecondaryStatusOffset, 2, "Secondary Status", "SEC_STATUS", A::kRO, kPciXSecondaryStatusFields),
    Register(kPciXBridgeStatusOffset, 4, "Bridge Status", "BRIDGE_STATUS", A::kRO, kPciXBridgeStatusFields),
    Register(kPciXBridgeUpstreamSplitOffset, 4, "Upstream Split Transaction Control", "UP_SPLIT", A::kRO, kPciXSplitFields),
    Register(kPciXBridgeDownstreamSplitOffset, 4, "Downstream Split Transaction Control", "DOWN_SPLIT", A::kRO,
             kPciXSplitFields),
};

// HyperTransport, register by register: each block type has its own layout. The type bits
// of the command word never change.
inline constexpr CFieldDef kHtInterfaceCommandFields[] = {
    {13, 15, "Capability Type", "TYPE", A::kRO, false},
};
inline constexpr CFieldDef kHtBlockCommandFields[] = {
    {11, 15, "Capability Type", "TYPE", A::kRO, false},
};
inline constexpr CFieldDef kHtMsiMappingCommandFields[] = {
    {0, 0, "MSI Mapping Enable", "ENABLE", A::kRW, false},
    {1, 1, "Fixed", "FIXED", A::kRO, false},
    {2, 10, "Reserved", nullptr, A::kRsvdP, false},
    {11, 15, "Capability Type", "TYPE", A::kRO, false},
};
inline constexpr CFieldDef kHtInterruptCommandFields[] = {
    {0, 7, "Index", "INDEX", A::kRW, false},
    {11, 15, "Capability Type", "TYPE", A::kRO, false},
};
inline constexpr CFieldDef kHtLinkControlFields[] = {
    {4, 4, "Link Failure", "LKFAIL", A::kRW1C, false},
    {5, 5, "Initialization Complete", "INIT", A::kRO, false},
    {6, 6, "End of Chain", "EOC", A::kRO, false},
    {8, 11, "CRC Error", "CRCERR", A::kRW1C, false},
};
inline constexpr CFieldDef kHtLinkConfigFields[] = {
    {0, 7, "Maximum Link Widths", "MAXWIDTH", A::kRO, false},
    {8, 15, "Link Widths", "WIDTH", A::kRW, false},
};
inline constexpr CFieldDef kHtLinkFrequencyFields[] = {
    {0, 3, "Link Frequency", "FREQ", A::kRW, false},
    {4, 4, "Protocol Error", "PROT", A::kRW1C, false},
    {5, 5, "Overflow Error", "OVFL", A::kRW1C, false},
    {6, 6, "End of Chain Error", "EOCERR", A::kRW1C, false},
};
inline constexpr CFieldDef kHtErrorHandlingFields[] = {
    {8, 8, "Chain Fail", "CF", A::kRW1C, false},
    {9, 9, "Response Error", "RE", A::kRW1C, false},
};
#define BRISCO_HT_LINK_REGISTERS(control, config, frequency, capability, suffix)                  \
    Register(control, 2, "Link Control" suffix, nullptr, A::kRW, kHtLinkControlFields),              \
    Register(config, 2, "Link Config" suffix, nullptr, A::kRW, kHtLinkConfigFields),                 \
    Register(frequency, 1, "Link Frequency" suffix, nullptr, A::kRW, kHtLinkFrequencyFields),        \
    Register(capability, 2, "Link Frequency Capability" suffix, nullptr, A::kRO)
inline constexpr CRegisterDef kHtSlaveRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kHtCommandOffset, 2, "Command", "COMMAND", A::kRW, kHtInterfaceCommandFields),
    BRISCO_HT_LINK_REGISTERS(kHtSlaveLinkControl0Offset, kHtSlaveLinkConfig0Offset, kHtSlaveLinkFrequency0Offset,
                             kHtSlaveFrequencyCap0Offset, " 0"),
    BRISCO_HT_LINK_REGISTERS(kHtSlaveLinkControl1Offset, kHtSlaveLinkConfig1Offset, kHtSlaveLinkFrequency1Offset,
                             kHtSlaveFrequencyCap1Offset, " 1"),
    Register(kHtSlaveRevisionOffset, 1, "Revision ID", "REVISION", A::kRO),
    Register(kHtSlaveFeatureOffset, 1, "Feature Capability", "FEATURE", A::kRO),
    Register(kHtSlaveScratchpadOffset, 2, "Enumeration Scratchpad", "SCRATCHPAD", A::kRW),
    Register(kHtSlaveErrorHandlingOffset, 2, "Error Handling", "ERROR", A::kRW, kHtErrorHandlingFields),
    Register(kHtSlaveMemoryUpperOffset, 2, "Prefetchable memory behind bridge Upper", "MEM_UPPER", A::kRW),
    Register(kHtSlaveBusNumberOffset, 1, "Bus Number", "BUS", A::kRW),
};
inline constexpr CRegisterDef kHtHostRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kHtCommandOffset, 2, "Command", "COMMAND", A::kRW, kHtInterfaceCommandFields),
    BRISCO_HT_LINK_REGISTERS(kHtHostLinkControlOffset, kHtHostLinkConfigOffset, kHtHostLinkFrequencyOffset,
                             kHtHostFrequencyCapOffset, ""),
    Register(kHtHostRevisionOffset, 1, "Revision ID", "REVISION", A::kRO),
    Register(kHtHostFeatureOffset, 2, "Feature Capability", "FEATURE", A::kRO),
    Register(kHtHostScratchpadOffset, 2, "Enumeration Scratchpad", "SCRATCHPAD", A::kRW),
    Register(kHtHostErrorHandlingOffset, 2, "Error Handling", "ERROR", A::kRW, kHtErrorHandlingFields),
    Register(kHtHostMemoryUpperOffset, 2, "Prefetchable memory behind bridge Upper", "MEM_UPPER", A::kRW),
};
#undef BRISCO_HT_LINK_REGISTERS
inline constexpr CFieldDef kHtMsiMappingLowFields[] = {
    {0, 19, "Reserved", nullptr, A::kRsvdP, false},
    {20, 31, "Address Base", "BASE", A::kRW, false},
};
inline constexpr CRegisterDef kHtMsiMappingRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kHtCommandOffset, 2, "Command", "COMMAND", A::kRO, kHtMsiMappingCommandFields),
    Register(kHtMsiMappingLowOffset, 4, "Mapping Address Base", "BASE_LO", A::kRW, kHtMsiMappingLowFields),
    Register(kHtMsiMappingHighOffset, 4, "Mapping Address Base Upper", "BASE_HI", A::kRW),
};
inline constexpr CRegisterDef kHtInterruptRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kHtCommandOffset, 2, "Command", "COMMAND", A::kRO, kHtInterruptCommandFields),
    Register(kHtInterruptDataOffset, 4, "Data Port", "DATA", A::kRW),
};
inline constexpr CRegisterDef kHtOtherRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kHtCommandOffset, 2, "Command", "COMMAND", A::kRO, kHtBlockCommandFields),
};

// Vendor specific: a length, then the vendor's bytes, which only the virtio layout names.
#define BRISCO_VENDOR_LENGTH_REGISTER \
    Register(kVendorSpecificLengthOffset, 1, "Length", "LENGTH", A::kRO)
inline constexpr CRegisterDef kVendorRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    BRISCO_VENDOR_LENGTH_REGISTER,
};
#define BRISCO_VIRTIO_REGISTERS                                                           \
    BRISCO_CAPABILITY_HEADER_REGISTERS,                                                   \
    BRISCO_VENDOR_LENGTH_REGISTER,                                                        \
    Register(kVirtioCfgTypeOffset, 1, "Configuration Type", "CFG_TYPE", A::kRO),          \
    Register(kVirtioBarOffset, 1, "BAR", "BAR", A::kRO),                                  \
    Register(kVirtioIdOffset, 1, "ID", "CFG_ID", A::kRO),                                 \
    Register(kVirtioRegionOffset, 4, "Offset", "OFFSET", A::kRO),                         \
    Register(kVirtioRegionLengthOffset, 4, "Region Length", "LENGTH_REGION", A::kRO)
inline constexpr CRegisterDef kVirtioRegisters[] = {BRISCO_VIRTIO_REGISTERS};
inline constexpr CRegisterDef kVirtioNotifyRegisters[] = {
    BRISCO_VIRTIO_REGISTERS,
    Register(kVirtioNotifyMultiplierOffset, 4, "Notify Offset Multiplier", "NOTIFY_MULT", A::kRO),
};
#undef BRISCO_VIRTIO_REGISTERS
#undef BRISCO_VENDOR_LENGTH_REGISTER

// Debug port: where the port's registers lie, fixed by the hardware.
inline constexpr CFieldDef kDebugPortFields[] = {
    {0, 12, "Offset", "OFFSET", A::kRO, false},
    {13, 15, "BAR Number", "BAR", A::kRO, false},
};
inline constexpr CRegisterDef kDebugPortRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kDebugPortOffset, 2, "Debug Port", "PORT", A::kRO, kDebugPortFields),
};

inline constexpr CRegisterDef kCentralResourceRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(2, 2, "Control", "CONTROL", A::kRW),
};
inline constexpr CRegisterDef kHeaderOnlyRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
};
inline constexpr CRegisterDef kSecureRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(2, 2, "Capability Information", "INFO", A::kRO),
};
inline constexpr CRegisterDef kBridgeSubsystemRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kBridgeSubsystemVendorOffset, 2, "Subsystem Vendor ID", "SUBSYSTEM_VENDOR_ID", A::kHwInit),
    Register(kBridgeSubsystemIdOffset, 2, "Subsystem ID", "SUBSYSTEM_ID", A::kHwInit),
};

// PCI Express.
inline constexpr CFieldDef kExpCapabilitiesFields[] = {
    {0, 3, "Capability Version", "VERSION", A::kRO, false},
    {4, 7, "Device/Port Type", "TYPE", A::kRO, false},
    {8, 8, "Slot Implemented", "SLOT", A::kHwInit, false},
    {9, 13, "Interrupt Message Number", "IRQ", A::kRO, false},
    {14, 14, "TCS Routing Supported", "TCS", A::kRO, false},
    {15, 15, "Reserved", nullptr, A::kRsvdP, false},
};
inline constexpr CFieldDef kExpDeviceCapFields[] = {
    {0, 2, "Max_Payload_Size Supported", "MPS", A::kRO, false},
    {3, 4, "Phantom Functions Supported", "PHANTOM", A::kRO, false},
    {5, 5, "Extended Tag Field Supported", "EXTTAG", A::kRO, false},
    {6, 8, "Endpoint L0s Acceptable Latency", "L0SLAT", A::kRO, false},
    {9, 11, "Endpoint L1 Acceptable Latency", "L1LAT", A::kRO, false},
    {12, 14, "Undefined", nullptr, A::kRO, false},
    {15, 15, "Role-Based Error Reporting", "RBE", A::kRO, false},
    {16, 16, "ERR_COR Subclass Capable", "ERRCOR", A::kRO, false},
    {18, 25, "Captured Slot Power Limit Value", "PWRVAL", A::kRO, false},
    {26, 27, "Captured Slot Power Limit Scale", "PWRSCL", A::kRO, false},
    {28, 28, "Function Level Reset Capability", "FLR", A::kRO, false},
    {31, 31, "Reserved", nullptr, A::kRsvdP, false},
};
#define BRISCO_EXP_DEVICE_CONTROL_FIELDS                                         \
    {0, 0, "Correctable Error Reporting Enable", "CERE", A::kRW, false},         \
    {1, 1, "Non-Fatal Error Reporting Enable", "NFERE", A::kRW, false},          \
    {2, 2, "Fatal Error Reporting Enable", "FERE", A::kRW, false},               \
    {3, 3, "Unsupported Request Reporting Enable", "URRE", A::kRW, false},       \
    {4, 4, "Enable Relaxed Ordering", "RO", A::kRW, false},                      \
    {5, 7, "Max_Payload_Size", "MPS", A::kRW, false},                            \
    {8, 8, "Extended Tag Field Enable", "EXTTAG", A::kRW, false},                \
    {9, 9, "Phantom Functions Enable", "PHANTOM", A::kRW, false},                \
    {10, 10, "Aux Power PM Enable", "AUXPM", A::kRWS, false},                    \
    {11, 11, "Enable No Snoop", "NOSNOOP", A::kRW, false},                       \
    {12, 14, "Max_Read_Request_Size", "MRRS", A::kRW, false}
inline constexpr CFieldDef kExpDeviceControlFields[] = {
    BRISCO_EXP_DEVICE_CONTROL_FIELDS,
    {15, 15, "Initiate Function Level Reset", "FLR", A::kRW, true},
};
inline constexpr CFieldDef kExpBridgeDeviceControlFields[] = {
    BRISCO_EXP_DEVICE_CONTROL_FIELDS,
    {15, 15, "Bridge Configuration Retry Enable", "BCRE", A::kRW, false},
};
#undef BRISCO_EXP_DEVICE_CONTROL_FIELDS
inline constexpr CFieldDef kExpDeviceStatusFields[] = {
    {0, 0, "Correctable Error Detected", "CED", A::kRW1C, false},
    {1, 1, "Non-Fatal Error Detected", "NFED", A::kRW1C, false},
    {2, 2, "Fatal Error Detected", "FED", A::kRW1C, false},
    {3, 3, "Unsupported Request Detected", "URD", A::kRW1C, false},
    {4, 4, "AUX Power Detected", "AUXPWR", A::kRO, false},
    {5, 5, "Transactions Pending", "TRPND", A::kRO, false},
    {6, 6, "Emergency Power Reduction Detected", "EPRD", A::kRW1C, false},
};
inline constexpr CFieldDef kExpLinkCapFields[] = {
    {0, 3, "Max Link Speed", "SPEED", A::kRO, false},
    {4, 9, "Maximum Link Width", "WIDTH", A::kRO, false},
    {10, 11, "ASPM Support", "ASPM", A::kRO, false},
    {12, 14, "L0s Exit Latency", "L0SLAT", A::kRO, false},
    {15, 17, "L1 Exit Latency", "L1LAT", A::kRO, false},
    {18, 18, "Clock Power Management", "CLKPM", A::kRO, false},
    {19, 19, "Surprise Down Error Reporting Capable", "SURPRISE", A::kRO, false},
    {20, 20, "Data Link Layer Link Active Reporting Capable", "DLLA", A::kRO, false},
    {21, 21, "Link Bandwidth Notification Capability", "LBN", A::kRO, false},
    {22, 22, "ASPM Optionality Compliance", "ASPMOPT", A::kHwInit, false},
    {23, 23, "Reserved", nullptr, A::kRsvdP, false},
    {24, 31, "Port Number", "PORT", A::kHwInit, false},
};
inline constexpr CFieldDef kExpLinkControlFields[] = {
    {0, 1, "ASPM Control", "ASPM", A::kRW, false},
    {3, 3, "Read Completion Boundary", "RCB", A::kRW, false},
    {4, 4, "Link Disable", "LD", A::kRW, true},
    {5, 5, "Retrain Link", "RL", A::kRW, true},
    {6, 6, "Common Clock Configuration", "CCC", A::kRW, false},
    {7, 7, "Extended Synch", "ES", A::kRW, false},
    {8, 8, "Enable Clock Power Management", "CLKPM", A::kRW, false},
    {9, 9, "Hardware Autonomous Width Disable", "HAWD", A::kRW, false},
    {10, 10, "Link Bandwidth Management Interrupt Enable", "LBMIE", A::kRW, false},
    {11, 11, "Link Autonomous Bandwidth Interrupt Enable", "LABIE", A::kRW, false},
    {14, 15, "DRS Signaling Control", "DRS", A::kRW, false},
};
inline constexpr CFieldDef kExpLinkStatusFields[] = {
    {0, 3, "Current Link Speed", "SPEED", A::kRO, false},
    {4, 9, "Negotiated Link Width", "WIDTH", A::kRO, false},
    {10, 10, "Undefined", nullptr, A::kRO, false},
    {11, 11, "Link Training", "TRAINING", A::kRO, false},
    {12, 12, "Slot Clock Configuration", "SLOTCLK", A::kHwInit, false},
    {13, 13, "Data Link Layer Link Active", "DLLA", A::kRO, false},
    {14, 14, "Link Bandwidth Management Status", "LBMS", A::kRW1C, false},
    {15, 15, "Link Autonomous Bandwidth Status", "LABS", A::kRW1C, false},
};
inline constexpr CFieldDef kExpSlotCapFields[] = {
    {0, 0, "Attention Button Present", "ABP", A::kHwInit, false},
    {1, 1, "Power Controller Present", "PCP", A::kHwInit, false},
    {2, 2, "MRL Sensor Present", "MRLSP", A::kHwInit, false},
    {3, 3, "Attention Indicator Present", "AIP", A::kHwInit, false},
    {4, 4, "Power Indicator Present", "PIP", A::kHwInit, false},
    {5, 5, "Hot-Plug Surprise", "HPS", A::kHwInit, false},
    {6, 6, "Hot-Plug Capable", "HPC", A::kHwInit, false},
    {7, 14, "Slot Power Limit Value", "PWRVAL", A::kHwInit, false},
    {15, 16, "Slot Power Limit Scale", "PWRSCL", A::kHwInit, false},
    {17, 17, "Electromechanical Interlock Present", "EIP", A::kHwInit, false},
    {18, 18, "No Command Completed Support", "NCCS", A::kHwInit, false},
    {19, 31, "Physical Slot Number", "SLOT", A::kHwInit, false},
};
inline constexpr CFieldDef kExpSlotControlFields[] = {
    {0, 0, "Attention Button Pressed Enable", "ABPE", A::kRW, false},
    {1, 1, "Power Fault Detected Enable", "PFDE", A::kRW, false},
    {2, 2, "MRL Sensor Changed Enable", "MRLSCE", A::kRW, false},
    {3, 3, "Presence Detect Changed Enable", "PDCE", A::kRW, false},
    {4, 4, "Command Completed Interrupt Enable", "CCIE", A::kRW, false},
    {5, 5, "Hot-Plug Interrupt Enable", "HPIE", A::kRW, false},
    {6, 7, "Attention Indicator Control", "AIC", A::kRW, false},
    {8, 9, "Power Indicator Control", "PIC", A::kRW, false},
    {10, 10, "Power Controller Control", "PCC", A::kRW, false},
    {11, 11, "Electromechanical Interlock Control", "EIC", A::kRW, false},
    {12, 12, "Data Link Layer State Changed Enable", "DLLSCE", A::kRW, false},
    {13, 13, "Auto Slot Power Limit Disable", "ASPLD", A::kRW, false},
    {14, 14, "In-Band PD Disable", "IBPDD", A::kRW, false},
};
inline constexpr CFieldDef kExpSlotStatusFields[] = {
    {0, 0, "Attention Button Pressed", "ABP", A::kRW1C, false},
    {1, 1, "Power Fault Detected", "PFD", A::kRW1C, false},
    {2, 2, "MRL Sensor Changed", "MRLSC", A::kRW1C, false},
    {3, 3, "Presence Detect Changed", "PDC", A::kRW1C, false},
    {4, 4, "Command Completed", "CC", A::kRW1C, false},
    {5, 5, "MRL Sensor State", "MRLSS", A::kRO, false},
    {6, 6, "Presence Detect State", "PDS", A::kRO, false},
    {7, 7, "Electromechanical Interlock Status", "EIS", A::kRO, false},
    {8, 8, "Data Link Layer State Changed", "DLLSC", A::kRW1C, false},
};
inline constexpr CFieldDef kExpRootControlFields[] = {
    {0, 0, "System Error on Correctable Error Enable", "SECEE", A::kRW, false},
    {1, 1, "System Error on Non-Fatal Error Enable", "SENFEE", A::kRW, false},
    {2, 2, "System Error on Fatal Error Enable", "SEFEE", A::kRW, false},
    {3, 3, "PME Interrupt Enable", "PMEIE", A::kRW, false},
    {4, 4, "CRS Software Visibility Enable", "CRSSVE", A::kRW, false},
};
inline constexpr CFieldDef kExpRootCapFields[] = {
    {0, 0, "CRS Software Visibility", "CRSSV", A::kRO, false},
};
inline constexpr CFieldDef kExpRootStatusFields[] = {
    {0, 15, "PME Requester ID", "PMERID", A::kRO, false},
    {16, 16, "PME Status", "PMES", A::kRW1C, false},
    {17, 17, "PME Pending", "PMEP", A::kRO, false},
};
inline constexpr CFieldDef kExpDeviceCap2Fields[] = {
    {0, 3, "Completion Timeout Ranges Supported", "CTRS", A::kHwInit, false},
    {4, 4, "Completion Timeout Disable Supported", "CTDS", A::kRO, false},
    {5, 5, "ARI Forwarding Supported", "ARIFWD", A::kRO, false},
    {6, 6, "AtomicOp Routing Supported", "ATOMICROUTE", A::kRO, false},
    {7, 7, "32-bit AtomicOp Completer Supported", "ATOMIC32", A::kRO, false},
    {8, 8, "64-bit AtomicOp Completer Supported", "ATOMIC64", A::kRO, false},
    {9, 9, "128-bit CAS Completer Supported", "CAS128", A::kRO, false},
    {10, 10, "No RO-enabled PR-PR Passing", "NROPRPRP", A::kHwInit, false},
    {11, 11, "LTR Mechanism Supported", "LTR", A::kRO, false},
    {12, 13, "TPH Completer Supported", "TPH", A::kRO, false},
    {14, 15, "LN System CLS", "LNCLS", A::kHwInit, false},
    {16, 16, "10-Bit Tag Completer Supported", "TAG10C", A::kHwInit, false},
    {17, 17, "10-Bit Tag Requester Supported", "TAG10R", A::kHwInit, false},
    {18, 19, "OBFF Supported", "OBFF", A::kHwInit, false},
    {20, 20, "Extended Fmt Field Supported", "EXTFMT", A::kRO, false},
    {21, 21, "End-End TLP Prefix Supported", "EETLP", A::kRO, false},
    {22, 23, "Max End-End TLP Prefixes", "MAXEETLP", A::kHwInit, false},
    {24, 25, "Emergency Power Reduction Supported", "EPR", A::kHwInit, false},
    {26, 26, "Emergency Power Reduction Initialization Required", "EPRINIT", A::kHwInit, false},
    {31, 31, "FRS Supported", "FRS", A::kHwInit, false},
};
inline constexpr CFieldDef kExpDeviceControl2Fields[] = {
    {0, 3, "Completion Timeout Value", "CTV", A::kRW, false},
    {4, 4, "Completion Timeout Disable", "CTD", A::kRW, false},
    {5, 5, "ARI Forwarding Enable", "ARIFWD", A::kRW, false},
    {6, 6, "AtomicOp Requester Enable", "ATOMICREQ", A::kRW, false},
    {7, 7, "AtomicOp Egress Blocking", "ATOMICBLK", A::kRW, false},
    {8, 8, "IDO Request Enable", "IDOREQ", A::kRW, false},
    {9, 9, "IDO Completion Enable", "IDOCMPL", A::kRW, false},
    {10, 10, "LTR Mechanism Enable", "LTR", A::kRW, false},
    {11, 11, "Emergency Power Reduction Request", "EPRREQ", A::kRW, false},
    {12, 12, "10-Bit Tag Requester Enable", "TAG10", A::kRW, false},
    {13, 14, "OBFF Enable", "OBFF", A::kRW, false},
    {15, 15, "End-End TLP Prefix Blocking", "EETLPBLK", A::kRW, false},
};
inline constexpr CFieldDef kExpLinkCap2Fields[] = {
    {0, 0, "Reserved", nullptr, A::kRsvdP, false},
    {1, 7, "Supported Link Speeds Vector", "SPEEDS", A::kHwInit, false},
    {8, 8, "Crosslink Supported", "CROSSLINK", A::kRO, false},
    {9, 15, "Lower SKP OS Generation Supported Speeds Vector", "SKPGEN", A::kHwInit, false},
    {16, 22, "Lower SKP OS Reception Supported Speeds Vector", "SKPRX", A::kHwInit, false},
    {23, 23, "Retimer Presence Detect Supported", "RETIMER", A::kHwInit, false},
    {24, 24, "Two Retimers Presence Detect Supported", "RETIMER2", A::kHwInit, false},
    {31, 31, "DRS Supported", "DRS", A::kHwInit, false},
};
inline constexpr CFieldDef kExpLinkControl2Fields[] = {
    {0, 3, "Target Link Speed", "SPEED", A::kRWS, false},
    {4, 4, "Enter Compliance", "COMPLIANCE", A::kRWS, false},
    {5, 5, "Hardware Autonomous Speed Disable", "HASD", A::kRWS, false},
    {6, 6, "Selectable De-emphasis", "DEEMPH", A::kHwInit, false},
    {7, 9, "Transmit Margin", "MARGIN", A::kRWS, false},
    {10, 10, "Enter Modified Compliance", "MODCOMPLIANCE", A::kRWS, false},
    {11, 11, "Compliance SOS", "COMPSOS", A::kRWS, false},
    {12, 15, "Compliance Preset/De-emphasis", "PRESET", A::kRWS, false},
};
inline constexpr CFieldDef kExpLinkStatus2Fields[] = {
    {0, 0, "Current De-emphasis Level", "DEEMPH", A::kRO, false},
    {1, 1, "Equalization 8.0 GT/s Complete", "EQCOMPLETE", A::kROS, false},
    {2, 2, "Equalization 8.0 GT/s Phase 1 Successful", "EQPHASE1", A::kROS, false},
    {3, 3, "Equalization 8.0 GT/s Phase 2 Successful", "EQPHASE2", A::kROS, false},
    {4, 4, "Equalization 8.0 GT/s Phase 3 Successful", "EQPHASE3", A::kROS, false},
    {5, 5, "Link Equalization Request 8.0 GT/s", "EQREQ", A::kRW1CS, false},
    {6, 6, "Retimer Presence Detected", "RETIMER", A::kROS, false},
    {7, 7, "Two Retimers Presence Detected", "RETIMER2", A::kROS, false},
    {8, 9, "Crosslink Resolution", "CROSSLINK", A::kRO, false},
    {10, 11, "Reserved", nullptr, A::kRsvdZ, false},
    {12, 14, "Downstream Component Presence", "DSCOMP", A::kRO, false},
    {15, 15, "DRS Message Received", "DRSRX", A::kRW1C, false},
};
inline constexpr CFieldDef kExpSlotCap2Fields[] = {
    {0, 0, "In-Band PD Disable Supported", "IBPDDS", A::kHwInit, false},
};
#define BRISCO_EXP_REGISTERS(deviceControlFields)                                                            \
    BRISCO_CAPABILITY_HEADER_REGISTERS,                                                                       \
    Register(kExpCapabilitiesOffset, 2, "PCI Express Capabilities", "FLAGS", A::kRO, kExpCapabilitiesFields), \
    Register(kExpDeviceCapOffset, 4, "DevCap", "DEVCAP", A::kRO, kExpDeviceCapFields),                        \
    Register(kExpDeviceControlOffset, 2, "DevCtl", "DEVCTL", A::kRW, deviceControlFields),                    \
    Register(kExpDeviceStatusOffset, 2, "DevSta", "DEVSTA", A::kRsvdZ, kExpDeviceStatusFields),               \
    Register(kExpLinkCapOffset, 4, "LnkCap", "LNKCAP", A::kRO, kExpLinkCapFields),                            \
    Register(kExpLinkControlOffset, 2, "LnkCtl", "LNKCTL", A::kRsvdP, kExpLinkControlFields),                 \
    Register(kExpLinkStatusOffset, 2, "LnkSta", "LNKSTA", A::kRO, kExpLinkStatusFields),                      \
    Register(kExpSlotCapOffset, 4, "SltCap", "SLTCAP", A::kHwInit, kExpSlotCapFields),                        \
    Register(kExpSlotControlOffset, 2, "SltCtl", "SLTCTL", A::kRsvdP, kExpSlotControlFields),                 \
    Register(kExpSlotStatusOffset, 2, "SltSta", "SLTSTA", A::kRsvdZ, kExpSlotStatusFields),                   \
    Register(kExpRootControlOffset, 2, "RootCtl", "RTCTL", A::kRsvdP, kExpRootControlFields),                 \
    Register(kExpRootCapOffset, 2, "RootCap", "RTCAP", A::kRsvdP, kExpRootCapFields),                         \
    Register(kExpRootStatusOffset, 4, "RootSta", "RTSTA", A::kRsvdZ, kExpRootStatusFields),                   \
    Register(kExpDeviceCap2Offset, 4, "DevCap2", "DEVCAP2", A::kRsvdP, kExpDeviceCap2Fields),                 \
    Register(kExpDeviceControl2Offset, 2, "DevCtl2", "DEVCTL2", A::kRW, kExpDeviceControl2Fields),            \
    Register(kExpDeviceStatus2Offset, 2, "DevSta2", "DEVSTA2", A::kRsvdZ),                                    \
    Register(kExpLinkCap2Offset, 4, "LnkCap2", "LNKCAP2", A::kRsvdP, kExpLinkCap2Fields),                     \
    Register(kExpLinkControl2Offset, 2, "LnkCtl2", "LNKCTL2", A::kRW, kExpLinkControl2Fields),                \
    Register(kExpLinkStatus2Offset, 2, "LnkSta2", "LNKSTA2", A::kRO, kExpLinkStatus2Fields),                  \
    Register(kExpSlotCap2Offset, 4, "SltCap2", "SLTCAP2", A::kRsvdP, kExpSlotCap2Fields),                     \
    Register(kExpSlotControl2Offset, 2, "SltCtl2", "SLTCTL2", A::kRsvdP),                                     \
    Register(kExpSlotStatus2Offset, 2, "SltSta2", "SLTSTA2", A::kRsvdZ)
inline constexpr CRegisterDef kExpRegisters[] = {BRISCO_EXP_REGISTERS(kExpDeviceControlFields)};
inline constexpr CRegisterDef kExpBridgeRegisters[] = {BRISCO_EXP_REGISTERS(kExpBridgeDeviceControlFields)};
#undef BRISCO_EXP_REGISTERS

// MSI-X: the table's size and place are fixed; software enables and masks.
inline constexpr CFieldDef kMsiXControlFields[] = {
    {0, 10, "Table Size", "SIZE", A::kRO, false},
    {11, 13, "Reserved", nullptr, A::kRsvdP, false},
    {14, 14, "Function Mask", "MASK", A::kRW, false},
    {15, 15, "MSI-X Enable", "ENABLE", A::kRW, false},
};
inline constexpr CFieldDef kMsiXLocationFields[] = {
    {0, 2, "BAR Indicator", "BIR", A::kRO, false},
    {3, 31, "Offset", "OFFSET", A::kRO, false},
};
inline constexpr CRegisterDef kMsiXRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kMsiXControlOffset, 2, "Message Control", "CONTROL", A::kRO, kMsiXControlFields),
    Register(kMsiXTableOffset, 4, "Table Offset/BIR", "TABLE", A::kRO, kMsiXLocationFields),
    Register(kMsiXPbaOffset, 4, "PBA Offset/BIR", "PBA", A::kRO, kMsiXLocationFields),
};

// SATA index-data pair location.
inline constexpr CFieldDef kSataRevisionFields[] = {
    {0, 3, "Minor Revision", "MINOR", A::kRO, false},
    {4, 7, "Major Revision", "MAJOR", A::kRO, false},
};
inline constexpr CFieldDef kSataBarFields[] = {
    {0, 3, "BAR Location", "BARLOC", A::kRO, false},
    {4, 23, "BAR Offset", "BAROFST", A::kRO, false},
};
inline constexpr CRegisterDef kSataRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kSataRevisionOffset, 2, "Revision", "REVISION", A::kRsvdP, kSataRevisionFields),
    Register(kSataBarOffset, 4, "BAR Location", "BAR", A::kRsvdP, kSataBarFields),
};

// Advanced features: a function-level reset the host starts.
inline constexpr CFieldDef kAfCapabilitiesFields[] = {
    {0, 0, "Transactions Pending Capable", "TP", A::kRO, false},
    {1, 1, "Function Level Reset Capable", "FLR", A::kRO, false},
};
inline constexpr CFieldDef kAfControlFields[] = {
    {0, 0, "Initiate Function Level Reset", "FLR", A::kRW, true},
};
inline constexpr CFieldDef kAfStatusFields[] = {
    {0, 0, "Transactions Pending", "TP", A::kRO, false},
};
inline constexpr CRegisterDef kAfRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kAfLengthOffset, 1, "Length", "LENGTH", A::kRO),
    Register(kAfCapabilitiesOffset, 1, "AFCap", "CAP", A::kRsvdP, kAfCapabilitiesFields),
    Register(kAfControlOffset, 1, "AFCtrl", "CTRL", A::kRsvdP, kAfControlFields),
    Register(kAfStatusOffset, 1, "AFStatus", "STATUS", A::kRsvdZ, kAfStatusFields),
};

// Enhanced allocation: entries of varying length fix the function's resources, so every
// dword after the count belongs to the host.
inline constexpr CFieldDef kEaCountFields[] = {
    {0, 5, "Num Entries", "NUM", A::kHwInit, false},
};
inline constexpr CFieldDef kEaBusFields[] = {
    {0, 7, "Fixed Secondary Bus Number", "SECONDARY", A::kHwInit, false},
    {8, 15, "Fixed Subordinate Bus Number", "SUBORDINATE", A::kHwInit, false},
};
constexpr uint8_t kEaMaxEntryDwords = (kConfigSpaceBytes - kDeviceSpecificOffset - kEaFirstEntryOffset) / 4;
inline constexpr CRegisterDef kEaRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kEaEntryCountOffset, 1, "Num Entries", "NUM", A::kRsvdP, kEaCountFields),
    Repeated(Register(kEaFirstEntryOffset, 4, "Entry dword", "ENTRY", A::kHwInit, true), kEaMaxEntryDwords, 4),
};
inline constexpr CRegisterDef kEaBridgeRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kEaEntryCountOffset, 1, "Num Entries", "NUM", A::kRsvdP, kEaCountFields),
    Register(kEaFirstEntryOffset, 4, "Fixed Bus Numbers", "BUSES", A::kRsvdP, kEaBusFields, true),
    Repeated(Register(kEaBridgeFirstEntryOffset, 4, "Entry dword", "ENTRY", A::kHwInit, true), kEaMaxEntryDwords - 1,
             4),
};

// Flattening portal bridge: what the bridge supports, then software's decode vectors.
inline constexpr CRegisterDef kFpbRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kFpbCapabilitiesOffset, 4, "FPB Capabilities", "CAP", A::kHwInit),
    Register(kFpbRidVectorControl1Offset, 4, "RID Vector Control 1", "RID_CTL1", A::kRW),
    Register(kFpbRidVectorControl2Offset, 4, "RID Vector Control 2", "RID_CTL2", A::kRW),
    Register(kFpbMem32VectorControlOffset, 4, "MEM Low Vector Control", "MEM_LOW", A::kRW),
    Register(kFpbMem64VectorControlOffset, 4, "MEM High Vector Control 1", "MEM_HIGH1", A::kRW),
    Register(kFpbMem64VectorUpperOffset, 4, "MEM High Vector Control 2", "MEM_HIGH2", A::kRW),
    Register(kFpbVectorAccessControlOffset, 4, "Vector Access Control", "ACCESS_CTL", A::kRW),
    Register(kFpbVectorAccessDataOffset, 4, "Vector Access Data", "ACCESS_DATA", A::kRW),
};
#undef BRISCO_CAPABILITY_HEADER_REGISTERS
// clang-format on

using K = EBlockKind;
inline constexpr CRegisterBlock kCapabilityBlocks[] = {
    Block(K::kCapability, kCapPowerManagement, "PM", kPmRegisters),
    Block(K::kCapability, kCapAgp, "AGP", kAgpRegisters),
    Block(K::kCapability, kCapVpd, "VPD", kVpdRegisters),
    Block(K::kCapability, kCapSlotIdentification, "SLOTID", kSlotIdRegisters),
    Block(K::kCapability, kCapMsi, "MSI", kMsi32Registers),
    Block(K::kCapability, kCapMsi, "MSI", kMsi64Registers, kMsiVariant64Bit),
    Block(K::kCapability, kCapMsi, "MSI", kMsi32MaskedRegisters, kMsiVariantMasking),
    Block(K::kCapability, kCapMsi, "MSI", kMsi64MaskedRegisters, kMsiVariant64Bit | kMsiVariantMasking),
    Block(K::kCapability, kCapMsi, "MSI", kMsi32ExtendedRegisters, kMsiVariantExtendedData),
    Block(K::kCapability, kCapMsi, "MSI", kMsi64ExtendedRegisters, kMsiVariant64Bit | kMsiVariantExtendedData),
    Block(K::kCapability, kCapMsi, "MSI", kMsi32MaskedExtendedRegisters, kMsiVariantMasking | kMsiVariantExtendedData),
    Block(K::kCapability, kCapMsi, "MSI", kMsi64MaskedExtendedRegisters,
          kMsiVariant64Bit | kMsiVariantMasking | kMsiVariantExtendedData),
    Block(K::kCapability, kCapCompactPciHotSwap, "CHSWP", kHotSwapRegisters),
    Block(K::kCapability, kCapPciX, "PCIX", kPciXRegisters),
    Block(K::kCapability, kCapPciX, "PCIX", kPciXBridgeRegisters, kPciXVariantBridge),
    Block(K::kCapability, kCapHyperTransport, "HT", kHtSlaveRegisters, kHtVariantSlave),
    Block(K::kCapability, kCapHyperTransport, "HT", kHtHostRegisters, kHtVariantHost),
    Block(K::kCapability, kCapHyperTransport, "HT", kHtMsiMappingRegisters, kHtVariantMsiMapping),
    Block(K::kCapability, kCapHyperTransport, "HT", kHtInterruptRegisters, kHtVariantInterruptDiscovery),
    Block(K::kCapability, kCapHyperTransport, "HT", kHtOtherRegisters, kHtVariantOther),
    Block(K::kCapability, kCapVendorSpecific, "VNDR", kVendorRegisters),
    Block(K::kCapability, kCapVendorSpecific, "VNDR", kVirtioRegisters, kVendorVariantVirtio),
    Block(K::kCapability, kCapVendorSpecific, "VNDR", kVirtioNotifyRegisters, kVendorVariantVirtioNotify),
    Block(K::kCapability, kCapDebugPort, "DBG", kDebugPortRegisters),
    Block(K::kCapability, kCapCompactPciCentralResource, "CCRC", kCentralResourceRegisters),
    Block(K::kCapability, kCapPciHotPlug, "HOTPLUG", kHeaderOnlyRegisters),
    Block(K::kCapability, kCapBridgeSubsystem, "SSVID", kBridgeSubsystemRegisters),
    Block(K::kCapability, kCapAgp8x, "AGP3", kAgpRegisters),
    Block(K::kCapability, kCapSecureDevice, "SECURE", kSecureRegisters),
    Block(K::kCapability, kCapPciExpress, "EXP", kExpRegisters),
    Block(K::kCapability, kCapPciExpress, "EXP", kExpBridgeRegisters, kExpVariantPciBridge),
    Block(K::kCapability, kCapMsiX, "MSIX", kMsiXRegisters),
    Block(K::kCapability, kCapSataConfig, "SATA", kSataRegisters),
    Block(K::kCapability, kCapAdvancedFeatures, "AF", kAfRegisters),
    Block(K::kCapability, kCapEnhancedAllocation, "EA", kEaRegisters),
    Block(K::kCapability, kCapEnhancedAllocation, "EA", kEaBridgeRegisters, kEaVariantBridge),
    Block(K::kCapability, kCapFlatteningPortalBridge, "FPB", kFpbRegisters),
};

} // namespace pci::capability
