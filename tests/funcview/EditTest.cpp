// Editing cells: how an edit opens, how it ends, what reaches the device and what the
// cell shows afterwards.
#include "tests/funcview/FunctionViewFixture.h"

#include <stdio.h>
#include <string.h>

#include <functional>

#include "controls/InPlaceEdit.h"

namespace {

constexpr int kValueColumn = 3;
constexpr int kDecodedColumn = 4;
constexpr int kCommandRow = 2;       // offset 04h
constexpr int kStatusRow = 3;        // offset 06h
constexpr int kBar0Row = 12;         // offset 10h, owned by the host
constexpr int kVendorRow = 0;        // offset 00h, read-only
constexpr int kLatencyRow = 9;       // a BYTE
constexpr uint32_t kLatencyOffset = 0x0D;

} // namespace

class EditingCells : public FunctionViewTest {
protected:
    void SetUp() override
    {
        FunctionViewTest::SetUp();
        m_vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
        m_savedCommand = m_vga->GetConfigWord(pci::kCommandOffset);
        m_savedLatency = m_vga->GetConfigByte(kLatencyOffset);
        m_savedBar0 = m_vga->GetSpaceValue(pci::kBar0Offset, 4);
        Select(m_vga);
    }
    void TearDown() override
    {
        // Put back what the tests wrote, so later programs meet the machine unchanged.
        if (m_vga == nullptr)
            return FunctionViewTest::TearDown();
        m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, pci::kCommandOffset, 2, m_savedCommand);
        m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1, m_savedLatency);
        m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, pci::kBar0Offset, 4, m_savedBar0);
        // The whole space too, which a BAR page reads its base from.
        m_vga->ReloadSpace();
        FunctionViewTest::TearDown();
    }
    void OpenBarTab(int tab)
    {
        Answer({IDYES});
        ClickTab(tab);
    }

    CPciFunction* m_vga = nullptr;
    uint16_t m_savedCommand = 0;
    uint8_t m_savedLatency = 0;
    uint32_t m_savedBar0 = 0;
};

TEST_F(EditingCells, DoubleClickOnAnyColumnOfTheConfigurationListEditsValue)
{
    for (int column : {0, 2, kValueColumn, 4}) {
        SCOPED_TRACE(testing::Message() << "column " << column);
        DoubleClickCell(ConfigList(), kCommandRow, column);
        HWND edit = OpenEdit();
        ASSERT_NE(nullptr, edit);
        auto* object = static_cast<CInPlaceEdit*>(CWnd::FromHandlePermanent(edit));
        EXPECT_EQ(kCommandRow, object->GetItem());
        EXPECT_EQ(kValueColumn, object->GetSubItem());
        char text[32] = {};
        ::GetWindowTextA(edit, text, sizeof text);
        EXPECT_EQ(ConfigList().GetItemText(kCommandRow, kValueColumn), text);
        DWORD start = 1, end = 0;
        ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(strlen(text), end) << "the whole text is selected";
        TypeAndEnd(text, VK_ESCAPE);
    }
}

// The cell cursor of a BAR grid (8-bit units in columns 1..16) and of the register list,
// whose one editable column is the value.
TEST_F(EditingCells, KeysMoveTheCellCursor)
{
    OpenBarTab(1);
    CEditListCtrl& grid = static_cast<CEditListCtrl&>(BarList(0));
    const int lastRow = grid.GetItemCount() - 1;
    const int pageEnd = grid.GetCountPerPage() - 1;
    struct CCase
    {
        const char* what;
        bool grid;
        int row, column; // start
        UINT key;
        bool control;
        int toRow, toColumn;
    };
    const CCase cases[] = {
        {"Right", true, 5, 4, VK_RIGHT, false, 5, 5},
        {"Left", true, 5, 4, VK_LEFT, false, 5, 3},
        {"Left from the first unit", true, 5, 1, VK_LEFT, false, 4, 16},
        {"Right from the last unit", true, 5, 16, VK_RIGHT, false, 6, 1},
        {"Down", true, 5, 4, VK_DOWN, false, 6, 4},
        {"Up", true, 5, 4, VK_UP, false, 4, 4},
        {"Home", true, 5, 4, VK_HOME, false, 5, 1},
        {"End", true, 5, 4, VK_END, false, 5, 16},
        {"Ctrl+Home", true, 5, 4, VK_HOME, true, 0, 4},
        {"Ctrl+End", true, 5, 4, VK_END, true, lastRow, 4},
        {"Page Down", true, 5, 4, VK_NEXT, false, pageEnd, 4},
        {"Page Up", true, 5, 4, VK_PRIOR, false, 0, 4},
        {"Down in the register list", false, kCommandRow, kValueColumn, VK_DOWN, false, kCommandRow + 1, kValueColumn},
        {"Right in the register list", false, kCommandRow, kValueColumn, VK_RIGHT, false, kCommandRow, kValueColumn},
        {"Home in the register list", false, kCommandRow, kValueColumn, VK_HOME, false, 0, kValueColumn},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        CEditListCtrl& list = c.grid ? grid : ConfigList();
        ClickTab(c.grid ? 1 : 0);
        list.EnsureVisible(0, FALSE);
        ASSERT_TRUE(list.SetCursorCell(c.row, c.column));
        list.SetFocus();
        CTestSeams::PressKey(c.key, false, c.control, false, list.m_hWnd);
        EXPECT_EQ(c.toRow, list.GetCursorRow());
        EXPECT_EQ(c.toColumn, list.GetCursorColumn());
        EXPECT_EQ(std::vector<int>{c.toRow}, list.GetSelectedRows()) << "the selection, which Ctrl+C copies, follows";
        EXPECT_EQ(nullptr, OpenEdit());
    }
}

