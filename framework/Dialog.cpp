#include "framework/Dialog.h"

#include <exception>
#include "framework/Afx.h"
#include "framework/DialogTemplate.h"
#include "framework/TestSeams.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

// A top-level dialog that neither placed itself nor asked for a placement of its own opens
// centred on its owner, as users expect of a modal dialog.
void AfxCenterNewDialog(CWnd* pDialog, const CRect& before)
{
    const DWORD style = pDialog->GetStyle();
    if ((style & (WS_CHILD | DS_ABSALIGN | DS_CENTER | DS_CENTERMOUSE)) != 0)
        return;
    CRect after;
    ::GetWindowRect(pDialog->m_hWnd, &after);
    if (after != before)
        return;
    pDialog->CenterWindow();
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr || !pWnd->IsKindOf(RUNTIME_CLASS(CDialog)))
        return TRUE;
    // Called from inside the system's dialog code: nothing may escape from here.
    try {
        CRect before;
        ::GetWindowRect(hWnd, &before);
        const BOOL result = static_cast<CDialog*>(pWnd)->OnInitDialog();
        AfxCenterNewDialog(pWnd, before);
        return result;
    } catch (const std::exception& e) {
        AfxTrace("Unhandled exception in OnInitDialog: %s\r\n", e.what());
    } catch (...) {
        AfxTrace("Unhandled exception in OnInitDialog\r\n");
    }
    return TRUE;
}

bool AfxIsInputFor(HWND hWnd, const MSG* pMsg)
{
    bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                 (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
    return input && (pMsg->hwnd == hWnd || ::IsChild(hWnd, pMsg->hwnd));
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_nIDTemplate(0), m_pParentWnd(pParentWnd)
{
}

bool CDialog::CreateFromTemplate(HWND hWndOwner)
{
    CDialogTemplate dialogTemplate;
    if (!dialogTemplate.Load(m_lpszTemplateName)) {
        AfxTrace("CDialog: dialog template %u not found\r\n", m_nIDTemplate);
        return false;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), dialogTemplate.Get(), hWndOwner, &AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    if (hWnd == nullptr) {
        AfxTrace("CDialog: creating the dialog failed (error %lu)\r\n", static_cast<unsigned long>(::GetLastError()));
        return false;
    }
    return true;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_lpszTemplateName = MAKEINTRESOURCEA(nIDTemplate);
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CreateFromTemplate(pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr) ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal()
{
    HWND hWndOwner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (hWndOwner == nullptr && AfxGetMainWnd() != nullptr)
        hWndOwner = AfxGetMainWnd()->m_hWnd;
    if (hWndOwner != nullptr)
        hWndOwner = ::GetAncestor(hWndOwner, GA_ROOT);
    bool ownerWasEnabled = hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner);
    if (ownerWasEnabled)
        ::EnableWindow(hWndOwner, FALSE);

    m_nModalResult = -1;
    int result = -1;
    if (CreateFromTemplate(hWndOwner)) {
        result = RunModalLoop();
        // The owner gets the activation back before the dialog disappears.
        if (ownerWasEnabled) {
            ::EnableWindow(hWndOwner, TRUE);
            ownerWasEnabled = false;
            ::SetActiveWindow(hWndOwner);
        }
        if (m_hWnd != nullptr)
            DestroyWindow();
    }
    if (ownerWasEnabled)
        ::EnableWindow(hWndOwner, TRUE);
    return result;
}

int CDialog::RunModalLoop()
{
    m_modalRunning = m_nModalResult == -1;
    if (m_modalRunning && (GetStyle() & WS_VISIBLE) == 0)
        ShowWindow(SW_SHOW);
    if (m_modalRunning && CTestSeams::s_modalStarted)
        CTestSeams::s_modalStarted(this);
    MSG msg;
    while (m_modalRunning) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The program is ending: leave the quit request for the main loop.
            ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
            m_modalRunning = false;
            break;
        }
        if (!CWnd::WalkPreTranslateTree(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (m_hWnd == nullptr)
            m_modalRunning = false;
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_modalRunning) {
        m_modalRunning = false;
        // Wake the modal loop if it waits for a message.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
        return;
    }
    // A modeless dialog simply goes away.
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (CWnd::PreTranslateMessage(pMsg))
        return TRUE;
    return AfxIsInputFor(m_hWnd, pMsg) && ::IsDialogMessageA(m_hWnd, pMsg);
}
