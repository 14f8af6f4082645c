#include "views/PciBusView.h"
#include "controls/PaneColors.h"

#include <algorithm>
#include <vector>

#include "controls/ClipboardText.h"
#include "views/BusTreeModel.h"
#include "decode/MachineComparison.h"
#include "views/BusRescanner.h"
#include "views/ComparisonSource.h"
#include "views/FunctionQuery.h"
#include "views/ViewHints.h"
#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CPciBusView, CTreeView)

BEGIN_MESSAGE_MAP(CPciBusView, CTreeView)
ON_WM_CREATE()
ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
ON_COMMAND(ID_OPTIONS_REFRESH, OnRefresh)
ON_COMMAND(ID_REFRESH_ACTIVE_PANE, OnRefresh)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_REFRESH, OnUpdateRefresh)
ON_UPDATE_COMMAND_UI(ID_REFRESH_ACTIVE_PANE, OnUpdateRefresh)
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
    if (lHint == CViewHints::HINT_COMPARISON_CHANGED) {
        MarkComparison();
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
    // One repaint for the whole rebuild: drawn per item, a tree of a few hundred
    // items took longer to show than its scan took.
    tree.SetRedraw(FALSE);
    DeleteAllItems();
    CBusTreeModel model;
    model.Build(pRoot);
    InsertItems(model);
    HTREEITEM root = tree.GetRootItem();
    tree.Select(root, TVGN_CARET);
    // The keypad's multiply key expands the selected item and everything below it.
    tree.SendMessage(WM_KEYDOWN, VK_MULTIPLY, 0);
    tree.SetRedraw(TRUE);
    tree.Invalidate();
    // Expanding scrolls towards the last items; a long tree would start with its root out of sight.
    tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(root));
    MarkComparison();
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

std::vector<HTREEITEM> CPciBusView::ItemsInTreeOrder() const
{
    CTreeCtrl& tree = GetTreeCtrl();
    std::vector<HTREEITEM> items;
    std::vector<HTREEITEM> pending;
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item))
        pending.insert(pending.begin(), item);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        items.push_back(item);
        std::vector<HTREEITEM> children;
        for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child))
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return items;
}

bool CPciBusView::SelectMatch(const CFunctionQuery& query, bool afterSelection)
{
    CTreeCtrl& tree = GetTreeCtrl();
    const std::vector<HTREEITEM> items = ItemsInTreeOrder();
    size_t start = 0;
    if (afterSelection) {
        const auto selected = std::find(items.begin(), items.end(), tree.GetSelectedItem());
        if (selected != items.end())
            start = size_t(selected - items.begin()) + 1;
    }
    for (size_t step = 0; step < items.size(); ++step) {
        HTREEITEM item = items[(start + step) % items.size()];
        const auto* function = reinterpret_cast<const CPciFunction*>(tree.GetItemData(item));
        if (function != nullptr && query.Matches(*function)) {
            tree.Select(item, TVGN_CARET);
            tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
            return true;
        }
    }
    return false;
}

// Functions that differ from a compared image are shown in bold; the others, as usual.
void CPciBusView::MarkComparison()
{
    const auto* source = dynamic_cast<const CComparisonSource*>(m_pDocument);
    const CMachineComparison* comparison = source != nullptr ? source->GetComparison() : nullptr;
    CTreeCtrl& tree = GetTreeCtrl();
    std::vector<HTREEITEM> pending;
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item))
        pending.push_back(item);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        const auto* function = reinterpret_cast<const CPciFunction*>(tree.GetItemData(item));
        const bool differs = comparison != nullptr && comparison->FunctionDiffers(function);
        TVITEMA state = {};
        state.mask = TVIF_STATE;
        state.hItem = item;
        state.state = differs ? TVIS_BOLD : 0;
        state.stateMask = TVIS_BOLD;
        tree.SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&state));
        for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child))
            pending.push_back(child);
    }
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

// Without the focus the tree draws its selection in the button colour, which barely shows on
// the pane's background; the selected item keeps a band of its own there.
void CPciBusView::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
    *pResult = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        *pResult = CDRF_NOTIFYITEMDRAW;
        return;
    }
    const auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    const bool selected = item != nullptr && item == GetTreeCtrl().GetSelectedItem();
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && selected && ::GetFocus() != m_hWnd) {
        draw->clrTextBk = kInactiveSelectionColor;
        draw->clrText = AfxGetSysColor(COLOR_WINDOWTEXT);
    }
}

void CPciBusView::OnRefresh()
{
    auto* pRescanner = dynamic_cast<CBusRescanner*>(m_pDocument);
    if (!pRescanner)
        return;
    CWaitCursor wait;
    pRescanner->RescanBus();
}

void CPciBusView::OnUpdateRefresh(CCmdUI* pCmdUI)
{
    const auto* pRescanner = dynamic_cast<const CBusRescanner*>(m_pDocument);
    pCmdUI->Enable(pRescanner != nullptr && pRescanner->CanRescan() ? TRUE : FALSE);
}

void CPciBusView::OnEditCopy()
{
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM selected = tree.GetSelectedItem();
    if (selected != nullptr)
        SetClipboardText(m_hWnd, tree.GetItemText(selected));
}
