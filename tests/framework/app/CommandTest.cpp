// Routing: commands, accelerators and F6 follow the active view, tree notifications are
// reflected to the view, and keys reach the focused window before the frame's accelerators.
#include <gtest/gtest.h>

#include "tests/framework/app/AppTest.h"
#include "tests/framework/app/AppTestIds.h"

namespace {

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

} // namespace
