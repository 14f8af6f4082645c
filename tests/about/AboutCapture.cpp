// Saves a picture of the About box as it appears on screen (not a test): run it with
// scripts/wine-run and the path of the 24-bit BMP file to write; with "hover" after it the
// pointer rests on the link first, so that the picture shows the hover colour and the tip.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/AboutDlg.h"
#include "framework/Framework.h"
#include "res/resource.h"

namespace {

constexpr DWORD kSettleMs = 400;
// Longer than the tooltip's initial delay.
constexpr DWORD kTipSettleMs = 1500;
constexpr int kBitsPerPixel = 24;
constexpr int kScreenOffset = 40;

// Lets the dialog and its controls paint before the picture is taken; messages take the
// dialog's pre-translation path, as in its modal loop, so that the link relays them to its tip.
void PumpFor(HWND hDlg, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(hDlg, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        ::Sleep(10);
    }
}

bool SaveWindowPicture(HWND hWnd, const char* path)
{
    RECT rect = {};
    ::GetWindowRect(hWnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMemory = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, width, height);
    HGDIOBJ hOld = ::SelectObject(hMemory, hBitmap);
    ::BitBlt(hMemory, 0, 0, width, height, hScreen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(hMemory, hOld);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = kBitsPerPixel;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    ::GetDIBits(hMemory, hBitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemory);
    ::ReleaseDC(nullptr, hScreen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                   std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char** argv)
{
    const bool hover = argc == 3 && std::strcmp(argv[2], "hover") == 0;
    if (argc != 2 && !hover) {
        std::fprintf(stderr, "usage: about_capture OUTPUT.bmp [hover]\n");
        return 2;
    }
    CWinApp app("Brisco by Velmora");
    AfxInitCommonControls();
    bool saved = false;
    CTestSeams::s_modalStarted = [&](CWnd* pWnd) {
        ::SetWindowPos(pWnd->m_hWnd, HWND_TOPMOST, kScreenOffset, kScreenOffset, 0, 0, SWP_NOSIZE);
        PumpFor(pWnd->m_hWnd, kSettleMs);
        if (hover) {
            RECT link = {};
            ::GetWindowRect(::GetDlgItem(pWnd->m_hWnd, IDC_ABOUT_LINK), &link);
            ::SetCursorPos((link.left + link.right) / 2, (link.top + link.bottom) / 2);
            PumpFor(pWnd->m_hWnd, kTipSettleMs);
        }
        saved = SaveWindowPicture(pWnd->m_hWnd, argv[1]);
        static_cast<CDialog*>(pWnd)->EndDialog(IDOK);
    };
    CAboutDlg dlg;
    dlg.DoModal();
    if (!saved)
        std::fprintf(stderr, "about_capture: could not write %s\n", argv[1]);
    return saved ? 0 : 1;
}
