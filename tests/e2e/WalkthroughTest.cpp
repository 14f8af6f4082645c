// A user's walk through brisco.exe on the machine the driver serves: every tree item,
// every BAR tab with its questions, unit widths and radix from the context menu, a
// register and a BAR unit edited in place, Refresh, About and Options/Exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"
#include "tests/support/DebugOutputCapture.h"

namespace {

constexpr char kAboutCaption[] = "About Brisco";
constexpr char kAboutVersion[] = "Brisco Version 1.0";
constexpr char kGroupLabelMark[] = "Multi Function Device";
constexpr char kEditedInterruptLine[] = "5A";
constexpr char kShownInterruptLine[] = "5Ah";
constexpr char kDecimalInterruptLine[] = "90d";
constexpr char kEditedUnit[] = "A5";
constexpr char kShownUnit[] = "A5h";

class WalkthroughTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_expectedItems = ExpectedTreeItemCount();
        ASSERT_GT(m_expectedItems, 1u) << "the driver serves a machine";
        std::string why;
        ASSERT_TRUE(m_brisco.Start(m_expectedItems, &why)) << why;
    }

    CBriscoProcess m_brisco;
    size_t m_expectedItems = 0;
};

TEST_F(WalkthroughTest, EveryItemEveryBarEditsRefreshAboutAndExit)
{
    char caption[128] = {};
    ::GetWindowTextA(m_brisco.MainWindow(), caption, sizeof caption);
    EXPECT_STREQ("Brisco by Velmora", caption);
    EXPECT_EQ(kConfigSpaceTabText, m_brisco.TabText(0));

    CDebugOutputCapture debug;
    const std::vector<HTREEITEM> items = m_brisco.TreeItems();
    ASSERT_EQ(m_expectedItems, items.size()) << "the walk over the tree reaches every item";

    // Every item: a function lists its registers and gets one tab per present BAR.
    std::vector<HTREEITEM> functionsWithBars;
    HTREEITEM firstFunction = nullptr;
    bool warned = false;
    for (HTREEITEM item : items) {
        const std::string label = m_brisco.TreeItemText(item);
        SCOPED_TRACE("tree item \"" + label + "\"");
        ASSERT_TRUE(m_brisco.SelectTreeItem(item));
        ASSERT_TRUE(m_brisco.Settle()) << "brisco.exe answers after the selection";
        EXPECT_EQ(0, m_brisco.CurrentTab());
        const bool group = label.find(kGroupLabelMark) != std::string::npos;
        HWND config = m_brisco.List(IDC_CONFIG_LIST);
        if (group) {
            EXPECT_EQ(1, m_brisco.TabCount());
            EXPECT_EQ(0, m_brisco.ListItemCount(config));
            continue;
        }
        if (firstFunction == nullptr && item != items.front())
            firstFunction = item;
        ASSERT_GT(m_brisco.ListItemCount(config), 0);
        EXPECT_EQ("Vendor ID", m_brisco.ListItemText(config, 0, CBriscoProcess::kConfigNameColumn));
        // The BAR tabs lie between the configuration tab and the two trailing ones.
        const int tabs = m_brisco.TabCount() - kTrailingTabCount;
        ASSERT_GE(tabs, 1);
        EXPECT_EQ(kCapabilitiesTabText, m_brisco.TabText(tabs));
        EXPECT_EQ(kSpaceHexTabText, m_brisco.TabText(tabs + 1));
        for (int tab = 1; tab < tabs; ++tab) {
            SCOPED_TRACE("tab " + m_brisco.TabText(tab));
            EXPECT_EQ(0u, m_brisco.TabText(tab).rfind("BAR ", 0));
            std::vector<CDialogSeen> questions;
            ASSERT_TRUE(OpenTab(m_brisco, tab, &questions));
            for (const CDialogSeen& question : questions) {
                EXPECT_EQ(kWarningCaption, question.caption);
                const bool known = question.text == kBarWarningText || question.text == kProbeQuestionText;
                EXPECT_TRUE(known) << "unexpected question: " << question.text;
                warned = warned || question.text == kBarWarningText;
            }
            ExpectByteGrid(m_brisco, BarListOfTab(m_brisco, tab));
        }
        if (tabs > 1)
            functionsWithBars.push_back(item);
    }
    EXPECT_EQ(!functionsWithBars.empty(), warned) << "the first BAR tab asks once for confirmation";

    // Unit widths and radix, chosen from the BAR page's context menu.
    ASSERT_FALSE(functionsWithBars.empty()) << "the machine has a function with a BAR";
    ASSERT_TRUE(m_brisco.SelectTreeItem(functionsWithBars.front()));
    ASSERT_TRUE(OpenTab(m_brisco, 1, nullptr));
    HWND grid = BarListOfTab(m_brisco, 1);
    std::string why;
    for (const CUnitWidthCase& width : kUnitWidthCases) {
        SCOPED_TRACE(std::string("unit width ") + width.sample);
        ASSERT_TRUE(m_brisco.ChooseFromContextMenu(grid, width.downPresses, &why)) << why;
        EXPECT_EQ(width.unitColumns + 2, m_brisco.ListColumnCount(grid));
        EXPECT_EQ(strlen(width.sample), m_brisco.ListItemText(grid, 0, 1).size()) << m_brisco.ListItemText(grid, 0, 1);
        EXPECT_EQ(width.lastHeading, m_brisco.ListColumnHeading(grid, width.unitColumns));
    }
    ASSERT_TRUE(m_brisco.ChooseFromContextMenu(grid, kHexadecimalItem, &why)) << why;
    EXPECT_EQ("0d", m_brisco.ListItemText(grid, 0, 0)) << "decimal addresses";
    EXPECT_EQ("+0", m_brisco.ListColumnHeading(grid, 1));
    ASSERT_TRUE(m_brisco.ChooseFromContextMenu(grid, kHexadecimalItem, &why)) << why;
    EXPECT_EQ("00000000h", m_brisco.ListItemText(grid, 0, 0)) << "hexadecimal again";
    ASSERT_TRUE(m_brisco.ChooseFromContextMenu(grid, kByteWidthItem, &why)) << why;

    // A BAR unit edited in place is written and read back.
    m_brisco.Send(grid, LVM_ENSUREVISIBLE, 0, FALSE);
    debug.Take(::GetProcessId(m_brisco.Handle()));
    ASSERT_TRUE(m_brisco.EditCell(grid, 0, 1, kEditedUnit, &why)) << why;
    EXPECT_EQ(kShownUnit, m_brisco.ListItemText(grid, 0, 1));
    if (debug.IsListening()) {
        EXPECT_TRUE(HasLine(debug.Take(::GetProcessId(m_brisco.Handle())), kWriteDeviceTrace));
    }

    // A register edited in place.
    ASSERT_NE(nullptr, firstFunction);
    ASSERT_TRUE(m_brisco.SelectTreeItem(firstFunction));
    ASSERT_TRUE(m_brisco.Settle());
    HWND config = m_brisco.List(IDC_CONFIG_LIST);
    const int row = FindRegisterRow(m_brisco, config, "Interrupt Line");
    ASSERT_GE(row, 0);
    ASSERT_TRUE(m_brisco.EditCell(config, row, CBriscoProcess::kConfigValueColumn, kEditedInterruptLine, &why)) << why;
    EXPECT_EQ(kShownInterruptLine, m_brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn));
    ASSERT_TRUE(m_brisco.ChooseFromContextMenu(config, kHexadecimalItem, &why)) << why;
    EXPECT_EQ(kDecimalInterruptLine, m_brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn));
    ASSERT_TRUE(m_brisco.ChooseFromContextMenu(config, kHexadecimalItem, &why)) << why;
    EXPECT_EQ(kShownInterruptLine, m_brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn));

    // Refresh rebuilds the same tree; the device kept what was written.
    ASSERT_TRUE(ChooseFromMenuBar(m_brisco, kOptionsMenuKey, kRefreshFromTop, &why)) << why;
    EXPECT_EQ(m_expectedItems, m_brisco.TreeCount());
    const std::vector<HTREEITEM> rebuilt = m_brisco.TreeItems();
    ASSERT_EQ(items.size(), rebuilt.size());
    ASSERT_TRUE(m_brisco.SelectTreeItem(rebuilt[static_cast<size_t>(
        std::find(items.begin(), items.end(), firstFunction) - items.begin())]));
    ASSERT_TRUE(m_brisco.Settle());
    EXPECT_EQ(kShownInterruptLine, m_brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn));

    // About, then Options/Exit.
    ASSERT_TRUE(ChooseFromMenuBar(m_brisco, kHelpMenuKey, 0, &why)) << why;
    const CDialogSeen about = m_brisco.WaitForDialog(CBriscoProcess::kAnswerTimeoutMs);
    ASSERT_NE(nullptr, about.window) << "the About box opens";
    EXPECT_EQ(kAboutCaption, about.caption);
    EXPECT_TRUE(DialogHasText(about.window, kAboutVersion));
    m_brisco.Answer(about, IDOK);
    EXPECT_TRUE(m_brisco.WaitUntilDialogGone(about.window, CBriscoProcess::kAnswerTimeoutMs));

    DWORD exitCode = 1;
    ASSERT_TRUE(m_brisco.ExitThroughMenu(&exitCode, &why)) << why;
    EXPECT_EQ(0u, exitCode);
}

} // namespace
