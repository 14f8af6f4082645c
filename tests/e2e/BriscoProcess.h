#pragma once
// brisco.exe driven from outside: started as a process and steered through window
// messages, with its answers read through memory lent inside its address space.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/RemoteBuffer.h"

// A message box or dialog of the program, as the user sees it.
struct CDialogSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

// One running brisco.exe with handles to the windows a user works with.
class CBriscoProcess {
public:
    static constexpr DWORD kAnswerTimeoutMs = 20000;
    static constexpr int kConfigNameColumn = 2;
    static constexpr int kConfigValueColumn = 3;

    CBriscoProcess();
    ~CBriscoProcess();
    CBriscoProcess(const CBriscoProcess&) = delete;
    CBriscoProcess& operator=(const CBriscoProcess&) = delete;

    // Starts the program in this test's folder and waits until its tree holds the
    // whole machine; false with a reason when it does not.
    bool Start(size_t expectedTreeItems, std::string* why);
    // Opens a menu of the menu bar with Alt and its letter, then presses the keys given.
    bool ChooseFromMenuBar(char letter, const std::vector<WORD>& keys, std::string* why) const;
    // Options/Exit; waits for the process to end and returns its exit code.
    bool ExitThroughMenu(DWORD* exitCode, std::string* why);
    bool IsRunning() const;
    HANDLE Handle() const { return m_info.hProcess; }

    HWND MainWindow() const { return m_main; }
    HWND Tree() const { return m_tree; }
    HWND FunctionView() const { return m_functionView; }
    HWND Tabs() const { return m_tabs; }
    HWND List(int id) const { return ::GetDlgItem(m_functionView, id); }

    // A sent message that must be answered in time: a hung program fails the test.
    bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) const;

    // Tree items in display order, walked with a visited set and a bound.
    std::vector<HTREEITEM> TreeItems() const;
    std::string TreeItemText(HTREEITEM item) const;
    size_t TreeCount() const;
    bool SelectTreeItem(HTREEITEM item) const;

    int TabCount() const;
    int CurrentTab() const;
    std::string TabText(int index) const;
    void ClickTab(int index) const;

    int ListItemCount(HWND list) const;
    int ListColumnCount(HWND list) const;
    std::string ListItemText(HWND list, int row, int column) const;
    std::string ListColumnHeading(HWND list, int column) const;
    // Double-clicks a cell, types the text into the in-place edit and presses Enter.
    bool EditCell(HWND list, int row, int column, const std::string& text, std::string* why) const;
    // Opens the function view's context menu over a list and picks the item reached
    // with the given number of Down presses.
    bool ChooseFromContextMenu(HWND list, int downPresses, std::string* why) const;

    // The program's top-level dialogs (message boxes, About) that are showing now.
    std::vector<CDialogSeen> OpenDialogs() const;
    // Waits for a dialog; empty window when none came within the time.
    CDialogSeen WaitForDialog(DWORD timeoutMs) const;
    void Answer(const CDialogSeen& dialog, int buttonId) const;
    bool WaitUntilDialogGone(HWND dialog, DWORD timeoutMs) const;

    // Waits until the program has handled everything posted to it so far.
    bool Settle() const;
    // The text of the status bar's one pane.
    std::string StatusText() const;

private:
    bool FindWindows();
    bool CreateBriscoProcess(const std::string& folder);
    HWND WaitForMenu() const;

    PROCESS_INFORMATION m_info = {};
    HWND m_main = nullptr;
    HWND m_tree = nullptr;
    HWND m_functionView = nullptr;
    HWND m_tabs = nullptr;
};

// What a process holds: memory, GDI and USER objects, and its windows with their children.
struct CProcessFootprint {
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD windows = 0;
};
CProcessFootprint MeasureFootprint(HANDLE process);

// GDI objects in use by a process, counted in its handle table (the process
// environment block points to it); 0 when the table cannot be read.
DWORD CountGdiObjects(HANDLE process);

// The number of tree items the machine behind the driver gives, counted in this process.
size_t ExpectedTreeItemCount();
// The folder of this test program, which holds brisco.exe and pcidevs.txt.
std::string ProgramFolder();
