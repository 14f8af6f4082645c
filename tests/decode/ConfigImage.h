#pragma once
// A 256-byte configuration image that tests fill register by register.
#include <stdint.h>

#include <array>

class CConfigImage
{
public:
    CConfigImage& Set8(uint32_t offset, uint8_t value)
    {
        m_bytes[offset] = value;
        return *this;
    }
    CConfigImage& Set16(uint32_t offset, uint16_t value)
    {
        return Set8(offset, uint8_t(value)).Set8(offset + 1, uint8_t(value >> 8));
    }
    CConfigImage& Set32(uint32_t offset, uint32_t value)
    {
        return Set16(offset, uint16_t(value)).Set16(offset + 2, uint16_t(value >> 16));
    }
    const uint8_t* Data() const { return m_bytes.data(); }
    uint8_t* Data() { return m_bytes.data(); }

private:
    std::array<uint8_t, 256> m_bytes{};
};
