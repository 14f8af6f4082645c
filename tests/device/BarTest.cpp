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
    pci::PutLe32(function.m_config + 0x10 + 4 * index, value);
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
    function->m_config[0x0E] = 0x81;
    SetBar(*function, 1, 0);
    EXPECT_EQ(-1, function->FindBarForAddress(0x800));
    EXPECT_EQ(0, function->FindBarForAddress(0x300));
    function->m_config[0x0E] = 0x02;
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
    EXPECT_EQ(0, memcmp(function->m_config, function->m_shadow, 256));
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

class CapabilityTest : public BarTest
{
protected:
    void SetUp() override
    {
        BarTest::SetUp();
        m_function = MakeFunction();
        m_function->m_config[0x06] = 0x10;
    }

    std::unique_ptr<CPciFunction> m_function;
};

TEST_F(CapabilityTest, TheListNeedsTheStatusBitAndAPointerOfAtLeastFour)
{
    m_function->m_config[0x34] = 0x40;
    uint32_t index = 99;
    EXPECT_EQ(m_function->m_config + 0x40, m_function->GetFirstCapability(&index));
    EXPECT_EQ(16u, index);
    m_function->m_config[0x34] = 0x43;
    EXPECT_EQ(m_function->m_config + 0x40, m_function->GetFirstCapability()) << "low two bits are dropped";
    m_function->m_config[0x34] = 0x03;
    EXPECT_EQ(nullptr, m_function->GetFirstCapability());
    m_function->m_config[0x34] = 0x40;
    m_function->m_config[0x06] = 0x00;
    EXPECT_EQ(nullptr, m_function->GetFirstCapability());
    EXPECT_TRUE(m_function->GetCapabilityIndices().empty());
}

TEST_F(CapabilityTest, NextPointersFollowTheSecondByteOfEachEntry)
{
    m_function->m_config[0x34] = 0x40;
    m_function->m_config[0x41] = 0x5C;
    m_function->m_config[0x5D] = 0x02;
    uint32_t index = 0;
    const uint8_t* entry = m_function->GetFirstCapability(&index);
    entry = m_function->GetNextCapability(entry, &index);
    EXPECT_EQ(m_function->m_config + 0x5C, entry);
    EXPECT_EQ(23u, index);
    entry = m_function->GetNextCapability(entry, &index);
    EXPECT_EQ(m_function->m_config, entry) << "a next pointer of 1..3 names dword 0";
    EXPECT_EQ(0u, index);
    m_function->m_config[0x5D] = 0x00;
    EXPECT_EQ(nullptr, m_function->GetNextCapability(m_function->m_config + 0x5C));
    EXPECT_EQ((std::vector<uint32_t>{16, 23}), m_function->GetCapabilityIndices());
}

TEST_F(CapabilityTest, AWalkEndsBeforeTheFirstEntryVisitedTwice)
{
    m_function->m_config[0x34] = 0x40;
    m_function->m_config[0x41] = 0x50;
    m_function->m_config[0x51] = 0x60;
    m_function->m_config[0x61] = 0x52;
    EXPECT_EQ((std::vector<uint32_t>{16, 20, 24}), m_function->GetCapabilityIndices());
    m_function->m_config[0x41] = 0x40;
    EXPECT_EQ((std::vector<uint32_t>{16}), m_function->GetCapabilityIndices());
}

TEST_F(CapabilityTest, AChainThroughEveryDwordEndsAfterSixtyFourEntries)
{
    // Each dword points to the next one and the last one back into the header.
    m_function->m_config[0x34] = 0x04;
    for (uint32_t offset = 4; offset < 256; offset += 4)
        m_function->m_config[offset + 1] = uint8_t(offset + 4);
    m_function->m_config[0xFD] = 0x04;
    std::vector<uint32_t> indices = m_function->GetCapabilityIndices();
    EXPECT_LE(indices.size(), CPciFunction::kMaxCapabilityEntries);
    EXPECT_EQ(63u, indices.size());
}

} // namespace
