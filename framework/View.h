// A view: a child window that shows a document. It joins its document when created,
// receives UpdateAllViews through OnUpdate, routes commands to its document, becomes the
// frame's active view when clicked and serves the pane-switching commands.
#pragma once
#include "framework/Wnd.h"

class CDocument;
class CSplitterWnd;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CDocument* m_pDocument = nullptr;

    CDocument* GetDocument() const { return m_pDocument; }

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    void PostNcDestroy() override;

    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnDraw(CDC* pDC);
    // Called by the frame when this view becomes or stops being the active one.
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    // The splitter that holds this view directly, if any.
    CSplitterWnd* GetParentSplitter() const;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnPaint();
    int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    void OnNextPaneCmd(UINT nID);
    void OnUpdateNextPaneMenu(CCmdUI* pCmdUI);

protected:
    // The creation context while the window is being created (for OnCreate).
    CCreateContext* m_pCreateContext = nullptr;

    DECLARE_MESSAGE_MAP()
};
