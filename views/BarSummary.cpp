#include "views/BarSummary.h"

#include <stdio.h>

namespace {

constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
constexpr uint32_t kUnitShift = 10;

// Upper-case hex with a trailing h, 8 or 16 digits; built from 32-bit halves, which every C library formats.
std::string Hex(uint64_t value, int digits)
{
    char text[24];
    if (digits > 8)
        snprintf(text, sizeof text, "%08X%08Xh", unsigned(value >> 32), unsigned(value));
    else
        snprintf(text, sizeof text, "%08Xh", unsigned(value));
    return text;
}

} // namespace

std::string CBarSummary::FormatSize(uint64_t bytes)
{
    if (bytes == 0)
        return "size unknown";
    size_t unit = 0;
    while (unit + 1 < sizeof kUnits / sizeof kUnits[0] && (bytes & ((1ull << kUnitShift) - 1)) == 0) {
        bytes >>= kUnitShift;
        ++unit;
    }
    return std::to_string(bytes) + " " + kUnits[unit];
}

std::string CBarSummary::Text(const CBarInfo& bar)
{
    std::string kind;
    int digits = 8;
    switch (bar.kind) {
    case pci::BarKind::kIo: kind = "I/O ports"; break;
    case pci::BarKind::kMemory32: kind = "32-bit memory"; break;
    case pci::BarKind::kMemory64:
        kind = "64-bit memory";
        digits = 16;
        break;
    default: return {};
    }
    if (bar.prefetchable)
        kind.insert(kind.find(' ') + 1, "prefetchable ");
    return "BAR " + std::to_string(bar.index) + ": " + kind + " at " + Hex(bar.base, digits) + ", " +
           FormatSize(bar.size);
}
