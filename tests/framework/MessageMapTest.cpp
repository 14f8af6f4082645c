// Message-map dispatch, command routing and update-command-UI, without windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "framework/Framework.h"

namespace {

constexpr UINT kCmdBase = 1000;
constexpr UINT kCmdDerived = 1001;
constexpr UINT kCmdRangeFirst = 1100;
constexpr UINT kCmdRangeLast = 1109;
constexpr UINT kCmdDeclined = 1200;
constexpr UINT kCmdUnhandled = 1300;
constexpr UINT kCmdDocument = 1400;
constexpr UINT kCmdApp = 1500;
constexpr UINT kCmdShared = 1600;
constexpr UINT kPrivateMessage = WM_APP + 7;

// Records the handlers that ran, in order.
std::vector<std::string> g_calls;

class CBaseTarget : public CWnd {
public:
    void OnBase() { g_calls.push_back("base"); }
    void OnOverridden() { g_calls.push_back("base-overridden"); }
    void OnSize(UINT nType, int cx, int cy)
    {
        g_calls.push_back("size " + std::to_string(nType) + " " + std::to_string(cx) + "x" + std::to_string(cy));
    }
    BOOL OnEraseBkgnd(CDC*)
    {
        g_calls.push_back("erase");
        return FALSE;
    }
    BOOL OnDeclinedFallback(UINT) { return g_calls.push_back("base-declined-fallback"), TRUE; }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CWnd)
    ON_COMMAND(kCmdBase, OnBase)
    ON_COMMAND(kCmdDerived, OnOverridden)
    ON_COMMAND_EX(kCmdDeclined, OnDeclinedFallback)
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
    void OnDerived() { g_calls.push_back("derived"); }
    void OnRange(UINT nID) { g_calls.push_back("range " + std::to_string(nID)); }
    BOOL OnDeclined(UINT) { return g_calls.push_back("derived-declined"), FALSE; }
    void OnUpdateDerived(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
    void OnUpdateRange(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
    LRESULT OnPrivate(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    void OnNotifyFromChild(NMHDR* pNMHDR, LRESULT* pResult)
    {
        g_calls.push_back("notify " + std::to_string(pNMHDR->idFrom));
        *pResult = 42;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_COMMAND(kCmdDerived, OnDerived)
    ON_COMMAND_RANGE(kCmdRangeFirst, kCmdRangeLast, OnRange)
    ON_COMMAND_EX(kCmdDeclined, OnDeclined)
    ON_UPDATE_COMMAND_UI(kCmdDerived, OnUpdateDerived)
    ON_UPDATE_COMMAND_UI_RANGE(kCmdRangeFirst, kCmdRangeLast, OnUpdateRange)
    ON_MESSAGE(kPrivateMessage, OnPrivate)
    ON_NOTIFY(NM_CLICK, 77, OnNotifyFromChild)
END_MESSAGE_MAP()

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override { g_calls.clear(); }
    CDerivedTarget m_target;
};

TEST_F(MessageMapTest, CommandsReachTheMostDerivedHandlerAndFallBackToTheBaseTable)
{
    struct Case {
        UINT id;
        BOOL handled;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {kCmdBase, TRUE, {"base"}},
        {kCmdDerived, TRUE, {"derived"}},
        {kCmdRangeFirst, TRUE, {"range 1100"}},
        {kCmdRangeLast, TRUE, {"range 1109"}},
        {kCmdRangeLast + 1, FALSE, {}},
        {kCmdDeclined, TRUE, {"derived-declined", "base-declined-fallback"}},
        {kCmdUnhandled, FALSE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.id));
        g_calls.clear();
        EXPECT_EQ(c.handled, m_target.OnCmdMsg(c.id, CN_COMMAND, nullptr, nullptr));
        EXPECT_EQ(c.calls, g_calls);
    }
}

TEST_F(MessageMapTest, HandledIsToldApartFromTheResult)
{
    LRESULT result = -1;
    // A handler returning FALSE (0) still handles the message.
    EXPECT_TRUE(m_target.OnWndMsg(WM_ERASEBKGND, 0, 0, &result));
    EXPECT_EQ(0, result);
    result = -1;
    EXPECT_TRUE(m_target.OnWndMsg(kPrivateMessage, 40, 2, &result));
    EXPECT_EQ(42, result);
    result = -1;
    EXPECT_FALSE(m_target.OnWndMsg(WM_APP + 8, 0, 0, &result));
    EXPECT_EQ(-1, result) << "an unhandled message leaves the result alone";
}

TEST_F(MessageMapTest, MessageArgumentsAreCrackedForTheHandler)
{
    LRESULT result = 0;
    EXPECT_TRUE(m_target.OnWndMsg(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(640, 480), &result));
    ASSERT_EQ(1u, g_calls.size());
    EXPECT_EQ("size 2 640x480", g_calls[0]);
}

TEST_F(MessageMapTest, NotificationsMatchCodeAndSenderId)
{
    NMHDR nmhdr = {nullptr, 77, static_cast<UINT>(NM_CLICK)};
    LRESULT result = 0;
    EXPECT_TRUE(m_target.OnWndMsg(WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&nmhdr), &result));
    EXPECT_EQ(42, result);
    nmhdr.idFrom = 78;
    g_calls.clear();
    EXPECT_FALSE(m_target.OnWndMsg(WM_NOTIFY, 78, reinterpret_cast<LPARAM>(&nmhdr), &result));
    nmhdr.idFrom = 77;
    nmhdr.code = static_cast<UINT>(NM_DBLCLK);
    EXPECT_FALSE(m_target.OnWndMsg(WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&nmhdr), &result));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMapTest, ProbingForAHandlerDoesNotRunIt)
{
    AFX_CMDHANDLERINFO info;
    EXPECT_TRUE(m_target.OnCmdMsg(kCmdBase, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(&m_target, info.pTarget);
    EXPECT_NE(nullptr, info.pEntry);
    EXPECT_FALSE(m_target.OnCmdMsg(kCmdUnhandled, CN_COMMAND, nullptr, &info));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMapTest, UpdateUserInterfaceFollowsHandlers)
{
    struct Case {
        UINT id;
        BOOL enabled;
    };
    // An update handler decides; without one, an item is enabled exactly when a command
    // handler exists.
    const Case cases[] = {{kCmdDerived, FALSE}, {kCmdBase, TRUE}, {kCmdUnhandled, FALSE}, {kCmdRangeFirst + 3, TRUE}};
    for (const Case& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.id));
        CCmdUI state;
        state.m_nID = c.id;
        state.DoUpdate(&m_target, TRUE);
        EXPECT_EQ(c.enabled, state.m_bEnabled);
    }
    EXPECT_TRUE(g_calls.empty()) << "updating must not run commands";
}

// Routing through a frame: active view, its document, the frame itself, the application.
class CRouteDoc : public CDocument {
public:
    void OnDocCommand() { g_calls.push_back("document"); }
    void OnShared() { g_calls.push_back("document-shared"); }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteDoc, CDocument)
    ON_COMMAND(kCmdDocument, OnDocCommand)
    ON_COMMAND(kCmdShared, OnShared)
END_MESSAGE_MAP()

class CRouteView : public CView {
public:
    void OnShared() { g_calls.push_back("view-shared"); }
    void PostNcDestroy() override {}

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteView, CView)
    ON_COMMAND(kCmdShared, OnShared)
END_MESSAGE_MAP()

class CRouteFrame : public CFrameWnd {
public:
    void OnFrameCommand() { g_calls.push_back("frame"); }
    void OnDocCommand() { g_calls.push_back("frame-doc"); }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteFrame, CFrameWnd)
    ON_COMMAND(kCmdBase, OnFrameCommand)
    ON_COMMAND(kCmdDocument, OnDocCommand)
END_MESSAGE_MAP()

class CRouteApp : public CWinApp {
public:
    void OnAppCommand() { g_calls.push_back("app"); }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteApp, CWinApp)
    ON_COMMAND(kCmdApp, OnAppCommand)
    ON_COMMAND(kCmdBase, OnAppCommand)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, FrameRoutesThroughActiveViewDocumentFrameAndApplication)
{
    CRouteApp app;
    CRouteDoc document;
    CRouteView view;
    CRouteFrame frame;
    document.AddView(&view);
    frame.SetActiveView(&view, FALSE);
    struct Case {
        UINT id;
        std::string handler;
    };
    const Case cases[] = {
        {kCmdShared, "view-shared"},  // the view before its document
        {kCmdDocument, "document"},   // the document before the frame
        {kCmdBase, "frame"},          // the frame before the application
        {kCmdApp, "app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.id));
        g_calls.clear();
        EXPECT_TRUE(frame.OnCmdMsg(c.id, CN_COMMAND, nullptr, nullptr));
        EXPECT_EQ(std::vector<std::string>{c.handler}, g_calls);
    }
    // Without an active view the document is out of the route.
    frame.SetActiveView(nullptr, FALSE);
    g_calls.clear();
    EXPECT_TRUE(frame.OnCmdMsg(kCmdDocument, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"frame-doc"}, g_calls);
    document.RemoveView(&view);
}

TEST_F(MessageMapTest, UpdateAllViewsSkipsTheSender)
{
    struct CCountingView : public CView {
        int updates = 0;
        LPARAM lastHint = -1;
        CObject* lastObject = nullptr;
        void OnUpdate(CView*, LPARAM lHint, CObject* pHint) override
        {
            ++updates;
            lastHint = lHint;
            lastObject = pHint;
        }
        void PostNcDestroy() override {}
    };
    CDocument document;
    CCountingView first;
    CCountingView second;
    document.AddView(&first);
    document.AddView(&second);
    CDocument payload;
    document.UpdateAllViews(&first, 1, &payload);
    EXPECT_EQ(0, first.updates);
    EXPECT_EQ(1, second.updates);
    EXPECT_EQ(1, second.lastHint);
    EXPECT_EQ(&payload, second.lastObject);
    document.UpdateAllViews(nullptr, 0, nullptr);
    EXPECT_EQ(1, first.updates);
    EXPECT_EQ(2, second.updates);
    document.RemoveView(&first);
    document.RemoveView(&second);
}

class CCreatable : public CObject {
    DECLARE_DYNCREATE(CCreatable)
};
IMPLEMENT_DYNCREATE(CCreatable, CObject)

TEST(RuntimeClassTest, CreatesObjectsAndChecksKinds)
{
    std::unique_ptr<CObject> created(RUNTIME_CLASS(CCreatable)->CreateObject());
    ASSERT_NE(nullptr, created);
    EXPECT_TRUE(created->IsKindOf(RUNTIME_CLASS(CCreatable)));
    EXPECT_TRUE(created->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(created->IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_EQ(nullptr, DYNAMIC_DOWNCAST(CWnd, created.get()));
    // Abstract-only run-time classes cannot be created.
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CView)->CreateObject());
    std::unique_ptr<CObject> view(RUNTIME_CLASS(CTreeView)->CreateObject());
    EXPECT_NE(nullptr, DYNAMIC_DOWNCAST(CView, view.get()));
}

} // namespace
