// A static control that behaves like a hyperlink: underlined text in link colours, its own
// cursor, a tooltip with the address, and a click that opens the address in the web browser.
#pragma once
#include <string>

#include "framework/Font.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"

class CLinkLabel : public CStatic {
    DECLARE_DYNAMIC(CLinkLabel)
public:
    // The longest command line, terminator included, that the registry fallback builds.
    static constexpr size_t kCommandBufferSize = 520;
    // The longest default value that is read from a class key, terminator included.
    static constexpr DWORD kClassValueSize = 260;
    static constexpr COLORREF kUnvisitedColor = RGB(0, 0, 238);
    static constexpr COLORREF kVisitedColor = RGB(85, 26, 139);
    static constexpr UINT_PTR kTipToolId = 1;
    static constexpr WORD kLinkCursorId = 106;

    CLinkLabel();
    ~CLinkLabel() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Opens an address through the shell, else through the command that the registry holds
    // for HTML files. Returns the shell's or WinExec's code: greater than 32 means success.
    static int OpenTarget(const std::string& target, int nShowCmd);
    // Reads the default value of a sub-key of hRootKey into value. Returns the registry error;
    // on failure value is left as it was.
    static LONG ReadClassKey(HKEY hRootKey, const std::string& subKey, std::string& value);
    // Tells the user why an open failed, by the shell's or WinExec's code.
    static void ShowOpenError(int nError);
    // The text that ShowOpenError shows for a code.
    static std::string OpenErrorText(int nError);

    const std::string& GetTarget() const { return m_target; }
    BOOL IsHovering() const { return m_isHovering; }
    BOOL IsVisited() const { return m_isVisited; }
    HCURSOR GetLinkCursor() const { return m_linkCursor; }
    CToolTipCtrl& GetToolTip() { return m_tip; }

protected:
    void PreSubclassWindow() override;
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnMouseMove(UINT nFlags, CPoint point);
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);
    void OnLabelClicked();

    DECLARE_MESSAGE_MAP()

private:
    // Gives the control an underlined copy of its font.
    void CreateLinkFont();
    // Shrinks or moves the control so that it covers exactly its text, keeping its alignment.
    void FitToText();
    // Borrows the pointing-hand cursor of the system help program, when there is one.
    void LoadLinkCursor();
    void CreateToolTip();

    COLORREF m_unvisitedColor = kUnvisitedColor;
    COLORREF m_visitedColor = kVisitedColor;
    COLORREF m_hoverColor;
    BOOL m_isHovering = FALSE;
    BOOL m_isVisited = FALSE;
    BOOL m_underlined = TRUE;
    BOOL m_fitToText = TRUE;
    std::string m_target;
    CFont m_linkFont;
    HCURSOR m_linkCursor = nullptr;
    CToolTipCtrl m_tip;
};
