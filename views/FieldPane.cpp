#include "views/FieldPane.h"

#include <algorithm>

#include "controls/ClipboardText.h"
#include "controls/PaneColors.h"
#include "decode/DecodeText.h"
#include "decode/TypedValue.h"
#include "decode/WriteEffect.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "framework/SplitterWnd.h"
#include "pci/RegisterLocator.h"
#include "res/resource.h"
#include "views/ModalQuestion.h"

namespace {

struct CColumnLayout
{
    const char* heading;
    int width;
};

constexpr CColumnLayout kColumns[CFieldRow::kColumnCount] = {
    {"Bits", 60}, {"Name", 250}, {"Value", 100}, {"Access", 70}, {"Meaning", 300}};

constexpr int kBarHeight = CSplitterWnd::kSplitterSize;
constexpr int kHexDigitsPerByte = 2;

std::string FormatRegister(uint32_t value, uint32_t width)
{
    return CDecodeText::Format("%0*Xh", int(width) * kHexDigitsPerByte, value);
}

bool IsControlDown()
{
    return (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CFieldPane, CWnd)
ON_WM_SIZE()
ON_WM_SETCURSOR()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

bool CFieldPane::CreatePane(CWnd* parent, UINT id)
{
    const char* className =
        AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!CreateEx(0, className, nullptr, WS_CHILD | WS_CLIPCHILDREN, CRect(0, 0, 0, 0), parent, id))
        return false;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS;
    if (!m_list.Create(style, CRect(0, 0, 0, 0), this, IDC_FIELD_LIST))
        return false;
    m_list.SetCells(this);
    for (int column = 0; column < CFieldRow::kColumnCount; ++column) {
        m_list.InsertColumn(column, kColumns[column].heading, LVCFMT_LEFT);
        m_list.SetColumnWidth(column, kColumns[column].width);
    }
    m_list.SetBkColor(kPaneBackgroundColor);
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES);
    return true;
}

void CFieldPane::ShowRegister(CPciFunction* function, std::optional<uint32_t> offset)
{
    m_function = function;
    m_offset = function != nullptr ? offset : std::nullopt;
    Reload();
}

void CFieldPane::Reload()
{
    if (m_function != nullptr && m_offset)
        m_rows = CFieldRows::Build(m_function->GetSpace(), m_function->GetSpaceSize(), *m_offset, m_hexMode);
    else
        m_rows = CFieldRows();
    ShowRows();
}

void CFieldPane::SetHexMode(bool hex)
{
    m_hexMode = hex;
    Reload();
}

// Rows keep their place when the register stays, so the cursor stays on the field edited.
void CFieldPane::ShowRows()
{
    if (m_list.m_hWnd == nullptr)
        return;
    const std::vector<CFieldRow>& rows = m_rows.GetRows();
    const int count = int(rows.size());
    m_list.SetRedraw(FALSE);
    if (m_list.GetItemCount() != count) {
        m_list.DeleteAllItems();
        for (int item = 0; item < count; ++item)
            m_list.InsertItem(item, "");
    }
    for (int item = 0; item < count; ++item) {
        for (int column = 0; column < CFieldRow::kColumnCount; ++column)
            m_list.SetItemText(item, column, rows[size_t(item)].Column(column).c_str());
    }
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
}

void CFieldPane::FitBelow(CWnd* list)
{
    if (list == nullptr || GetParent() == nullptr)
        return;
    CRect rect;
    list->GetWindowRect(&rect);
    GetParent()->ScreenToClient(&rect);
    m_above = list;
    m_areaTop = rect.top;
    m_areaBottom = rect.bottom;
    m_width = rect.Width();
    Layout();
}

