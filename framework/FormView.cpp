#include "framework/FormView.h"

#include <algorithm>
#include "framework/Afx.h"
#include "framework/Dialog.h"
#include "framework/DialogTemplate.h"
#include "framework/FrameWnd.h"
#include "framework/PaintDC.h"

IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CFormView, CView)
    ON_WM_SIZE()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_PAINT()
END_MESSAGE_MAP()

namespace {

// Styles a form's template may not keep: it becomes a borderless child window.
constexpr DWORD kTopLevelStyles = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE |
                                  WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER;
// Without explicit steps a page is a tenth of the area and a line a tenth of a page.
constexpr int kDefaultPageDivisor = 10;

} // namespace

CFormView::CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDTemplate(nIDTemplate)
{
}

CFormView::CFormView(LPCSTR lpszTemplateName) : m_lpszTemplateName(lpszTemplateName), m_nIDTemplate(0) {}

BOOL CFormView::Create(LPCSTR, LPCSTR, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       CCreateContext* pContext)
{
    CDialogTemplate dialogTemplate;
    if (!dialogTemplate.Load(m_lpszTemplateName)) {
        AfxTrace("CFormView: dialog template %u not found\r\n", m_nIDTemplate);
        PostNcDestroy();
        return FALSE;
    }
    DWORD style = (dialogTemplate.GetStyle() & ~kTopLevelStyles) | WS_CHILD | (dwStyle & (WS_BORDER | WS_TABSTOP));
    dialogTemplate.SetStyle(style | WS_CLIPCHILDREN);
    m_pCreateContext = pContext;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), dialogTemplate.Get(),
                                             pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, &AfxDlgProc, 0);
    bool attached = AfxUnhookWindowCreate();
    m_pCreateContext = nullptr;
    if (hWnd == nullptr) {
        AfxTrace("CFormView: creating the form failed\r\n");
        if (!attached)
            PostNcDestroy();
        return FALSE;
    }
    // The template's own size is the scrollable area until the view sets another.
    CRect client;
    GetClientRect(&client);
    SetScrollSizes(MM_TEXT, client.Size());
    SetDlgCtrlID(static_cast<int>(nID));
    SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if ((dwStyle & WS_VISIBLE) != 0)
        ShowWindow(SW_SHOWNOACTIVATE);
    return TRUE;
}

