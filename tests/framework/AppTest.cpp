// A small document/view program built on the framework and driven in-process through the
// test seams: a frame with toolbar and status bar, a static splitter with a tree view and
// a form view, F6 pane switching, update handlers, status prompts, a modal dialog whose
// control is bound with DDX_Control, an owner-drawn context menu and the save command.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>
#include <string>
#include "tests/framework/AppTestIds.h"
#include "framework/Framework.h"

void PrintTo(const CRect& rect, std::ostream* os)
{
    *os << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}

namespace {

// ---- The program ----

class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)

class CTestTreeView : public CTreeView {
    DECLARE_DYNCREATE(CTestTreeView)
public:
    int m_initialUpdates = 0;
    int m_refreshes = 0;
    int m_selectionChanges = 0;

    void OnInitialUpdate() override
    {
        ++m_initialUpdates;
        CTreeCtrl& tree = GetTreeCtrl();
        HTREEITEM root = tree.InsertItem("root");
        tree.InsertItem("child", root);
    }
    void OnRefresh() { ++m_refreshes; }
    void OnSelChanged(NMHDR*, LRESULT* pResult)
    {
        ++m_selectionChanges;
        *pResult = 0;
    }

protected:
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestTreeView, CTreeView)
BEGIN_MESSAGE_MAP(CTestTreeView, CTreeView)
    ON_COMMAND(ID_TEST_REFRESH, OnRefresh)
    ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
END_MESSAGE_MAP()

// A popup whose items the program measures and draws itself.
class COwnerDrawPopup : public CMenu {
public:
    int m_measures = 0;
    int m_draws = 0;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override
    {
        ++m_measures;
        lpMeasureItemStruct->itemWidth = 100;
        lpMeasureItemStruct->itemHeight = 20;
    }
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        ++m_draws;
        CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
        pDC->FillSolidRect(&lpDrawItemStruct->rcItem, RGB(255, 255, 255));
    }
};

// Opens the first item of the menu that is being tracked, once.
void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
    if (hMenuWnd == nullptr || !::IsWindowVisible(hMenuWnd))
        return;
    ::KillTimer(nullptr, idEvent);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
}

class CTestFormView : public CFormView {
    DECLARE_DYNCREATE(CTestFormView)
public:
    CTestFormView() : CFormView(IDD_TEST_FORM) {}
    int m_initialUpdates = 0;
    int m_firstCommands = 0;
    int m_menuMeasures = 0;
    int m_menuDraws = 0;

    void OnInitialUpdate() override { ++m_initialUpdates; }
    void OnContextMenu(CWnd*, CPoint point)
    {
        COwnerDrawPopup popup;
        popup.CreatePopupMenu();
        popup.AppendMenu(MF_OWNERDRAW, ID_TEST_CONTEXT_FIRST, nullptr);
        popup.AppendMenu(MF_OWNERDRAW, ID_TEST_CONTEXT_SECOND, nullptr);
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseFirstMenuItem);
        popup.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
        ::KillTimer(nullptr, timer);
        m_menuMeasures = popup.m_measures;
        m_menuDraws = popup.m_draws;
    }
    void OnFirst() { ++m_firstCommands; }

protected:
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFormView, CFormView)
BEGIN_MESSAGE_MAP(CTestFormView, CFormView)
    ON_WM_CONTEXTMENU()
    ON_COMMAND(ID_TEST_CONTEXT_FIRST, OnFirst)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
public:
    CSplitterWnd m_wndSplitter;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    int m_initialHalf = -1;

    CTestTreeView* Tree() const { return static_cast<CTestTreeView*>(m_wndSplitter.GetPane(0, 0)); }
    CTestFormView* Form() const { return static_cast<CTestFormView*>(m_wndSplitter.GetPane(1, 0)); }

    int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
            return -1;
        if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP) ||
            !m_wndToolBar.LoadToolBar(IDR_TESTFRAME))
            return -1;
        static const UINT kIndicators[] = {ID_SEPARATOR};
        if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 1))
            return -1;
        m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM);
        m_wndToolBar.SetButtonText(0, "Refresh");
        m_wndToolBar.SetButtonText(1, "About");
        m_wndToolBar.SetSizes(CSize(45, 40), CSize(16, 15));
        return 0;
    }
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) override
    {
        if (!m_wndSplitter.CreateStatic(this, 2, 1) ||
            !m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CTestTreeView), CSize(0, 0), pContext) ||
            !m_wndSplitter.CreateView(1, 0, RUNTIME_CLASS(CTestFormView), CSize(0, 0), pContext))
            return FALSE;
        CRect client;
        GetClientRect(&client);
        m_initialHalf = client.Height() / 2;
        m_wndSplitter.SetRowInfo(0, m_initialHalf, 0);
        m_wndSplitter.SetRowInfo(1, m_initialHalf, 0);
        return TRUE;
    }

