#include "decode/RegisterTable.h"

namespace {

using F = EDecodedField;

// clang-format off
// The twelve rows 00h..0Fh that every header layout shares.
#define BRISCO_COMMON_HEADER_ROWS                                   \
    {0x00, 2, "Vendor ID", F::kVendorName},                         \
    {0x02, 2, "Device ID", F::kDeviceName},                         \
    {0x04, 2, "Command Register", F::kCommand},                     \
    {0x06, 2, "Status Register", F::kStatus},                       \
    {0x08, 1, "Revision ID", F::kNone},                             \
    {0x09, 1, "Programming Interface", F::kNone},                   \
    {0x0A, 1, "Subclass Code", F::kSubclass},                       \
    {0x0B, 1, "Class Code", F::kClassCode},                         \
    {0x0C, 1, "Cache Line Size", F::kCacheLineSize},                \
    {0x0D, 1, "Latency Timer", F::kLatencyTimer},                   \
    {0x0E, 1, "Header Type", F::kNone},                             \
    {0x0F, 1, "BIST", F::kBist}

const CRegisterDefinition kDeviceRows[] = {
    BRISCO_COMMON_HEADER_ROWS,
    {0x10, 4, "BAR 0", F::kBar},
    {0x14, 4, "BAR 1", F::kBar},
    {0x18, 4, "BAR 2", F::kBar},
    {0x1C, 4, "BAR 3", F::kBar},
    {0x20, 4, "BAR 4", F::kBar},
    {0x24, 4, "BAR 5", F::kBar},
    {0x28, 4, "Cardbus CIS Pointer", F::kNone},
    {0x2C, 2, "Subsystem Vendor ID", F::kSubsystemVendorName},
    {0x2E, 2, "Subsystem Device ID", F::kNone},
    {0x30, 4, "Expansion ROM BAR", F::kNone},
    {0x34, 1, "Capabilities Pointer", F::kNone},
    {0x35, 1, "Reserved", F::kNone},
    {0x36, 1, "Reserved", F::kNone},
    {0x37, 1, "Reserved", F::kNone},
    {0x38, 4, "Reserved", F::kNone},
    {0x3C, 1, "Interrupt Line", F::kInterruptLine},
    {0x3D, 1, "Interrupt Pin", F::kInterruptPin},
    {0x3E, 1, "Min Grant", F::kMinGrant},
    {0x3F, 1, "Max Latency", F::kMaxLatency},
};

const CRegisterDefinition kBridgeRows[] = {
    BRISCO_COMMON_HEADER_ROWS,
    {0x10, 4, "BAR 0", F::kBar},
    {0x14, 4, "BAR 1", F::kBar},
    {0x18, 1, "Primary Bus Number", F::kNone},
    {0x19, 1, "Secondary Bus Number", F::kNone},
    {0x1A, 1, "Subordinate Bus Number", F::kNone},
    {0x1B, 1, "Secondary Latency Timer", F::kNone},
    {0x1C, 1, "I/O Base", F::kIoBase},
    {0x1D, 1, "I/O Limit", F::kIoLimit},
    {0x1E, 2, "Secondary Status", F::kNone},
    {0x20, 2, "Memory Base", F::kMemoryBase},
    {0x22, 2, "Memory Limit", F::kMemoryLimit},
    {0x24, 2, "Prefetchable Memory Base", F::kPrefetchableBase},
    {0x26, 2, "Prefetchable Memory Limit", F::kPrefetchableLimit},
    {0x28, 4, "Prefetchable Memory Base Upper 32", F::kNone},
    {0x2C, 4, "Prefetchable Memory Limit Upper 32", F::kNone},
    {0x30, 2, "I/O Base Upper 16", F::kNone},
    {0x32, 2, "I/O Limit Upper 16", F::kNone},
    {0x34, 1, "Capabilities Pointer", F::kNone},
    {0x35, 1, "Reserved", F::kNone},
    {0x36, 1, "Reserved", F::kNone},
    {0x37, 1, "Reserved", F::kNone},
    {0x38, 4, "Expansion ROM BAR", F::kNone},
    {0x3C, 1, "Interrupt Line", F::kInterruptLine},
    {0x3D, 1, "Interrupt Pin", F::kInterruptPin},
    {0x3E, 2, "Bridge Control", F::kNone},
};

#define BRISCO_DWORD_ROW(offset, name) {offset, 4, name, F::kNone}
#define BRISCO_RESERVED_ROW(offset) BRISCO_DWORD_ROW(offset, "Reserved")
#define BRISCO_VENDOR_ROWS_4(offset)                                                               \
    BRISCO_DWORD_ROW(offset, "Vendor Specific"), BRISCO_DWORD_ROW(offset + 4, "Vendor Specific"), \
        BRISCO_DWORD_ROW(offset + 8, "Vendor Specific"), BRISCO_DWORD_ROW(offset + 12, "Vendor Specific")
#define BRISCO_VENDOR_ROWS_16(offset)                                                  \
    BRISCO_VENDOR_ROWS_4(offset), BRISCO_VENDOR_ROWS_4(offset + 16), BRISCO_VENDOR_ROWS_4(offset + 32), \
        BRISCO_VENDOR_ROWS_4(offset + 48)

const CRegisterDefinition kCardBusRows[] = {
    BRISCO_COMMON_HEADER_ROWS,
    {0x10, 4, "Cardbus Socket Registers", F::kNone},
    {0x14, 1, "Reserved", F::kNone},
    {0x15, 1, "Reserved", F::kNone},
    {0x16, 2, "Secondary Status", F::kNone},
    {0x18, 1, "PCI Bus Number", F::kNone},
    {0x19, 1, "Cardbus Bus Number", F::kNone},
    {0x1A, 1, "Subordinate Bus Number", F::kNone},
    {0x1B, 1, "Cardbus Latency Timer", F::kNone},
    {0x1C, 4, "Memory Base Register 0", F::kNone},
    {0x20, 4, "Memory Limit Register 0", F::kNone},
    {0x24, 4, "Memory Base Register 1", F::kNone},
    {0x28, 4, "Memory Limit Register 1", F::kNone},
    {0x2C, 2, "I/O Base Register 0 Lower", F::kNone},
    {0x2E, 2, "I/O Base Register 0 Upper", F::kNone},
    {0x30, 2, "I/O Limit Register 0 Lower", F::kNone},
    {0x32, 2, "I/O Limit Register 0 Upper", F::kNone},
    {0x34, 2, "I/O Base Register 1 Lower", F::kNone},
    {0x36, 2, "I/O Base Register 1 Upper", F::kNone},
    {0x38, 2, "I/O Limit Register 1 Lower", F::kNone},
    {0x3A, 2, "I/O Limit Register 1 Upper", F::kNone},
    {0x3C, 1, "Interrupt Line", F::kInterruptLine},
    {0x3D, 1, "Interrupt Pin", F::kInterruptPin},
    {0x3E, 2, "Bridge Control", F::kNone},
    {0x40, 2, "Subsystem Vendor ID", F::kSubsystemVendorName},
    {0x42, 2, "Subsystem Device ID", F::kNone},
    {0x44, 4, "Legacy Mode Base Address", F::kNone},
    BRISCO_RESERVED_ROW(0x48), BRISCO_RESERVED_ROW(0x4C),
    BRISCO_RESERVED_ROW(0x50), BRISCO_RESERVED_ROW(0x54), BRISCO_RESERVED_ROW(0x58), BRISCO_RESERVED_ROW(0x5C),
    BRISCO_RESERVED_ROW(0x60), BRISCO_RESERVED_ROW(0x64), BRISCO_RESERVED_ROW(0x68), BRISCO_RESERVED_ROW(0x6C),
    BRISCO_RESERVED_ROW(0x70), BRISCO_RESERVED_ROW(0x74), BRISCO_RESERVED_ROW(0x78), BRISCO_RESERVED_ROW(0x7C),
    BRISCO_VENDOR_ROWS_16(0x80),
    BRISCO_VENDOR_ROWS_16(0xC0),
};

#undef BRISCO_VENDOR_ROWS_16
#undef BRISCO_VENDOR_ROWS_4
#undef BRISCO_RESERVED_ROW
#undef BRISCO_DWORD_ROW
#undef BRISCO_COMMON_HEADER_ROWS

// clang-format on
} // namespace

std::span<const CRegisterDefinition> CRegisterTable::ForHeaderType(uint32_t headerType)
{
    switch (headerType) {
    case kDeviceHeader: return kDeviceRows;
    case kBridgeHeader: return kBridgeRows;
    case kCardBusHeader: return kCardBusRows;
    default: return {};
    }
}

bool CRegisterTable::HasDeviceSpecificRows(uint32_t headerType)
{
    return headerType == kDeviceHeader || headerType == kBridgeHeader;
}
