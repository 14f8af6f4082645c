#pragma once
// What the capability decoder finds in one function's configuration space:
// the capabilities in walk order, each with its decoded register rows.
#include <stdint.h>

#include <string>
#include <vector>

enum class CapabilitySpace : uint8_t { kStandard, kExtended };

// One register of a capability; offset is from the start of the configuration space.
struct CapabilityRow
{
    uint32_t offset;
    uint32_t size; // 1, 2 or 4
    std::string name;
    uint32_t value;
    std::string text;
};

struct Capability
{
    uint32_t offset;
    CapabilitySpace space;
    uint16_t id;
    uint8_t version;                 // extended capabilities; PCI Express's own version for ID 10h
    std::string name;                // "Capability 16h" or "Extended Capability 0035h" when unknown
    std::string portType;            // PCI Express device/port type, empty otherwise
    std::vector<CapabilityRow> rows; // the header row first
    std::string problem;             // why decoding stopped short (a length or pointer off the space), or empty
};

struct CapabilityList
{
    std::vector<Capability> capabilities; // standard ones in list order, then extended ones
    std::string standardEnd;              // why the standard walk stopped early, or empty when it ended cleanly
    std::string extendedEnd;
};
