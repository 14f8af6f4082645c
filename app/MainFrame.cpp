#include "app/MainFrame.h"
#include "app/BriscoDoc.h"
#include "app/BriscoSettings.h"

#include <algorithm>
#include <iterator>

#include "framework/Afx.h"
#include "framework/ClientDC.h"
#include "framework/CmdUI.h"
#include "framework/Rect.h"
#include "framework/Size.h"
#include "res/resource.h"
#include "device/PciFunction.h"
#include "views/FindFunctionDialog.h"
#include "views/PciBusView.h"
#include "views/PciFunctionView.h"
#include "views/WriteJournalWindow.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_MEASUREITEM()
ON_WM_INITMENUPOPUP()
ON_WM_MENUCHAR()
ON_COMMAND_RANGE(ID_NEXT_FUNCTION_TAB, ID_PREV_FUNCTION_TAB, OnFunctionTabKey)
ON_COMMAND(ID_EDIT_FIND_FUNCTION, OnFindFunction)
ON_COMMAND(ID_EDIT_FIND_NEXT, OnFindNext)
ON_COMMAND(ID_OPTIONS_WRITE_JOURNAL, OnWriteJournal)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
END_MESSAGE_MAP()

namespace {

constexpr int kRefreshButton = 0;
constexpr int kAboutButton = 1;
constexpr int kPaneCount = 2;
const UINT kIndicators[] = {ID_SEPARATOR};
// How an exported journal names the program that made its writes.
constexpr char kJournalProgram[] = "brisco";
constexpr char kEditClass[] = "Edit";

} // namespace

CPciBusView* CMainFrame::GetBusView() const
{
    return DYNAMIC_DOWNCAST(CPciBusView, m_wndSplitter.GetPane(kTreeRow, 0));
}

CPciFunctionView* CMainFrame::GetFunctionView() const
{
    return DYNAMIC_DOWNCAST(CPciFunctionView, m_wndSplitter.GetPane(kFunctionRow, 0));
}

CMainFrame::~CMainFrame()
{
    m_menu.DestroyMenuTree();
}

HMENU CMainFrame::BuildIconMenu()
{
    m_menu.LoadFromResource(IDR_MAINFRAME);
    m_menu.AddToolbarImages(IDR_MAINFRAME);
    return m_menu.Detach();
}

void CMainFrame::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    // An item that opens a popup reports the popup's handle as its id.
    auto hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(lpMeasureItemStruct->itemID));
    if (lpMeasureItemStruct->CtlType == ODT_MENU && ::IsMenu(hMenu) && CIconMenu::IsIconMenu(hMenu)) {
        m_menu.MeasureItem(lpMeasureItemStruct);
        return;
    }
    CFrameWnd::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
}

void CMainFrame::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    m_uncleanNotice = false;
    CFrameWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    if (!bSysMenu && CIconMenu::IsIconMenu(pPopupMenu))
        CIconMenu::RefreshPopup(pPopupMenu);
}

LRESULT CMainFrame::OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    if (CIconMenu::IsIconMenu(pMenu))
        return CIconMenu::HandleMenuChar(nChar, nFlags, pMenu);
    return CFrameWnd::OnMenuChar(nChar, nFlags, pMenu);
}

void CMainFrame::OnFunctionTabKey(UINT nID)
{
    if (CPciFunctionView* pView = GetFunctionView())
        pView->CycleTab(nID == ID_NEXT_FUNCTION_TAB ? 1 : -1);
}

void CMainFrame::OnFindFunction()
{
    CFindFunctionDialog dialog(this, m_findText);
    if (dialog.DoModal() != IDOK)
        return;
    m_findText = dialog.GetText();
    m_findQuery = dialog.GetQuery();
    SelectMatch(false);
}

void CMainFrame::OnFindNext()
{
    if (!m_findQuery) {
        OnFindFunction();
        return;
    }
    SelectMatch(true);
}

void CMainFrame::OnWriteJournal()
{
    auto* pDoc = DYNAMIC_DOWNCAST(CBriscoDoc, GetActiveDocument());
    if (pDoc == nullptr)
        return;
    if (!m_journalWindow) {
        auto undo = [pDoc](size_t index, std::string* status) { return pDoc->UndoJournalEntry(index, status); };
        auto status = [this](const std::string& text) { SetMessageText(text.c_str()); };
        m_journalWindow = std::make_unique<CWriteJournalWindow>(pDoc->GetWriteJournal(), undo, status, kJournalProgram);
    }
    m_journalWindow->Open(this);
}

