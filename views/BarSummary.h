#pragma once
// One line that names a BAR's kind, bus address and size, as the status bar shows it
// while the BAR's tab is current: "BAR 0: 64-bit prefetchable memory at 00000060E0000000h, 256 MiB".
#include "device/BarInfo.h"

#include <stdint.h>

#include <string>

class CBarSummary {
public:
    static std::string Text(const CBarInfo& bar);
    // A size in the largest binary unit that divides it ("256 MiB", "8 bytes").
    static std::string FormatSize(uint64_t bytes);
};
