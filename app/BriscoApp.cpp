#include "app/BriscoApp.h"

#include "app/AboutDlg.h"
#include "app/BriscoDoc.h"
#include "app/BriscoSettings.h"
#include "app/MainFrame.h"
#include "framework/CommandLineInfo.h"
#include "framework/SingleDocTemplate.h"
#include "res/resource.h"
#include "views/PciBusView.h"

BEGIN_MESSAGE_MAP(CBriscoApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

CBriscoApp::CBriscoApp() = default;

CSingleDocTemplate* CBriscoApp::CreateDocTemplate()
{
    return new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CBriscoDoc), RUNTIME_CLASS(CMainFrame),
                                  RUNTIME_CLASS(CPciBusView));
}

BOOL CBriscoApp::InitInstance()
{
    if (!CWinApp::InitInstance())
        return FALSE;
    CSingleDocTemplate* pTemplate = CreateDocTemplate();
    if (!pTemplate)
        return FALSE;
    AddDocTemplate(pTemplate);

    // Creates the document (which opens the driver), the frame and both panes.
    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine) || !m_pMainWnd)
        return FALSE;

    // The owner-drawn icon menu takes the place of the menu the frame loaded.
    if (auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, m_pMainWnd)) {
        if (HMENU hLoaded = ::GetMenu(pFrame->m_hWnd))
            ::DestroyMenu(hLoaded);
        HMENU hIconMenu = pFrame->BuildIconMenu();
        ::SetMenu(pFrame->m_hWnd, hIconMenu);
        pFrame->m_hMenuDefault = hIconMenu;
    }

    if (auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, m_pMainWnd))
        pFrame->ShowWithSavedPlacement();
    else
        m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    // Scanned only now, so that both panes receive their first contents while visible.
    if (CBriscoDoc* pDocument = GetDocument()) {
        pDocument->RescanBus();
        // Said once, never asked: a dialog would block a start that tests kill.
        auto* pFrame = DYNAMIC_DOWNCAST(CMainFrame, m_pMainWnd);
        if (pFrame != nullptr && pDocument->ShouldAnnounceUncleanJournal())
            pFrame->ShowUncleanNotice();
    }
    return TRUE;
}

BOOL CBriscoApp::OnIdle(LONG lCount)
{
    if (CBriscoDoc* pDocument = GetDocument())
        pDocument->RunPendingRescan();
    return CWinApp::OnIdle(lCount);
}

void CBriscoApp::ResetSettings()
{
    CBriscoSettings::DeleteAll();
}

CBriscoDoc* CBriscoApp::GetDocument() const
{
    POSITION templatePos = GetFirstDocTemplatePosition();
    CDocTemplate* pTemplate = templatePos ? GetNextDocTemplate(templatePos) : nullptr;
    if (!pTemplate)
        return nullptr;
    POSITION docPos = pTemplate->GetFirstDocPosition();
    return docPos ? DYNAMIC_DOWNCAST(CBriscoDoc, pTemplate->GetNextDoc(docPos)) : nullptr;
}

void CBriscoApp::OnAppAbout()
{
    CAboutDlg aboutDlg;
    aboutDlg.DoModal();
}
