// Pixels of the painting helpers and of items in the flat and the raised look, drawn into
// memory device contexts with the standard grey scheme installed as the system colours.
#include <gtest/gtest.h>

#include "tests/iconmenu/IconMenuTestIds.h"
#include "tests/iconmenu/IconMenuTestSupport.h"
#include "controls/iconmenu/IconMenuPainting.h"
#include "res/resource.h"

using namespace IconMenuTest;

namespace {

constexpr COLORREF kImageColor = RGB(200, 0, 0);
constexpr COLORREF kSentinel = RGB(1, 2, 3);
constexpr COLORREF kColumn = RGB(214, 214, 214);         // grey blended toward white by 0.35
constexpr COLORREF kSelection = RGB(218, 222, 232);      // highlight blended by 0.85
constexpr COLORREF kGrayText = RGB(197, 197, 197);       // grey text blended by 0.55
constexpr int kItemWidth = 150;

#define EXPECT_PIXEL(canvas, x, y, color) \
    EXPECT_EQ(Hex(color), Hex((canvas).At(x, y))) << "pixel (" << (x) << ", " << (y) << ")"

TEST(BlendTowardWhiteTest, MovesEachChannelTowardWhite)
{
    EXPECT_EQ(kGrey, BlendTowardWhite(kGrey, 0.0));
    EXPECT_EQ(kGrey, BlendTowardWhite(kGrey, 1.5));
    EXPECT_EQ(kGrey, BlendTowardWhite(kGrey, -0.5));
    EXPECT_EQ(kWhite, BlendTowardWhite(RGB(10, 20, 30), 1.0));
    EXPECT_EQ(kColumn, BlendTowardWhite(kGrey, 0.35));
    EXPECT_EQ(kSelection, BlendTowardWhite(kHighlight, 0.85));
}

TEST(PaintHelpersTest, TickHasSevenColumnsOfThreePixels)
{
    CCanvas canvas(12, 12, kWhite);
    PaintTick(&canvas.Dc(), 0, 0, kBlack);
    EXPECT_EQ(21, canvas.Count({0, 0, 12, 12}, kBlack));
    const int tops[] = {2, 3, 4, 3, 2, 1, 0};
    for (int x = 0; x < 7; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(3, canvas.Count({x, 0, x + 1, 12}, kBlack));
        EXPECT_PIXEL(canvas, x, tops[x], kBlack);
        EXPECT_PIXEL(canvas, x, tops[x] + 2, kBlack);
    }
}

TEST(PaintHelpersTest, BulletIsAFilledDot)
{
    CCanvas canvas(12, 12, kWhite);
    PaintBullet(&canvas.Dc(), 2, 3, kBlack);
    EXPECT_PIXEL(canvas, 4, 5, kBlack);
    EXPECT_PIXEL(canvas, 5, 6, kBlack);
    EXPECT_EQ(0, canvas.Count({0, 0, 12, 3}, kBlack)) << "nothing above the dot";
    EXPECT_EQ(0, canvas.Count({8, 0, 12, 12}, kBlack)) << "nothing right of the dot";
}

TEST(PaintHelpersTest, OffscreenContextDrawsWithTheTargetsCoordinates)
{
    CCanvas target(200, 200, kWhite);
    RECT area = {40, 100, 60, 120};
    {
        COffscreenDC offscreen(&target.Dc(), area);
        offscreen.FillSolidRect(&area, kGrey);
        offscreen.SetPixel(40, 100, kImageColor);
        offscreen.SetPixel(59, 119, kBlack);
        EXPECT_PIXEL(target, 40, 100, kWhite) << "nothing reaches the target before the end";
    }
    EXPECT_PIXEL(target, 40, 100, kImageColor);
    EXPECT_PIXEL(target, 59, 119, kBlack);
    EXPECT_PIXEL(target, 50, 110, kGrey);
    EXPECT_PIXEL(target, 39, 100, kWhite);
    EXPECT_PIXEL(target, 60, 119, kWhite);
    EXPECT_PIXEL(target, 40, 120, kWhite);
}

// ---- Items ----

class IconMenuPaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, MainFrame());
        UseGreyScheme();
        ASSERT_TRUE(m_menu.CreatePopupMenu());
        m_menu.AppendIconItem(L"&Refresh!", 0, ID_OPTIONS_REFRESH);
        m_menu.AppendIconItem(L"", 0, 0);
        m_menu.AppendIconItem(L"Plain\tCtrl+P", 0, ID_TEST_PLAIN);
        // A solid image, so that its place shows exactly.
        ASSERT_TRUE(m_images.Create(16, 15, ILC_COLORDDB | ILC_MASK, 1, 1));
        CCanvas source(16, 15, kImageColor);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&source.Dc(), 16, 15);
        {
            CDC copy;
            copy.CreateCompatibleDC(&source.Dc());
            CDCSelection selection(copy, bitmap.GetSafeHandle());
            copy.BitBlt(0, 0, 16, 15, &source.Dc(), 0, 0, SRCCOPY);
        }
        ASSERT_GE(ImageList_AddMasked(m_images.m_hImageList, bitmap, kSentinel), 0);
        ASSERT_TRUE(m_menu.SetItemImage(ID_OPTIONS_REFRESH, &m_images, 0));
    }
    void TearDown() override { CTestSeams::Reset(); }

    enum Look { kFlat, kRaised };
    void Draw(CCanvas& canvas, int position, UINT state, int height, Look look)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_MENU;
        dis.itemID = m_menu.GetMenuItemID(position);
        dis.itemState = state;
        dis.hwndItem = reinterpret_cast<HWND>(m_menu.m_hMenu);
        dis.hDC = canvas.Dc().m_hDC;
        dis.rcItem = {0, 0, kItemWidth, height};
        dis.itemData = reinterpret_cast<ULONG_PTR>(m_menu.GetItem(position));
        if (look == kFlat)
            m_menu.DrawItemFlat(&dis);
        else
            m_menu.DrawItemClassic(&dis);
    }
    // The top row of the solid image.
    static int ImageTop(CCanvas& canvas, int x)
    {
        for (int y = 0; y < 30; ++y)
            if (canvas.At(x, y) == kImageColor)
                return y;
        return -1;
    }

    CIconMenu m_menu;
    CImageList m_images;
};

