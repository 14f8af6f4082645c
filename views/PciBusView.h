// The upper pane: one tree item per PCI function, nested below its bridge, with a group
// item per multi-function device. Selecting an item shows its function in the other views;
// the view also serves the Refresh command.
#pragma once
#include "framework/ImageList.h"
#include "framework/TreeView.h"

#include <vector>

class CBusTreeModel;
class CFunctionQuery;
class CPciFunction;

class CPciBusView : public CTreeView {
    DECLARE_DYNCREATE(CPciBusView)
public:
    static constexpr COLORREF kImageMaskColor = RGB(0, 255, 255);
    static constexpr DWORD kTreeStyles =
        TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;

    // The function of the selected item; null for a group item or no selection.
    CPciFunction* GetSelectedFunction() const;
    // Selects the first function in tree order that the query matches, or with afterSelection
    // the first after the selected item, wrapping around; false when no function matches.
    bool SelectMatch(const CFunctionQuery& query, bool afterSelection);

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRefresh();
    void OnUpdateRefresh(CCmdUI* pCmdUI);
    // Ctrl+C in the tree: the selected item's label.
    void OnEditCopy();

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Replaces every item by those of the model, then selects the root and expands all.
    void ShowTree(CPciFunction* pRoot);
    void InsertItems(const CBusTreeModel& model);
    // Empties the tree when its functions are gone, so no item keeps a stale pointer.
    void ClearTree();
    void DeleteAllItems();
    void MarkComparison();
    // Every item, parents before their children, as the expanded tree lists them.
    std::vector<HTREEITEM> ItemsInTreeOrder() const;

    static constexpr UINT kImageGrowth = 20;

    CImageList m_imageList;
    bool m_deletingItems = false;
};
