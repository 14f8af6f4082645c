// The Capabilities and Hex pages: what they list, that neither asks the BAR question, and
// that an edit on either writes the device, shows the read-back and beeps when it was not kept.
#include "tests/funcview/FunctionViewFixture.h"

#include <algorithm>

#include "views/CapabilitiesPage.h"
#include "views/SpaceHexPage.h"

namespace {

constexpr int kValueColumn = 3;
// The graphics card's capabilities: AGP at 50h, then power management at 5Ch.
constexpr uint32_t kPowerControlOffset = 0x60;
constexpr uint32_t kInterruptLineOffset = 0x3C;

} // namespace

class UsingTheNewPages : public FunctionViewTest {
protected:
    void SetUp() override
    {
        FunctionViewTest::SetUp();
        m_vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
        m_saved = {m_vga->GetSpaceValue(kPowerControlOffset, 2), m_vga->GetSpaceValue(kInterruptLineOffset, 1)};
        Select(m_vga);
    }
    void TearDown() override
    {
        // Put back what the tests wrote, so later programs meet the machine unchanged.
        m_vga->WriteSpaceRegister(kPowerControlOffset, 2, m_saved[0]);
        m_vga->WriteSpaceRegister(kInterruptLineOffset, 1, m_saved[1]);
        CBarPage::ResetDisplaySettings();
        FunctionViewTest::TearDown();
    }
    // The tab after the BAR tabs with the given text; no question is answered.
    void OpenTab(const std::string& text)
    {
        const std::vector<std::string> tabs = TabTexts();
        const auto found = std::find(tabs.begin(), tabs.end(), text);
        ASSERT_NE(tabs.end(), found) << text;
        ClickTab(int(found - tabs.begin()));
        ASSERT_EQ(int(found - tabs.begin()), CurrentTab()) << text;
    }
    int RowAt(CListCtrl& list, const std::string& offset) const
    {
        for (int row = 0; row < list.GetItemCount(); ++row) {
            if (list.GetItemText(row, 0) == offset)
                return row;
        }
        return -1;
    }

    CPciFunction* m_vga = nullptr;
    std::vector<uint32_t> m_saved;
};

TEST_F(UsingTheNewPages, CapabilitiesListsEachCapabilityWithItsHeaderRow)
{
    ASSERT_NO_FATAL_FAILURE(OpenTab("Capabilities"));
    EXPECT_TRUE(m_questions.empty()) << "no BAR question";
    CEditListCtrl& list = m_view->GetCapabilitiesPage()->GetList();
    EXPECT_TRUE(::IsWindowVisible(list.m_hWnd));
    EXPECT_EQ((std::vector<std::string>{"Offset", "Size", "Name", "Value", "Decoded Information"}), Headings(list));
    std::vector<std::string> headers;
    const auto& rows = m_view->GetCapabilitiesPage()->GetModel().GetRows();
    ASSERT_EQ(int(rows.size()), list.GetItemCount());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].header)
            headers.push_back(list.GetItemText(int(i), 0) + " " + list.GetItemText(int(i), 4));
    }
    ASSERT_EQ(2u, headers.size());
    EXPECT_EQ("50h ID 02h AGP, next 5Ch", headers[0]);
    EXPECT_EQ("5Ch ID 01h Power Management, next 00h", headers[1]);
}

