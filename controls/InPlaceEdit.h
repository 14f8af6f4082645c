// The edit control that an edit list opens over one cell. It reports its text to the
// list's parent when it loses the focus (unless Escape ended it) and deletes itself
// when its window goes.
#pragma once
#include <string>

#include "framework/Edit.h"

class CInPlaceEdit : public CEdit {
public:
    CInPlaceEdit(int item, int subItem, const std::string& initialText);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Reports the text now (unless Escape ended the edit) and closes the edit, exactly once.
    void Commit();

    int GetItem() const { return m_item; }
    int GetSubItem() const { return m_subItem; }

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKillFocus(CWnd* pNewWnd);

protected:
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    // Widens the edit to its text, up to the list's right border; it never narrows.
    void GrowToText();
    void ReportText();

    int m_item;
    int m_subItem;
    std::string m_initialText;
    bool m_cancelled = false;
    bool m_committed = false;
};
