// The edit control that an edit list opens over one cell. It reports its text to the
// list's parent when it loses the focus (unless Escape ended it) and deletes itself
// when its window goes. Enter and Tab end it and move the list's cursor on.
#pragma once
#include <string>

#include "framework/Edit.h"

class CInPlaceEdit : public CEdit {
public:
    CInPlaceEdit(int item, int subItem, const std::string& initialText);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Reports the text now (unless Escape ended the edit) and closes the edit, exactly once.
    void Commit();
    // Replaces the cell's text by what the user began to type, the caret after it.
    void StartWith(const std::string& text);

    int GetItem() const { return m_item; }
    int GetSubItem() const { return m_subItem; }

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKillFocus(CWnd* pNewWnd);
    void OnTextChanged();

protected:
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    // Widens the edit to its text, up to the list's right border; it never narrows.
    void GrowToText();
    void ReportText();
    // Commits by giving the focus back to the list, then moves its cursor by step (0: stays).
    // The edit is gone when this returns.
    void EndAndMove(int step);

    int m_item;
    int m_subItem;
    std::string m_initialText;
    bool m_cancelled = false;
    bool m_committed = false;
};
