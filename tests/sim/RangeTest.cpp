// Reads and writes of the ranges that BARs decode: widths, read-only bits,
// unmapped addresses and ranges that follow a reprogrammed BAR.
#include <gtest/gtest.h>
#include "machines/DefaultMachine.h"
#include "tests/sim/SimTestSupport.h"

namespace {

constexpr uint32_t kMemBase = 0xF0000000;
constexpr uint32_t kIoBase = 0xE000;
constexpr uint32_t kRomBase = 0xF0100000;
constexpr uint32_t kHighBase = 0xC0000000; // low half of a 64-bit BAR with upper half 1

class RangeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        auto c = MakeConfig(0x8086, 0x100E, 0x02, 0x00, 0x00);
        Put32(c, 0x10, kMemBase);
        Put32(c, 0x14, kIoBase | 1);
        Put32(c, 0x18, kHighBase | 4);
        Put32(c, 0x1C, 1);
        Put32(c, 0x30, kRomBase | 1);
        LoadOrFail(m_machine, DumpFunction("00:03.0", c,
                                           "@bar 0 size 4K\n"
                                           "@bar 1 size 32\n"
                                           "@bar 2 size 64K\n"
                                           "@rom size 2K\n"
                                           "@range 0 10 bytes 11 22 33 44\n"
                                           "@range 0 10 mask 0f ff 00 f0\n"
                                           "@range 1 0 text \"io\"\n"
                                           "@range 2 0 text \"high\"\n"
                                           "@range rom 0 bytes 55 aa\n"));
    }

    std::vector<uint8_t> Read(uint8_t space, uint32_t address, uint32_t unit, uint32_t count)
    {
        CRequestResult r = ReadDevice(m_machine, space, address, unit, count);
        EXPECT_EQ(r.m_status, kSimStatusSuccess);
        return r.m_out;
    }

    CSimMachine m_machine;
};

} // namespace

TEST_F(RangeTest, EveryUnitWidthSeesTheSameBytes)
{
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8};
    for (uint32_t unit : {1u, 2u, 4u}) {
        SCOPED_TRACE(testing::Message() << "unit " << unit);
        uint32_t address = kMemBase + 0x100 * unit;
        ASSERT_EQ(WriteDevice(m_machine, 1, address, unit, data), kSimStatusSuccess);
        EXPECT_EQ(Read(1, address, 1, 8), data);
        EXPECT_EQ(Read(1, address, 2, 4), data);
        EXPECT_EQ(Read(1, address, 4, 2), data);
        EXPECT_EQ(Read(1, address + 1, 2, 1), (std::vector<uint8_t>{2, 3})) << "unaligned unit";
    }
    EXPECT_EQ(Read(1, kMemBase + 0x800, 4, 1), std::vector<uint8_t>(4, 0)) << "never written RAM reads zero";
}

