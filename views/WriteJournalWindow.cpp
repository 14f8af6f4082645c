#include "views/WriteJournalWindow.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include "controls/ClipboardText.h"
#include "decode/DecodeText.h"
#include "decode/JournalReplay.h"
#include "decode/WriteJournal.h"
#include "framework/Afx.h"
#include "framework/DocTemplate.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CWriteJournalWindow, CDialog)
ON_WM_TIMER()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_NOTIFY(LVN_GETDISPINFOA, IDC_JOURNAL_LIST, OnGetDispInfo)
ON_BN_CLICKED(IDC_JOURNAL_UNDO, UndoSelected)
ON_BN_CLICKED(IDC_JOURNAL_EXPORT, ExportAsSetpci)
END_MESSAGE_MAP()

namespace {

using T = CDecodeText;

struct CColumn
{
    const char* heading;
    int width; // pixels
};

constexpr CColumn kColumns[] = {
    {"Time", 165},  {"Function", 60}, {"Vendor:Device", 85}, {"Page", 120},     {"Register", 160}, {"Width", 45},
    {"Before", 60}, {"Written", 60},  {"Mask", 60},          {"Read Back", 70}, {"Result", 170},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

// Room, in pixels, between the list, the status line and the buttons.
constexpr int kMargin = 7;
constexpr int kButtonGap = 6;
constexpr UINT kButtonIds[] = {IDC_JOURNAL_UNDO, IDC_JOURNAL_EXPORT, IDCANCEL};

constexpr char kExportFilter[] = "setpci Commands (*.sh)";
constexpr char kExportExtension[] = ".sh";
constexpr char kExportName[] = "brisco-journal-setpci.sh";
constexpr char kNoSelectionText[] = "Select the write to undo first.";

std::string Hex(uint32_t value, uint32_t width)
{
    return T::Format("%0*x", int(width * 2), value);
}

std::string ResultText(const CJournalEntry& entry)
{
    std::string text;
    switch (entry.result) {
    case CJournalEntry::EResult::kKept: text = "kept"; break;
    case CJournalEntry::EResult::kDiffers: text = "differs, predicted " + Hex(entry.predicted, entry.width); break;
    case CJournalEntry::EResult::kRefused: text = "refused"; break;
    }
    if (!entry.note.empty())
        text += ": " + entry.note;
    return entry.undone ? text + ", undone" : text;
}

CRect ChildRect(HWND parent, UINT id)
{
    CRect rect;
    HWND child = ::GetDlgItem(parent, static_cast<int>(id));
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MoveChild(HWND parent, UINT id, int x, int y, int cx, int cy)
{
    ::SetWindowPos(::GetDlgItem(parent, static_cast<int>(id)), nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CWriteJournalWindow::CWriteJournalWindow(const CWriteJournal& journal, CUndo undo, CStatusSink status,
                                         std::string program)
    : CDialog(IDD_WRITE_JOURNAL),
      m_journal(journal),
      m_undo(std::move(undo)),
      m_statusSink(std::move(status)),
      m_program(std::move(program))
{
}

bool CWriteJournalWindow::Open(CWnd* owner)
{
    if (m_hWnd == nullptr) {
        if (!Create(IDD_WRITE_JOURNAL, owner))
            return false;
        KeepOnScreen();
    }
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    return true;
}

// Centred on a main window narrower than itself, the window would start partly off the screen.
void CWriteJournalWindow::KeepOnScreen()
{
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const int left = std::max<int>(work.left, std::min<int>(window.left, work.right - window.Width()));
    const int top = std::max<int>(work.top, std::min<int>(window.top, work.bottom - window.Height()));
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWriteJournalWindow::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_list.SubclassDlgItem(IDC_JOURNAL_LIST, this);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int column = 0; column < kColumnCount; ++column)
        m_list.InsertColumn(column, kColumns[column].heading, LVCFMT_LEFT, kColumns[column].width);
    m_status.clear();
    Fill();
    CRect client;
    GetClientRect(&client);
    Layout(client.Width(), client.Height());
    SetTimer(kRefreshTimer, kRefreshPeriodMs);
    return TRUE;
}

std::vector<std::string> CWriteJournalWindow::RowTexts(const CJournalEntry& entry)
{
    const bool probe = entry.kind == CJournalEntry::EKind::kBarProbe;
    std::string reg = entry.reg.empty() ? entry.target : entry.reg;
    if (!entry.reg.empty() && !entry.target.empty())
        reg = entry.target + " (" + entry.reg + ")";
    if (probe) {
        const std::string probed = "probed BAR " + std::to_string(entry.bar);
        return {CWriteJournal::FormatTime(entry.timeMs),
                CWriteJournal::FormatFunction(entry.segment, entry.bus, entry.device, entry.function),
                T::Format("%04x:%04x", entry.vendorId, entry.deviceId),
                entry.page,
                probed,
                "",
                "",
                "",
                "",
                "",
                entry.note};
    }
    const bool refused = entry.result == CJournalEntry::EResult::kRefused;
    return {CWriteJournal::FormatTime(entry.timeMs),
            CWriteJournal::FormatFunction(entry.segment, entry.bus, entry.device, entry.function),
            T::Format("%04x:%04x", entry.vendorId, entry.deviceId),
            entry.page,
            reg,
            std::to_string(entry.width),
            Hex(entry.before, entry.width),
            Hex(entry.written, entry.width),
            Hex(entry.mask, entry.width),
            refused ? std::string() : Hex(entry.readBack, entry.width),
            ResultText(entry)};
}

// The list is virtual: it asks for each cell it shows. Rows added keep the selection; rows
// dropped by the cap shift every index, so the selection goes.
void CWriteJournalWindow::Fill()
{
    const size_t count = m_journal.Entries().size();
    if (m_journal.Dropped() != m_shownDropped)
        m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemCountEx(static_cast<int>(count), LVSICF_NOSCROLL);
    if (count > 0)
        m_list.EnsureVisible(static_cast<int>(count) - 1, FALSE);
    m_list.Invalidate();
    m_shownCount = count;
    m_shownDropped = m_journal.Dropped();
    ShowStatus(m_status);
}

void CWriteJournalWindow::OnGetDispInfo(NMHDR* pNotifyStruct, LRESULT*)
{
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(pNotifyStruct);
    const auto& entries = m_journal.Entries();
    if ((info->item.mask & LVIF_TEXT) == 0 || info->item.iItem < 0 ||
        static_cast<size_t>(info->item.iItem) >= entries.size() || info->item.iSubItem >= kColumnCount)
        return;
    const std::string text = RowTexts(entries[size_t(info->item.iItem)])[size_t(info->item.iSubItem)];
    ::lstrcpynA(info->item.pszText, text.c_str(), info->item.cchTextMax);
}

void CWriteJournalWindow::RefreshIfChanged()
{
    if (m_hWnd != nullptr && (m_journal.Entries().size() != m_shownCount || m_journal.Dropped() != m_shownDropped))
        Fill();
}

void CWriteJournalWindow::UndoSelected()
{
    int selected = -1;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED))
        selected = row;
    if (selected < 0) {
        ShowStatus(kNoSelectionText);
        return;
    }
    std::string status;
    m_undo(static_cast<size_t>(selected), &status);
    ShowStatus(status);
    if (m_statusSink)
        m_statusSink(status);
    RefreshIfChanged();
}

void CWriteJournalWindow::ExportAsSetpci()
{
    std::string error;
    const std::optional<std::string> commands = CJournalReplay::ExportAsSetpci(m_journal.FormatFile(m_program), &error);
    if (!commands) {
        AfxShowMessageBox(m_hWnd, ("The journal cannot be exported:\n\n" + error).c_str(), kCaption,
                          MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string path = kExportName;
    if (!AfxPromptFileName(path, true, kExportFilter, kExportExtension))
        return;
    std::ofstream file(path, std::ios::binary);
    file << *commands;
    file.close();
    if (!file) {
        AfxShowMessageBox(m_hWnd, ("The setpci commands were not saved to " + path + ".").c_str(), kCaption,
                          MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    ShowStatus("Saved the journal as setpci commands to " + path + ".");
}

std::string CWriteJournalWindow::SelectedRowsText() const
{
    std::string text;
    for (int column = 0; column < kColumnCount; ++column)
        text += std::string(column ? "\t" : "") + kColumns[column].heading;
    text += "\r\n";
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        for (int column = 0; column < kColumnCount; ++column)
            text += (column ? "\t" : "") + m_list.GetItemText(row, column);
        text += "\r\n";
    }
    return text;
}

// Ctrl+C and Ctrl+Insert copy the selected rows; the main window's accelerators never see
// this window's keys.
BOOL CWriteJournalWindow::PreTranslateMessage(MSG* pMsg)
{
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (pMsg->message == WM_KEYDOWN && control && (pMsg->wParam == 'C' || pMsg->wParam == VK_INSERT) &&
        AfxIsInputFor(m_hWnd, pMsg)) {
        if (m_list.GetNextItem(-1, LVNI_SELECTED) >= 0)
            SetClipboardText(m_hWnd, SelectedRowsText());
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CWriteJournalWindow::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kRefreshTimer)
        RefreshIfChanged();
}

void CWriteJournalWindow::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED && m_list.GetSafeHwnd() != nullptr)
        Layout(cx, cy);
}

void CWriteJournalWindow::OnDestroy()
{
    KillTimer(kRefreshTimer);
    if (m_list.GetSafeHwnd() != nullptr)
        m_list.UnsubclassWindow();
    CDialog::OnDestroy();
}

// The list takes the room above a bottom row: the status line at the left, the buttons at the right.
void CWriteJournalWindow::Layout(int cx, int cy)
{
    const CRect button = ChildRect(m_hWnd, IDCANCEL);
    const int buttonTop = cy - kMargin - button.Height();
    int right = cx - kMargin;
    for (auto id = std::rbegin(kButtonIds); id != std::rend(kButtonIds); ++id) {
        const int width = ChildRect(m_hWnd, *id).Width();
        right -= width;
        MoveChild(m_hWnd, *id, right, buttonTop, width, button.Height());
        right -= kButtonGap;
    }
    const CRect status = ChildRect(m_hWnd, IDC_JOURNAL_STATUS);
    MoveChild(m_hWnd, IDC_JOURNAL_STATUS, kMargin, buttonTop + (button.Height() - status.Height()) / 2,
              std::max(0, right - kMargin), status.Height());
    MoveChild(m_hWnd, IDC_JOURNAL_LIST, kMargin, kMargin, std::max(0, cx - 2 * kMargin),
              std::max(0, buttonTop - 2 * kMargin));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

// The status line shows the last undo's outcome, and the cap note while entries are dropped.
void CWriteJournalWindow::ShowStatus(const std::string& text)
{
    m_status = text;
    const std::string note = m_journal.CapNote();
    std::string shown = text;
    if (!note.empty())
        shown = text.empty() ? note : text + "  (" + note + ")";
    ::SetDlgItemTextA(m_hWnd, IDC_JOURNAL_STATUS, shown.c_str());
}
