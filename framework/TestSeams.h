// Seams through which in-process GUI tests answer message boxes and file dialogs, observe
// beeps and debugger traces, take part in modal loops and drive the message loop. When a
// seam is empty the framework calls the system; an unused seam costs one test of a function.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

class CWnd;

// What the program asked a message box to show.
struct CMessageBoxRequest {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
};

class CTestSeams {
public:
    // Answers a message box (IDOK, IDYES ...) instead of showing it.
    static std::function<int(const CMessageBoxRequest&)> s_messageBox;
    // Sees MessageBeep calls instead of the system.
    static std::function<void(UINT)> s_beep;
    // Sees debugger-output text; it still goes to the debugger too.
    static std::function<void(const std::string&)> s_trace;
    // Answers the file dialog: save is true for "Save As"; returns false for Cancel.
    static std::function<bool(bool save, std::string& path)> s_fileDialog;
    // Answers AfxGetSysColor, so that drawing can be checked against fixed colours.
    static std::function<COLORREF(int)> s_sysColor;
    // Called once a modal dialog or modal loop runs, with its window; may end it.
    static std::function<void(CWnd*)> s_modalStarted;

    // Empties every seam.
    static void Reset();
    // Dispatches every waiting message through the application's pre-translation and then
    // runs idle processing until it has nothing left to do.
    static void PumpUntilIdle();
    // Posts a key press (down and up) to the focus window, or to hWnd, and pumps it through
    // the message loop; shift, control and alt are held down meanwhile.
    static void PressKey(UINT vk, bool shift = false, bool control = false, bool alt = false, HWND hWnd = nullptr);
    // Posts the characters of a text (WM_CHAR) to the focus window, or to hWnd, and pumps them.
    static void TypeText(const std::string& text, HWND hWnd = nullptr);
    // Posts a click at a point in the client coordinates of hWnd and pumps it.
    static void Click(HWND hWnd, POINT point, bool right = false, bool doubleClick = false);
};
