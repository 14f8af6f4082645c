// A frame window: the main window with its menu, accelerators, control bars and client
// view. It lays the bars and the view out, keeps the active view, routes commands through
// the active view and its document to the application, updates menus and toolbar buttons
// from the update handlers and shows command prompts in the status bar.
#pragma once
#include <string>
#include <vector>
#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"

class CControlBar;
class CDocument;
class CView;

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;
    UINT m_nIDHelp = 0;
    // Menu items and buttons without any command handler are disabled.
    BOOL m_bAutoMenuEnable = TRUE;
    std::string m_strTitle;

    // Creates the window from a resource id: title (first field of the string), menu,
    // accelerators and icon of that id.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void PostNcDestroy() override;

    // Views and client.
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    CDocument* GetActiveDocument() const;
    virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    virtual void ActivateFrame(int nCmdShow = -1);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);

    // Bars and layout.
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    void AddControlBar(CControlBar* pBar);
    void RemoveControlBar(CControlBar* pBar);
    // Brings the caption and every control bar's elements up to date (called at idle time).
    void OnIdleUpdateCmdUI();

    // Status prompts.
    void SetMessageText(const char* lpszText);
    void SetMessageText(UINT nID);
    // The prompt (first line) of a command's string; false when it has none.
    virtual BOOL GetMessageString(UINT nID, std::string& rMessage) const;
    // The tooltip (second line) of a command's string; empty when it has none.
    std::string GetTipString(UINT nID) const;
    CWnd* GetMessageBar() const;
    // Whether any of the frame's bars shows tooltips.
    bool ShowsToolTips() const;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnClose();
    void OnDestroy();
    void OnSetFocus(CWnd* pOldWnd);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);

protected:
    DECLARE_MESSAGE_MAP()

private:
    bool FillToolTipText(NMHDR* pNMHDR);

    CView* m_pViewActive = nullptr;
    // Set once the window is being destroyed: no more layout.
    bool m_destroying = false;
    std::vector<CControlBar*> m_controlBars;
};

// Posted to a frame to show a prompt: wParam a string id, or lParam the text itself.
constexpr UINT WM_SETMESSAGESTRING = 0x0362;
// Default style of the views that frames and splitters create.
constexpr DWORD AFX_WS_DEFAULT_VIEW = WS_CHILD | WS_VISIBLE | WS_BORDER;
