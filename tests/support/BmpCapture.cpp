#include "tests/support/BmpCapture.h"

#include <fstream>

namespace {

constexpr int kBitsPerPixel = 24;
constexpr WORD kBmpSignature = 0x4d42; // "BM"

} // namespace

CBmpCapture::CBmpCapture(const RECT& screenRect)
{
    const int width = screenRect.right - screenRect.left;
    const int height = screenRect.bottom - screenRect.top;
    if (width <= 0 || height <= 0)
        return;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    // CAPTUREBLT: layered windows on top are part of what the user sees.
    const bool copied =
        ::BitBlt(memory, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY | CAPTUREBLT);
    ::SelectObject(memory, old);

    m_info.biSize = sizeof m_info;
    m_info.biWidth = width;
    m_info.biHeight = height;
    m_info.biPlanes = 1;
    m_info.biBitCount = kBitsPerPixel;
    m_info.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    m_info.biSizeImage = stride * static_cast<DWORD>(height);
    m_pixels.resize(m_info.biSizeImage);
    const bool read = copied &&
        ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), m_pixels.data(),
                    reinterpret_cast<BITMAPINFO*>(&m_info), DIB_RGB_COLORS) == height;
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (!read)
        m_pixels.clear();
}

CBmpCapture CBmpCapture::OfWindow(HWND hWnd)
{
    RECT rect = {};
    ::GetWindowRect(hWnd, &rect);
    return CBmpCapture(rect);
}

bool CBmpCapture::Save(const std::string& path) const
{
    if (!HasPicture())
        return false;
    BITMAPFILEHEADER file = {};
    file.bfType = kBmpSignature;
    file.bfOffBits = sizeof file + sizeof m_info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(m_pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&m_info), sizeof m_info);
    out.write(m_pixels.data(), static_cast<std::streamsize>(m_pixels.size()));
    out.close();
    return !out.fail();
}
