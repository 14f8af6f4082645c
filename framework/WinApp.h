// The application: start-up (InitInstance), the message loop with pre-translation and idle
// processing, the document templates, the standard shell commands and the wait cursor.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "framework/CmdTarget.h"
#include "framework/Wnd.h"

class CCommandLineInfo;
class CDocTemplate;
class CDocument;

// Position in a list walked with GetFirst.../GetNext...; null past the end.
using POSITION = struct AfxPosition*;

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // The one application object registers itself; the name comes from string
    // AFX_IDS_APP_TITLE, or from the argument, or from the program's file name.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;
    std::string m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    virtual BOOL InitInstance();
    // Clean-up after the loop; returns the program's exit code (that of WM_QUIT).
    virtual int ExitInstance();
    // The message loop; returns the exit code.
    virtual int Run();
    // Background work when no message waits; returns TRUE while more idle calls are wanted.
    virtual BOOL OnIdle(LONG lCount);
    // Offers a message to the windows from its target up to the main window, then to the app.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Whether a message should trigger idle processing once the queue is empty (not paints,
    // timers or the mouse resting on one spot).
    virtual BOOL IsIdleMessage(MSG* pMsg);

    // Document templates (owned) and shell commands.
    void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    virtual CDocument* OpenDocumentFile(const char* lpszFileName);

    // Standard command handlers a program may map.
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

    // Wait cursor (counted, so that nested waits work).
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // Initialisation before InitInstance: common controls and the application name.
    void InitApplication();
    // Runs the application: initialisation, InitInstance, the loop and ExitInstance.
    int WinMainEntry();

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    int m_nWaitCursorCount = 0;
    int m_exitCode = 0;
    UINT m_lastMouseMessage = 0;
    POINT m_lastMousePoint = {-1, -1};
    HCURSOR m_hcurWaitCursorRestore = nullptr;
};

// The entry point that a program's WinMain calls: runs the one application object.
int AfxWinMain(HINSTANCE hInstance, int nCmdShow);
