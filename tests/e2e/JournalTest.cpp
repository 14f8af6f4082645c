// The write journal end to end: five registers and a BAR unit edited in brisco.exe, the last
// three writes undone in the Write Journal window, the machine checked; then the journal that
// brisco.exe left replayed by brisco-dump on a fresh copy of the machine, which must end up
// equal to the edited one, registers and BAR range alike.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/PciFunction.h"
#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"

namespace {

constexpr char kJournalCaption[] = "Write Journal";
constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
constexpr char kRestartStamp[] = "e2e journal: fresh copy of the machine";
constexpr DWORD kToolTimeoutMs = 120000;
constexpr DWORD kPollMs = 50;
constexpr int kUndoneWrites = 3;
constexpr uint32_t kParityErrorResponse = 0x0040;
constexpr char kEditedUnit[] = "A5";
constexpr char kBarRows[] = "4";

// One register edited in place: which function (0: the one with the BAR, 1: another), its
// row's name, offset and width, and how the new value comes from the old.
struct CRegisterEdit {
    int function;
    const char* name;
    uint32_t offset;
    uint32_t width;
    uint32_t (*next)(uint32_t before);
};

// Edits in order; the BAR unit is edited after the second, so Undo takes the last three registers.
const CRegisterEdit kEdits[] = {
    {0, "Cache Line Size", 0x0c, 1, [](uint32_t before) { return before ^ 0x08u; }},
    {0, "Latency Timer", 0x0d, 1, [](uint32_t before) { return before ^ 0x20u; }},
    {0, "Interrupt Line", 0x3c, 1, [](uint32_t before) { return before ^ 0x5au; }},
    {0, "Command Register", 0x04, 2, [](uint32_t before) { return before ^ kParityErrorResponse; }},
    {1, "Interrupt Line", 0x3c, 1, [](uint32_t before) { return before ^ 0x33u; }},
};
constexpr int kEditsBeforeBar = 2;
constexpr int kEditCount = static_cast<int>(std::size(kEdits));

struct CAddress {
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;
    std::string label; // as the tree and brisco-dump --function write it: "0.7.1"
};

// Runs a console program of the test's folder, its output gathered in a file; -1 when it
// did not start or end in time.
int RunTool(const std::string& program, const std::string& arguments, std::string* output)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    char path[MAX_PATH] = {};
    ::GetTempFileNameA(folder, "jrn", 0, path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    std::string command = "\"" + ProgramFolder() + program + "\" " + arguments;
    const bool started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          ProgramFolder().c_str(), &startup, &info) != FALSE;
    ::CloseHandle(file);
    DWORD exitCode = DWORD(-1);
    if (started) {
        if (::WaitForSingleObject(info.hProcess, kToolTimeoutMs) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(info.hProcess, &exitCode);
        else
            ::TerminateProcess(info.hProcess, exitCode);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    std::ifstream text(path, std::ios::binary);
    std::stringstream read;
    read << text.rdbuf();
    text.close();
    *output = read.str();
    ::DeleteFileA(path);
    return started ? static_cast<int>(exitCode) : -1;
}

// A Unix path (as the harness passes images) as Wine's drive Z: names it.
std::string WindowsPath(std::string path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

uint32_t ReadRegister(const CAddress& address, uint32_t offset, uint32_t width)
{
    HANDLE driver = ::CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE)
        return ~0u;
    uint32_t value = ~0u;
    {
        CPciFunction function(driver, address.bus, address.device, address.function);
        value = function.ReadConfig(address.bus, address.device, address.function, offset, uint8_t(width));
    }
    ::CloseHandle(driver);
    return value;
}

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "brisco-e2e-journal";
        ClearFolder();
        ::CreateDirectoryA(m_folder.c_str(), nullptr);
        ::SetEnvironmentVariableA("BRISCO_JOURNAL_DIR", m_folder.c_str());
        m_expectedItems = ExpectedTreeItemCount();
        ASSERT_GT(m_expectedItems, 1u) << "the driver serves a machine";
        std::string why;
        ASSERT_TRUE(m_brisco.Start(m_expectedItems, &why)) << why;
    }
    void TearDown() override { ClearFolder(); }