CWriteJournalWindow* CMainFrame::GetWriteJournalWindow() const
{
    return m_journalWindow && m_journalWindow->GetSafeHwnd() != nullptr ? m_journalWindow.get() : nullptr;
}

void CMainFrame::ShowUncleanNotice()
{
    const CPciFunctionView* pView = GetFunctionView();
    m_uncleanNotice = true;
    m_uncleanNoticeFunction = pView != nullptr ? pView->GetFunction() : nullptr;
    SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
}

HWND CMainFrame::FocusedEdit() const
{
    HWND focus = ::GetFocus();
    char className[sizeof kEditClass + 1] = {};
    if (focus == nullptr || !::IsChild(m_hWnd, focus) || ::GetClassNameA(focus, className, sizeof className) == 0)
        return nullptr;
    return lstrcmpiA(className, kEditClass) == 0 ? focus : nullptr;
}

void CMainFrame::OnEditUndo()
{
    if (HWND edit = FocusedEdit()) {
        ::SendMessageA(edit, WM_UNDO, 0, 0);
        return;
    }
    auto* pDoc = DYNAMIC_DOWNCAST(CBriscoDoc, GetActiveDocument());
    if (pDoc == nullptr)
        return;
    std::string status;
    pDoc->UndoLastWrite(&status);
    SetMessageText(status.c_str());
}

void CMainFrame::OnUpdateEditUndo(CCmdUI* pCmdUI)
{
    const auto* pDoc = DYNAMIC_DOWNCAST(CBriscoDoc, GetActiveDocument());
    pCmdUI->Enable(FocusedEdit() != nullptr || (pDoc != nullptr && pDoc->CanUndoWrite()) ? TRUE : FALSE);
}

void CMainFrame::SelectMatch(bool afterSelection)
{
    CPciBusView* pTree = GetBusView();
    if (pTree == nullptr)
        return;
    if (!pTree->SelectMatch(*m_findQuery, afterSelection)) {
        const std::string text = "No function matches \"" + m_findText + "\".";
        AfxShowMessageBox(m_hWnd, text.c_str(), CFindFunctionDialog::kCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    SetActiveView(pTree);
}

void CMainFrame::ShowWithSavedPlacement()
{
    WINDOWPLACEMENT placement = {};
    const bool saved = CBriscoSettings::LoadPlacement(&placement) &&
        ::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONULL) != nullptr;
    if (!saved) {
        ShowWindow(SW_SHOW);
        return;
    }
    if (placement.showCmd != SW_SHOWMAXIMIZED)
        placement.showCmd = SW_SHOWNORMAL;
    placement.flags = 0;
    ::SetWindowPlacement(m_hWnd, &placement);
    DWORD treeHeight = 0;
    if (m_wndSplitter.GetSafeHwnd() && CBriscoSettings::LoadNumber(CBriscoSettings::kTreeHeightValue, &treeHeight)) {
        m_wndSplitter.SetRowInfo(kTreeRow, static_cast<int>(treeHeight), 0);
        m_wndSplitter.RecalcLayout();
    }
}

// Saved here, not when the window is destroyed: by then the system has hidden it.
void CMainFrame::OnClose()
{
    SavePlacement();
    CFrameWnd::OnClose();
}

void CMainFrame::SavePlacement()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!::GetWindowPlacement(m_hWnd, &placement) || !IsWindowVisible())
        return;
    CBriscoSettings::SavePlacement(placement);
    if (m_wndSplitter.GetSafeHwnd()) {
        int treeHeight = 0;
        int minimum = 0;
        m_wndSplitter.GetRowInfo(kTreeRow, treeHeight, minimum);
        CBriscoSettings::SaveNumber(CBriscoSettings::kTreeHeightValue, static_cast<DWORD>(treeHeight));
    }
}

