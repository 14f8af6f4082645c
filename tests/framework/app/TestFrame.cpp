#include "tests/framework/app/TestFrame.h"

#include "tests/framework/app/AppTestIds.h"

IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

int CTestFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP) ||
        !m_wndToolBar.LoadToolBar(IDR_TESTFRAME))
        return -1;
    static const UINT kIndicators[] = {ID_SEPARATOR};
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 1))
        return -1;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM);
    m_wndToolBar.SetButtonText(0, "Refresh");
    m_wndToolBar.SetButtonText(1, "About");
    m_wndToolBar.SetSizes(CSize(45, 40), CSize(16, 15));
    return 0;
}

BOOL CTestFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (!m_wndSplitter.CreateStatic(this, 2, 1) ||
        !m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CTestTreeView), CSize(0, 0), pContext) ||
        !m_wndSplitter.CreateView(1, 0, RUNTIME_CLASS(CTestFormView), CSize(0, 0), pContext))
        return FALSE;
    CRect client;
    GetClientRect(&client);
    m_initialHalf = client.Height() / 2;
    m_wndSplitter.SetRowInfo(0, m_initialHalf, 0);
    m_wndSplitter.SetRowInfo(1, m_initialHalf, 0);
    return TRUE;
}