    void ClearFolder() const
    {
        for (const std::string& name : FolderFiles("*"))
            ::DeleteFileA((m_folder + "\\" + name).c_str());
        ::RemoveDirectoryA(m_folder.c_str());
    }
    std::vector<std::string> FolderFiles(const std::string& pattern) const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found = {};
        HANDLE search = ::FindFirstFileA((m_folder + "\\" + pattern).c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found) != FALSE) {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(found.cFileName);
        }
        if (search != INVALID_HANDLE_VALUE)
            ::FindClose(search);
        return names;
    }

    // The first plain function with a BAR and, for the second function, the last function of the tree.
    void FindFunctions()
    {
        for (HTREEITEM item : m_brisco.TreeItems()) {
            const std::string text = m_brisco.TreeItemText(item);
            CAddress address;
            if (sscanf(text.c_str(), "%u.%u.%u", &address.bus, &address.device, &address.function) != 3)
                continue;
            address.label = text.substr(0, text.find_first_of(" \t"));
            ASSERT_TRUE(m_brisco.SelectTreeItem(item));
            if (m_items[0] == nullptr && HasBarTab(m_brisco) && text.find("Function") != std::string::npos) {
                m_items[0] = item;
                m_addresses[0] = address;
            } else if (m_items[0] != nullptr) {
                m_items[1] = item;
                m_addresses[1] = address;
            }
        }
        ASSERT_NE(nullptr, m_items[0]) << "the machine has a function with a BAR";
        ASSERT_NE(nullptr, m_items[1]) << "the machine has a function after it";
    }

    void EditRegister(const CRegisterEdit& edit)
    {
        SCOPED_TRACE(std::string("editing ") + edit.name + " of " + m_addresses[edit.function].label);
        ASSERT_TRUE(m_brisco.SelectTreeItem(m_items[edit.function]));
        ASSERT_TRUE(m_brisco.Settle());
        HWND config = m_brisco.List(IDC_CONFIG_LIST);
        const int row = FindRegisterRow(m_brisco, config, edit.name);
        ASSERT_GE(row, 0);
        const uint32_t value = edit.next(ReadRegister(m_addresses[edit.function], edit.offset, edit.width));
        char text[16] = {};
        snprintf(text, sizeof text, "%0*X", int(edit.width * 2), value);
        std::string why;
        ASSERT_TRUE(m_brisco.EditCell(config, row, CBriscoProcess::kConfigValueColumn, text, &why)) << why;
    }

    // Edits the first unit of the BAR of function 0 shown first, in bytes.
    void EditBarUnit()
    {
        ASSERT_TRUE(m_brisco.SelectTreeItem(m_items[0]));
        ASSERT_TRUE(OpenTab(m_brisco, 1, nullptr));
        m_bar = std::atoi(m_brisco.TabText(1).c_str() + strlen("BAR "));
        HWND grid = BarListOfTab(m_brisco, 1);
        std::string why;
        ASSERT_TRUE(m_brisco.ChooseFromContextMenu(grid, kByteWidthItem, &why)) << why;
        ASSERT_TRUE(m_brisco.EditCell(grid, 0, 1, kEditedUnit, &why)) << why;
        EXPECT_EQ(std::string(kEditedUnit) + "h", m_brisco.ListItemText(grid, 0, 1));
    }

    std::string BarText()
    {
        std::string output;
        EXPECT_EQ(0, RunTool("brisco-dump.exe", "--function " + m_addresses[0].label + " --bar " + std::to_string(m_bar) +
                                 " --unit 1 --rows " + kBarRows,
                             &output))
            << output;
        return output;
    }

    HWND OpenJournalWindow()
    {
        m_brisco.Send(m_brisco.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_OPTIONS_WRITE_JOURNAL, 0), 0);
        for (DWORD waited = 0; waited < CBriscoProcess::kAnswerTimeoutMs; waited += kPollMs) {
            for (const CDialogSeen& dialog : m_brisco.OpenDialogs()) {
                if (dialog.caption == kJournalCaption)
                    return dialog.window;
            }
            ::Sleep(kPollMs);
        }
        return nullptr;
    }

    void SelectOnlyRow(HWND list, int row)
    {
        CRemoteBuffer remote(m_brisco.Handle(), sizeof(LVITEMA));
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        remote.Write(&item, sizeof item);
        m_brisco.Send(list, LVM_SETITEMSTATE, WPARAM(-1), remote.Address());
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        remote.Write(&item, sizeof item);
        m_brisco.Send(list, LVM_SETITEMSTATE, WPARAM(row), remote.Address());
    }

    // Starts the driver again on a copy of this test's machine image, as the harness would
    // for a new image; the harness's next check finds the stamp changed and starts it afresh.
    void RestartDriverOnFreshCopy()
    {
        const char* image = std::getenv("BRISCO_MACHINE");
        ASSERT_NE(nullptr, image) << "the harness names the test's machine image";
        const std::string fresh = m_folder + "\\fresh-machine.txt";
        ASSERT_TRUE(::CopyFileA(WindowsPath(image).c_str(), fresh.c_str(), FALSE)) << WindowsPath(image);
        std::string output;
        ASSERT_EQ(0, RunTool("briscodrv-install.exe", "start \"" + ProgramFolder() + "briscodrv.sys\" \"" + kRestartStamp +
                                 "\" \"" + fresh + "\"",
                             &output))
            << output;
    }

    CBriscoProcess m_brisco;
    size_t m_expectedItems = 0;
    std::string m_folder;
    HTREEITEM m_items[2] = {};
    CAddress m_addresses[2];
    int m_bar = -1;
};

