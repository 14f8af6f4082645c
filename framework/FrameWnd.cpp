#include "framework/FrameWnd.h"

#include "framework/Afx.h"
#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/Dc.h"
#include "framework/Document.h"
#include "framework/Menu.h"
#include "framework/View.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_SETFOCUS()
    ON_WM_ERASEBKGND()
    ON_WM_INITMENUPOPUP()
    ON_WM_MENUSELECT()
    ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
END_MESSAGE_MAP()

namespace {

// The first view with the pane id below a window, searched depth-first.
CView* FindFirstView(HWND hWndParent)
{
    for (HWND hChild = ::GetTopWindow(hWndParent); hChild != nullptr; hChild = ::GetNextWindow(hChild, GW_HWNDNEXT)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hChild);
        if (pWnd != nullptr && pWnd->IsKindOf(RUNTIME_CLASS(CView)) && ::GetDlgCtrlID(hChild) == AFX_IDW_PANE_FIRST)
            return static_cast<CView*>(pWnd);
        if (CView* pView = FindFirstView(hChild))
            return pView;
    }
    return nullptr;
}

void CollectViews(HWND hWndParent, std::vector<CView*>& views)
{
    for (HWND hChild = ::GetTopWindow(hWndParent); hChild != nullptr; hChild = ::GetNextWindow(hChild, GW_HWNDNEXT)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hChild);
        if (pWnd != nullptr && pWnd->IsKindOf(RUNTIME_CLASS(CView)))
            views.push_back(static_cast<CView*>(pWnd));
        CollectViews(hChild, views);
    }
}

} // namespace

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    HINSTANCE hResource = AfxGetResourceHandle();
    std::string strings;
    AfxLoadString(nIDResource, strings);
    m_strTitle = AfxExtractSubString(strings, 0);
    if (m_strTitle.empty())
        m_strTitle = AfxGetAppName();
    HICON hIcon = ::LoadIconA(hResource, MAKEINTRESOURCEA(nIDResource));
    const char* className = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                                reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)),
                                                hIcon);
    HMENU hMenu = ::LoadMenuA(hResource, MAKEINTRESOURCEA(nIDResource));
    m_hMenuDefault = hMenu;
    // On failure the frame has deleted itself (PostNcDestroy), menu included.
    if (!CreateEx(0, className, m_strTitle.c_str(), dwDefaultStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, hMenu, pContext))
        return FALSE;
    m_hAccelTable = ::LoadAcceleratorsA(hResource, MAKEINTRESOURCEA(nIDResource));
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    cs.style |= WS_CLIPCHILDREN;
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    auto* pContext = static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams);
    if (!OnCreateClient(lpCreateStruct, pContext)) {
        AfxTrace("CFrameWnd::OnCreate: creating the client failed\r\n");
        return -1;
    }
    PostMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (pContext != nullptr && pContext->m_pNewViewClass != nullptr)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr ? TRUE : FALSE;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    CObject* pObject = pContext->m_pNewViewClass->CreateObject();
    if (pObject == nullptr || !pObject->IsKindOf(RUNTIME_CLASS(CWnd))) {
        AfxTrace("CFrameWnd::CreateView: %s cannot be created as a window\r\n",
                 pContext->m_pNewViewClass->m_lpszClassName);
        delete pObject;
        return nullptr;
    }
    auto* pView = static_cast<CWnd*>(pObject);
    // A view that fails to be created has deleted itself.
    if (!pView->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext))
        return nullptr;
    return pView;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify)
{
    CView* pViewOld = m_pViewActive;
    if (pViewNew == pViewOld)
        return;
    m_pViewActive = pViewNew;
    if (bNotify && pViewOld != nullptr)
        pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
    if (bNotify && pViewNew != nullptr)
        pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pViewActive != nullptr ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL bMakeVisible)
{
    CView* pView = m_pViewActive;
    if (pView == nullptr) {
        pView = FindFirstView(m_hWnd);
        if (pView != nullptr)
            SetActiveView(pView, FALSE);
    }
    std::vector<CView*> views;
    CollectViews(m_hWnd, views);
    for (CView* pEach : views)
        pEach->OnInitialUpdate();
    OnUpdateFrameTitle(TRUE);
    RecalcLayout();
    if (bMakeVisible) {
        ActivateFrame();
        if (pView != nullptr)
            pView->OnActivateView(TRUE, pView, pView);
    }
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    if (nCmdShow == -1) {
        CWinApp* pApp = AfxGetApp();
        nCmdShow = pApp != nullptr && pApp->m_pMainWnd == this ? pApp->m_nCmdShow : SW_SHOW;
    }
    ShowWindow(nCmdShow);
    BringWindowToTop();
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    CDocument* pDocument = GetActiveDocument();
    std::string title = m_strTitle;
    if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) != 0 && pDocument != nullptr && !pDocument->GetTitle().empty())
        title = pDocument->GetTitle() + " - " + m_strTitle;
    if (GetWindowText() != title)
        SetWindowText(title);
}

