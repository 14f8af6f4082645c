// CWnd's message dispatch: a message goes to the command and notification routes,
// is reflected to the child that sent it, or is looked up in the message tables;
// owner-drawn menus and controls are served here too.
#include "framework/Wnd.h"

#include "framework/Afx.h"
#include "framework/CmdUI.h"
#include "framework/Dc.h"
#include "framework/Menu.h"

namespace {

constexpr UINT kCtlColorFirst = WM_CTLCOLORMSGBOX;
constexpr UINT kCtlColorLast = WM_CTLCOLORSTATIC;

bool IsCtlColor(UINT message)
{
    return message >= kCtlColorFirst && message <= kCtlColorLast;
}

} // namespace

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd == nullptr)
        return 0;
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT ignored = 0;
    if (pResult == nullptr)
        pResult = &ignored;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT result = 0;
        if (!OnNotify(wParam, lParam, &result))
            return FALSE;
        *pResult = result;
        return TRUE;
    }
    if (IsCtlColor(message))
        return DispatchCtlColor(message, wParam, lParam, pResult);
    if (message == WM_DRAWITEM || message == WM_MEASUREITEM)
        return DispatchOwnerDraw(message, wParam, lParam, pResult);

    AfxMsgArgs args;
    args.message = message;
    args.wParam = wParam;
    args.lParam = lParam;
    if (!DispatchToMap(message, 0, 0, args))
        return FALSE;
    *pResult = args.result;
    return TRUE;
}

BOOL CWnd::DispatchCtlColor(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, pResult))
        return TRUE;
    AfxMsgArgs args;
    args.message = message;
    args.wParam = wParam;
    args.lParam = lParam;
    args.code = static_cast<int>(message - kCtlColorFirst);
    if (!DispatchToMap(WM_CTLCOLOR, 0, 0, args))
        return FALSE;
    *pResult = args.result;
    return TRUE;
}

BOOL CWnd::DispatchOwnerDraw(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    bool isMenu = false;
    HWND hWndChild = nullptr;
    if (message == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        isMenu = dis->CtlType == ODT_MENU;
        hWndChild = isMenu ? nullptr : dis->hwndItem;
    } else {
        auto* mis = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
        isMenu = mis->CtlType == ODT_MENU;
        hWndChild = isMenu ? nullptr : ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
    }
    if (hWndChild != nullptr && ReflectToChild(hWndChild, message, wParam, lParam, pResult))
        return TRUE;
    AfxMsgArgs args;
    args.message = message;
    args.wParam = wParam;
    args.lParam = lParam;
    if (DispatchToMap(message, 0, 0, args)) {
        *pResult = args.result;
        return TRUE;
    }
    if (!isMenu)
        return FALSE;
    // Owner-drawn menu items without a handler of the window's own go to their menu object.
    bool handled = message == WM_DRAWITEM ? DrawMenuItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam))
                                          : MeasureMenuItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
    if (!handled)
        return FALSE;
    *pResult = TRUE;
    return TRUE;
}

bool CWnd::DrawMenuItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CMenu* pMenu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lpDrawItemStruct->hwndItem));
    if (pMenu == nullptr)
        return false;
    pMenu->DrawItem(lpDrawItemStruct);
    return true;
}

bool CWnd::MeasureMenuItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    CMenu* pMenu = CMenu::FindPopupMenuFromID(m_hWnd, lpMeasureItemStruct->itemID);
    if (pMenu == nullptr)
        return false;
    pMenu->MeasureItem(lpMeasureItemStruct);
    return true;
}

bool CWnd::IsCommandDisabled(UINT nID)
{
    CCmdUI state;
    state.m_nID = nID;
    OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    return state.m_bEnableChanged && !state.m_bEnabled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    HWND hWndControl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndControl != nullptr) {
        LRESULT ignored = 0;
        if (ReflectToChild(hWndControl, WM_COMMAND, wParam, lParam, &ignored))
            return TRUE;
    } else {
        // Menu items (code 0) and accelerators (code 1) are commands.
        nCode = CN_COMMAND;
        if (IsCommandDisabled(nID))
            return TRUE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR == nullptr)
        return FALSE;
    if (ReflectToChild(pNMHDR->hwndFrom, WM_NOTIFY, pNMHDR->idFrom, lParam, pResult))
        return TRUE;
    AfxMsgArgs args;
    args.message = WM_NOTIFY;
    args.lParam = lParam;
    args.id = static_cast<UINT>(pNMHDR->idFrom);
    args.code = static_cast<int>(pNMHDR->code);
    args.extra = pNMHDR;
    if (!DispatchToMap(WM_NOTIFY, pNMHDR->code, static_cast<UINT>(pNMHDR->idFrom), args))
        return FALSE;
    *pResult = args.result;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    AfxMsgArgs args;
    args.message = message;
    args.wParam = wParam;
    args.lParam = lParam;
    bool handled = false;
    if (message == WM_COMMAND) {
        handled = DispatchToMap(kReflectBase + WM_COMMAND, HIWORD(wParam), 0, args);
    } else if (message == WM_NOTIFY) {
        auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
        args.extra = pNMHDR;
        args.id = static_cast<UINT>(pNMHDR->idFrom);
        handled = DispatchToMap(kReflectBase + WM_NOTIFY, pNMHDR->code, 0, args);
    } else if (IsCtlColor(message)) {
        args.code = static_cast<int>(message - kCtlColorFirst);
        handled = DispatchToMap(kReflectBase + WM_CTLCOLOR, 0, 0, args);
    } else if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
        handled = DispatchToMap(kReflectBase + message, 0, 0, args);
    }
    if (handled && pResult != nullptr)
        *pResult = args.result;
    return handled ? TRUE : FALSE;
}

BOOL CWnd::ReflectToChild(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CWnd* pChild = FromHandlePermanent(hWndChild);
    if (pChild == nullptr)
        return FALSE;
    return pChild->OnChildNotify(message, wParam, lParam, pResult);
}
