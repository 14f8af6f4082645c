// The link label on a dialog under Wine: fitting to its text, tooltip, colours while hovering
// and after opening, opening through the registered HTML command, failures and the cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "tests/about/LinkTestIds.h"
#include "tests/about/LinkTestSupport.h"
#include "controls/LinkLabel.h"
#include "framework/Framework.h"

namespace {

constexpr COLORREF kHighlight = RGB(10, 36, 106);
constexpr char kLeftTarget[] = "briscotest-nohandler:velmora/brisco";
// What the shell answers for an address whose scheme nothing handles.
constexpr int kNoAssociation = SE_ERR_NOASSOC;
constexpr char kNoAssociationMessage[] =
    "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.";

// Template IDD_LINK_TEST with one label per alignment.
class CLinkTestDlg : public CDialog {
public:
    CLinkTestDlg() : CDialog(IDD_LINK_TEST) {}
    CLinkLabel m_left;
    CLinkLabel m_center;
    CLinkLabel m_right;
    CLinkLabel m_middle;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_LINK_LEFT, m_left);
        DDX_Control(pDX, IDC_LINK_CENTER, m_center);
        DDX_Control(pDX, IDC_LINK_RIGHT, m_right);
        DDX_Control(pDX, IDC_LINK_MIDDLE, m_middle);
    }
};

class CLinkTestApp : public CWinApp {
public:
    CLinkTestApp() : CWinApp("Link test") {}
};

class LinkLabelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        AfxInitCommonControls();
        s_app = new CLinkTestApp;
    }
    static void TearDownTestSuite()
    {
        delete s_app;
        s_app = nullptr;
    }
    void SetUp() override
    {
        // The hover colour is taken when the label is constructed.
        CTestSeams::s_sysColor = [](int index) {
            return index == COLOR_HIGHLIGHT ? kHighlight : ::GetSysColor(index);
        };
        CTestSeams::s_beep = [this](UINT type) { m_events.push_back("beep " + std::to_string(type)); };
        CTestSeams::s_messageBox = [this](const CMessageBoxRequest& request) {
            m_events.push_back("box " + std::to_string(request.type) + ": " + request.text);
            return IDOK;
        };
        m_dlg = std::make_unique<CLinkTestDlg>();
        ASSERT_TRUE(m_dlg->Create(IDD_LINK_TEST));
    }
    void TearDown() override
    {
        m_dlg->DestroyWindow();
        m_dlg.reset();
        CTestSeams::Reset();
        CWnd::DeleteTempMap();
    }

    CLinkLabel& Left() { return m_dlg->m_left; }

    // The text colour, background mode and brush that the dialog's colour request yields.
    struct ControlColours {
        COLORREF text;
        int bkMode;
        HBRUSH brush;
    };
    ControlColours AskColours(CLinkLabel& label)
    {
        HDC hdc = ::CreateCompatibleDC(nullptr);
        ::SetTextColor(hdc, RGB(1, 2, 3));
        ::SetBkMode(hdc, OPAQUE);
        auto brush = reinterpret_cast<HBRUSH>(m_dlg->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                                                  reinterpret_cast<LPARAM>(label.m_hWnd)));
        ControlColours colours = {::GetTextColor(hdc), ::GetBkMode(hdc), brush};
        ::DeleteDC(hdc);
        return colours;
    }
    // The label answers and paints in the expected colour, and in none of the other link colours.
    void ExpectShownIn(const char* state, CLinkLabel& label, COLORREF expected)
    {
        SCOPED_TRACE(state);
        ControlColours colours = AskColours(label);
        EXPECT_EQ(expected, colours.text);
        EXPECT_EQ(TRANSPARENT, colours.bkMode);
        EXPECT_EQ(::GetStockObject(NULL_BRUSH), colours.brush);
        std::vector<COLORREF> pixels = PaintedPixels(label.m_hWnd);
        for (COLORREF colour : {kHighlight, CLinkLabel::kUnvisitedColor, CLinkLabel::kVisitedColor}) {
            bool painted = std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
            EXPECT_EQ(colour == expected, painted) << "colour " << std::hex << colour;
        }
    }
    void MoveMouse(CLinkLabel& label, int x, int y)
    {
        label.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }
    void ClickLabel(CLinkLabel& label) { CTestSeams::Click(label.m_hWnd, CPoint(2, 2)); }

    static CLinkTestApp* s_app;
    std::unique_ptr<CLinkTestDlg> m_dlg;
    std::vector<std::string> m_events;
};
CLinkTestApp* LinkLabelTest::s_app = nullptr;

