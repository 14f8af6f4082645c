#include "views/PciBusView.h"
#include "controls/PaneColors.h"

#include <vector>

#include "controls/ClipboardText.h"
#include "views/BusTreeModel.h"
#include "views/BusRescanner.h"
#include "views/ViewHints.h"
#include "framework/Document.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CPciBusView, CTreeView)

BEGIN_MESSAGE_MAP(CPciBusView, CTreeView)
ON_WM_CREATE()
ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
ON_COMMAND(ID_OPTIONS_REFRESH, OnRefresh)
ON_COMMAND(ID_REFRESH_ACTIVE_PANE, OnRefresh)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
END_MESSAGE_MAP()

BOOL CPciBusView::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CTreeView::PreCreateWindow(cs))
        return FALSE;
    cs.style |= kTreeStyles;
    return TRUE;
}

int CPciBusView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CTreeView::OnCreate(lpCreateStruct) == -1)
        return -1;
    CTreeCtrl& tree = GetTreeCtrl();
    tree.SetBkColor(kPaneBackgroundColor);
    if (m_imageList.Create(IDB_TREE_IMAGES, BRISCO_IMAGE_WIDTH, kImageGrowth, kImageMaskColor))
        tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    return 0;
}

void CPciBusView::OnUpdate(CView*, LPARAM lHint, CObject* pHint)
{
    // Before a rescan frees the functions the items that point at them go.
    if (lHint == CViewHints::HINT_MODEL_REBUILDING) {
        ClearTree();
        return;
    }
    if (lHint != CViewHints::HINT_MODEL_REBUILT)
        return;
    CPciFunction* pRoot = CViewHints::FunctionFromHint(pHint);
    if (pRoot)
        ShowTree(pRoot);
    else
        ClearTree();
}

void CPciBusView::ShowTree(CPciFunction* pRoot)
{
    CTreeCtrl& tree = GetTreeCtrl();
    DeleteAllItems();
    CBusTreeModel model;
    model.Build(pRoot);
    InsertItems(model);
    HTREEITEM root = tree.GetRootItem();
    tree.Select(root, TVGN_CARET);
    // The keypad's multiply key expands the selected item and everything below it.
    tree.SendMessage(WM_KEYDOWN, VK_MULTIPLY, 0);
    // Expanding scrolls towards the last items; a long tree would start with its root out of sight.
    tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(root));
}

void CPciBusView::InsertItems(const CBusTreeModel& model)
{
    CTreeCtrl& tree = GetTreeCtrl();
    const std::vector<CBusTreeItem>& items = model.GetItems();
    std::vector<HTREEITEM> handles;
    handles.reserve(items.size());
    for (const CBusTreeItem& item : items) {
        // The model lists every parent before its children.
        TVINSERTSTRUCTA insert = {};
        insert.hParent = item.parent < 0 ? TVI_ROOT : handles[static_cast<size_t>(item.parent)];
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(item.label.c_str());
        insert.item.iImage = item.image;
        insert.item.iSelectedImage = item.image;
        insert.item.lParam = reinterpret_cast<LPARAM>(item.function);
        handles.push_back(tree.InsertItem(&insert));
    }
}

void CPciBusView::ClearTree()
{
    CTreeCtrl& tree = GetTreeCtrl();
    if (tree.GetCount() == 0)
        return;
    DeleteAllItems();
    if (CDocument* pDocument = m_pDocument)
        pDocument->UpdateAllViews(this, CViewHints::HINT_SELECTION_CHANGED, nullptr);
}

CPciFunction* CPciBusView::GetSelectedFunction() const
{
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM selected = tree.GetSelectedItem();
    if (!selected)
        return nullptr;
    return reinterpret_cast<CPciFunction*>(tree.GetItemData(selected));
}

// While items are deleted the tree may report selections of items whose functions are
// already gone; such changes are not passed on.
void CPciBusView::DeleteAllItems()
{
    m_deletingItems = true;
    GetTreeCtrl().DeleteAllItems();
    m_deletingItems = false;
}

void CPciBusView::OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    if (m_deletingItems)
        return;
    const NMTREEVIEWA* pChange = reinterpret_cast<const NMTREEVIEWA*>(pNMHDR);
    CPciFunction* pFunction = pChange->itemNew.hItem
        ? reinterpret_cast<CPciFunction*>(GetTreeCtrl().GetItemData(pChange->itemNew.hItem))
        : nullptr;
    if (CDocument* pDocument = m_pDocument)
        pDocument->UpdateAllViews(this, CViewHints::HINT_SELECTION_CHANGED, CViewHints::HintFromFunction(pFunction));
    *pResult = 0;
}

void CPciBusView::OnRefresh()
{
    auto* pRescanner = dynamic_cast<CBusRescanner*>(m_pDocument);
    if (!pRescanner)
        return;
    CWaitCursor wait;
    pRescanner->RescanBus();
}

void CPciBusView::OnEditCopy()
{
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM selected = tree.GetSelectedItem();
    if (selected != nullptr)
        SetClipboardText(m_hWnd, tree.GetItemText(selected));
}
