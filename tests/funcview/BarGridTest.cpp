// Reading a BAR range in the grid: rows, headings and cell texts at every unit width and
// in both radixes, the ASCII column, what the value cache saves and when it is emptied.
#include "tests/funcview/FunctionViewFixture.h"

#include <string.h>

#include "controls/iconmenu/IconMenu.h"
#include "views/SpaceHexPage.h"

namespace {

// The first bytes of the VGA's BAR 0 range, as the machine image sets them.
constexpr int kBar0Row = 12;
// 8 I/O ports at D800h; its record lists no resources, so the size is set by the test.
constexpr CFunctionAddress kGamePort = {0, 0x0a, 1};
constexpr uint64_t kGamePortPorts = 8;

const std::string kFramebufferText = "Brisco default machine - Rage 128 PRO framebuffer.";

std::string Row(CListCtrl& list, int row, int first, int last)
{
    std::string text;
    for (int c = first; c <= last; ++c) {
        if (c > first)
            text += ' ';
        text += list.GetItemText(row, c);
    }
    return text;
}

// Chooses the first item of the popup that is being tracked, once.
void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (menu == nullptr || !::IsWindowVisible(menu))
        return;
    ::KillTimer(nullptr, idEvent);
    ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

} // namespace

class ReadingBarGrids : public FunctionViewTest {
protected:
    void SetUp() override
    {
        FunctionViewTest::SetUp();
        m_vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
        // Other programs of the session may have edited the range: put back its first rows.
        for (uint32_t i = 0; i < kFramebufferText.size(); ++i)
            Poke(i, static_cast<uint8_t>(kFramebufferText[i]));
        Select(m_vga);
        Answer({IDYES});
        ClickTab(1);
        Paint();
    }
    void Command(UINT id)
    {
        m_view->SendMessage(WM_COMMAND, id);
        Paint();
    }
    // Writes behind the view's back, as another program or the device itself would.
    void Poke(uint32_t offset, uint8_t value) { m_vga->WriteDeviceData(0, offset, &value, 1, 1); }

    CPciFunction* m_vga = nullptr;
};

TEST_F(ReadingBarGrids, HeadingsAndCellsAtEveryWidthAndRadix)
{
    CListCtrl& grid = BarList(0);
    struct Case {
        UINT command;
        bool hex;
        std::string headings;  // address, first units, last unit, ASCII
        std::string row1;      // address and the first two units of row 1
        int columns;
    };
    // Row 1 holds "achine - Rage 12".
    const Case cases[] = {
        {ID_VIEW_8BIT, true, "Address +00h +01h +0fh ASCII", "00000010h 61h 63h", 18},
        {ID_VIEW_16BIT, true, "Address +00h +02h +0eh ASCII", "00000010h 6361h 6968h", 10},
        {ID_VIEW_32BIT, true, "Address +00h +04h +0ch ASCII", "00000010h 69686361h 2D20656Eh", 6},
        {ID_VIEW_8BIT, false, "Address +0 +1 +15 ASCII", "16d 97d 99d", 18},
        {ID_VIEW_16BIT, false, "Address +0 +2 +14 ASCII", "16d 25441d 26984d", 10},
        {ID_VIEW_32BIT, false, "Address +0 +4 +12 ASCII", "16d 1768448865d 757097838d", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << (c.hex ? " hex" : " decimal"));
        if (CBarPage::IsHexDisplay() != c.hex)
            Command(ID_VIEW_HEXADECIMAL);
        Command(c.command);
        const auto headings = Headings(grid);
        ASSERT_EQ(static_cast<size_t>(c.columns), headings.size());
        EXPECT_EQ(c.headings, headings[0] + " " + headings[1] + " " + headings[2] + " " +
                                  headings[c.columns - 2] + " " + headings[c.columns - 1]);
        EXPECT_EQ(c.row1, Row(grid, 1, 0, 2));
        EXPECT_EQ(kFramebufferText.substr(0, 16), grid.GetItemText(0, c.columns - 1));
        EXPECT_EQ(64 * 1024 * 1024 / 16, grid.GetItemCount());
        const int lastRow = grid.GetItemCount() - 1;
        EXPECT_EQ(c.hex ? "03FFFFF0h" : "67108848d", grid.GetItemText(lastRow, 0));
    }
}

