// Shows the hourglass cursor for the lifetime of the object (nesting allowed).
#pragma once
#include "framework/Afx.h"
#include "framework/WinApp.h"

class CWaitCursor {
public:
    CWaitCursor()
    {
        if (CWinApp* pApp = AfxGetApp())
            pApp->BeginWaitCursor();
    }
    ~CWaitCursor()
    {
        if (CWinApp* pApp = AfxGetApp())
            pApp->EndWaitCursor();
    }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Shows the hourglass again after something (a message box) replaced it.
    void Restore()
    {
        if (CWinApp* pApp = AfxGetApp())
            pApp->RestoreWaitCursor();
    }
};
