// The BAR grid model over the simulated default machine: headings, the bounds of a range
// smaller than a row, failed reads, and the row count of large and unknown sizes.
#include "tests/device/DeviceFixture.h"

#include "views/BarGridModel.h"

#include "compat/CompatMachine.h"
#include "device/PciFunction.h"
#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "protocol/DriverProtocol.h"
#include "sim/SimMachine.h"

#include <string.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

// The game port: 8 I/O ports at D800h.
constexpr uint32_t kGamePortDevice = 0x0a;
constexpr uint32_t kGamePortFunction = 1;
constexpr uint32_t kGamePortBase = 0xD800;
constexpr uint64_t kGamePortPorts = 8;
constexpr uint32_t kNoFault = 0;
constexpr uint32_t kOneFunctionFault = 2;

std::string RowText(CBarGridModel& grid, int row)
{
    std::string text;
    for (int column = 0; column < grid.GetColumnCount(); ++column)
        text += (column ? "|" : "") + grid.GetCellText(row, column);
    return text;
}

class BarGridModel : public CDeviceFixture {
protected:
    void SetUp() override
    {
        CDeviceFixture::SetUp();
        m_gamePort = std::make_unique<CPciFunction>(m_driver, 0, kGamePortDevice, kGamePortFunction);
        ClearRequests();
    }
    // The highest port any range read reached, 0 when none was read.
    uint32_t LastPortRead() const
    {
        uint32_t last = 0;
        for (const CObservedRequest& read : RequestsOf(IOCTL_READ_DEVICE)) {
            const uint32_t end =
                InU32(read, kRangeAddressOffset) + InU32(read, kRangeUnitOffset) * InU32(read, kRangeCountOffset) - 1;
            last = std::max(last, end);
        }
        return last;
    }

    std::unique_ptr<CPciFunction> m_gamePort;
};

TEST_F(BarGridModel, HeadingsPerWidthAndRadix)
{
    struct Case
    {
        int width;
        bool hex;
        const char* headings;
    };
    const Case cases[] = {
        {1, true, "Address|+00h|+01h|+02h|+03h|+04h|+05h|+06h|+07h|+08h|+09h|+0ah|+0bh|+0ch|+0dh|+0eh|+0fh|ASCII"},
        {2, true, "Address|+00h|+02h|+04h|+06h|+08h|+0ah|+0ch|+0eh|ASCII"},
        {4, true, "Address|+00h|+04h|+08h|+0ch|ASCII"},
        {1, false, "Address|+0|+1|+2|+3|+4|+5|+6|+7|+8|+9|+10|+11|+12|+13|+14|+15|ASCII"},
        {2, false, "Address|+0|+2|+4|+6|+8|+10|+12|+14|ASCII"},
        {4, false, "Address|+0|+4|+8|+12|ASCII"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << (c.hex ? " hex" : " decimal"));
        CBarGridModel grid;
        grid.SetUnitWidth(c.width);
        grid.SetHexDisplay(c.hex);
        std::string headings;
        for (int column = 0; column < grid.GetColumnCount(); ++column)
            headings += (column ? "|" : "") + grid.GetHeading(column);
        EXPECT_EQ(c.headings, headings);
    }
}

TEST_F(BarGridModel, CellsPastAnEightPortRangeAreEmptyAndNeverRead)
{
    struct Case
    {
        int width;
        bool hex;
        const char* row0;
        int lastEditableColumn;
    };
    const Case cases[] = {
        {1, true, "00000000h|00h|00h|00h|00h|00h|00h|00h|00h|||||||||........", 8},
        {2, false, "0d|0d|0d|0d|0d|||||........", 4},
        {4, true, "00000000h|00000000h|00000000h|||........", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width);
        ClearRequests();
        CBarGridModel grid;
        grid.SetUnitWidth(c.width);
        grid.SetHexDisplay(c.hex);
        grid.SetRange(m_gamePort.get(), 0, kGamePortPorts);
        ASSERT_EQ(1, grid.GetRowCount());
        EXPECT_EQ(c.row0, RowText(grid, 0));
        EXPECT_EQ(kGamePortBase + kGamePortPorts - 1, LastPortRead()) << "nothing read past D807h";
        EXPECT_EQ(size_t(kGamePortPorts) / size_t(c.width), grid.GetCachedUnitCount());
        EXPECT_EQ(std::optional<uint32_t>(kGamePortPorts - c.width), grid.GetEditableOffset(0, c.lastEditableColumn));
        EXPECT_FALSE(grid.IsEditableUnit(0, c.lastEditableColumn + 1));
        EXPECT_FALSE(grid.IsEditableUnit(0, 0)) << "the address is not a unit";
        EXPECT_FALSE(grid.IsEditableUnit(0, grid.GetAsciiColumn())) << "the text is not a unit";
    }
}

