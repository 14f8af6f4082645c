#pragma once
// Small text builders shared by the capability decoders: printf-style
// formatting and lspci-style flag lists ("DLP- SDES+ ...").
#include <stdint.h>

#include <initializer_list>
#include <string>
#include <vector>

class CDecodeText {
public:
    // A one-bit field by bit number and its short name.
    struct Flag
    {
        uint8_t bit;
        const char* name;
    };

    static std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // "Name+" for a set bit and "Name-" for a clear one, separated by spaces.
    static std::string Flags(uint32_t value, std::initializer_list<Flag> flags);
    // A 64-bit register from its two halves, typed for "%llx".
    static unsigned long long Wide(uint32_t high, uint32_t low) { return (uint64_t(high) << 32) | low; }
    static uint32_t Field(uint32_t value, uint32_t shift, uint32_t mask) { return (value >> shift) & mask; }
    static const char* Sign(bool set) { return set ? "+" : "-"; }
    // "+" or "-" for one bit by number.
    static const char* Bit(uint32_t value, uint32_t bit) { return Sign((value >> bit) & 1); }
    // Latency or time values that scale by a power of two or ten, printed with the unit lspci uses.
    static std::string Nanoseconds(uint64_t ns);
    // The text without the blanks around it, as typed into a field.
    static std::string Trim(const std::string& text);
    // The pieces of text between separators; one empty piece for empty text.
    static std::vector<std::string> Split(const std::string& text, char separator);
};
