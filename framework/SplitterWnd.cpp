#include "framework/SplitterWnd.h"

#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "framework/PaintDC.h"
#include "framework/View.h"

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_MESSAGE(WM_CANCELMODE, OnCancelModeMessage)
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChangedMessage)
END_MESSAGE_MAP()

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID)
{
    if (nRows < 1 || nCols < 1 || nRows > kMaxPanes || nCols > kMaxPanes)
        return FALSE;
    m_rows.assign(static_cast<size_t>(nRows), CRowColInfo());
    m_cols.assign(static_cast<size_t>(nCols), CRowColInfo());
    const char* className = AfxRegisterWndClass(CS_DBLCLKS, nullptr,
                                                reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    return CreateEx(0, className, nullptr, dwStyle | WS_CHILD | WS_CLIPCHILDREN, CRect(0, 0, 0, 0), pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext)
{
    if (row < 0 || row >= GetRowCount() || col < 0 || col >= GetColumnCount() || GetPane(row, col) != nullptr)
        return FALSE;
    m_rows[static_cast<size_t>(row)].nIdealSize = sizeInit.cy;
    m_cols[static_cast<size_t>(col)].nIdealSize = sizeInit.cx;
    CObject* pObject = pViewClass != nullptr ? pViewClass->CreateObject() : nullptr;
    if (pObject == nullptr || !pObject->IsKindOf(RUNTIME_CLASS(CWnd))) {
        AfxTrace("CSplitterWnd::CreateView: the view class cannot be created\r\n");
        delete pObject;
        return FALSE;
    }
    auto* pWnd = static_cast<CWnd*>(pObject);
    CCreateContext context;
    if (pContext != nullptr)
        context = *pContext;
    context.m_pNewViewClass = pViewClass;
    // A pane that fails to be created has deleted itself.
    if (!pWnd->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, sizeInit.cx, sizeInit.cy), this,
                      static_cast<UINT>(IdFromRowCol(row, col)), &context))
        return FALSE;
    RecalcLayout();
    return TRUE;
}