protected:
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

// A label that records how the dialog attached it.
class CTestLabel : public CStatic {
public:
    int m_preSubclassCalls = 0;
    int m_preTranslated = 0;
    void PreSubclassWindow() override
    {
        ++m_preSubclassCalls;
        CStatic::PreSubclassWindow();
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        ++m_preTranslated;
        return CStatic::PreTranslateMessage(pMsg);
    }
};

class CTestAboutDlg : public CDialog {
public:
    CTestAboutDlg() : CDialog(IDD_TEST_ABOUT) {}
    CTestLabel m_link;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_TEST_LINK, m_link);
    }
};

class CTestApp : public CWinApp {
public:
    INT_PTR m_lastAboutResult = 0;

    BOOL InitInstance() override
    {
        AddDocTemplate(new CSingleDocTemplate(IDR_TESTFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame),
                                              RUNTIME_CLASS(CTestTreeView)));
        CCommandLineInfo commandLine;
        return ProcessShellCommand(commandLine);
    }
    void OnAppAbout()
    {
        CTestAboutDlg dialog;
        m_lastAboutResult = dialog.DoModal();
    }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

// ---- The tests ----

class AppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_app = new CTestApp;
        s_app->InitApplication();
        s_started = s_app->InitInstance() != FALSE;
    }
    static void TearDownTestSuite()
    {
        if (CWnd* pMainWnd = AfxGetMainWnd())
            pMainWnd->DestroyWindow();
        delete s_app;
        s_app = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_started);
        m_frame = static_cast<CTestFrame*>(AfxGetMainWnd());
        ASSERT_NE(nullptr, m_frame);
        ActivateTree();
    }
    void TearDown() override { CTestSeams::Reset(); }

    void ActivateTree()
    {
        m_frame->SetActiveView(m_frame->Tree());
        CTestSeams::PumpUntilIdle();
    }
    void ActivateForm()
    {
        m_frame->SetActiveView(m_frame->Form());
        CTestSeams::PumpUntilIdle();
    }
    bool IsButtonEnabled(UINT nID) const
    {
        return m_frame->m_wndToolBar.SendMessage(TB_ISBUTTONENABLED, nID) != 0;
    }
    std::string StatusText() const { return m_frame->m_wndStatusBar.GetPaneText(0); }
    CRect ChildRect(CWnd& child) const
    {
        CRect rect;
        child.GetWindowRect(&rect);
        m_frame->ScreenToClient(&rect);
        return rect;
    }

    static CTestApp* s_app;
    static bool s_started;
    CTestFrame* m_frame = nullptr;
};

CTestApp* AppTest::s_app = nullptr;
bool AppTest::s_started = false;

TEST_F(AppTest, StartsWithTwoEqualPanesBetweenTheBars)
{
    EXPECT_EQ("Untitled - Framework Test", m_frame->GetWindowText());
    EXPECT_TRUE(m_frame->IsWindowVisible());
    EXPECT_EQ(1, m_frame->Tree()->m_initialUpdates);
    EXPECT_EQ(1, m_frame->Form()->m_initialUpdates);
    EXPECT_EQ(m_frame->GetActiveDocument(), m_frame->Tree()->GetDocument());

    int top = 0;
    int minimum = 0;
    m_frame->m_wndSplitter.GetRowInfo(0, top, minimum);
    EXPECT_GT(m_frame->m_initialHalf, 0);
    EXPECT_EQ(m_frame->m_initialHalf, top) << "the upper pane keeps half the first client height";

    CRect client;
    m_frame->GetClientRect(&client);
    CRect toolbar = ChildRect(m_frame->m_wndToolBar);
    CRect status = ChildRect(m_frame->m_wndStatusBar);
    CRect splitter = ChildRect(m_frame->m_wndSplitter);
    EXPECT_EQ(0, toolbar.top);
    EXPECT_GE(toolbar.Height(), 40) << "the buttons are 40 pixels high";
    EXPECT_EQ(toolbar.bottom, splitter.top);
    EXPECT_EQ(splitter.bottom, status.top);
    EXPECT_EQ(client.bottom, status.bottom);
    EXPECT_EQ(client.Width(), splitter.Width());
}

