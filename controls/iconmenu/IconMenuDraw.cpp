// Painting of the owner-drawn items of an icon menu in the flat and the raised look.
#include <algorithm>
#include "controls/iconmenu/IconMenu.h"
#include "controls/iconmenu/IconMenuPainting.h"
#include "controls/iconmenu/IconMenuSupport.h"
#include "framework/Afx.h"
#include "framework/Brush.h"
#include "framework/Font.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// The brush where the mask is black, the destination where it is white.
constexpr DWORD kRopBrushThroughMask = 0xE20746;
constexpr UINT kLabelFormat = DT_SINGLELINE | DT_VCENTER;
constexpr UINT kAcceleratorFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;

// Flat-look tints.
constexpr double kColumnTint = 0.35;
constexpr double kSelectionTint = 0.7;
constexpr double kPaleSelectionTint = 0.85;
constexpr double kGrayTextTint = 0.55;
constexpr double kCheckedTint = 0.85;

// Offsets within an item, from its left edge and from the top of its image box.
constexpr int kColumnMargin = 5;    // image column: image width plus this
constexpr int kTextMargin = 9;      // text: image width plus this
constexpr int kFrameMargin = 4;     // image frame: image width or height plus this
constexpr int kFlatImageLeft = 3;
constexpr int kRaisedImageLeft = 2;
constexpr int kImageTop = 2;
constexpr int kEmbossedLeft = 2;
constexpr int kFlatCellLeft = 2;
constexpr int kRaisedCellLeft = 1;
constexpr int kCheckMarkLeftInCell = 5;
constexpr int kRaisedTickLeftInCell = 4;
constexpr int kCheckMarkTopInCell = 4;

// The rectangles of one item that both looks use.
struct ItemGeometry {
    RECT item;
    int offset;      // vertical offset of the image box within the item
    RECT column;     // image column of the flat look
    RECT imageBox;
    RECT imageFrame;
    RECT text;
};

ItemGeometry MeasureGeometry(const RECT& rc, int width, int height)
{
    ItemGeometry g;
    g.item = rc;
    g.offset = std::max(0, static_cast<int>(rc.bottom - rc.top - height - kFrameMargin) / 2);
    int top = rc.top + g.offset;
    g.column = {rc.left, rc.top, rc.left + width + kColumnMargin, rc.bottom};
    g.imageBox = {rc.left + 1, top + 1, rc.left + width + 3, top + height + 3};
    g.imageFrame = {rc.left, top, rc.left + width + kFrameMargin, top + height + kFrameMargin};
    g.text = {rc.left + width + kTextMargin, rc.top - 1, rc.right, rc.bottom - 1};
    return g;
}

// The label and the accelerator text of an item text.
struct ItemText {
    std::wstring label;
    std::wstring accelerator;
    bool hasAccelerator = false;
};

ItemText SplitText(const std::wstring& text)
{
    ItemText split;
    size_t firstTab = text.find(L'\t');
    if (firstTab == std::wstring::npos) {
        split.label = text;
        return split;
    }
    split.label = text.substr(0, firstTab);
    split.accelerator = text.substr(text.rfind(L'\t') + 1);
    split.hasAccelerator = true;
    return split;
}

// The colours of the flat look, read from the system at every call.
struct FlatColors {
    bool differ;
    COLORREF column;
    COLORREF background;
    COLORREF selection;
    COLORREF grayText;
    COLORREF frame;
};

FlatColors ReadFlatColors()
{
    COLORREF face = AfxGetSysColor(COLOR_BTNFACE);
    FlatColors c;
    c.differ = face != AfxGetSysColor(COLOR_MENU);
    c.column = c.differ ? face : BlendTowardWhite(face, kColumnTint);
    c.background = c.differ ? AfxGetSysColor(COLOR_MENU) : kWhite;
    c.selection = BlendTowardWhite(AfxGetSysColor(COLOR_HIGHLIGHT), c.differ ? kSelectionTint : kPaleSelectionTint);
    c.grayText = c.differ ? AfxGetSysColor(COLOR_GRAYTEXT) : BlendTowardWhite(AfxGetSysColor(COLOR_GRAYTEXT), kGrayTextTint);
    c.frame = AfxGetSysColor(COLOR_HIGHLIGHT);
    return c;
}

void FrameSolid(CDC* pDC, const RECT& rect, COLORREF color)
{
    pDC->Draw3dRect(&rect, color, color);
}

