#pragma once
#include "framework/Framework.h"

// A label that records how the dialog attached it.
class CTestLabel : public CStatic {
public:
    int m_preSubclassCalls = 0;
    int m_preTranslated = 0;
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
};