// A click puts the cursor on the clicked row, and on the clicked cell where that can be
// edited, so that the digit typed next edits that cell.
TEST_F(EditingCells, AClickPutsTheCursorOnTheClickedCell)
{
    OpenBarTab(1);
    struct CCase
    {
        const char* what;
        bool grid;
        int fromRow, fromColumn;
        int row, column; // clicked
        int toColumn;
    };
    const CCase cases[] = {
        {"unit of another row", true, 2, 1, 6, 5, 5},
        {"address of another row", true, 2, 3, 6, 0, 3},
        {"text of another row", true, 2, 3, 6, 17, 3},
        {"name in the register list", false, kCommandRow, kValueColumn, kLatencyRow, 2, kValueColumn},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTab(c.grid ? 1 : 0);
        CEditListCtrl& list = c.grid ? static_cast<CEditListCtrl&>(BarList(0)) : ConfigList();
        list.EnsureVisible(0, FALSE);
        ASSERT_TRUE(list.SetCursorCell(c.fromRow, c.fromColumn));
        CTestSeams::Click(list.m_hWnd, CellMiddle(list, c.row, c.column));
        EXPECT_EQ(c.row, list.GetCursorRow());
        EXPECT_EQ(c.toColumn, list.GetCursorColumn());
        EXPECT_EQ(std::vector<int>{c.row}, list.GetSelectedRows()) << "what Ctrl+C copies";
        CTestSeams::TypeText("5", list.m_hWnd);
        HWND edit = OpenEdit();
        ASSERT_NE(nullptr, edit);
        auto* object = static_cast<CInPlaceEdit*>(CWnd::FromHandlePermanent(edit));
        EXPECT_EQ(c.row, object->GetItem());
        EXPECT_EQ(c.toColumn, object->GetSubItem());
        CTestSeams::PressKey(VK_ESCAPE, false, false, false, edit);
    }
}