// A checked-state bitmap marks a radio item (the framework sets one for radio commands).
bool IsRadioItem(const DRAWITEMSTRUCT& dis)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    if (!::GetMenuItemInfoA(reinterpret_cast<HMENU>(dis.hwndItem), dis.itemID, FALSE, &info))
        return false;
    return info.hbmpChecked != nullptr;
}

// Draws the label and accelerator with the menu font in transparent mode.
void DrawItemText(CDC* pDC, const ItemText& text, RECT rect, COLORREF color)
{
    CFont font;
    IconMenuSupport::CreateMenuFont(font);
    int oldMode = pDC->SetBkMode(TRANSPARENT);
    HGDIOBJ oldFont = font.GetSafeHandle() != nullptr ? pDC->SelectObject(font.GetSafeHandle()) : nullptr;
    COLORREF oldColor = pDC->SetTextColor(color);
    ::DrawTextW(pDC->m_hDC, text.label.c_str(), static_cast<int>(text.label.size()), &rect, kLabelFormat);
    if (text.hasAccelerator)
        ::DrawTextW(pDC->m_hDC, text.accelerator.c_str(), static_cast<int>(text.accelerator.size()), &rect,
                    kAcceleratorFormat);
    pDC->SetTextColor(oldColor);
    if (oldFont != nullptr)
        pDC->SelectObject(oldFont);
    pDC->SetBkMode(oldMode);
}

void DrawImage(CDC* pDC, const IconMenuItem& item, int x, int y)
{
    if (item.m_images != nullptr)
        ImageList_Draw(item.m_images->m_hImageList, item.m_imageIndex, pDC->m_hDC, x, y, ILD_TRANSPARENT);
}

} // namespace

void CIconMenu::PaintCheckCell(CDC* pDC, const RECT& cell, BOOL bSelected, BOOL bRadio)
{
    pDC->FillSolidRect(&cell, AfxGetSysColor(bSelected ? COLOR_MENU : COLOR_3DLIGHT));
    RECT edge = cell;
    pDC->DrawEdge(&edge, BDR_SUNKENOUTER, BF_RECT);
    COLORREF mark = AfxGetSysColor(COLOR_MENUTEXT);
    if (bRadio)
        PaintBullet(pDC, cell.left + kCheckMarkLeftInCell, cell.top + kCheckMarkTopInCell, mark);
    else
        PaintTick(pDC, cell.left + kRaisedTickLeftInCell, cell.top + kCheckMarkTopInCell, mark);
}

void CIconMenu::PaintCheckCellFlat(CDC* pDC, const RECT& cell, BOOL bRadio, COLORREF frameColor)
{
    pDC->FillSolidRect(&cell, BlendTowardWhite(frameColor, kCheckedTint));
    FrameSolid(pDC, cell, frameColor);
    COLORREF mark = AfxGetSysColor(COLOR_MENUTEXT);
    if (bRadio)
        PaintBullet(pDC, cell.left + kCheckMarkLeftInCell, cell.top + kCheckMarkTopInCell, mark);
    else
        PaintTick(pDC, cell.left + kCheckMarkLeftInCell, cell.top + kCheckMarkTopInCell, mark);
}

BOOL CIconMenu::RenderIconBitmap(CDC* pDC, CImageList* pImages, int nIndex, CBitmap& bitmap)
{
    HICON hIcon = pImages->ExtractIcon(nIndex);
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    bitmap.CreateCompatibleBitmap(pDC, m_imageWidth, m_imageHeight);
    CBrush background(AfxGetSysColor(COLOR_MENU));
    {
        CDCSelection selection(memory, bitmap.GetSafeHandle());
        ::DrawIconEx(memory.m_hDC, 0, 0, hIcon, m_imageWidth, m_imageHeight, 0, background, DI_NORMAL);
    }
    if (hIcon != nullptr)
        ::DestroyIcon(hIcon);
    return TRUE;
}

