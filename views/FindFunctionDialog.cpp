#include "views/FindFunctionDialog.h"

#include <utility>

#include "framework/Afx.h"
#include "res/resource.h"

namespace {

constexpr int kMaxTextLength = 256;

} // namespace

CFindFunctionDialog::CFindFunctionDialog(CWnd* parent, std::string text)
    : CDialog(IDD_FIND_FUNCTION, parent), m_text(std::move(text))
{
}

BOOL CFindFunctionDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND edit = ::GetDlgItem(m_hWnd, IDC_FIND_TEXT);
    ::SetWindowTextA(edit, m_text.c_str());
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SetFocus(edit);
    // The focus is set here, so the framework must not move it to the first control.
    return FALSE;
}

// A text that names no function keeps the dialog open, with the message owned by it.
void CFindFunctionDialog::OnOK()
{
    char text[kMaxTextLength] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_FIND_TEXT, text, sizeof text);
    m_query = CFunctionQuery::Parse(text);
    if (!m_query) {
        const std::string message = std::string("\"") + text +
            "\" is neither an address nor a vendor:device pair. Type one such as 0c:00.0, 0.12.0 or 1011:0024.";
        AfxShowMessageBox(m_hWnd, message.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
        HWND edit = ::GetDlgItem(m_hWnd, IDC_FIND_TEXT);
        ::SetFocus(edit);
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
        return;
    }
    m_text = text;
    EndDialog(IDOK);
}