// Enter, F2 or a digit opens the edit on the cursor; Enter and Tab write and move on without
// reopening it, Escape writes nothing and stays. The grid cells are in row 1, offsets 10h-1Fh.
TEST_F(EditingCells, KeyboardEditsWriteTheCursorCellAndMoveOn)
{
    uint8_t saved[16] = {};
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x10, saved, 1, sizeof saved));
    OpenBarTab(1);
    struct CCase
    {
        const char* what;
        bool grid;
        int column;
        std::function<void(HWND)> open;
        const char* typed;
        UINT endKey;
        bool shift;
        int written; // -1: nothing
        int toRow, toColumn;
    };
    auto press = [](UINT key) { return [key](HWND list) { CTestSeams::PressKey(key, false, false, false, list); }; };
    auto type = [](const char* text) { return [text](HWND list) { CTestSeams::TypeText(text, list); }; };
    const CCase cases[] = {
        {"F2, Enter", true, 4, press(VK_F2), "5A", VK_RETURN, false, 0x5A, 1, 5},
        {"Enter, Tab", true, 4, press(VK_RETURN), "5B", VK_TAB, false, 0x5B, 1, 5},
        {"Enter, Shift+Tab", true, 4, press(VK_RETURN), "5C", VK_TAB, true, 0x5C, 1, 3},
        {"hex digit, Enter", true, 4, type("c"), "d", VK_RETURN, false, 0xCD, 1, 5},
        {"digit, Escape", true, 4, type("7"), "7", VK_ESCAPE, false, -1, 1, 4},
        {"last unit, Enter", true, 16, press(VK_F2), "5D", VK_RETURN, false, 0x5D, 2, 1},
        {"register digit, Enter", false, kValueColumn, type("2"), "1", VK_RETURN, false, 0x21, kLatencyRow + 1,
         kValueColumn},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        m_vga->WriteDeviceData(0, 0x10, saved, 1, sizeof saved);
        ClickTab(c.grid ? 1 : 0);
        CEditListCtrl& list = c.grid ? static_cast<CEditListCtrl&>(BarList(0)) : ConfigList();
        const int row = c.grid ? 1 : kLatencyRow;
        ASSERT_TRUE(list.SetCursorCell(row, c.column));
        list.SetFocus();
        c.open(list.m_hWnd);
        HWND edit = OpenEdit();
        ASSERT_NE(nullptr, edit);
        auto* object = static_cast<CInPlaceEdit*>(CWnd::FromHandlePermanent(edit));
        EXPECT_EQ(row, object->GetItem());
        EXPECT_EQ(c.column, object->GetSubItem());
        CTestSeams::TypeText(c.typed, edit);
        CTestSeams::PressKey(c.endKey, c.shift, false, false, edit);
        EXPECT_EQ(nullptr, OpenEdit()) << "the edit is not reopened";
        EXPECT_EQ(list.m_hWnd, ::GetFocus());
        EXPECT_EQ(c.toRow, list.GetCursorRow());
        EXPECT_EQ(c.toColumn, list.GetCursorColumn());
        if (!c.grid) {
            EXPECT_EQ(uint32_t(c.written), m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1));
            continue;
        }
        uint8_t value = 0;
        ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x10 + c.column - 1, &value, 1, 1));
        EXPECT_EQ(c.written == -1 ? saved[c.column - 1] : c.written, value);
    }
    m_vga->WriteDeviceData(0, 0x10, saved, 1, sizeof saved);
}

// In decimal display a letter is no digit: it opens nothing.
TEST_F(EditingCells, LettersOpenNothingInDecimalDisplay)
{
    m_view->SendMessage(WM_COMMAND, ID_VIEW_HEXADECIMAL);
    ASSERT_TRUE(ConfigList().SetCursorCell(kLatencyRow, kValueColumn));
    ConfigList().SetFocus();
    CTestSeams::TypeText("a", ConfigList().m_hWnd);
    EXPECT_EQ(nullptr, OpenEdit());
    m_view->SendMessage(WM_COMMAND, ID_VIEW_HEXADECIMAL);
}

