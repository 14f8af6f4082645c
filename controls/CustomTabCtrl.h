// The function view's tab row with a flat look of its own: equal fixed-size tabs on a
// cream background, the current one grey and bold with a black line on its right, the
// others separated by short grey lines, and a grey band under the row. Each tab carries
// a pointer (its page) as item data.
#pragma once
#include "framework/TabCtrl.h"

class CCustomTabCtrl : public CTabCtrl {
public:
    static constexpr COLORREF kSeparatorColor = RGB(128, 128, 128);
    static constexpr COLORREF kCurrentLineColor = RGB(0, 0, 0);

    void SetTabSize(int cx, int cy);
    // The item data of a tab, null for a tab that does not exist.
    void* GetTabData(int index) const;
    void* GetCurrentTabData() const;

    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();

protected:
    void PreSubclassWindow() override;
    DECLARE_MESSAGE_MAP()

private:
    void PaintTab(CDC& dc, int index, int current, int count);
    void DrawTabLines(CDC& dc, const CRect& rect, int index, int current, int count);
};
