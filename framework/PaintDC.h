// The context of a WM_PAINT handler: BeginPaint on construction, EndPaint on destruction.
#pragma once
#include "framework/Dc.h"

class CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    PAINTSTRUCT m_ps = {};

    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

private:
    HWND m_hWnd;
};