void CSplitterWnd::SetRowInfo(int row, int cyIdeal, int cyMin)
{
    if (row < 0 || row >= GetRowCount())
        AfxThrowInvalidArgException();
    m_rows[static_cast<size_t>(row)].nIdealSize = cyIdeal;
    m_rows[static_cast<size_t>(row)].nMinSize = cyMin;
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin)
{
    if (col < 0 || col >= GetColumnCount())
        AfxThrowInvalidArgException();
    m_cols[static_cast<size_t>(col)].nIdealSize = cxIdeal;
    m_cols[static_cast<size_t>(col)].nMinSize = cxMin;
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const
{
    if (row < 0 || row >= GetRowCount())
        AfxThrowInvalidArgException();
    cyCur = m_rows[static_cast<size_t>(row)].nCurSize;
    cyMin = m_rows[static_cast<size_t>(row)].nMinSize;
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const
{
    if (col < 0 || col >= GetColumnCount())
        AfxThrowInvalidArgException();
    cxCur = m_cols[static_cast<size_t>(col)].nCurSize;
    cxMin = m_cols[static_cast<size_t>(col)].nMinSize;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const
{
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, IdFromRowCol(row, col)));
}

BOOL CSplitterWnd::IsChildPane(CWnd* pWnd, int* pRow, int* pCol) const
{
    if (pWnd == nullptr || ::GetParent(pWnd->m_hWnd) != m_hWnd)
        return FALSE;
    int id = pWnd->GetDlgCtrlID() - AFX_IDW_PANE_FIRST;
    int row = id / kMaxPanes;
    int col = id % kMaxPanes;
    if (id < 0 || row >= GetRowCount() || col >= GetColumnCount())
        return FALSE;
    if (pRow != nullptr)
        *pRow = row;
    if (pCol != nullptr)
        *pCol = col;
    return TRUE;
}

void CSplitterWnd::LayoutRowCol(std::vector<CRowColInfo>& infos, int available)
{
    int left = available;
    for (size_t i = 0; i < infos.size(); ++i) {
        CRowColInfo& info = infos[i];
        if (i + 1 == infos.size()) {
            info.nCurSize = left > 0 ? left : 0;
            break;
        }
        int size = info.nIdealSize;
        if (size < info.nMinSize)
            size = 0; // smaller than its minimum: hidden
        if (size > left)
            size = left > 0 ? left : 0;
        info.nCurSize = size;
        left -= size + kSplitterSize;
    }
}

void CSplitterWnd::RecalcLayout()
{
    if (m_hWnd == nullptr || m_rows.empty())
        return;
    CRect client;
    GetClientRect(&client);
    LayoutRowCol(m_rows, client.Height());
    LayoutRowCol(m_cols, client.Width());
    HDWP hdwp = ::BeginDeferWindowPos(GetRowCount() * GetColumnCount());
    int y = 0;
    for (int row = 0; row < GetRowCount(); ++row) {
        int x = 0;
        int height = m_rows[static_cast<size_t>(row)].nCurSize;
        for (int col = 0; col < GetColumnCount(); ++col) {
            int width = m_cols[static_cast<size_t>(col)].nCurSize;
            if (CWnd* pPane = GetPane(row, col))
                hdwp = ::DeferWindowPos(hdwp, pPane->m_hWnd, nullptr, x, y, width, height,
                                        SWP_NOZORDER | SWP_NOACTIVATE);
            x += width + kSplitterSize;
        }
        y += height + kSplitterSize;
    }
    ::EndDeferWindowPos(hdwp);
    Invalidate();
}

int CSplitterWnd::HitTestBar(CPoint point) const
{
    int y = 0;
    for (int row = 0; row + 1 < GetRowCount(); ++row) {
        y += m_rows[static_cast<size_t>(row)].nCurSize;
        if (point.y >= y && point.y < y + kSplitterSize)
            return row;
        y += kSplitterSize;
    }
    int x = 0;
    for (int col = 0; col + 1 < GetColumnCount(); ++col) {
        x += m_cols[static_cast<size_t>(col)].nCurSize;
        if (point.x >= x && point.x < x + kSplitterSize)
            return -1 - col;
        x += kSplitterSize;
    }
    return kNoBar;
}

void CSplitterWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    RecalcLayout();
}

void CSplitterWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    int y = 0;
    for (int row = 0; row + 1 < GetRowCount(); ++row) {
        y += m_rows[static_cast<size_t>(row)].nCurSize;
        CRect bar(client.left, y, client.right, y + kSplitterSize);
        dc.FillSolidRect(&bar, face);
        dc.Draw3dRect(&bar, light, shadow);
        y += kSplitterSize;
    }
    int x = 0;
    for (int col = 0; col + 1 < GetColumnCount(); ++col) {
        x += m_cols[static_cast<size_t>(col)].nCurSize;
        CRect bar(x, client.top, x + kSplitterSize, client.bottom);
        dc.FillSolidRect(&bar, face);
        dc.Draw3dRect(&bar, light, shadow);
        x += kSplitterSize;
    }
}

BOOL CSplitterWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (nHitTest == HTCLIENT && pWnd == this) {
        POINT pt;
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        int bar = HitTestBar(CPoint(pt));
        if (bar != kNoBar) {
            ::SetCursor(::LoadCursorA(nullptr, bar >= 0 ? IDC_SIZENS : IDC_SIZEWE));
            return TRUE;
        }
    }
    return CWnd::OnSetCursor(pWnd, nHitTest, message);
}

void CSplitterWnd::OnLButtonDown(UINT, CPoint point)
{
    int bar = HitTestBar(point);
    if (bar == kNoBar)
        return;
    m_trackingBar = bar;
    // Keep the grip where it was taken within the bar.
    int start = 0;
    if (bar >= 0) {
        for (int row = 0; row <= bar; ++row)
            start += m_rows[static_cast<size_t>(row)].nCurSize + (row < bar ? kSplitterSize : 0);
        m_trackOffset = point.y - start;
    } else {
        int col = -1 - bar;
        for (int c = 0; c <= col; ++c)
            start += m_cols[static_cast<size_t>(c)].nCurSize + (c < col ? kSplitterSize : 0);
        m_trackOffset = point.x - start;
    }
    SetCapture();
}