TEST_F(ReadingBarGrids, AsciiShowsPrintableBytesInAddressOrder)
{
    uint8_t saved[4] = {};
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x20, saved, 1, 4));
    const uint8_t bytes[4] = {0x41, 0x42, 0x00, 0x7F};
    for (uint32_t i = 0; i < 4; ++i)
        Poke(0x20 + i, bytes[i]);
    Command(ID_PAGE_REFRESH);
    CListCtrl& grid = BarList(0);
    EXPECT_EQ("AB..", grid.GetItemText(2, 17).substr(0, 4));
    Command(ID_VIEW_16BIT);
    EXPECT_EQ("4241h 7F00h", Row(grid, 2, 1, 2));
    EXPECT_EQ("AB..", grid.GetItemText(2, 9).substr(0, 4));
    for (uint32_t i = 0; i < 4; ++i)
        Poke(0x20 + i, saved[i]);
}

TEST_F(ReadingBarGrids, RowCountsFollowTheRangeSize)
{
    struct Case {
        uint32_t size;
        int rows;
    };
    for (const Case& c : {Case{4096, 256}, Case{32, 2}, Case{8, 1}, Case{0, 1}, Case{0x80000000u, 0x8000000}}) {
        SCOPED_TRACE(c.size);
        m_vga->m_barSizes[1] = c.size;
        if (c.size == 0)
            Answer({IDNO});
        CBarPage* page = BarPage(1);
        page->SetFunction(m_vga);
        EXPECT_EQ(c.rows, BarList(1).GetItemCount());
        EXPECT_EQ(0u, page->GetCachedUnitCount()) << "nothing is read before cells are painted";
    }
}

TEST_F(ReadingBarGrids, AHugeRangeReadsOnlyTheCellsThatArePainted)
{
    m_vga->m_barSizes[0] = 0x80000000u;
    CBarPage* page = BarPage(0);
    page->Refresh();
    EXPECT_EQ(0u, page->GetCachedUnitCount());
    CListCtrl& grid = BarList(0);
    EXPECT_EQ(0x8000000, grid.GetItemCount());
    Paint();
    const size_t visible = static_cast<size_t>(grid.GetCountPerPage() + 1) * 16;
    EXPECT_GT(page->GetCachedUnitCount(), 0u);
    EXPECT_LE(page->GetCachedUnitCount(), visible);
    grid.EnsureVisible(grid.GetItemCount() - 1, FALSE);
    Paint();
    EXPECT_EQ("7FFFFFF0h", grid.GetItemText(grid.GetItemCount() - 1, 0));
    EXPECT_LE(page->GetCachedUnitCount(), 2 * visible);
}

TEST_F(ReadingBarGrids, CacheIsReReadByRefreshOnly)
{
    CListCtrl& grid = BarList(0);
    CBarPage* page = BarPage(0);
    const size_t painted = page->GetCachedUnitCount();
    ASSERT_GT(painted, 0u);
    EXPECT_EQ("42h", grid.GetItemText(0, 1));

    Poke(0, 0x62);
    Command(ID_VIEW_HEXADECIMAL);
    Command(ID_VIEW_HEXADECIMAL);
    EXPECT_EQ("42h", grid.GetItemText(0, 1)) << "the radix toggle keeps the cache";
    EXPECT_EQ(painted, page->GetCachedUnitCount());
    m_view->Invalidate();
    Paint();
    EXPECT_EQ("42h", grid.GetItemText(0, 1)) << "painting again reads nothing";

    Command(ID_PAGE_REFRESH);
    EXPECT_EQ("62h", grid.GetItemText(0, 1));
    EXPECT_EQ('b', grid.GetItemText(0, 17)[0]);
    Poke(0, 0x42);
}