void CIconMenu::DrawEmbossed(CDC* pDC, int x, int y, int nWidth, int nHeight, CBitmap& source, int sourceX,
                             int sourceY, COLORREF background)
{
    CDC maskDC;
    maskDC.CreateCompatibleDC(nullptr);
    CBitmap mask;
    mask.CreateCompatibleBitmap(&maskDC, nWidth, nHeight);
    CDCSelection maskSelection(maskDC, mask.GetSafeHandle());
    maskDC.PatBlt(0, 0, nWidth, nHeight, WHITENESS);

    CDC sourceDC;
    sourceDC.CreateCompatibleDC(nullptr);
    CDCSelection sourceSelection(sourceDC, source.GetSafeHandle());
    // Face and highlight pixels become white in the mask, every visible pixel black.
    sourceDC.SetBkColor(AfxGetSysColor(COLOR_BTNFACE));
    maskDC.BitBlt(0, 0, nWidth, nHeight, &sourceDC, sourceX, sourceY, SRCCOPY);
    sourceDC.SetBkColor(AfxGetSysColor(COLOR_BTNHIGHLIGHT));
    maskDC.BitBlt(0, 0, nWidth, nHeight, &sourceDC, sourceX, sourceY, SRCPAINT);

    sourceDC.FillSolidRect(0, 0, nWidth, nHeight, background);
    sourceDC.SetBkColor(kBlack);
    sourceDC.SetTextColor(kWhite);
    {
        CBrush highlight(AfxGetSysColor(COLOR_BTNHIGHLIGHT));
        CDCSelection brushSelection(sourceDC, highlight.GetSafeHandle());
        sourceDC.BitBlt(0, 0, nWidth, nHeight, &maskDC, 0, 0, kRopBrushThroughMask);
        pDC->BitBlt(x + 1, y + 1, nWidth, nHeight, &sourceDC, 0, 0, SRCCOPY);
        sourceDC.BitBlt(1, 1, nWidth, nHeight, &maskDC, 0, 0, kRopBrushThroughMask);
    }
    CBrush shadow(AfxGetSysColor(COLOR_BTNSHADOW));
    CDCSelection brushSelection(sourceDC, shadow.GetSafeHandle());
    sourceDC.BitBlt(0, 0, nWidth, nHeight, &maskDC, 0, 0, kRopBrushThroughMask);
    pDC->BitBlt(x, y, nWidth, nHeight, &sourceDC, 0, 0, SRCCOPY);
}

void CIconMenu::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    if ((pDC->GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0)
        DrawItemClassic(lpDrawItemStruct);
    else
        DrawItemFlat(lpDrawItemStruct);
}