TEST_F(IconMenuPaintTest, ImageSitsTwoPixelsBelowTheOffsetInBothLooks)
{
    struct Case {
        int height;
        int top;
    } cases[] = {{19, 2}, {24, 4}, {10, 2}};
    for (Look look : {kFlat, kRaised}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (look == kFlat ? "flat" : "raised") << ", height " << c.height);
            CCanvas canvas(kItemWidth, 30, kSentinel);
            Draw(canvas, 0, 0, c.height, look);
            int left = look == kFlat ? 3 : 2;
            EXPECT_EQ(c.top, ImageTop(canvas, left));
            EXPECT_NE(Hex(kImageColor), Hex(canvas.At(left - 1, c.top)));
            EXPECT_PIXEL(canvas, left + 15, c.top + 14, kImageColor);
            EXPECT_NE(Hex(kImageColor), Hex(canvas.At(left + 16, c.top)));
        }
    }
}

TEST_F(IconMenuPaintTest, FlatLookOnTheGreySchemeHasAWhiteBackgroundAndAPaleColumn)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 2, 0, 19, kFlat);
    EXPECT_PIXEL(canvas, 0, 0, kColumn);
    EXPECT_PIXEL(canvas, 20, 18, kColumn);
    EXPECT_PIXEL(canvas, 21, 0, kWhite);
    EXPECT_PIXEL(canvas, kItemWidth - 1, 18, kWhite);
    EXPECT_GT(canvas.Count({25, 0, kItemWidth, 19}, kBlack), 0) << "text in the menu text colour";
}