TEST_F(ReadingBarGrids, AWidthChangeOnOneTabEmptiesTheOtherTabsCache)
{
    ClickTab(3);
    Paint();
    CBarPage* bar2 = BarPage(2);
    ASSERT_GT(bar2->GetCachedUnitCount(), 0u);
    ClickTab(1);
    Command(ID_VIEW_32BIT);
    ClickTab(3);
    Paint();
    CListCtrl& grid = BarList(2);
    EXPECT_EQ(6, static_cast<int>(Headings(grid).size()));
    // 0xE0 holds 46 50 00 00 read-only: one dword now, read anew.
    EXPECT_EQ("00005046h", grid.GetItemText(0x0E, 1));
    EXPECT_EQ("FP..", grid.GetItemText(0x0E, 5).substr(0, 4));
}

TEST_F(ReadingBarGrids, AnEightPortRangeShowsEightUnitsAndEightEmptyCells)
{
    CPciFunction* gamePort = ReadFunction(kGamePort.bus, kGamePort.device, kGamePort.function);
    gamePort->m_barSizes[0] = kGamePortPorts;
    Select(gamePort);
    ClickTab(1);
    Paint();
    CListCtrl& grid = BarList(0);
    ASSERT_EQ(1, grid.GetItemCount());
    for (int column = 1; column <= 16; ++column)
        EXPECT_EQ(column > 8, grid.GetItemText(0, column).empty()) << "column " << column;
    EXPECT_EQ(8u, grid.GetItemText(0, 17).size()) << "one character per port";
    EXPECT_EQ(kGamePortPorts, BarPage(0)->GetCachedUnitCount()) << "nothing read past D807h";
    DoubleClickCell(BarList(0), 0, 9);
    EXPECT_EQ(nullptr, OpenEdit()) << "no edit opens over an empty cell";
    DoubleClickCell(BarList(0), 0, 8);
    EXPECT_NE(nullptr, OpenEdit()) << "the last port is a unit";
    m_trace.Clear();
    BarPage(0)->OnEndEdit(0, 9, "55");
    EXPECT_EQ(std::string::npos, m_trace.Text().find("WriteDeviceData")) << "an empty cell is never written";
}

TEST_F(ReadingBarGrids, CellTextsNeverOverrunTheListsBuffer)
{
    CBarPage* page = BarPage(0);
    struct Case {
        int column;
        int room;
        const char* expected;
    };
    for (const Case& c : {Case{0, 4, "000"}, Case{1, 2, "4"}, Case{17, 5, "Bris"}, Case{0, 1, ""}}) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " room " << c.room);
        char buffer[32];
        memset(buffer, '#', sizeof buffer);
        NMLVDISPINFOA info = {};
        info.item.mask = LVIF_TEXT;
        info.item.iItem = 0;
        info.item.iSubItem = c.column;
        info.item.pszText = buffer;
        info.item.cchTextMax = c.room;
        page->GetCellText(&info);
        EXPECT_STREQ(c.expected, buffer);
        EXPECT_EQ('#', buffer[c.room]) << "nothing written past the buffer";
    }
}