// The template rectangle of a control in the dialog's client coordinates.
CRect TemplateRect(CDialog& dlg, int x, int y, int width, int height)
{
    CRect rect(x, y, x + width, y + height);
    ::MapDialogRect(dlg.m_hWnd, &rect);
    return rect;
}

CRect RectInParent(CWnd& control)
{
    CRect rect;
    control.GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, ::GetParent(control.m_hWnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(LinkLabelTest, AttachingFitsEachLabelToItsUnderlinedTextKeepingItsAlignment)
{
    struct Case {
        const char* name;
        CLinkLabel* label;
        CRect templateRect;
    };
    const Case cases[] = {
        {"left", &m_dlg->m_left, TemplateRect(*m_dlg, 46, 42, 151, 11)},
        {"center", &m_dlg->m_center, TemplateRect(*m_dlg, 7, 60, 200, 11)},
        {"right", &m_dlg->m_right, TemplateRect(*m_dlg, 7, 75, 200, 11)},
        {"centred image", &m_dlg->m_middle, TemplateRect(*m_dlg, 7, 90, 200, 24)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLinkLabel& label = *c.label;
        std::string text = label.GetWindowText();
        EXPECT_EQ(text, label.GetTarget());
        EXPECT_NE(0u, label.GetStyle() & SS_NOTIFY) << "clicks must be reported";

        auto hFont = reinterpret_cast<HFONT>(label.SendMessage(WM_GETFONT));
        LOGFONTA logFont = {};
        ASSERT_NE(0, ::GetObjectA(hFont, sizeof logFont, &logFont));
        EXPECT_TRUE(logFont.lfUnderline);
        HDC hdc = ::GetDC(label.m_hWnd);
        HGDIOBJ hOld = ::SelectObject(hdc, hFont);
        SIZE extent = {};
        ::GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(text.size()), &extent);
        ::SelectObject(hdc, hOld);
        ::ReleaseDC(label.m_hWnd, hdc);

        CRect shown = RectInParent(label);
        EXPECT_EQ(extent.cx, shown.Width());
        EXPECT_EQ(extent.cy, shown.Height());
        ASSERT_LT(extent.cx, c.templateRect.Width()) << "the text must be narrower than its template";
        const CRect& t = c.templateRect;
        switch (label.GetStyle() & SS_TYPEMASK) {
        case SS_CENTER:
            EXPECT_NEAR(t.left + t.right, shown.left + shown.right, 1);
            break;
        case SS_RIGHT:
            EXPECT_EQ(t.right, shown.right);
            break;
        default:
            EXPECT_EQ(t.left, shown.left);
        }
        if ((label.GetStyle() & SS_CENTERIMAGE) != 0)
            EXPECT_NEAR(t.top + t.bottom, shown.top + shown.bottom, 1);
        else
            EXPECT_EQ(t.top, shown.top);
    }
}

TEST_F(LinkLabelTest, TooltipShowsTheTargetOverTheWholeLabel)
{
    CToolTipCtrl& tip = Left().GetToolTip();
    ASSERT_NE(nullptr, tip.m_hWnd);
    EXPECT_EQ(1, tip.GetToolCount());
    EXPECT_EQ(kLeftTarget, tip.GetText(&Left(), CLinkLabel::kTipToolId));

    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = Left().m_hWnd;
    info.uId = CLinkLabel::kTipToolId;
    ASSERT_TRUE(tip.SendMessage(TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)));
    CRect client;
    Left().GetClientRect(&client);
    EXPECT_EQ(client, CRect(info.rect)) << "the tool covers the fitted label";
}

TEST_F(LinkLabelTest, HoverColourWhileThePointerIsOverTheLabelWithTheMouseCaptured)
{
    ExpectShownIn("before any move", Left(), CLinkLabel::kUnvisitedColor);

    MoveMouse(Left(), 3, 3);
    EXPECT_TRUE(Left().IsHovering());
    EXPECT_EQ(Left().m_hWnd, ::GetCapture()) << "the capture lets the label see the pointer leave";
    ExpectShownIn("pointer over the label", Left(), kHighlight);

    MoveMouse(Left(), 4, 4);
    EXPECT_TRUE(Left().IsHovering()) << "a move inside keeps the hover";

    CRect client;
    Left().GetClientRect(&client);
    MoveMouse(Left(), client.right + 5, 3);
    EXPECT_FALSE(Left().IsHovering());
    EXPECT_EQ(nullptr, ::GetCapture());
    ExpectShownIn("pointer left the label", Left(), CLinkLabel::kUnvisitedColor);

    // A message box or menu taking the mouse ends the hover: no move would reach the label.
    MoveMouse(Left(), 3, 3);
    ASSERT_TRUE(Left().IsHovering());
    ::SetCapture(m_dlg->m_hWnd);
    EXPECT_FALSE(Left().IsHovering());
    ExpectShownIn("capture taken by another window", Left(), CLinkLabel::kUnvisitedColor);
    ::ReleaseCapture();
}

TEST_F(LinkLabelTest, FailedOpenBeepsThenExplainsTheShellsCode)
{
    CHtmlHandlerOverride noHandler(std::nullopt);
    ClickLabel(Left());
    ASSERT_EQ(2u, m_events.size());
    EXPECT_EQ("beep " + std::to_string(MB_ICONEXCLAMATION), m_events[0]);
    EXPECT_EQ("box " + std::to_string(MB_ICONEXCLAMATION | MB_OK) + ": " + kNoAssociationMessage, m_events[1]);
    EXPECT_FALSE(Left().IsVisited());
    ExpectShownIn("after the failed open", Left(), CLinkLabel::kUnvisitedColor);
}

TEST_F(LinkLabelTest, OpenErrorsNameTheCodeOrShowItWhenUnknown)
{
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "The operating system is out\nof memory or resources."},
        {SE_ERR_SHARE, "A sharing violation occurred. "},
        {42, "Unknown Error (42) occurred."},
        {-5, "Unknown Error (-5) occurred."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        m_events.clear();
        CLinkLabel::ShowOpenError(c.code);
        ASSERT_EQ(1u, m_events.size());
        EXPECT_EQ("box " + std::to_string(MB_ICONEXCLAMATION | MB_OK) + ": Unable to open hyperlink:\n\n" + c.text,
                  m_events[0]);
    }
}

