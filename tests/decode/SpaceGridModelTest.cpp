// The Hex page's grid over the simulated default machine: its cells come from the space the
// function keeps, so painting costs no request, and a unit edit is one register write with
// its read-back.
#include "tests/device/DeviceFixture.h"

#include "views/SpaceGridModel.h"

#include "device/PciFunction.h"
#include "protocol/DriverProtocol.h"

#include <memory>
#include <string>

namespace {

// The graphics card 01:00.0: vendor 1002h, device 5046h.
constexpr uint32_t kVgaBus = 1;

std::string RowText(const CSpaceGridModel& grid, int row)
{
    std::string text;
    for (int column = 0; column < grid.GetColumnCount(); ++column)
        text += (column ? "|" : "") + grid.GetCellText(row, column);
    return text;
}

} // namespace

class SpaceGridModel : public CDeviceFixture {};

TEST_F(SpaceGridModel, CellsComeFromTheKeptSpaceWithoutRequests)
{
    CPciFunction vga(m_driver, kVgaBus, 0, 0);
    CSpaceGridModel grid;
    grid.SetFunction(&vga);
    struct Case
    {
        int width;
        bool hex;
        std::string row0;
    };
    const Case cases[] = {
        {1, true, "00000000h|02h|10h|46h|50h|87h|00h|B0h|02h|00h|00h|00h|03h|08h|40h|00h|00h|..FP.........@.."},
        {4, true, "00000000h|50461002h|02B00087h|03000000h|00004008h|..FP.........@.."},
        {2, false, "0d|4098d|20550d|135d|688d|0d|768d|16392d|0d|..FP.........@.."},
    };
    ClearRequests();
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + (c.hex ? " hex" : " decimal"));
        grid.SetUnitWidth(c.width);
        grid.SetHexDisplay(c.hex);
        EXPECT_EQ(int(vga.GetSpaceSize() / 16), grid.GetRowCount());
        EXPECT_EQ(c.row0, RowText(grid, 0));
        EXPECT_FALSE(grid.GetEditableOffset(grid.GetRowCount(), 1)) << "past the space";
        EXPECT_FALSE(grid.GetEditableOffset(0, grid.GetAsciiColumn())) << "the ASCII column";
    }
    EXPECT_TRUE(m_requests.empty()) << "painting the grid asked the driver";
}

TEST_F(SpaceGridModel, WritesReportWhatTheDeviceKept)
{
    CPciFunction vga(m_driver, kVgaBus, 0, 0);
    CSpaceGridModel grid;
    grid.SetFunction(&vga);
    struct Case
    {
        const char* name;
        uint32_t offset;
        const char* typed;
        uint32_t readBack;
        bool kept;
        bool refused;
    };
    const Case cases[] = {
        {"interrupt line", 0x3C, "5", 5, true, false},
        // kept: the byte reads back as the register catalogue predicts, read-only bits unchanged.
        {"read-only vendor byte", 0x00, "FF", 0x02, true, false},
        {"BAR 0's type bits", 0x10, "FF", 0x08, false, false},
        {"past the space", 0x1000, "1", 0, false, false},
        {"too wide for a byte", 0x3C, "105", 5, false, true},
        {"not a number", 0x3C, "4O", 5, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearRequests();
        const auto written = grid.Write(c.offset, 1, c.typed, true);
        if (c.offset >= vga.GetSpaceSize()) {
            EXPECT_FALSE(written);
            continue;
        }
        ASSERT_TRUE(written);
        EXPECT_EQ(c.refused, !written->refusal.empty()) << written->refusal;
        EXPECT_EQ(c.refused, RequestsOf(IOCTL_WRITE_CONFIG).empty());
        EXPECT_EQ(c.kept, written->kept);
        if (!c.refused) {
            EXPECT_EQ(c.readBack, written->readBack);
        }
        EXPECT_EQ(c.readBack, vga.ReadConfig(kVgaBus, 0, 0, c.offset, 1)) << "the device";
    }
}