TEST_F(UsingTheNewPages, EditsWriteTheDeviceShowTheReadBackAndBeepWhenNotKept)
{
    struct Case
    {
        const char* name;
        const char* tab;
        const char* offsetText; // the row's address column
        int column;
        uint32_t offset;
        uint32_t size;
        const char* typed;
        uint32_t kept; // what the device holds afterwards
        const char* shown;
        bool beeps;
    };
    const Case cases[] = {
        {"power state D3", "Capabilities", "60h", kValueColumn, kPowerControlOffset, 2, "3", 3, "0003h", false},
        // Read-only registers that keep their value read back as predicted: no beep.
        {"capability ID and next pointer", "Capabilities", "5Ch", kValueColumn, 0x5C, 2, "7", 1, "0001h", false},
        {"interrupt line", "Hex", "00000030h", 1 + 0xC, kInterruptLineOffset, 1, "5", 5, "05h", false},
        {"vendor ID byte", "Hex", "00000000h", 1, 0, 1, "FF", 0x02, "02h", false},
        {"too wide for the power control", "Capabilities", "60h", kValueColumn, kPowerControlOffset, 2, "10003", 3,
         "0003h", true},
        {"not a number for the interrupt line", "Hex", "00000030h", 1 + 0xC, kInterruptLineOffset, 1, "o5", 5, "05h",
         true},
    };
    // The power state belongs to the host: on an image its change is confirmed first.
    Answer({IDYES});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_beeps.clear();
        ASSERT_NO_FATAL_FAILURE(OpenTab(c.tab));
        CEditListCtrl& list = std::string(c.tab) == "Hex" ? m_view->GetSpaceHexPage()->GetList()
                                                          : m_view->GetCapabilitiesPage()->GetList();
        const int row = RowAt(list, c.offsetText);
        ASSERT_GE(row, 0);
        DoubleClickCell(list, row, c.column);
        TypeAndEnd(c.typed, VK_RETURN);
        EXPECT_EQ(c.kept, m_vga->ReadConfig(kVga.bus, kVga.device, kVga.function, c.offset, uint8_t(c.size)));
        EXPECT_EQ(c.shown, list.GetItemText(row, c.column));
        EXPECT_EQ(c.beeps ? 1u : 0u, m_beeps.size());
    }
    ASSERT_EQ(1u, m_questions.size()) << "no BAR question, one about the power state";
    EXPECT_NE(std::string::npos, m_questions[0].find("Power State"));
}

TEST_F(UsingTheNewPages, HexSharesTheBarPagesUnitWidthAndCoversTheWholeSpace)
{
    ASSERT_NO_FATAL_FAILURE(OpenTab("Hex"));
    CEditListCtrl& list = m_view->GetSpaceHexPage()->GetList();
    EXPECT_EQ(int(m_vga->GetSpaceSize() / 16), list.GetItemCount());
    m_view->SendMessage(WM_COMMAND, ID_VIEW_32BIT);
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(4, CBarPage::GetUnitWidth());
    EXPECT_EQ((std::vector<std::string>{"Address", "+00h", "+04h", "+08h", "+0ch", "ASCII"}), Headings(list));
    EXPECT_EQ("50461002h", list.GetItemText(0, 1));
}

// F5 on the Configuration Space page reads the function again for every page: what the device
// holds now, changed behind the pages' backs, shows on all three, below 100h as above.
TEST_F(UsingTheNewPages, AllThreePagesAgreeAfterTheConfigurationPageIsRefreshed)
{
    ASSERT_NO_FATAL_FAILURE(OpenTab("Capabilities"));
    ASSERT_NO_FATAL_FAILURE(OpenTab("Hex"));
    m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, kPowerControlOffset, 2, 3);
    m_vga->WriteConfig(kVga.bus, kVga.device, kVga.function, kInterruptLineOffset, 1, 5);
    ASSERT_NO_FATAL_FAILURE(OpenTab("Configuration Space"));
    m_view->SendMessage(WM_COMMAND, ID_REFRESH_ACTIVE_PANE);
    CTestSeams::PumpUntilIdle();
    const int lineRow = RowAt(ConfigList(), "3Ch");
    ASSERT_GE(lineRow, 0);
    EXPECT_EQ("05h", ConfigList().GetItemText(lineRow, kValueColumn)) << "Configuration Space";

    ASSERT_NO_FATAL_FAILURE(OpenTab("Capabilities"));
    CEditListCtrl& capabilities = m_view->GetCapabilitiesPage()->GetList();
    const int powerRow = RowAt(capabilities, "60h");
    ASSERT_GE(powerRow, 0);
    EXPECT_EQ("0003h", capabilities.GetItemText(powerRow, kValueColumn)) << "Capabilities";

    ASSERT_NO_FATAL_FAILURE(OpenTab("Hex"));
    CEditListCtrl& hex = m_view->GetSpaceHexPage()->GetList();
    EXPECT_EQ("05h", hex.GetItemText(RowAt(hex, "00000030h"), 1 + 0xC)) << "Hex, interrupt line";
    EXPECT_EQ("03h", hex.GetItemText(RowAt(hex, "00000060h"), 1)) << "Hex, power control";
}
