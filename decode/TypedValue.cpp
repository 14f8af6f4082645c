#include "decode/TypedValue.h"

#include "decode/ConfigDecoder.h"
#include "pci/ConfigSpace.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>

namespace {

constexpr uint64_t kHexBase = 16;
constexpr uint64_t kDecimalBase = 10;
constexpr int kFirstLetterDigit = 10;
constexpr unsigned kBitsPerByte = 8;
// Past this the exact number no longer matters: it fits no register.
constexpr uint64_t kAboveAnyRegister = uint64_t(0xFFFFFFFFu) + 1;
constexpr char kHexPrefix[] = "0x";
constexpr size_t kHexPrefixLength = sizeof kHexPrefix - 1;
// The radix letters the Value column appends.
constexpr char kHexSuffix = 'h';
constexpr char kDecimalSuffix = 'd';

char Lower(char c)
{
    return static_cast<char>(tolower(static_cast<unsigned char>(c)));
}

std::string Trimmed(const char* text)
{
    const char* first = text;
    while (isspace(static_cast<unsigned char>(*first)))
        ++first;
    const char* end = first + strlen(first);
    while (end > first && isspace(static_cast<unsigned char>(end[-1])))
        --end;
    return std::string(first, end);
}

// The digit's value in the base, or -1.
int DigitValue(char c, uint64_t base)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if (isdigit(u))
        return c - '0';
    if (base == kHexBase && isxdigit(u))
        return Lower(c) - 'a' + kFirstLetterDigit;
    return -1;
}

uint64_t WidthLimit(uint32_t widthBytes)
{
    if (widthBytes >= pci::kDwordBytes)
        return kAboveAnyRegister - 1;
    return (uint64_t(1) << (kBitsPerByte * widthBytes)) - 1;
}

CTypedValue Refuse(const std::string& why)
{
    return CTypedValue{std::nullopt, "Not written: " + why};
}

CTypedValue RefuseNotANumber(const std::string& shown, bool hexMode)
{
    return Refuse(shown + (hexMode ? " is not a hexadecimal number" : " is not a decimal number"));
}

} // namespace

CTypedValue CTypedValue::Parse(const char* text, bool hexMode, uint32_t widthBytes)
{
    const std::string shown = Trimmed(text != nullptr ? text : "");
    if (shown.empty())
        return Refuse("no value was typed");
    std::string digits = shown;
    if (hexMode && digits.size() >= kHexPrefixLength && Lower(digits[0]) == kHexPrefix[0] &&
        Lower(digits[1]) == kHexPrefix[1])
        digits.erase(0, kHexPrefixLength);
    if (!digits.empty() && Lower(digits.back()) == (hexMode ? kHexSuffix : kDecimalSuffix))
        digits.pop_back();
    if (digits.empty())
        return RefuseNotANumber(shown, hexMode);

    const uint64_t base = hexMode ? kHexBase : kDecimalBase;
    uint64_t number = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return RefuseNotANumber(shown, hexMode);
        number = std::min(number * base + uint64_t(digit), kAboveAnyRegister);
    }
    if (number > WidthLimit(widthBytes))
        return Refuse(shown + " does not fit a " + CConfigDecoder::FormatSize(widthBytes));
    return CTypedValue{uint32_t(number), {}};
}
