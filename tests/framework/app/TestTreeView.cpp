#include "tests/framework/app/TestTreeView.h"

#include "tests/framework/app/AppTestIds.h"

IMPLEMENT_DYNCREATE(CTestTreeView, CTreeView)
BEGIN_MESSAGE_MAP(CTestTreeView, CTreeView)
ON_COMMAND(ID_TEST_REFRESH, OnRefresh)
ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
END_MESSAGE_MAP()

void CTestTreeView::OnInitialUpdate()
{
    ++m_initialUpdates;
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM root = tree.InsertItem("root");
    tree.InsertItem("child", root);
}

void CTestTreeView::OnRefresh()
{
    ++m_refreshes;
}

void CTestTreeView::OnSelChanged(NMHDR*, LRESULT* pResult)
{
    ++m_selectionChanges;
    *pResult = 0;
}
