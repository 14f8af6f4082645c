#include "controls/EditListCtrl.h"

#include <ctype.h>

#include <algorithm>

#include "controls/InPlaceEdit.h"
#include "res/resource.h"

namespace {

// A column narrower than this cannot hold an edit.
constexpr int kMinEditableWidth = 5;
bool IsKeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

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
ON_WM_CHAR()
ON_WM_LBUTTONDOWN()
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

// Left and Right walk the cells of a grid, Home and End go to the ends of its row. The list
// moves its focused item itself for the vertical keys, not the list control: that deselects a
// virtual list by walking every row, seconds for a large range under Wine.
void CEditListCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    const bool control = IsKeyDown(VK_CONTROL);
    const int row = GetCursorRow();
    const int column = GetCursorColumn();
    const int pageEnd = GetTopIndex() + std::max(GetCountPerPage(), 1) - 1;
    const int page = std::max(GetCountPerPage() - 1, 1);
    switch (nChar) {
    case VK_RETURN:
    case VK_F2: BeginCursorEdit(); return;
    case VK_LEFT:
    case VK_RIGHT:
        // A register list has one editable column: there the keys scroll its wide rows.
        if (IsFullRowSelect())
            break;
        if (column != -1)
            MoveCursorFrom(row, column, nChar == VK_RIGHT ? 1 : -1);
        return;
    case VK_HOME:
    case VK_END: {
        const int first = EdgeColumn(row, 1);
        const int last = EdgeColumn(row, -1);
        if (control || first == last) {
            // Control is part of the key here, so the selection moves with the cursor.
            MoveCursorToRow(nChar == VK_HOME ? 0 : GetItemCount() - 1, false);
            return;
        }
        m_cursorColumn = nChar == VK_HOME ? first : last;
        ScrollColumnIntoView(m_cursorColumn);
        RedrawRow(row);
        return;
    }
    case VK_UP: MoveCursorToRow(row - 1); return;
    case VK_DOWN: MoveCursorToRow(row + 1); return;
    case VK_PRIOR: MoveCursorToRow(row > GetTopIndex() ? GetTopIndex() : row - page); return;
    case VK_NEXT: MoveCursorToRow(row < pageEnd ? pageEnd : row + page); return;
    default: break;
    }
    CListCtrl::OnKeyDown(nChar, nRepCnt, nFlags);
}

// Shift extends the selection from its mark, Control (where controlMovesAlone) moves the
// cursor alone, otherwise the cursor row becomes the only selected one.
void CEditListCtrl::MoveCursorToRow(int row, bool controlMovesAlone)
{
    const int count = GetItemCount();
    if (count == 0)
        return;
    row = std::clamp(row, 0, count - 1);
    const int before = GetCursorRow();
    if (IsKeyDown(VK_SHIFT)) {
        int anchor = GetSelectionMark();
        if (anchor < 0 || anchor >= count)
            anchor = before >= 0 ? before : row;
        const int low = std::min(anchor, row);
        const int high = std::max(anchor, row);
        for (const int selected : GetSelectedRows()) {
            if (selected < low || selected > high)
                SetItemState(selected, 0, LVIS_SELECTED);
        }
        for (int r = low; r <= high; ++r)
            SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
        SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessage(LVM_SETSELECTIONMARK, 0, anchor);
    } else if (controlMovesAlone && IsKeyDown(VK_CONTROL)) {
        SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(row);
    }
    EnsureVisible(row, FALSE);
    RedrawRow(before);
    RedrawRow(row);
}

std::vector<int> CEditListCtrl::GetSelectedRows() const
{
    // Counted, because asking past the last selected row walks to the end of a virtual list.
    std::vector<int> rows;
    const int count = static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT));
    for (int row = -1; static_cast<int>(rows.size()) < count;) {
        row = GetNextItem(row, LVNI_SELECTED);
        if (row == -1)
            break;
        rows.push_back(row);
    }
    return rows;
}

void CEditListCtrl::SelectOnly(int row)
{
    for (const int selected : GetSelectedRows()) {
        if (selected != row)
            SetItemState(selected, 0, LVIS_SELECTED);
    }
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessage(LVM_SETSELECTIONMARK, 0, row);
}

bool CEditListCtrl::IsEntryDigit(UINT character) const
{
    if (character > 0x7F)
        return false;
    const bool hex = m_cells == nullptr || m_cells->IsHexEntry();
    return hex ? isxdigit(static_cast<int>(character)) != 0 : isdigit(static_cast<int>(character)) != 0;
}

// A digit typed on the cursor starts its edit with that digit.
void CEditListCtrl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (IsEntryDigit(nChar)) {
        if (CInPlaceEdit* edit = BeginCursorEdit())
            edit->StartWith(std::string(1, static_cast<char>(nChar)));
        return;
    }
    CListCtrl::OnChar(nChar, nRepCnt, nFlags);
}

