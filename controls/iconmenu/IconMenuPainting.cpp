#include "controls/iconmenu/IconMenuPainting.h"

#include "framework/Brush.h"
#include "framework/Pen.h"

namespace {

constexpr int kChannelMax = 255;
// Each stroke of the tick covers this many pixels (the end point is not drawn).
constexpr int kTickStroke = 3;
// Top of the stroke in each of the tick's seven columns, relative to its top.
constexpr int kTickTops[] = {2, 3, 4, 3, 2, 1, 0};
constexpr int kBulletSize = 6;

int BlendChannel(int channel, double factor)
{
    return static_cast<int>(factor * (kChannelMax - channel) + channel);
}

} // namespace

COLORREF BlendTowardWhite(COLORREF color, double factor)
{
    if (!(factor > 0.0 && factor <= 1.0))
        return color;
    return RGB(BlendChannel(GetRValue(color), factor), BlendChannel(GetGValue(color), factor),
               BlendChannel(GetBValue(color), factor));
}

void PaintTick(CDC* pDC, int x, int y, COLORREF color)
{
    CPen pen(PS_SOLID, 0, color);
    CDCSelection penSelection(*pDC, pen.GetSafeHandle());
    int column = x;
    for (int top : kTickTops) {
        pDC->MoveTo(column, y + top);
        pDC->LineTo(column, y + top + kTickStroke);
        ++column;
    }
}

void PaintBullet(CDC* pDC, int x, int y, COLORREF color)
{
    CBrush brush(color);
    CPen pen(PS_SOLID, 0, color);
    CDCSelection brushSelection(*pDC, brush.GetSafeHandle());
    CDCSelection penSelection(*pDC, pen.GetSafeHandle());
    pDC->Ellipse(x, y, x + kBulletSize, y + kBulletSize);
}

COffscreenDC::COffscreenDC(CDC* pTarget, const RECT& rect) : m_target(pTarget), m_rect(rect)
{
    if (pTarget->IsPrinting()) {
        // Borrowed: the destructor gives them back without deleting them.
        m_hDC = pTarget->m_hDC;
        m_hAttribDC = pTarget->m_hAttribDC;
        m_bPrinting = TRUE;
        return;
    }
    m_isMemory = TRUE;
    CreateCompatibleDC(pTarget);
    m_bitmap.CreateCompatibleBitmap(pTarget, rect.right - rect.left, rect.bottom - rect.top);
    m_oldBitmap = ::SelectObject(m_hDC, m_bitmap.GetSafeHandle());
    SetWindowOrg(rect.left, rect.top);
}

COffscreenDC::~COffscreenDC()
{
    if (m_isMemory) {
        m_target->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, this,
                         m_rect.left, m_rect.top, SRCCOPY);
        ::SelectObject(m_hDC, m_oldBitmap);
    } else {
        m_hDC = nullptr;
        m_hAttribDC = nullptr;
    }
    m_bitmap.DeleteObject();
}
