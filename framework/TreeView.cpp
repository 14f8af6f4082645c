#include "framework/TreeView.h"

IMPLEMENT_DYNCREATE(CTreeView, CView)

BEGIN_MESSAGE_MAP(CTreeView, CView)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CTreeCtrl& CTreeView::GetTreeCtrl() const
{
    m_treeCtrl.m_hWnd = m_hWnd;
    return m_treeCtrl;
}

BOOL CTreeView::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.lpszClass = WC_TREEVIEWA;
    return CView::PreCreateWindow(cs);
}

void CTreeView::OnPaint()
{
    Default();
}