void CSplitterWnd::OnMouseMove(UINT, CPoint point)
{
    if (m_trackingBar == kNoBar)
        return;
    // The dragged bar follows the pointer: the pane before it takes the new size.
    if (m_trackingBar >= 0) {
        int before = 0;
        for (int row = 0; row < m_trackingBar; ++row)
            before += m_rows[static_cast<size_t>(row)].nCurSize + kSplitterSize;
        int size = point.y - m_trackOffset - before;
        m_rows[static_cast<size_t>(m_trackingBar)].nIdealSize = size > 0 ? size : 0;
    } else {
        int col = -1 - m_trackingBar;
        int before = 0;
        for (int c = 0; c < col; ++c)
            before += m_cols[static_cast<size_t>(c)].nCurSize + kSplitterSize;
        int size = point.x - m_trackOffset - before;
        m_cols[static_cast<size_t>(col)].nIdealSize = size > 0 ? size : 0;
    }
    RecalcLayout();
    UpdateWindow();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint)
{
    StopTracking();
}

void CSplitterWnd::StopTracking()
{
    if (m_trackingBar == kNoBar)
        return;
    m_trackingBar = kNoBar;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

LRESULT CSplitterWnd::OnCancelModeMessage(WPARAM, LPARAM)
{
    StopTracking();
    return Default();
}

LRESULT CSplitterWnd::OnCaptureChangedMessage(WPARAM, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(lParam) != m_hWnd)
        m_trackingBar = kNoBar;
    return Default();
}

CWnd* CSplitterWnd::GetActivePane(int* pRow, int* pCol) const
{
    CWnd* pPane = nullptr;
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame != nullptr)
        pPane = pFrame->GetActiveView();
    if (pPane == nullptr)
        pPane = CWnd::FromHandlePermanent(::GetFocus());
    if (pPane != nullptr && !IsChildPane(pPane, pRow, pCol))
        pPane = nullptr;
    return pPane;
}

void CSplitterWnd::SetActivePane(int row, int col)
{
    CWnd* pPane = GetPane(row, col);
    if (pPane == nullptr)
        return;
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame != nullptr && pPane->IsKindOf(RUNTIME_CLASS(CView)))
        pFrame->SetActiveView(static_cast<CView*>(pPane));
    else
        pPane->SetFocus();
}

BOOL CSplitterWnd::CanActivateNext(BOOL) const
{
    return GetRowCount() * GetColumnCount() > 1 && GetActivePane() != nullptr;
}

void CSplitterWnd::ActivateNext(BOOL bPrev)
{
    int row = 0;
    int col = 0;
    if (GetActivePane(&row, &col) == nullptr)
        return;
    int count = GetRowCount() * GetColumnCount();
    int index = row * GetColumnCount() + col;
    index = (index + (bPrev ? count - 1 : 1)) % count;
    SetActivePane(index / GetColumnCount(), index % GetColumnCount());
}

BOOL CSplitterWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (CWnd::OnCommand(wParam, lParam))
        return TRUE;
    // Commands from panes go on to the frame.
    CWnd* pParent = GetParent();
    if (pParent == nullptr)
        return FALSE;
    pParent->SendMessage(WM_COMMAND, wParam, lParam);
    return TRUE;
}

BOOL CSplitterWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (CWnd::OnNotify(wParam, lParam, pResult))
        return TRUE;
    // Notifications that no pane took go on to the frame.
    CWnd* pParent = GetParent();
    *pResult = pParent != nullptr ? pParent->SendMessage(WM_NOTIFY, wParam, lParam) : 0;
    return TRUE;
}
