// The tab row as the user sees it: colours, bold caption, separator lines, and the
// traces its painting writes.
#include "controls/PaneColors.h"
#include "tests/funcview/FunctionViewFixture.h"

#include "controls/CustomTabCtrl.h"

namespace {

// Screen pixels of a window's client area.
class CClientPixels {
public:
    explicit CClientPixels(HWND hWnd) : m_hWnd(hWnd), m_dc(::GetDC(hWnd)) {}
    ~CClientPixels() { ::ReleaseDC(m_hWnd, m_dc); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    HWND m_hWnd;
    HDC m_dc;
};

// Colours that are not the two fill colours in a column of a tab, between two rows.
int CountInkPixels(const CClientPixels& pixels, int x, int top, int bottom, COLORREF fill)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        ink += pixels.At(x, y) != fill ? 1 : 0;
    return ink;
}

// Width of a tab's right-aligned caption: from its leftmost inked column to the tab's
// right edge (the line columns at that edge are left out).
int CaptionExtent(const CClientPixels& pixels, const CRect& rect, COLORREF fill)
{
    const int fillLevel = GetRValue(fill) + GetGValue(fill) + GetBValue(fill);
    for (int x = rect.left; x < rect.right - 2; ++x) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            const COLORREF c = pixels.At(x, y);
            if (fillLevel - (GetRValue(c) + GetGValue(c) + GetBValue(c)) > 150)
                return rect.right - x;
        }
    }
    return 0;
}

} // namespace

class LookingAtTheTabRow : public FunctionViewTest {
protected:
    void ShowTabs(int current)
    {
        m_vga = ReadFunction(kVga.bus, kVga.device, kVga.function);
        // Tabs "Configuration Space", "BAR 0", "BAR 2", "Capabilities", "Hex".
        m_vga->m_image[pci::kBar0Offset + 4] = 0;
        m_vga->m_image[pci::kBar0Offset + 5] = 0;
        Select(m_vga);
        if (current != 0) {
            Answer({IDYES});
            ClickTab(current);
        }
        m_trace.Clear();
        m_view->GetTabCtrl().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        CTestSeams::PumpUntilIdle();
    }
    CRect TabRect(int index)
    {
        CRect rect;
        m_view->GetTabCtrl().GetItemRect(index, &rect);
        return rect;
    }

    CPciFunction* m_vga = nullptr;
};

TEST_F(LookingAtTheTabRow, CurrentTabIsGreyAndBoldWithABlackLineOnItsRight)
{
    ShowTabs(1);
    ASSERT_EQ((std::vector<std::string>{"Configuration Space", "BAR 0", "BAR 2", "Capabilities", "Hex"}), TabTexts());
    // Wine's tab rectangles may carry one pixel of overlap.
    EXPECT_NEAR(125, TabRect(0).Width(), 1);
    EXPECT_NEAR(18, TabRect(0).Height(), 1);
    CClientPixels pixels(m_view->GetTabCtrl().m_hWnd);
    const CRect config = TabRect(0), bar0 = TabRect(1), bar2 = TabRect(2);

    EXPECT_EQ(kCurrentTabColor, pixels.At(bar0.left + 2, bar0.top + 1));
    EXPECT_EQ(kPaneBackgroundColor, pixels.At(config.left + 2, config.top + 1));
    EXPECT_EQ(kPaneBackgroundColor, pixels.At(bar2.left + 2, bar2.top + 1));
    EXPECT_EQ(CCustomTabCtrl::kCurrentLineColor, pixels.At(bar0.right - 1, bar0.top + 1));
    EXPECT_EQ(CCustomTabCtrl::kCurrentLineColor, pixels.At(bar0.right - 1, bar0.bottom - 1));
    EXPECT_EQ(CCustomTabCtrl::kSeparatorColor, pixels.At(bar2.right - 1, bar2.top + 2));
    EXPECT_EQ(kPaneBackgroundColor, pixels.At(bar2.right - 1, bar2.top + 1)) << "grey lines are short";
    // No line left of "BAR 2": the black line of "BAR 0" stands there.
    EXPECT_EQ(0, CountInkPixels(pixels, bar2.left, bar2.top, bar2.bottom, kPaneBackgroundColor));

    // The band under the row.
    CRect client;
    m_view->GetTabCtrl().GetClientRect(&client);
    EXPECT_EQ(kCurrentTabColor, pixels.At(client.right - 3, client.bottom - 1));

    EXPECT_EQ("Drawing black line to the right (1)\r\n"
              "Drawing gray line to the left (3)\r\n"
              "Drawing gray line to the left (4)\r\n"
              "Drawing gray line to the right (4)\r\n",
              m_trace.Text());
}

TEST_F(LookingAtTheTabRow, BoldCaptionOnlyOnTheCurrentTab)
{
    ShowTabs(1);
    CClientPixels pixels(m_view->GetTabCtrl().m_hWnd);
    // "BAR 0" and "BAR 2" have captions of equal width in the regular face; the bold face
    // is wider.
    const int current = CaptionExtent(pixels, TabRect(1), kCurrentTabColor);
    const int other = CaptionExtent(pixels, TabRect(2), kPaneBackgroundColor);
    EXPECT_GT(other, 0);
    EXPECT_GT(current, other) << "current " << current << ", other " << other;
}

TEST_F(LookingAtTheTabRow, OnlyTabIsClosedByOneBlackLine)
{
    Select(nullptr);
    m_trace.Clear();
    m_view->GetTabCtrl().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ("Drawing black line to the right (0)\r\n", m_trace.Text());
}

TEST_F(LookingAtTheTabRow, SeparatorsBetweenTabsThatAreNotCurrent)
{
    ShowTabs(0);
    EXPECT_EQ("Drawing black line to the right (0)\r\n"
              "Drawing gray line to the left (2)\r\n"
              "Drawing gray line to the left (3)\r\n"
              "Drawing gray line to the left (4)\r\n"
              "Drawing gray line to the right (4)\r\n",
              m_trace.Text());
    EXPECT_EQ(nullptr, m_view->GetTabCtrl().GetTabData(7));
    EXPECT_EQ(static_cast<DWORD>(TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER),
              m_view->GetTabCtrl().GetStyle() & (TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER));
}
