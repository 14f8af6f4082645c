// Walks brisco.exe through the views a user sees first and saves each as a 24-bit BMP
// cut from the screen: the main window, the framebuffer BAR in three unit widths, both
// context menus open, the About box, and the box shown when the driver is not running.
// Usage: screenshot_tour OUTPUT-FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "tests/e2e/E2eSteps.h"
#include "tests/support/BmpCapture.h"

#include <cstdlib>

namespace {

constexpr char kGraphicsCardPrefix[] = "1.0.0 ";
constexpr char kFramebufferTab[] = "BAR 0";
constexpr char kMenuClass[] = "#32768";
constexpr char kDialogClass[] = "#32770";
constexpr char kInstaller[] = "briscodrv-install.exe";
// Every picture has the same frame size, so that pictures of one view compare side by side.
constexpr int kFrameWidth = 960;
constexpr int kFrameHeight = 720;
constexpr int kFrameLeft = 20;
constexpr int kFrameTop = 20;
// Time for Wine to put what was painted on the X screen.
constexpr DWORD kPaintDelayMs = 500;
constexpr DWORD kPollMs = 20;
constexpr DWORD kWaitMs = 20000;

struct CShot {
    std::string folder;
    int failures = 0;
};

void Fail(CShot* shot, const std::string& what)
{
    std::fprintf(stderr, "screenshot_tour: %s\n", what.c_str());
    ++shot->failures;
}

void Capture(CShot* shot, const RECT& rect, const std::string& name)
{
    ::Sleep(kPaintDelayMs);
    if (!CBmpCapture(rect).Save(shot->folder + "\\" + name + ".bmp"))
        Fail(shot, "could not save " + name);
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

struct CClassSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindVisibleOfClass(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<CClassSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && ::IsWindowVisible(window) && std::string(name) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindowOfClass(DWORD processId, const char* className)
{
    for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
        CClassSearch search = {processId, className, nullptr};
        ::EnumWindows(&FindVisibleOfClass, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        ::Sleep(kPollMs);
    }
    return nullptr;
}

// Opens the function view's context menu over a list, saves the frame with the menu
// open, and closes the menu again without choosing.
void CaptureContextMenu(CShot* shot, const CBriscoProcess& brisco, HWND list, const std::string& name)
{
    RECT listRect = WindowRect(list);
    const POINT at = {listRect.left + (listRect.right - listRect.left) / 3,
                      listRect.top + (listRect.bottom - listRect.top) / 3};
    ::PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
    HWND menu = WaitForWindowOfClass(::GetProcessId(brisco.Handle()), kMenuClass);
    if (menu == nullptr) {
        Fail(shot, "no context menu opened for " + name);
        return;
    }
    RECT frame = WindowRect(brisco.MainWindow());
    RECT menuRect = WindowRect(menu);
    RECT both = {};
    ::UnionRect(&both, &frame, &menuRect);
    Capture(shot, both, name);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    for (DWORD waited = 0; waited < kWaitMs && ::IsWindowVisible(menu); waited += kPollMs)
        ::Sleep(kPollMs);
    brisco.Settle();
}

HTREEITEM FindTreeItem(const CBriscoProcess& brisco, const std::string& prefix)
{
    for (HTREEITEM item : brisco.TreeItems()) {
        if (brisco.TreeItemText(item).rfind(prefix, 0) == 0)
            return item;
    }
    return nullptr;
}

int FindTab(const CBriscoProcess& brisco, const std::string& text)
{
    for (int tab = 0; tab < brisco.TabCount(); ++tab) {
        if (brisco.TabText(tab) == text)
            return tab;
    }
    return -1;
}

void TourFramebuffer(CShot* shot, const CBriscoProcess& brisco)
{
    HTREEITEM card = FindTreeItem(brisco, kGraphicsCardPrefix);
    if (card == nullptr || !brisco.SelectTreeItem(card) || !brisco.Settle()) {
        Fail(shot, "the graphics card is not in the tree");
        return;
    }
    CaptureContextMenu(shot, brisco, brisco.List(IDC_CONFIG_LIST), "menu-config");
    const int tab = FindTab(brisco, kFramebufferTab);
    if (tab < 0 || !OpenTab(brisco, tab, nullptr)) {
        Fail(shot, "the framebuffer tab did not open");
        return;
    }
    HWND grid = BarListOfTab(brisco, tab);
    const struct {
        int downPresses;
        const char* name;
    } widths[] = {{kByteWidthItem, "bar-8bit"}, {kWordWidthItem, "bar-16bit"}, {kDwordWidthItem, "bar-32bit"}};
    for (const auto& width : widths) {
        std::string why;
        if (!brisco.ChooseFromContextMenu(grid, width.downPresses, &why)) {
            Fail(shot, std::string(width.name) + ": " + why);
            continue;
        }
        Capture(shot, WindowRect(brisco.MainWindow()), width.name);
    }
    CaptureContextMenu(shot, brisco, grid, "menu-bar");
    // The keyboard cell cursor, moved three units right and one row down.
    ::SetFocus(grid);
    for (WPARAM key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_DOWN})
        ::PostMessageA(grid, WM_KEYDOWN, key, 0);
    brisco.Settle();
    Capture(shot, WindowRect(brisco.MainWindow()), "keyboard-cursor");
    for (const char* page : {"Capabilities", "Hex"}) {
        const int pageTab = FindTab(brisco, page);
        if (pageTab >= 0)
            brisco.ClickTab(pageTab);
        if (pageTab < 0 || !brisco.Settle() || brisco.CurrentTab() != pageTab) {
            Fail(shot, std::string("the ") + page + " tab did not open");
            continue;
        }
        Capture(shot, WindowRect(brisco.MainWindow()), pageTab == FindTab(brisco, "Hex") ? "hex" : "capabilities");
    }
}

// Sweeping every bus number takes tens of seconds where a request round trip is slow (about
// 0.4 ms on some virtual machines): longer than one answer may take.
constexpr DWORD kSweepWaitMs = 180000;

bool SettleWithin(const CBriscoProcess& brisco, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += CBriscoProcess::kAnswerTimeoutMs) {
        if (brisco.Settle())
            return true;
    }
    return false;
}

// The Options menu open, then "Scan All Root Buses" chosen: the buses no bridge of bus 0 reaches
// appear as further roots. With BRISCO_COMPARE_IMAGE set, a comparison with that image too.
void TourOptions(CShot* shot, const CBriscoProcess& brisco)
{
    ::PostMessageA(brisco.MainWindow(), WM_SYSCOMMAND, SC_KEYMENU, 'o');
    HWND menu = WaitForWindowOfClass(::GetProcessId(brisco.Handle()), kMenuClass);
    if (menu == nullptr) {
        Fail(shot, "the Options menu did not open");
        return;
    }
    RECT frame = WindowRect(brisco.MainWindow());
    RECT menuRect = WindowRect(menu);
    RECT both = {};
    ::UnionRect(&both, &frame, &menuRect);
    Capture(shot, both, "menu-options");
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    brisco.Settle();
    std::string why;
    // A choice whose menu closed but whose program did not answer yet is still sweeping.
    if (!ChooseFromMenuBar(brisco, 'o', 1, &why) && !(why.empty() && SettleWithin(brisco, kSweepWaitMs))) {
        Fail(shot, "Options/Scan All Root Buses: " + (why.empty() ? std::string("no answer after the sweep") : why));
        return;
    }
    brisco.Settle();
    Capture(shot, WindowRect(brisco.MainWindow()), "root-buses");
    const char* image = std::getenv("BRISCO_COMPARE_IMAGE");
    if (image == nullptr)
        return;
    if (!ChooseFromMenuBar(brisco, 'o', 3, &why)) {
        Fail(shot, "Options/Compare With Image: " + why);
        return;
    }
    const CDialogSeen dialog = brisco.WaitForDialog(kWaitMs);
    if (dialog.window == nullptr) {
        Fail(shot, "no file dialog for Compare With Image");
        return;
    }
    // The open dialog's file name field, as the common dialog numbers it.
    constexpr int kFileNameCombo = 0x47C;
    constexpr int kFileNameEdit = 0x480;
    ::SetDlgItemTextA(dialog.window, kFileNameCombo, image);
    ::SetDlgItemTextA(dialog.window, kFileNameEdit, image);
    brisco.Answer(dialog, IDOK);
    brisco.WaitUntilDialogGone(dialog.window, kWaitMs);
    brisco.Settle();
    HTREEITEM card = FindTreeItem(brisco, kGraphicsCardPrefix);
    if (card != nullptr)
        brisco.SelectTreeItem(card);
    brisco.Settle();
    Capture(shot, WindowRect(brisco.MainWindow()), "comparison");
}

void TourAbout(CShot* shot, const CBriscoProcess& brisco)
{
    std::string why;
    if (!ChooseFromMenuBar(brisco, kHelpMenuKey, 0, &why)) {
        Fail(shot, "Help/About: " + why);
        return;
    }
    const CDialogSeen about = brisco.WaitForDialog(kWaitMs);
    if (about.window == nullptr) {
        Fail(shot, "the About box did not open");
        return;
    }
    Capture(shot, WindowRect(about.window), "about");
    brisco.Answer(about, IDOK);
    brisco.WaitUntilDialogGone(about.window, kWaitMs);
}

void TourRunningProgram(CShot* shot)
{
    CBriscoProcess brisco;
    std::string why;
    if (!brisco.Start(ExpectedTreeItemCount(), &why)) {
        Fail(shot, "brisco.exe did not start: " + why);
        return;
    }
    ::SetWindowPos(brisco.MainWindow(), HWND_TOP, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight, 0);
    brisco.Settle();
    // Another process cannot bring the frame to the front, but closing the About box
    // activates it again: the main picture then shows the caption as the user sees it.
    TourAbout(shot, brisco);
    brisco.Settle();
    Capture(shot, WindowRect(brisco.MainWindow()), "main");
    TourFramebuffer(shot, brisco);
    TourOptions(shot, brisco);
    DWORD exitCode = 0;
    if (!brisco.ExitThroughMenu(&exitCode, &why))
        Fail(shot, "Options/Exit: " + why);
}

bool RunAndWait(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    ::WaitForSingleObject(info.hProcess, kWaitMs);
    DWORD code = 1;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return code == 0;
}

// Stops the driver, starts brisco.exe and saves the box it shows at start-up; the next
// program run through the harness starts the driver again.
void TourMissingDriver(CShot* shot)
{
    const std::string folder = ProgramFolder();
    if (!RunAndWait("\"" + folder + "\\" + kInstaller + "\" stop")) {
        Fail(shot, "the driver did not stop");
        return;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + folder + "\\brisco.exe\"";
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &info)) {
        Fail(shot, "brisco.exe did not start without the driver");
        return;
    }
    HWND box = WaitForWindowOfClass(info.dwProcessId, kDialogClass);
    if (box == nullptr) {
        Fail(shot, "no message box appeared without the driver");
    } else {
        Capture(shot, WindowRect(box), "no-driver");
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    // Without a driver the program has nothing to lose: it is ended once the box is saved.
    if (::WaitForSingleObject(info.hProcess, kPaintDelayMs * 4) != WAIT_OBJECT_0)
        ::TerminateProcess(info.hProcess, 0);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot_tour OUTPUT-FOLDER\n");
        return 2;
    }
    CShot shot;
    shot.folder = argv[1];
    TourRunningProgram(&shot);
    TourMissingDriver(&shot);
    return shot.failures == 0 ? 0 : 1;
}
