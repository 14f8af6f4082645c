// The form view and the modal dialog: a control bound with DDX_Control, the dialog's result,
// Tab between the form's controls and scroll bars only when the form does not fit.
#include <gtest/gtest.h>

#include "tests/framework/app/AppTest.h"
#include "tests/framework/app/AppTestIds.h"
#include "tests/framework/app/TestAboutDlg.h"

namespace {

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

TEST_F(AppTest, FormViewMovesTheFocusWithTab)
{
    ::SetFocus(m_frame->Form()->GetDlgItem(IDC_TEST_EDIT)->m_hWnd);
    CTestSeams::PressKey(VK_TAB);
    EXPECT_EQ(m_frame->Form()->GetDlgItem(IDC_TEST_LIST)->m_hWnd, ::GetFocus());
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

} // namespace
