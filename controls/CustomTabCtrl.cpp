#include "controls/CustomTabCtrl.h"
#include "controls/PaneColors.h"

#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/Dc.h"
#include "framework/Font.h"
#include "framework/PaintDC.h"
#include "framework/Pen.h"

namespace {

// Point size times ten, as CreatePointFont takes it.
constexpr int kCaptionPointSize = 90;
constexpr char kCaptionFace[] = "Arial";
constexpr char kCurrentCaptionFace[] = "Arial Bold";
constexpr int kMaxCaptionChars = 1024;
// Leaves a margin at the right edge of the right-aligned caption.
constexpr char kCaptionMargin[] = "  ";
// The band under the tab row starts this far below the tabs' height.
constexpr int kBandGap = 2;
// Separator lines stop short of the tab's top and bottom.
constexpr int kSeparatorInset = 2;

std::string TabText(const CTabCtrl& tabs, int index)
{
    std::vector<char> buffer(kMaxCaptionChars + 1, '\0');
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer.data();
    item.cchTextMax = kMaxCaptionChars;
    tabs.GetItem(index, &item);
    // The control may answer with its own buffer instead of ours.
    return item.pszText != nullptr ? std::string(item.pszText) : std::string();
}

} // namespace

BEGIN_MESSAGE_MAP(CCustomTabCtrl, CTabCtrl)
ON_WM_ERASEBKGND()
ON_WM_PAINT()
END_MESSAGE_MAP()

void CCustomTabCtrl::PreSubclassWindow()
{
    CTabCtrl::PreSubclassWindow();
    ModifyStyle(0, TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER);
}

void CCustomTabCtrl::SetTabSize(int cx, int cy)
{
    SetItemSize(CSize(cx, cy));
    SetMinTabWidth(cx);
}

void* CCustomTabCtrl::GetTabData(int index) const
{
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    if (index < 0 || !GetItem(index, &item))
        return nullptr;
    return reinterpret_cast<void*>(item.lParam);
}

void* CCustomTabCtrl::GetCurrentTabData() const
{
    return GetTabData(GetCurSel());
}

BOOL CCustomTabCtrl::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, kPaneBackgroundColor);
    CRect first;
    GetItemRect(0, &first);
    const int bandTop = first.Height() + kBandGap;
    pDC->FillSolidRect(0, bandTop, client.Width(), client.bottom - bandTop, kCurrentTabColor);
    return TRUE;
}

void CCustomTabCtrl::OnPaint()
{
    CPaintDC dc(this);
    const int count = GetItemCount();
    const int current = GetCurSel();
    for (int i = 0; i < count; ++i)
        PaintTab(dc, i, current, count);
}

// The current caption asks for "Arial Bold" by name, which Windows resolves to the bold
// face; the weight is given as well because Wine matches only family names and would
// otherwise draw the regular face.
static LOGFONTA CaptionFont(bool isCurrent)
{
    LOGFONTA font = {};
    font.lfHeight = kCaptionPointSize;
    font.lfWeight = isCurrent ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, isCurrent ? kCurrentCaptionFace : kCaptionFace, LF_FACESIZE);
    return font;
}

void CCustomTabCtrl::PaintTab(CDC& dc, int index, int current, int count)
{
    CRect rect;
    GetItemRect(index, &rect);
    const bool isCurrent = index == current;
    dc.FillSolidRect(&rect, isCurrent ? kCurrentTabColor : kPaneBackgroundColor);

    CFont font;
    const LOGFONTA captionFont = CaptionFont(isCurrent);
    font.CreatePointFontIndirect(&captionFont, &dc);
    {
        CDCSelection selectFont(dc, font.m_hObject);
        const std::string caption = TabText(*this, index) + kCaptionMargin;
        dc.SetBkMode(TRANSPARENT);
        CRect textRect = rect;
        dc.DrawText(caption, &textRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    DrawTabLines(dc, rect, index, current, count);
}

// Neighbouring tabs that are both not current share one grey line; the current tab's
// black line stands where its right neighbour's grey line would be.
void CCustomTabCtrl::DrawTabLines(CDC& dc, const CRect& rect, int index, int current, int count)
{
    CPen grey(PS_SOLID, 1, kSeparatorColor);
    CPen black(PS_SOLID, 1, kCurrentLineColor);
    CDCSelection selectPen(dc, grey.m_hObject);
    if (index != current) {
        if (index > 0 && index != current + 1) {
            AfxTrace("Drawing gray line to the left (%d)\r\n", index);
            dc.MoveTo(rect.left - 1, rect.top + kSeparatorInset);
            dc.LineTo(rect.left - 1, rect.bottom - kSeparatorInset);
        }
        if (index == count - 1) {
            AfxTrace("Drawing gray line to the right (%d)\r\n", index);
            dc.MoveTo(rect.right - 1, rect.top + kSeparatorInset);
            dc.LineTo(rect.right - 1, rect.bottom - kSeparatorInset);
        }
    }
    dc.SelectObject(black.m_hObject);
    if (index == current) {
        AfxTrace("Drawing black line to the right (%d)\r\n", index);
        dc.MoveTo(rect.right - 1, rect.top);
        dc.LineTo(rect.right - 1, rect.bottom);
    }
}
