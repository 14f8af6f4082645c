#pragma once
// Little-endian loads and stores of 1, 2, 4 and 8 bytes: PCI configuration
// space, device ranges and the driver's request buffers are all little-endian.
// No standard library and no static constructors, so the kernel driver uses it too.
#include <stdint.h>

namespace pci {

inline uint16_t GetLe16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t GetLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint64_t GetLe64(const uint8_t* p)
{
    return uint64_t(GetLe32(p)) | (uint64_t(GetLe32(p + 4)) << 32);
}

inline void PutLe16(uint8_t* p, uint16_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

inline void PutLe64(uint8_t* p, uint64_t value)
{
    PutLe32(p, uint32_t(value));
    PutLe32(p + 4, uint32_t(value >> 32));
}

// A value of sizeBytes (1 to 8) bytes; registers and units of any width.
inline uint64_t GetLe(const uint8_t* p, uint32_t sizeBytes)
{
    uint64_t value = 0;
    for (uint32_t i = sizeBytes; i-- > 0;)
        value = (value << 8) | p[i];
    return value;
}

inline void PutLe(uint8_t* p, uint32_t sizeBytes, uint64_t value)
{
    for (uint32_t i = 0; i < sizeBytes; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

} // namespace pci
