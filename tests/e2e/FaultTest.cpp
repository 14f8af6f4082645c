// brisco.exe while the driver fails: every request, then those of one function. Nothing
// hangs or crashes, failed probes read as absent functions, failed unit reads show 0, a
// failed write shows what was read back, and Refresh recovers once faults are off.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"
#include "tests/support/FaultSwitch.h"
#include "tests/support/DebugOutputCapture.h"

namespace {

constexpr char kFailedUnit[] = "--";
constexpr char kFailedRowText[] = "................";
constexpr char kTypedUnit[] = "A5";
constexpr char kFailedRegister[] = "--";
constexpr int kScrollPixels = 400;

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_faults.IsOpen()) << "the test reaches the driver";
        ASSERT_TRUE(m_faults.Off());
        m_expectedItems = ExpectedTreeItemCount();
        ASSERT_GT(m_expectedItems, 1u) << "the driver serves a machine";
        std::string why;
        ASSERT_TRUE(m_brisco.Start(m_expectedItems, &why)) << why;
    }

    void Refresh()
    {
        std::string why;
        ASSERT_TRUE(ChooseFromMenuBar(m_brisco, kOptionsMenuKey, kRefreshFromTop, &why)) << why;
        ASSERT_TRUE(m_brisco.Settle()) << "brisco.exe answers after Refresh";
    }

    // The first plain function with a BAR, its address from its tree label, its BAR grid open.
    void OpenFirstBar()
    {
        for (HTREEITEM item : m_brisco.TreeItems()) {
            ASSERT_TRUE(m_brisco.SelectTreeItem(item));
            const std::string label = m_brisco.TreeItemText(item);
            if (HasBarTab(m_brisco) && label.find("Function") != std::string::npos) {
                ASSERT_EQ(3, sscanf(label.c_str(), "%u.%u.%u", &m_bus, &m_device, &m_function)) << label;
                m_label = label;
                ASSERT_TRUE(OpenTab(m_brisco, 1, nullptr));
                m_grid = BarListOfTab(m_brisco, 1);
                return;
            }
        }
        FAIL() << "the machine has no function with a BAR";
    }

    bool HasLabel(const std::string& label)
    {
        for (HTREEITEM item : m_brisco.TreeItems()) {
            if (m_brisco.TreeItemText(item) == label)
                return true;
        }
        return false;
    }

    CFaultSwitch m_faults;
    CBriscoProcess m_brisco;
    size_t m_expectedItems = 0;
    unsigned m_bus = 0;
    unsigned m_device = 0;
    unsigned m_function = 0;
    std::string m_label;
    HWND m_grid = nullptr;
};

TEST_F(FaultTest, EveryRequestFailingThenOneFunctionThenRecovery)
{
    CDebugOutputCapture debug;
    const DWORD processId = ::GetProcessId(m_brisco.Handle());
    ASSERT_NO_FATAL_FAILURE(OpenFirstBar());
    std::string why;
    {
        SCOPED_TRACE("every request fails");
        ASSERT_TRUE(m_faults.FailAll());
        ASSERT_TRUE(m_brisco.ChooseFromContextMenu(m_grid, kPageRefreshItem, &why)) << why;
        EXPECT_EQ(kFailedUnit, m_brisco.ListItemText(m_grid, 0, 1)) << "a unit that cannot be read shows as unread";
        EXPECT_EQ(kFailedRowText, m_brisco.ListItemText(m_grid, 0, 17));

        ASSERT_TRUE(m_brisco.Send(m_grid, LVM_SCROLL, 0, kScrollPixels)) << "scrolling the grid does not hang";
        LRESULT top = 0;
        ASSERT_TRUE(m_brisco.Send(m_grid, LVM_GETTOPINDEX, 0, 0, &top));
        EXPECT_EQ(kFailedUnit, m_brisco.ListItemText(m_grid, static_cast<int>(top), 1));

        debug.Take(processId);
        ASSERT_TRUE(m_brisco.EditCell(m_grid, static_cast<int>(top), 1, kTypedUnit, &why)) << why;
        EXPECT_EQ(kFailedUnit, m_brisco.ListItemText(m_grid, static_cast<int>(top), 1))
            << "a failed write shows the failed read-back, not the value typed";
        if (debug.IsListening()) {
            EXPECT_TRUE(HasLine(debug.Take(processId), kWriteDeviceTrace)) << "the write was attempted";
        }

        // Selections show the images read before the faults.
        for (HTREEITEM item : m_brisco.TreeItems())
            ASSERT_TRUE(m_brisco.SelectTreeItem(item)) << m_brisco.TreeItemText(item);
        HWND config = m_brisco.List(IDC_CONFIG_LIST);
        const int row = FindRegisterRow(m_brisco, config, "Interrupt Line");
        ASSERT_GE(row, 0);
        ASSERT_TRUE(m_brisco.EditCell(config, row, CBriscoProcess::kConfigValueColumn, kTypedUnit, &why)) << why;
        EXPECT_EQ(kFailedRegister, m_brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn))
            << "a register whose read-back fails shows as unread, not as all ones";

        ASSERT_NO_FATAL_FAILURE(Refresh());
        EXPECT_LT(m_brisco.TreeCount(), m_expectedItems) << "functions that cannot be probed are absent";
        EXPECT_EQ(1, m_brisco.TabCount());
    }
    {
        SCOPED_TRACE("faults off");
        ASSERT_TRUE(m_faults.Off());
        ASSERT_NO_FATAL_FAILURE(Refresh());
        EXPECT_EQ(m_expectedItems, m_brisco.TreeCount());
        EXPECT_TRUE(HasLabel(m_label));
    }
    {
        SCOPED_TRACE("requests of " + m_label + " fail");
        ASSERT_TRUE(m_faults.FailFunction(m_bus, m_device, m_function));
        ASSERT_NO_FATAL_FAILURE(Refresh());
        EXPECT_LT(m_brisco.TreeCount(), m_expectedItems);
        EXPECT_FALSE(HasLabel(m_label)) << "the failing function is absent";
        for (HTREEITEM item : m_brisco.TreeItems())
            ASSERT_TRUE(m_brisco.SelectTreeItem(item)) << m_brisco.TreeItemText(item);
    }
    {
        SCOPED_TRACE("recovery");
        ASSERT_TRUE(m_faults.Off());
        ASSERT_NO_FATAL_FAILURE(Refresh());
        EXPECT_EQ(m_expectedItems, m_brisco.TreeCount());
        ASSERT_NO_FATAL_FAILURE(OpenFirstBar());
        EXPECT_EQ(3u, m_brisco.ListItemText(m_grid, 0, 1).size()) << "Refresh read the unit again";
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(m_brisco.ExitThroughMenu(&exitCode, &why)) << why;
    EXPECT_EQ(0u, exitCode);
}

} // namespace
