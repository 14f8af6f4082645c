#include "framework/ToolBar.h"

#include <vector>
#include "framework/Afx.h"
#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
    ON_NOTIFY_REFLECT_EX(TBN_HOTITEMCHANGE, OnHotItemChange)
END_MESSAGE_MAP()

namespace {

// The layout of a TOOLBAR resource.
#pragma pack(push, 1)
struct ToolBarResource {
    WORD wVersion;
    WORD wWidth;
    WORD wHeight;
    WORD wItemCount;
    // WORD aItems[wItemCount] follows.
};
#pragma pack(pop)

constexpr WORD kToolBarResourceType = 241;
// Room around the image inside a button.
constexpr int kButtonMarginX = 7;
constexpr int kButtonMarginY = 7;
// Space below the buttons for the bar's bottom border.
constexpr int kBottomBorder = 2;

// Enables and checks one toolbar button.
class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        m_bEnabled = bOn;
        auto* pBar = static_cast<CToolBar*>(m_pOther);
        UINT state = pBar->GetButtonState(static_cast<int>(m_nIndex));
        bool enabled = (state & TBSTATE_ENABLED) != 0;
        if (enabled != (bOn != FALSE))
            pBar->SendMessage(TB_ENABLEBUTTON, m_nID, MAKELONG(bOn ? TRUE : FALSE, 0));
    }
    void SetCheck(int nCheck) override
    {
        auto* pBar = static_cast<CToolBar*>(m_pOther);
        UINT state = pBar->GetButtonState(static_cast<int>(m_nIndex));
        bool checked = (state & TBSTATE_CHECKED) != 0;
        if (checked != (nCheck != 0))
            pBar->SendMessage(TB_CHECKBUTTON, m_nID, MAKELONG(nCheck != 0 ? TRUE : FALSE, 0));
    }
    void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
    void SetText(const char*) override {}
};

} // namespace

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, CRect(0, 0, 0, 0), nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect, UINT nID)
{
    m_dwStyle = dwStyle & CBRS_ALL;
    // The bar style bits overlap control styles: only the window part goes to the window.
    DWORD windowStyle = (dwStyle & ~static_cast<DWORD>(CBRS_ALL)) | dwCtrlStyle | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                        CCS_NOPARENTALIGN | CCS_NODIVIDER;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, nullptr, windowStyle, CRect(0, 0, 0, 0), pParentWnd, nID))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    RegisterWithFrame();
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT nIDResource)
{
    return LoadToolBar(MAKEINTRESOURCEA(nIDResource));
}

BOOL CToolBar::LoadToolBar(LPCSTR lpszResourceName)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hToolBar = ::FindResourceA(hInst, lpszResourceName, MAKEINTRESOURCEA(kToolBarResourceType));
    HRSRC hBitmap = ::FindResourceA(hInst, lpszResourceName, reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (hToolBar == nullptr || hBitmap == nullptr)
        return FALSE;
    HGLOBAL hGlobal = ::LoadResource(hInst, hToolBar);
    auto* pData = static_cast<const ToolBarResource*>(::LockResource(hGlobal));
    DWORD size = ::SizeofResource(hInst, hToolBar);
    if (pData == nullptr || size < sizeof(ToolBarResource) || pData->wVersion != 1 ||
        size < sizeof(ToolBarResource) + pData->wItemCount * sizeof(WORD))
        return FALSE;
    const auto* pItems = reinterpret_cast<const WORD*>(pData + 1);
    std::vector<UINT> ids(pItems, pItems + pData->wItemCount);
    HBITMAP hbm = AfxLoadSysColorBitmap(hInst, hBitmap);
    if (hbm == nullptr)
        return FALSE;
    SIZE image = {pData->wWidth, pData->wHeight};
    SIZE button = {image.cx + kButtonMarginX, image.cy + kButtonMarginY};
    SetSizes(button, image);
    if (!SetBitmap(hbm))
        return FALSE;
    return SetButtons(ids.data(), static_cast<int>(ids.size()));
}

