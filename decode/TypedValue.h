#pragma once
// A value typed into an editable cell: the register list, the Capabilities page and both
// hex grids read it here, so a cell writes nothing that is not exactly a number of its width.
#include <stdint.h>

#include <optional>
#include <string>

struct CTypedValue
{
    // The number to write; none when the text is refused.
    std::optional<uint32_t> value;
    // Why the text is refused, for the status bar; empty when accepted.
    std::string refusal;

    // Reads text in the radix the cell showed: blanks around the digits, a "0x" prefix or one
    // trailing 'h' in hexadecimal, one trailing 'd' in decimal, so a cell's own text reads back
    // as its value. Signs, other characters and numbers wider than widthBytes are refused.
    static CTypedValue Parse(const char* text, bool hexMode, uint32_t widthBytes);
};
