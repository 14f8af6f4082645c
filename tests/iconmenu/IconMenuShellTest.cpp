// Brisco's main window started in-process: its menu bar is an icon menu whose popups carry
// the toolbar images, open with Alt and their underlined letter, run an item by its letter
// and follow the active pane.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include "app/BriscoApp.h"
#include "app/BriscoDoc.h"
#include "app/MainFrame.h"
#include "controls/iconmenu/IconMenu.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/support/StartedApp.h"
#include "views/PciBusView.h"
#include "views/PciFunctionView.h"

namespace {

// Counts the document's view updates: a rescan sends hint 0.
class CRescanCounter : public CView {
public:
    int m_rescans = 0;
    void OnUpdate(CView*, LPARAM lHint, CObject*) override { m_rescans += lHint == 0 ? 1 : 0; }
    void OnDraw(CDC*) override {}
};

HWND VisibleMenuWindow()
{
    for (HWND hWnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); hWnd != nullptr;
         hWnd = ::FindWindowExA(nullptr, hWnd, "#32768", nullptr)) {
        if (::IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

// What to do once a popup is on screen; runs inside the menu's own loop.
std::function<void(HWND hMenuWnd, HMENU hPopup)> g_whenOpen;
bool g_opened = false;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = VisibleMenuWindow();
    if (hMenuWnd == nullptr)
        return;
    ::KillTimer(nullptr, idEvent);
    g_opened = true;
    auto hPopup = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
    if (g_whenOpen)
        g_whenOpen(hMenuWnd, hPopup);
}

class IconMenuShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDOK; };
        s_app = std::make_unique<CStartedApp<CBriscoApp>>();
        CTestSeams::Reset();
    }
    static void TearDownTestSuite() { s_app.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(s_app->IsStarted());
        m_frame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
        ASSERT_NE(nullptr, m_frame);
        m_frame->SetActiveView(m_frame->GetBusView());
        CTestSeams::PumpUntilIdle();
        g_opened = false;
        g_whenOpen = nullptr;
    }
    void TearDown() override
    {
        g_whenOpen = nullptr;
        CTestSeams::Reset();
    }
    CIconMenu* BarPopup(int position)
    {
        return dynamic_cast<CIconMenu*>(CMenu::FromHandlePermanent(::GetSubMenu(::GetMenu(m_frame->m_hWnd), position)));
    }
    // Opens a popup of the menu bar as the system does and lets the callback act on it.
    void TrackBarPopup(int position, std::function<void(HWND, HMENU)> whenOpen)
    {
        g_whenOpen = std::move(whenOpen);
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &WatchMenu);
        BarPopup(position)->TrackPopupMenu(TPM_LEFTALIGN, 60, 60, m_frame);
        ::KillTimer(nullptr, timer);
        CTestSeams::PumpUntilIdle();
    }

    static std::unique_ptr<CStartedApp<CBriscoApp>> s_app;
    CMainFrame* m_frame = nullptr;
};

std::unique_ptr<CStartedApp<CBriscoApp>> IconMenuShellTest::s_app;

TEST_F(IconMenuShellTest, MenuBarIsAnIconMenuWithToolbarImages)
{
    HMENU hBar = ::GetMenu(m_frame->m_hWnd);
    ASSERT_EQ(2, ::GetMenuItemCount(hBar));
    EXPECT_EQ(hBar, m_frame->m_hMenuDefault);
    struct Case {
        int popup;
        int position;
        bool image;
    } cases[] = {{0, 0, true}, {0, 1, false}, {0, 2, false}, {1, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "popup " << c.popup << ", item " << c.position);
        CIconMenu* pPopup = BarPopup(c.popup);
        ASSERT_NE(nullptr, pPopup);
        EXPECT_TRUE(CIconMenu::IsIconMenu(pPopup));
        EXPECT_EQ(c.image, pPopup->GetItem(c.position)->HasImage());
    }
}

TEST_F(IconMenuShellTest, RefreshFollowsTheActivePaneAndStaysOwnerDrawn)
{
    CIconMenu* pOptions = BarPopup(0);
    ASSERT_NE(nullptr, pOptions);
    IconMenuItem* pRefresh = pOptions->GetItem(0);
    struct Case {
        const char* pane;
        CView* view;
        bool enabled;
    } cases[] = {{"function view", reinterpret_cast<CView*>(m_frame->GetFunctionView()), false},
                 {"bus tree", m_frame->GetBusView(), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pane);
        m_frame->SetActiveView(c.view);
        CTestSeams::PumpUntilIdle();
        UINT state = 0;
        MENUITEMINFOA info = {};
        TrackBarPopup(0, [&](HWND hMenuWnd, HMENU hPopup) {
            state = ::GetMenuState(hPopup, 0, MF_BYPOSITION);
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_DATA;
            ::GetMenuItemInfoA(hPopup, 0, TRUE, &info);
            ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        ASSERT_TRUE(g_opened);
        EXPECT_EQ(c.enabled, (state & MF_GRAYED) == 0);
        EXPECT_NE(0u, info.fType & MFT_OWNERDRAW);
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pRefresh), info.dwItemData) << "the item keeps its record";
    }
}

TEST_F(IconMenuShellTest, AltOOpensOptionsAndItsLetterRunsTheItem)
{
    auto* pDoc = DYNAMIC_DOWNCAST(CBriscoDoc, m_frame->GetActiveDocument());
    ASSERT_NE(nullptr, pDoc);
    CRescanCounter counter;
    pDoc->AddView(&counter);
    HMENU hOpened = nullptr;
    g_whenOpen = [&](HWND hMenuWnd, HMENU hPopup) {
        hOpened = hPopup;
        ::PostMessageA(hMenuWnd, WM_CHAR, 'r', 0);
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &WatchMenu);
    CTestSeams::PressKey('O', false, false, true, m_frame->m_hWnd);
    ::KillTimer(nullptr, timer);
    CTestSeams::PumpUntilIdle();
    pDoc->RemoveView(&counter);
    ASSERT_TRUE(g_opened) << "Alt+O opened no menu";
    EXPECT_EQ(BarPopup(0)->m_hMenu, hOpened);
    EXPECT_EQ(1, counter.m_rescans) << "typing r ran Refresh";
}

} // namespace
