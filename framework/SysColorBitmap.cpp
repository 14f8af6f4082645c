// Loading of button-image bitmaps with their standard colours mapped to the system colours.
#include <cstring>
#include <vector>
#include "framework/Afx.h"

namespace {

struct ColorMapEntry {
    RGBQUAD from;
    int sysColor;
};

// Black, dark grey, light grey and white of button images, in the order RGBQUAD stores them.
constexpr ColorMapEntry kButtonColors[] = {
    {{0x00, 0x00, 0x00, 0}, COLOR_BTNTEXT},
    {{0x80, 0x80, 0x80, 0}, COLOR_BTNSHADOW},
    {{0xC0, 0xC0, 0xC0, 0}, COLOR_BTNFACE},
    {{0xFF, 0xFF, 0xFF, 0}, COLOR_BTNHIGHLIGHT},
};

int ColorCount(const BITMAPINFOHEADER& header)
{
    if (header.biClrUsed != 0)
        return static_cast<int>(header.biClrUsed);
    return header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
}

RGBQUAD ToQuad(COLORREF color)
{
    RGBQUAD quad = {GetBValue(color), GetGValue(color), GetRValue(color), 0};
    return quad;
}

bool SameColor(const RGBQUAD& a, const RGBQUAD& b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

} // namespace

HBITMAP AfxLoadSysColorBitmap(HINSTANCE hInst, HRSRC hRsrc, BOOL bMono)
{
    if (hRsrc == nullptr)
        return nullptr;
    DWORD size = ::SizeofResource(hInst, hRsrc);
    const auto* pSource = static_cast<const BYTE*>(::LockResource(::LoadResource(hInst, hRsrc)));
    if (pSource == nullptr || size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, pSource, sizeof(header));
    int colors = ColorCount(header);
    size_t headerSize = header.biSize + static_cast<size_t>(colors) * sizeof(RGBQUAD);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount > 8 || headerSize > size) {
        AfxOutputDebugString("AfxLoadSysColorBitmap: only palette bitmaps can be mapped\r\n");
        return nullptr;
    }
    // A writable copy of the header and colour table; the bits are used in place.
    std::vector<DWORD> info((headerSize + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(info.data(), pSource, headerSize);
    auto* pTable = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(info.data()) + header.biSize);
    for (int i = 0; i < colors; ++i) {
        for (const ColorMapEntry& entry : kButtonColors) {
            if (SameColor(pTable[i], entry.from)) {
                pTable[i] = bMono ? entry.from : ToQuad(::GetSysColor(entry.sysColor));
                break;
            }
        }
    }
    const auto* pHeader = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(info.data());
    HDC screen = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateDIBitmap(screen, pHeader, CBM_INIT, pSource + headerSize, pInfo, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return hBitmap;
}
