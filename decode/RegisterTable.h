#pragma once
// The rows of the standard header for header types 0, 1 and 2: offset, size,
// name and which text the "Decoded Information" column shows.
#include <stdint.h>

#include <span>

// Where a row's decoded text comes from.
enum class EDecodedField : uint8_t {
    kNone,
    kVendorName,
    kDeviceName,
    kSubsystemVendorName,
    kCommand,
    kStatus,
    kSubclass,
    kClassCode,
    kCacheLineSize,
    kLatencyTimer,
    kBist,
    kBar,
    kInterruptLine,
    kInterruptPin,
    kMinGrant,
    kMaxLatency,
    kIoBase,
    kIoLimit,
    kMemoryBase,
    kMemoryLimit,
    kPrefetchableBase,
    kPrefetchableLimit,
};

struct CRegisterDefinition
{
    uint16_t offset;
    uint16_t size;
    const char* name;
    EDecodedField field;
};

class CRegisterTable
{
public:
    static constexpr uint32_t kDeviceHeader = 0;
    static constexpr uint32_t kBridgeHeader = 1;
    static constexpr uint32_t kCardBusHeader = 2;

    // The rows of the header layout in display order; empty for an unknown layout.
    static std::span<const CRegisterDefinition> ForHeaderType(uint32_t headerType);
    // Header types 0 and 1 list the dwords 40h..FCh after their table.
    static bool HasDeviceSpecificRows(uint32_t headerType);
};