void CFieldPane::Layout()
{
    const int room = m_areaBottom - m_areaTop;
    if (m_height == kUnsized)
        m_height = room * kDefaultShare / 100;
    // The list keeps its smallest height before the pane does.
    const int height = std::max(std::min(m_height, room - kMinListHeight), std::min(kMinListHeight, room));
    if (m_above != nullptr)
        m_above->SetWindowPos(nullptr, 0, m_areaTop, m_width, room - height, SWP_NOZORDER | SWP_NOOWNERZORDER);
    if (m_hWnd == nullptr)
        return;
    SetWindowPos(nullptr, 0, m_areaBottom - height, m_width, height, SWP_NOZORDER | SWP_NOOWNERZORDER);
    // A drag moves both windows many times a second; the pane's list is drawn anew each time.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CFieldPane::Show(bool show)
{
    if (m_hWnd == nullptr)
        return;
    if (show)
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CFieldPane::OnSize(UINT, int cx, int cy)
{
    if (m_list.m_hWnd != nullptr)
        m_list.SetWindowPos(nullptr, 0, kBarHeight, cx, std::max(cy - kBarHeight, 0), SWP_NOZORDER);
}

BOOL CFieldPane::OnSetCursor(CWnd* window, UINT, UINT)
{
    if (window == this) {
        ::SetCursor(::LoadCursor(nullptr, IDC_SIZENS));
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}

void CFieldPane::OnLButtonDown(UINT, CPoint point)
{
    if (point.y < kBarHeight) {
        m_tracking = true;
        SetCapture();
    }
}

// The pane's bottom stays; the bar follows the pointer, within both lists' smallest height.
void CFieldPane::OnMouseMove(UINT, CPoint point)
{
    if (!m_tracking)
        return;
    ClientToScreen(&point);
    if (CWnd* parent = GetParent())
        parent->ScreenToClient(&point);
    m_height = m_areaBottom - point.y;
    Layout();
}

void CFieldPane::OnLButtonUp(UINT, CPoint)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    ::ReleaseCapture();
    // What the layout allowed is what the pane keeps.
    CRect rect;
    GetWindowRect(&rect);
    m_height = rect.Height();
}

bool CFieldPane::IsCellEditable(int row, int column) const
{
    const auto& rows = m_rows.GetRows();
    return column == CFieldRow::kValueColumn && row >= 0 && size_t(row) < rows.size() && rows[size_t(row)].known;
}

bool CFieldPane::BeginFieldEdit(int row, int column)
{
    m_editTarget = {};
    const auto& rows = m_rows.GetRows();
    if (column != CFieldRow::kValueColumn || row < 0 || size_t(row) >= rows.size() || !rows[size_t(row)].known)
        return false;
    const CFieldRow& field = rows[size_t(row)];
    if (!field.IsEditable()) {
        ShowStatus("Bits " + field.bits + " (" + field.name + ") are " + field.access +
                   ": a write does not change them.");
        AfxMessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    m_editTarget = {true, m_function, m_rows, size_t(row), m_hexMode};
    if (field.IsClearAction())
        ShowStatus("Type 1 in each bit to clear; bits typed as 0 are left as they are.");
    return true;
}

std::optional<CFieldWrite> CFieldPane::TypedWrite(const std::string& text) const
{
    const CEditTarget& target = m_editTarget;
    const CTypedValue typed = CTypedValue::Parse(text.c_str(), target.hexMode, target.rows.GetWidth());
    if (!typed.value)
        return std::nullopt;
    return target.rows.ComposeEdit(target.row, *typed.value);
}

void CFieldPane::PreviewFieldEdit(const std::string& text) const
{
    if (!m_editTarget.open || m_editTarget.function == nullptr)
        return;
    const std::optional<CFieldWrite> write = TypedWrite(text);
    if (!write)
        return;
    const CPciFunction& function = *m_editTarget.function;
    const uint8_t* space = function.GetSpace();
    const uint32_t size = function.GetSpaceSize();
    const pci::CRegisterBits bits = pci::DescribeWindow(space, size, write->offset, write->width);
    const uint32_t before = function.GetSpaceValue(write->offset, write->width);
    const uint32_t written = pci::ComposeWrite(bits, before, write->value, write->mask);
    ShowStatus(CWriteEffect::Describe(space, size, write->offset, write->width, before, written));
}

void CFieldPane::CommitFieldEdit(const char* text)
{
    if (!m_editTarget.open || m_editTarget.function == nullptr || m_editTarget.function != m_function) {
        m_editTarget = {};
        return;
    }
    const std::optional<CFieldWrite> write = TypedWrite(text);
    const CEditTarget target = m_editTarget;
    m_editTarget = {};
    const CFieldRow& field = target.rows.GetRows()[target.row];
    if (!write) {
        const CTypedValue typed = CTypedValue::Parse(text, target.hexMode, target.rows.GetWidth());
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowStatus(typed.value ? "The value does not fit bits " + field.bits + " (" + field.name + ")."
                               : typed.refusal);
        return;
    }
    if (field.hostOwned && !ConfirmHostOwned())
        return;
    target.function->TakeWriteError();
    const CPciFunction::CWriteResult result =
        target.function->Write(write->offset, write->width, write->value, write->mask);
    ReportWrite(target.rows, target.function->TakeWriteError(), result);
    if (m_onWritten)
        m_onWritten();
    Reload();
}

bool CFieldPane::ConfirmHostOwned() const
{
    if (m_function == nullptr || CPciFunction::DescribeSource(m_function->GetDriverHandle()).live)
        return true;
    return CModalQuestion::Ask(m_hWnd, kHostOwnedQuestion, kHostOwnedCaption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// Only a read-back other than predicted beeps: an RW1C bit reads zero after its clear, a
// read-only one as before.
void CFieldPane::ReportWrite(const CFieldRows& rows, DWORD error, const CPciFunction::CWriteResult& result) const
{
    if (error != ERROR_SUCCESS) {
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowStatus(CPciFunction::DescribeWriteError(error, false));
        return;
    }
    if (!result.sent || !result.readOk) {
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowStatus("The register could not be read back after the write.");
        return;
    }
    const uint8_t* space = m_function->GetSpace();
    const uint32_t size = m_function->GetSpaceSize();
    if (result.Differs() != 0) {
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowStatus(CWriteEffect::DescribeDifference(space, size, rows.GetOffset(), rows.GetWidth(), result.predicted,
                                                    result.readBack));
        return;
    }
    const std::string effect =
        CWriteEffect::Describe(space, size, rows.GetOffset(), rows.GetWidth(), result.before, result.written);
    ShowStatus("Read back " + FormatRegister(result.readBack, rows.GetWidth()) + " as predicted" +
               (effect.empty() ? std::string(".") : ": " + effect + "."));
}

void CFieldPane::ShowStatus(const std::string& text) const
{
    if (CFrameWnd* frame = GetParentFrame())
        frame->SetMessageText(text.c_str());
}

std::string CFieldPane::GetFieldsText() const
{
    std::string text;
    for (const CFieldRow& row : m_rows.GetRows()) {
        for (int column = 0; column < CFieldRow::kColumnCount; ++column)
            text += (column > 0 ? "\t" : "") + row.Column(column);
        text += "\r\n";
    }
    return text;
}

void CFieldPane::CopyFields() const
{
    const std::string text = GetFieldsText();
    if (!text.empty() && !SetClipboardText(m_hWnd, text))
        AfxMessageBeep(MB_ICONEXCLAMATION);
}

// Ctrl+C in the pane copies its fields rather than the page's registers.
BOOL CFieldPane::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'C' && pMsg->hwnd == m_list.m_hWnd && IsControlDown()) {
        CopyFields();
        return TRUE;
    }
    return CWnd::PreTranslateMessage(pMsg);
}

BOOL CFieldPane::CFieldList::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_CELL_EDIT && HIWORD(wParam) == EN_CHANGE && GetParent() != nullptr) {
        GetParent()->SendMessage(WM_COMMAND, wParam, lParam);
        return TRUE;
    }
    return CEditListCtrl::OnCommand(wParam, lParam);
}

BOOL CFieldPane::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_CELL_EDIT && HIWORD(wParam) == EN_CHANGE) {
        char text[64] = {};
        ::GetWindowTextA(reinterpret_cast<HWND>(lParam), text, sizeof text);
        PreviewFieldEdit(text);
        return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CFieldPane::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    *pResult = 0;
    if (header == nullptr)
        return TRUE;
    if (header->code == NM_CUSTOMDRAW && header->hwndFrom == m_list.m_hWnd) {
        *pResult = m_list.OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        return TRUE;
    }
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
    if (header->idFrom == IDC_CELL_EDIT) {
        CommitFieldEdit(info->item.pszText);
        return TRUE;
    }
    if (header->code == LVN_BEGINLABELEDITA) {
        *pResult = BeginFieldEdit(info->item.iItem, info->item.iSubItem) ? 0 : 1;
        return TRUE;
    }
    return FALSE;
}