TEST_F(EditingCells, EscapeWritesNothingAndEveryOtherWayOutCommits)
{
    CEditListCtrl& list = ConfigList();
    const std::string before = list.GetItemText(kLatencyRow, kValueColumn);

    DoubleClickCell(list, kLatencyRow, kValueColumn);
    TypeAndEnd("22", VK_ESCAPE);
    EXPECT_EQ(nullptr, OpenEdit());
    EXPECT_EQ(before, list.GetItemText(kLatencyRow, kValueColumn));
    EXPECT_EQ(m_savedLatency, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1));

    struct Way {
        const char* name;
        const char* typed;
        std::function<void()> leave;
    };
    const Way ways[] = {
        {"Enter", "21", [&] { CTestSeams::PressKey(VK_RETURN, false, false, false, OpenEdit()); }},
        {"Tab", "22", [&] { CTestSeams::PressKey(VK_TAB, false, false, false, OpenEdit()); }},
        {"click elsewhere", "23", [&] { ::SetFocus(m_view->GetTabCtrl().m_hWnd); CTestSeams::PumpUntilIdle(); }},
        {"scrolling", "24", [&] { list.SendMessage(WM_VSCROLL, SB_LINEDOWN); CTestSeams::PumpUntilIdle(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        list.EnsureVisible(0, FALSE);
        DoubleClickCell(list, kLatencyRow, kValueColumn);
        HWND edit = OpenEdit();
        ASSERT_NE(nullptr, edit);
        ::SetWindowTextA(edit, way.typed);
        way.leave();
        EXPECT_FALSE(::IsWindow(edit)) << "the edit is gone";
        const uint32_t expected = strtoul(way.typed, nullptr, 16);
        EXPECT_EQ(expected, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1));
        EXPECT_EQ(std::string(way.typed) + "h", list.GetItemText(kLatencyRow, kValueColumn));
    }
    EXPECT_TRUE(m_beeps.empty());
}

// Only a read-back other than the register catalogue predicts beeps: read-only bits that keep
// their value, and status error bits typed as zero, are what was expected.
TEST_F(EditingCells, ValuesTheDeviceDoesNotKeepBeepAndShowWhatItHolds)
{
    CEditListCtrl& list = ConfigList();
    char command[8];
    snprintf(command, sizeof command, "%04Xh", 0x0557 | (m_savedCommand & ~0x0557));
    struct CCase
    {
        const char* what;
        int row;
        const char* typed;
        bool hostOwned; // a question comes first, answered yes
        size_t beeps;
        std::string shown;
    };
    const CCase cases[] = {
        {"read-only vendor ID", kVendorRow, "1234", false, 0, "1002h"},
        {"status typed zero", kStatusRow, "0000", false, 0, "02B0h"},
        {"status error bits not set", kStatusRow, "FFFF", false, 0, "02B0h"},
        {"command: only 0557h is writable", kCommandRow, "FFFF", false, 0, command},
        {"BAR 0 keeps only the bits its size allows", kBar0Row, "FFFFFFFF", true, 1, "FC000008h"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        m_beeps.clear();
        m_questions.clear();
        Answer(c.hostOwned ? std::vector<int>{IDYES} : std::vector<int>{});
        DoubleClickCell(list, c.row, kValueColumn);
        TypeAndEnd(c.typed, VK_RETURN);
        EXPECT_EQ(c.hostOwned ? 1u : 0u, m_questions.size());
        ASSERT_EQ(c.beeps, m_beeps.size());
        if (c.beeps != 0) {
            EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), m_beeps[0]);
        }
        EXPECT_EQ(c.shown, list.GetItemText(c.row, kValueColumn));
    }
}

// A text that is not a number of the register's width beeps and writes nothing.
TEST_F(EditingCells, RefusedTextsBeepAndLeaveTheRegister)
{
    CEditListCtrl& list = ConfigList();
    struct CCase
    {
        int row;
        uint32_t offset;
        uint8_t size;
        const char* typed;
    };
    const CCase cases[] = {
        {kCommandRow, pci::kCommandOffset, 2, "o117"},
        {kLatencyRow, kLatencyOffset, 1, "1FF"},
        {kLatencyRow, kLatencyOffset, 1, "4O"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.typed);
        m_beeps.clear();
        const std::string shown = list.GetItemText(c.row, kValueColumn);
        const uint32_t held = m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, c.offset, c.size);
        DoubleClickCell(list, c.row, kValueColumn);
        TypeAndEnd(c.typed, VK_RETURN);
        EXPECT_EQ(1u, m_beeps.size());
        EXPECT_EQ(shown, list.GetItemText(c.row, kValueColumn));
        EXPECT_EQ(held, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, c.offset, c.size));
    }
}

// After an edit every cell of the list shows what the device holds, the decoded texts too.
TEST_F(EditingCells, AnEditRewritesTheDecodedTexts)
{
    CEditListCtrl& list = ConfigList();
    const std::string before = list.GetItemText(kLatencyRow, kDecodedColumn);
    DoubleClickCell(list, kLatencyRow, kValueColumn);
    TypeAndEnd(m_savedLatency == 0x40 ? "20" : "40", VK_RETURN);
    EXPECT_NE(before, list.GetItemText(kLatencyRow, kDecodedColumn));
    CConfigSpaceModel fresh;
    fresh.SetFunction(m_vga);
    ASSERT_EQ(int(fresh.GetRows().size()), list.GetItemCount());
    for (int row = 0; row < list.GetItemCount(); ++row) {
        for (int column = 0; column < CRegisterRow::kColumnCount; ++column)
            EXPECT_EQ(fresh.GetRows()[size_t(row)].Column(column), list.GetItemText(row, column))
                << "row " << row << " column " << column;
    }
}

