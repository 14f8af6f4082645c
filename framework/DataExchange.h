// Dialog data exchange: binds dialog controls to members while a dialog initialises
// (and, for value exchanges, copies values in either direction).
#pragma once
#include <windows.h>
#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Thrown by an exchange that fails; UpdateData reports it as FALSE.
class CDataExchangeFailure {
};

// Subclasses control nIDC of the dialog with rControl the first time (PreSubclassWindow
// runs then); a missing control fails the exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The text of control nIDC to or from a string.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
