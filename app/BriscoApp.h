// The application: registers the one document type, opens the main window with its two
// panes and asks the document for the first scan once the window is visible.
#pragma once
#include "framework/WinApp.h"

class CBriscoDoc;
class CSingleDocTemplate;

class CBriscoApp : public CWinApp {
public:
    CBriscoApp();

    BOOL InitInstance() override;
    // A rescan put off while a question was open runs once the program is idle again.
    BOOL OnIdle(LONG lCount) override;
    // Forgets every saved setting: a test starts the program as a new user would.
    static void ResetSettings();
    // The document of the one template, or null before start-up created it.
    CBriscoDoc* GetDocument() const;

protected:
    // The template of the main window; a test may give it another document class.
    virtual CSingleDocTemplate* CreateDocTemplate();

    // Runs the About box modally.
    void OnAppAbout();

    DECLARE_MESSAGE_MAP()
};
