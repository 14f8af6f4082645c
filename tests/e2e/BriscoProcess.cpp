#include "tests/e2e/BriscoProcess.h"

#include "app/BriscoSettings.h"

#include <winternl.h>
#include <psapi.h>

#include <cstring>
#include <set>

#include "views/BusTreeModel.h"
#include "device/PciFunction.h"
#include "res/resource.h"

namespace {

constexpr char kCaption[] = "Brisco by Velmora";
constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
constexpr char kDialogClass[] = "#32770";
constexpr char kMenuClass[] = "#32768";
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 20000;
constexpr DWORD kPollMs = 10;
constexpr size_t kTextRoom = 512;
// Far more items than any machine has: a cycle in the tree ends the walk.
constexpr size_t kMaxTreeItems = 8192;
constexpr DWORD kMenuTimeoutMs = 5000;
// A scan of the scale machine takes half a minute under Wine.
constexpr DWORD kScanTimeoutMs = 120000;
constexpr char kScanningPrefix[] = "Scanning bus ";

struct CTopLevelSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<CTopLevelSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && ::IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId)
{
    CTopLevelSearch search = {processId, {}};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[kTextRoom] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK FindTree(HWND window, LPARAM lParam)
{
    if (ClassOf(window) != WC_TREEVIEWA)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

BOOL CALLBACK FindTabs(HWND window, LPARAM lParam)
{
    if (::GetDlgCtrlID(window) != IDC_FUNCTION_TABS || ClassOf(window) != WC_TABCONTROLA)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

// The longest static text of a message box is its message.
BOOL CALLBACK CollectStaticText(HWND window, LPARAM lParam)
{
    auto* text = reinterpret_cast<std::string*>(lParam);
    if (ClassOf(window) == "Static") {
        const std::string own = TextOf(window);
        if (own.size() > text->size())
            *text = own;
    }
    return TRUE;
}

POINT Middle(const RECT& rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

} // namespace

CBriscoProcess::CBriscoProcess() = default;

CBriscoProcess::~CBriscoProcess()
{
    if (m_info.hProcess == nullptr)
        return;
    if (IsRunning())
        ::TerminateProcess(m_info.hProcess, 1);
    ::WaitForSingleObject(m_info.hProcess, kExitTimeoutMs);
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool CBriscoProcess::Start(size_t expectedTreeItems, std::string* why)
{
    const std::string folder = ProgramFolder();
    // Every run starts as a new user would, whatever an earlier run saved.
    CBriscoSettings::DeleteAll();
    if (!CreateBriscoProcess(folder)) {
        *why = "cannot start brisco.exe in " + folder;
        return false;
    }
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
        if (!IsRunning()) {
            *why = "brisco.exe ended during start-up";
            return false;
        }
        if (FindWindows() && TreeCount() == expectedTreeItems && Settle())
            return true;
        ::Sleep(kPollMs);
    }
    *why = m_main == nullptr ? "no main window appeared"
                             : "the tree holds " + std::to_string(TreeCount()) + " items, not " +
                                   std::to_string(expectedTreeItems);
    return false;
}

bool CBriscoProcess::CreateBriscoProcess(const std::string& folder)
{
    std::string commandLine = "\"" + folder + "brisco.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &m_info) != FALSE;
}

bool CBriscoProcess::FindWindows()
{
    m_main = nullptr;
    for (HWND window : VisibleTopLevelWindows(m_info.dwProcessId)) {
        if (::GetWindow(window, GW_OWNER) == nullptr && TextOf(window) == kCaption)
            m_main = window;
    }
    if (m_main == nullptr)
        return false;
    m_tree = nullptr;
    m_tabs = nullptr;
    ::EnumChildWindows(m_main, &FindTree, reinterpret_cast<LPARAM>(&m_tree));
    ::EnumChildWindows(m_main, &FindTabs, reinterpret_cast<LPARAM>(&m_tabs));
    m_functionView = m_tabs != nullptr ? ::GetParent(m_tabs) : nullptr;
    return m_tree != nullptr && m_functionView != nullptr;
}

bool CBriscoProcess::IsRunning() const
{
    return m_info.hProcess != nullptr && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

HWND CBriscoProcess::WaitForMenu() const
{
    for (DWORD waited = 0; waited < kMenuTimeoutMs; waited += kPollMs) {
        ::Sleep(kPollMs);
        for (HWND window : VisibleTopLevelWindows(m_info.dwProcessId)) {
            if (ClassOf(window) == kMenuClass)
                return window;
        }
    }
    return nullptr;
}

bool CBriscoProcess::ChooseFromMenuBar(char letter, const std::vector<WORD>& keys, std::string* why) const
{
    ::PostMessageA(m_main, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(letter));
    HWND menu = WaitForMenu();
    if (menu == nullptr) {
        *why = std::string("the menu of Alt+") + letter + " did not open";
        return false;
    }
    for (WORD key : keys)
        ::PostMessageA(menu, WM_KEYDOWN, key, 0);
    for (DWORD waited = 0; waited < kMenuTimeoutMs; waited += kPollMs) {
        if (!::IsWindowVisible(menu))
            return Settle() || !::IsWindow(m_main) || !IsRunning();
        ::Sleep(kPollMs);
    }
    *why = std::string("the menu of Alt+") + letter + " stayed open";
    return false;
}

bool CBriscoProcess::ExitThroughMenu(DWORD* exitCode, std::string* why)
{
    // Options opens with its first item selected; Up wraps round to Exit, the last.
    if (!ChooseFromMenuBar('o', {VK_UP, VK_RETURN}, why))
        return false;
    if (::WaitForSingleObject(m_info.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
        *why = "brisco.exe did not end after Options/Exit";
        return false;
    }
    return ::GetExitCodeProcess(m_info.hProcess, exitCode) != FALSE;
}

bool CBriscoProcess::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) const
{
    DWORD_PTR answer = 0;
    const bool answered =
        ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &answer) != 0;
    if (result != nullptr)
        *result = static_cast<LRESULT>(answer);
    return answered;
}

bool CBriscoProcess::Settle() const
{
    // A sent message is handled only when the program is back in its message loop;
    // repeated, it lets the posted messages before it run too.
    for (int round = 0; round < 3; ++round) {
        if (!Send(m_main, WM_NULL, 0, 0))
            return false;
        ::Sleep(kPollMs);
    }
    // A scan answers sent messages between the devices it probes; it is over once the status
    // bar stops counting buses, and what was posted meanwhile runs after it.
    bool scanned = false;
    for (DWORD waited = 0; waited < kScanTimeoutMs; waited += kPollMs) {
        if (StatusText().rfind(kScanningPrefix, 0) != 0) {
            scanned = true;
            break;
        }
        ::Sleep(kPollMs);
    }
    return scanned && Send(m_main, WM_NULL, 0, 0);
}

std::string CBriscoProcess::StatusText() const
{
    HWND status = ::GetDlgItem(m_main, AFX_IDW_STATUS_BAR);
    CRemoteBuffer remote(m_info.hProcess, kTextRoom);
    char text[kTextRoom] = {};
    if (status == nullptr || !remote.Write(text, sizeof text))
        return {};
    Send(status, SB_GETTEXTA, 0, remote.Address());
    remote.Read(text, sizeof text - 1);
    return text;
}

std::vector<HTREEITEM> CBriscoProcess::TreeItems() const
{
    std::vector<HTREEITEM> items;
    std::set<HTREEITEM> visited;
    std::vector<HTREEITEM> pending;
    LRESULT root = 0;
    Send(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, &root);
    for (HTREEITEM item = reinterpret_cast<HTREEITEM>(root); item != nullptr && items.size() < kMaxTreeItems;) {
        if (!visited.insert(item).second)
            break;
        items.push_back(item);
        LRESULT next = 0;
        Send(m_tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item), &next);
        if (next == 0)
            Send(m_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item), &next);
        // Climb until an ancestor has a next sibling.
        for (HTREEITEM up = item; next == 0 && up != nullptr;) {
            LRESULT parent = 0;
            Send(m_tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(up), &parent);
            up = reinterpret_cast<HTREEITEM>(parent);
            if (up != nullptr)
                Send(m_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(up), &next);
        }
        item = reinterpret_cast<HTREEITEM>(next);
    }
    return items;
}

std::string CBriscoProcess::TreeItemText(HTREEITEM item) const
{
    CRemoteBuffer remote(m_info.hProcess, sizeof(TVITEMA) + kTextRoom);
    TVITEMA info = {};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = reinterpret_cast<char*>(remote.Address(sizeof info));
    info.cchTextMax = kTextRoom;
    char text[kTextRoom] = {};
    if (!remote.Write(&info, sizeof info) || !remote.Write(text, sizeof text, sizeof info))
        return {};
    Send(m_tree, TVM_GETITEMA, 0, remote.Address());
    remote.Read(text, sizeof text - 1, sizeof info);
    return text;
}

size_t CBriscoProcess::TreeCount() const
{
    LRESULT count = 0;
    return m_tree != nullptr && Send(m_tree, TVM_GETCOUNT, 0, 0, &count) ? static_cast<size_t>(count) : 0;
}

bool CBriscoProcess::SelectTreeItem(HTREEITEM item) const
{
    LRESULT done = 0;
    return Send(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), &done) && done != 0;
}

