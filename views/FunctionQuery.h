#pragma once
// What Find Function looks for: an address as lspci prints it ("0c:00.0", "0001:03:00.0"),
// as the bus tree labels it ("0.12.0"), or a pair of IDs ("1011:0024").
#include <stdint.h>

#include <optional>
#include <string>

class CPciFunction;

class CFunctionQuery {
public:
    // Blanks around the text are ignored; hex digits may be of either case.
    static std::optional<CFunctionQuery> Parse(const std::string& text);

    bool Matches(uint32_t segment, uint32_t bus, uint32_t device, uint32_t function, uint16_t vendorId,
                 uint16_t deviceId) const;
    // Every scanned function is in segment 0.
    bool Matches(const CPciFunction& function) const;

    // "00:0d.0  [1011:0024]": a function's address and IDs as lspci -nn prints them.
    static std::string FormatLspciLine(const CPciFunction& function);

private:
    static std::optional<CFunctionQuery> ParseIds(const std::string& text);

    bool m_byIds = false;
    uint32_t m_segment = 0;
    uint32_t m_bus = 0;
    uint32_t m_device = 0;
    uint32_t m_function = 0;
    uint16_t m_vendorId = 0;
    uint16_t m_deviceId = 0;
};
