// Thin wrapper of a tooltip control.
#pragma once
#include "framework/Wnd.h"

class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    // One tool over a rectangle of pWnd's client area (the whole client area when null).
    BOOL AddTool(CWnd* pWnd, const char* lpszText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
    void UpdateTipText(const char* lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
    // Passes a mouse message on, so that the tip knows when to appear.
    void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, static_cast<WPARAM>(bActivate)); }
    int SetMaxTipWidth(int iWidth) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(iWidth))); }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    // The text of a tool; empty when the tool does not exist.
    std::string GetText(CWnd* pWnd, UINT_PTR nIDTool = 0) const;

private:
    static void InitToolInfo(TOOLINFOA& info, CWnd* pWnd, UINT_PTR nIDTool);
};
