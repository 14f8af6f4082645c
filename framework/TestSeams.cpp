#include "framework/TestSeams.h"

#include "framework/Afx.h"
#include "framework/WinApp.h"

std::function<int(const CMessageBoxRequest&)> CTestSeams::s_messageBox;
std::function<void(UINT)> CTestSeams::s_beep;
std::function<void(const std::string&)> CTestSeams::s_trace;
std::function<bool(bool, std::string&)> CTestSeams::s_fileDialog;
std::function<void(CWnd*)> CTestSeams::s_modalStarted;
std::function<COLORREF(int)> CTestSeams::s_sysColor;

void CTestSeams::Reset()
{
    s_messageBox = nullptr;
    s_beep = nullptr;
    s_trace = nullptr;
    s_fileDialog = nullptr;
    s_modalStarted = nullptr;
    s_sysColor = nullptr;
}

void CTestSeams::PumpUntilIdle()
{
    CWinApp* pApp = AfxGetApp();
    MSG msg;
    for (;;) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave the quit request for the real loop.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            if (pApp == nullptr || !pApp->PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        if (pApp == nullptr)
            return;
        LONG count = 0;
        while (pApp->OnIdle(count++)) {
        }
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            return;
    }
}

namespace {

// Holds modifier keys down in the thread's keyboard state while a key is pumped.
class CModifierState {
public:
    CModifierState(bool shift, bool control, bool alt)
    {
        ::GetKeyboardState(m_saved);
        BYTE state[256];
        ::GetKeyboardState(state);
        Set(state, VK_SHIFT, shift);
        Set(state, VK_CONTROL, control);
        Set(state, VK_MENU, alt);
        ::SetKeyboardState(state);
    }
    ~CModifierState() { ::SetKeyboardState(m_saved); }

private:
    static void Set(BYTE* state, int vk, bool down)
    {
        if (down)
            state[vk] |= 0x80;
    }
    BYTE m_saved[256] = {};
};

} // namespace

void CTestSeams::PressKey(UINT vk, bool shift, bool control, bool alt, HWND hWnd)
{
    CModifierState modifiers(shift, control, alt);
    HWND target = hWnd != nullptr ? hWnd : ::GetFocus();
    if (target == nullptr && AfxGetMainWnd() != nullptr)
        target = AfxGetMainWnd()->m_hWnd;
    UINT scan = ::MapVirtualKeyA(vk, 0);
    UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
    LPARAM downFlags = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1L << 29) : 0);
    LPARAM upFlags = downFlags | (1L << 30) | (1L << 31);
    ::PostMessageA(target, down, vk, downFlags);
    ::PostMessageA(target, up, vk, upFlags);
    PumpUntilIdle();
}

void CTestSeams::TypeText(const std::string& text, HWND hWnd)
{
    HWND target = hWnd != nullptr ? hWnd : ::GetFocus();
    for (char ch : text)
        ::PostMessageA(target, WM_CHAR, static_cast<unsigned char>(ch), 1);
    PumpUntilIdle();
}

void CTestSeams::Click(HWND hWnd, POINT point, bool right, bool doubleClick)
{
    LPARAM position = MAKELPARAM(point.x, point.y);
    UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    UINT up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    WPARAM keys = right ? MK_RBUTTON : MK_LBUTTON;
    // What the system does before a click reaches a window.
    ::SendMessageA(hWnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(::GetAncestor(hWnd, GA_ROOT)),
                   MAKELPARAM(HTCLIENT, down));
    ::PostMessageA(hWnd, down, keys, position);
    ::PostMessageA(hWnd, up, 0, position);
    if (doubleClick) {
        ::PostMessageA(hWnd, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, keys, position);
        ::PostMessageA(hWnd, up, 0, position);
    }
    PumpUntilIdle();
}
