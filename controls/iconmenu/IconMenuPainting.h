// Small painting operations of the owner-drawn icon menu: colour tints, the check mark, the
// radio dot and an off-screen device context that puts a whole item on screen at once.
#pragma once
#include <windows.h>
#include "framework/Bitmap.h"
#include "framework/Dc.h"

// Moves each channel of a colour toward 255 by a factor in (0, 1]; any other factor leaves
// the colour as it is.
COLORREF BlendTowardWhite(COLORREF color, double factor);
// A 7 x 7 tick whose top-left corner is (x, y), drawn with one-pixel strokes.
void PaintTick(CDC* pDC, int x, int y, COLORREF color);
// A filled 6 x 6 dot whose top-left corner is (x, y).
void PaintBullet(CDC* pDC, int x, int y, COLORREF color);

// Drawing into this context lands in a memory bitmap over a rectangle of the target, with
// the target's coordinates; destruction copies the rectangle to the target in one BitBlt.
// A printer context is drawn on directly.
class COffscreenDC : public CDC {
public:
    COffscreenDC(CDC* pTarget, const RECT& rect);
    ~COffscreenDC() override;

private:
    CBitmap m_bitmap;
    // A handle rather than a temporary CBitmap, which idle processing could drop meanwhile.
    HGDIOBJ m_oldBitmap = nullptr;
    CDC* m_target = nullptr;
    RECT m_rect = {};
    BOOL m_isMemory = FALSE;
};
