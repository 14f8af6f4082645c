#include "app/AboutDlg.h"

#include "res/resource.h"

IMPLEMENT_DYNAMIC(CAboutDlg, CDialog)

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    // Subclassing turns the template's plain text into the link.
    DDX_Control(pDX, IDC_ABOUT_LINK, m_link);
}
