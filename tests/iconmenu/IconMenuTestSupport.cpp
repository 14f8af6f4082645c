#include "tests/iconmenu/IconMenuTestSupport.h"

#include <cstdio>
#include "res/resource.h"
#include "tests/iconmenu/IconMenuTestIds.h"
#include "tests/support/StartedApp.h"

namespace IconMenuTest {

void UseGreyScheme()
{
    CTestSeams::s_sysColor = [](int index) -> COLORREF {
        switch (index) {
        case COLOR_BTNFACE:
        case COLOR_MENU:
            return kGrey;
        case COLOR_HIGHLIGHT:
            return kHighlight;
        case COLOR_GRAYTEXT:
        case COLOR_BTNSHADOW:
            return kShadow;
        case COLOR_3DLIGHT:
            return kLight;
        case COLOR_BTNHIGHLIGHT:
        case COLOR_HIGHLIGHTTEXT:
            return kWhite;
        case COLOR_MENUTEXT:
            return kBlack;
        default:
            return ::GetSysColor(index);
        }
    };
}

BEGIN_MESSAGE_MAP(CMenuFrame, CFrameWnd)
    ON_WM_MEASUREITEM()
    ON_WM_INITMENUPOPUP()
    ON_WM_MENUCHAR()
    ON_COMMAND_RANGE(ID_TEST_LONG, ID_TEST_NOWHERE, OnTestCommand)
    ON_COMMAND_RANGE(ID_OPTIONS_REFRESH, ID_OPTIONS_REFRESH, OnTestCommand)
    ON_UPDATE_COMMAND_UI(ID_OPTIONS_REFRESH, OnUpdateRefresh)
    ON_UPDATE_COMMAND_UI(ID_TEST_PLAIN, OnUpdatePlain)
END_MESSAGE_MAP()

HMENU CMenuFrame::BuildIconMenu(UINT nMenuId, UINT nToolBarId)
{
    m_menu.DestroyMenuTree();
    m_menu.LoadFromResource(nMenuId);
    m_menu.AddToolbarImages(nToolBarId);
    return m_menu.Detach();
}

void CMenuFrame::OnTestCommand(UINT nID)
{
    m_commands.push_back(nID);
}

void CMenuFrame::OnUpdateRefresh(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_refreshEnabled);
}

void CMenuFrame::OnUpdatePlain(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(1);
    pCmdUI->SetText(m_plainText.c_str());
}

void CMenuFrame::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    ++m_measured;
    if (lpMeasureItemStruct->CtlType == ODT_MENU &&
        CIconMenu::IsIconMenu(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(lpMeasureItemStruct->itemID)))) {
        m_menu.MeasureItem(lpMeasureItemStruct);
        return;
    }
    CFrameWnd::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
}

void CMenuFrame::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    CFrameWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    if (!bSysMenu && CIconMenu::IsIconMenu(pPopupMenu))
        CIconMenu::RefreshPopup(pPopupMenu);
}

LRESULT CMenuFrame::OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    ++m_menuChars;
    if (CIconMenu::IsIconMenu(pMenu))
        return CIconMenu::HandleMenuChar(nChar, nFlags, pMenu);
    return CFrameWnd::OnMenuChar(nChar, nFlags, pMenu);
}

namespace {

class CTestApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        auto* pFrame = new CMenuFrame;
        if (!pFrame->LoadFrame(IDR_TEST_MENU, WS_OVERLAPPEDWINDOW)) {
            delete pFrame;
            return FALSE;
        }
        m_pMainWnd = pFrame;
        ::DestroyMenu(::GetMenu(pFrame->m_hWnd));
        HMENU hMenu = pFrame->BuildIconMenu(IDR_TEST_MENU, IDR_TEST_MENU);
        ::SetMenu(pFrame->m_hWnd, hMenu);
        pFrame->m_hMenuDefault = hMenu;
        pFrame->ShowWindow(SW_SHOW);
        pFrame->UpdateWindow();
        return TRUE;
    }
};

} // namespace

CMenuFrame* MainFrame()
{
    // Never ended: the frame serves every test up to the program's exit.
    static auto* s_app = new CStartedApp<CTestApp>;
    return static_cast<CMenuFrame*>(s_app->m_pMainWnd);
}

CCanvas::CCanvas(int width, int height, COLORREF fill)
{
    CWindowDC screen(nullptr);
    m_dc.CreateCompatibleDC(&screen);
    m_bitmap.CreateCompatibleBitmap(&screen, width, height);
    m_old = ::SelectObject(m_dc.m_hDC, m_bitmap.GetSafeHandle());
    m_dc.FillSolidRect(0, 0, width, height, fill);
}

CCanvas::~CCanvas()
{
    ::SelectObject(m_dc.m_hDC, m_old);
}

int CCanvas::Count(const RECT& area, COLORREF color) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += At(x, y) == color ? 1 : 0;
    return count;
}

std::string Hex(COLORREF color)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%06lX", static_cast<unsigned long>(color));
    return text;
}

} // namespace IconMenuTest
