// The status bar at the bottom of a frame: panes given by indicator ids; pane 0 is the
// message pane that shows prompts and the idle message.
#pragma once
#include <string>
#include <vector>
#include "framework/ControlBar.h"

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    // One pane per id; ID_SEPARATOR panes share the free width, others fit their string.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    BOOL SetPaneText(int nIndex, const char* lpszNewText, BOOL bUpdate = TRUE);
    std::string GetPaneText(int nIndex) const;
    int GetCount() const { return static_cast<int>(m_indicators.size()); }
    UINT GetItemID(int nIndex) const;
    int CommandToIndex(UINT nIDFind) const;

    void LayoutInFrame(CRect& rectClient) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

    void OnSize(UINT nType, int cx, int cy);

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Recomputes the pane edges for the current width.
    void UpdateParts();

    std::vector<UINT> m_indicators;
    std::vector<int> m_fixedWidths;
};
