#pragma once
#include "framework/Framework.h"
#include "tests/framework/app/TestFormView.h"
#include "tests/framework/app/TestTreeView.h"

// The main window: a flat toolbar with labelled buttons, a status bar and a static splitter
// with the tree above the form, both panes half the first client height.
class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
public:
    CSplitterWnd m_wndSplitter;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    int m_initialHalf = -1;

    CTestTreeView* Tree() const { return static_cast<CTestTreeView*>(m_wndSplitter.GetPane(0, 0)); }
    CTestFormView* Form() const { return static_cast<CTestFormView*>(m_wndSplitter.GetPane(1, 0)); }

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) override;

protected:
    DECLARE_MESSAGE_MAP()
};