TEST_F(BarGridModel, FailedReadsShowUnreadOnceUntilTheCacheIsEmptied)
{
    CBarGridModel grid;
    grid.SetRange(m_gamePort.get(), 0, kGamePortPorts);
    CompatMachine().SetFault(kOneFunctionFault, 0, kGamePortDevice, kGamePortFunction);
    EXPECT_EQ("00000000h|--|--|--|--|--|--|--|--|||||||||........", RowText(grid, 0));
    EXPECT_EQ("00000000h|--|--|--|--|--|--|--|--|||||||||........", RowText(grid, 0)) << "painted again";
    EXPECT_EQ(kGamePortPorts, RequestsOf(IOCTL_READ_DEVICE).size()) << "each failed unit was tried once";

    CompatMachine().SetFault(kNoFault, 0, 0, 0);
    EXPECT_EQ("--", grid.GetCellText(0, 1)) << "a failure is kept until the cache is emptied";
    grid.EmptyCache();
    EXPECT_EQ("00000000h|00h|00h|00h|00h|00h|00h|00h|00h|||||||||........", RowText(grid, 0));
    EXPECT_EQ(2 * kGamePortPorts, RequestsOf(IOCTL_READ_DEVICE).size());
}

TEST_F(BarGridModel, RowCountOfLargeAndUnknownSizes)
{
    struct Case
    {
        uint64_t size;
        int rows;
        int unitsInRow0; // an unknown size shows what the smallest I/O BAR decodes
    };
    const Case cases[] = {
        {0, 1, 4},
        {8, 1, 8},
        {4096, 256, 16},
        {0x80000000ull, CBarGridModel::kMaxRowCount, 16},
        // A note row follows the rows of a range that goes on past them.
        {0x100000000ull, CBarGridModel::kMaxRowCount + 1, 16},
        {0x8000000000000000ull, CBarGridModel::kMaxRowCount + 1, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size);
        CBarGridModel grid;
        grid.SetRange(m_gamePort.get(), 0, c.size);
        EXPECT_EQ(c.rows, grid.GetRowCount());
        EXPECT_TRUE(grid.IsEditableUnit(0, c.unitsInRow0));
        EXPECT_FALSE(grid.IsEditableUnit(0, c.unitsInRow0 + 1));
        EXPECT_EQ(0u, grid.GetCachedUnitCount()) << "nothing is read before a cell is asked for";
    }
    CBarGridModel grid;
    grid.SetRange(m_gamePort.get(), 0, 0x100000000ull);
    EXPECT_EQ("7FFFFFF0h", grid.GetCellText(CBarGridModel::kMaxRowCount - 1, 0)) << "the last row of 2 GiB";
    EXPECT_TRUE(grid.IsEditableUnit(CBarGridModel::kMaxRowCount - 1, 16));
    EXPECT_EQ("The range goes on for 2 GiB more: Ctrl+G reaches only the first 2 GiB",
              grid.GetCellText(CBarGridModel::kMaxRowCount, 0));
    EXPECT_EQ("", grid.GetCellText(CBarGridModel::kMaxRowCount, 1));
    EXPECT_FALSE(grid.IsEditableUnit(CBarGridModel::kMaxRowCount, 1)) << "the note row has no units";

    // A 64-bit BAR in the top 4 KiB given 1 MiB: units end at the top of the address space.
    uint8_t image[pci::kConfigSpaceBytes];
    memcpy(image, m_gamePort->m_image, sizeof image);
    pci::PutLe32(image + pci::BarOffset(0), 0xFFFFF000u | (pci::kMemoryType64Bit << pci::kMemoryTypeShift));
    pci::PutLe32(image + pci::BarOffset(1), 0xFFFFFFFFu);
    m_gamePort->SetConfigImage(image);
    grid.SetRange(m_gamePort.get(), 0, 0x100000);
    EXPECT_TRUE(grid.IsEditableUnit(255, 16)) << "FFFFFFFFFFFFFFFFh";
    EXPECT_FALSE(grid.IsEditableUnit(256, 1)) << "an address that wraps to 0";
}

} // namespace
