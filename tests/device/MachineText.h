#pragma once
// Builds machine image texts for the device tests: each function as a
// configuration dump, plus free lines for annotations.
#include <stdint.h>

#include <string>
#include <vector>

class CMachineText
{
public:
    // A 256-byte header with the given IDs and class; everything else zero.
    static std::vector<uint8_t> MakeHeader(uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subclass,
                                           uint8_t headerType = 0);
    static void Put16(std::vector<uint8_t>& config, uint32_t offset, uint16_t value);
    static void Put32(std::vector<uint8_t>& config, uint32_t offset, uint32_t value);

    // details: lines printed between the function's title and its dump (region sizes and the like).
    void AddFunction(uint32_t bus, uint32_t device, uint32_t function, const std::vector<uint8_t>& config,
                     const std::vector<std::string>& details = {});
    void AddLine(const std::string& line);
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};
