// A report list whose cells can be edited in place: a double-click (or Enter in a
// full-row-select list) opens a CInPlaceEdit over the cell, which reports the typed text
// to the list's parent. The list never keeps the typed text itself.
#pragma once
#include "framework/ListCtrl.h"

class CInPlaceEdit;

class CEditListCtrl : public CListCtrl {
public:
    // The column a full-row-select list edits, wherever the row was clicked.
    static constexpr int kFullRowEditColumn = 3;

    // The row under a point in client coordinates and, through column, its column; -1 if none.
    int CellFromPoint(CPoint point, int* column) const;
    // Opens the edit over a cell; null when the cell cannot be edited. The edit owns itself.
    // The parent hears of it first (LVN_BEGINLABELEDIT from the list), so it can note the cell's
    // target, or refuse the cell by answering non-zero.
    CInPlaceEdit* BeginCellEdit(int row, int column);
    // Commits the in-place edit open over one of the cells, if any, before the list changes.
    void CommitOpenEdit();

    UINT OnGetDlgCode();
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

protected:
    DECLARE_MESSAGE_MAP()

private:
    bool IsFullRowSelect() const;
    // False when the parent refused the cell.
    bool NotifyBeginEdit(int row, int column);
    int GetColumnCount() const;
    DWORD GetColumnEditStyle(int column) const;
    // Taking the focus commits an open in-place edit before the list scrolls.
    void TakeFocus();
};
