#include "controls/LinkLabel.h"

#include <mbstring.h>
#include <shellapi.h>

#include <cstdio>

#include "framework/Afx.h"
#include "framework/ClientDC.h"

namespace {

constexpr char kOpenVerb[] = "open";
constexpr char kHtmlExtension[] = ".htm";
constexpr char kOpenCommandKey[] = "\\shell\\open\\command";
constexpr char kQuotedPlaceholder[] = "\"%1\"";
constexpr char kPlaceholder[] = "%1";
constexpr char kHelpProgram[] = "winhlp32.exe";
constexpr char kOpenErrorHeading[] = "Unable to open hyperlink:\n\n";
// Results of ShellExecuteA and WinExec above this value mean success.
constexpr INT_PTR kLastOpenError = 32;
constexpr UINT kHoverRedrawFlags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
// Out of memory or resources: the one code that shellapi.h gives no name.
constexpr int kOpenOutOfResources = 0;

// Finds needle in a command line read in the system's multi-byte code page.
const char* FindInCommand(const std::string& command, const char* needle)
{
    const unsigned char* found = _mbsstr(reinterpret_cast<const unsigned char*>(command.c_str()),
                                         reinterpret_cast<const unsigned char*>(needle));
    return reinterpret_cast<const char*>(found);
}

// Where the address goes in a registered command: at the opening quote of a quoted
// placeholder, else at a bare placeholder, else at the end.
size_t InsertionPoint(const std::string& command)
{
    const char* placeholder = FindInCommand(command, kQuotedPlaceholder);
    if (placeholder == nullptr)
        placeholder = FindInCommand(command, kPlaceholder);
    return placeholder != nullptr ? static_cast<size_t>(placeholder - command.c_str()) : command.size();
}

} // namespace

IMPLEMENT_DYNAMIC(CLinkLabel, CStatic)

BEGIN_MESSAGE_MAP(CLinkLabel, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, OnLabelClicked)
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
END_MESSAGE_MAP()

CLinkLabel::CLinkLabel() : m_hoverColor(AfxGetSysColor(COLOR_HIGHLIGHT)) {}

CLinkLabel::~CLinkLabel()
{
    if (m_linkCursor != nullptr)
        ::DestroyCursor(m_linkCursor);
}

void CLinkLabel::PreSubclassWindow()
{
    // Without SS_NOTIFY a static control lets clicks fall through to its parent.
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | SS_NOTIFY));
    if (m_target.empty())
        m_target = GetWindowText();
    if (GetWindowTextLength() == 0)
        SetWindowText(m_target);
    CreateLinkFont();
    FitToText();
    LoadLinkCursor();
    CreateToolTip();
    CStatic::PreSubclassWindow();
}

void CLinkLabel::CreateLinkFont()
{
    auto hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (hFont == nullptr)
        hFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTA logFont = {};
    if (::GetObjectA(hFont, sizeof logFont, &logFont) == 0)
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    logFont.lfUnderline = static_cast<BYTE>(m_underlined);
    m_linkFont.DeleteObject();
    if (m_linkFont.CreateFontIndirect(&logFont))
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.GetSafeHandle()), TRUE);
}

