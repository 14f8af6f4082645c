#pragma once
#include "framework/Framework.h"

// The upper pane: a tree of two items that counts its initial updates, the Refresh commands
// routed to it and the selection changes reflected to it.
class CTestTreeView : public CTreeView {
    DECLARE_DYNCREATE(CTestTreeView)
public:
    int m_initialUpdates = 0;
    int m_refreshes = 0;
    int m_selectionChanges = 0;

    void OnInitialUpdate() override;
    void OnRefresh();
    void OnSelChanged(NMHDR*, LRESULT* pResult);

protected:
    DECLARE_MESSAGE_MAP()
};