void CFormView::OnInitialUpdate()
{
    UpdateData(FALSE);
    CView::OnInitialUpdate();
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg)
{
    if (CView::PreTranslateMessage(pMsg))
        return TRUE;
    // Dialog navigation would swallow the frame's accelerators: the frames see the key first.
    for (CFrameWnd* pFrame = GetParentFrame(); pFrame != nullptr; pFrame = pFrame->GetParentFrame()) {
        if (pFrame->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return AfxIsInputFor(m_hWnd, pMsg) && ::IsDialogMessageA(m_hWnd, pMsg);
}

void CFormView::SetScrollSizes(int, SIZE sizeTotal, SIZE sizePage, SIZE sizeLine)
{
    m_totalSize = CSize(sizeTotal.cx > 0 ? sizeTotal.cx : 0, sizeTotal.cy > 0 ? sizeTotal.cy : 0);
    m_pageSize = sizePage.cx > 0 || sizePage.cy > 0
                     ? CSize(sizePage)
                     : CSize(m_totalSize.cx / kDefaultPageDivisor, m_totalSize.cy / kDefaultPageDivisor);
    m_lineSize = sizeLine.cx > 0 || sizeLine.cy > 0
                     ? CSize(sizeLine)
                     : CSize(m_pageSize.cx / kDefaultPageDivisor, m_pageSize.cy / kDefaultPageDivisor);
    if (m_lineSize.cx < 1)
        m_lineSize.cx = 1;
    if (m_lineSize.cy < 1)
        m_lineSize.cy = 1;
    if (m_hWnd != nullptr)
        UpdateBars();
}

void CFormView::UpdateBars()
{
    if (m_inUpdateBars)
        return;
    m_inUpdateBars = true;
    CRect client;
    GetClientRect(&client);
    // The bars take room themselves: measure without them.
    if ((GetStyle() & WS_VSCROLL) != 0)
        client.right += ::GetSystemMetrics(SM_CXVSCROLL);
    if ((GetStyle() & WS_HSCROLL) != 0)
        client.bottom += ::GetSystemMetrics(SM_CYHSCROLL);
    bool needH = m_totalSize.cx > client.Width();
    bool needV = m_totalSize.cy > client.Height();
    if (needH && !needV)
        needV = m_totalSize.cy > client.Height() - ::GetSystemMetrics(SM_CYHSCROLL);
    if (needV && !needH)
        needH = m_totalSize.cx > client.Width() - ::GetSystemMetrics(SM_CXVSCROLL);
    int width = client.Width() - (needV ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
    int height = client.Height() - (needH ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);

    int x = needH ? std::min<int>(m_scrollPos.x, m_totalSize.cx - width) : 0;
    int y = needV ? std::min<int>(m_scrollPos.y, m_totalSize.cy - height) : 0;
    ScrollTo(x < 0 ? 0 : x, y < 0 ? 0 : y);

    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_PAGE | SIF_POS | SIF_RANGE;
    ::ShowScrollBar(m_hWnd, SB_HORZ, needH);
    if (needH) {
        info.nMax = m_totalSize.cx - 1;
        info.nPage = static_cast<UINT>(width);
        info.nPos = m_scrollPos.x;
        ::SetScrollInfo(m_hWnd, SB_HORZ, &info, TRUE);
    }
    ::ShowScrollBar(m_hWnd, SB_VERT, needV);
    if (needV) {
        info.nMax = m_totalSize.cy - 1;
        info.nPage = static_cast<UINT>(height);
        info.nPos = m_scrollPos.y;
        ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    }
    m_inUpdateBars = false;
}

void CFormView::ScrollTo(int x, int y)
{
    int dx = m_scrollPos.x - x;
    int dy = m_scrollPos.y - y;
    if (dx == 0 && dy == 0)
        return;
    m_scrollPos = CPoint(x, y);
    ::ScrollWindowEx(m_hWnd, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    ::SetScrollPos(m_hWnd, SB_HORZ, x, TRUE);
    ::SetScrollPos(m_hWnd, SB_VERT, y, TRUE);
}

int CFormView::NewScrollPos(int bar, UINT nSBCode, UINT nPos) const
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, bar, &info);
    int line = bar == SB_HORZ ? m_lineSize.cx : m_lineSize.cy;
    int pos = info.nPos;
    switch (nSBCode) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(info.nPage); break;
    case SB_TOP: pos = info.nMin; break;
    case SB_BOTTOM: pos = info.nMax; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = info.nTrackPos != 0 ? info.nTrackPos : static_cast<int>(nPos); break;
    default: break;
    }
    int maxPos = info.nMax - static_cast<int>(info.nPage) + 1;
    if (pos > maxPos)
        pos = maxPos;
    return pos < 0 ? 0 : pos;
}

void CFormView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr) {
        CView::OnHScroll(nSBCode, nPos, pScrollBar);
        return;
    }
    ScrollTo(NewScrollPos(SB_HORZ, nSBCode, nPos), m_scrollPos.y);
}

void CFormView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr) {
        CView::OnVScroll(nSBCode, nPos, pScrollBar);
        return;
    }
    ScrollTo(m_scrollPos.x, NewScrollPos(SB_VERT, nSBCode, nPos));
}

void CFormView::OnSize(UINT nType, int cx, int cy)
{
    CView::OnSize(nType, cx, cy);
    UpdateBars();
}

void CFormView::OnPaint()
{
    // The dialog's own painting (background and controls).
    Default();
}
