// Windows and their objects: the handle map, creation, subclassing, reflection of control
// messages to the child, owner-drawn menu items, the exception boundary and GDI ownership.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>
#include "framework/Framework.h"
#include "tests/support/TraceCapture.h"

namespace {

constexpr UINT kChildId = 300;
constexpr UINT kPingMessage = WM_APP + 1;
constexpr UINT kThrowMessage = WM_APP + 2;
constexpr UINT kMenuCommand = 4000;
constexpr COLORREF kChildColor = RGB(10, 20, 30);

std::vector<std::string> g_calls;

class CTestWnd : public CWnd {
public:
    int m_createCalls = 0;
    bool m_failCreate = false;
    bool m_postNcDestroyed = false;
    int m_preTranslated = 0;

    BOOL PreTranslateMessage(MSG*) override { return ++m_preTranslated, FALSE; }

    int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        ++m_createCalls;
        if (m_failCreate)
            return -1;
        return CWnd::OnCreate(lpCreateStruct);
    }
    LRESULT OnPing(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) * 2; }
    LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    void OnChildCommand() { g_calls.push_back("parent-command"); }
    void OnChildNotify(NMHDR*, LRESULT* pResult)
    {
        g_calls.push_back("parent-notify");
        *pResult = 5;
    }
    void PostNcDestroy() override { m_postNcDestroyed = true; }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CWnd)
    ON_WM_CREATE()
    ON_MESSAGE(kPingMessage, OnPing)
    ON_MESSAGE(kThrowMessage, OnThrow)
    ON_CONTROL(BN_CLICKED, kChildId, OnChildCommand)
    ON_CONTROL(BN_DOUBLECLICKED, kChildId, OnChildCommand)
    ON_NOTIFY(NM_CLICK, kChildId, OnChildNotify)
    ON_NOTIFY(NM_DBLCLK, kChildId, OnChildNotify)
END_MESSAGE_MAP()

// A control that takes some of its parent's messages about it.
class CReflectingButton : public CButton {
public:
    bool m_preSubclassed = false;

    void PreSubclassWindow() override
    {
        m_preSubclassed = CWnd::FromHandlePermanent(m_hWnd) == this;
        CButton::PreSubclassWindow();
    }
    void OnClicked() { g_calls.push_back("child-clicked"); }
    BOOL OnDoubleClicked() { return g_calls.push_back("child-declined"), FALSE; }
    void OnNotifyClick(NMHDR*, LRESULT* pResult)
    {
        g_calls.push_back("child-notify");
        *pResult = 9;
    }
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor)
    {
        g_calls.push_back("child-ctlcolor " + std::to_string(nCtlColor));
        pDC->SetTextColor(kChildColor);
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    LRESULT OnPing(WPARAM, LPARAM) { return 99; }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_CONTROL_REFLECT_EX(BN_DOUBLECLICKED, OnDoubleClicked)
    ON_NOTIFY_REFLECT(NM_CLICK, OnNotifyClick)
    ON_WM_CTLCOLOR_REFLECT()
    ON_MESSAGE(kPingMessage, OnPing)
END_MESSAGE_MAP()

// A tree control that counts its WM_CREATE.
class CCreatingTree : public CTreeCtrl {
public:
    int creates = 0;
    int OnCreate(LPCREATESTRUCT lpcs)
    {
        ++creates;
        return CTreeCtrl::OnCreate(lpcs);
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCreatingTree, CTreeCtrl)
    ON_WM_CREATE()
END_MESSAGE_MAP()

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        AfxInitCommonControls();
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    }
    void TearDown() override
    {
        if (m_parent.m_hWnd != nullptr)
            m_parent.DestroyWindow();
        CWnd::DeleteTempMap();
    }
    HWND CreateForeignButton()
    {
        return ::CreateWindowExA(0, "BUTTON", "child", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, m_parent.m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kChildId)), AfxGetInstanceHandle(),
                                 nullptr);
    }
    CTestWnd m_parent;
};

