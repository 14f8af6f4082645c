#pragma once
// The texts every hex grid shows, whatever it reads from: the column headings, the row
// address, a unit's value and a byte's ASCII character.
#include <stdint.h>

#include <string>

class CGridText {
public:
    // "Address", "+04h" (or "+4" in decimal) for unit column 1.., "ASCII" for asciiColumn.
    static std::string Heading(int column, int asciiColumn, int unitWidth, bool hex);
    static std::string Address(uint32_t offset, bool hex);
    static std::string Unit(uint32_t value, int unitWidth, bool hex);
    // The byte itself when printable, else '.'.
    static char Ascii(uint8_t byte);
};
