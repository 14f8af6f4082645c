#include "framework/WinApp.h"

#include "framework/Afx.h"
#include "framework/CommandLineInfo.h"
#include "framework/Dc.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiObject.h"
#include "framework/ImageList.h"
#include "framework/Menu.h"

namespace {

CWinApp*& TheApp()
{
    static CWinApp* s_pApp = nullptr;
    return s_pApp;
}

POSITION ToPosition(size_t index)
{
    return reinterpret_cast<POSITION>(index + 1);
}

size_t FromPosition(POSITION pos)
{
    return reinterpret_cast<size_t>(pos) - 1;
}

} // namespace

CWinApp* AfxGetApp()
{
    return TheApp();
}

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName)
{
    if (lpszAppName != nullptr)
        m_pszAppName = lpszAppName;
    TheApp() = this;
}

CWinApp::~CWinApp()
{
    m_templates.clear();
    if (TheApp() == this)
        TheApp() = nullptr;
}

void CWinApp::InitApplication()
{
    m_hInstance = AfxGetInstanceHandle();
    AfxInitCommonControls();
    if (m_pszAppName.empty()) {
        std::string title;
        if (AfxLoadString(AFX_IDS_APP_TITLE, title)) {
            m_pszAppName = title;
        } else {
            char path[MAX_PATH] = {};
            ::GetModuleFileNameA(nullptr, path, MAX_PATH);
            std::string name = path;
            size_t slash = name.find_last_of("\\/");
            name = name.substr(slash == std::string::npos ? 0 : slash + 1);
            size_t dot = name.rfind('.');
            m_pszAppName = name.substr(0, dot);
        }
    }
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return m_exitCode;
}

BOOL CWinApp::IsIdleMessage(MSG* pMsg)
{
    // The mouse resting on the same spot keeps sending moves that change nothing.
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
        bool repeat = pMsg->message == m_lastMouseMessage && pMsg->pt.x == m_lastMousePoint.x &&
                      pMsg->pt.y == m_lastMousePoint.y;
        m_lastMouseMessage = pMsg->message;
        m_lastMousePoint = pMsg->pt;
        return repeat ? FALSE : TRUE;
    }
    // The caret's blink timer (WM_SYSTIMER) arrives all the time and changes nothing.
    constexpr UINT kSysTimer = 0x0118;
    return pMsg->message != WM_PAINT && pMsg->message != WM_TIMER && pMsg->message != kSysTimer;
}

int CWinApp::Run()
{
    MSG msg = {};
    bool idle = true;
    LONG idleCount = 0;
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        do {
            BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                m_exitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
                return ExitInstance();
            }
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            if (IsIdleMessage(&msg)) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

BOOL CWinApp::OnIdle(LONG lCount)
{
    if (lCount <= 0) {
        // Bring the toolbar buttons and the status bar in line with the current state.
        if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr && m_pMainWnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)) &&
            m_pMainWnd->IsWindowVisible()) {
            // Update handlers are program code: a failure in one must not end the loop.
            try {
                static_cast<CFrameWnd*>(m_pMainWnd)->OnIdleUpdateCmdUI();
            } catch (const std::exception& e) {
                AfxTrace("Unhandled exception while updating the toolbar: %s\r\n", e.what());
            } catch (...) {
                AfxTrace("Unhandled exception while updating the toolbar\r\n");
            }
        }
        return TRUE;
    }
    if (lCount == 1) {
        CImageList::DeleteTempMap();
        CWnd::DeleteTempMap();
        CMenu::DeleteTempMap();
        CDC::DeleteTempMap();
        CGdiObject::DeleteTempMap();
    }
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    HWND hWndStop = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    // Messages of other top-level windows (modeless dialogs) stop at their own top.
    if (hWndStop != nullptr && pMsg->hwnd != nullptr && !::IsChild(hWndStop, pMsg->hwnd) && pMsg->hwnd != hWndStop)
        hWndStop = nullptr;
    if (CWnd::WalkPreTranslateTree(hWndStop, pMsg))
        return TRUE;
    return FALSE;
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate)
{
    m_templates.emplace_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const
{
    return m_templates.empty() ? nullptr : ToPosition(0);
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const
{
    size_t index = FromPosition(pos);
    CDocTemplate* pTemplate = index < m_templates.size() ? m_templates[index].get() : nullptr;
    pos = index + 1 < m_templates.size() ? ToPosition(index + 1) : nullptr;
    return pTemplate;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (int i = 1; i < __argc; ++i) {
        const char* param = __argv[i];
        bool isFlag = param[0] == '-' || param[0] == '/';
        rCmdInfo.ParseParam(isFlag ? param + 1 : param, isFlag ? TRUE : FALSE, i + 1 == __argc ? TRUE : FALSE);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr ? TRUE : FALSE;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName.c_str()) != nullptr ? TRUE : FALSE;
    case CCommandLineInfo::FileNothing:
        return TRUE;
    }
    return FALSE;
}

CDocument* CWinApp::OpenDocumentFile(const char* lpszFileName)
{
    if (m_templates.empty()) {
        AfxTrace("CWinApp::OpenDocumentFile: no document template registered\r\n");
        return nullptr;
    }
    return m_templates.front()->OpenDocumentFile(lpszFileName);
}

void CWinApp::OnFileNew()
{
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    std::string path;
    if (!m_templates.empty() && m_templates.front()->PromptFileName(path, false))
        OpenDocumentFile(path.c_str());
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd != nullptr)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::BeginWaitCursor()
{
    if (m_nWaitCursorCount++ == 0)
        m_hcurWaitCursorRestore = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    else
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

void CWinApp::EndWaitCursor()
{
    if (m_nWaitCursorCount == 0)
        return;
    if (--m_nWaitCursorCount == 0)
        ::SetCursor(m_hcurWaitCursorRestore);
}

void CWinApp::RestoreWaitCursor()
{
    if (m_nWaitCursorCount > 0)
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

int CWinApp::WinMainEntry()
{
    InitApplication();
    int exitCode = 0;
    if (!InitInstance()) {
        if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr)
            m_pMainWnd->DestroyWindow();
        exitCode = ExitInstance();
    } else {
        exitCode = Run();
    }
    // Documents and templates go while the program still runs, not at static destruction.
    m_templates.clear();
    return exitCode;
}

int AfxWinMain(HINSTANCE, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) {
        AfxOutputDebugString("AfxWinMain: the program has no application object\r\n");
        return -1;
    }
    pApp->m_nCmdShow = nCmdShow;
    try {
        return pApp->WinMainEntry();
    } catch (const std::exception& e) {
        AfxTrace("Unhandled exception during start-up: %s\r\n", e.what());
        return -1;
    }
}
