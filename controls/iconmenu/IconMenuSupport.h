// Helpers shared by the icon menu's sources: text conversion with the thread's ANSI code page,
// the system menu font and a device context for measuring text.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Font.h"

namespace IconMenuSupport {

std::wstring ToWide(const std::string& text);
std::string ToNarrow(const std::wstring& text);
// The font of menus (lfMenuFont of the non-client metrics).
BOOL CreateMenuFont(CFont& font);

// The main window's device context (the screen's when there is no main window) with the
// menu font selected, released on destruction.
class CMeasureDC {
public:
    CMeasureDC();
    ~CMeasureDC();
    CMeasureDC(const CMeasureDC&) = delete;
    CMeasureDC& operator=(const CMeasureDC&) = delete;

    int WidthOf(const std::string& text) const;
    int WidthOf(const std::wstring& text) const;

private:
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
    CFont m_font;
    HGDIOBJ m_oldFont = nullptr;
};

} // namespace IconMenuSupport
