// A bar along an edge of a frame (toolbar, status bar). The bar keeps its CBRS_* style
// apart from the window style, takes its place when the frame lays itself out and runs
// the update handlers of its elements at idle time.
#pragma once
#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"

class CFrameWnd;

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    // A bar that goes while its frame stays gives its room back.
    ~CControlBar() override;

    DWORD GetBarStyle() const { return m_dwStyle; }
    virtual void SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle; }

    // Updates the bar's elements from the target's update handlers.
    virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler);
    // Places the bar at its edge of the rectangle and takes its room from it.
    virtual void LayoutInFrame(CRect& rectClient);
    // The height the bar needs at its current width.
    virtual int CalcFixedHeight() const;

    void OnDestroy();

protected:
    // Joins the frame that is the bar's parent (if any), for layout and idle updates.
    void RegisterWithFrame();
    // Asks the parent frame to lay itself out again.
    void RelayoutFrame();
    // Leaves the frame's list of bars and lets it lay itself out without the bar.
    void LeaveFrame();

    DWORD m_dwStyle = 0;
    CFrameWnd* m_pFrame = nullptr;

    DECLARE_MESSAGE_MAP()
};
