// brisco.exe's write journal from outside: Undo Write (the Ctrl+Z command) restores an edited
// register, a killed program leaves its journal without an end mark, and the next start says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"

namespace {

constexpr char kJournalFolderVariable[] = "BRISCO_JOURNAL_DIR";
constexpr char kRow[] = "Interrupt Line";
constexpr char kFirstValue[] = "5A";
constexpr char kSecondValue[] = "3C";
constexpr char kUncleanNotice[] = "An earlier Brisco session did not end cleanly";
constexpr char kEndMark[] = "# end ";
// TranslateAccelerator marks the command it sends with 1 in the high word.
constexpr WORD kFromAccelerator = 1;

std::vector<std::string> ReadLines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::filesystem::path> Journals(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    return files;
}

class JournalCrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() / ("brisco-journal-" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        ::SetEnvironmentVariableA(kJournalFolderVariable, m_folder.string().c_str());
        m_expectedItems = ExpectedTreeItemCount();
    }

    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
    size_t m_expectedItems = 0;
};

TEST_F(JournalCrashTest, UndoRestoresAndAKilledSessionIsReportedAtTheNextStart)
{
    std::string why;
    std::string original;
    {
        CBriscoProcess brisco;
        ASSERT_TRUE(brisco.Start(m_expectedItems, &why)) << why;
        EXPECT_EQ(brisco.StatusText().find(kUncleanNotice), std::string::npos) << "a first start has nothing to report";
        const std::vector<HTREEITEM> items = brisco.TreeItems();
        ASSERT_GT(items.size(), 1u);
        ASSERT_TRUE(brisco.SelectTreeItem(items[1]));
        ASSERT_TRUE(brisco.Settle());
        HWND config = brisco.List(IDC_CONFIG_LIST);
        const int row = FindRegisterRow(brisco, config, kRow);
        ASSERT_GE(row, 0);
        original = brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn);
        ASSERT_TRUE(brisco.EditCell(config, row, CBriscoProcess::kConfigValueColumn, kFirstValue, &why)) << why;
        ASSERT_NE(original, brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn));

        ASSERT_TRUE(brisco.Send(brisco.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_EDIT_UNDO, kFromAccelerator), 0));
        ASSERT_TRUE(brisco.Settle());
        EXPECT_EQ(original, brisco.ListItemText(config, row, CBriscoProcess::kConfigValueColumn)) << "Ctrl+Z";
        EXPECT_NE(brisco.StatusText().find("Undid"), std::string::npos) << brisco.StatusText();

        ASSERT_TRUE(brisco.EditCell(config, row, CBriscoProcess::kConfigValueColumn, kSecondValue, &why)) << why;
        ASSERT_TRUE(::TerminateProcess(brisco.Handle(), 1));
        ::WaitForSingleObject(brisco.Handle(), CBriscoProcess::kAnswerTimeoutMs);
    }
    const std::vector<std::filesystem::path> killed = Journals(m_folder);
    ASSERT_EQ(killed.size(), 1u);
    const std::vector<std::string> lines = ReadLines(killed.front());
    // The header, the edit, its undo and the second edit, each whole; no end mark.
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[1].find("3C.B=5a:ff"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("Configuration Space, Interrupt Line"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("Undo Write"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find("3C.B=3c:ff"), std::string::npos) << lines[3];

    CBriscoProcess next;
    ASSERT_TRUE(next.Start(m_expectedItems, &why)) << why;
    EXPECT_NE(next.StatusText().find(kUncleanNotice), std::string::npos) << next.StatusText();
    DWORD exitCode = 1;
    ASSERT_TRUE(next.ExitThroughMenu(&exitCode, &why)) << why;
    EXPECT_EQ(exitCode, 0u);
    // The clean exit leaves its own journal with the end mark.
    for (const std::filesystem::path& path : Journals(m_folder)) {
        if (path == killed.front())
            continue;
        const std::vector<std::string> own = ReadLines(path);
        ASSERT_FALSE(own.empty());
        EXPECT_EQ(own.back().rfind(kEndMark, 0), 0u) << path;
    }
}

} // namespace