int CBriscoProcess::TabCount() const
{
    LRESULT count = 0;
    return Send(m_tabs, TCM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : 0;
}

int CBriscoProcess::CurrentTab() const
{
    LRESULT current = -1;
    return Send(m_tabs, TCM_GETCURSEL, 0, 0, &current) ? static_cast<int>(current) : -1;
}

std::string CBriscoProcess::TabText(int index) const
{
    CRemoteBuffer remote(m_info.hProcess, sizeof(TCITEMA) + kTextRoom);
    TCITEMA info = {};
    info.mask = TCIF_TEXT;
    info.pszText = reinterpret_cast<char*>(remote.Address(sizeof info));
    info.cchTextMax = kTextRoom;
    char text[kTextRoom] = {};
    if (!remote.Write(&info, sizeof info) || !remote.Write(text, sizeof text, sizeof info))
        return {};
    Send(m_tabs, TCM_GETITEMA, static_cast<WPARAM>(index), remote.Address());
    remote.Read(text, sizeof text - 1, sizeof info);
    return text;
}

// Posted, not sent: the tab change may open a modal question that the test answers.
void CBriscoProcess::ClickTab(int index) const
{
    CRemoteBuffer remote(m_info.hProcess, sizeof(RECT));
    RECT rect = {};
    Send(m_tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), remote.Address());
    remote.Read(&rect, sizeof rect);
    const POINT middle = Middle(rect);
    ::PostMessageA(m_tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    ::PostMessageA(m_tabs, WM_LBUTTONUP, 0, MAKELPARAM(middle.x, middle.y));
}

int CBriscoProcess::ListItemCount(HWND list) const
{
    LRESULT count = 0;
    return Send(list, LVM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : -1;
}

int CBriscoProcess::ListColumnCount(HWND list) const
{
    LRESULT header = 0;
    LRESULT count = 0;
    if (!Send(list, LVM_GETHEADER, 0, 0, &header) || header == 0)
        return 0;
    return Send(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : 0;
}

std::string CBriscoProcess::ListItemText(HWND list, int row, int column) const
{
    CRemoteBuffer remote(m_info.hProcess, sizeof(LVITEMA) + kTextRoom);
    LVITEMA info = {};
    info.iSubItem = column;
    info.pszText = reinterpret_cast<char*>(remote.Address(sizeof info));
    info.cchTextMax = kTextRoom;
    char text[kTextRoom] = {};
    if (!remote.Write(&info, sizeof info) || !remote.Write(text, sizeof text, sizeof info))
        return {};
    Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), remote.Address());
    remote.Read(text, sizeof text - 1, sizeof info);
    return text;
}

std::string CBriscoProcess::ListColumnHeading(HWND list, int column) const
{
    CRemoteBuffer remote(m_info.hProcess, sizeof(LVCOLUMNA) + kTextRoom);
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = reinterpret_cast<char*>(remote.Address(sizeof info));
    info.cchTextMax = kTextRoom;
    char text[kTextRoom] = {};
    if (!remote.Write(&info, sizeof info) || !remote.Write(text, sizeof text, sizeof info))
        return {};
    Send(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), remote.Address());
    remote.Read(text, sizeof text - 1, sizeof info);
    return text;
}