TEST_F(IconMenuPaintTest, FlatSelectionIsAPaleTintFramedInTheHighlightColour)
{
    CCanvas plain(kItemWidth, 19, kSentinel);
    Draw(plain, 0, 0, 19, kFlat);
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 0, ODS_SELECTED, 19, kFlat);
    EXPECT_PIXEL(canvas, 0, 0, kHighlight);
    EXPECT_PIXEL(canvas, kItemWidth - 1, 18, kHighlight);
    EXPECT_PIXEL(canvas, 1, 1, kSelection);
    EXPECT_PIXEL(canvas, 1, 17, kSelection);
    EXPECT_PIXEL(canvas, 30, 1, kSelection);
    EXPECT_EQ(ImageTop(plain, 3), ImageTop(canvas, 3)) << "the image does not move";
    EXPECT_GT(canvas.Count({25, 1, kItemWidth - 1, 18}, kBlack), 0) << "the text stays in the menu text colour";
    EXPECT_EQ(0, canvas.Count({25, 1, kItemWidth - 1, 18}, kWhite));
}

TEST_F(IconMenuPaintTest, FlatCheckedItemWithoutImageShowsATickInAPaleSquare)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 2, ODS_CHECKED, 19, kFlat);
    // The cell is (2, 2, 18, 17): framed in the highlight colour, filled with its tint.
    EXPECT_PIXEL(canvas, 2, 2, kHighlight);
    EXPECT_PIXEL(canvas, 17, 16, kHighlight);
    EXPECT_PIXEL(canvas, 3, 3, kSelection);
    EXPECT_PIXEL(canvas, 1, 2, kColumn);
    // The tick's left column is 7 pixels in, 4 below the cell's top plus its own 2.
    EXPECT_PIXEL(canvas, 7, 8, kBlack);
    EXPECT_PIXEL(canvas, 7, 10, kBlack);
    EXPECT_PIXEL(canvas, 6, 8, kSelection);
    EXPECT_PIXEL(canvas, 13, 6, kBlack);
    EXPECT_EQ(21, canvas.Count({3, 3, 17, 16}, kBlack));
}

TEST_F(IconMenuPaintTest, FlatCheckedItemWithImageIsFramed)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 0, ODS_CHECKED, 19, kFlat);
    EXPECT_PIXEL(canvas, 1, 0, kHighlight);
    EXPECT_PIXEL(canvas, 19, 18, kHighlight);
    EXPECT_PIXEL(canvas, 2, 1, kSelection);
    EXPECT_PIXEL(canvas, 0, 0, kColumn);
    EXPECT_PIXEL(canvas, 3, 2, kImageColor);
}

TEST_F(IconMenuPaintTest, FlatDisabledItemIsEmbossedAndNeverHighlighted)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 0, ODS_GRAYED | ODS_SELECTED, 19, kFlat);
    EXPECT_PIXEL(canvas, 0, 0, kColumn) << "no selection on a disabled item";
    EXPECT_PIXEL(canvas, 30, 1, kWhite);
    // The image's shape in the shadow colour at (2, 2), its highlight edge one pixel off.
    EXPECT_PIXEL(canvas, 2, 2, kShadow);
    EXPECT_PIXEL(canvas, 17, 16, kShadow);
    EXPECT_PIXEL(canvas, 18, 10, kWhite);
    EXPECT_PIXEL(canvas, 10, 17, kWhite);
    EXPECT_EQ(0, canvas.Count({0, 0, kItemWidth, 19}, kImageColor));
    EXPECT_GT(canvas.Count({25, 0, kItemWidth, 19}, kGrayText), 0) << "text in the pale grey text colour";
    EXPECT_EQ(0, canvas.Count({25, 0, kItemWidth, 19}, kBlack));
}

TEST_F(IconMenuPaintTest, FlatSeparatorKeepsTheColumnAndStartsItsLineAfterIt)
{
    CCanvas canvas(kItemWidth, 10, kSentinel);
    Draw(canvas, 1, 0, 10, kFlat);
    for (int y = 0; y < 10; ++y)
        EXPECT_PIXEL(canvas, 20, y, kColumn);
    EXPECT_PIXEL(canvas, 24, 5, kWhite);
    EXPECT_NE(Hex(kWhite), Hex(canvas.At(25, 5))) << "the etched line starts 25 pixels in";
    EXPECT_NE(Hex(kWhite), Hex(canvas.At(kItemWidth - 1, 5)));
    EXPECT_PIXEL(canvas, 25, 2, kWhite);
}

