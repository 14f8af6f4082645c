#pragma once
// A read position within one line of a machine image, with the small token
// readers the image grammar needs. Never reads past the line's end.
#include <stdint.h>

class CSimCursor
{
public:
    CSimCursor(const char* begin, const char* end) : m_p(begin), m_end(end) {}

    bool AtEnd() const { return m_p >= m_end; }
    char Peek() const { return AtEnd() ? 0 : *m_p; }
    const char* Position() const { return m_p; }
    const char* End() const { return m_end; }
    void SkipSpaces();
    // Consumes the literal text when it comes next.
    bool Literal(const char* text);
    // Consumes a whole word (up to white space) equal to the text.
    bool Word(const char* text);
    // Reads between minDigits and maxDigits hexadecimal digits.
    bool Hex(uint32_t minDigits, uint32_t maxDigits, uint64_t* value);
    // A hexadecimal number with an optional 0x prefix, at most 8 digits.
    bool HexNumber(uint32_t* value);
    bool Decimal(uint64_t* value);
    // A decimal size with an optional K, M, G or T suffix (powers of 1024).
    bool Size(uint64_t* value);
    // The next run of non-blank characters.
    bool Token(const char** text, uint32_t* length);
    // Advances to just after the next occurrence of the text in the line.
    bool SkipPast(const char* text);

private:
    const char* m_p;
    const char* m_end;
};
