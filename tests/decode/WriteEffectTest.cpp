// The status texts that say what a typed value will do and where a read-back strayed.
#include "decode/WriteEffect.h"

#include "pci/ExtendedCapability.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t kSpaceBytes = 4096;
constexpr uint32_t kAerAt = 0x100;
constexpr uint32_t kAerHeader = 0x00010001; // AER, version 1, last entry

// A layout 0 function without a conventional list and with AER as its only extended entry.
std::vector<uint8_t> Space()
{
    std::vector<uint8_t> space(kSpaceBytes, 0);
    for (uint32_t i = 0; i < 4; ++i)
        space[kAerAt + i] = uint8_t(kAerHeader >> (8 * i));
    return space;
}

struct CEffectCase
{
    const char* what;
    uint32_t offset;
    uint32_t width;
    uint32_t before;
    uint32_t written;
    const char* text;
};

TEST(WriteEffectTest, DescribesWhatATypedValueWillDo)
{
    const CEffectCase cases[] = {
        {"status typed as shown clears its set error bit", 0x06, 2, 0x2010, 0x2010, "clears Received Master Abort"},
        {"status typed zero: the error bit stays, an RO bit is named", 0x06, 2, 0x2010, 0x0000,
         "bit 4 is read-only"},
        {"command: RW bits written, RO and RsvdP bits named", 0x04, 2, 0x0000, 0x0F0F,
         "writes bits 10, 8, 2:0; bits 11, 9, 3 are read-only"},
        {"status and command in one dword", 0x04, 4, 0x20100000, 0x00000006,
         "writes bits 2:1; bit 20 is read-only"},
        {"AER status field cleared alone", kAerAt + pci::kAerUncorrectableStatusOffset, 4, 0x00101000, 0x00100000,
         "clears Unsupported Request Error"},
        {"storage no table describes", 0x40, 4, 0, 0xFF00, "writes bits 15:8"},
        {"nothing changes", 0x0C, 1, 0x10, 0x10, ""},
    };
    const std::vector<uint8_t> space = Space();
    for (const CEffectCase& c : cases)
        EXPECT_EQ(CWriteEffect::Describe(space.data(), kSpaceBytes, c.offset, c.width, c.before, c.written), c.text)
            << c.what;
}

TEST(WriteEffectTest, NamesTheBitsAReadBackStrayedIn)
{
    const CEffectCase cases[] = {
        {"agrees", 0x06, 2, 0x0010, 0x0010, ""},
        {"error bit not cleared", 0x06, 2, 0x0010, 0x2010,
         "Read back differs from the expected value in bit 13 (Received Master Abort)"},
        {"AER bits", kAerAt + pci::kAerUncorrectableStatusOffset, 4, 0x00000000, 0x00300000,
         "Read back differs from the expected value in bits 21:20 (ACS Violation, Unsupported Request Error)"},
        {"storage no table describes", 0x40, 1, 0xFF, 0x0F, "Read back differs from the expected value in bits 7:4"},
    };
    const std::vector<uint8_t> space = Space();
    for (const CEffectCase& c : cases)
        EXPECT_EQ(CWriteEffect::DescribeDifference(space.data(), kSpaceBytes, c.offset, c.width, c.before, c.written),
                  c.text)
            << c.what;
}

} // namespace
