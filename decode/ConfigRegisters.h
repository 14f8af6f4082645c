#pragma once
// Offsets and sizes of the configuration-header registers that the decoders read.
#include <stdint.h>

namespace ConfigRegisters {

constexpr uint32_t kByte = 1;
constexpr uint32_t kWord = 2;
constexpr uint32_t kDword = 4;

constexpr uint32_t kVendorId = 0x00;
constexpr uint32_t kDeviceId = 0x02;
constexpr uint32_t kCommand = 0x04;
constexpr uint32_t kStatus = 0x06;
constexpr uint32_t kRevisionId = 0x08;
constexpr uint32_t kProgrammingInterface = 0x09;
constexpr uint32_t kSubclass = 0x0A;
constexpr uint32_t kBaseClass = 0x0B;
constexpr uint32_t kCacheLineSize = 0x0C;
constexpr uint32_t kLatencyTimer = 0x0D;
constexpr uint32_t kHeaderType = 0x0E;
constexpr uint32_t kBist = 0x0F;
constexpr uint32_t kBar0 = 0x10;
constexpr uint32_t kCapabilitiesPointer = 0x34;
constexpr uint32_t kInterruptLine = 0x3C;
constexpr uint32_t kInterruptPin = 0x3D;
constexpr uint32_t kMinGrant = 0x3E;
constexpr uint32_t kMaxLatency = 0x3F;

// PCI-to-PCI bridge windows.
constexpr uint32_t kIoBase = 0x1C;
constexpr uint32_t kIoLimit = 0x1D;
constexpr uint32_t kMemoryBase = 0x20;
constexpr uint32_t kMemoryLimit = 0x22;
constexpr uint32_t kPrefetchableBase = 0x24;
constexpr uint32_t kPrefetchableLimit = 0x26;
constexpr uint32_t kPrefetchableBaseUpper = 0x28;
constexpr uint32_t kPrefetchableLimitUpper = 0x2C;
constexpr uint32_t kIoBaseUpper = 0x30;
constexpr uint32_t kIoLimitUpper = 0x32;

constexpr uint8_t kHeaderLayoutMask = 0x7F;
constexpr uint8_t kMultiFunctionFlag = 0x80;
constexpr uint16_t kStatusCapabilityList = 0x0010;

// Device-specific dwords 0x40..0xFC.
constexpr uint32_t kFirstDeviceDword = 16;
constexpr uint32_t kDwordCount = 64;

// Little-endian register reads from a 256-byte image.
inline uint32_t Read(const uint8_t* config, uint32_t offset, uint32_t size)
{
    uint32_t value = 0;
    for (uint32_t i = size; i-- > 0;)
        value = (value << 8) | config[offset + i];
    return value;
}

inline uint8_t ReadByte(const uint8_t* config, uint32_t offset) { return config[offset]; }
inline uint16_t ReadWord(const uint8_t* config, uint32_t offset) { return uint16_t(Read(config, offset, kWord)); }
inline uint32_t ReadDword(const uint8_t* config, uint32_t offset) { return Read(config, offset, kDword); }

}  // namespace ConfigRegisters
