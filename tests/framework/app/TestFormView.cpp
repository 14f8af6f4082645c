#include "tests/framework/app/TestFormView.h"

#include "tests/framework/app/AppTestIds.h"
#include "tests/framework/app/OwnerDrawPopup.h"

namespace {

// Opens the first item of the menu that is being tracked, once.
void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
    if (hMenuWnd == nullptr || !::IsWindowVisible(hMenuWnd))
        return;
    ::KillTimer(nullptr, idEvent);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
}

} // namespace

IMPLEMENT_DYNCREATE(CTestFormView, CFormView)
BEGIN_MESSAGE_MAP(CTestFormView, CFormView)
ON_WM_CONTEXTMENU()
ON_COMMAND(ID_TEST_CONTEXT_FIRST, OnFirst)
END_MESSAGE_MAP()

CTestFormView::CTestFormView() : CFormView(IDD_TEST_FORM)
{
}

void CTestFormView::OnInitialUpdate()
{
    ++m_initialUpdates;
}

void CTestFormView::OnContextMenu(CWnd*, CPoint point)
{
    COwnerDrawPopup popup;
    popup.CreatePopupMenu();
    popup.AppendMenu(MF_OWNERDRAW, ID_TEST_CONTEXT_FIRST, nullptr);
    popup.AppendMenu(MF_OWNERDRAW, ID_TEST_CONTEXT_SECOND, nullptr);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseFirstMenuItem);
    popup.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
    ::KillTimer(nullptr, timer);
    m_menuMeasures = popup.m_measures;
    m_menuDraws = popup.m_draws;
}

void CTestFormView::OnFirst()
{
    ++m_firstCommands;
}
