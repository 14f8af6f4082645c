// Control wrappers, bars, menus' update interface, dialogs from templates, bitmaps and
// image lists, and the application loop, each on real windows under Wine.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include "framework/Framework.h"
#include "tests/framework/ControlsTestIds.h"
#include "tests/support/TraceCapture.h"

namespace {

constexpr UINT kListId = 50;
constexpr UINT kMenuItem = 700;

// A parent that answers its virtual list's requests for cell texts.
class CListParent : public CWnd {
public:
    int m_requests = 0;
    void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
    {
        ++m_requests;
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(pNMHDR);
        if ((info->item.mask & LVIF_TEXT) != 0) {
            std::string text = std::to_string(info->item.iItem) + ":" + std::to_string(info->item.iSubItem);
            lstrcpynA(info->item.pszText, text.c_str(), info->item.cchTextMax);
        }
        *pResult = 0;
    }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CListParent, CWnd)
    ON_NOTIFY(LVN_GETDISPINFOA, kListId, OnGetDispInfo)
END_MESSAGE_MAP()

class CThrowingOnCreate : public CWnd {
public:
    int OnCreate(LPCREATESTRUCT) { throw std::runtime_error("creation failed"); }

protected:
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CThrowingOnCreate, CWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AfxInitCommonControls();
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "controls", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300), nullptr, 0));
    }
    void TearDown() override
    {
        m_parent.DestroyWindow();
        CTestSeams::Reset();
        CWnd::DeleteTempMap();
    }
    CListParent m_parent;
};

TEST_F(ControlsTest, VirtualListAsksItsParentForEveryCellText)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, CRect(0, 0, 300, 200), &m_parent, kListId));
    EXPECT_EQ(0, list.InsertColumn(0, "Address", LVCFMT_LEFT, 100));
    EXPECT_EQ(1, list.InsertColumn(1, "Value", LVCFMT_LEFT, 80));
    EXPECT_EQ(2, list.GetHeaderCtrl()->GetItemCount());
    EXPECT_EQ(80, list.GetColumnWidth(1));
    list.SetItemCountEx(1000);
    EXPECT_EQ(1000, list.GetItemCount());
    int before = m_parent.m_requests;
    EXPECT_EQ("5:1", list.GetItemText(5, 1));
    EXPECT_EQ("999:0", list.GetItemText(999, 0));
    EXPECT_GE(m_parent.m_requests, before + 2);
}

TEST_F(ControlsTest, ListKeepsItemsTextsAndData)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 300, 200), &m_parent, kListId + 1));
    list.InsertColumn(0, "Offset", LVCFMT_LEFT, 100);
    list.InsertColumn(1, "Name", LVCFMT_LEFT, 100);
    ASSERT_EQ(0, list.InsertItem(0, "00h"));
    EXPECT_TRUE(list.SetItemText(0, 1, "Vendor ID"));
    EXPECT_TRUE(list.SetItemData(0, 0x00000002));
    EXPECT_EQ("Vendor ID", list.GetItemText(0, 1));
    EXPECT_EQ(2u, list.GetItemData(0));
    std::string longText(600, 'x');
    list.SetItemText(0, 1, longText.c_str());
    EXPECT_EQ(longText, list.GetItemText(0, 1)) << "texts longer than the first buffer come back whole";
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), list.GetExtendedStyle());
}

