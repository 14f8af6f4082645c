// BAR arithmetic, BAR probing and capability walking on one function.
#include "tests/device/DeviceFixture.h"
#include "tests/device/MachineText.h"

#include "compat/CompatMachine.h"
#include "sim/SimMachine.h"
#include "protocol/DriverProtocol.h"
#include "device/PciFunction.h"

#include <string.h>

#include <memory>

namespace {

constexpr uint32_t kIoBar = 0xE001;
constexpr uint32_t kMemoryBar = 0xF0100000;

class BarTest : public CDeviceFixture
{
protected:
    // A device at 0.4.0 of the given header type; with BARs (layouts 0 and 1), BAR 0 is a
    // 256-byte I/O range and BAR 1 a 1 MiB memory range.
    std::unique_ptr<CPciFunction> MakeFunction(uint8_t headerType = 0x00)
    {
        std::vector<uint8_t> config = CMachineText::MakeHeader(0x1022, 0x2000, 0x02, 0x00, headerType);
        std::vector<std::string> regions;
        if ((headerType & 0x7F) <= 1) {
            CMachineText::Put32(config, 0x10, kIoBar);
            CMachineText::Put32(config, 0x14, kMemoryBar);
            regions = {"\tRegion 0: I/O ports at e000 [size=256]",
                       "\tRegion 1: Memory at f0100000 (32-bit, non-prefetchable) [size=1M]"};
        }
        CMachineText machine;
        machine.AddFunction(0, 4, 0, config, regions);
        LoadMachine(machine.Text());
        auto function = std::make_unique<CPciFunction>(m_driver, 0, 4, 0);
        ClearRequests();
        return function;
    }
};

void SetBar(CPciFunction& function, int index, uint32_t value)
{
    pci::PutLe32(function.m_image + 0x10 + 4 * index, value);
}

TEST_F(BarTest, FindBarForAddressMatchesTheBaseOfIoAndMemoryBars)
{
    auto function = MakeFunction();
    SetBar(*function, 0, 0x301);
    SetBar(*function, 1, 0x80C);
    SetBar(*function, 5, 0x80C);
    EXPECT_EQ(0, function->FindBarForAddress(0x300));
    EXPECT_EQ(-1, function->FindBarForAddress(0x301));
    EXPECT_EQ(1, function->FindBarForAddress(0x800)) << "the lowest matching BAR wins";
    EXPECT_EQ(-1, function->FindBarForAddress(0x80C));

    // Header type 81h is the bridge layout: BARs 0 and 1 only.
    function->m_image[0x0E] = 0x81;
    SetBar(*function, 1, 0);
    EXPECT_EQ(-1, function->FindBarForAddress(0x800));
    EXPECT_EQ(0, function->FindBarForAddress(0x300));
    function->m_image[0x0E] = 0x02;
    EXPECT_EQ(-1, function->FindBarForAddress(0x300));
}

TEST_F(BarTest, ProbingFindsTheRangeSizeAndRestoresTheBar)
{
    auto function = MakeFunction();
    EXPECT_EQ(0x100u, function->ProbeBarSize(0));
    EXPECT_EQ(0x100000u, function->ProbeBarSize(1));
    EXPECT_EQ(0u, function->ProbeBarSize(2)) << "an unimplemented BAR reads back 0";
    EXPECT_EQ(0x100u, function->m_barSizes[0]);
    EXPECT_EQ(0x100000u, function->m_barSizes[1]);
    EXPECT_EQ(kIoBar, function->ReadConfig(0, 4, 0, 0x10, 4));
    EXPECT_EQ(kMemoryBar, function->ReadConfig(0, 4, 0, 0x14, 4));
    EXPECT_EQ(0, memcmp(function->m_image, function->m_lastRead, 256));
    EXPECT_EQ(kIoBar, function->GetBarValue(0));
}

TEST_F(BarTest, ProbingABarOutsideTheLayoutSendsNothing)
{
    struct CCase
    {
        uint8_t headerType;
        int index;
    };
    for (CCase c : {CCase{0x00, 6}, CCase{0x00, -1}, CCase{0x01, 2}, CCase{0x02, 0}}) {
        SCOPED_TRACE(testing::Message() << "header type " << int(c.headerType) << ", BAR " << c.index);
        auto function = MakeFunction(c.headerType);
        EXPECT_EQ(0u, function->ProbeBarSize(c.index));
        EXPECT_TRUE(m_requests.empty());
    }
}

TEST_F(BarTest, AFailedMaskReadStillRestoresTheBar)
{
    auto function = MakeFunction();
    // The function stops answering right after the all-ones write and answers again after the failed read.
    CompatSetRequestObserver([this](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok) {
        m_requests.push_back({code, in, outLength, ok});
        if (code == IOCTL_WRITE_CONFIG && pci::GetLe32(in.data() + kRegValueOffset) == 0xFFFFFFFF)
            CompatMachine().SetFault(2, 0, 4, 0);
        else if (code == IOCTL_READ_CONFIG && !ok)
            CompatMachine().SetFault(0, 0, 0, 0);
    });
    function->m_barSizes[1] = 77;
    EXPECT_EQ(0u, function->ProbeBarSize(1));
    EXPECT_EQ(77u, function->m_barSizes[1]) << "a failed probe leaves the known size";
    std::vector<CObservedRequest> writes = RequestsOf(IOCTL_WRITE_CONFIG);
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ(kMemoryBar, InU32(writes[1], kRegValueOffset));
    EXPECT_EQ(kMemoryBar, function->ReadConfig(0, 4, 0, 0x14, 4));
}

// Two devices whose ranges share their low 32 address bits: every access must reach its own.
TEST_F(BarTest, RangesAboveFourGiBAreReachedAtTheirFullAddress)
{
    std::vector<uint8_t> low = CMachineText::MakeHeader(0x1022, 0x2000, 0x02, 0x00);
    CMachineText::Put16(low, 0x04, 0x0002);
    CMachineText::Put32(low, 0x10, 0xF0000000);
    std::vector<uint8_t> high = CMachineText::MakeHeader(0x1022, 0x2001, 0x03, 0x00);
    CMachineText::Put16(high, 0x04, 0x0002);
    CMachineText::Put32(high, 0x10, 0xF000000C); // 64-bit prefetchable, upper half 1
    CMachineText::Put32(high, 0x14, 0x1);
    CMachineText::Put32(high, 0x18, 0xFFFFFFF4); // 64-bit at the very top of the address space
    CMachineText::Put32(high, 0x1C, 0xFFFFFFFF);
    CMachineText machine;
    machine.AddFunction(0, 4, 0, low, {"\tRegion 0: Memory at f0000000 (32-bit) [size=4K]", "@range 0 0 text \"low!\""});
    machine.AddFunction(0, 5, 0, high, {"\tRegion 0: Memory at 1f0000000 (64-bit, prefetchable) [size=4K]",
                                        "\tRegion 2: Memory at fffffffffffffff0 (64-bit, prefetchable) [size=16]",
                                        "@range 0 0 text \"high\""});
    LoadMachine(machine.Text());
    CPciFunction lowFunction(m_driver, 0, 4, 0);
    CPciFunction highFunction(m_driver, 0, 5, 0);
    ClearRequests();

    char bytes[5] = {};
    ASSERT_TRUE(highFunction.ReadDeviceData(0, 0, bytes, 1, 4));
    EXPECT_STREQ("high", bytes);
    ASSERT_EQ(1u, RequestsOf(IOCTL_READ_DEVICE_WIDE).size());
    EXPECT_EQ(0x1F0000000ull, pci::GetLe64(RequestsOf(IOCTL_READ_DEVICE_WIDE)[0].in.data() + kWideRangeAddressOffset));
    uint32_t word = 0x4948; // "HI"
    ASSERT_TRUE(highFunction.WriteDeviceData(0, 0, &word, 2, 1));
    ASSERT_TRUE(lowFunction.ReadDeviceData(0, 0, bytes, 1, 4));
    EXPECT_STREQ("low!", bytes) << "the other device's range is untouched";
    ASSERT_TRUE(highFunction.ReadDeviceData(0, 0, bytes, 1, 4));
    EXPECT_STREQ("HIgh", bytes);
    EXPECT_TRUE(RequestsOf(IOCTL_READ_DEVICE).size() == 1) << "below 4 GiB the narrow request serves";

    ClearRequests();
    uint32_t value = 0;
    EXPECT_TRUE(highFunction.ReadDeviceData(2, 0xC, &value, 4, 1)) << "the last dword of the address space";
    EXPECT_FALSE(highFunction.ReadDeviceData(2, 0xD, &value, 4, 1)) << "past the 64-bit address space";
    EXPECT_FALSE(highFunction.ReadDeviceData(1, 0, &value, 4, 1)) << "an upper half is not a range";
    EXPECT_FALSE(highFunction.WriteDeviceData(3, 0, &value, 4, 1)) << "an upper half is not a range";
    EXPECT_EQ(1u, m_requests.size());
}

// Sizing a 64-bit BAR of 8 GiB writes both halves with decode off, then restores everything.
TEST_F(BarTest, ProbingSizesBothHalvesWithDecodeOff)
{
    std::vector<uint8_t> config = CMachineText::MakeHeader(0x1022, 0x2001, 0x03, 0x00);
    CMachineText::Put16(config, 0x04, 0x0007);
    CMachineText::Put32(config, 0x10, 0x0000000C);
    CMachineText::Put32(config, 0x14, 0x2);
    CMachineText machine;
    machine.AddFunction(0, 5, 0, config, {"\tRegion 0: Memory at 200000000 (64-bit, prefetchable) [size=8G]"});
    LoadMachine(machine.Text());
    CPciFunction function(m_driver, 0, 5, 0);
    ClearRequests();

    EXPECT_EQ(0u, function.ProbeBarSize(1)) << "the upper half is never probed";
    EXPECT_TRUE(m_requests.empty());
    EXPECT_EQ(0x200000000ull, function.ProbeBarSize(0));
    EXPECT_EQ(0x200000000ull, function.m_barSizes[0]);
    const std::vector<CObservedRequest> writes = RequestsOf(IOCTL_WRITE_CONFIG);
    ASSERT_EQ(6u, writes.size());
    EXPECT_EQ(0x04u, InU32(writes[0], kRegOffsetOffset));
    EXPECT_EQ(0x0004u, InU32(writes[0], kRegValueOffset)) << "decode off, bus master kept";
    EXPECT_EQ(0x04u, InU32(writes[5], kRegOffsetOffset));
    EXPECT_EQ(0x0007u, InU32(writes[5], kRegValueOffset)) << "the command register comes back";
    EXPECT_EQ(0x0000000Cu, function.ReadConfig(0, 5, 0, 0x10, 4));
    EXPECT_EQ(0x2u, function.ReadConfig(0, 5, 0, 0x14, 4));
}

// Decoders implement fewer address bits than their registers hold; the bits above read 0 and
// the size is the lowest base bit that sticks, not the mask's two's complement.
TEST_F(BarTest, ProbingTakesTheLowestBaseBitThatSticks)
{
    struct CCase
    {
        const char* what;
        uint32_t low;
        uint32_t high;
        std::string lines;
        uint64_t size;
    };
    const CCase cases[] = {
        {"64-bit, 40-bit decoder", 0x0000000C, 0x12, "@bar 0 size 1M\n@config 14 mask ff 00 00 00", 0x100000},
        {"32-bit, bits 17 to 19 unimplemented", 0xF0100000, 0, "@bar 0 size 64K\n@config 10 mask 00 00 f1 ff",
         0x10000},
        {"I/O, upper half unimplemented", 0xE001, 0, "@bar 0 size 256\n@config 10 mask 00 ff 00 00", 0x100},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> config = CMachineText::MakeHeader(0x1022, 0x2001, 0x03, 0x00);
        CMachineText::Put32(config, 0x10, c.low);
        CMachineText::Put32(config, 0x14, c.high);
        CMachineText machine;
        machine.AddFunction(0, 5, 0, config, {c.lines});
        LoadMachine(machine.Text());
        CPciFunction function(m_driver, 0, 5, 0);
        EXPECT_EQ(c.size, function.ProbeBarSize(0));
    }
}

class CapabilityTest : public BarTest
{
protected:
    void SetUp() override
    {
        BarTest::SetUp();
        m_function = MakeFunction();
        m_function->m_image[0x06] = 0x10;
    }