TEST_F(IconMenuPaintTest, RaisedSelectionBarStartsAfterTheImageWhichGetsARaisedBorder)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 0, ODS_SELECTED, 19, kRaised);
    EXPECT_PIXEL(canvas, 20, 5, kGrey);
    EXPECT_PIXEL(canvas, 21, 5, kHighlight);
    EXPECT_PIXEL(canvas, kItemWidth - 1, 18, kHighlight);
    EXPECT_PIXEL(canvas, 0, 0, kWhite);
    EXPECT_PIXEL(canvas, 0, 17, kWhite);
    EXPECT_PIXEL(canvas, 19, 18, kShadow);
    EXPECT_PIXEL(canvas, 19, 1, kShadow);
    EXPECT_PIXEL(canvas, 2, 2, kImageColor);
    EXPECT_GT(canvas.Count({25, 0, kItemWidth, 19}, kWhite), 0) << "highlight text";

    CCanvas noImage(kItemWidth, 19, kSentinel);
    Draw(noImage, 2, ODS_SELECTED, 19, kRaised);
    EXPECT_PIXEL(noImage, 0, 0, kHighlight) << "a bar over the whole item without image or check";

    CCanvas pressed(kItemWidth, 19, kSentinel);
    Draw(pressed, 0, ODS_CHECKED, 19, kRaised);
    EXPECT_PIXEL(pressed, 0, 0, kShadow);
    EXPECT_PIXEL(pressed, 19, 18, kWhite);
    EXPECT_PIXEL(pressed, 1, 1, kLight);
}

TEST_F(IconMenuPaintTest, RaisedDisabledTextIsEngraved)
{
    CCanvas canvas(kItemWidth, 19, kSentinel);
    Draw(canvas, 2, ODS_GRAYED, 19, kRaised);
    EXPECT_PIXEL(canvas, 0, 0, kGrey);
    EXPECT_GT(canvas.Count({25, 0, kItemWidth, 19}, kShadow), 0);
    EXPECT_GT(canvas.Count({25, 0, kItemWidth, 19}, kWhite), 0);
    EXPECT_EQ(0, canvas.Count({25, 0, kItemWidth, 19}, kBlack));
}

TEST_F(IconMenuPaintTest, EmbossingAnImageOfButtonFaceLeavesAPlainBlock)
{
    CCanvas canvas(30, 30, kSentinel);
    CCanvas source(16, 15, kGrey);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&source.Dc(), 16, 15);
    {
        CDC copy;
        copy.CreateCompatibleDC(&source.Dc());
        CDCSelection selection(copy, bitmap.GetSafeHandle());
        copy.BitBlt(0, 0, 16, 15, &source.Dc(), 0, 0, SRCCOPY);
    }
    m_menu.DrawEmbossed(&canvas.Dc(), 2, 3, 16, 15, bitmap, 0, 0, kColumn);
    // The highlight copy one pixel down and right shows along the right column and bottom row.
    EXPECT_EQ(16 * 15 + 15 + 15, canvas.Count({0, 0, 30, 30}, kColumn));
    EXPECT_EQ(16 * 15, canvas.Count({2, 3, 18, 18}, kColumn));
}

TEST_F(IconMenuPaintTest, DrawItemUsesTheFlatLookOnATrueColourContext)
{
    CCanvas flat(kItemWidth, 19, kSentinel);
    Draw(flat, 0, ODS_SELECTED, 19, kFlat);
    CCanvas chosen(kItemWidth, 19, kSentinel);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_MENU;
    dis.itemID = ID_OPTIONS_REFRESH;
    dis.itemState = ODS_SELECTED;
    dis.hwndItem = reinterpret_cast<HWND>(m_menu.m_hMenu);
    dis.hDC = chosen.Dc().m_hDC;
    dis.rcItem = {0, 0, kItemWidth, 19};
    dis.itemData = reinterpret_cast<ULONG_PTR>(m_menu.GetItem(0));
    ASSERT_EQ(0, chosen.Dc().GetDeviceCaps(RASTERCAPS) & RC_PALETTE);
    m_menu.DrawItem(&dis);
    EXPECT_EQ(flat.Count({0, 0, kItemWidth, 19}, kSelection), chosen.Count({0, 0, kItemWidth, 19}, kSelection));
    EXPECT_PIXEL(chosen, 0, 0, kHighlight);
}

} // namespace