void CIconMenu::DrawItemFlat(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const IconMenuItem empty;
    const auto* pRecord = reinterpret_cast<const IconMenuItem*>(lpDrawItemStruct->itemData);
    const IconMenuItem& item = pRecord != nullptr ? *pRecord : empty;
    bool grayed = (lpDrawItemStruct->itemState & ODS_GRAYED) != 0;
    bool selected = !grayed && (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;
    bool checked = (lpDrawItemStruct->itemState & ODS_CHECKED) != 0;
    const FlatColors colors = ReadFlatColors();
    const ItemGeometry g = MeasureGeometry(lpDrawItemStruct->rcItem, m_imageWidth, m_imageHeight);
    const RECT& rc = g.item;
    int W = m_imageWidth;
    int H = m_imageHeight;

    CDC* pScreen = CDC::FromHandle(lpDrawItemStruct->hDC);
    // A disabled item is composed off screen and copied in one step.
    std::unique_ptr<COffscreenDC> offscreen = grayed ? std::make_unique<COffscreenDC>(pScreen, rc) : nullptr;
    CDC* pDC = offscreen != nullptr ? offscreen.get() : pScreen;

    if (item.IsSeparator()) {
        pDC->FillSolidRect(&rc, colors.background);
        RECT line = {rc.left + W + kTextMargin, rc.top + ((rc.bottom - rc.top) >> 1), rc.right, rc.bottom};
        pDC->DrawEdge(&line, EDGE_ETCHED, BF_TOP);
        pDC->FillSolidRect(&g.column, colors.column);
        return;
    }
    if (selected) {
        pDC->FillSolidRect(&rc, colors.selection);
        FrameSolid(pDC, rc, colors.frame);
    } else {
        pDC->FillSolidRect(&rc, colors.background);
        pDC->FillSolidRect(&g.column, colors.column);
    }
    int imageX = rc.left + kFlatImageLeft;
    int imageY = rc.top + g.offset + kImageTop;
    if (item.HasImage()) {
        if (grayed) {
            CBitmap bitmap;
            if (item.m_images != nullptr && RenderIconBitmap(pDC, item.m_images.get(), item.m_imageIndex, bitmap))
                DrawEmbossed(pDC, rc.left + kEmbossedLeft, imageY, W, H, bitmap, 0, 0, colors.column);
        } else {
            if (selected && checked) {
                RECT frame = {rc.left, rc.top, rc.left + W + kFrameMargin, rc.bottom};
                FrameSolid(pDC, frame, colors.frame);
            } else if (!selected && checked) {
                RECT cell = {rc.left + 1, rc.top, rc.left + W + kFrameMargin, colors.differ ? rc.bottom - 1 : rc.bottom};
                pDC->FillSolidRect(&cell, BlendTowardWhite(colors.frame, kCheckedTint));
                FrameSolid(pDC, cell, colors.frame);
            }
            DrawImage(pDC, item, imageX, imageY);
        }
    } else if (checked) {
        int top = rc.top + g.offset + kImageTop;
        RECT cell = {rc.left + kFlatCellLeft, top, rc.left + W + kFlatCellLeft, top + H + (colors.differ ? 1 : 0)};
        PaintCheckCellFlat(pDC, cell, IsRadioItem(*lpDrawItemStruct), colors.frame);
    }
    if (item.m_text.empty())
        return;
    ItemText text = SplitText(item.m_text);
    RECT textRect = g.text;
    if (text.hasAccelerator)
        textRect.right -= W;
    DrawItemText(pDC, text, textRect, grayed ? colors.grayText : AfxGetSysColor(COLOR_MENUTEXT));
}

void CIconMenu::DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const IconMenuItem empty;
    const auto* pRecord = reinterpret_cast<const IconMenuItem*>(lpDrawItemStruct->itemData);
    const IconMenuItem& item = pRecord != nullptr ? *pRecord : empty;
    bool grayed = (lpDrawItemStruct->itemState & ODS_GRAYED) != 0;
    bool selected = (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;
    bool checked = (lpDrawItemStruct->itemState & ODS_CHECKED) != 0;
    const ItemGeometry g = MeasureGeometry(lpDrawItemStruct->rcItem, m_imageWidth, m_imageHeight);
    const RECT& rc = g.item;
    int W = m_imageWidth;
    int H = m_imageHeight;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    COLORREF face = AfxGetSysColor(COLOR_BTNFACE);

    if (item.IsSeparator()) {
        pDC->FillSolidRect(&rc, face);
        RECT line = {rc.left, rc.top + ((rc.bottom - rc.top) >> 1), rc.right, rc.bottom};
        pDC->DrawEdge(&line, EDGE_ETCHED, BF_TOP);
        return;
    }
    COLORREF textColor = AfxGetSysColor(COLOR_MENUTEXT);
    if (!selected) {
        pDC->FillSolidRect(&rc, face);
    } else {
        RECT bar = rc;
        if (item.HasImage() || checked) {
            bar.left = rc.left + W + kColumnMargin;
            // The image cell keeps the face colour, whatever the item showed before.
            RECT cell = {rc.left, rc.top, bar.left, rc.bottom};
            pDC->FillSolidRect(&cell, face);
        }
        pDC->FillSolidRect(&bar, AfxGetSysColor(COLOR_HIGHLIGHT));
        textColor = AfxGetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    COLORREF light = AfxGetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = AfxGetSysColor(COLOR_BTNSHADOW);
    int imageX = rc.left + kRaisedImageLeft;
    int imageY = rc.top + g.offset + kImageTop;
    if (item.HasImage()) {
        if (grayed) {
            CBitmap bitmap;
            if (item.m_images != nullptr && RenderIconBitmap(pDC, item.m_images.get(), item.m_imageIndex, bitmap))
                DrawEmbossed(pDC, imageX, imageY, W, H, bitmap, 0, 0, face);
        } else {
            if (selected) {
                if (checked)
                    pDC->Draw3dRect(&g.imageFrame, shadow, light);
                else
                    pDC->Draw3dRect(&g.imageFrame, light, shadow);
            } else if (checked) {
                pDC->FillSolidRect(&g.imageBox, AfxGetSysColor(COLOR_3DLIGHT));
                pDC->Draw3dRect(&g.imageFrame, shadow, light);
            }
            DrawImage(pDC, item, imageX, imageY);
        }
    } else if (checked) {
        int top = rc.top + g.offset + kImageTop;
        RECT cell = {rc.left + kRaisedCellLeft, top, rc.left + W + kRaisedCellLeft, top + H};
        PaintCheckCell(pDC, cell, selected, IsRadioItem(*lpDrawItemStruct));
    }
    if (item.m_text.empty())
        return;
    ItemText text = SplitText(item.m_text);
    RECT textRect = g.text;
    if (text.hasAccelerator)
        textRect.right -= W;
    if (grayed && selected) {
        DrawItemText(pDC, text, textRect, face);
    } else if (grayed) {
        RECT embossed = textRect;
        ::OffsetRect(&embossed, 1, 1);
        DrawItemText(pDC, text, embossed, light);
        DrawItemText(pDC, text, textRect, AfxGetSysColor(COLOR_GRAYTEXT));
    } else {
        DrawItemText(pDC, text, textRect, textColor);
    }
}