TEST_F(LinkLabelTest, RegisteredHtmlCommandOpensTheAddressWhenTheShellCannot)
{
    const std::string logger = QuotedLoggerPath();
    struct Case {
        const char* name;
        std::string command;
        std::string expected;
    };
    const Case cases[] = {
        {"quoted placeholder", logger + " \"%1\"", logger + "  " + kLeftTarget},
        {"bare placeholder", logger + " %1 -new", logger + "  " + kLeftTarget},
        {"no placeholder", logger + " -new", logger + " -new " + kLeftTarget},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CHtmlHandlerOverride handler(c.command);
        CLinkLog log;
        m_events.clear();
        ClickLabel(Left());
        EXPECT_TRUE(m_events.empty()) << "a successful open neither beeps nor reports";
        EXPECT_TRUE(Left().IsVisited());
        std::vector<std::string> lines = log.WaitForLines(1);
        ASSERT_EQ(1u, lines.size()) << "the registered command did not run";
        EXPECT_EQ(c.expected, lines[0]);
    }
}

TEST_F(LinkLabelTest, VisitedAfterASuccessfulOpenUnvisitedAgainAfterAFailure)
{
    {
        CHtmlHandlerOverride handler(QuotedLoggerPath() + " \"%1\"");
        CLinkLog log;
        ClickLabel(Left());
        log.WaitForLines(1);
    }
    ASSERT_TRUE(Left().IsVisited());
    ExpectShownIn("visited", Left(), CLinkLabel::kVisitedColor);
    MoveMouse(Left(), 3, 3);
    ExpectShownIn("visited with the pointer over it", Left(), kHighlight);
    MoveMouse(Left(), -5, 3);
    ExpectShownIn("visited after the pointer left", Left(), CLinkLabel::kVisitedColor);

    CHtmlHandlerOverride noHandler(std::nullopt);
    ClickLabel(Left());
    EXPECT_FALSE(Left().IsVisited());
    ExpectShownIn("failed open after a visit", Left(), CLinkLabel::kUnvisitedColor);
}

