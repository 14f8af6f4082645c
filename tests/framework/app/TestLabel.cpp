#include "tests/framework/app/TestLabel.h"

void CTestLabel::PreSubclassWindow()
{
    ++m_preSubclassCalls;
    CStatic::PreSubclassWindow();
}

BOOL CTestLabel::PreTranslateMessage(MSG* pMsg)
{
    ++m_preTranslated;
    return CStatic::PreTranslateMessage(pMsg);
}