TEST_F(WindowTest, CreationRoutesTheFirstMessagesToTheObject)
{
    EXPECT_EQ(1, m_parent.m_createCalls);
    EXPECT_EQ(&m_parent, CWnd::FromHandle(m_parent.m_hWnd));
    EXPECT_EQ(&m_parent, CWnd::FromHandlePermanent(m_parent.m_hWnd));
    EXPECT_EQ(84, m_parent.SendMessage(kPingMessage, 42));

    CTestWnd failing;
    failing.m_failCreate = true;
    EXPECT_FALSE(failing.CreateEx(0, nullptr, "failing", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_EQ(nullptr, failing.m_hWnd);
    EXPECT_TRUE(failing.m_postNcDestroyed) << "a window destroyed during creation is cleaned up";
}

TEST_F(WindowTest, CommonControlsCreatedThroughTheFrameworkSeeTheirOwnCreateMessage)
{
    CCreatingTree tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), &m_parent, 1));
    // The tree control itself must have run its creation too: it accepts items.
    EXPECT_EQ(1, tree.creates);
    HTREEITEM item = tree.InsertItem("root");
    ASSERT_NE(nullptr, item);
    EXPECT_EQ("root", tree.GetItemText(item));
    EXPECT_TRUE(tree.SetItemData(item, 1234));
    EXPECT_EQ(1234u, tree.GetItemData(item));
}


TEST_F(WindowTest, ForeignWindowsGetTemporaryObjectsUntilIdle)
{
    HWND hButton = CreateForeignButton();
    ASSERT_NE(nullptr, hButton);
    CWnd* first = CWnd::FromHandle(hButton);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, CWnd::FromHandle(hButton));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hButton));
    EXPECT_EQ(hButton, m_parent.GetDlgItem(kChildId)->m_hWnd);
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(hButton)) << "dropping a temporary object keeps the window";

    CWnd attached;
    ASSERT_TRUE(attached.Attach(hButton));
    EXPECT_EQ(&attached, CWnd::FromHandle(hButton));
    EXPECT_FALSE(CWnd().Attach(hButton)) << "a window has one permanent object";
    EXPECT_EQ(hButton, attached.Detach());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hButton));
    ::DestroyWindow(hButton);
}

TEST_F(WindowTest, DestroyingAnOwningObjectDestroysItsWindow)
{
    HWND hWnd = nullptr;
    {
        CWnd child;
        ASSERT_TRUE(child.Create(nullptr, "child", WS_CHILD, CRect(0, 0, 10, 10), &m_parent, 7));
        hWnd = child.m_hWnd;
        EXPECT_TRUE(::IsWindow(hWnd));
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST_F(WindowTest, SubclassingRoutesAForeignWindowThroughTheMessageMap)
{
    HWND hButton = CreateForeignButton();
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassDlgItem(kChildId, &m_parent));
    EXPECT_TRUE(button.m_preSubclassed) << "PreSubclassWindow runs with the object already mapped";
    EXPECT_EQ(99, ::SendMessageA(hButton, kPingMessage, 0, 0));
    // The control keeps its own behaviour behind the map.
    ::SetWindowTextA(hButton, "renamed");
    EXPECT_EQ("renamed", button.GetWindowText());
    EXPECT_EQ(hButton, button.UnsubclassWindow());
    EXPECT_EQ(0, ::SendMessageA(hButton, kPingMessage, 0, 0));
    EXPECT_FALSE(button.SubclassDlgItem(kChildId + 1, &m_parent)) << "a missing control cannot be subclassed";
    ::DestroyWindow(hButton);
}

TEST_F(WindowTest, ParentOffersControlMessagesToTheChildFirst)
{
    HWND hButton = CreateForeignButton();
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(hButton));

    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::vector<std::string> calls;
        LRESULT result;
    };
    NMHDR click = {hButton, kChildId, static_cast<UINT>(NM_CLICK)};
    NMHDR dblclk = {hButton, kChildId, static_cast<UINT>(NM_DBLCLK)};
    const Case cases[] = {
        {"command taken by the child", WM_COMMAND, MAKEWPARAM(kChildId, BN_CLICKED),
         reinterpret_cast<LPARAM>(hButton), {"child-clicked"}, 0},
        {"command declined by the child", WM_COMMAND, MAKEWPARAM(kChildId, BN_DOUBLECLICKED),
         reinterpret_cast<LPARAM>(hButton), {"child-declined", "parent-command"}, 0},
        {"notification taken by the child", WM_NOTIFY, kChildId, reinterpret_cast<LPARAM>(&click), {"child-notify"}, 9},
        {"notification without a child handler", WM_NOTIFY, kChildId, reinterpret_cast<LPARAM>(&dblclk),
         {"parent-notify"}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_calls.clear();
        LRESULT result = m_parent.SendMessage(c.message, c.wParam, c.lParam);
        EXPECT_EQ(c.calls, g_calls);
        EXPECT_EQ(c.result, result);
    }

    g_calls.clear();
    HDC hDC = ::GetDC(m_parent.m_hWnd);
    LRESULT brush = m_parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hButton));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(kChildColor, ::GetTextColor(hDC));
    EXPECT_EQ(std::vector<std::string>{"child-ctlcolor " + std::to_string(CTLCOLOR_BTN)}, g_calls);
    ::ReleaseDC(m_parent.m_hWnd, hDC);
    button.UnsubclassWindow();
    ::DestroyWindow(hButton);
}