TEST_F(LinkLabelTest, FallbackCommandLineNeverOutgrowsItsBuffer)
{
    const std::string scheme = "briscotest-nohandler:";
    const std::string logger = QuotedLoggerPath();
    const size_t room = CLinkLabel::kCommandBufferSize - 1;
    CLinkLog log;
    {
        SCOPED_TRACE("registered command longer than a class value");
        CHtmlHandlerOverride handler(logger + " " + std::string(CLinkLabel::kClassValueSize, 'x') + " \"%1\"");
        EXPECT_EQ(kNoAssociation, CLinkLabel::OpenTarget(scheme + "long-command", SW_SHOW));
    }
    {
        SCOPED_TRACE("class key without a command");
        CHtmlHandlerOverride handler{std::string()};
        EXPECT_EQ(kNoAssociation, CLinkLabel::OpenTarget(scheme + "empty-command", SW_SHOW));
    }
    CHtmlHandlerOverride handler(logger + " \"%1\"");
    const std::string prefix = logger + "  ";
    {
        SCOPED_TRACE("target one character too long");
        std::string target = scheme + std::string(room + 1 - prefix.size() - scheme.size(), 'a');
        EXPECT_EQ(kNoAssociation, CLinkLabel::OpenTarget(target, SW_SHOW));
    }
    {
        SCOPED_TRACE("target far too long");
        // Not longer: Wine's own shell overruns a buffer on addresses of about 1000 characters.
        EXPECT_EQ(kNoAssociation, CLinkLabel::OpenTarget(scheme + std::string(900, 'b'), SW_SHOW));
    }
    std::string fitting = scheme + std::string(room - prefix.size() - scheme.size(), 'c');
    ASSERT_EQ(room, (prefix + fitting).size());
    EXPECT_GT(CLinkLabel::OpenTarget(fitting, SW_SHOW), 32) << "a command line that just fits runs";
    std::vector<std::string> lines = log.WaitForLines(1);
    ::Sleep(300);
    lines = log.WaitForLines(1);
    ASSERT_EQ(1u, lines.size()) << "only the command line that fits may run";
    EXPECT_EQ(prefix + fitting, lines[0]);
}

TEST_F(LinkLabelTest, LinkCursorOnlyFromTheSystemHelpProgram)
{
    char directory[MAX_PATH] = {};
    ::GetWindowsDirectoryA(directory, MAX_PATH);
    std::string helpProgram = std::string(directory) + "\\winhlp32.exe";
    HMODULE hHelp = ::LoadLibraryExA(helpProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    bool helpHasCursor = hHelp != nullptr && ::FindResourceA(hHelp, MAKEINTRESOURCEA(CLinkLabel::kLinkCursorId),
                                                             RT_GROUP_CURSOR) != nullptr;
    if (hHelp != nullptr)
        ::FreeLibrary(hHelp);

    HCURSOR hCross = ::LoadCursorA(nullptr, IDC_CROSS);
    ::SetCursor(hCross);
    LRESULT handled = Left().SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Left().m_hWnd),
                                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    if (helpHasCursor) {
        SCOPED_TRACE("the help program has the pointing hand");
        ASSERT_NE(nullptr, Left().GetLinkCursor());
        EXPECT_TRUE(handled);
        EXPECT_EQ(Left().GetLinkCursor(), ::GetCursor());
    } else {
        SCOPED_TRACE("no pointing hand to borrow");
        EXPECT_EQ(nullptr, Left().GetLinkCursor());
        EXPECT_FALSE(handled);
        EXPECT_EQ(hCross, ::GetCursor()) << "the pointer keeps the shape it had";
    }
}

} // namespace
