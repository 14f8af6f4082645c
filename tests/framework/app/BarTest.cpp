// The control bars: the toolbar loaded with texts and sizes, status prompts for menus and
// buttons, tooltips from the command strings, and a temporary toolbar's room.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/framework/app/AppTest.h"
#include "tests/framework/app/AppTestIds.h"

namespace {

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

} // namespace