TEST_F(AppTest, FrameErasesAroundThePaneButNotUnderIt)
{
    // A flat toolbar asks the frame to paint under its buttons, so everything outside
    // the pane must be erased even while a view is active.
    CRect client;
    m_frame->GetClientRect(&client);
    CRect splitter = ChildRect(m_frame->m_wndSplitter);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.Width(), client.Height());
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const COLORREF marker = RGB(1, 2, 3);
    HBRUSH markerBrush = ::CreateSolidBrush(marker);
    RECT all = {0, 0, client.Width(), client.Height()};
    ::FillRect(memory, &all, markerBrush);
    ::DeleteObject(markerBrush);

    m_frame->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory));

    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), ::GetPixel(memory, client.right - 2, 1))
        << "right end of the toolbar row";
    EXPECT_EQ(marker, ::GetPixel(memory, splitter.CenterPoint().x, splitter.CenterPoint().y))
        << "under the pane nothing is erased";
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
}

TEST_F(AppTest, ToolbarIsLoadedWithTextsAndSizes)
{
    CToolBar& toolbar = m_frame->m_wndToolBar;
    ASSERT_EQ(2, toolbar.GetCount());
    EXPECT_EQ(static_cast<UINT>(ID_TEST_REFRESH), toolbar.GetItemID(0));
    EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), toolbar.GetItemID(1));
    EXPECT_EQ("Refresh", toolbar.GetButtonText(0));
    EXPECT_EQ("About", toolbar.GetButtonText(1));
    LRESULT size = toolbar.SendMessage(TB_GETBUTTONSIZE);
    EXPECT_EQ(45, LOWORD(size));
    EXPECT_EQ(40, HIWORD(size));
    EXPECT_EQ(static_cast<DWORD>(CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM),
              toolbar.GetBarStyle() & (CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM));
}

TEST_F(AppTest, FunctionKeysSwitchPanesAndTheButtonFollowsTheActiveView)
{
    EXPECT_TRUE(IsButtonEnabled(ID_TEST_REFRESH)) << "the tree view handles Refresh";
    EXPECT_TRUE(IsButtonEnabled(ID_APP_ABOUT));

    CTestSeams::PressKey(VK_F6);
    EXPECT_EQ(m_frame->Form(), m_frame->GetActiveView());
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == m_frame->Form()->m_hWnd || ::IsChild(m_frame->Form()->m_hWnd, focus));
    EXPECT_FALSE(IsButtonEnabled(ID_TEST_REFRESH)) << "no handler while the form view is active";
    EXPECT_TRUE(IsButtonEnabled(ID_APP_ABOUT));

    // F6 reaches the frame's accelerators even from a control of the form.
    ::SetFocus(m_frame->Form()->GetDlgItem(IDC_TEST_EDIT)->m_hWnd);
    CTestSeams::PressKey(VK_F6);
    EXPECT_EQ(m_frame->Tree(), m_frame->GetActiveView());
    EXPECT_EQ(m_frame->Tree()->m_hWnd, ::GetFocus());
    EXPECT_TRUE(IsButtonEnabled(ID_TEST_REFRESH));

    CTestSeams::PressKey(VK_F6, true);
    EXPECT_EQ(m_frame->Form(), m_frame->GetActiveView()) << "Shift+F6 goes the other way round";
    CTestSeams::PressKey(VK_F6, true);
    EXPECT_EQ(m_frame->Tree(), m_frame->GetActiveView());
}

TEST_F(AppTest, CommandsGoToTheActiveViewAndDisabledOnesAreDropped)
{
    int before = m_frame->Tree()->m_refreshes;
    m_frame->SendMessage(WM_COMMAND, ID_TEST_REFRESH);
    EXPECT_EQ(before + 1, m_frame->Tree()->m_refreshes);

    ActivateForm();
    m_frame->SendMessage(WM_COMMAND, ID_TEST_REFRESH);
    EXPECT_EQ(before + 1, m_frame->Tree()->m_refreshes) << "the tree is not the active view";

    // A click on the toolbar button reaches the tree view through the frame.
    ActivateTree();
    CRect button;
    m_frame->m_wndToolBar.GetItemRect(0, &button);
    CTestSeams::Click(m_frame->m_wndToolBar.m_hWnd, button.CenterPoint());
    EXPECT_EQ(before + 2, m_frame->Tree()->m_refreshes);
}

