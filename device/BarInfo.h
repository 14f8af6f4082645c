#pragma once
// One BAR slot of a function's header layout as its configuration image describes it: the one
// place that says which registers are BARs, of what kind, where and how large.
#include "pci/Bar.h"

#include <stdint.h>

struct CBarInfo
{
    int index = -1;
    pci::BarKind kind = pci::BarKind::kNone;
    bool prefetchable = false;
    uint64_t base = 0; // the bus address, both halves of a 64-bit BAR
    uint64_t size = 0; // the function's m_barSizes: 0 while unknown

    // A BAR with a range of its own: not an upper half, and holding an address.
    bool IsPresent() const
    {
        return (kind == pci::BarKind::kIo || kind == pci::BarKind::kMemory32 || kind == pci::BarKind::kMemory64) &&
               base != 0;
    }
    bool IsIo() const { return kind == pci::BarKind::kIo; }
};
