#include "tests/framework/app/TestAboutDlg.h"

#include "tests/framework/app/AppTestIds.h"

CTestAboutDlg::CTestAboutDlg() : CDialog(IDD_TEST_ABOUT)
{
}

void CTestAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEST_LINK, m_link);
}