TEST_F(EditingCells, TheEditGrowsWithItsTextAndNeverShrinks)
{
    DoubleClickCell(ConfigList(), kLatencyRow, kValueColumn);
    HWND edit = OpenEdit();
    ASSERT_NE(nullptr, edit);
    auto width = [edit] {
        RECT rect;
        ::GetWindowRect(edit, &rect);
        return rect.right - rect.left;
    };
    const int initial = width();
    for (int i = 0; i < 40; ++i)
        ::SendMessageA(edit, WM_CHAR, '7', 0);
    const int grown = width();
    EXPECT_GT(grown, initial);
    RECT list;
    ::GetClientRect(ConfigList().m_hWnd, &list);
    RECT rect;
    ::GetWindowRect(edit, &rect);
    ::MapWindowPoints(nullptr, ConfigList().m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_LE(rect.right, list.right);
    for (int i = 0; i < 40; ++i)
        ::SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(grown, width());
    TypeAndEnd("", VK_ESCAPE);
}

TEST_F(EditingCells, ControlKeysStayInTheEdit)
{
    DoubleClickCell(ConfigList(), kLatencyRow, kValueColumn);
    HWND edit = OpenEdit();
    ASSERT_NE(nullptr, edit);
    ::SetWindowTextA(edit, "AB");
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    CTestSeams::PressKey('C', false, true, false, edit);
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    CTestSeams::PressKey('V', false, true, false, edit);
    ASSERT_EQ(edit, OpenEdit()) << "the edit is still open";
    char text[16] = {};
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ("ABAB", text);
    // Ctrl+Z is also the frame's Undo Write: inside the edit it undoes the typing.
    CTestSeams::PressKey('Z', false, true, false, edit);
    ::GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ("AB", text) << "Ctrl+Z undid the paste";
    TypeAndEnd("", VK_ESCAPE);
}

TEST_F(EditingCells, ACellPartlyScrolledOutIsScrolledInFirst)
{
    CEditListCtrl& list = ConfigList();
    list.SetColumnWidth(4, 2000);
    list.Scroll(CSize(450, 0));
    CTestSeams::PumpUntilIdle();
    CRect row;
    list.GetItemRect(kLatencyRow, &row, LVIR_BOUNDS);
    ASSERT_LT(row.left + 400, 0) << "the Value cell starts left of the border";
    CInPlaceEdit* edit = list.BeginCellEdit(kLatencyRow, kValueColumn);
    ASSERT_NE(nullptr, edit);
    CRect rect;
    edit->GetWindowRect(&rect);
    list.ScreenToClient(&rect);
    EXPECT_EQ(4, rect.left) << "the cell's left edge is at the border";
    TypeAndEnd("", VK_ESCAPE);
}

TEST_F(EditingCells, BarUnitsAreWrittenAndReadBack)
{
    OpenBarTab(1);
    CListCtrl& grid = BarList(0);
    Paint();
    uint8_t saved = 0;
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x13, &saved, 1, 1));

    // The address and ASCII columns open nothing.
    DoubleClickCell(grid, 1, 0);
    EXPECT_EQ(nullptr, OpenEdit());
    DoubleClickCell(grid, 1, 17);
    EXPECT_EQ(nullptr, OpenEdit());

    DoubleClickCell(grid, 1, 4);
    ASSERT_NE(nullptr, OpenEdit());
    TypeAndEnd("5Ah", VK_RETURN);
    uint8_t value = 0;
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x13, &value, 1, 1));
    EXPECT_EQ(0x5A, value);
    EXPECT_EQ("5Ah", grid.GetItemText(1, 4));
    EXPECT_TRUE(m_beeps.empty());

    // In decimal display 300 does not fit the byte: it beeps and is not written.
    m_view->SendMessage(WM_COMMAND, ID_VIEW_HEXADECIMAL);
    DoubleClickCell(grid, 1, 4);
    TypeAndEnd("300", VK_RETURN);
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x13, &value, 1, 1));
    EXPECT_EQ(0x5A, value);
    EXPECT_EQ("90d", grid.GetItemText(1, 4));
    EXPECT_EQ(1u, m_beeps.size());
    m_vga->WriteDeviceData(0, 0x13, &saved, 1, 1);
}

TEST_F(EditingCells, ReadOnlyBarBytesBeepAndShowTheDevicesValue)
{
    OpenBarTab(3);
    CListCtrl& grid = BarList(2);
    grid.EnsureVisible(0x0E, FALSE);
    Paint();
    DoubleClickCell(grid, 0x0E, 1);
    TypeAndEnd("00", VK_RETURN);
    ASSERT_EQ(1u, m_beeps.size());
    EXPECT_EQ("46h", grid.GetItemText(0x0E, 1));
}

