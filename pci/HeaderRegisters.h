#pragma once
// The registers of header layouts 0, 1 and 2 (00h-3Fh, and CardBus's 40h-47h), with their
// fields. The register list's names are these names.
#include "pci/ConfigSpace.h"
#include "pci/RegisterCatalogue.h"

namespace pci::header {

using A = EAccess;

// clang-format off
inline constexpr CFieldDef kCommandFields[] = {
    {0, 0, "I/O Space Enable", "IO", A::kRW, true},
    {1, 1, "Memory Space Enable", "MEM", A::kRW, true},
    {2, 2, "Bus Master Enable", "BM", A::kRW, true},
    {3, 3, "Special Cycle Enable", "SPECIAL", A::kRO, false},
    {4, 4, "Memory Write and Invalidate", "MWI", A::kRW, false},
    {5, 5, "VGA Palette Snoop", "VGASNOOP", A::kRO, false},
    {6, 6, "Parity Error Response", "PERR", A::kRW, false},
    {7, 7, "IDSEL Stepping", "STEPPING", A::kRO, false},
    {8, 8, "SERR# Enable", "SERR", A::kRW, false},
    {9, 9, "Fast Back-to-Back Enable", "FASTB2B", A::kRO, false},
    {10, 10, "Interrupt Disable", "INTX", A::kRW, false},
    {11, 15, "Reserved", nullptr, A::kRsvdP, false},
};

// The status bits every layout shares, from bit 3 up.
#define BRISCO_STATUS_ERROR_FIELDS                                               \
    {8, 8, "Master Data Parity Error", "MDPE", A::kRW1C, false},                 \
    {9, 10, "DEVSEL Timing", "DEVSEL", A::kRO, false},                           \
    {11, 11, "Signaled Target Abort", "STA", A::kRW1C, false},                   \
    {12, 12, "Received Target Abort", "RTA", A::kRW1C, false},                   \
    {13, 13, "Received Master Abort", "RMA", A::kRW1C, false},                   \
    {14, 14, "Signaled System Error", "SSE", A::kRW1C, false},                   \
    {15, 15, "Detected Parity Error", "DPE", A::kRW1C, false}

inline constexpr CFieldDef kStatusFields[] = {
    {0, 2, "Reserved", nullptr, A::kRsvdZ, false},
    {3, 3, "Interrupt Status", "INTX", A::kRO, false},
    {4, 4, "Capabilities List", "CAPLIST", A::kRO, false},
    {5, 5, "66 MHz Capable", "66MHZ", A::kRO, false},
    {6, 6, "Reserved", nullptr, A::kRsvdZ, false},
    {7, 7, "Fast Back-to-Back Capable", "FASTB2B", A::kRO, false},
    BRISCO_STATUS_ERROR_FIELDS,
};

// A bridge's Secondary Status: the same error bits, Received System Error in place of SSE.
inline constexpr CFieldDef kSecondaryStatusFields[] = {
    {0, 4, "Reserved", nullptr, A::kRsvdZ, false},
    {5, 5, "66 MHz Capable", "66MHZ", A::kRO, false},
    {6, 6, "Reserved", nullptr, A::kRsvdZ, false},
    {7, 7, "Fast Back-to-Back Capable", "FASTB2B", A::kRO, false},
    {8, 8, "Master Data Parity Error", "MDPE", A::kRW1C, false},
    {9, 10, "DEVSEL Timing", "DEVSEL", A::kRO, false},
    {11, 11, "Signaled Target Abort", "STA", A::kRW1C, false},
    {12, 12, "Received Target Abort", "RTA", A::kRW1C, false},
    {13, 13, "Received Master Abort", "RMA", A::kRW1C, false},
    {14, 14, "Received System Error", "RSE", A::kRW1C, false},
    {15, 15, "Detected Parity Error", "DPE", A::kRW1C, false},
};
#undef BRISCO_STATUS_ERROR_FIELDS

inline constexpr CFieldDef kBistFields[] = {
    {0, 3, "Completion Code", "CODE", A::kRO, false},
    {4, 5, "Reserved", nullptr, A::kRsvdP, false},
    {6, 6, "Start BIST", "START", A::kRW, false},
    {7, 7, "BIST Capable", "CAPABLE", A::kRO, false},
};

inline constexpr CFieldDef kHeaderTypeFields[] = {
    {0, 6, "Header Layout", "LAYOUT", A::kRO, false},
    {7, 7, "Multi-Function Device", "MULTI", A::kRO, false},
};

inline constexpr CFieldDef kRomFields[] = {
    {0, 0, "ROM Enable", "ENABLE", A::kRW, true},
    {1, 10, "Reserved", nullptr, A::kRsvdP, false},
    {11, 31, "ROM Base Address", "BASE", A::kRW, true},
};

// A bridge's I/O window bytes: address bits 15:12 above the addressing type.
inline constexpr CFieldDef kIoWindowFields[] = {
    {0, 3, "Addressing", "TYPE", A::kRO, false},
    {4, 7, "Address 15:12", "ADDR", A::kRW, true},
};
inline constexpr CFieldDef kMemoryWindowFields[] = {
    {0, 3, "Reserved", nullptr, A::kRO, false},
    {4, 15, "Address 31:20", "ADDR", A::kRW, true},
};
inline constexpr CFieldDef kPrefetchableWindowFields[] = {
    {0, 3, "Addressing", "TYPE", A::kRO, false},
    {4, 15, "Address 31:20", "ADDR", A::kRW, true},
};

inline constexpr CFieldDef kBridgeControlFields[] = {
    {0, 0, "Parity Error Response Enable", "PERR", A::kRW, false},
    {1, 1, "SERR# Enable", "SERR", A::kRW, false},
    {2, 2, "ISA Enable", "ISA", A::kRW, true},
    {3, 3, "VGA Enable", "VGA", A::kRW, true},
    {4, 4, "VGA 16-bit Decode", "VGA16", A::kRW, true},
    {5, 5, "Master Abort Mode", "MABORT", A::kRW, false},
    {6, 6, "Secondary Bus Reset", "RESET", A::kRW, true},
    {7, 7, "Fast Back-to-Back Enable", "FASTB2B", A::kRW, false},
    {8, 8, "Primary Discard Timeout", "PDT", A::kRW, false},
    {9, 9, "Secondary Discard Timeout", "SDT", A::kRW, false},
    {10, 10, "Discard Timer Status", "DTS", A::kRW, false},
    {11, 11, "Discard Timer SERR# Enable", "DTSERR", A::kRW, false},
    {12, 15, "Reserved", nullptr, A::kRsvdP, false},
};

inline constexpr CFieldDef kCardBusBridgeControlFields[] = {
    {0, 0, "Parity Error Response Enable", "PERR", A::kRW, false},
    {1, 1, "SERR# Enable", "SERR", A::kRW, false},
    {2, 2, "ISA Enable", "ISA", A::kRW, true},
    {3, 3, "VGA Enable", "VGA", A::kRW, true},
    {4, 4, "Reserved", nullptr, A::kRW, false},
    {5, 5, "Master Abort Mode", "MABORT", A::kRW, false},
    {6, 6, "CardBus Reset", "RESET", A::kRW, true},
    {7, 7, "16-bit Interrupt Enable", "IREQINT", A::kRW, false},
    {8, 8, "Memory 0 Prefetchable", "PREF0", A::kRW, false},
    {9, 9, "Memory 1 Prefetchable", "PREF1", A::kRW, false},
    {10, 10, "Write Posting Enable", "POST", A::kRW, false},
    {11, 15, "Reserved", nullptr, A::kRsvdP, false},
};

inline constexpr CFieldDef kCardBusMemoryFields[] = {
    {0, 11, "Reserved", nullptr, A::kRO, false},
    {12, 31, "Address 31:12", "ADDR", A::kRW, true},
};
inline constexpr CFieldDef kCardBusIoFields[] = {
    {0, 1, "Addressing", "TYPE", A::kRO, false},
    {2, 15, "Address 15:2", "ADDR", A::kRW, true},
};

// The twelve registers 00h..0Fh that every layout shares.
#define BRISCO_COMMON_HEADER_REGISTERS                                                            \
    Register(0x00, 2, "Vendor ID", "VENDOR_ID", A::kRO),                                          \
    Register(0x02, 2, "Device ID", "DEVICE_ID", A::kRO),                                          \
    Register(0x04, 2, "Command Register", "COMMAND", A::kRsvdP, kCommandFields),                  \
    Register(0x06, 2, "Status Register", "STATUS", A::kRO, kStatusFields),                        \
    Register(0x08, 1, "Revision ID", "REVISION", A::kRO),                                         \
    Register(0x09, 1, "Programming Interface", "CLASS_PROG", A::kRO),                             \
    Register(0x0A, 1, "Subclass Code", "CLASS_DEVICE", A::kRO),                                   \
    Register(0x0B, 1, "Class Code", "BASE_CLASS", A::kRO),                                        \
    Register(0x0C, 1, "Cache Line Size", "CACHE_LINE_SIZE", A::kRW),                              \
    Register(0x0D, 1, "Latency Timer", "LATENCY_TIMER", A::kRW),                                  \
    Register(0x0E, 1, "Header Type", "HEADER_TYPE", A::kRO, kHeaderTypeFields),                   \
    Register(0x0F, 1, "BIST", "BIST", A::kRO, kBistFields)

// A window's registers, the ROM BARs and the legacy base belong to the host whole, their
// read-only bits included: the live machine refuses any change to them.
// Address bits of a BAR hold what is written as far as its size allows: the function decides
// which, so the table calls the whole register RW and the owner of the image narrows it.
inline constexpr CRegisterDef kDeviceRegisters[] = {
    BRISCO_COMMON_HEADER_REGISTERS,
    Register(0x10, 4, "BAR 0", "BASE_ADDRESS_0", A::kRW, true),
    Register(0x14, 4, "BAR 1", "BASE_ADDRESS_1", A::kRW, true),
    Register(0x18, 4, "BAR 2", "BASE_ADDRESS_2", A::kRW, true),
    Register(0x1C, 4, "BAR 3", "BASE_ADDRESS_3", A::kRW, true),
    Register(0x20, 4, "BAR 4", "BASE_ADDRESS_4", A::kRW, true),
    Register(0x24, 4, "BAR 5", "BASE_ADDRESS_5", A::kRW, true),
    Register(0x28, 4, "Cardbus CIS Pointer", "CARDBUS_CIS", A::kHwInit),
    Register(0x2C, 2, "Subsystem Vendor ID", "SUBSYSTEM_VENDOR_ID", A::kHwInit),
    Register(0x2E, 2, "Subsystem Device ID", "SUBSYSTEM_ID", A::kHwInit),
    Register(0x30, 4, "Expansion ROM BAR", "ROM_ADDRESS", A::kRO, kRomFields, true),
    Register(0x34, 1, "Capabilities Pointer", "CAPABILITIES", A::kRO),
    Register(0x35, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x36, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x37, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x38, 4, "Reserved", nullptr, A::kRsvdP),
    Register(0x3C, 1, "Interrupt Line", "INTERRUPT_LINE", A::kRW),
    Register(0x3D, 1, "Interrupt Pin", "INTERRUPT_PIN", A::kRO),
    Register(0x3E, 1, "Min Grant", "MIN_GNT", A::kRO),
    Register(0x3F, 1, "Max Latency", "MAX_LAT", A::kRO),
};

inline constexpr CRegisterDef kBridgeRegisters[] = {
    BRISCO_COMMON_HEADER_REGISTERS,
    Register(0x10, 4, "BAR 0", "BASE_ADDRESS_0", A::kRW, true),
    Register(0x14, 4, "BAR 1", "BASE_ADDRESS_1", A::kRW, true),
    Register(0x18, 1, "Primary Bus Number", "PRIMARY_BUS", A::kRW, true),
    Register(0x19, 1, "Secondary Bus Number", "SECONDARY_BUS", A::kRW, true),
    Register(0x1A, 1, "Subordinate Bus Number", "SUBORDINATE_BUS", A::kRW, true),
    Register(0x1B, 1, "Secondary Latency Timer", "SEC_LATENCY_TIMER", A::kRW),
    Register(0x1C, 1, "I/O Base", "IO_BASE", A::kRO, kIoWindowFields, true),
    Register(0x1D, 1, "I/O Limit", "IO_LIMIT", A::kRO, kIoWindowFields, true),
    Register(0x1E, 2, "Secondary Status", "SEC_STATUS", A::kRO, kSecondaryStatusFields),
    Register(0x20, 2, "Memory Base", "MEMORY_BASE", A::kRO, kMemoryWindowFields, true),
    Register(0x22, 2, "Memory Limit", "MEMORY_LIMIT", A::kRO, kMemoryWindowFields, true),
    Register(0x24, 2, "Prefetchable Memory Base", "PREF_MEMORY_BASE", A::kRO, kPrefetchableWindowFields, true),
    Register(0x26, 2, "Prefetchable Memory Limit", "PREF_MEMORY_LIMIT", A::kRO, kPrefetchableWindowFields, true),
    Register(0x28, 4, "Prefetchable Memory Base Upper 32", "PREF_BASE_UPPER32", A::kRW, true),
    Register(0x2C, 4, "Prefetchable Memory Limit Upper 32", "PREF_LIMIT_UPPER32", A::kRW, true),
    Register(0x30, 2, "I/O Base Upper 16", "IO_BASE_UPPER16", A::kRW, true),
    Register(0x32, 2, "I/O Limit Upper 16", "IO_LIMIT_UPPER16", A::kRW, true),
    Register(0x34, 1, "Capabilities Pointer", "CAPABILITIES", A::kRO),
    Register(0x35, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x36, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x37, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x38, 4, "Expansion ROM BAR", "ROM_ADDRESS1", A::kRO, kRomFields, true),
    Register(0x3C, 1, "Interrupt Line", "INTERRUPT_LINE", A::kRW),
    Register(0x3D, 1, "Interrupt Pin", "INTERRUPT_PIN", A::kRO),
    Register(0x3E, 2, "Bridge Control", "BRIDGE_CONTROL", A::kRsvdP, kBridgeControlFields),
};

inline constexpr CRegisterDef kCardBusRegisters[] = {
    BRISCO_COMMON_HEADER_REGISTERS,
    Register(0x10, 4, "Cardbus Socket Registers", "CB_SOCKET_BASE", A::kRW, true),
    Register(0x14, 1, "Reserved", "CB_CAPABILITIES", A::kRO),
    Register(0x15, 1, "Reserved", nullptr, A::kRsvdP),
    Register(0x16, 2, "Secondary Status", "CB_SEC_STATUS", A::kRO, kSecondaryStatusFields),
    Register(0x18, 1, "PCI Bus Number", "CB_PRIMARY_BUS", A::kRW, true),
    Register(0x19, 1, "Cardbus Bus Number", "CB_CARD_BUS", A::kRW, true),
    Register(0x1A, 1, "Subordinate Bus Number", "CB_SUBORDINATE_BUS", A::kRW, true),
    Register(0x1B, 1, "Cardbus Latency Timer", "CB_LATENCY_TIMER", A::kRW),
    Register(0x1C, 4, "Memory Base Register 0", "CB_MEMORY_BASE_0", A::kRO, kCardBusMemoryFields, true),
    Register(0x20, 4, "Memory Limit Register 0", "CB_MEMORY_LIMIT_0", A::kRO, kCardBusMemoryFields, true),
    Register(0x24, 4, "Memory Base Register 1", "CB_MEMORY_BASE_1", A::kRO, kCardBusMemoryFields, true),
    Register(0x28, 4, "Memory Limit Register 1", "CB_MEMORY_LIMIT_1", A::kRO, kCardBusMemoryFields, true),
    Register(0x2C, 2, "I/O Base Register 0 Lower", "CB_IO_BASE_0", A::kRO, kCardBusIoFields, true),
    Register(0x2E, 2, "I/O Base Register 0 Upper", "CB_IO_BASE_0_HI", A::kRW, true),
    Register(0x30, 2, "I/O Limit Register 0 Lower", "CB_IO_LIMIT_0", A::kRO, kCardBusIoFields, true),
    Register(0x32, 2, "I/O Limit Register 0 Upper", "CB_IO_LIMIT_0_HI", A::kRW, true),
    Register(0x34, 2, "I/O Base Register 1 Lower", "CB_IO_BASE_1", A::kRO, kCardBusIoFields, true),
    Register(0x36, 2, "I/O Base Register 1 Upper", "CB_IO_BASE_1_HI", A::kRW, true),
    Register(0x38, 2, "I/O Limit Register 1 Lower", "CB_IO_LIMIT_1", A::kRO, kCardBusIoFields, true),
    Register(0x3A, 2, "I/O Limit Register 1 Upper", "CB_IO_LIMIT_1_HI", A::kRW, true),
    Register(0x3C, 1, "Interrupt Line", "INTERRUPT_LINE", A::kRW),
    Register(0x3D, 1, "Interrupt Pin", "INTERRUPT_PIN", A::kRO),
    Register(0x3E, 2, "Bridge Control", "CB_BRIDGE_CONTROL", A::kRsvdP, kCardBusBridgeControlFields),
    Register(0x40, 2, "Subsystem Vendor ID", "CB_SUBSYSTEM_VENDOR_ID", A::kHwInit),
    Register(0x42, 2, "Subsystem Device ID", "CB_SUBSYSTEM_ID", A::kHwInit),
    Register(0x44, 4, "Legacy Mode Base Address", "CB_LEGACY_MODE_BASE", A::kRW, true),
};
#undef BRISCO_COMMON_HEADER_REGISTERS
// clang-format on

inline constexpr CRegisterBlock kHeaderBlocks[] = {
    Block(EBlockKind::kHeader, kLayoutDevice, nullptr, kDeviceRegisters),
    Block(EBlockKind::kHeader, kLayoutPciBridge, nullptr, kBridgeRegisters),
    Block(EBlockKind::kHeader, kLayoutCardBusBridge, nullptr, kCardBusRegisters),
};

} // namespace pci::header