TEST_F(AppTest, MenuItemsAreUpdatedWhenTheirPopupOpens)
{
    // The handle, not a temporary object: those go away at idle time.
    HMENU options = ::GetSubMenu(::GetMenu(m_frame->m_hWnd), 0);
    ASSERT_NE(nullptr, options);
    struct Case {
        bool treeActive;
        bool refreshEnabled;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(c.treeActive ? "tree active" : "form active");
        if (c.treeActive)
            ActivateTree();
        else
            ActivateForm();
        m_frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(options), 0);
        EXPECT_EQ(c.refreshEnabled, (::GetMenuState(options, ID_TEST_REFRESH, MF_BYCOMMAND) & MF_GRAYED) == 0);
        EXPECT_EQ(0u, ::GetMenuState(options, ID_APP_EXIT, MF_BYCOMMAND) & MF_GRAYED) << "the application handles Exit";
    }
}

TEST_F(AppTest, StatusBarShowsPromptsForMenusAndButtons)
{
    HMENU hMenu = ::GetMenu(m_frame->m_hWnd);
    struct Case {
        UINT id;
        const char* prompt;
    };
    const Case cases[] = {
        {ID_TEST_REFRESH, "Rescans everything"},          // the program's string without a tip
        {ID_APP_ABOUT, "Shows the about box"},            // the program's string before its tip
        {ID_APP_EXIT, "Close the program"},               // the framework's standard prompt
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        m_frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(c.id, MF_HILITE), reinterpret_cast<LPARAM>(hMenu));
        EXPECT_EQ(c.prompt, StatusText());
    }
    m_frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ("Ready", StatusText()) << "closing the menu shows the idle message";

    // Fly-by: the pointer over a toolbar button.
    NMTBHOTITEM hot = {};
    hot.hdr.hwndFrom = m_frame->m_wndToolBar.m_hWnd;
    hot.hdr.idFrom = AFX_IDW_TOOLBAR;
    hot.hdr.code = static_cast<UINT>(TBN_HOTITEMCHANGE);
    hot.idNew = ID_APP_ABOUT;
    hot.dwFlags = HICF_MOUSE;
    m_frame->SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ("Shows the about box", StatusText());
    hot.idNew = 0;
    hot.dwFlags = HICF_MOUSE | HICF_LEAVING;
    m_frame->SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ("Ready", StatusText());
}

TEST_F(AppTest, ToolTipsShowTheSecondLineOfTheCommandString)
{
    struct Case {
        UINT id;
        const char* tip;
    };
    HWND hTip = reinterpret_cast<HWND>(m_frame->m_wndToolBar.SendMessage(TB_GETTOOLTIPS));
    for (const Case& c : {Case{ID_APP_ABOUT, "About"}, Case{ID_TEST_REFRESH, ""}}) {
        SCOPED_TRACE(c.id);
        NMTTDISPINFOA info = {};
        info.hdr.hwndFrom = hTip;
        info.hdr.idFrom = c.id;
        info.hdr.code = TTN_GETDISPINFOA;
        std::strcpy(info.szText, "unchanged");
        m_frame->SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(c.tip, info.lpszText);

        // The same request from a control that speaks UTF-16.
        NMTTDISPINFOW wide = {};
        wide.hdr.hwndFrom = hTip;
        wide.hdr.idFrom = c.id;
        wide.hdr.code = TTN_GETDISPINFOW;
        m_frame->SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&wide));
        char narrow[80] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide.lpszText, -1, narrow, sizeof(narrow), nullptr, nullptr);
        EXPECT_STREQ(c.tip, narrow);
    }
}

