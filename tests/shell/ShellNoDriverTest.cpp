// The main window started in-process when the driver cannot be opened: one fatal-error box,
// then an empty window that says why and offers no Refresh; closing it saves its placement.
#include <gtest/gtest.h>

#include <memory>

#include "app/BriscoSettings.h"
#include "framework/SingleDocTemplate.h"
#include "res/resource.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/StartedApp.h"

namespace {

constexpr char kMissingDevice[] = "\\\\.\\briscodrvMissingDevice";
constexpr char kNoDriverStatus[] = "No driver: Brisco cannot read this machine";

// The document, opening a device that does not exist.
class CNoDriverDoc : public CBriscoDoc {
    DECLARE_DYNCREATE(CNoDriverDoc)
public:
    CNoDriverDoc() : CBriscoDoc(kMissingDevice) {}
};
IMPLEMENT_DYNCREATE(CNoDriverDoc, CBriscoDoc)

class CNoDriverApp : public CBriscoApp {
protected:
    CSingleDocTemplate* CreateDocTemplate() override
    {
        return new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CNoDriverDoc), RUNTIME_CLASS(CMainFrame),
                                      RUNTIME_CLASS(CPciBusView));
    }
};

class ShellNoDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CTestSeams::s_messageBox = [](const CMessageBoxRequest& request) {
            s_messages.push_back(request);
            return IDOK;
        };
        s_app = std::make_unique<CStartedApp<CNoDriverApp>>();
        s_windowVisibleAfterStart = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible();
        CTestSeams::Reset();
    }
    static void TearDownTestSuite() { s_app.reset(); }
    void TearDown() override { CTestSeams::Reset(); }

    static std::unique_ptr<CStartedApp<CNoDriverApp>> s_app;
    static bool s_windowVisibleAfterStart;
    static std::vector<CMessageBoxRequest> s_messages;
};

std::unique_ptr<CStartedApp<CNoDriverApp>> ShellNoDriverTest::s_app;
bool ShellNoDriverTest::s_windowVisibleAfterStart = false;
std::vector<CMessageBoxRequest> ShellNoDriverTest::s_messages;

TEST_F(ShellNoDriverTest, ReportsTheMissingDriverOnceAndOpensAnEmptyWindow)
{
    ASSERT_TRUE(s_app->IsStarted()) << "a missing driver does not stop the start-up";
    ASSERT_EQ(1u, s_messages.size());
    EXPECT_EQ(nullptr, s_messages[0].owner);
    EXPECT_EQ("Brisco - Fatal Error!", s_messages[0].caption);
    EXPECT_EQ("Failed to open the kernel-mode driver 'briscodrv.sys'!\r\n\r\n"
              "Please make sure the driver is installed and started\r\nbefore restarting Brisco.",
              s_messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), s_messages[0].type);

    EXPECT_TRUE(s_windowVisibleAfterStart);
    auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
    ASSERT_NE(nullptr, pFrame);
    EXPECT_EQ("Brisco by Velmora", WindowText(pFrame->m_hWnd));
    ASSERT_NE(nullptr, pFrame->GetBusView());
    EXPECT_EQ(0u, pFrame->GetBusView()->GetTreeCtrl().GetCount());
    EXPECT_FALSE(s_app->GetDocument()->HasDriver());
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(kNoDriverStatus, pFrame->GetStatusBar().GetPaneText(0));
}

TEST_F(ShellNoDriverTest, RefreshDoesNothing)
{
    auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
    ASSERT_NE(nullptr, pFrame);
    CBriscoDoc* pDoc = s_app->GetDocument();
    ASSERT_NE(nullptr, pDoc);
    CUpdateRecorder recorder;
    pDoc->AddView(&recorder);
    int boxes = 0;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest&) {
        ++boxes;
        return IDOK;
    };

    pFrame->SetActiveView(pFrame->GetBusView());
    CTestSeams::PumpUntilIdle();
    EXPECT_FALSE(pFrame->GetToolBar().SendMessage(TB_ISBUTTONENABLED, ID_OPTIONS_REFRESH)) << "Refresh is offered";
    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_OPTIONS_REFRESH, 0), 0);
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(kNoDriverStatus, pFrame->GetStatusBar().GetPaneText(0));

    EXPECT_EQ(0, boxes);
    EXPECT_TRUE(recorder.m_updates.empty());
    EXPECT_EQ(nullptr, pDoc->GetRoot());
    EXPECT_EQ(0u, pFrame->GetBusView()->GetTreeCtrl().GetCount());
    pDoc->RemoveView(&recorder);
}

// Last: it closes the window and starts the program again, as a user would, with what the
// first run saved.
TEST_F(ShellNoDriverTest, TheNextStartShowsTheWindowWhereItWasClosed)
{
    auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
    ASSERT_NE(nullptr, pFrame);
    const CRect moved(70, 60, 710, 540);
    constexpr int kTreeHeight = 111;
    pFrame->MoveWindow(&moved);
    pFrame->GetSplitter().SetRowInfo(CMainFrame::kTreeRow, kTreeHeight, 0);
    pFrame->GetSplitter().RecalcLayout();
    CTestSeams::PumpUntilIdle();

    pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    CTestSeams::PumpUntilIdle();
    ASSERT_EQ(nullptr, AfxGetMainWnd()) << "Exit closed the window";
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    WINDOWPLACEMENT saved = {};
    ASSERT_TRUE(CBriscoSettings::LoadPlacement(&saved)) << "closing saved no placement";
    EXPECT_EQ(moved, CRect(saved.rcNormalPosition));

    s_app.reset();
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDOK; };
    s_app = std::make_unique<CStartedApp<CNoDriverApp>>(true);
    pFrame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
    ASSERT_NE(nullptr, pFrame);
    CTestSeams::PumpUntilIdle();
    CRect shown;
    pFrame->GetWindowRect(&shown);
    EXPECT_EQ(moved, shown);
    int treeHeight = 0;
    int minimum = 0;
    pFrame->GetSplitter().GetRowInfo(CMainFrame::kTreeRow, treeHeight, minimum);
    EXPECT_EQ(kTreeHeight, treeHeight);
    CBriscoSettings::DeleteAll();
}

}  // namespace
