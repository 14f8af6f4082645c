#pragma once
// Told of every write a function makes to its device, so that a journal can keep them. The
// function borrows the observer: whoever sets it outlives the tree or clears it first.
#include "device/PciFunction.h"

#include <stdint.h>

class CWriteObserver {
public:
    virtual ~CWriteObserver() = default;
    // One configuration write through CPciFunction::Write; refused: the driver did not take it.
    virtual void OnConfigWrite(const CPciFunction& function, uint32_t offset, uint32_t width, uint32_t mask,
                               const CPciFunction::CWriteResult& result, bool refused) = 0;
    // The sizing writes of one BAR probe, as one event: the size found (0 when it failed) and
    // whether the BAR and the command register were written back.
    virtual void OnBarProbe(const CPciFunction& function, int bar, uint64_t size, bool restored) = 0;
};
