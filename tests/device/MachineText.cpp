// Machine image texts written as configuration dumps, one function after another.
#include "tests/device/MachineText.h"

#include <stdio.h>

namespace {
constexpr uint32_t kBytesPerLine = 16;
}

std::vector<uint8_t> CMachineText::MakeHeader(uint16_t vendor, uint16_t device, uint8_t baseClass,
                                              uint8_t subclass, uint8_t headerType)
{
    std::vector<uint8_t> config(256, 0);
    Put16(config, 0x00, vendor);
    Put16(config, 0x02, device);
    config[0x0A] = subclass;
    config[0x0B] = baseClass;
    config[0x0E] = headerType;
    return config;
}

void CMachineText::Put16(std::vector<uint8_t>& config, uint32_t offset, uint16_t value)
{
    config[offset] = uint8_t(value);
    config[offset + 1] = uint8_t(value >> 8);
}

void CMachineText::Put32(std::vector<uint8_t>& config, uint32_t offset, uint32_t value)
{
    Put16(config, offset, uint16_t(value));
    Put16(config, offset + 2, uint16_t(value >> 16));
}

void CMachineText::AddFunction(uint32_t bus, uint32_t device, uint32_t function, const std::vector<uint8_t>& config,
                               const std::vector<std::string>& details)
{
    char line[80];
    snprintf(line, sizeof line, "%02x:%02x.%u Test function\n", bus, device, function);
    m_text += line;
    for (const std::string& detail : details)
        AddLine(detail);
    for (uint32_t row = 0; row < config.size(); row += kBytesPerLine) {
        snprintf(line, sizeof line, "%02x:", row);
        m_text += line;
        for (uint32_t i = row; i < row + kBytesPerLine && i < config.size(); ++i) {
            snprintf(line, sizeof line, " %02x", config[i]);
            m_text += line;
        }
        m_text += "\n";
    }
    m_text += "\n";
}

void CMachineText::AddLine(const std::string& line)
{
    m_text += line;
    m_text += "\n";
}
