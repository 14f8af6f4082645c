#pragma once
// Says in words what a write to a register does and, after it, how the read-back strayed from
// what the register catalogue predicted. The register pages show these texts in the status bar.
#include <stdint.h>

#include <string>

class CWriteEffect {
public:
    // What writing `written` over `before` will do, from the catalogue, e.g.
    // "writes bits 15:8; clears Received Master Abort; bits 3:0 are read-only" (empty parts left out).
    static std::string Describe(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width, uint32_t before,
                                uint32_t written);
    // The status text after a write whose read-back differs from the prediction, naming the bits
    // (and fields, when the catalogue names them) that differ; empty when they agree.
    static std::string DescribeDifference(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width,
                                          uint32_t predicted, uint32_t readBack);
    // "bit 13 (Received Master Abort)" or "bits 7:4": the set bits of mask in the window at
    // offset, with the names of the fields that hold them.
    static std::string NameBits(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width, uint32_t mask);
};
