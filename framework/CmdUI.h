// The user-interface element of one command (a menu item, a toolbar button or nothing)
// that an update handler enables, checks or renames.
#pragma once
#include <windows.h>
#include <string>

class CCmdTarget;
class CMenu;
class CWnd;

class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;    // the popup of a menu item
    CMenu* m_pSubMenu = nullptr; // the popup that the item opens, if any
    CWnd* m_pOther = nullptr;    // the control bar of a button
    UINT m_nIndexMax = 0;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bEnabled = TRUE;
    BOOL m_bContinueRouting = FALSE;

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    // A check shown as a dot (menu items get the framework's dot bitmap).
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(const char* lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks the target for an update handler; without one, disables the element when
    // bDisableIfNoHandler is set and no command handler exists either. TRUE when handled.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);
};
