// Selecting functions in the tree: which tabs the function view shows, the register rows
// of the configuration tab, and the two questions a first BAR tab may ask.
#include "controls/PaneColors.h"
#include "tests/funcview/FunctionViewFixture.h"

#include <iterator>

#include "decode/ConfigSpaceModel.h"
#include "views/ConfigSpacePage.h"

namespace {

using Tabs = std::vector<std::string>;

const std::string kConfigTab = "Configuration Space";

// Every function's tabs end with these two, after the BAR tabs.
Tabs WithTrailingTabs(Tabs tabs)
{
    tabs.insert(tabs.end(), {"Capabilities", "Hex"});
    return tabs;
}

void SetBar(CPciFunction& function, int index, uint32_t value)
{
    const uint32_t offset = pci::kBar0Offset + 4 * index;
    for (int i = 0; i < 4; ++i)
        function.m_image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void SetBars(CPciFunction& function, const std::vector<uint32_t>& bars)
{
    for (int i = 0; i < int(pci::kMaxBars); ++i)
        SetBar(function, i, i < static_cast<int>(bars.size()) ? bars[i] : 0);
}

} // namespace

using SelectingFunctions = FunctionViewTest;

TEST_F(SelectingFunctions, TabsFollowThePresentBarsOfTheMachine)
{
    struct Case {
        CFunctionAddress address;
        Tabs tabs;
    };
    const Case cases[] = {
        {kVga, {kConfigTab, "BAR 0", "BAR 1", "BAR 2"}},
        // BAR 0 is 64-bit: BAR 1 holds its upper half.
        {kEthernet, {kConfigTab, "BAR 0", "BAR 2"}},
        // 64-bit BARs in odd slots: their upper halves (BAR 2 = 0, BAR 4 = 1) are examined as BARs.
        {kScsi, {kConfigTab, "BAR 0", "BAR 1", "BAR 3"}},
        {kCardBus, {kConfigTab}},
        {kAgpBridge, {kConfigTab}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.address.bus << ":" << c.address.device << "." << c.address.function);
        auto function = ReadFunction(c.address.bus, c.address.device, c.address.function);
        Select(function);
        EXPECT_EQ(WithTrailingTabs(c.tabs), TabTexts());
        EXPECT_EQ(0, CurrentTab());
    }
    Select(nullptr);
    EXPECT_EQ(Tabs{kConfigTab}, TabTexts()) << "no function: neither Capabilities nor Hex";
    EXPECT_EQ(0, ConfigList().GetItemCount());
}

TEST_F(SelectingFunctions, BarValuesDecideWhichTabsExist)
{
    struct Case {
        const char* name;
        uint8_t headerType;
        std::vector<uint32_t> bars;
        Tabs tabs;
    };
    const Case cases[] = {
        {"64-bit BAR 0 with upper half 1", 0, {0xE000000C, 1}, {kConfigTab, "BAR 0"}},
        {"BAR 3 after 64-bit BAR 0 and empty BAR 2", 0, {0xE0000004, 0, 0, 0xFD000000}, {kConfigTab, "BAR 0", "BAR 3"}},
        {"no address in an I/O and a memory BAR", 0, {0x00000001, 0x00000008}, {kConfigTab}},
        {"small addresses", 0, {0x301, 0x800}, {kConfigTab, "BAR 0", "BAR 1"}},
        {"only BAR 2 and BAR 5", 0, {0, 0, 0xD000, 0, 0, 0xE001}, {kConfigTab, "BAR 2", "BAR 5"}},
        {"bridge with six values", 1, {0xD000, 0xE001, 0xF000, 0xF100, 0xF200, 0xF300}, {kConfigTab, "BAR 0", "BAR 1"}},
        {"multi-function bridge", 0x81, {0xD000}, {kConfigTab, "BAR 0"}},
        {"CardBus bridge", 2, {0xD000, 0xE001}, {kConfigTab}},
        {"unknown header type", 3, {0xD000}, {kConfigTab}},
    };
    auto function = ReadFunction(kVga.bus, kVga.device, kVga.function);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        function->m_image[pci::kHeaderTypeOffset] = c.headerType;
        SetBars(*function, c.bars);
        Select(function);
        EXPECT_EQ(WithTrailingTabs(c.tabs), TabTexts());
    }
}

// Consecutive functions of one layout keep the list's rows and rewrite their cells;
// the list must still look as after a refill: nothing selected.
TEST_F(SelectingFunctions, ConfigurationListShowsTheModelRows)
{
    for (const CFunctionAddress& address : {kVga, kEthernet, kUsb, kAgpBridge, kCardBus, kScsi}) {
        SCOPED_TRACE(testing::Message() << address.bus << ":" << address.device << "." << address.function);
        CEditListCtrl& list = ConfigList();
        if (list.GetItemCount() > 0) {
            list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            list.EnsureVisible(list.GetItemCount() - 1, FALSE);
        }
        auto function = ReadFunction(address.bus, address.device, address.function);
        Select(function);
        CConfigSpaceModel model;
        model.SetFunction(function);
        const auto& rows = model.GetRows();
        EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED | LVNI_FOCUSED)) << "a row stayed selected";
        ASSERT_EQ(static_cast<int>(rows.size()), list.GetItemCount());
        for (int r = 0; r < list.GetItemCount(); ++r) {
            for (int c = 0; c < CRegisterRow::kColumnCount; ++c)
                ASSERT_EQ(rows[r].Column(c), list.GetItemText(r, c)) << "row " << r << " column " << c;
            ASSERT_EQ(rows[r].Tag(), list.GetItemData(r)) << "row " << r;
        }
    }
    EXPECT_EQ((std::vector<std::string>{"Offset", "Size", "Name", "Value", "Decoded Information"}),
              Headings(ConfigList()));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), ConfigList().GetExtendedStyle());
    EXPECT_EQ(kPaneBackgroundColor, ConfigList().GetBkColor());
}