TEST_F(ReadingBarGrids, ContextMenuChecksTheCurrentSettings)
{
    Command(ID_VIEW_16BIT);
    Command(ID_VIEW_HEXADECIMAL);
    CIconMenu menu;
    ASSERT_TRUE(BarPage(0)->LoadContextMenu(menu));
    CMenu* popup = menu.GetSubMenu(0);
    EXPECT_TRUE(CIconMenu::IsIconMenu(popup)) << "the items are drawn by the program";
    EXPECT_EQ(0u, popup->GetMenuState(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(0u, popup->GetMenuState(ID_VIEW_8BIT, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_NE(0u, popup->GetMenuState(ID_VIEW_16BIT, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(0u, popup->GetMenuState(ID_VIEW_32BIT, MF_BYCOMMAND) & MF_CHECKED);

    CIconMenu configMenu;
    ASSERT_TRUE(m_view->GetConfigSpacePage()->LoadContextMenu(configMenu));
    EXPECT_EQ(0u, configMenu.GetSubMenu(0)->GetMenuState(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ReadingBarGrids, HexadecimalToggleReachesEveryPage)
{
    Command(ID_VIEW_HEXADECIMAL);
    EXPECT_FALSE(m_view->IsHexDisplay());
    EXPECT_EQ("016d", ConfigList().GetItemText(kBar0Row, 0)) << "offset 10h of the configuration list";
    EXPECT_EQ("+0", Headings(BarList(2))[1]) << "a hidden BAR page is rebuilt too";
    EXPECT_EQ("16d", BarList(0).GetItemText(1, 0));
    Command(ID_VIEW_HEXADECIMAL);
    EXPECT_EQ("10h", ConfigList().GetItemText(kBar0Row, 0));
    EXPECT_EQ("+00h", Headings(BarList(2))[1]);
}

TEST_F(ReadingBarGrids, ContextMenuCommandsReachTheView)
{
    CListCtrl& grid = BarList(0);
    CRect rect;
    grid.GetWindowRect(&rect);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseFirstMenuItem);
    m_view->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid.m_hWnd),
                        MAKELPARAM(rect.left + 20, rect.top + 40));
    ::KillTimer(nullptr, timer);
    CTestSeams::PumpUntilIdle();
    EXPECT_FALSE(m_view->IsHexDisplay()) << "\"Hexadecimal Display\" was chosen";
    EXPECT_EQ("0d", grid.GetItemText(0, 0));
}

// Ctrl+C copies the selected rows: address, units and ASCII of the grid, the five columns of
// the register list.
TEST_F(ReadingBarGrids, CopyPutsTheSelectedRowsOnTheClipboard)
{
    struct CCase
    {
        const char* what;
        int tab;
        UINT width;
        std::vector<int> rows;
        std::string expected;
    };
    const CCase cases[] = {
        {"two grid rows, 32-bit", 1, ID_VIEW_32BIT, {0, 1},
         "00000000h\t73697242h\t64206F63h\t75616665h\t6D20746Ch\tBrisco default m\r\n"
         "00000010h\t69686361h\t2D20656Eh\t67615220h\t32312065h\tachine - Rage 12\r\n"},
        {"one grid row, 16-bit", 1, ID_VIEW_16BIT, {1},
         "00000010h\t6361h\t6968h\t656Eh\t2D20h\t5220h\t6761h\t2065h\t3231h\tachine - Rage 12\r\n"},
        // Not the ID rows: their names depend on where the program finds pcidevs.txt.
        {"register row", 0, 0, {2},
         "04h\tWORD\tCommand Register\t0087h\tStepping Control, Bus Master, Memory Space, I/O Space\r\n"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTab(c.tab);
        if (c.width != 0)
            Command(c.width);
        CEditListCtrl& list = c.tab == 0 ? ConfigList() : static_cast<CEditListCtrl&>(BarList(0));
        for (const int row : list.GetSelectedRows())
            list.SetItemState(row, 0, LVIS_SELECTED);
        for (const int row : c.rows)
            list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        m_view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
        EXPECT_EQ(c.expected, ClipboardText());
    }
    Command(ID_VIEW_8BIT);
}

// Ctrl+G goes to the unit that holds an offset, typed as the grid shows numbers, in a BAR
// grid and in the Hex grid; what cannot be gone to is answered with a message, and the
// dialog stays open and the cursor where it was.
TEST_F(ReadingBarGrids, GoToFocusesTheUnitOfAnOffset)
{
    ASSERT_EQ(0x4000000u, BarPage(0)->GetKnownBarSize()) << "a 64 MiB range";
    const int hexTab = m_view->GetTabCtrl().GetItemCount() - 1;
    struct CCase
    {
        const char* what;
        bool hexPage;
        UINT width;
        bool hex;
        const char* typed;
        int row, column;        // where the cursor goes; -1: it stays
        const char* message;    // the message shown, or null
    };
    const CCase cases[] = {
        {"hex byte", false, ID_VIEW_8BIT, true, "1F3", 0x1F, 4, nullptr},
        {"hex with h, far down", false, ID_VIEW_8BIT, true, " 3FFFFFFh ", 0x3FFFFF, 16, nullptr},
        {"0x prefix, unaligned dword", false, ID_VIEW_32BIT, true, "0x1F3", 0x1F, 1, nullptr},
        {"unaligned word", false, ID_VIEW_16BIT, true, "2B", 2, 6, nullptr},
        {"decimal", false, ID_VIEW_8BIT, false, "100", 6, 5, nullptr},
        {"past the end", false, ID_VIEW_8BIT, true, "4000000", -1, -1,
         "Offset 4000000h lies beyond the range of BAR 0 (67108864 bytes)."},
        {"past the end, decimal", false, ID_VIEW_8BIT, false, "67108864d", -1, -1,
         "Offset 67108864 lies beyond the range of BAR 0 (67108864 bytes)."},
        {"not a number", false, ID_VIEW_8BIT, true, "1G", -1, -1,
         "\"1G\" is not a hexadecimal number. Type an offset such as 1F0h."},
        {"hex digits in decimal display", false, ID_VIEW_8BIT, false, "1F", -1, -1,
         "\"1F\" is not a decimal number. Type an offset such as 496."},
        {"Hex page, word", true, ID_VIEW_16BIT, true, "3D", 3, 7, nullptr},
        {"Hex page, past the space", true, ID_VIEW_8BIT, true, "100", -1, -1,
         "Offset 100h lies beyond the range of the configuration space (256 bytes)."},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTab(c.hexPage ? hexTab : 1);
        CEditListCtrl& grid =
            c.hexPage ? m_view->GetSpaceHexPage()->GetList() : static_cast<CEditListCtrl&>(BarList(0));
        Command(c.width);
        if (CBarPage::IsHexDisplay() != c.hex)
            Command(ID_VIEW_HEXADECIMAL);
        grid.EnsureVisible(0, FALSE);
        ASSERT_TRUE(grid.SetCursorCell(2, 1));
        const std::vector<std::string> messages = GoToOffset(c.typed);
        EXPECT_EQ(c.message != nullptr ? std::vector<std::string>{c.message} : std::vector<std::string>{}, messages);
        const int row = c.row != -1 ? c.row : 2;
        EXPECT_EQ(row, grid.GetCursorRow());
        EXPECT_EQ(c.row != -1 ? c.column : 1, grid.GetCursorColumn());
        const int top = grid.GetTopIndex();
        EXPECT_TRUE(row >= top && row < top + grid.GetCountPerPage()) << "row " << row << " is in view";
    }
    ClickTab(1);
    if (!CBarPage::IsHexDisplay())
        Command(ID_VIEW_HEXADECIMAL);
    Command(ID_VIEW_8BIT);
}

// A width change keeps the cursor on the unit that holds its byte, in view, far down a range.
TEST_F(ReadingBarGrids, AWidthChangeKeepsTheCursorUnitInView)
{
    CEditListCtrl& grid = static_cast<CEditListCtrl&>(BarList(0));
    constexpr int kFarRow = 0x123456;
    grid.SetFocus();
    ASSERT_TRUE(grid.SetCursorCell(kFarRow, 8)) << "byte 7 of the row";
    struct CCase
    {
        UINT width;
        int column; // the unit that holds the first byte of the cursor's unit: 7, then 4
    };
    for (const CCase& c : {CCase{ID_VIEW_32BIT, 2}, CCase{ID_VIEW_16BIT, 3}, CCase{ID_VIEW_8BIT, 5}}) {
        SCOPED_TRACE(c.width);
        Command(c.width);
        EXPECT_EQ(kFarRow, grid.GetCursorRow());
        EXPECT_EQ(c.column, grid.GetCursorColumn());
        const int top = grid.GetTopIndex();
        EXPECT_TRUE(kFarRow >= top && kFarRow < top + grid.GetCountPerPage()) << "top row " << top;
    }
}
