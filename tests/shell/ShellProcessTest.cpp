// brisco.exe as a process: started next to this test, it shows its main window with the
// whole machine in the tree and ends cleanly on the Exit command.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "views/BusTreeModel.h"
#include "device/PciFunction.h"
#include "res/resource.h"

namespace {

constexpr char kCaption[] = "Brisco by Velmora";
constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr DWORD kPollMs = 50;

struct CWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<CWindowSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    if (owner != search->processId || !::IsWindowVisible(hWnd) || ::GetWindow(hWnd, GW_OWNER))
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

BOOL CALLBACK FindTree(HWND hWnd, LPARAM lParam)
{
    char className[64] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    if (std::string(className) != WC_TREEVIEWA)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// The number of tree items the machine behind the driver gives.
size_t ExpectedItemCount()
{
    HANDLE driver = ::CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE)
        return 0;
    size_t count = 0;
    {
        CPciFunction root(driver);
        CBusTreeModel model;
        model.Build(&root);
        count = model.GetItems().size();
    }
    ::CloseHandle(driver);
    return count;
}

// Ends the process if a test left it running.
struct CProcessGuard {
    PROCESS_INFORMATION info = {};
    ~CProcessGuard()
    {
        if (!info.hProcess)
            return;
        if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(info.hProcess, 1);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
};

TEST(ShellProcessTest, ShowsTheTreeAndEndsOnExit)
{
    const size_t expectedItems = ExpectedItemCount();
    ASSERT_GT(expectedItems, 1u) << "the driver serves a machine";

    const std::string folder = ProgramFolder();
    std::string commandLine = "\"" + folder + "brisco.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    CProcessGuard process;
    ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &process.info))
        << commandLine;

    CWindowSearch search = {process.info.dwProcessId, nullptr};
    HWND tree = nullptr;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
        search.found = nullptr;
        ::EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&search));
        tree = nullptr;
        if (search.found)
            ::EnumChildWindows(search.found, &FindTree, reinterpret_cast<LPARAM>(&tree));
        if (tree && static_cast<size_t>(::SendMessageA(tree, TVM_GETCOUNT, 0, 0)) == expectedItems)
            break;
        ::Sleep(kPollMs);
    }
    ASSERT_NE(nullptr, search.found) << "no top-level window appeared";
    char caption[128] = {};
    ::GetWindowTextA(search.found, caption, sizeof caption);
    EXPECT_STREQ(kCaption, caption);
    ASSERT_NE(nullptr, tree);
    EXPECT_EQ(expectedItems, static_cast<size_t>(::SendMessageA(tree, TVM_GETCOUNT, 0, 0)));

    ::PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.info.hProcess, kExitTimeoutMs));
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.info.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode);
}

}  // namespace