// A button that draws and measures itself from its parent's owner-draw messages.
class COwnerDrawButton : public CButton {
public:
    int m_draws = 0;
    int m_measures = 0;
    void DrawItem(LPDRAWITEMSTRUCT) { ++m_draws; }
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
    {
        ++m_measures;
        lpMeasureItemStruct->itemHeight = 33;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwnerDrawButton, CButton)
    ON_WM_DRAWITEM_REFLECT()
    ON_WM_MEASUREITEM_REFLECT()
END_MESSAGE_MAP()

TEST_F(WindowTest, OwnerDrawMessagesOfControlsGoToTheControl)
{
    COwnerDrawButton button;
    ASSERT_TRUE(button.Create("owner", WS_CHILD | BS_OWNERDRAW, CRect(0, 0, 40, 20), &m_parent, kChildId));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = kChildId;
    draw.hwndItem = button.m_hWnd;
    EXPECT_EQ(TRUE, m_parent.SendMessage(WM_DRAWITEM, kChildId, reinterpret_cast<LPARAM>(&draw)));
    EXPECT_GE(button.m_draws, 1);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_BUTTON;
    measure.CtlID = kChildId;
    EXPECT_EQ(TRUE, m_parent.SendMessage(WM_MEASUREITEM, kChildId, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_EQ(1, button.m_measures);
    EXPECT_EQ(33u, measure.itemHeight);
}

// A menu that draws and measures its own items.
class COwnerMenu : public CMenu {
public:
    int m_draws = 0;
    int m_measures = 0;
    void DrawItem(LPDRAWITEMSTRUCT) override { ++m_draws; }
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override
    {
        ++m_measures;
        lpMeasureItemStruct->itemWidth = 80;
        lpMeasureItemStruct->itemHeight = 19;
    }
};

TEST_F(WindowTest, OwnerDrawnMenuItemsReachTheirMenuObject)
{
    CMenu bar;
    ASSERT_TRUE(bar.CreateMenu());
    auto popup = std::make_unique<COwnerMenu>();
    ASSERT_TRUE(popup->CreatePopupMenu());
    popup->AppendMenu(MF_OWNERDRAW, kMenuCommand, nullptr);
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup->m_hMenu), "&Popup");
    EXPECT_EQ(popup.get(), bar.GetSubMenu(0)) << "GetSubMenu returns the attached object";
    // Another attached menu with the same command: the window's own menu is searched first.
    COwnerMenu other;
    ASSERT_TRUE(other.CreatePopupMenu());
    other.AppendMenu(MF_OWNERDRAW, kMenuCommand, nullptr);
    ASSERT_TRUE(m_parent.SetMenu(&bar));

    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = kMenuCommand;
    EXPECT_EQ(TRUE, m_parent.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_EQ(1, popup->m_measures);
    EXPECT_EQ(0, other.m_measures);
    EXPECT_EQ(80u, measure.itemWidth);

    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemID = kMenuCommand;
    draw.hwndItem = reinterpret_cast<HWND>(popup->m_hMenu);
    EXPECT_EQ(TRUE, m_parent.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    EXPECT_EQ(1, popup->m_draws);

    // The popup is destroyed with the bar; its object must only forget the handle.
    m_parent.SetMenu(nullptr);
    bar.DestroyMenu();
    popup->Detach();
}

TEST_F(WindowTest, NoExceptionCrossesTheWindowProcedure)
{
    CTraceCapture trace;
    EXPECT_EQ(0, m_parent.SendMessage(kThrowMessage));
    EXPECT_NE(std::string::npos, trace.Text().find("handler failed")) << trace.Text();
    // The window still works afterwards.
    EXPECT_EQ(4, m_parent.SendMessage(kPingMessage, 2));
}

// A control whose pre-translation fails.
class CThrowingPreTranslate : public CWnd {
public:
    BOOL PreTranslateMessage(MSG*) override { throw std::runtime_error("pre-translation failed"); }
};

TEST_F(WindowTest, AFailingPreTranslationLeavesTheMessageToTheParents)
{
    HWND hButton = CreateForeignButton();
    CThrowingPreTranslate child;
    ASSERT_TRUE(child.SubclassWindow(hButton));
    CTraceCapture trace;
    MSG msg = {hButton, WM_KEYDOWN, VK_SPACE, 0, 0, {0, 0}};
    int before = m_parent.m_preTranslated;
    EXPECT_FALSE(CWnd::WalkPreTranslateTree(m_parent.m_hWnd, &msg));
    EXPECT_EQ(before + 1, m_parent.m_preTranslated) << "the walk went on to the parent";
    EXPECT_NE(std::string::npos, trace.Text().find("pre-translation failed")) << trace.Text();
    child.UnsubclassWindow();
    ::DestroyWindow(hButton);
}

TEST(GdiTest, OwningObjectsDeleteTheirHandlesAndBorrowedOnesDoNot)
{
    HGDIOBJ hPen = nullptr;
    {
        CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
        hPen = pen.GetSafeHandle();
        ASSERT_NE(nullptr, hPen);
        EXPECT_EQ(&pen, CPen::FromHandle(static_cast<HPEN>(hPen)));
    }
    EXPECT_EQ(0u, ::GetObjectType(hPen)) << "the owning pen deleted its handle";

    HGDIOBJ stock = ::GetStockObject(BLACK_PEN);
    CPen* borrowed = CPen::FromHandle(static_cast<HPEN>(stock));
    ASSERT_NE(nullptr, borrowed);
    CGdiObject::DeleteTempMap();
    EXPECT_EQ(static_cast<DWORD>(OBJ_PEN), ::GetObjectType(stock));

    HBRUSH hBrush = ::CreateSolidBrush(RGB(4, 5, 6));
    {
        CBrush* temporary = CBrush::FromHandle(hBrush);
        EXPECT_EQ(hBrush, temporary->GetSafeHandle());
        CGdiObject::DeleteTempMap();
    }
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), ::GetObjectType(hBrush));
    ::DeleteObject(hBrush);
}

TEST(GdiTest, MemoryContextDrawsAndRestoresSelections)
{
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(8, 8, 1, 32, nullptr));
    CBitmap* previous = memory.SelectObject(&bitmap);
    ASSERT_NE(nullptr, previous);
    memory.FillSolidRect(0, 0, 8, 8, RGB(255, 255, 255));
    memory.Draw3dRect(1, 1, 4, 4, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(RGB(255, 0, 0), memory.GetPixel(1, 1)) << "top-left corner";
    EXPECT_EQ(RGB(255, 0, 0), memory.GetPixel(3, 1)) << "top edge";
    EXPECT_EQ(RGB(0, 0, 255), memory.GetPixel(4, 1)) << "top-right corner";
    EXPECT_EQ(RGB(0, 0, 255), memory.GetPixel(1, 4)) << "bottom-left corner";
    EXPECT_EQ(RGB(255, 255, 255), memory.GetPixel(2, 2)) << "inside";
    EXPECT_EQ(RGB(255, 255, 255), memory.GetPixel(5, 5)) << "outside";
    {
        CPen pen(PS_SOLID, 1, RGB(0, 255, 0));
        CDCSelection selection(memory, pen.GetSafeHandle());
        EXPECT_EQ(pen.GetSafeHandle(), ::GetCurrentObject(memory.m_hDC, OBJ_PEN));
    }
    EXPECT_EQ(::GetStockObject(BLACK_PEN), ::GetCurrentObject(memory.m_hDC, OBJ_PEN));
    EXPECT_EQ(&bitmap, memory.SelectObject(previous)) << "the owner comes back from the selection";
}

TEST(SeamTest, MessageBoxesBeepsAndTracesGoThroughTheSeams)
{
    std::vector<CMessageBoxRequest> boxes;
    std::vector<UINT> beeps;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        boxes.push_back(request);
        return IDNO;
    };
    CTestSeams::s_beep = [&](UINT type) { beeps.push_back(type); };
    CTraceCapture trace;

    EXPECT_EQ(IDNO, AfxShowMessageBox(nullptr, "Question?", "Warning", MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(IDNO, AfxMessageBox("Plain", MB_OK));
    AfxMessageBeep(MB_ICONEXCLAMATION);
    AfxTrace("value %d\r\n", 7);
    CTestSeams::Reset();

    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Question?", boxes[0].text);
    EXPECT_EQ("Warning", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION), boxes[0].type);
    EXPECT_EQ("Plain", boxes[1].text);
    EXPECT_EQ(AfxGetAppName(), boxes[1].caption) << "the default caption is the program's name";
    EXPECT_EQ(std::vector<UINT>{MB_ICONEXCLAMATION}, beeps);
    EXPECT_EQ("value 7\r\n", trace.Text());
}

} // namespace
