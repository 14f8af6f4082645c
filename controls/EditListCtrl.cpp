#include "controls/EditListCtrl.h"

#include "controls/InPlaceEdit.h"
#include "res/resource.h"

namespace {

// A column narrower than this cannot hold an edit.
constexpr int kMinEditableWidth = 5;
// The edit starts a little right of the cell's left edge, like the list's own text.
constexpr int kEditLeftInset = 4;
constexpr int kEditRightInset = 3;

} // namespace

BEGIN_MESSAGE_MAP(CEditListCtrl, CListCtrl)
ON_WM_GETDLGCODE()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_WM_LBUTTONDBLCLK()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

UINT CEditListCtrl::OnGetDlgCode()
{
    return DLGC_WANTALLKEYS;
}

void CEditListCtrl::TakeFocus()
{
    if (::GetFocus() != m_hWnd)
        SetFocus();
}

void CEditListCtrl::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    TakeFocus();
    CListCtrl::OnHScroll(nSBCode, nPos, pScrollBar);
}

void CEditListCtrl::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    TakeFocus();
    CListCtrl::OnVScroll(nSBCode, nPos, pScrollBar);
}

bool CEditListCtrl::IsFullRowSelect() const
{
    return (GetExtendedStyle() & LVS_EX_FULLROWSELECT) != 0;
}

int CEditListCtrl::GetColumnCount() const
{
    CHeaderCtrl* header = GetHeaderCtrl();
    return header != nullptr ? header->GetItemCount() : 0;
}

void CEditListCtrl::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    CListCtrl::OnLButtonDblClk(nFlags, point);
    int column = 0;
    const int row = CellFromPoint(point, &column);
    if (IsFullRowSelect())
        column = kFullRowEditColumn;
    // The first and last columns are never edited: in a BAR grid they are the address and the text.
    if (row != -1 && column > 0 && column < GetColumnCount() - 1)
        BeginCellEdit(row, column);
}

void CEditListCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    const int selected = GetNextItem(-1, LVNI_SELECTED);
    if (nChar == VK_RETURN && selected != -1 && IsFullRowSelect())
        BeginCellEdit(selected, kFullRowEditColumn);
    CListCtrl::OnKeyDown(nChar, nRepCnt, nFlags);
}

int CEditListCtrl::CellFromPoint(CPoint point, int* column) const
{
    int row = HitTest(point);
    *column = 0;
    if ((GetStyle() & LVS_TYPEMASK) != LVS_REPORT)
        return row;
    const int first = GetTopIndex();
    int last = first + GetCountPerPage();
    if (last > GetItemCount())
        last = GetItemCount();
    const int columns = GetColumnCount();
    for (row = first; row <= last; ++row) {
        CRect bounds;
        if (!GetItemRect(row, &bounds, LVIR_BOUNDS) || !bounds.PtInRect(point))
            continue;
        int left = bounds.left;
        for (int c = 0; c < columns; ++c) {
            const int width = GetColumnWidth(c);
            if (point.x >= left && point.x <= left + width) {
                *column = c;
                return row;
            }
            left += width;
        }
    }
    return -1;
}

DWORD CEditListCtrl::GetColumnEditStyle(int column) const
{
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT;
    GetColumn(column, &info);
    switch (info.fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT: return ES_RIGHT;
    case LVCFMT_CENTER: return ES_CENTER;
    default: return ES_LEFT;
    }
}

bool CEditListCtrl::NotifyBeginEdit(int row, int column)
{
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = m_hWnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    info.hdr.code = LVN_BEGINLABELEDITA;
    info.item.iItem = row;
    info.item.iSubItem = column;
    return ::SendMessageA(::GetParent(m_hWnd), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info)) == 0;
}

void CEditListCtrl::CommitOpenEdit()
{
    if (m_hWnd == nullptr)
        return;
    HWND editWindow = ::GetDlgItem(m_hWnd, IDC_CELL_EDIT);
    if (auto* edit = dynamic_cast<CInPlaceEdit*>(CWnd::FromHandlePermanent(editWindow)))
        edit->Commit();
}

CInPlaceEdit* CEditListCtrl::BeginCellEdit(int row, int column)
{
    if (!EnsureVisible(row, TRUE))
        return nullptr;
    const int columns = GetColumnCount();
    if (column < 0 || column >= columns || GetColumnWidth(column) < kMinEditableWidth)
        return nullptr;
    int offset = 0;
    for (int c = 0; c < column; ++c)
        offset += GetColumnWidth(c);

    CRect bounds;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    CRect client;
    GetClientRect(&client);
    // A cell partly scrolled out is scrolled in until its left edge meets the border.
    const int cellLeft = offset + bounds.left;
    if (cellLeft < 0 || cellLeft > client.right) {
        Scroll(CSize(cellLeft, 0));
        bounds.left -= cellLeft;
    }

    CRect rect;
    rect.left = bounds.left + offset + kEditLeftInset;
    rect.right = rect.left + GetColumnWidth(column) - kEditRightInset;
    if (rect.right > client.right)
        rect.right = client.right;
    rect.top = bounds.top;
    rect.bottom = bounds.bottom;

    if (!NotifyBeginEdit(row, column))
        return nullptr;
    auto* edit = new CInPlaceEdit(row, column, GetItemText(row, column));
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | GetColumnEditStyle(column);
    // A failed creation has already deleted the edit through WM_NCDESTROY.
    if (!edit->Create(style, rect, this, IDC_CELL_EDIT))
        return nullptr;
    return edit;
}
