#pragma once
#include "framework/Framework.h"

// The test program: one document template (document, frame, tree view), started with an
// untitled document; the About command runs the modal box and keeps how it was closed.
class CTestApp : public CWinApp {
public:
    INT_PTR m_lastAboutResult = 0;

    BOOL InitInstance() override;
    void OnAppAbout();

protected:
    DECLARE_MESSAGE_MAP()
};
