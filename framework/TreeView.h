// A view that is a tree control: the control draws itself, and GetTreeCtrl gives the
// control's operations on the view's own window.
#pragma once
#include "framework/TreeCtrl.h"
#include "framework/View.h"

class CTreeView : public CView {
    DECLARE_DYNCREATE(CTreeView)
public:
    CTreeCtrl& GetTreeCtrl() const;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnPaint();

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Borrows the view's window; never in the handle map.
    mutable CTreeCtrl m_treeCtrl;
};
