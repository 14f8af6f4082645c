#pragma once
// brisco.exe driven from outside: started as a process and steered through window
// messages, with its answers read through memory lent inside its address space.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

// A block of memory inside another process, for messages that carry pointers.
class CRemoteBuffer {
public:
    CRemoteBuffer(HANDLE process, size_t size);
    ~CRemoteBuffer();
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

    LPARAM Address(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(m_address) + offset); }
    bool Write(const void* data, size_t size, size_t offset = 0) const;
    bool Read(void* data, size_t size, size_t offset = 0) const;

private:
    HANDLE m_process;
    void* m_address;
};

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
    // Sends a command to a window and lets a message box it opens be seen afterwards.
    void PostCommand(HWND window, UINT id) const;

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

// Text that the program writes to the debugger channel, captured through the
// DBWIN protocol from every process of the session.
class CDebugOutputCapture {
public:
    CDebugOutputCapture();
    ~CDebugOutputCapture();
    CDebugOutputCapture(const CDebugOutputCapture&) = delete;
    CDebugOutputCapture& operator=(const CDebugOutputCapture&) = delete;

    bool IsListening() const { return m_thread != nullptr; }
    // Lines written by one process since the last call.
    std::vector<std::string> Take(DWORD processId);

private:
    static DWORD WINAPI ListenThread(void* self);
    void Listen();

    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_lock;
    std::vector<std::pair<DWORD, std::string>> m_lines;
};

// The stand-in driver's fault switch, sent from the test; switched off again on destruction.
class CFaultSwitch {
public:
    CFaultSwitch();
    ~CFaultSwitch();
    CFaultSwitch(const CFaultSwitch&) = delete;
    CFaultSwitch& operator=(const CFaultSwitch&) = delete;

    bool IsOpen() const { return m_driver != INVALID_HANDLE_VALUE; }
    bool FailAll();
    bool FailFunction(uint32_t bus, uint32_t device, uint32_t function);
    bool Off();

private:
    bool Set(uint32_t mode, uint32_t bus, uint32_t device, uint32_t function);

    HANDLE m_driver = INVALID_HANDLE_VALUE;
};

// GDI objects in use by a process, counted in its handle table (the process
// environment block points to it); 0 when the table cannot be read.
DWORD CountGdiObjects(HANDLE process);

// The number of tree items the machine behind the driver gives, counted in this process.
size_t ExpectedTreeItemCount();
// The folder of this test program, which holds brisco.exe and pcidevs.txt.
std::string ProgramFolder();