TEST_F(AppTest, ModalDialogBindsItsControlAndReturnsHowItWasClosed)
{
    struct Case {
        const char* name;
        bool pressEscape;
        INT_PTR result;
    };
    for (const Case& c : {Case{"escape", true, IDCANCEL}, Case{"ok button", false, IDOK}}) {
        SCOPED_TRACE(c.name);
        bool frameEnabledMeanwhile = true;
        bool labelBound = false;
        int preSubclassCalls = 0;
        std::string labelText;
        CTestSeams::s_modalStarted = [&](CWnd* pWnd) {
            auto* dialog = static_cast<CTestAboutDlg*>(pWnd);
            frameEnabledMeanwhile = m_frame->IsWindowEnabled() != FALSE;
            HWND hLabel = ::GetDlgItem(dialog->m_hWnd, IDC_TEST_LINK);
            labelBound = CWnd::FromHandlePermanent(hLabel) == &dialog->m_link;
            preSubclassCalls = dialog->m_link.m_preSubclassCalls;
            labelText = dialog->m_link.GetWindowText();
            ::PostMessageA(hLabel, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            if (c.pressEscape)
                ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            else
                ::PostMessageA(::GetDlgItem(dialog->m_hWnd, IDOK), BM_CLICK, 0, 0);
        };
        m_frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
        EXPECT_EQ(c.result, s_app->m_lastAboutResult);
        EXPECT_FALSE(frameEnabledMeanwhile) << "the owner is disabled while the dialog runs";
        EXPECT_TRUE(m_frame->IsWindowEnabled());
        EXPECT_TRUE(labelBound);
        EXPECT_EQ(1, preSubclassCalls);
        EXPECT_EQ("http://example.invalid/", labelText);
    }
}

TEST_F(AppTest, ContextMenuIsOwnerDrawnAndItsCommandReachesTheView)
{
    CTestFormView* form = m_frame->Form();
    CRect rect;
    form->GetWindowRect(&rect);
    form->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->m_hWnd), MAKELPARAM(rect.left + 10, rect.top + 10));
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(1, form->m_firstCommands);
    EXPECT_GT(form->m_menuMeasures, 0) << "the view measured the items through the menu object";
    EXPECT_GT(form->m_menuDraws, 0) << "the view drew the items through the menu object";
}

TEST_F(AppTest, FormViewMovesTheFocusWithTab)
{
    ::SetFocus(m_frame->Form()->GetDlgItem(IDC_TEST_EDIT)->m_hWnd);
    CTestSeams::PressKey(VK_TAB);
    EXPECT_EQ(m_frame->Form()->GetDlgItem(IDC_TEST_LIST)->m_hWnd, ::GetFocus());
}

TEST_F(AppTest, SplitterBarFollowsTheMouse)
{
    CSplitterWnd& splitter = m_frame->m_wndSplitter;
    int height = 0;
    int minimum = 0;
    splitter.GetRowInfo(0, height, minimum);
    int barY = height + CSplitterWnd::kSplitterSize / 2;
    splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, barY));
    splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, barY - 30));
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, barY - 30));
    int newHeight = 0;
    splitter.GetRowInfo(0, newHeight, minimum);
    EXPECT_EQ(height - 30, newHeight);
    CRect pane;
    m_frame->Tree()->GetWindowRect(&pane);
    EXPECT_EQ(height - 30, pane.Height());
    EXPECT_EQ(nullptr, ::GetCapture());
}

TEST_F(AppTest, TreeNotificationsAreReflectedToTheTreeView)
{
    CTreeCtrl& tree = m_frame->Tree()->GetTreeCtrl();
    HTREEITEM root = tree.GetRootItem();
    ASSERT_NE(nullptr, root);
    HTREEITEM child = tree.GetChildItem(root);
    ASSERT_NE(nullptr, child);
    int before = m_frame->Tree()->m_selectionChanges;
    tree.SelectItem(child);
    EXPECT_EQ(before + 1, m_frame->Tree()->m_selectionChanges) << "the splitter offered TVN_SELCHANGED to the view";
    tree.SelectItem(root);
}

TEST_F(AppTest, TemporaryToolbarGivesItsRoomBack)
{
    CRect before = ChildRect(m_frame->m_wndSplitter);
    {
        CToolBar bar;
        ASSERT_TRUE(bar.CreateEx(m_frame));
        ASSERT_TRUE(bar.LoadToolBar(IDR_TESTFRAME));
        UINT id = 0;
        UINT style = 0;
        int image = -1;
        bar.GetButtonInfo(1, id, style, image);
        EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), id);
        EXPECT_EQ(1, image);
        EXPECT_EQ(1, bar.CommandToIndex(ID_APP_ABOUT));
        EXPECT_EQ(-1, bar.CommandToIndex(ID_APP_EXIT));
    }
    EXPECT_EQ(before, ChildRect(m_frame->m_wndSplitter));
}

TEST_F(AppTest, FormViewShowsScrollBarsOnlyWhenItsAreaDoesNotFit)
{
    CTestFormView* form = m_frame->Form();
    CRect client;
    form->GetClientRect(&client);
    form->SetScrollSizes(MM_TEXT, client.Size());
    EXPECT_EQ(0u, form->GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    form->SetScrollSizes(MM_TEXT, CSize(client.Width() * 3, client.Height() * 3));
    EXPECT_EQ(static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL), form->GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    form->SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_GT(form->GetScrollPosition().y, 0);
    form->SetScrollSizes(MM_TEXT, CSize(1, 1));
    EXPECT_EQ(0u, form->GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    EXPECT_EQ(CPoint(0, 0), form->GetScrollPosition()) << "the form scrolls back when everything fits";
}

// An edit that keeps control keys for itself, as an in-place editor does.
class CKeyKeepingEdit : public CEdit {
public:
    int m_kept = 0;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN && (::GetKeyState(VK_CONTROL) & 0x8000) != 0) {
            ++m_kept;
            return TRUE;
        }
        return CEdit::PreTranslateMessage(pMsg);
    }
};

