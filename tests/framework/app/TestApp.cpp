#include "tests/framework/app/TestApp.h"

#include "tests/framework/app/AppTestIds.h"
#include "tests/framework/app/TestAboutDlg.h"
#include "tests/framework/app/TestDoc.h"
#include "tests/framework/app/TestFrame.h"
#include "tests/framework/app/TestTreeView.h"

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

BOOL CTestApp::InitInstance()
{
    AddDocTemplate(new CSingleDocTemplate(IDR_TESTFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame),
                                          RUNTIME_CLASS(CTestTreeView)));
    CCommandLineInfo commandLine;
    return ProcessShellCommand(commandLine);
}

void CTestApp::OnAppAbout()
{
    CTestAboutDlg dialog;
    m_lastAboutResult = dialog.DoModal();
}
