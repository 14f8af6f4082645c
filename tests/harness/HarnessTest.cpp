// Checks, from inside Wine, the prefix settings the harness promises to tests:
// a usable display, unmanaged windows and no crash dialog.
#include <gtest/gtest.h>
#include <windows.h>

namespace
{

bool ReadUserValue(const char* keyPath, const char* name, DWORD* type, BYTE* data, DWORD* size)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok = RegQueryValueExA(key, name, nullptr, type, data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

} // namespace

TEST(WinePrefix, WindowsAreUnmanagedAndCrashesDoNotWaitOnADialog)
{
    DWORD type = 0;
    char managed[8] = {};
    DWORD size = sizeof(managed);
    ASSERT_TRUE(ReadUserValue("Software\\Wine\\X11 Driver", "Managed", &type, reinterpret_cast<BYTE*>(managed), &size));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_STREQ(managed, "N");

    DWORD showCrash = 1;
    size = sizeof(showCrash);
    ASSERT_TRUE(ReadUserValue("Software\\Wine\\WineDbg", "ShowCrashDialog", &type, reinterpret_cast<BYTE*>(&showCrash), &size));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(showCrash, 0u);
}

TEST(WinePrefix, DisplayTakesATopLevelWindow)
{
    EXPECT_GE(GetSystemMetrics(SM_CXSCREEN), 640);
    HWND window = CreateWindowExA(0, "STATIC", "harness", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr) << "no window without a display: GetLastError " << GetLastError();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    RECT rect = {};
    EXPECT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.right - rect.left, 200);
    DestroyWindow(window);
}
