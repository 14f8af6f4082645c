#pragma once
#include "framework/Afx.h"
#include "framework/Wnd.h"

// The application TApp started in-process as its program's entry point starts it, so that a
// test suite drives the real main window; ending it closes that window before the
// application object goes, since the frame still reaches the application while it closes.
template <class TApp>
class CStartedApp : public TApp {
public:
    // keepSettings starts it again as the user would, with what the last run saved; otherwise
    // no test inherits the settings another one left behind.
    explicit CStartedApp(bool keepSettings = false)
    {
        if constexpr (requires { TApp::ResetSettings(); }) {
            if (!keepSettings)
                TApp::ResetSettings();
        }
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