TEST_F(RangeTest, ReadOnlyBitsFromTheImageKeepTheirValue)
{
    EXPECT_EQ(Read(1, kMemBase + 0x10, 4, 1), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    ASSERT_EQ(WriteDevice(m_machine, 1, kMemBase + 0x10, 4, {0xFF, 0x00, 0xFF, 0x00}), kSimStatusSuccess);
    EXPECT_EQ(Read(1, kMemBase + 0x10, 4, 1), (std::vector<uint8_t>{0x1F, 0x00, 0x33, 0x04}));
    ASSERT_EQ(WriteDevice(m_machine, 1, kMemBase + 0x12, 1, {0x99}), kSimStatusSuccess);
    EXPECT_EQ(Read(1, kMemBase + 0x12, 1, 1), (std::vector<uint8_t>{0x33})) << "fully read-only byte";
}

TEST_F(RangeTest, UnmappedAddressesReadAllOnesAndIgnoreWrites)
{
    EXPECT_EQ(Read(1, 0x10000000, 4, 2), std::vector<uint8_t>(8, 0xFF));
    EXPECT_EQ(WriteDevice(m_machine, 1, 0x10000000, 1, {0}), kSimStatusSuccess);
    EXPECT_EQ(Read(1, 0x10000000, 1, 1), std::vector<uint8_t>(1, 0xFF));
    EXPECT_EQ(Read(1, kMemBase + 0xFFE, 1, 4), (std::vector<uint8_t>{0, 0, 0xFF, 0xFF})) << "past the BAR's end";
    EXPECT_EQ(Read(1, kRomBase - 2, 1, 4), (std::vector<uint8_t>{0xFF, 0xFF, 0x55, 0xAA})) << "gap, then the ROM";
    std::vector<uint8_t> wide = Read(1, kMemBase + 0x10, 4, 0x4000);
    EXPECT_EQ(wide[0], 0x11) << "first BAR";
    EXPECT_EQ(wide[0xFF0], 0xFF) << "unmapped after the first BAR";
    EXPECT_EQ(Read(0, kMemBase, 1, 2), std::vector<uint8_t>(2, 0xFF)) << "memory BAR in I/O space";
    EXPECT_EQ(Read(0, kIoBase, 1, 2), (std::vector<uint8_t>{'i', 'o'})) << "I/O BAR in I/O space";
    EXPECT_EQ(Read(1, kIoBase, 1, 2), std::vector<uint8_t>(2, 0xFF)) << "I/O BAR in memory space";
}

TEST_F(RangeTest, ContentsFollowAReprogrammedBar)
{
    ASSERT_EQ(WriteDevice(m_machine, 1, kMemBase + 0x20, 4, {'m', 'o', 'v', 'e'}), kSimStatusSuccess);
    const uint32_t newBase = 0xF8000000;
    WriteConfig(m_machine, 0, 3, 0, 0x10, 4, newBase);
    EXPECT_EQ(Read(1, newBase + 0x20, 1, 4), (std::vector<uint8_t>{'m', 'o', 'v', 'e'}));
    EXPECT_EQ(Read(1, kMemBase + 0x20, 1, 4), std::vector<uint8_t>(4, 0xFF)) << "old place no longer decoded";
    WriteConfig(m_machine, 0, 3, 0, 0x14, 4, 0x0000C001);
    EXPECT_EQ(Read(0, 0xC000, 1, 2), (std::vector<uint8_t>{'i', 'o'})) << "I/O BAR moved";
}

TEST_F(RangeTest, DecodingFollowsTheCommandRegister)
{
    WriteConfig(m_machine, 0, 3, 0, 0x04, 2, 0x0001); // I/O only
    EXPECT_EQ(Read(1, kMemBase + 0x10, 1, 1), std::vector<uint8_t>(1, 0xFF));
    EXPECT_EQ(Read(0, kIoBase, 1, 1), std::vector<uint8_t>(1, 'i'));
    WriteConfig(m_machine, 0, 3, 0, 0x04, 2, 0x0002); // memory only
    EXPECT_EQ(Read(0, kIoBase, 1, 1), std::vector<uint8_t>(1, 0xFF));
    EXPECT_EQ(Read(1, kMemBase + 0x10, 1, 1), std::vector<uint8_t>(1, 0x11));
}

TEST_F(RangeTest, SixtyFourBitBarAnswersAtItsFullAddressOnly)
{
    const uint64_t fullBase = (1ull << 32) | kHighBase;
    CRequestResult wide = ReadDeviceWide(m_machine, 1, fullBase, 1, 4);
    ASSERT_EQ(wide.m_status, kSimStatusSuccess);
    EXPECT_EQ(wide.m_out, (std::vector<uint8_t>{'h', 'i', 'g', 'h'}));
    EXPECT_EQ(Read(1, kHighBase, 1, 4), std::vector<uint8_t>(4, 0xFF)) << "the low half alone decodes nothing";
    ASSERT_EQ(WriteDeviceWide(m_machine, 1, fullBase + 1, 2, {'I', 'G'}), kSimStatusSuccess);
    EXPECT_EQ(ReadDeviceWide(m_machine, 1, fullBase, 4, 1).m_out, (std::vector<uint8_t>{'h', 'I', 'G', 'h'}));
    // A request may end at the top of the address space, never wrap past it.
    EXPECT_EQ(ReadDeviceWide(m_machine, 1, ~0ull - 3, 4, 1).m_out, std::vector<uint8_t>(4, 0xFF));
    EXPECT_EQ(ReadDeviceWide(m_machine, 1, ~0ull - 2, 4, 1).m_status, kSimStatusInvalidParameter);
}

TEST_F(RangeTest, ExpansionRomIsReadOnlyAndOnlyDecodedWhenEnabled)
{
    EXPECT_EQ(Read(1, kRomBase, 1, 2), (std::vector<uint8_t>{0x55, 0xAA}));
    EXPECT_EQ(WriteDevice(m_machine, 1, kRomBase, 1, {0, 0}), kSimStatusSuccess);
    EXPECT_EQ(Read(1, kRomBase, 1, 2), (std::vector<uint8_t>{0x55, 0xAA}));
    WriteConfig(m_machine, 0, 3, 0, 0x30, 4, kRomBase);
    EXPECT_EQ(Read(1, kRomBase, 1, 2), std::vector<uint8_t>(2, 0xFF));
}

// Overlapping ranges (broken firmware): the lowest bus/device/function decodes the shared
// addresses, whatever was read before, also within one request and after a BAR moves.
TEST(OverlappingRanges, TheLowestFunctionDecodesWhateverCameBefore)
{
    constexpr uint32_t kWide = 0xF0000000;   // 00:04.0, 4K
    constexpr uint32_t kInside = 0xF0000800; // 00:02.0, 1K
    constexpr uint32_t kAway = 0xF0100000;
    auto low = MakeConfig(0x8086, 0x1001, 0x02, 0x00, 0x00);
    Put32(low, 0x10, kAway);
    auto high = MakeConfig(0x8086, 0x1002, 0x02, 0x00, 0x00);
    Put32(high, 0x10, kWide);
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:02.0", low, "@bar 0 size 1K\n@range 0 0 bytes 41 41\n@range 0 3ff bytes 4c\n") +
                            DumpFunction("00:04.0", high,
                                         "@bar 0 size 4K\n@range 0 7ff bytes 48 42 42\n@range 0 c00 bytes 48\n"));
    auto read = [&](uint32_t address, uint32_t count) { return ReadDevice(machine, 1, address, 1, count).m_out; };
    const std::vector<uint8_t> highBytes = {0x42, 0x42};
    const std::vector<uint8_t> lowBytes = {0x41, 0x41};

    EXPECT_EQ(read(kInside, 2), highBytes) << "00:02.0 still decodes elsewhere";
    ASSERT_EQ(WriteConfig(machine, 0, 2, 0, 0x10, 4, kInside), kSimStatusSuccess);
    EXPECT_EQ(read(kInside, 2), lowBytes) << "right after the BAR moved in";
    EXPECT_EQ(read(kWide, 1), std::vector<uint8_t>(1, 0));
    EXPECT_EQ(read(kInside, 2), lowBytes) << "after a read that only 00:04.0 decodes";
    EXPECT_EQ(read(kInside - 1, 3), (std::vector<uint8_t>{0x48, 0x41, 0x41})) << "one request entering 00:02.0";
    EXPECT_EQ(read(kInside + 0x3FF, 2), (std::vector<uint8_t>{0x4C, 0x48})) << "one request leaving 00:02.0";
    ASSERT_EQ(WriteDevice(machine, 1, kInside - 1, 1, {1, 2, 3}), kSimStatusSuccess);
    EXPECT_EQ(read(kInside - 1, 3), (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_EQ(WriteConfig(machine, 0, 2, 0, 0x10, 4, kAway), kSimStatusSuccess);
    EXPECT_EQ(read(kInside, 2), highBytes) << "after the BAR moved out again";
}

TEST(DefaultMachineRanges, FramebufferTextAndPartiallyWritableRegister)
{
    CSimMachine machine;
    LoadOrFail(machine, std::string(kDefaultMachineImage, kDefaultMachineImageSize));
    uint32_t framebuffer = ReadConfig(machine, 1, 0, 0, 0x10, 4) & ~0xFu;
    CRequestResult text = ReadDevice(machine, 1, framebuffer, 1, 22);
    EXPECT_EQ(std::string(text.m_out.begin(), text.m_out.end()), "Brisco default machine");
    uint32_t registers = ReadConfig(machine, 1, 0, 0, 0x18, 4) & ~0xFu;
    ASSERT_EQ(WriteDevice(machine, 1, registers + 0x40, 4, {0xFF, 0xFF, 0xFF, 0xFF}), kSimStatusSuccess);
    EXPECT_EQ(ReadDevice(machine, 1, registers + 0x40, 4, 1).Value(), 0x0000000Fu) << "an edit there beeps";
}
