// Menus: items updated when their popup opens, and an owner-drawn context menu whose
// command reaches the view.
#include <gtest/gtest.h>

#include "tests/framework/app/AppTest.h"
#include "tests/framework/app/AppTestIds.h"

namespace {

TEST_F(AppTest, MenuItemsAreUpdatedWhenTheirPopupOpens)
{
    // The handle, not a temporary object: those go away at idle time.
    HMENU options = ::GetSubMenu(::GetMenu(m_frame->m_hWnd), 0);
    ASSERT_NE(nullptr, options);
    struct Case {
        bool treeActive;
        bool refreshEnabled;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(c.treeActive ? "tree active" : "form active");
        if (c.treeActive)
            ActivateTree();
        else
            ActivateForm();
        m_frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(options), 0);
        EXPECT_EQ(c.refreshEnabled, (::GetMenuState(options, ID_TEST_REFRESH, MF_BYCOMMAND) & MF_GRAYED) == 0);
        EXPECT_EQ(0u, ::GetMenuState(options, ID_APP_EXIT, MF_BYCOMMAND) & MF_GRAYED) << "the application handles Exit";
    }
}

TEST_F(AppTest, ContextMenuIsOwnerDrawnAndItsCommandReachesTheView)
{
    CTestFormView* form = m_frame->Form();
    CRect rect;
    form->GetWindowRect(&rect);
    form->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->m_hWnd), MAKELPARAM(rect.left + 10, rect.top + 10));
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(1, form->m_firstCommands);
    EXPECT_GT(form->m_menuMeasures, 0) << "the view measured the items through the menu object";
    EXPECT_GT(form->m_menuDraws, 0) << "the view drew the items through the menu object";
}

} // namespace
