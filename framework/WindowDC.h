// The whole-window context of a window (or of the screen for null), released on destruction.
#pragma once
#include "framework/Dc.h"

class CWindowDC : public CDC {
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};
