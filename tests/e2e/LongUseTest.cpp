// Long use of one brisco.exe: hundreds of rescans and edits leave its memory and its
// window and GDI objects where they were after the first few.
#include <gtest/gtest.h>

#include <windows.h>

#include <iostream>
#include <string>

#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"
#include "res/resource.h"

namespace {

constexpr int kWarmUpRounds = 20;
constexpr int kRescans = 500;
constexpr int kEdits = 500;
// Growth allowed after the warm-up: allocator slack, not one copy of the model per scan.
constexpr SIZE_T kMaxPrivateGrowth = 1024 * 1024;
constexpr DWORD kMaxObjectGrowth = 8;
constexpr char kInterruptLine[] = "Interrupt Line";

void Report(const char* when, const CProcessFootprint& footprint)
{
    std::cout << "long use, " << when << ": private " << footprint.privateBytes / 1024 << " KiB, working set "
              << footprint.workingSet / 1024 << " KiB, GDI objects " << footprint.gdiObjects << ", USER objects "
              << footprint.userObjects << ", windows " << footprint.windows << std::endl;
}

class LongUseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_expectedItems = ExpectedTreeItemCount();
        ASSERT_GT(m_expectedItems, 1u) << "the driver serves a machine";
        std::string why;
        ASSERT_TRUE(m_brisco.Start(m_expectedItems, &why)) << why;
    }

    void Rescan()
    {
        ASSERT_TRUE(m_brisco.Send(m_brisco.Tree(), WM_COMMAND, MAKEWPARAM(ID_OPTIONS_REFRESH, 0), 0))
            << "brisco.exe answers a refresh";
        ASSERT_EQ(m_expectedItems, m_brisco.TreeCount());
    }

    // Selects the first function with a BAR and opens that BAR's grid.
    void OpenFirstBar()
    {
        for (HTREEITEM item : m_brisco.TreeItems()) {
            ASSERT_TRUE(m_brisco.SelectTreeItem(item));
            if (HasBarTab(m_brisco) && m_brisco.TreeItemText(item).find("Function") != std::string::npos) {
                m_function = item;
                ASSERT_TRUE(OpenTab(m_brisco, 1, nullptr));
                m_grid = BarListOfTab(m_brisco, 1);
                return;
            }
        }
        FAIL() << "the machine has no function with a BAR";
    }

    // Even edits go to a register, odd ones to a BAR unit.
    void Edit(int round)
    {
        char text[8];
        snprintf(text, sizeof text, "%02X", round & 0xFF);
        std::string why;
        if (round % 2 == 0) {
            ASSERT_TRUE(m_brisco.EditCell(m_grid, 0, 1, text, &why)) << why;
            return;
        }
        ASSERT_TRUE(m_brisco.SelectTreeItem(m_function));
        HWND config = m_brisco.List(IDC_CONFIG_LIST);
        if (m_interruptLineRow < 0)
            m_interruptLineRow = FindRegisterRow(m_brisco, config, kInterruptLine);
        ASSERT_GE(m_interruptLineRow, 0);
        ASSERT_TRUE(m_brisco.EditCell(config, m_interruptLineRow, CBriscoProcess::kConfigValueColumn, text, &why))
            << why;
        ASSERT_TRUE(OpenTab(m_brisco, 1, nullptr));
    }

    CBriscoProcess m_brisco;
    size_t m_expectedItems = 0;
    HTREEITEM m_function = nullptr;
    HWND m_grid = nullptr;
    int m_interruptLineRow = -1;
};

TEST_F(LongUseTest, RescansAndEditsKeepTheFootprint)
{
    for (int round = 0; round < kWarmUpRounds; ++round)
        ASSERT_NO_FATAL_FAILURE(Rescan());
    ASSERT_NO_FATAL_FAILURE(OpenFirstBar());
    for (int round = 0; round < kWarmUpRounds; ++round)
        ASSERT_NO_FATAL_FAILURE(Edit(round)) << "warm-up edit " << round;
    ASSERT_NO_FATAL_FAILURE(Rescan());
    const CProcessFootprint before = MeasureFootprint(m_brisco.Handle());
    Report("after warm-up", before);

    const DWORD started = ::GetTickCount();
    for (int round = 0; round < kRescans; ++round)
        ASSERT_NO_FATAL_FAILURE(Rescan()) << "rescan " << round;
    const DWORD rescanMs = ::GetTickCount() - started;
    const CProcessFootprint afterRescans = MeasureFootprint(m_brisco.Handle());
    Report("after 500 rescans", afterRescans);

    ASSERT_NO_FATAL_FAILURE(OpenFirstBar());
    for (int round = 0; round < kEdits; ++round)
        ASSERT_NO_FATAL_FAILURE(Edit(round)) << "edit " << round;
    ASSERT_NO_FATAL_FAILURE(Rescan());
    const CProcessFootprint after = MeasureFootprint(m_brisco.Handle());
    Report("after 500 edits", after);
    std::cout << "long use: " << kRescans << " rescans took " << rescanMs << " ms on " << m_expectedItems
              << " tree items" << std::endl;

    for (const CProcessFootprint* now : {&afterRescans, &after}) {
        SCOPED_TRACE(now == &after ? "after the edits" : "after the rescans");
        EXPECT_LE(now->privateBytes, before.privateBytes + kMaxPrivateGrowth);
        EXPECT_LE(now->gdiObjects, before.gdiObjects + kMaxObjectGrowth);
        EXPECT_LE(now->userObjects, before.userObjects + kMaxObjectGrowth);
        EXPECT_LE(now->windows, before.windows + kMaxObjectGrowth);
    }
    DWORD exitCode = 1;
    std::string why;
    ASSERT_TRUE(m_brisco.ExitThroughMenu(&exitCode, &why)) << why;
    EXPECT_EQ(0u, exitCode);
}

} // namespace
