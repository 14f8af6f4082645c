#pragma once
#include "framework/Afx.h"
#include "framework/Wnd.h"

// The application TApp started in-process as its program's entry point starts it, so that a
// test suite drives the real main window; ending it closes that window before the
// application object goes, since the frame still reaches the application while it closes.
template <class TApp>
class CStartedApp : public TApp {
public:
    CStartedApp()
    {
        // No test inherits the settings another one left behind.
        if constexpr (requires { TApp::ResetSettings(); })
            TApp::ResetSettings();
        this->InitApplication();
        m_started = this->InitInstance() != FALSE;
    }
    ~CStartedApp() override
    {
        if (CWnd* pMainWnd = AfxGetMainWnd())
            pMainWnd->DestroyWindow();
    }
    CStartedApp(const CStartedApp&) = delete;
    CStartedApp& operator=(const CStartedApp&) = delete;

    // Whether InitInstance succeeded.
    bool IsStarted() const { return m_started; }

private:
    bool m_started = false;
};
