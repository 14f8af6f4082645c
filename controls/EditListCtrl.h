// A report list whose cells can be edited in place: a double-click, or Enter, F2 or a typed
// digit on the keyboard's cell cursor, opens a CInPlaceEdit over the cell, which reports
// the typed text to the list's parent. The list never keeps the typed text itself.
#pragma once
#include <string>
#include <vector>

#include "framework/ListCtrl.h"

class CInPlaceEdit;

// What the owner of a list says about its cells, beyond the list's own column rule.
class CEditListCells {
public:
    virtual bool IsCellEditable(int /*row*/, int /*column*/) const { return true; }
    // Whether values are typed in hexadecimal, so that A-F may start an edit too.
    virtual bool IsHexEntry() const { return true; }
    // A further column that copying adds to a row, such as what a compared image holds; empty for none.
    virtual std::string GetRowNote(int /*row*/) const { return {}; }
    // The text of the edit open over a cell changed (as typed, and once as it opens).
    virtual void OnEditTextChanged(int /*row*/, int /*column*/, const std::string& /*text*/) const {}

protected:
    ~CEditListCells() = default;
};

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

    // The cursor row is the list's focused item; the cursor column is kept here.
    void SetCells(const CEditListCells* cells) { m_cells = cells; }
    // Passes the open edit's new text on to the owner of the cells.
    void NotifyEditText(int row, int column, const std::string& text) const
    {
        if (m_cells != nullptr)
            m_cells->OnEditTextChanged(row, column, text);
    }
    // Editable by the list's column rule (the value column of a full-row-select list, else
    // every column but the first and the last) and by its owner.
    bool IsEditableCell(int row, int column) const;
    int GetCursorRow() const;
    // The cursor's column, moved to an editable one of the cursor row; -1 without a cursor.
    int GetCursorColumn() const;
    // Puts the cursor on a cell, makes its row the only selected one and scrolls it into view.
    bool SetCursorCell(int row, int column);
    // Moves the cursor from a cell to the next (step 1) or previous (step -1) editable cell in
    // reading order; false, and no move, when there is none.
    bool MoveCursorFrom(int row, int column, int step);
    std::vector<int> GetSelectedRows() const;
    // The selected rows (or the cursor row) as lines of tab-separated columns.
    std::string GetSelectedRowsText() const;
    // Answers NM_CUSTOMDRAW, which the parent hands over: the cursor cell is drawn inverted.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);

    UINT OnGetDlgCode();
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);

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
    // The first (step 1) or last (step -1) editable column of a row; -1 if none.
    int EdgeColumn(int row, int step) const;
    bool IsEntryDigit(UINT character) const;
    CInPlaceEdit* BeginCursorEdit();
    void MoveCursorToRow(int row, bool controlMovesAlone = true);
    void SelectOnly(int row);
    void ScrollColumnIntoView(int column);
    void RedrawRow(int row);

    const CEditListCells* m_cells = nullptr;
    int m_cursorColumn = -1;
};
