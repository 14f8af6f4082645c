#pragma once
#include "framework/Framework.h"
#include "tests/framework/app/TestLabel.h"

// The modal About box, whose label is bound with DDX_Control.
class CTestAboutDlg : public CDialog {
public:
    CTestAboutDlg();
    CTestLabel m_link;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
