// Shared pieces of the icon menu tests: the application with a main frame that routes menu
// messages to its icon menu, a memory canvas for pixel checks and fixed system colours.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "controls/iconmenu/IconMenu.h"
#include "framework/Framework.h"

namespace IconMenuTest {

constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kHighlight = RGB(10, 36, 106);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kLight = RGB(223, 223, 223);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Installs the standard grey scheme (button face equal to the menu colour) in the seam.
void UseGreyScheme();

// The main window: a frame whose menu bar is an icon menu, routed as the program does.
class CMenuFrame : public CFrameWnd {
public:
    CIconMenu m_menu;
    std::vector<UINT> m_commands;
    int m_measured = 0;
    int m_menuChars = 0;

    bool m_refreshEnabled = true;
    std::string m_plainText = "Plain";

    HMENU BuildIconMenu(UINT nMenuId, UINT nToolBarId);

protected:
    void OnTestCommand(UINT nID);
    void OnUpdateRefresh(CCmdUI* pCmdUI);
    void OnUpdatePlain(CCmdUI* pCmdUI);
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    DECLARE_MESSAGE_MAP()
};

// The application and its frame, created once for the test program.
CMenuFrame* MainFrame();

// A true-colour memory device context filled with one colour.
class CCanvas {
public:
    CCanvas(int width, int height, COLORREF fill);
    ~CCanvas();
    CDC& Dc() { return m_dc; }
    COLORREF At(int x, int y) const { return m_dc.GetPixel(x, y); }
    int Count(const RECT& area, COLORREF color) const;

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

std::string Hex(COLORREF color);

} // namespace IconMenuTest
