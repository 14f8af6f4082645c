#include "views/GridText.h"

#include <stdio.h>

namespace {

constexpr char kUnprintable = '.';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;
constexpr int kHexDigitsPerByte = 2;

std::string Format(const char* format, uint32_t value)
{
    char text[32];
    snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

} // namespace

std::string CGridText::Heading(int column, int asciiColumn, int unitWidth, bool hex)
{
    if (column == 0)
        return "Address";
    if (column == asciiColumn)
        return "ASCII";
    if (column < 0 || column > asciiColumn)
        return {};
    return Format(hex ? "+%02xh" : "+%u", uint32_t(column - 1) * uint32_t(unitWidth));
}

std::string CGridText::Address(uint32_t offset, bool hex)
{
    return Format(hex ? "%08Xh" : "%ud", offset);
}

std::string CGridText::Unit(uint32_t value, int unitWidth, bool hex)
{
    char text[32];
    if (hex)
        snprintf(text, sizeof text, "%0*Xh", unitWidth * kHexDigitsPerByte, static_cast<unsigned>(value));
    else
        snprintf(text, sizeof text, "%ud", static_cast<unsigned>(value));
    return text;
}

char CGridText::Ascii(uint8_t byte)
{
    return (byte >= kFirstPrintable && byte <= kLastPrintable) ? static_cast<char>(byte) : kUnprintable;
}
