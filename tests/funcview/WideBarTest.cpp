// The BAR grid on a machine where two devices' ranges share their low 32 address bits
// (F0000000h and 1_F0000000h): each device shows its own bytes.
#include "tests/funcview/FunctionViewFixture.h"

#include <string>

namespace {

constexpr CFunctionAddress kLowDevice = {0, 4, 0};
constexpr CFunctionAddress kHighDevice = {0, 5, 0};

} // namespace

class WideBarGrid : public FunctionViewTest {
protected:
    // The ASCII column of row 0 of BAR 0, once the tab is open.
    std::string FirstRowText(const CFunctionAddress& address)
    {
        Select(ReadFunction(address.bus, address.device, address.function));
        if (!m_warned)
            Answer({IDYES});
        m_warned = true;
        ClickTab(1);
        Paint();
        CListCtrl& grid = BarList(0);
        return grid.GetItemText(0, grid.GetHeaderCtrl()->GetItemCount() - 1);
    }

    bool m_warned = false;
};

TEST_F(WideBarGrid, EachDeviceShowsItsOwnBytes)
{
    struct CCase
    {
        CFunctionAddress address;
        const char* text;
    };
    for (const CCase& c : {CCase{kLowDevice, "low device bytes"}, CCase{kHighDevice, "HIGH DEVICE BYTES"}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(std::string(c.text).substr(0, 16), FirstRowText(c.address));
    }
}

// A range of 4 GiB or more: the grid lists its first 2 GiB and then says how much it leaves
// out; Ctrl+G goes anywhere in those 2 GiB and explains why it goes no further.
TEST_F(WideBarGrid, ARangePastTwoGibEndsWithANoteAndGoToReachesItsRows)
{
    constexpr uint64_t kSixteenGib = 0x400000000ull;
    CPciFunction* high = ReadFunction(kHighDevice.bus, kHighDevice.device, kHighDevice.function);
    high->m_barSizes[0] = kSixteenGib;
    Select(high);
    Answer({IDYES});
    ClickTab(1);
    Paint();
    CEditListCtrl& grid = static_cast<CEditListCtrl&>(BarList(0));
    const int noteRow = grid.GetItemCount() - 1;
    EXPECT_EQ(0x8000000, noteRow) << "the rows of 2 GiB, then the note";
    EXPECT_EQ("The range goes on for 14 GiB more: Ctrl+G reaches only the first 2 GiB", grid.GetItemText(noteRow, 0));

    struct CCase
    {
        const char* typed;
        int row;             // where the cursor goes; -1: it stays
        const char* message; // the message shown, or null
    };
    const CCase cases[] = {
        {"100", 0x10, nullptr},
        {"7FFFFFFF", 0x7FFFFFF, nullptr},
        {"80000000", -1, "Offset 80000000h lies beyond the first 2 GiB of BAR 0, which is all the grid shows of its 16 GiB."},
        {"400000000", -1, "Offset 400000000h lies beyond the range of BAR 0 (17179869184 bytes)."},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(grid.SetCursorCell(2, 1));
        const std::vector<std::string> messages = GoToOffset(c.typed);
        EXPECT_EQ(c.message != nullptr ? std::vector<std::string>{c.message} : std::vector<std::string>{}, messages);
        EXPECT_EQ(c.row != -1 ? c.row : 2, grid.GetCursorRow());
    }
}
