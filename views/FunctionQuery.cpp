#include "views/FunctionQuery.h"

#include <ctype.h>
#include <stdio.h>

#include <vector>

#include "decode/DecodeText.h"
#include "decode/FunctionAddress.h"
#include "device/PciFunction.h"

namespace {

constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
constexpr size_t kMaxIdDigits = 4;

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
    if (const std::optional<CFunctionAddress> address = CFunctionAddress::Parse(text)) {
        CFunctionQuery query;
        query.m_segment = address->segment;
        query.m_bus = address->bus;
        query.m_device = address->device;
        query.m_function = address->function;
        return query;
    }
    if (text.find('.') == std::string::npos)
        return ParseIds(text);
    return std::nullopt;
}

// vendor:device in hexadecimal.
std::optional<CFunctionQuery> CFunctionQuery::ParseIds(const std::string& text)
{
    const std::vector<std::string> parts = CDecodeText::Split(text, ':');
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
