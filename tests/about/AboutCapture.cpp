// Saves a picture of the About box as it appears on screen (not a test): run it with
// scripts/wine-run and the path of the 24-bit BMP file to write; with "hover" after it the
// pointer rests on the link first, so that the picture shows the hover colour and the tip.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/AboutDlg.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/support/BmpCapture.h"

namespace {

constexpr DWORD kSettleMs = 400;
// Longer than the tooltip's initial delay.
constexpr DWORD kTipSettleMs = 1500;
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
        saved = CBmpCapture::OfWindow(pWnd->m_hWnd).Save(argv[1]);
        static_cast<CDialog*>(pWnd)->EndDialog(IDOK);
    };
    CAboutDlg dlg;
    dlg.DoModal();
    if (!saved)
        std::fprintf(stderr, "about_capture: could not write %s\n", argv[1]);
    return saved ? 0 : 1;
}
