// A view made from a child dialog template: its controls are the template's, keyboard
// navigation between them works as in a dialog, and it scrolls when the pane is smaller
// than the size given to SetScrollSizes.
#pragma once
#include "framework/View.h"

class CFormView : public CView {
    DECLARE_DYNAMIC(CFormView)
public:
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnInitialUpdate() override;

    // The scrollable area; MM_TEXT only. Zero page or line sizes take defaults.
    void SetScrollSizes(int nMapMode, SIZE sizeTotal, SIZE sizePage = {0, 0}, SIZE sizeLine = {0, 0});
    CSize GetTotalSize() const { return m_totalSize; }
    CPoint GetScrollPosition() const { return m_scrollPos; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    void OnSize(UINT nType, int cx, int cy);
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnPaint();

protected:
    explicit CFormView(UINT nIDTemplate);
    explicit CFormView(LPCSTR lpszTemplateName);

    DECLARE_MESSAGE_MAP()

private:
    // Shows or hides the scroll bars for the current client size.
    void UpdateBars();
    void ScrollTo(int x, int y);
    int NewScrollPos(int bar, UINT nSBCode, UINT nPos) const;

    LPCSTR m_lpszTemplateName;
    UINT m_nIDTemplate;
    CSize m_totalSize;
    CSize m_pageSize;
    CSize m_lineSize;
    CPoint m_scrollPos;
    bool m_inUpdateBars = false;
};
