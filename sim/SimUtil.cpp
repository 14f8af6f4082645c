#include "sim/SimUtil.h"
#include "sim/SimHost.h"

void SimCopy(void* destination, const void* source, uint32_t bytes)
{
    uint8_t* d = static_cast<uint8_t*>(destination);
    const uint8_t* s = static_cast<const uint8_t*>(source);
    for (uint32_t i = 0; i < bytes; ++i)
        d[i] = s[i];
}

void SimFill(void* destination, uint8_t value, uint32_t bytes)
{
    uint8_t* d = static_cast<uint8_t*>(destination);
    for (uint32_t i = 0; i < bytes; ++i)
        d[i] = value;
}

bool SimEqual(const void* a, const void* b, uint32_t bytes)
{
    const uint8_t* x = static_cast<const uint8_t*>(a);
    const uint8_t* y = static_cast<const uint8_t*>(b);
    for (uint32_t i = 0; i < bytes; ++i)
        if (x[i] != y[i])
            return false;
    return true;
}

uint32_t SimStrLen(const char* text)
{
    uint32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

void SimStrCopy(char* destination, uint32_t capacity, const char* source)
{
    if (capacity == 0)
        return;
    uint32_t i = 0;
    for (; i + 1 < capacity && source[i]; ++i)
        destination[i] = source[i];
    destination[i] = 0;
}

bool SimStrEqual(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

void* SimAllocArray(uint32_t count, uint32_t itemSize)
{
    if (itemSize == 0 || count > 0xFFFFFFFFu / itemSize)
        return nullptr;
    return SimAlloc(count * itemSize);
}

void SimFreeArray(void* p)
{
    if (p)
        SimFree(p);
}

CSimText::CSimText(char* buffer, uint32_t capacity) : m_buffer(buffer), m_capacity(capacity), m_length(0)
{
    if (m_capacity)
        m_buffer[0] = 0;
}

CSimText& CSimText::AddChar(char c)
{
    if (m_length + 1 < m_capacity) {
        m_buffer[m_length++] = c;
        m_buffer[m_length] = 0;
    }
    return *this;
}

CSimText& CSimText::Add(const char* text)
{
    while (*text)
        AddChar(*text++);
    return *this;
}

CSimText& CSimText::Add(const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i)
        AddChar(text[i]);
    return *this;
}

CSimText& CSimText::AddHex(uint64_t value, uint32_t digits)
{
    return AddDigits(value, digits, "0123456789ABCDEF");
}

CSimText& CSimText::AddLowerHex(uint64_t value, uint32_t digits)
{
    return AddDigits(value, digits, "0123456789abcdef");
}

CSimText& CSimText::AddDigits(uint64_t value, uint32_t digits, const char* digitChars)
{
    char reversed[16];
    uint32_t n = 0;
    do {
        reversed[n++] = digitChars[value & 0xF];
        value >>= 4;
    } while (value && n < 16);
    while (n < digits && n < 16)
        reversed[n++] = '0';
    while (n)
        AddChar(reversed[--n]);
    return *this;
}

CSimText& CSimText::AddDec(uint64_t value)
{
    // Repeated subtraction of powers of ten: 64-bit division would need libgcc in the driver.
    static const uint64_t kPowers[] = {10000000000000000000ull,
                                       1000000000000000000ull,
                                       100000000000000000ull,
                                       10000000000000000ull,
                                       1000000000000000ull,
                                       100000000000000ull,
                                       10000000000000ull,
                                       1000000000000ull,
                                       100000000000ull,
                                       10000000000ull,
                                       1000000000ull,
                                       100000000ull,
                                       10000000ull,
                                       1000000ull,
                                       100000ull,
                                       10000ull,
                                       1000ull,
                                       100ull,
                                       10ull,
                                       1ull};
    bool started = false;
    for (uint64_t power : kPowers) {
        char digit = '0';
        while (value >= power) {
            value -= power;
            ++digit;
        }
        if (digit != '0' || started || power == 1) {
            AddChar(digit);
            started = true;
        }
    }
    return *this;
}
