#include "framework/DataExchange.h"

#include "framework/Afx.h"
#include "framework/Wnd.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd)) {
        AfxTrace("DDX_Control: dialog control %d cannot be attached\r\n", nIDC);
        throw CDataExchangeFailure();
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value)
{
    HWND hWndControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hWndControl == nullptr) {
        AfxTrace("DDX_Text: dialog control %d does not exist\r\n", nIDC);
        throw CDataExchangeFailure();
    }
    if (pDX->m_bSaveAndValidate)
        CWnd::FromHandle(hWndControl)->GetWindowText(value);
    else
        ::SetWindowTextA(hWndControl, value.c_str());
}