bool CBriscoProcess::EditCell(HWND list, int row, int column, const std::string& text, std::string* why) const
{
    Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    CRemoteBuffer remote(m_info.hProcess, sizeof(RECT));
    RECT cell = {LVIR_BOUNDS, column, 0, 0};
    remote.Write(&cell, sizeof cell);
    Send(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), remote.Address());
    remote.Read(&cell, sizeof cell);
    if (column == 0) {
        LRESULT width = 0;
        Send(list, LVM_GETCOLUMNWIDTH, 0, 0, &width);
        cell.right = cell.left + static_cast<LONG>(width);
    }
    const POINT middle = Middle(cell);
    ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    HWND edit = nullptr;
    for (DWORD waited = 0; waited < kAnswerTimeoutMs && edit == nullptr; waited += kPollMs) {
        ::Sleep(kPollMs);
        edit = ::GetDlgItem(list, IDC_CELL_EDIT);
    }
    if (edit == nullptr) {
        *why = "no in-place edit opened over row " + std::to_string(row) + ", column " + std::to_string(column);
        return false;
    }
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::PostMessageA(edit, WM_CHAR, VK_RETURN, 0);
    for (DWORD waited = 0; waited < kAnswerTimeoutMs; waited += kPollMs) {
        if (!::IsWindow(edit))
            return Settle();
        ::Sleep(kPollMs);
    }
    *why = "the in-place edit stayed open after Enter";
    return false;
}