// A click puts the cursor on the clicked cell. Without full-row select the list itself
// selects and focuses a row only through its first column, so the row is moved here too,
// with Shift and Control meaning what they mean for the arrow keys.
void CEditListCtrl::OnLButtonDown(UINT nFlags, CPoint point)
{
    CListCtrl::OnLButtonDown(nFlags, point);
    int column = 0;
    const int row = CellFromPoint(point, &column);
    if (row == -1)
        return;
    if (IsFullRowSelect())
        column = kFullRowEditColumn;
    if (IsEditableCell(row, column))
        m_cursorColumn = column;
    if (IsFullRowSelect() || column == 0)
        RedrawRow(row);
    else
        MoveCursorToRow(row);
}

bool CEditListCtrl::IsEditableCell(int row, int column) const
{
    if (row < 0 || row >= GetItemCount())
        return false;
    const bool byColumn =
        IsFullRowSelect() ? column == kFullRowEditColumn : column > 0 && column < GetColumnCount() - 1;
    return byColumn && (m_cells == nullptr || m_cells->IsCellEditable(row, column));
}

int CEditListCtrl::EdgeColumn(int row, int step) const
{
    const int columns = GetColumnCount();
    for (int i = 0; i < columns; ++i) {
        const int column = step > 0 ? i : columns - 1 - i;
        if (IsEditableCell(row, column))
            return column;
    }
    return -1;
}

int CEditListCtrl::GetCursorRow() const
{
    return m_hWnd != nullptr ? GetNextItem(-1, LVNI_FOCUSED) : -1;
}

int CEditListCtrl::GetCursorColumn() const
{
    const int row = GetCursorRow();
    if (row == -1)
        return -1;
    if (IsEditableCell(row, m_cursorColumn))
        return m_cursorColumn;
    // A row with fewer editable cells, or a grid rebuilt with other columns: the nearest edge.
    const int last = EdgeColumn(row, -1);
    return m_cursorColumn > last ? last : EdgeColumn(row, 1);
}

bool CEditListCtrl::SetCursorCell(int row, int column)
{
    if (!IsEditableCell(row, column))
        return false;
    const int before = GetCursorRow();
    SelectOnly(row);
    m_cursorColumn = column;
    EnsureVisible(row, FALSE);
    ScrollColumnIntoView(column);
    RedrawRow(before);
    RedrawRow(row);
    return true;
}

bool CEditListCtrl::MoveCursorFrom(int row, int column, int step)
{
    const int rows = GetItemCount();
    const int columns = GetColumnCount();
    for (;;) {
        column += step;
        if (column < 0 || column >= columns) {
            row += step;
            if (row < 0 || row >= rows)
                return false;
            column = step > 0 ? 0 : columns - 1;
        }
        if (IsEditableCell(row, column))
            return SetCursorCell(row, column);
    }
}

CInPlaceEdit* CEditListCtrl::BeginCursorEdit()
{
    const int row = GetCursorRow();
    const int column = GetCursorColumn();
    return column != -1 ? BeginCellEdit(row, column) : nullptr;
}

void CEditListCtrl::ScrollColumnIntoView(int column)
{
    CRect bounds;
    if (column < 0 || !GetItemRect(GetTopIndex(), &bounds, LVIR_BOUNDS))
        return;
    int left = bounds.left;
    for (int c = 0; c < column; ++c)
        left += GetColumnWidth(c);
    const int right = left + GetColumnWidth(column);
    CRect client;
    GetClientRect(&client);
    if (left < 0)
        Scroll(CSize(left, 0));
    else if (right > client.right)
        Scroll(CSize(std::min<int>(right - client.right, left), 0));
}

void CEditListCtrl::RedrawRow(int row)
{
    if (row >= 0)
        RedrawItems(row, row);
}

std::string CEditListCtrl::GetSelectedRowsText() const
{
    std::string text;
    const int columns = GetColumnCount();
    auto addRow = [&](int row) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += '\t';
            text += GetItemText(row, column);
        }
        const std::string note = m_cells != nullptr ? m_cells->GetRowNote(row) : std::string();
        if (!note.empty())
            text += '\t' + note;
        text += "\r\n";
    };
    const std::vector<int> rows = GetSelectedRows();
    if (rows.empty() && GetCursorRow() != -1)
        addRow(GetCursorRow());
    for (const int row : rows)
        addRow(row);
    return text;
}

LRESULT CEditListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return static_cast<int>(draw->nmcd.dwItemSpec) == GetCursorRow() ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    case CDDS_ITEMPOSTPAINT: {
        const int column = GetCursorColumn();
        CRect cell;
        if (column > 0 && GetSubItemRect(static_cast<int>(draw->nmcd.dwItemSpec), column, LVIR_BOUNDS, cell)) {
            // Inside the grid lines, so that the cell reads as a cursor rather than a band.
            cell.DeflateRect(1, 1);
            ::InvertRect(draw->nmcd.hdc, &cell);
        }
        return CDRF_DODEFAULT;
    }
    default: return CDRF_DODEFAULT;
    }
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
    // The cell edited becomes the cursor, however the edit was opened.
    m_cursorColumn = column;
    SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    auto* edit = new CInPlaceEdit(row, column, GetItemText(row, column));
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | GetColumnEditStyle(column);
    // A failed creation has already deleted the edit through WM_NCDESTROY.
    if (!edit->Create(style, rect, this, IDC_CELL_EDIT))
        return nullptr;
    return edit;
}