void CLinkLabel::CreateToolTip()
{
    if (!m_tip.Create(this, 0))
        return;
    // Not a subclassing tool: PreTranslateMessage relays the mouse messages itself.
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = m_hWnd;
    info.uId = kTipToolId;
    info.lpszText = const_cast<char*>(m_target.c_str());
    GetClientRect(&info.rect);
    m_tip.SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

BOOL CLinkLabel::PreTranslateMessage(MSG* pMsg)
{
    if (m_tip.m_hWnd != nullptr)
        m_tip.RelayEvent(pMsg);
    return CStatic::PreTranslateMessage(pMsg);
}

HBRUSH CLinkLabel::CtlColor(CDC* pDC, UINT /*nCtlColor*/)
{
    if (m_isHovering)
        pDC->SetTextColor(m_hoverColor);
    else if (m_isVisited)
        pDC->SetTextColor(m_visitedColor);
    else
        pDC->SetTextColor(m_unvisitedColor);
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CLinkLabel::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/)
{
    if (m_linkCursor == nullptr)
        return FALSE;
    ::SetCursor(m_linkCursor);
    return TRUE;
}

void CLinkLabel::OnMouseMove(UINT /*nFlags*/, CPoint point)
{
    Default();
    // The capture lets the label see the pointer leave it.
    if (m_isHovering) {
        CRect client;
        GetClientRect(&client);
        if (client.PtInRect(point))
            return;
        m_isHovering = FALSE;
        ::ReleaseCapture();
        RedrawWindow(nullptr, nullptr, kHoverRedrawFlags);
        return;
    }
    m_isHovering = TRUE;
    RedrawWindow(nullptr, nullptr, kHoverRedrawFlags);
    SetCapture();
}

// Another window took the mouse (a message box, a menu, the opened browser): the label can
// no longer see the pointer leave, so it stops hovering now instead of keeping the colour.
LRESULT CLinkLabel::OnCaptureChanged(WPARAM /*wParam*/, LPARAM lParam)
{
    if (m_isHovering && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_isHovering = FALSE;
        RedrawWindow(nullptr, nullptr, kHoverRedrawFlags);
    }
    return Default();
}

void CLinkLabel::OnLabelClicked()
{
    int result = OpenTarget(m_target, SW_SHOW);
    m_isVisited = result > kLastOpenError;
    if (!m_isVisited) {
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowOpenError(result);
    }
    // The colour follows the outcome either way, also when a failure ends a visited state.
    if (::IsWindow(m_hWnd))
        Invalidate(TRUE);
}

int CLinkLabel::OpenTarget(const std::string& target, int nShowCmd)
{
    HINSTANCE hShell = ::ShellExecuteA(nullptr, kOpenVerb, target.c_str(), nullptr, nullptr, nShowCmd);
    auto shellResult = reinterpret_cast<UINT_PTR>(hShell);
    auto result = static_cast<int>(shellResult);
    if (shellResult > static_cast<UINT_PTR>(kLastOpenError))
        return result;

    // The shell could not open it: run the command registered for HTML files instead.
    std::string className;
    if (ReadClassKey(HKEY_CLASSES_ROOT, kHtmlExtension, className) != ERROR_SUCCESS)
        return result;
    std::string command;
    if (ReadClassKey(HKEY_CLASSES_ROOT, className + kOpenCommandKey, command) != ERROR_SUCCESS)
        return result;
    // A class without a command (or an empty one) is no handler: running " address" would
    // only replace the shell's reason by a misleading one.
    if (command.empty())
        return result;

    command.resize(InsertionPoint(command));
    command += ' ';
    // The command line never grows past its fixed size: an address too long for it fails
    // the open with the shell's reason.
    if (command.size() + target.size() + 1 > kCommandBufferSize)
        return result;
    command += target;
    return static_cast<int>(::WinExec(command.c_str(), static_cast<UINT>(nShowCmd)));
}

LONG CLinkLabel::ReadClassKey(HKEY hRootKey, const std::string& subKey, std::string& value)
{
    HKEY hKey = nullptr;
    LONG error = ::RegOpenKeyExA(hRootKey, subKey.c_str(), 0, KEY_QUERY_VALUE, &hKey);
    if (error != ERROR_SUCCESS)
        return error;
    char buffer[kClassValueSize] = {};
    LONG size = sizeof buffer;
    error = ::RegQueryValueA(hKey, nullptr, buffer, &size);
    ::RegCloseKey(hKey);
    // A value longer than the buffer leaves the buffer undefined: nothing of it is used.
    if (error != ERROR_SUCCESS)
        return error;
    buffer[kClassValueSize - 1] = '\0';
    value = buffer;
    return ERROR_SUCCESS;
}

std::string CLinkLabel::OpenErrorText(int nError)
{
    switch (nError) {
    case kOpenOutOfResources:
        return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF:
        return "The specified file was not found.";
    case SE_ERR_PNF:
        return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED:
        return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM:
        return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE:
        return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE:
        return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL:
        return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case SE_ERR_NOASSOC:
        return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND:
        return "The specified dynamic-link library was not found.";
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", nError);
        return text;
    }
    }
}

void CLinkLabel::ShowOpenError(int nError)
{
    AfxMessageBox(kOpenErrorHeading + OpenErrorText(nError), MB_ICONEXCLAMATION | MB_OK);
}

void CLinkLabel::FitToText()
{
    if (m_hWnd == nullptr || !m_fitToText)
        return;
    CRect rect;
    GetWindowRect(&rect);
    if (HWND hParent = ::GetParent(m_hWnd))
        ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);

    CSize extent;
    {
        CClientDC dc(this);
        CDCSelection font(dc, m_linkFont.GetSafeHandle());
        extent = dc.GetTextExtent(GetWindowText());
    }

    const DWORD style = GetStyle();
    // Centred sides move by half the difference; the far side then follows from the extent,
    // so that an odd difference does not leave the label one pixel too large.
    if ((style & SS_CENTERIMAGE) != 0)
        rect.top += (rect.Height() - extent.cy) / 2;
    rect.bottom = rect.top + extent.cy;
    // Compared as a type, not as bits: SS_SIMPLE and friends share the low bits.
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_CENTER) {
        rect.left += (rect.Width() - extent.cx) / 2;
        rect.right = rect.left + extent.cx;
    } else if (type == SS_RIGHT) {
        rect.left = rect.right - extent.cx;
    } else {
        rect.right = rect.left + extent.cx;
    }
    SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER);
}

void CLinkLabel::LoadLinkCursor()
{
    if (m_linkCursor != nullptr)
        return;
    char directory[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::string path(directory, length);
    if (path.back() != '\\')
        path += '\\';
    path += kHelpProgram;

    HMODULE hHelp = ::LoadLibraryA(path.c_str());
    if (hHelp == nullptr)
        return;
    if (HCURSOR hCursor = ::LoadCursorA(hHelp, MAKEINTRESOURCEA(kLinkCursorId)))
        m_linkCursor = static_cast<HCURSOR>(::CopyIcon(hCursor));
    ::FreeLibrary(hHelp);
}