TEST_F(JournalTest, UndoInTheWindowThenReplayOnAFreshMachineGivesTheSameMachine)
{
    ASSERT_NO_FATAL_FAILURE(FindFunctions());
    uint32_t before[kEditCount] = {};
    uint32_t edited[kEditCount] = {};
    for (int index = 0; index < kEditCount; ++index)
        before[index] = ReadRegister(m_addresses[kEdits[index].function], kEdits[index].offset, kEdits[index].width);
    for (int index = 0; index < kEditCount; ++index) {
        if (index == kEditsBeforeBar)
            ASSERT_NO_FATAL_FAILURE(EditBarUnit());
        ASSERT_NO_FATAL_FAILURE(EditRegister(kEdits[index]));
        edited[index] = ReadRegister(m_addresses[kEdits[index].function], kEdits[index].offset, kEdits[index].width);
        EXPECT_EQ(kEdits[index].next(before[index]), edited[index]) << kEdits[index].name << " took the write";
    }
    const std::string editedBar = BarText();

    // The journal window lists the six writes; Undo on the last three, newest first.
    HWND window = OpenJournalWindow();
    ASSERT_NE(nullptr, window) << "Options > Write Journal opens the window";
    HWND list = ::GetDlgItem(window, IDC_JOURNAL_LIST);
    ASSERT_EQ(kEditCount + 1, m_brisco.ListItemCount(list)) << "five registers and one BAR unit";
    for (int undone = 0; undone < kUndoneWrites; ++undone) {
        const int row = kEditCount - undone;
        SCOPED_TRACE("undoing row " + std::to_string(row) + ", " + m_brisco.ListItemText(list, row, 4));
        SelectOnlyRow(list, row);
        m_brisco.Send(window, WM_COMMAND, MAKEWPARAM(IDC_JOURNAL_UNDO, BN_CLICKED),
                      reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_JOURNAL_UNDO)));
        ASSERT_TRUE(m_brisco.Settle());
    }
    for (int index = 0; index < kEditCount; ++index) {
        const bool undone = index >= kEditCount - kUndoneWrites;
        EXPECT_EQ(undone ? before[index] : edited[index],
                  ReadRegister(m_addresses[kEdits[index].function], kEdits[index].offset, kEdits[index].width))
            << kEdits[index].name << " of " << m_addresses[kEdits[index].function].label
            << (undone ? " is back as it was" : " keeps its edit");
    }
    EXPECT_EQ(editedBar, BarText()) << "the BAR unit was not among the writes undone";
    m_brisco.Send(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);

    DWORD exitCode = 1;
    std::string why;
    ASSERT_TRUE(m_brisco.ExitThroughMenu(&exitCode, &why)) << why;
    EXPECT_EQ(0u, exitCode);
    const std::vector<std::string> journals = FolderFiles("brisco-2*.txt");
    ASSERT_EQ(1u, journals.size()) << "brisco.exe kept one journal file";
    const std::string journal = m_folder + "\\" + journals.front();
    const std::string editedImage = m_folder + "\\edited-machine.txt";
    std::string output;
    ASSERT_EQ(0, RunTool("brisco-dump.exe", "--save-image \"" + editedImage + "\"", &output)) << output;

    // The journal replayed on a fresh copy gives the edited machine again.
    ASSERT_NO_FATAL_FAILURE(RestartDriverOnFreshCopy());
    ASSERT_EQ(0, RunTool("brisco-dump.exe", "--diff \"" + editedImage + "\"", &output)) << output;
    EXPECT_FALSE(output.empty()) << "the fresh machine differs from the edited one before the replay";
    EXPECT_NE(editedBar, BarText()) << "the fresh machine's BAR unit is as it was";
    ASSERT_EQ(0, RunTool("brisco-dump.exe", "--replay \"" + journal + "\"", &output)) << output;
    ASSERT_EQ(0, RunTool("brisco-dump.exe", "--diff \"" + editedImage + "\"", &output)) << output;
    EXPECT_EQ("", output) << "the replayed machine equals the edited one";
    EXPECT_EQ(editedBar, BarText()) << "BAR " << m_bar << " of " << m_addresses[0].label;
}

} // namespace