TEST_F(ControlsTest, TabsKeepTheirItemData)
{
    CTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TCS_FIXEDWIDTH, CRect(0, 0, 300, 30), &m_parent, 60));
    int page = 0;
    EXPECT_EQ(0, tabs.InsertItem(TCIF_TEXT | TCIF_PARAM, 0, "Configuration Space", 0, reinterpret_cast<LPARAM>(&page)));
    EXPECT_EQ(1, tabs.InsertItem(1, "BAR 0"));
    EXPECT_EQ(2, tabs.GetItemCount());
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    ASSERT_TRUE(tabs.GetItem(0, &item));
    EXPECT_EQ(reinterpret_cast<LPARAM>(&page), item.lParam);
    tabs.SetCurSel(1);
    EXPECT_EQ(1, tabs.GetCurSel());
    tabs.SetItemSize(CSize(125, 18));
    CRect rect;
    ASSERT_TRUE(tabs.GetItemRect(0, &rect));
    EXPECT_EQ(125, rect.Width());
    EXPECT_TRUE(tabs.DeleteItem(1));
    EXPECT_EQ(1, tabs.GetItemCount());
}

TEST_F(ControlsTest, StatusBarPanesFitTheirIndicators)
{
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(&m_parent));
    const UINT panes[] = {ID_SEPARATOR, IDS_TEST_INDICATOR};
    ASSERT_TRUE(bar.SetIndicators(panes, 2));
    EXPECT_EQ(2, bar.GetCount());
    EXPECT_EQ("CAPS", bar.GetPaneText(1));
    EXPECT_EQ(1, bar.CommandToIndex(IDS_TEST_INDICATOR));
    bar.SetWindowText("message");
    EXPECT_EQ("message", bar.GetPaneText(0)) << "the window text is the message pane";
    EXPECT_TRUE(bar.SetPaneText(0, "other"));
    EXPECT_FALSE(bar.SetPaneText(2, "none")) << "a pane that does not exist";
    const UINT unknown[] = {ID_SEPARATOR, IDS_TEST_INDICATOR + 100};
    CTraceCapture trace;
    EXPECT_FALSE(bar.SetIndicators(unknown, 2)) << "an indicator needs a string";
}

TEST_F(ControlsTest, MenuItemsTakeStatesFromTheirUpdateInterface)
{
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_STRING, kMenuItem, "&Item");
    CCmdUI state;
    state.m_pMenu = &popup;
    state.m_nIndex = 0;
    state.m_nID = kMenuItem;

    state.Enable(FALSE);
    EXPECT_NE(0u, popup.GetMenuState(0, MF_BYPOSITION) & MF_GRAYED);
    state.Enable(TRUE);
    EXPECT_EQ(0u, popup.GetMenuState(0, MF_BYPOSITION) & MF_GRAYED);
    state.SetCheck(1);
    EXPECT_NE(0u, popup.GetMenuState(0, MF_BYPOSITION) & MF_CHECKED);
    state.SetRadio(TRUE);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(popup.GetMenuItemInfo(kMenuItem, &info));
    EXPECT_NE(nullptr, info.hbmpChecked) << "radio items get a checked-state bitmap";
    state.SetText("&Renamed");
    std::string text;
    popup.GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ("&Renamed", text);
    EXPECT_NE(0u, popup.GetMenuState(0, MF_BYPOSITION) & MF_CHECKED) << "renaming keeps the state";
}

TEST_F(ControlsTest, ToolTipHoldsOneToolPerWindowAndId)
{
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&m_parent));
    CRect rect(0, 0, 50, 20);
    ASSERT_TRUE(tip.AddTool(&m_parent, "http://example.invalid/", &rect, 1));
    EXPECT_EQ(1, tip.GetToolCount());
    EXPECT_EQ("http://example.invalid/", tip.GetText(&m_parent, 1));
    tip.UpdateTipText("changed", &m_parent, 1);
    EXPECT_EQ("changed", tip.GetText(&m_parent, 1));
    EXPECT_EQ("", tip.GetText(&m_parent, 2));
}

