#pragma once
#include "framework/Framework.h"

// The lower pane: a form with an edit and a list, and an owner-drawn context menu whose
// first item it chooses itself once the menu shows.
class CTestFormView : public CFormView {
    DECLARE_DYNCREATE(CTestFormView)
public:
    CTestFormView();
    int m_initialUpdates = 0;
    int m_firstCommands = 0;
    int m_menuMeasures = 0;
    int m_menuDraws = 0;

    void OnInitialUpdate() override;
    void OnContextMenu(CWnd*, CPoint point);
    void OnFirst();

protected:
    DECLARE_MESSAGE_MAP()
};
