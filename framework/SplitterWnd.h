// A static splitter: a fixed grid of panes (views) separated by bars that the user drags
// to resize the rows and columns. Pane (row, col) has the child id
// AFX_IDW_PANE_FIRST + 16 * row + col.
#pragma once
#include <vector>
#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"

class CView;

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = AFX_IDW_PANE_FIRST);
    // Creates the view of one pane from its run-time class; sizeInit gives its ideal size.
    virtual BOOL CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                            CCreateContext* pContext);

    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    int GetColumnCount() const { return static_cast<int>(m_cols.size()); }
    void SetRowInfo(int row, int cyIdeal, int cyMin);
    void SetColumnInfo(int col, int cxIdeal, int cxMin);
    void GetRowInfo(int row, int& cyCur, int& cyMin) const;
    void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
    CWnd* GetPane(int row, int col) const;
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * kMaxPanes + col; }
    BOOL IsChildPane(CWnd* pWnd, int* pRow, int* pCol) const;
    virtual void RecalcLayout();

    // Pane activation (F6 / Shift+F6).
    CWnd* GetActivePane(int* pRow = nullptr, int* pCol = nullptr) const;
    void SetActivePane(int row, int col);
    BOOL CanActivateNext(BOOL bPrev = FALSE) const;
    void ActivateNext(BOOL bPrev = FALSE);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnSize(UINT nType, int cx, int cy);
    void OnPaint();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    LRESULT OnCancelModeMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChangedMessage(WPARAM wParam, LPARAM lParam);

    // Width of the bar between two panes, in pixels.
    static constexpr int kSplitterSize = 6;
    // Rows and columns at most; also the id step from one row to the next.
    static constexpr int kMaxPanes = 16;

protected:
    DECLARE_MESSAGE_MAP()

private:
    struct CRowColInfo {
        int nMinSize = 0;
        int nIdealSize = 0;
        int nCurSize = 0;
    };
    // Sizes the rows or columns into the available length; the last one takes the rest.
    static void LayoutRowCol(std::vector<CRowColInfo>& infos, int available);
    // The bar under a point: the row (>= 0) or column (<= -1, as -1 - col) it follows, or
    // kNoBar when the point is on no bar.
    int HitTestBar(CPoint point) const;
    void StopTracking();

    static constexpr int kNoBar = 0x7FFF;
    std::vector<CRowColInfo> m_rows;
    std::vector<CRowColInfo> m_cols;
    int m_trackingBar = kNoBar;
    int m_trackOffset = 0;
};