TEST(BitmapTest, ButtonColoursAreMappedToTheSystemColours)
{
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadMappedBitmap(IDB_TEST_BUTTONS));
    BITMAP info = {};
    bitmap.GetBitmap(&info);
    EXPECT_EQ(32, info.bmWidth);
    EXPECT_EQ(15, info.bmHeight);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    HDC screen = ::GetDC(nullptr);
    CBitmap canvas;
    canvas.Attach(::CreateCompatibleBitmap(screen, 32, 15));
    ::ReleaseDC(nullptr, screen);
    CDC source;
    ASSERT_TRUE(source.CreateCompatibleDC(nullptr));
    CBitmap* oldSource = source.SelectObject(&bitmap);
    CBitmap* oldCanvas = memory.SelectObject(&canvas);
    memory.BitBlt(0, 0, 32, 15, &source, 0, 0, SRCCOPY);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), memory.GetPixel(0, 0)) << "light grey became the button face";
    EXPECT_EQ(RGB(0, 255, 0), memory.GetPixel(5, 5)) << "other colours stay";
    source.SelectObject(oldSource);
    memory.SelectObject(oldCanvas);

    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hTrueColor = ::FindResourceA(hInst, MAKEINTRESOURCEA(IDB_TEST_TRUECOLOR), reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(nullptr, hTrueColor);
    CTraceCapture trace;
    EXPECT_EQ(nullptr, AfxLoadSysColorBitmap(hInst, hTrueColor)) << "only palette bitmaps can be mapped";
    EXPECT_EQ(nullptr, AfxLoadSysColorBitmap(hInst, nullptr));
}

TEST(BitmapTest, ImageListFromABitmapResourceMasksItsColour)
{
    CImageList images;
    ASSERT_TRUE(images.Create(IDB_TEST_BUTTONS, 16, 1, RGB(192, 192, 192)));
    EXPECT_EQ(2, images.GetImageCount());
    HICON icon = images.ExtractIcon(1);
    EXPECT_NE(nullptr, icon);
    ::DestroyIcon(icon);

    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    HDC screen = ::GetDC(nullptr);
    CBitmap canvas;
    canvas.Attach(::CreateCompatibleBitmap(screen, 16, 15));
    ::ReleaseDC(nullptr, screen);
    CBitmap* old = memory.SelectObject(&canvas);
    memory.FillSolidRect(0, 0, 16, 15, RGB(1, 2, 3));
    ASSERT_TRUE(images.Draw(&memory, 1, CPoint(0, 0), ILD_TRANSPARENT));
    EXPECT_EQ(RGB(1, 2, 3), memory.GetPixel(0, 0)) << "the mask colour is see-through";
    EXPECT_EQ(RGB(255, 255, 0), memory.GetPixel(5, 5));
    memory.SelectObject(old);
    HIMAGELIST handle = images.GetSafeHandle();
    EXPECT_EQ(&images, CImageList::FromHandle(handle));
}

TEST(FontTest, PointFontsHaveTheirSizeInPixels)
{
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, "Arial"));
    LOGFONTA logFont = {};
    ASSERT_TRUE(font.GetLogFont(&logFont));
    HDC screen = ::GetDC(nullptr);
    int expected = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(expected, logFont.lfHeight);
    EXPECT_STREQ("Arial", logFont.lfFaceName);
}

// A modeless dialog with one bound value and one control that its template lacks.
class CNameDialog : public CDialog {
public:
    explicit CNameDialog(UINT nIDTemplate) : CDialog(nIDTemplate) {}
    std::string m_name = "initial";
    bool m_bindMissing = false;
    CEdit m_edit;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_NAME, m_edit);
        DDX_Text(pDX, IDC_TEST_NAME, m_name);
        if (m_bindMissing) {
            CEdit missing;
            DDX_Control(pDX, IDC_TEST_MISSING, missing);
        }
    }
};

