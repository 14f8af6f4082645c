#include "framework/StatusBar.h"

#include "framework/Afx.h"
#include "framework/ClientDC.h"
#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
    ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {

// Room left and right of a fixed pane's text.
constexpr int kPaneMargin = 8;

// Shows an indicator pane's text only while its update handler enables it.
class CStatusCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        m_bEnabled = bOn;
        auto* pBar = static_cast<CStatusBar*>(m_pOther);
        std::string text;
        if (bOn)
            AfxLoadString(m_nID, text);
        if (pBar->GetPaneText(static_cast<int>(m_nIndex)) != text)
            pBar->SetPaneText(static_cast<int>(m_nIndex), text.c_str());
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(const char* lpszText) override
    {
        static_cast<CStatusBar*>(m_pOther)->SetPaneText(static_cast<int>(m_nIndex), lpszText);
    }
};

} // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    m_dwStyle = dwStyle & CBRS_ALL;
    DWORD windowStyle = dwStyle & ~static_cast<DWORD>(CBRS_ALL);
    if (pParentWnd != nullptr && (pParentWnd->GetStyle() & WS_THICKFRAME) != 0)
        windowStyle |= SBARS_SIZEGRIP;
    if (!CWnd::CreateEx(0, STATUSCLASSNAMEA, nullptr, windowStyle, CRect(0, 0, 0, 0), pParentWnd, nID))
        return FALSE;
    RegisterWithFrame();
    static const UINT kMessagePane = ID_SEPARATOR;
    return SetIndicators(&kMessagePane, 1);
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount)
{
    m_indicators.assign(lpIDArray, lpIDArray + nIDCount);
    m_fixedWidths.assign(static_cast<size_t>(nIDCount), 0);
    CClientDC dc(this);
    HGDIOBJ oldFont = ::SelectObject(dc.m_hDC, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    for (int i = 0; i < nIDCount; ++i) {
        if (lpIDArray[i] == ID_SEPARATOR)
            continue;
        std::string text;
        if (!AfxLoadString(lpIDArray[i], text)) {
            AfxTrace("CStatusBar::SetIndicators: no string for indicator %u\r\n", lpIDArray[i]);
            ::SelectObject(dc.m_hDC, oldFont);
            return FALSE;
        }
        m_fixedWidths[static_cast<size_t>(i)] = dc.GetTextExtent(text).cx + 2 * kPaneMargin;
    }
    ::SelectObject(dc.m_hDC, oldFont);
    UpdateParts();
    for (int i = 0; i < nIDCount; ++i) {
        std::string text;
        if (lpIDArray[i] != ID_SEPARATOR)
            AfxLoadString(lpIDArray[i], text);
        SetPaneText(i, text.c_str(), FALSE);
    }
    return TRUE;
}

void CStatusBar::UpdateParts()
{
    if (m_hWnd == nullptr || m_indicators.empty())
        return;
    CRect client;
    GetClientRect(&client);
    int fixed = 0;
    int stretchy = 0;
    for (size_t i = 0; i < m_indicators.size(); ++i) {
        if (m_indicators[i] == ID_SEPARATOR)
            ++stretchy;
        else
            fixed += m_fixedWidths[i];
    }
    int free = client.Width() - fixed;
    if (free < 0)
        free = 0;
    std::vector<int> edges(m_indicators.size());
    int right = 0;
    for (size_t i = 0; i < m_indicators.size(); ++i) {
        right += m_indicators[i] == ID_SEPARATOR ? free / stretchy : m_fixedWidths[i];
        edges[i] = right;
    }
    edges.back() = -1;
    SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

BOOL CStatusBar::SetPaneText(int nIndex, const char* lpszNewText, BOOL bUpdate)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return FALSE;
    BOOL set = static_cast<BOOL>(SendMessage(SB_SETTEXTA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszNewText)));
    if (bUpdate)
        UpdateWindow();
    return set;
}

std::string CStatusBar::GetPaneText(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return std::string();
    int length = LOWORD(SendMessage(SB_GETTEXTLENGTHA, static_cast<WPARAM>(nIndex)));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessage(SB_GETTEXTA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

UINT CStatusBar::GetItemID(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_indicators[static_cast<size_t>(nIndex)] : 0;
}

int CStatusBar::CommandToIndex(UINT nIDFind) const
{
    for (size_t i = 0; i < m_indicators.size(); ++i) {
        if (m_indicators[i] == nIDFind)
            return static_cast<int>(i);
    }
    return -1;
}

void CStatusBar::LayoutInFrame(CRect& rectClient)
{
    // The control places itself along the bottom of its parent at its natural height.
    SendMessage(WM_SIZE, 0, 0);
    CRect rect;
    GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<LPPOINT>(&rect), 2);
    if (rect.top < rectClient.bottom)
        rectClient.bottom = rect.top;
    if (rectClient.bottom < rectClient.top)
        rectClient.bottom = rectClient.top;
}

void CStatusBar::OnSize(UINT nType, int cx, int cy)
{
    CControlBar::OnSize(nType, cx, cy);
    UpdateParts();
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CStatusCmdUI state;
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(GetCount());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        state.m_nID = m_indicators[state.m_nIndex];
        if (state.m_nID != ID_SEPARATOR)
            state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}