void CFrameWnd::AddControlBar(CControlBar* pBar)
{
    m_controlBars.push_back(pBar);
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar)
{
    for (auto it = m_controlBars.begin(); it != m_controlBars.end(); ++it) {
        if (*it == pBar) {
            m_controlBars.erase(it);
            return;
        }
    }
}

void CFrameWnd::RecalcLayout(BOOL)
{
    if (m_hWnd == nullptr || m_destroying)
        return;
    CRect client;
    GetClientRect(&client);
    for (CControlBar* pBar : m_controlBars) {
        if (pBar->m_hWnd == nullptr || !pBar->IsWindowVisible())
            continue;
        pBar->LayoutInFrame(client);
    }
    if (CWnd* pPane = CWnd::FromHandle(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))) {
        CRect current;
        pPane->GetWindowRect(&current);
        ScreenToClient(&current);
        if (current != client)
            pPane->MoveWindow(&client);
    }
}

void CFrameWnd::OnSize(UINT nType, int, int)
{
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    // The document's title may have changed (a save under a new name).
    OnUpdateFrameTitle(TRUE);
    std::vector<CControlBar*> bars = m_controlBars;
    for (CControlBar* pBar : bars) {
        if (pBar->m_hWnd != nullptr && pBar->IsWindowVisible())
            pBar->OnUpdateCmdUI(this, m_bAutoMenuEnable);
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable != nullptr &&
        ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg))
        return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (m_pViewActive != nullptr && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

bool CFrameWnd::ShowsToolTips() const
{
    for (CControlBar* pBar : m_controlBars) {
        if ((pBar->GetBarStyle() & CBRS_TOOLTIPS) != 0)
            return true;
    }
    return false;
}

bool CFrameWnd::FillToolTipText(NMHDR* pNMHDR)
{
    // Tools registered by handle report the window; tools of toolbars report the command id.
    auto* pTipA = reinterpret_cast<NMTTDISPINFOA*>(pNMHDR);
    auto* pTipW = reinterpret_cast<NMTTDISPINFOW*>(pNMHDR);
    UINT_PTR nID = pNMHDR->idFrom;
    if ((pTipA->uFlags & TTF_IDISHWND) != 0)
        nID = static_cast<UINT_PTR>(::GetDlgCtrlID(reinterpret_cast<HWND>(nID)));
    if (nID == 0 || !ShowsToolTips())
        return false;
    std::string tip = GetTipString(static_cast<UINT>(nID));
    if (pNMHDR->code == TTN_GETDISPINFOA) {
        lstrcpynA(pTipA->szText, tip.c_str(), static_cast<int>(sizeof(pTipA->szText)));
        pTipA->lpszText = pTipA->szText;
        pTipA->hinst = nullptr;
    } else {
        int count = static_cast<int>(sizeof(pTipW->szText) / sizeof(pTipW->szText[0]));
        if (::MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, pTipW->szText, count) == 0)
            pTipW->szText[0] = L'\0';
        pTipW->szText[count - 1] = L'\0';
        pTipW->lpszText = pTipW->szText;
        pTipW->hinst = nullptr;
    }
    // Keep the tip above the other windows while it shows.
    ::SetWindowPos(pNMHDR->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE);
    return true;
}

