#include "framework/Menu.h"

#include "framework/Afx.h"
#include "framework/HandleMap.h"
#include "framework/Wnd.h"

namespace {

CHandleMap<CMenu, HMENU>& MenuMap()
{
    static thread_local CHandleMap<CMenu, HMENU> map([](CMenu* menu, HMENU hMenu) { menu->m_hMenu = hMenu; });
    return map;
}

// The popup menu that TrackPopupMenu shows now, and the window it reports to.
thread_local HWND t_hWndTracking = nullptr;
thread_local HMENU t_hMenuTracking = nullptr;

// Menus nest only a few levels; the bound keeps a malformed tree from recursing forever.
constexpr int kMaxMenuDepth = 16;

bool HoldsItem(HMENU hMenu, UINT nID)
{
    int count = ::GetMenuItemCount(hMenu);
    for (int pos = 0; pos < count; ++pos) {
        HMENU hSub = ::GetSubMenu(hMenu, pos);
        if (hSub != nullptr ? reinterpret_cast<UINT_PTR>(hSub) == nID : ::GetMenuItemID(hMenu, pos) == nID)
            return true;
    }
    return false;
}

// The menu in the tree below hMenu (itself included) that holds the item directly.
HMENU FindHolder(HMENU hMenu, UINT nID, int depth)
{
    if (hMenu == nullptr || depth > kMaxMenuDepth)
        return nullptr;
    if (HoldsItem(hMenu, nID))
        return hMenu;
    int count = ::GetMenuItemCount(hMenu);
    for (int pos = 0; pos < count; ++pos) {
        if (HMENU hFound = FindHolder(::GetSubMenu(hMenu, pos), nID, depth + 1))
            return hFound;
    }
    return nullptr;
}

} // namespace

CMenu* AfxMenuFromHandle(HMENU hMenu)
{
    return CMenu::FromHandle(hMenu);
}

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    return MenuMap().FromHandle(hMenu);
}

CMenu* CMenu::FromHandlePermanent(HMENU hMenu)
{
    return hMenu != nullptr ? MenuMap().LookupPermanent(hMenu) : nullptr;
}

void CMenu::DeleteTempMap()
{
    MenuMap().DeleteTemp();
}

CMenu* CMenu::FindPopupMenuFromID(HWND hWndOwner, UINT nID)
{
    HMENU hStart = hWndOwner != nullptr && hWndOwner == t_hWndTracking ? t_hMenuTracking : ::GetMenu(hWndOwner);
    if (HMENU hHolder = FindHolder(hStart, nID, 0)) {
        if (CMenu* pMenu = FromHandlePermanent(hHolder))
            return pMenu;
    }
    CMenu* found = nullptr;
    MenuMap().ForEachPermanent([&](HMENU hMenu, CMenu* menu) {
        if (found == nullptr && ::IsMenu(hMenu) && HoldsItem(hMenu, nID))
            found = menu;
    });
    return found;
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (hMenu == nullptr || m_hMenu != nullptr || MenuMap().LookupPermanent(hMenu) != nullptr)
        return FALSE;
    MenuMap().SetPermanent(hMenu, this);
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu != nullptr && MenuMap().LookupPermanent(hMenu) == this)
        MenuMap().RemovePermanent(hMenu);
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::CreateMenu()
{
    return Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu()
{
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    return LoadMenu(MAKEINTRESOURCEA(nIDResource));
}

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName)
{
    return Attach(::LoadMenuA(AfxGetResourceHandle(), lpszResourceName));
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == nullptr)
        return FALSE;
    HMENU hMenu = Detach();
    return ::DestroyMenu(hMenu);
}

int CMenu::GetMenuString(UINT nIDItem, std::string& text, UINT nFlags) const
{
    int length = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    text.assign(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int copied = ::GetMenuStringA(m_hMenu, nIDItem, text.data(), length + 1, nFlags);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return copied;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    HWND hWndOwner = pWnd != nullptr ? pWnd->m_hWnd : nullptr;
    HWND savedWnd = t_hWndTracking;
    HMENU savedMenu = t_hMenuTracking;
    t_hWndTracking = hWndOwner;
    t_hMenuTracking = m_hMenu;
    BOOL result = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, hWndOwner, lpRect);
    t_hWndTracking = savedWnd;
    t_hMenuTracking = savedMenu;
    return result;
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}
