#include "decode/FunctionAddress.h"

#include "decode/DecodeText.h"

#include "pci/ConfigSpace.h"

#include <vector>

namespace {

constexpr uint32_t kHexBase = 16;
constexpr uint32_t kDecimalBase = 10;
// lspci writes a segment in four digits or more; leading zeros are allowed up to eight.
constexpr size_t kMaxSegmentDigits = 8;
constexpr uint32_t kSegmentLimit = 0x10000;
constexpr size_t kMaxBusHexDigits = 2;
constexpr size_t kMaxDeviceHexDigits = 2;
constexpr size_t kMaxFunctionHexDigits = 1;
constexpr size_t kMaxDecimalDigits = 3;

// One to maxDigits digits of base naming a value below limit, or nothing.
std::optional<uint32_t> Number(const std::string& text, uint32_t base, size_t maxDigits, uint32_t limit)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        uint32_t digit = base;
        if (c >= '0' && c <= '9')
            digit = uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = uint32_t(c - 'a') + kDecimalBase;
        else if (c >= 'A' && c <= 'F')
            digit = uint32_t(c - 'A') + kDecimalBase;
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
    }
    return value < limit ? std::optional<uint32_t>(value) : std::nullopt;
}

// "B.D.F" in decimal, as the tree's labels begin.
std::optional<CFunctionAddress> ParseTreeLabel(const std::string& text, uint16_t segment)
{
    const std::vector<std::string> parts = CDecodeText::Split(text, '.');
    if (parts.size() != 3)
        return std::nullopt;
    const auto bus = Number(parts[0], kDecimalBase, kMaxDecimalDigits, pci::kBusCount);
    const auto device = Number(parts[1], kDecimalBase, kMaxDecimalDigits, pci::kDevicesPerBus);
    const auto function = Number(parts[2], kDecimalBase, kMaxDecimalDigits, pci::kFunctionsPerDevice);
    if (!bus || !device || !function)
        return std::nullopt;
    return CFunctionAddress{segment, *bus, *device, *function};
}

// "BB:DD.F" in hexadecimal, as lspci writes it.
std::optional<CFunctionAddress> ParseLspci(const std::string& busText, const std::string& rest, uint16_t segment)
{
    const std::vector<std::string> dot = CDecodeText::Split(rest, '.');
    if (dot.size() != 2)
        return std::nullopt;
    const auto bus = Number(busText, kHexBase, kMaxBusHexDigits, pci::kBusCount);
    const auto device = Number(dot[0], kHexBase, kMaxDeviceHexDigits, pci::kDevicesPerBus);
    const auto function = Number(dot[1], kHexBase, kMaxFunctionHexDigits, pci::kFunctionsPerDevice);
    if (!bus || !device || !function)
        return std::nullopt;
    return CFunctionAddress{segment, *bus, *device, *function};
}

} // namespace

std::optional<CFunctionAddress> CFunctionAddress::Parse(const std::string& text)
{
    const std::vector<std::string> colons = CDecodeText::Split(text, ':');
    if (colons.size() == 1)
        return ParseTreeLabel(text, 0);
    if (colons.size() > 3)
        return std::nullopt;
    // A segment comes first: before the only colon of a tree label, before the first of lspci's two.
    const bool treeLabel = colons.size() == 2 && CDecodeText::Split(colons[1], '.').size() == 3;
    uint16_t segment = 0;
    if (treeLabel || colons.size() == 3) {
        const auto value = Number(colons[0], kHexBase, kMaxSegmentDigits, kSegmentLimit);
        if (!value)
            return std::nullopt;
        segment = uint16_t(*value);
    }
    if (treeLabel)
        return ParseTreeLabel(colons[1], segment);
    return ParseLspci(colons[colons.size() - 2], colons.back(), segment);
}