BOOL CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR != nullptr && (pNMHDR->code == TTN_GETDISPINFOA || pNMHDR->code == TTN_GETDISPINFOW) &&
        FillToolTipText(pNMHDR)) {
        *pResult = 0;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu)
{
    int itemCount = pPopupMenu != nullptr ? pPopupMenu->GetMenuItemCount() : -1;
    if (bSysMenu || itemCount < 0)
        return;
    CCmdUI state;
    state.m_pMenu = pPopupMenu;
    state.m_nIndexMax = static_cast<UINT>(itemCount);
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        state.m_nID = pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
        // Separators (0) and items that open popups (-1) have no command of their own.
        if (state.m_nID == 0 || state.m_nID == static_cast<UINT>(-1))
            continue;
        state.m_pSubMenu = nullptr;
        state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
        // An update handler may have removed items.
        int remaining = pPopupMenu->GetMenuItemCount();
        UINT count = static_cast<UINT>(remaining < 0 ? 0 : remaining);
        if (count < state.m_nIndexMax) {
            UINT removed = state.m_nIndexMax - count;
            state.m_nIndex = state.m_nIndex >= removed ? state.m_nIndex - removed : 0;
            state.m_nIndexMax = count;
        }
    }
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu)
{
    constexpr UINT kMenuClosed = 0xFFFF;
    if (nFlags == kMenuClosed && hSysMenu == nullptr) {
        SetMessageText(AFX_IDS_IDLEMESSAGE);
        return;
    }
    if ((nFlags & (MF_POPUP | MF_SEPARATOR)) != 0 || nItemID == 0) {
        SetMessageText("");
        return;
    }
    SetMessageText(nItemID);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam)
{
    if (lParam != 0)
        SetMessageText(reinterpret_cast<const char*>(lParam));
    else
        SetMessageText(static_cast<UINT>(wParam));
    return 0;
}

CWnd* CFrameWnd::GetMessageBar() const
{
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_STATUS_BAR));
}

void CFrameWnd::SetMessageText(const char* lpszText)
{
    if (CWnd* pBar = GetMessageBar())
        pBar->SetWindowText(lpszText);
}

void CFrameWnd::SetMessageText(UINT nID)
{
    std::string prompt;
    GetMessageString(nID, prompt);
    SetMessageText(prompt.c_str());
}

BOOL CFrameWnd::GetMessageString(UINT nID, std::string& rMessage) const
{
    std::string text;
    if (!AfxLoadString(nID, text)) {
        const char* standard = AfxGetStandardString(nID);
        text = standard != nullptr ? standard : "";
    }
    rMessage = AfxExtractSubString(text, 0);
    return rMessage.empty() ? FALSE : TRUE;
}

std::string CFrameWnd::GetTipString(UINT nID) const
{
    std::string text;
    if (!AfxLoadString(nID, text)) {
        const char* standard = AfxGetStandardString(nID);
        text = standard != nullptr ? standard : "";
    }
    return AfxExtractSubString(text, 1);
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::OnDestroy()
{
    m_destroying = true;
    m_pViewActive = nullptr;
    CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    if (m_hMenuDefault != nullptr && ::IsMenu(m_hMenuDefault))
        ::DestroyMenu(m_hMenuDefault);
    delete this;
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd)
{
    if (m_pViewActive != nullptr && m_pViewActive->m_hWnd != nullptr)
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(pOldWnd);
}

BOOL CFrameWnd::OnEraseBkgnd(CDC* pDC)
{
    // Erasing under the pane only flickers, but the rest must be erased: a flat toolbar
    // draws transparently and asks its parent to paint what lies under its buttons.
    if (HWND hPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)) {
        RECT pane;
        ::GetWindowRect(hPane, &pane);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&pane), 2);
        ::ExcludeClipRect(pDC->m_hDC, pane.left, pane.top, pane.right, pane.bottom);
    }
    return CWnd::OnEraseBkgnd(pDC);
}
