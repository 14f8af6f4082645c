#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A part of the screen as the user sees it, copied at construction and saved as a bottom-up
// 24-bit BMP file: the pictures of the documentation are taken this way.
class CBmpCapture {
public:
    // Copies the rectangle, in screen coordinates; an empty or unreadable one gives no picture.
    explicit CBmpCapture(const RECT& screenRect);
    // The window's area on the screen, its frame included.
    static CBmpCapture OfWindow(HWND hWnd);

    bool HasPicture() const { return !m_pixels.empty(); }
    // Writes the file; false when there is no picture or the file could not be written whole.
    bool Save(const std::string& path) const;

private:
    BITMAPINFOHEADER m_info = {};
    std::vector<char> m_pixels;
};
