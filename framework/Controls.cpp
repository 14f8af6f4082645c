#include "framework/Button.h"
#include "framework/Edit.h"
#include "framework/HeaderCtrl.h"
#include "framework/ScrollBar.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"

IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNCREATE(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    BOOL created = CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, nullptr);
    return created;
}

void CToolTipCtrl::InitToolInfo(TOOLINFOA& info, CWnd* pWnd, UINT_PTR nIDTool)
{
    info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = pWnd != nullptr ? pWnd->m_hWnd : nullptr;
    info.uId = nIDTool;
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const char* lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool)
{
    TOOLINFOA info;
    InitToolInfo(info, pWnd, nIDTool);
    info.uFlags = TTF_SUBCLASS;
    info.lpszText = const_cast<char*>(lpszText);
    if (lpRectTool != nullptr)
        info.rect = *lpRectTool;
    else if (pWnd != nullptr)
        pWnd->GetClientRect(&info.rect);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool)
{
    TOOLINFOA info;
    InitToolInfo(info, pWnd, nIDTool);
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(const char* lpszText, CWnd* pWnd, UINT_PTR nIDTool)
{
    TOOLINFOA info;
    InitToolInfo(info, pWnd, nIDTool);
    info.lpszText = const_cast<char*>(lpszText);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string CToolTipCtrl::GetText(CWnd* pWnd, UINT_PTR nIDTool) const
{
    // The control copies at most 80 characters unless it is told the buffer size.
    char buffer[1024] = {};
    TOOLINFOA info;
    InitToolInfo(info, pWnd, nIDTool);
    info.lpszText = buffer;
    if (!SendMessage(TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
        return std::string();
    info.lpszText = buffer;
    SendMessage(TTM_GETTEXTA, sizeof(buffer), reinterpret_cast<LPARAM>(&info));
    return buffer;
}
