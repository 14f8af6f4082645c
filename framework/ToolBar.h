// A toolbar loaded from a TOOLBAR resource and the bitmap of the same id. Buttons are
// enabled and checked by their commands' update handlers at idle time; with CBRS_TOOLTIPS
// they show the second line of their command's string as tooltip, and with CBRS_FLYBY the
// first line in the status bar while the pointer is over them.
#pragma once
#include <string>
#include "framework/Bitmap.h"
#include "framework/ControlBar.h"

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT nID = AFX_IDW_TOOLBAR);
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                  UINT nID = AFX_IDW_TOOLBAR);
    BOOL LoadToolBar(UINT nIDResource);
    BOOL LoadToolBar(LPCSTR lpszResourceName);
    // Replaces the buttons: one per id, a separator for ID_SEPARATOR; images in order.
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    // Takes ownership of the bitmap that holds the button images.
    BOOL SetBitmap(HBITMAP hbmImageWell);
    void SetSizes(SIZE sizeButton, SIZE sizeImage);
    BOOL SetButtonText(int nIndex, const char* lpszText);
    std::string GetButtonText(int nIndex) const;
    void SetBarStyle(DWORD dwStyle) override;

    int GetCount() const;
    UINT GetItemID(int nIndex) const;
    int CommandToIndex(UINT nIDFind) const;
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    void GetButtonInfo(int nIndex, UINT& nID, UINT& nStyle, int& iImage) const;
    UINT GetButtonStyle(int nIndex) const;
    // State bits (TBSTATE_*) of a button.
    UINT GetButtonState(int nIndex) const;

    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    int CalcFixedHeight() const override;

    BOOL OnHotItemChange(NMHDR* pNMHDR, LRESULT* pResult);

protected:
    DECLARE_MESSAGE_MAP()

private:
    CBitmap m_bitmap;
    SIZE m_sizeImage = {16, 15};
};
