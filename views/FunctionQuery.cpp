#include "views/FunctionQuery.h"

#include <ctype.h>
#include <stdio.h>

#include <vector>

#include "decode/DecodeText.h"
#include "device/PciFunction.h"

namespace {

constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
// lspci writes a segment in four digits or more; eight hold any 32-bit number.
constexpr size_t kMaxSegmentDigits = 8;
constexpr size_t kMaxBusHexDigits = 2;
constexpr size_t kMaxDeviceHexDigits = 2;
constexpr size_t kMaxFunctionDigits = 1;
constexpr size_t kMaxIdDigits = 4;
constexpr size_t kMaxDecimalDigits = 3;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// A number of one to maxDigits digits of the base, or nothing.
std::optional<uint32_t> Number(const std::string& text, int base, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        const int ch = static_cast<unsigned char>(c);
        if (!(base == kHexBase ? isxdigit(ch) : isdigit(ch)))
            return std::nullopt;
        value = value * uint32_t(base) + uint32_t(isdigit(ch) ? ch - '0' : tolower(ch) - 'a' + kDecimalBase);
    }
    return value;
}

} // namespace

std::optional<CFunctionQuery> CFunctionQuery::Parse(const std::string& input)
{
    const std::string text = CDecodeText::Trim(input);
    if (text.find(':') == std::string::npos)
        return ParseTreeAddress(text);
    // The tree's label outside segment 0: "0001:3.0.0".
    const std::vector<std::string> segmentAndLabel = Split(text, ':');
    if (segmentAndLabel.size() == 2 && Split(segmentAndLabel[1], '.').size() == 3) {
        const std::optional<uint32_t> segment = Number(segmentAndLabel[0], kHexBase, kMaxSegmentDigits);
        std::optional<CFunctionQuery> query = ParseTreeAddress(segmentAndLabel[1]);
        if (!segment || !query)
            return std::nullopt;
        query->m_segment = *segment;
        return query;
    }
    if (text.find('.') == std::string::npos)
        return ParseIds(text);
    return ParseAddress(text);
}

// [segment:]bus:device.function, all hexadecimal.
std::optional<CFunctionQuery> CFunctionQuery::ParseAddress(const std::string& text)
{
    const std::vector<std::string> colons = Split(text, ':');
    if (colons.size() != 2 && colons.size() != 3)
        return std::nullopt;
    const std::vector<std::string> dot = Split(colons.back(), '.');
    if (dot.size() != 2)
        return std::nullopt;
    const std::optional<uint32_t> segment =
        colons.size() == 3 ? Number(colons[0], kHexBase, kMaxSegmentDigits) : std::optional<uint32_t>(0);
    const std::optional<uint32_t> bus = Number(colons[colons.size() - 2], kHexBase, kMaxBusHexDigits);
    const std::optional<uint32_t> device = Number(dot[0], kHexBase, kMaxDeviceHexDigits);
    const std::optional<uint32_t> function = Number(dot[1], kHexBase, kMaxFunctionDigits);
    if (!segment || !bus || !device || !function || *device > pci::kMaxDevice || *function > pci::kMaxFunction)
        return std::nullopt;
    CFunctionQuery query;
    query.m_segment = *segment;
    query.m_bus = *bus;
    query.m_device = *device;
    query.m_function = *function;
    return query;
}

// bus.device.function in decimal, as the tree's labels begin.
std::optional<CFunctionQuery> CFunctionQuery::ParseTreeAddress(const std::string& text)
{
    const std::vector<std::string> parts = Split(text, '.');
    if (parts.size() != 3)
        return std::nullopt;
    const std::optional<uint32_t> bus = Number(parts[0], kDecimalBase, kMaxDecimalDigits);
    const std::optional<uint32_t> device = Number(parts[1], kDecimalBase, kMaxDecimalDigits);
    const std::optional<uint32_t> function = Number(parts[2], kDecimalBase, kMaxDecimalDigits);
    if (!bus || !device || !function || *bus > pci::kMaxBus || *device > pci::kMaxDevice ||
        *function > pci::kMaxFunction)
        return std::nullopt;
    CFunctionQuery query;
    query.m_bus = *bus;
    query.m_device = *device;
    query.m_function = *function;
    return query;
}

// vendor:device in hexadecimal.
std::optional<CFunctionQuery> CFunctionQuery::ParseIds(const std::string& text)
{
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<uint32_t> vendor = Number(parts[0], kHexBase, kMaxIdDigits);
    const std::optional<uint32_t> device = Number(parts[1], kHexBase, kMaxIdDigits);
    if (!vendor || !device)
        return std::nullopt;
    CFunctionQuery query;
    query.m_byIds = true;
    query.m_vendorId = uint16_t(*vendor);
    query.m_deviceId = uint16_t(*device);
    return query;
}

bool CFunctionQuery::Matches(uint32_t segment, uint32_t bus, uint32_t device, uint32_t function, uint16_t vendorId,
                             uint16_t deviceId) const
{
    if (m_byIds)
        return vendorId == m_vendorId && deviceId == m_deviceId;
    return segment == m_segment && bus == m_bus && device == m_device && function == m_function;
}

bool CFunctionQuery::Matches(const CPciFunction& function) const
{
    return Matches(function.m_segment, function.m_bus, function.m_device, function.m_function, function.GetVendorId(),
                   function.GetDeviceId());
}

std::string CFunctionQuery::FormatLspciLine(const CPciFunction& function)
{
    // lspci names the segment only outside segment 0.
    char segment[16] = "";
    if (function.m_segment != 0)
        snprintf(segment, sizeof segment, "%04x:", unsigned(function.m_segment));
    char line[64];
    snprintf(line, sizeof line, "%s%02x:%02x.%x  [%04x:%04x]", segment, unsigned(function.m_bus),
             unsigned(function.m_device), unsigned(function.m_function), unsigned(function.GetVendorId()),
             unsigned(function.GetDeviceId()));
    return line;
}
