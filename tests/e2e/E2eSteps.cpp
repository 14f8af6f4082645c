#include "tests/e2e/E2eSteps.h"

#include <gtest/gtest.h>

#include "res/resource.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kBarTabPrefix[] = "BAR ";
// More questions than a tab change can raise: the warning and the probe.
constexpr int kMaxQuestionsPerTab = 4;

BOOL CALLBACK FindChildText(HWND window, LPARAM lParam)
{
    auto* wanted = reinterpret_cast<std::pair<std::string, bool>*>(lParam);
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    if (std::string(text).find(wanted->first) != std::string::npos) {
        wanted->second = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool ChooseFromMenuBar(const CBriscoProcess& brisco, char letter, int downPresses, std::string* why)
{
    std::vector<WORD> keys(static_cast<size_t>(downPresses), static_cast<WORD>(VK_DOWN));
    keys.push_back(VK_RETURN);
    return brisco.ChooseFromMenuBar(letter, keys, why);
}

bool OpenTab(const CBriscoProcess& brisco, int tab, std::vector<CDialogSeen>* questions)
{
    brisco.ClickTab(tab);
    for (int round = 0; round < kMaxQuestionsPerTab; ++round) {
        if (!brisco.Settle())
            return false;
        const std::vector<CDialogSeen> dialogs = brisco.OpenDialogs();
        if (dialogs.empty())
            break;
        for (const CDialogSeen& dialog : dialogs) {
            if (questions != nullptr)
                questions->push_back(dialog);
            brisco.Answer(dialog, IDYES);
            if (!brisco.WaitUntilDialogGone(dialog.window, CBriscoProcess::kAnswerTimeoutMs))
                return false;
        }
    }
    return brisco.Settle() && brisco.CurrentTab() == tab && ::IsWindowVisible(BarListOfTab(brisco, tab));
}

bool HasBarTab(const CBriscoProcess& brisco)
{
    return brisco.TabCount() > 1 && brisco.TabText(1).rfind(kBarTabPrefix, 0) == 0;
}

HWND BarListOfTab(const CBriscoProcess& brisco, int tab)
{
    const std::string text = brisco.TabText(tab);
    if (text.rfind(kBarTabPrefix, 0) != 0)
        return nullptr;
    const int bar = std::atoi(text.c_str() + strlen(kBarTabPrefix));
    return bar >= 0 && bar < BRISCO_BAR_COUNT ? brisco.List(IDC_BAR0_LIST + bar) : nullptr;
}

void ExpectByteGrid(const CBriscoProcess& brisco, HWND grid)
{
    ASSERT_NE(nullptr, grid);
    const int columns = brisco.ListColumnCount(grid);
    ASSERT_EQ(18, columns) << "address, sixteen bytes and text";
    EXPECT_EQ("Address", brisco.ListColumnHeading(grid, 0));
    EXPECT_EQ("+00h", brisco.ListColumnHeading(grid, 1));
    EXPECT_EQ("ASCII", brisco.ListColumnHeading(grid, columns - 1));
    ASSERT_GE(brisco.ListItemCount(grid), 1);
    EXPECT_EQ("00000000h", brisco.ListItemText(grid, 0, 0));
    const std::string unit = brisco.ListItemText(grid, 0, 1);
    EXPECT_TRUE(unit.size() == 3 && unit[2] == 'h') << "a byte in hexadecimal, not \"" << unit << "\"";
    // A range smaller than a row (8 I/O ports) leaves the cells past its end empty.
    size_t bytes = 0;
    while (bytes < 16 && !brisco.ListItemText(grid, 0, int(bytes) + 1).empty())
        ++bytes;
    for (int column = int(bytes) + 1; column < columns - 1; ++column)
        EXPECT_EQ("", brisco.ListItemText(grid, 0, column)) << "a cell after an empty one, column " << column;
    EXPECT_EQ(bytes, brisco.ListItemText(grid, 0, columns - 1).size()) << "one character per byte shown";
}

int FindRegisterRow(const CBriscoProcess& brisco, HWND list, const std::string& name)
{
    const int rows = brisco.ListItemCount(list);
    for (int row = 0; row < rows; ++row) {
        if (brisco.ListItemText(list, row, CBriscoProcess::kConfigNameColumn) == name)
            return row;
    }
    return -1;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

bool DialogHasText(HWND dialog, const std::string& text)
{
    std::pair<std::string, bool> wanted(text, false);
    ::EnumChildWindows(dialog, &FindChildText, reinterpret_cast<LPARAM>(&wanted));
    return wanted.second;
}
