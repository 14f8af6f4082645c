// Saves pictures of Brisco's icon menus as they appear on screen: the Options and Help
// popups with their toolbar images and the two context menus of the function view with
// their check marks. Usage: iconmenu_capture.exe OUTPUT_FOLDER (writes .bmp files).
#include <cstdio>
#include <string>
#include "res/resource.h"
#include "tests/iconmenu/IconMenuTestSupport.h"
#include "tests/support/BmpCapture.h"

using namespace IconMenuTest;

namespace {

struct CaptureStep {
    int downs = 0;
    int ticks = 0;
    bool saved = false;
    std::string path;
};
CaptureStep g_step;

// The popup menu window on screen; closed menus may leave hidden ones behind for a while.
HWND FindVisibleMenuWindow()
{
    for (HWND hWnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); hWnd != nullptr;
         hWnd = ::FindWindowExA(nullptr, hWnd, "#32768", nullptr)) {
        if (::IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

// Runs inside the menu's loop: selects, waits for the paint, saves and closes the menu.
void CALLBACK CaptureTick(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = FindVisibleMenuWindow();
    if (hMenuWnd == nullptr)
        return;
    ++g_step.ticks;
    if (g_step.ticks == 1) {
        for (int i = 0; i < g_step.downs; ++i)
            ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    } else if (g_step.ticks == 4) {
        ::UpdateWindow(hMenuWnd);
        g_step.saved = CBmpCapture::OfWindow(hMenuWnd).Save(g_step.path);
        ::KillTimer(nullptr, idEvent);
        ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

// Opens a popup, moves the selection down a number of times, saves it and closes it.
bool Capture(CMenuFrame* pFrame, CMenu* pPopup, int downs, const std::string& path)
{
    // A menu now and then closes before it was saved under Wine: try again.
    constexpr int kAttempts = 3;
    // The previous picture's result must not end this one's attempts before they start.
    g_step.saved = false;
    for (int attempt = 0; attempt < kAttempts && !g_step.saved; ++attempt) {
        g_step = CaptureStep();
        g_step.downs = downs;
        g_step.path = path;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &CaptureTick);
        pPopup->TrackPopupMenu(TPM_LEFTALIGN, 40, 40, pFrame);
        ::KillTimer(nullptr, timer);
        CTestSeams::PumpUntilIdle();
    }
    std::printf("%s %s\n", g_step.saved ? "saved" : "FAILED", path.c_str());
    return g_step.saved;
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : ".";
    CMenuFrame* pFrame = MainFrame();
    if (pFrame == nullptr)
        return 1;
    // This program has no handlers for the menus' commands: show every item enabled.
    pFrame->m_bAutoMenuEnable = FALSE;
    bool ok = true;
    CIconMenu mainMenu;
    mainMenu.LoadFromResource(IDR_MAINFRAME);
    mainMenu.AddToolbarImages(IDR_MAINFRAME);
    ok &= Capture(pFrame, mainMenu.GetSubMenu(0), 1, folder + "/options.bmp");
    ok &= Capture(pFrame, mainMenu.GetSubMenu(1), 0, folder + "/help.bmp");

    CIconMenu configMenu;
    configMenu.LoadFromResource(IDR_CONFIG_SPACE_POPUP);
    configMenu.GetSubMenu(0)->CheckMenuItem(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND | MF_CHECKED);
    ok &= Capture(pFrame, configMenu.GetSubMenu(0), 0, folder + "/config-context.bmp");

    CIconMenu barMenu;
    barMenu.LoadFromResource(IDR_BAR_POPUP);
    CMenu* pBarPopup = barMenu.GetSubMenu(0);
    pBarPopup->CheckMenuItem(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND | MF_CHECKED);
    pBarPopup->CheckMenuItem(ID_VIEW_16BIT, MF_BYCOMMAND | MF_CHECKED);
    ok &= Capture(pFrame, pBarPopup, 3, folder + "/bar-context.bmp");
    pFrame->DestroyWindow();
    return ok ? 0 : 1;
}