TEST_F(EditingCells, AnEditOpenWhileTheTabChangesWritesWhereItWasOpened)
{
    uint8_t bar0Byte = 0;
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x92, &bar0Byte, 1, 1));
    DoubleClickCell(ConfigList(), kLatencyRow, kValueColumn);
    ASSERT_NE(nullptr, OpenEdit());
    ::SetWindowTextA(OpenEdit(), "30");
    // The tab row never takes the focus; the change of tab commits the edit first.
    OpenBarTab(1);
    EXPECT_EQ(nullptr, OpenEdit());
    EXPECT_EQ(0x30u, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1));
    uint8_t after = 0;
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0x92, &after, 1, 1));
    EXPECT_EQ(bar0Byte, after) << "row 9, column 3 of the BAR grid is untouched";
}

// F5 rereads the function the configuration page shows, with what the device holds now.
TEST_F(EditingCells, RefreshingTheActivePaneRereadsTheConfigurationPage)
{
    m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1, 0x44);
    EXPECT_NE("44h", ConfigList().GetItemText(kLatencyRow, kValueColumn)) << "changed behind the page's back";
    m_view->SendMessage(WM_COMMAND, ID_REFRESH_ACTIVE_PANE);
    EXPECT_EQ("44h", ConfigList().GetItemText(kLatencyRow, kValueColumn));
    EXPECT_EQ(0x44, m_vga->m_lastRead[kLatencyOffset]);
}

// Whatever changes what a list shows first commits an open edit to the cell it was opened on,
// read in the radix and at the unit width shown then.
TEST_F(EditingCells, AnOpenEditIsCommittedToItsTargetBeforeItsListChanges)
{
    CPciFunction* other = ReadFunction(kAgpBridge.bus, kAgpBridge.device, kAgpBridge.function);
    const uint8_t otherLatency = other->GetConfigByte(kLatencyOffset);
    uint8_t savedBytes[12] = {};
    ASSERT_TRUE(m_vga->ReadDeviceData(0, 0, savedBytes, 1, sizeof savedBytes));
    struct CCase
    {
        const char* what;
        bool onBar;  // BAR 0 unit +02h of row 0 at 8 bits, else the latency register
        const char* typed;
        std::function<void()> change;
    };
    const CCase cases[] = {
        {"unit width switched to 32 bits", true, "5A", [this] { m_view->SendMessage(WM_COMMAND, ID_VIEW_32BIT); }},
        {"page refreshed", true, "5A", [this] { m_view->SendMessage(WM_COMMAND, ID_PAGE_REFRESH); }},
        {"another function selected", false, "1F", [this, other] { Select(other); }},
        {"radix toggled", false, "1F", [this] { m_view->SendMessage(WM_COMMAND, ID_VIEW_HEXADECIMAL); }},
    };
    bool warned = false;
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        CBarPage::ResetDisplaySettings();
        Select(m_vga);
        if (c.onBar && !warned)
            OpenBarTab(1);
        else if (c.onBar)
            ClickTab(1);
        warned = warned || c.onBar;
        DoubleClickCell(c.onBar ? BarList(0) : ConfigList(), c.onBar ? 0 : kLatencyRow, c.onBar ? 3 : kValueColumn);
        ASSERT_NE(nullptr, OpenEdit());
        ::SetWindowTextA(OpenEdit(), c.typed);
        c.change();
        EXPECT_EQ(nullptr, OpenEdit());
        if (c.onBar) {
            uint8_t bytes[12] = {};
            ASSERT_TRUE(m_vga->ReadDeviceData(0, 0, bytes, 1, sizeof bytes));
            EXPECT_EQ(0x5A, bytes[2]);
            EXPECT_EQ(0, memcmp(bytes + 8, savedBytes + 8, 4)) << "the dword at +08h is untouched";
            m_vga->WriteDeviceData(0, 0, savedBytes, 1, sizeof savedBytes);
        } else {
            EXPECT_EQ(0x1Fu, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, kLatencyOffset, 1));
            EXPECT_EQ(otherLatency, other->ReadConfig(kAgpBridge.bus, kAgpBridge.device, kAgpBridge.function,
                                                      kLatencyOffset, 1));
        }
    }
    m_view->SendMessage(WM_COMMAND, ID_VIEW_HEXADECIMAL);
    CBarPage::ResetDisplaySettings();
}
