#pragma once
// One write of a command line in setpci's form, REG=VALUE[:MASK], resolved against the bytes
// of the function it goes to. REG is a hex offset with a width ("04.W", "0x104.L"), a header
// register by name ("COMMAND"), one of its fields ("STATUS.RMA"), or a place in a capability:
// "CAP_PM+04.W", "ECAP_AER+04.L", or by name, "CAP_PM+PMCSR", "ECAP_AER+UESTA.DLP".
// VALUE and MASK are hexadecimal (optional 0x); a field's value and mask count from its low bit.
#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

struct CWriteCommand
{
    // How REG names a place in a capability of either list: "CAP_PM+...", "ECAP_AER+...".
    static constexpr char kCapabilityPrefix[] = "CAP_";
    static constexpr char kExtendedPrefix[] = "ECAP_";
    static constexpr char kCapabilitySeparator = '+';

    std::string target;  // REG as typed
    uint32_t offset = 0; // the register's first byte in the function's space
    uint32_t width = 0;  // 1, 2 or 4 bytes
    uint32_t value = 0;  // in the register's bit positions
    uint32_t mask = 0;   // the bits to write: the field's, or the whole register's unless given

    // What the write should do to the function's bytes as they are now, before any write.
    struct CPreview
    {
        uint32_t before = 0;
        uint32_t written = 0;   // the value sent: a partial mask keeps the bits read, RW1C ones as 0
        uint32_t predicted = 0; // what the register catalogue says it reads afterwards
    };

    // "STATUS.RMA (06h.W)": REG as typed, then where it lies and how wide it is.
    std::string Describe() const;
    CPreview Preview(const uint8_t* space, uint32_t size) const;

    // One REG=VALUE[:MASK] against space (size bytes); nothing on failure, *error saying why.
    static std::optional<CWriteCommand> Parse(const std::string& text, const uint8_t* space, uint32_t size,
                                              std::string* error);
    // Hexadecimal with an optional 0x, at most eight digits; nothing for anything else.
    static std::optional<uint32_t> ParseHex(const std::string& text);
    // The bytes of setpci's width letter (B, W, L, either case), or 0; and the letter of a width.
    static uint32_t WidthOfLetter(char letter);
    static char WidthLetter(uint32_t width);

    // Every write of one call resolved before any is made: all of them, or none and the first failure.
    static std::optional<std::vector<CWriteCommand>> ParseAll(const std::vector<std::string>& texts,
                                                              const uint8_t* space, uint32_t size, std::string* error);
};
