// The frame of the document/view program: its layout between the bars, what it erases, and
// the splitter bar dragged with the mouse.
#include <gtest/gtest.h>

#include "tests/framework/app/AppTest.h"

namespace {

TEST_F(AppTest, StartsWithTwoEqualPanesBetweenTheBars)
{
    EXPECT_EQ("Untitled - Framework Test", m_frame->GetWindowText());
    EXPECT_TRUE(m_frame->IsWindowVisible());
    EXPECT_EQ(1, m_frame->Tree()->m_initialUpdates);
    EXPECT_EQ(1, m_frame->Form()->m_initialUpdates);
    EXPECT_EQ(m_frame->GetActiveDocument(), m_frame->Tree()->GetDocument());

    int top = 0;
    int minimum = 0;
    m_frame->m_wndSplitter.GetRowInfo(0, top, minimum);
    EXPECT_GT(m_frame->m_initialHalf, 0);
    EXPECT_EQ(m_frame->m_initialHalf, top) << "the upper pane keeps half the first client height";

    CRect client;
    m_frame->GetClientRect(&client);
    CRect toolbar = ChildRect(m_frame->m_wndToolBar);
    CRect status = ChildRect(m_frame->m_wndStatusBar);
    CRect splitter = ChildRect(m_frame->m_wndSplitter);
    EXPECT_EQ(0, toolbar.top);
    EXPECT_GE(toolbar.Height(), 40) << "the buttons are 40 pixels high";
    EXPECT_EQ(toolbar.bottom, splitter.top);
    EXPECT_EQ(splitter.bottom, status.top);
    EXPECT_EQ(client.bottom, status.bottom);
    EXPECT_EQ(client.Width(), splitter.Width());
}

TEST_F(AppTest, FrameErasesAroundThePaneButNotUnderIt)
{
    // A flat toolbar asks the frame to paint under its buttons, so everything outside
    // the pane must be erased even while a view is active.
    CRect client;
    m_frame->GetClientRect(&client);
    CRect splitter = ChildRect(m_frame->m_wndSplitter);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.Width(), client.Height());
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const COLORREF marker = RGB(1, 2, 3);
    HBRUSH markerBrush = ::CreateSolidBrush(marker);
    RECT all = {0, 0, client.Width(), client.Height()};
    ::FillRect(memory, &all, markerBrush);
    ::DeleteObject(markerBrush);

    m_frame->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory));

    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), ::GetPixel(memory, client.right - 2, 1))
        << "right end of the toolbar row";
    EXPECT_EQ(marker, ::GetPixel(memory, splitter.CenterPoint().x, splitter.CenterPoint().y))
        << "under the pane nothing is erased";
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
}

TEST_F(AppTest, SplitterBarFollowsTheMouse)
{
    CSplitterWnd& splitter = m_frame->m_wndSplitter;
    int height = 0;
    int minimum = 0;
    splitter.GetRowInfo(0, height, minimum);
    int barY = height + CSplitterWnd::kSplitterSize / 2;
    splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, barY));
    splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, barY - 30));
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, barY - 30));
    int newHeight = 0;
    splitter.GetRowInfo(0, newHeight, minimum);
    EXPECT_EQ(height - 30, newHeight);
    CRect pane;
    m_frame->Tree()->GetWindowRect(&pane);
    EXPECT_EQ(height - 30, pane.Height());
    EXPECT_EQ(nullptr, ::GetCapture());
}

} // namespace