BOOL CToolBar::SetBitmap(HBITMAP hbmImageWell)
{
    m_bitmap.DeleteObject();
    m_bitmap.Attach(hbmImageWell);
    BITMAP info = {};
    m_bitmap.GetBitmap(&info);
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(hbmImageWell)};
    int images = m_sizeImage.cx > 0 ? info.bmWidth / m_sizeImage.cx : 0;
    return SendMessage(TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&add)) != -1;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount)
{
    while (GetCount() > 0)
        SendMessage(TB_DELETEBUTTON, 0);
    std::vector<TBBUTTON> buttons(static_cast<size_t>(nIDCount));
    int image = 0;
    for (int i = 0; i < nIDCount; ++i) {
        TBBUTTON& button = buttons[static_cast<size_t>(i)];
        button.idCommand = static_cast<int>(lpIDArray[i]);
        if (lpIDArray[i] == ID_SEPARATOR) {
            button.fsStyle = TBSTYLE_SEP;
        } else {
            button.iBitmap = image++;
            button.fsStyle = TBSTYLE_BUTTON;
            button.fsState = TBSTATE_ENABLED;
        }
        button.iString = -1;
    }
    BOOL added = nIDCount == 0 ||
                 SendMessage(TB_ADDBUTTONSA, static_cast<WPARAM>(nIDCount), reinterpret_cast<LPARAM>(buttons.data()));
    RelayoutFrame();
    return added;
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage)
{
    m_sizeImage = sizeImage;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(sizeImage.cx, sizeImage.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELONG(sizeButton.cx, sizeButton.cy));
    RelayoutFrame();
    Invalidate();
}

BOOL CToolBar::SetButtonText(int nIndex, const char* lpszText)
{
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = const_cast<char*>(lpszText);
    BOOL set = static_cast<BOOL>(SendMessage(TB_SETBUTTONINFOA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&info)));
    RelayoutFrame();
    return set;
}

std::string CToolBar::GetButtonText(int nIndex) const
{
    char buffer[256] = {};
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = buffer;
    info.cchText = sizeof(buffer);
    if (SendMessage(TB_GETBUTTONINFOA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&info)) == -1)
        return std::string();
    return buffer;
}

void CToolBar::SetBarStyle(DWORD dwStyle)
{
    CControlBar::SetBarStyle(dwStyle);
    RelayoutFrame();
}

int CToolBar::GetCount() const
{
    return static_cast<int>(SendMessage(TB_BUTTONCOUNT));
}

UINT CToolBar::GetItemID(int nIndex) const
{
    TBBUTTON button = {};
    SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button));
    return static_cast<UINT>(button.idCommand);
}

int CToolBar::CommandToIndex(UINT nIDFind) const
{
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (GetItemID(i) == nIDFind)
            return i;
    }
    return -1;
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

void CToolBar::GetButtonInfo(int nIndex, UINT& nID, UINT& nStyle, int& iImage) const
{
    TBBUTTON button = {};
    SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button));
    nID = static_cast<UINT>(button.idCommand);
    nStyle = button.fsStyle;
    iImage = button.iBitmap;
}

UINT CToolBar::GetButtonStyle(int nIndex) const
{
    TBBUTTON button = {};
    SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button));
    return button.fsStyle;
}

UINT CToolBar::GetButtonState(int nIndex) const
{
    TBBUTTON button = {};
    SendMessage(TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button));
    return button.fsState;
}

int CToolBar::CalcFixedHeight() const
{
    int bottom = 0;
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        CRect rect;
        GetItemRect(i, &rect);
        if (rect.bottom > bottom)
            bottom = rect.bottom;
    }
    if (bottom == 0)
        bottom = HIWORD(SendMessage(TB_GETBUTTONSIZE));
    return bottom + ((m_dwStyle & CBRS_BORDER_BOTTOM) != 0 ? kBottomBorder : 0);
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CToolCmdUI state;
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(GetCount());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        int index = static_cast<int>(state.m_nIndex);
        if ((GetButtonStyle(index) & TBSTYLE_SEP) != 0)
            continue;
        state.m_nID = GetItemID(index);
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

BOOL CToolBar::OnHotItemChange(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* pHot = reinterpret_cast<NMTBHOTITEM*>(pNMHDR);
    *pResult = 0;
    if ((m_dwStyle & CBRS_FLYBY) == 0 || m_pFrame == nullptr)
        return FALSE;
    if ((pHot->dwFlags & HICF_LEAVING) != 0 || pHot->idNew == 0)
        m_pFrame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    else
        m_pFrame->SetMessageText(static_cast<UINT>(pHot->idNew));
    return FALSE;
}
