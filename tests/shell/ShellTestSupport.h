// Helpers shared by the in-process tests of the main window.
#pragma once
#include <string>
#include <vector>

#include "views/ViewHints.h"
#include "app/BriscoApp.h"
#include "app/BriscoDoc.h"
#include "app/MainFrame.h"
#include "framework/Framework.h"
#include "views/PciBusView.h"

class CPciFunction;

// A windowless view that records every update the document sends.
class CUpdateRecorder : public CView {
public:
    struct Update {
        CView* sender;
        LPARAM hint;
        CPciFunction* function;
    };
    std::vector<Update> m_updates;

    // Whether the main window was visible at each update.
    std::vector<bool> m_mainWindowVisible;

    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override
    {
        m_updates.push_back({pSender, lHint, CViewHints::FunctionFromHint(pHint)});
        CWnd* pMainWnd = AfxGetMainWnd();
        m_mainWindowVisible.push_back(pMainWnd && pMainWnd->IsWindowVisible());
    }
};

std::string WindowText(HWND hWnd);
