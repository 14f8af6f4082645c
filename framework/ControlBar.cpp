#include "framework/ControlBar.h"

#include "framework/FrameWnd.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CControlBar::~CControlBar()
{
    LeaveFrame();
}

void CControlBar::LeaveFrame()
{
    if (m_pFrame == nullptr)
        return;
    CFrameWnd* pFrame = m_pFrame;
    m_pFrame = nullptr;
    pFrame->RemoveControlBar(this);
    if (m_hWnd != nullptr)
        ShowWindow(SW_HIDE);
    pFrame->RecalcLayout();
}

void CControlBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {}

int CControlBar::CalcFixedHeight() const
{
    CRect rect;
    GetWindowRect(&rect);
    return rect.Height();
}

void CControlBar::LayoutInFrame(CRect& rectClient)
{
    int height = CalcFixedHeight();
    if ((m_dwStyle & CBRS_ALIGN_BOTTOM) != 0) {
        MoveWindow(rectClient.left, rectClient.bottom - height, rectClient.Width(), height);
        rectClient.bottom -= height;
    } else {
        MoveWindow(rectClient.left, rectClient.top, rectClient.Width(), height);
        rectClient.top += height;
    }
    if (rectClient.bottom < rectClient.top)
        rectClient.bottom = rectClient.top;
}

void CControlBar::RegisterWithFrame()
{
    CWnd* pParent = CWnd::FromHandlePermanent(::GetParent(m_hWnd));
    if (pParent != nullptr && pParent->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        m_pFrame = static_cast<CFrameWnd*>(pParent);
        m_pFrame->AddControlBar(this);
    }
}

void CControlBar::RelayoutFrame()
{
    if (m_pFrame != nullptr && m_pFrame->m_hWnd != nullptr)
        m_pFrame->RecalcLayout();
}

void CControlBar::OnDestroy()
{
    LeaveFrame();
    CWnd::OnDestroy();
}
