#include "sim/SimCursor.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

constexpr uint64_t kMaxSize = 1ull << 63;

} // namespace

void CSimCursor::SkipSpaces()
{
    while (!AtEnd() && IsBlank(*m_p))
        ++m_p;
}

bool CSimCursor::Literal(const char* text)
{
    const char* p = m_p;
    for (; *text; ++text, ++p)
        if (p >= m_end || *p != *text)
            return false;
    m_p = p;
    return true;
}

bool CSimCursor::Word(const char* text)
{
    const char* saved = m_p;
    if (Literal(text) && (AtEnd() || IsBlank(*m_p)))
        return true;
    m_p = saved;
    return false;
}

bool CSimCursor::Hex(uint32_t minDigits, uint32_t maxDigits, uint64_t* value)
{
    uint64_t v = 0;
    uint32_t n = 0;
    const char* p = m_p;
    while (p < m_end && n < maxDigits && HexDigit(*p) >= 0) {
        v = (v << 4) | uint64_t(HexDigit(*p));
        ++p;
        ++n;
    }
    if (n < minDigits || (p < m_end && HexDigit(*p) >= 0))
        return false;
    m_p = p;
    *value = v;
    return true;
}

bool CSimCursor::HexNumber(uint32_t* value)
{
    const char* saved = m_p;
    if (!Literal("0x"))
        Literal("0X");
    uint64_t v;
    if (!Hex(1, 8, &v)) {
        m_p = saved;
        return false;
    }
    *value = uint32_t(v);
    return true;
}

bool CSimCursor::Decimal(uint64_t* value)
{
    uint64_t v = 0;
    const char* p = m_p;
    while (p < m_end && *p >= '0' && *p <= '9') {
        uint64_t digit = uint64_t(*p - '0');
        if (v > (kMaxSize - digit) / 10)
            return false;
        v = v * 10 + digit;
        ++p;
    }
    if (p == m_p)
        return false;
    m_p = p;
    *value = v;
    return true;
}

bool CSimCursor::Size(uint64_t* value)
{
    const char* saved = m_p;
    uint64_t v;
    if (!Decimal(&v))
        return false;
    uint32_t shift = 0;
    switch (Peek()) {
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    case 'T': shift = 40; break;
    default: break;
    }
    if (shift) {
        ++m_p;
        if (v > (kMaxSize >> shift)) {
            m_p = saved;
            return false;
        }
        v <<= shift;
    }
    *value = v;
    return true;
}

bool CSimCursor::Token(const char** text, uint32_t* length)
{
    SkipSpaces();
    const char* start = m_p;
    while (!AtEnd() && !IsBlank(*m_p))
        ++m_p;
    *text = start;
    *length = uint32_t(m_p - start);
    return *length != 0;
}

bool CSimCursor::SkipPast(const char* text)
{
    for (const char* p = m_p; p < m_end; ++p) {
        CSimCursor probe(p, m_end);
        if (probe.Literal(text)) {
            m_p = probe.m_p;
            return true;
        }
    }
    return false;
}