TEST_F(SelectingFunctions, SelectingAnotherItemLeavesTheBarTabFirst)
{
    auto vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
    auto ethernet = ReadFunction(kEthernet.bus, kEthernet.device, kEthernet.function);
    Select(vga);
    Answer({IDYES});
    ClickTab(3);
    ASSERT_EQ(3, CurrentTab());
    EXPECT_TRUE(BarList(2).IsWindowVisible());

    Select(ethernet);
    EXPECT_EQ(0, CurrentTab());
    EXPECT_TRUE(ConfigList().IsWindowVisible());
    for (int bar = 0; bar < int(pci::kMaxBars); ++bar)
        EXPECT_FALSE(BarList(bar).IsWindowVisible()) << "BAR " << bar;
    EXPECT_EQ(ethernet, m_view->GetConfigSpacePage()->GetFunction());
}

using AnsweringBarQuestions = FunctionViewTest;

TEST_F(AnsweringBarQuestions, NoKeepsThePreviousTabAndAsksAgainNextTime)
{
    auto vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
    Select(vga);
    Answer({IDNO});
    ClickTab(1);
    EXPECT_EQ(0, CurrentTab());
    EXPECT_TRUE(ConfigList().IsWindowVisible());
    EXPECT_FALSE(BarList(0).IsWindowVisible());
    ASSERT_EQ(1u, m_questions.size());
    EXPECT_EQ(CPciFunctionView::kBarWarningText, m_questions[0]);

    Answer({IDNO});
    ClickTab(2);
    EXPECT_EQ(0, CurrentTab());
    EXPECT_EQ(2u, m_questions.size());
}

// The tab keys' commands wrap around the row; the first step onto a BAR tab asks like a click.
TEST_F(AnsweringBarQuestions, TabKeysCycleTheTabsAndTheFirstBarTabAsks)
{
    Select(ReadFunction(kVga.bus, kVga.device, kVga.function));
    const int last = static_cast<int>(TabTexts().size()) - 1;
    ASSERT_EQ("Hex", TabTexts()[static_cast<size_t>(last)]);
    struct CStep
    {
        UINT command;
        int answer;  // for the question, when one is asked
        int tab;
        size_t questions;
    };
    const CStep steps[] = {
        {ID_PREV_FUNCTION_TAB, 0, last, 0}, {ID_NEXT_FUNCTION_TAB, 0, 0, 0},
        {ID_NEXT_FUNCTION_TAB, IDNO, 0, 1}, {ID_NEXT_FUNCTION_TAB, IDYES, 1, 2},
        {ID_NEXT_FUNCTION_TAB, 0, 2, 2},    {ID_PREV_FUNCTION_TAB, 0, 1, 2},
        {ID_PREV_FUNCTION_TAB, 0, 0, 2},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        if (steps[i].answer != 0)
            Answer({steps[i].answer});
        m_view->SendMessage(WM_COMMAND, steps[i].command);
        CTestSeams::PumpUntilIdle();
        EXPECT_EQ(steps[i].tab, CurrentTab());
        EXPECT_EQ(steps[i].questions, m_questions.size());
    }
}

TEST_F(AnsweringBarQuestions, YesIsRememberedForEveryBarTabOfTheView)
{
    auto vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
    auto ethernet = ReadFunction(kEthernet.bus, kEthernet.device, kEthernet.function);
    Select(vga);
    Answer({IDYES});
    ClickTab(1);
    EXPECT_EQ(1, CurrentTab());
    EXPECT_TRUE(BarList(0).IsWindowVisible());
    EXPECT_FALSE(ConfigList().IsWindowVisible());
    ClickTab(2);
    EXPECT_EQ(2, CurrentTab());
    Select(ethernet);
    ClickTab(1);
    EXPECT_EQ(1, CurrentTab());
    EXPECT_EQ(1u, m_questions.size());
}

TEST_F(AnsweringBarQuestions, UnknownSizeAsksToProbeAtEveryRebuild)
{
    auto scsi = ReadFunction(kScsi.bus, kScsi.device, kScsi.function);
    ASSERT_EQ(0u, scsi->m_barSizes[0]) << "the SCSI controller has no assigned resources";
    Select(scsi);
    Answer({IDYES, IDNO});
    ClickTab(1);
    ASSERT_EQ(1, CurrentTab());
    ASSERT_EQ(2u, m_questions.size());
    EXPECT_EQ(CPciFunctionView::kBarWarningText, m_questions[0]);
    EXPECT_NE(std::string::npos, m_questions[1].find("To determine the BAR size"));
    EXPECT_EQ(1, BarList(0).GetItemCount()) << "declined: one row of the unknown range";

    // Still unknown: every rebuild asks again; Yes probes and remembers the size.
    Answer({IDNO});
    m_view->SendMessage(WM_COMMAND, ID_PAGE_REFRESH);
    EXPECT_EQ(3u, m_questions.size());
    Answer({IDYES});
    m_view->SendMessage(WM_COMMAND, ID_VIEW_16BIT);
    EXPECT_EQ(4u, m_questions.size());
    EXPECT_EQ(256u, scsi->m_barSizes[0]);
    EXPECT_EQ(16, BarList(0).GetItemCount());
    m_view->SendMessage(WM_COMMAND, ID_PAGE_REFRESH);
    EXPECT_EQ(4u, m_questions.size());
}