bool CBriscoProcess::ChooseFromContextMenu(HWND list, int downPresses, std::string* why) const
{
    RECT rect = {};
    ::GetWindowRect(list, &rect);
    const POINT middle = Middle(rect);
    ::PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(middle.x, middle.y));
    HWND menu = WaitForMenu();
    if (menu == nullptr) {
        *why = "the context menu did not open";
        return false;
    }
    for (int i = 0; i < downPresses; ++i)
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    for (DWORD waited = 0; waited < kMenuTimeoutMs; waited += kPollMs) {
        if (!::IsWindowVisible(menu))
            return Settle();
        ::Sleep(kPollMs);
    }
    *why = "the context menu stayed open";
    return false;
}

std::vector<CDialogSeen> CBriscoProcess::OpenDialogs() const
{
    std::vector<CDialogSeen> dialogs;
    for (HWND window : VisibleTopLevelWindows(m_info.dwProcessId)) {
        if (ClassOf(window) != kDialogClass)
            continue;
        CDialogSeen seen;
        seen.window = window;
        seen.caption = TextOf(window);
        ::EnumChildWindows(window, &CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
        dialogs.push_back(seen);
    }
    return dialogs;
}

CDialogSeen CBriscoProcess::WaitForDialog(DWORD timeoutMs) const
{
    for (DWORD waited = 0;; waited += kPollMs) {
        std::vector<CDialogSeen> dialogs = OpenDialogs();
        if (!dialogs.empty())
            return dialogs.front();
        if (waited >= timeoutMs)
            return {};
        ::Sleep(kPollMs);
    }
}

void CBriscoProcess::Answer(const CDialogSeen& dialog, int buttonId) const
{
    ::PostMessageA(dialog.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog.window, buttonId)));
}

bool CBriscoProcess::WaitUntilDialogGone(HWND dialog, DWORD timeoutMs) const
{
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (!::IsWindow(dialog) || !::IsWindowVisible(dialog))
            return true;
        ::Sleep(kPollMs);
    }
    return false;
}

// ---- helpers ----

namespace {

// One entry of the GDI handle table as Wine lays it out; Type 0 marks a free entry.
#pragma pack(push, 4)
struct CGdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t extType;
    uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(CGdiHandleEntry) == 24);

constexpr size_t kGdiHandleCount = 0x10000;
// Offset of GdiSharedHandleTable in a 32-bit process environment block.
constexpr size_t kPebGdiTableOffset = 0x94;

} // namespace

DWORD CountGdiObjects(HANDLE process)
{
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return 0;
    uint32_t table = 0;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset,
                             &table, sizeof table, &read) ||
        table == 0)
        return 0;
    std::vector<CGdiHandleEntry> entries(kGdiHandleCount);
    if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(table)), entries.data(),
                             entries.size() * sizeof(CGdiHandleEntry), &read))
        return 0;
    DWORD used = 0;
    for (const CGdiHandleEntry& entry : entries) {
        if (entry.type != 0)
            ++used;
    }
    return used;
}

size_t ExpectedTreeItemCount()
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

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

namespace {

// Children of children are enumerated by EnumChildWindows already.
BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<DWORD*>(lParam);
    return TRUE;
}

struct CWindowCount {
    DWORD processId;
    DWORD count;
};

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam)
{
    auto* counting = reinterpret_cast<CWindowCount*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == counting->processId) {
        ++counting->count;
        ::EnumChildWindows(window, &CountChild, reinterpret_cast<LPARAM>(&counting->count));
    }
    return TRUE;
}

} // namespace

CProcessFootprint MeasureFootprint(HANDLE process)
{
    CProcessFootprint footprint;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        footprint.privateBytes = counters.PagefileUsage;
        footprint.workingSet = counters.WorkingSetSize;
    }
    // Wine does not count GUI resources; its handle table can be read instead.
    footprint.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
    if (footprint.gdiObjects == 0)
        footprint.gdiObjects = CountGdiObjects(process);
    footprint.userObjects = ::GetGuiResources(process, GR_USEROBJECTS);
    CWindowCount counting = {::GetProcessId(process), 0};
    ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&counting));
    footprint.windows = counting.count;
    return footprint;
}