TEST_F(AppTest, TheFocusedWindowSeesKeysBeforeTheFrameAccelerators)
{
    CKeyKeepingEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 20), m_frame->Form(), 999));
    edit.SetFocus();
    int dialogs = 0;
    CTestSeams::s_fileDialog = [&](bool, std::string&) {
        ++dialogs;
        return false;
    };
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, edit.m_kept);
    EXPECT_EQ(0, dialogs) << "Ctrl+S never reached the frame's accelerators";
}

TEST_F(AppTest, TypedTextReachesTheFocusedControl)
{
    // The handle: the temporary object of the control goes at idle time.
    HWND edit = m_frame->Form()->GetDlgItem(IDC_TEST_EDIT)->m_hWnd;
    ::SetWindowTextA(edit, "");
    ::SetFocus(edit);
    CTestSeams::TypeText("1Fh");
    char text[16] = {};
    ::GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ("1Fh", text);
}

TEST_F(AppTest, SaveWritesTheDocumentUnderTheNameTheDialogGives)
{
    char tempDir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempDir);
    std::string path = std::string(tempDir) + "framework-save-test.tst";
    ::DeleteFileA(path.c_str());
    int dialogs = 0;
    CTestSeams::s_fileDialog = [&](bool save, std::string& name) {
        ++dialogs;
        EXPECT_TRUE(save);
        EXPECT_EQ("Untitled.tst", name) << "the suggested name has the template's extension";
        name = path;
        return true;
    };
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, dialogs);
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    CDocument* document = m_frame->GetActiveDocument();
    EXPECT_EQ("framework-save-test.tst", document->GetTitle());
    EXPECT_EQ(path, document->GetPathName());
    EXPECT_EQ("framework-save-test.tst - Framework Test", m_frame->GetWindowText()) << "the caption follows at idle time";
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, dialogs) << "a named document is saved without asking";

    // A name in a folder that does not exist: an error, and the document keeps its name.
    std::vector<CMessageBoxRequest> boxes;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        boxes.push_back(request);
        return IDOK;
    };
    std::string bad = std::string(tempDir) + "no-such-folder\\x.tst";
    EXPECT_FALSE(document->DoSave(bad.c_str()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find(bad)) << boxes[0].text;
    EXPECT_EQ(path, document->GetPathName());
    ::DeleteFileA(path.c_str());
}

TEST_F(AppTest, OpeningAFileReusesTheDocumentAndReportsAMissingOne)
{
    std::vector<CMessageBoxRequest> boxes;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        boxes.push_back(request);
        return IDOK;
    };
    CDocument* document = m_frame->GetActiveDocument();
    std::string title = document->GetTitle();
    char tempDir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempDir);
    std::string missing = std::string(tempDir) + "framework-missing.tst";
    ::DeleteFileA(missing.c_str());
    EXPECT_EQ(nullptr, s_app->OpenDocumentFile(missing.c_str()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find(missing)) << boxes[0].text;
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK), boxes[0].type);
    EXPECT_EQ(title, document->GetTitle());

    std::string existing = std::string(tempDir) + "framework-existing.tst";
    std::FILE* file = std::fopen(existing.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    int initialUpdates = m_frame->Tree()->m_initialUpdates;
    EXPECT_EQ(document, s_app->OpenDocumentFile(existing.c_str())) << "one document at a time";
    EXPECT_EQ("framework-existing.tst", document->GetTitle());
    EXPECT_EQ(initialUpdates + 1, m_frame->Tree()->m_initialUpdates) << "the views start over";
    EXPECT_EQ("framework-existing.tst - Framework Test", m_frame->GetWindowText());
    ::DeleteFileA(existing.c_str());
}

TEST_F(AppTest, ExitClosesTheFrameAndEndsTheLoop)
{
    CDocument* document = m_frame->GetActiveDocument();
    m_frame->SendMessage(WM_COMMAND, ID_APP_EXIT);
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    EXPECT_EQ(nullptr, document->GetFirstViewPosition()) << "the views went with the frame";
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