TEST(DialogTest, TemplatesOfBothFormatsExchangeTheirData)
{
    for (UINT templateId : {IDD_TEST_CLASSIC, IDD_TEST_EXTENDED}) {
        SCOPED_TRACE(templateId);
        CNameDialog dialog(templateId);
        ASSERT_TRUE(dialog.Create(templateId));
        EXPECT_EQ(&dialog.m_edit, CWnd::FromHandlePermanent(::GetDlgItem(dialog.m_hWnd, IDC_TEST_NAME)));
        EXPECT_EQ("initial", dialog.m_edit.GetWindowText()) << "OnInitDialog filled the controls";
        dialog.m_edit.SetWindowText("typed");
        EXPECT_TRUE(dialog.UpdateData(TRUE));
        EXPECT_EQ("typed", dialog.m_name);
        dialog.m_bindMissing = true;
        CTraceCapture trace;
        EXPECT_FALSE(dialog.UpdateData(TRUE)) << "a control that the template lacks fails the exchange";
        EXPECT_NE(std::string::npos, trace.Text().find(std::to_string(IDC_TEST_MISSING))) << trace.Text();
        dialog.EndDialog(IDOK);
        EXPECT_EQ(nullptr, dialog.m_hWnd) << "ending a modeless dialog destroys it";
    }
}

TEST(DialogTest, MissingTemplateFailsTheModalRun)
{
    CTraceCapture trace;
    CDialog dialog(12345u);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_NE(std::string::npos, trace.Text().find("12345")) << trace.Text();
}

TEST(ExceptionTest, AThrowingCreateHandlerFailsTheCreation)
{
    CTraceCapture trace;
    CThrowingOnCreate window;
    EXPECT_FALSE(window.CreateEx(0, nullptr, "throws", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_EQ(nullptr, window.m_hWnd);
    EXPECT_NE(std::string::npos, trace.Text().find("creation failed")) << trace.Text();
}

TEST(StringTest, FieldsOfDocumentStrings)
{
    std::string text;
    ASSERT_TRUE(AfxLoadString(IDS_TEST_FIELDS, text));
    EXPECT_EQ("first", AfxExtractSubString(text, 0));
    EXPECT_EQ("", AfxExtractSubString(text, 1));
    EXPECT_EQ("third", AfxExtractSubString(text, 2));
    EXPECT_EQ("", AfxExtractSubString(text, 3)) << "past the last field";
    EXPECT_FALSE(AfxLoadString(IDS_TEST_FIELDS + 50, text));
    EXPECT_EQ("", text);
}

TEST(CommandLineTest, TheFirstFileNameOpensAndFlagsAreIgnored)
{
    CCommandLineInfo info;
    EXPECT_EQ(CCommandLineInfo::FileNew, info.m_nShellCommand);
    info.ParseParam("unknown", TRUE, FALSE);
    EXPECT_EQ(CCommandLineInfo::FileNew, info.m_nShellCommand);
    info.ParseParam("first.brx", FALSE, FALSE);
    info.ParseParam("second.brx", FALSE, TRUE);
    EXPECT_EQ(CCommandLineInfo::FileOpen, info.m_nShellCommand);
    EXPECT_EQ("first.brx", info.m_strFileName);
}

// An application whose loop the test runs.
class CLoopApp : public CWinApp {
public:
    int m_idleCalls = 0;
    BOOL OnIdle(LONG lCount) override
    {
        ++m_idleCalls;
        if (lCount == 0)
            ::PostQuitMessage(3);
        return CWinApp::OnIdle(lCount);
    }
};

TEST(ApplicationTest, LoopRunsIdleProcessingAndReturnsTheQuitCode)
{
    CLoopApp app;
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(3, app.Run());
    EXPECT_GE(app.m_idleCalls, 1);
}

TEST(ApplicationTest, WaitCursorsNest)
{
    CLoopApp app;
    HCURSOR wait = ::LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
    ::SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(wait, ::GetCursor());
        {
            CWaitCursor inner;
            EXPECT_EQ(wait, ::GetCursor());
        }
        EXPECT_EQ(wait, ::GetCursor()) << "the outer wait is still on";
    }
    EXPECT_EQ(arrow, ::GetCursor());
}

} // namespace
