// A dialog from a template resource, modal (DoModal, with the framework's own modal loop so
// that PreTranslateMessage keeps working) or modeless (Create). Controls are bound to
// members in DoDataExchange, which OnInitDialog runs through UpdateData.
#pragma once
#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    // Runs the dialog until EndDialog; returns its result, or -1 when it cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog as a modeless window.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Creates the window from the template; the owner is disabled by the caller.
    bool CreateFromTemplate(HWND hWndOwner);
    int RunModalLoop();

    LPCSTR m_lpszTemplateName;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_modalRunning = false;
    int m_nModalResult = -1;
};

// The dialog procedure of framework dialogs: only WM_INITDIALOG needs it, to reach OnInitDialog.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a message is keyboard or mouse input aimed at hWnd or one of its descendants.
bool AfxIsInputFor(HWND hWnd, const MSG* pMsg);
