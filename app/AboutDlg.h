// The About box: program name and version, the maker's copyright and description, and a
// link to the maker's web site.
#pragma once
#include "controls/LinkLabel.h"
#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
    DECLARE_DYNAMIC(CAboutDlg)
public:
    CAboutDlg();

    CLinkLabel& GetLink() { return m_link; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    CLinkLabel m_link;
};