BOOL CMainFrame::GetMessageString(UINT nID, std::string& rMessage) const
{
    // One pane, one precedence: a menu prompt (another id), a scan failure, the unclean-session
    // notice, the compared register under the cursor, the comparison, the current BAR, the
    // function's lspci address, "Ready".
    if (nID == AFX_IDS_IDLEMESSAGE) {
        const auto* pDoc = DYNAMIC_DOWNCAST(CBriscoDoc, GetActiveDocument());
        if (pDoc != nullptr && !pDoc->GetScanFailure().empty()) {
            rMessage = pDoc->GetScanFailure();
            return TRUE;
        }
        const CPciFunctionView* pShown = GetFunctionView();
        if (m_uncleanNotice && pShown != nullptr && pShown->GetFunction() == m_uncleanNoticeFunction) {
            rMessage = CBriscoDoc::kUncleanText;
            return TRUE;
        }
        const CMachineComparison* pComparison = pDoc != nullptr ? pDoc->GetComparison() : nullptr;
        const CPciFunctionView* pFunctionView = GetFunctionView();
        const std::string note = pFunctionView != nullptr ? pFunctionView->GetCursorComparisonNote() : std::string();
        if (pComparison != nullptr && !note.empty()) {
            rMessage = note;
            return TRUE;
        }
        if (pComparison != nullptr) {
            rMessage = pComparison->Summary();
            return TRUE;
        }
        const CPciFunctionView* pView = GetFunctionView();
        const std::string bar = pView != nullptr ? pView->GetCurrentBarSummary() : std::string();
        if (!bar.empty()) {
            rMessage = bar;
            return TRUE;
        }
        const CPciFunction* pFunction = pView != nullptr ? pView->GetFunction() : nullptr;
        if (pFunction != nullptr) {
            rMessage = CFunctionQuery::FormatLspciLine(*pFunction);
            return TRUE;
        }
    }
    return CFrameWnd::GetMessageString(nID, rMessage);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // The caption is the program's name alone; no document name is ever added.
    cs.style &= ~static_cast<LONG>(FWS_ADDTOTITLE);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!CreateToolBar() || !CreateStatusBar())
        return -1;
    SplitPanesEqually();
    return 0;
}

bool CMainFrame::CreateToolBar()
{
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, CRect(0, 0, 0, 0),
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return false;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM);
    m_wndToolBar.SetButtonText(kRefreshButton, "Refresh");
    m_wndToolBar.SetButtonText(kAboutButton, "About");
    m_wndToolBar.SetSizes(CSize(ButtonWidthForTexts(), kButtonHeight), CSize(BRISCO_IMAGE_WIDTH, BRISCO_IMAGE_HEIGHT));
    return true;
}

int CMainFrame::ButtonWidthForTexts()
{
    CClientDC dc(&m_wndToolBar);
    CDCSelection font(dc, reinterpret_cast<HGDIOBJ>(m_wndToolBar.SendMessage(WM_GETFONT)));
    int widest = 0;
    for (int button = 0; button < m_wndToolBar.GetCount(); ++button)
        widest = std::max(widest, static_cast<int>(dc.GetTextExtent(m_wndToolBar.GetButtonText(button)).cx));
    // The toolbar draws a label inside the button's edges; a wider label would be cut short.
    const int needed = widest + kLabelMargin * 2 + ::GetSystemMetrics(SM_CXEDGE) * 2;
    return std::max(kButtonWidth, needed);
}

bool CMainFrame::CreateStatusBar()
{
    return m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) &&
        m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)));
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (!m_wndSplitter.CreateStatic(this, kPaneCount, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST) ||
        !m_wndSplitter.CreateView(kTreeRow, 0, RUNTIME_CLASS(CPciBusView), CSize(0, 0), pContext) ||
        !m_wndSplitter.CreateView(kFunctionRow, 0, RUNTIME_CLASS(CPciFunctionView), CSize(0, 0), pContext))
        return FALSE;
    CRect client;
    GetClientRect(&client);
    const int half = client.Height() / kPaneCount;
    m_wndSplitter.SetRowInfo(kTreeRow, half, 0);
    m_wndSplitter.SetRowInfo(kFunctionRow, half, 0);
    return TRUE;
}

void CMainFrame::SplitPanesEqually()
{
    if (!m_wndSplitter.GetSafeHwnd())
        return;
    // The bars are laid out only once the frame is visible; take their room from their heights.
    CRect client;
    GetClientRect(&client);
    const int panes = client.Height() - m_wndToolBar.CalcFixedHeight() - m_wndStatusBar.CalcFixedHeight() -
        CSplitterWnd::kSplitterSize;
    const int half = panes / kPaneCount;
    if (half <= 0)
        return;
    m_wndSplitter.SetRowInfo(kTreeRow, half, 0);
    m_wndSplitter.SetRowInfo(kFunctionRow, half, 0);
}
