// Brisco's main window started in-process: the About box opens from the Help menu and from
// the toolbar, shows the maker's texts with the address as a link, and OK closes it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/AboutDlg.h"
#include "app/BriscoApp.h"
#include "app/MainFrame.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/support/StartedApp.h"

namespace {

constexpr UINT_PTR kMenuWatchMs = 20;
// The id of the template's static controls that the program never addresses.
constexpr int kUnnamedControl = -1;

// What the test saw of the About box while it ran.
struct CAboutSeen {
    bool opened = false;
    bool isAboutDlg = false;
    bool linkBound = false;
    bool ownerDisabled = false;
    HWND hWnd = nullptr;
    std::string caption;
    std::string version;
    std::string copyright;
    std::string maker;
    std::string link;
    std::string tip;
    CRect linkRect;
    CRect linkTemplateRect;
    bool linkUnderlined = false;
    bool hasIcon = false;
    CRect rect;
    HWND messageBoxOwner = nullptr;
};

std::string ItemText(HWND hDlg, int id)
{
    char text[512] = {};
    ::GetDlgItemTextA(hDlg, id, text, sizeof text);
    return text;
}

// The static controls without an id, in template order.
std::vector<HWND> UnnamedStatics(HWND hDlg)
{
    std::vector<HWND> statics;
    for (HWND hChild = ::GetWindow(hDlg, GW_CHILD); hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        char className[32] = {};
        ::GetClassNameA(hChild, className, sizeof className);
        if (::GetDlgCtrlID(hChild) == kUnnamedControl && lstrcmpiA(className, "Static") == 0)
            statics.push_back(hChild);
    }
    return statics;
}

CAboutSeen LookAt(CWnd* pWnd)
{
    CAboutSeen seen;
    seen.opened = true;
    seen.hWnd = pWnd->m_hWnd;
    auto* pAbout = DYNAMIC_DOWNCAST(CAboutDlg, pWnd);
    seen.isAboutDlg = pAbout != nullptr;
    seen.caption = pWnd->GetWindowText();
    pWnd->GetWindowRect(&seen.rect);
    // A message box opened while the About box runs, as its link's error box is.
    const auto answerBoxes = CTestSeams::s_messageBox;
    CTestSeams::s_messageBox = [&seen](const CMessageBoxRequest& request) {
        seen.messageBoxOwner = request.owner;
        return IDOK;
    };
    AfxMessageBox("probe", MB_OK);
    CTestSeams::s_messageBox = answerBoxes;
    CWnd* pMainWnd = AfxGetMainWnd();
    seen.ownerDisabled = pMainWnd != nullptr && !pMainWnd->IsWindowEnabled();
    std::vector<HWND> statics = UnnamedStatics(pWnd->m_hWnd);
    if (statics.size() == 3) {
        seen.hasIcon = ::SendMessageA(statics[0], STM_GETICON, 0, 0) != 0;
        char text[512] = {};
        ::GetWindowTextA(statics[1], text, sizeof text);
        seen.version = text;
        ::GetWindowTextA(statics[2], text, sizeof text);
        seen.copyright = text;
    }
    seen.maker = ItemText(pWnd->m_hWnd, IDC_ABOUT_MAKER);
    seen.link = ItemText(pWnd->m_hWnd, IDC_ABOUT_LINK);
    if (pAbout == nullptr)
        return seen;
    CLinkLabel& link = pAbout->GetLink();
    seen.linkBound = CWnd::FromHandlePermanent(::GetDlgItem(pWnd->m_hWnd, IDC_ABOUT_LINK)) == &link;
    seen.tip = link.GetToolTip().GetText(&link, CLinkLabel::kTipToolId);
    link.GetWindowRect(&seen.linkRect);
    pWnd->ScreenToClient(&seen.linkRect);
    seen.linkTemplateRect = CRect(46, 42, 46 + 151, 42 + 11);
    ::MapDialogRect(pWnd->m_hWnd, &seen.linkTemplateRect);
    LOGFONTA logFont = {};
    ::GetObjectA(reinterpret_cast<HFONT>(link.SendMessage(WM_GETFONT)), sizeof logFont, &logFont);
    seen.linkUnderlined = logFont.lfUnderline != 0;
    return seen;
}

// Closes a dialog the way a user does: a click on its OK button.
void ClickOk(CWnd* pWnd)
{
    HWND hOk = ::GetDlgItem(pWnd->m_hWnd, IDOK);
    ::PostMessageA(hOk, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageA(hOk, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

HWND VisibleMenuWindow()
{
    for (HWND hWnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); hWnd != nullptr;
         hWnd = ::FindWindowExA(nullptr, hWnd, "#32768", nullptr)) {
        if (::IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

// Types the About item's letter once the Help popup is on screen.
void CALLBACK ChooseAboutItem(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = VisibleMenuWindow();
    if (hMenuWnd == nullptr)
        return;
    ::KillTimer(nullptr, idEvent);
    ::PostMessageA(hMenuWnd, WM_CHAR, 'a', 0);
}

class AboutDlgTest : public ::testing::Test {
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
        CTestSeams::PumpUntilIdle();
        CTestSeams::s_modalStarted = [this](CWnd* pWnd) {
            m_seen = LookAt(pWnd);
            ClickOk(pWnd);
        };
    }
    void TearDown() override { CTestSeams::Reset(); }

    // The About box was shown and closed again with OK.
    void ExpectOpenedAndClosed()
    {
        ASSERT_TRUE(m_seen.opened) << "no modal dialog ran";
        EXPECT_TRUE(m_seen.isAboutDlg);
        EXPECT_EQ("About Brisco", m_seen.caption);
        EXPECT_TRUE(m_seen.ownerDisabled) << "the About box is modal to the main window";
        EXPECT_EQ(m_seen.hWnd, m_seen.messageBoxOwner) << "a box opened from the About box belongs to it";
        CRect frame;
        m_frame->GetWindowRect(&frame);
        EXPECT_NEAR(frame.CenterPoint().x, m_seen.rect.CenterPoint().x, 1) << "centred on the main window";
        EXPECT_NEAR(frame.CenterPoint().y, m_seen.rect.CenterPoint().y, 1) << "centred on the main window";
        EXPECT_FALSE(::IsWindow(m_seen.hWnd)) << "OK closes the About box";
        EXPECT_TRUE(m_frame->IsWindowEnabled());
    }

    static std::unique_ptr<CStartedApp<CBriscoApp>> s_app;
    CMainFrame* m_frame = nullptr;
    CAboutSeen m_seen;
};
std::unique_ptr<CStartedApp<CBriscoApp>> AboutDlgTest::s_app;

TEST_F(AboutDlgTest, HelpMenuItemOpensTheAboutBox)
{
    UINT_PTR timer = ::SetTimer(nullptr, 0, kMenuWatchMs, &ChooseAboutItem);
    CTestSeams::PressKey('H', false, false, true, m_frame->m_hWnd);
    ::KillTimer(nullptr, timer);
    CTestSeams::PumpUntilIdle();
    ExpectOpenedAndClosed();
}

TEST_F(AboutDlgTest, ToolbarAboutButtonOpensTheAboutBox)
{
    CToolBar& toolbar = m_frame->GetToolBar();
    auto index = static_cast<int>(toolbar.SendMessage(TB_COMMANDTOINDEX, ID_APP_ABOUT));
    ASSERT_GE(index, 0) << "the toolbar has an About button";
    CRect button;
    toolbar.GetItemRect(index, &button);
    CTestSeams::Click(toolbar.m_hWnd, button.CenterPoint());
    CTestSeams::PumpUntilIdle();
    ExpectOpenedAndClosed();
}

TEST_F(AboutDlgTest, AboutBoxNamesTheMakerAndLinksToItsSite)
{
    m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_APP_ABOUT, 0), 0);
    CTestSeams::PumpUntilIdle();
    ExpectOpenedAndClosed();
    EXPECT_TRUE(m_seen.hasIcon);
    EXPECT_EQ("Brisco Version 1.0", m_seen.version);
    EXPECT_NE(std::string::npos, m_seen.copyright.find("Copyright")) << m_seen.copyright;
    EXPECT_NE(std::string::npos, m_seen.copyright.find("Velmora")) << m_seen.copyright;
    EXPECT_NE(std::string::npos, m_seen.copyright.find('\n')) << "a second line describes the trade";
    EXPECT_NE(std::string::npos, m_seen.maker.find("Velmora")) << m_seen.maker;

    EXPECT_TRUE(m_seen.linkBound) << "the address is a link label";
    EXPECT_EQ(0u, m_seen.link.rfind("https://", 0)) << "an absolute web address: " << m_seen.link;
    EXPECT_NE(std::string::npos, m_seen.link.find(".example/")) << "on a domain reserved for examples";
    EXPECT_EQ(m_seen.link, m_seen.tip);
    EXPECT_TRUE(m_seen.linkUnderlined);
    EXPECT_EQ(m_seen.linkTemplateRect.TopLeft(), m_seen.linkRect.TopLeft());
    EXPECT_LT(m_seen.linkRect.Width(), m_seen.linkTemplateRect.Width()) << "the link shrinks to its text";
}

} // namespace