    std::unique_ptr<CPciFunction> m_function;
};

TEST_F(CapabilityTest, TheListNeedsTheStatusBitAndAPointerOfAtLeastFour)
{
    m_function->m_image[0x34] = 0x40;
    uint32_t index = 99;
    EXPECT_EQ(m_function->m_image + 0x40, m_function->GetFirstCapability(&index));
    EXPECT_EQ(16u, index);
    m_function->m_image[0x34] = 0x43;
    EXPECT_EQ(m_function->m_image + 0x40, m_function->GetFirstCapability()) << "low two bits are dropped";
    m_function->m_image[0x34] = 0x03;
    EXPECT_EQ(nullptr, m_function->GetFirstCapability());
    m_function->m_image[0x34] = 0x40;
    m_function->m_image[0x06] = 0x00;
    EXPECT_EQ(nullptr, m_function->GetFirstCapability());
    EXPECT_TRUE(m_function->GetCapabilityIndices().empty());
}

TEST_F(CapabilityTest, NextPointersFollowTheSecondByteOfEachEntry)
{
    m_function->m_image[0x34] = 0x40;
    m_function->m_image[0x41] = 0x5C;
    m_function->m_image[0x5D] = 0x02;
    uint32_t index = 0;
    const uint8_t* entry = m_function->GetFirstCapability(&index);
    entry = m_function->GetNextCapability(entry, &index);
    EXPECT_EQ(m_function->m_image + 0x5C, entry);
    EXPECT_EQ(23u, index);
    EXPECT_EQ(nullptr, m_function->GetNextCapability(entry, &index)) << "a next pointer of 1..3 ends the list";
    m_function->m_image[0x5D] = 0x00;
    EXPECT_EQ(nullptr, m_function->GetNextCapability(m_function->m_image + 0x5C));
    EXPECT_EQ((std::vector<uint32_t>{16, 23}), m_function->GetCapabilityIndices());
}

TEST_F(CapabilityTest, AWalkEndsBeforeTheFirstEntryVisitedTwice)
{
    m_function->m_image[0x34] = 0x40;
    m_function->m_image[0x41] = 0x50;
    m_function->m_image[0x51] = 0x60;
    m_function->m_image[0x61] = 0x52;
    EXPECT_EQ((std::vector<uint32_t>{16, 20, 24}), m_function->GetCapabilityIndices());
    m_function->m_image[0x41] = 0x40;
    EXPECT_EQ((std::vector<uint32_t>{16}), m_function->GetCapabilityIndices());
}

TEST_F(CapabilityTest, AChainThroughEveryDwordEndsAfterFortyEightEntries)
{
    // Each dword past the header points to the next one and the last one into the header.
    m_function->m_image[0x34] = 0x40;
    for (uint32_t offset = 0x40; offset < 256; offset += 4)
        m_function->m_image[offset + 1] = uint8_t(offset + 4);
    m_function->m_image[0xFD] = 0x04;
    std::vector<uint32_t> indices = m_function->GetCapabilityIndices();
    EXPECT_LE(indices.size(), CPciFunction::kMaxCapabilityEntries);
    EXPECT_EQ(48u, indices.size());
}

// Malformed lists end where the capabilities page ends them, through either way of walking.
TEST_F(CapabilityTest, MalformedListsEndWhereTheDecoderEndsThem)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<uint32_t, uint8_t>> bytes;
        std::vector<uint32_t> indices;
    };
    const Case cases[] = {
        {"a pointer into the header is given and ends the list", {{0x34, 0x40}, {0x41, 0x08}, {0x09, 0x50}}, {16, 2}},
        {"an entry reading ID FFh breaks the chain", {{0x34, 0x40}, {0x41, 0x50}, {0x50, 0xFF}}, {16}},
        {"a CardBus bridge's list starts at 14h", {{0x0E, 0x02}, {0x34, 0x60}, {0x14, 0x50}}, {20}},
    };
    for (const Case& c : cases) {
        SetUp();
        for (const auto& [offset, value] : c.bytes)
            m_function->m_image[offset] = value;
        EXPECT_EQ(c.indices, m_function->GetCapabilityIndices()) << c.name;
        std::vector<uint32_t> stepped;
        uint32_t index = 0;
        for (const uint8_t* entry = m_function->GetFirstCapability(&index); entry;
             entry = m_function->GetNextCapability(entry, &index))
            stepped.push_back(index);
        EXPECT_EQ(c.indices, stepped) << c.name;
    }
}

} // namespace
