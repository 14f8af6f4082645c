#include "tests/about/LinkTestSupport.h"

#include <cstdio>
#include <fstream>

namespace {

constexpr char kHtmlExtension[] = ".htm";
constexpr char kLogVariable[] = "BRISCO_LINK_LOG";
constexpr char kLoggerName[] = "about_link_logger.exe";
constexpr DWORD kPollMs = 20;
constexpr DWORD kValueSize = 1024;
constexpr char kLockName[] = "Brisco.LinkLabelTest.HtmlHandler";
constexpr DWORD kLockTimeoutMs = 120000;

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Keys of the test class, deepest first, so that each is empty when it is deleted.
const char* const kTestClassKeys[] = {
    "Brisco.LinkLabelTest\\shell\\open\\command",
    "Brisco.LinkLabelTest\\shell\\open",
    "Brisco.LinkLabelTest\\shell",
    "Brisco.LinkLabelTest",
};

} // namespace

CHtmlHandlerOverride::CHtmlHandlerOverride(const std::optional<std::string>& command)
    : m_hLock(::CreateMutexA(nullptr, FALSE, kLockName))
{
    // An abandoned lock (a crashed holder) is taken over like a free one.
    if (m_hLock != nullptr)
        ::WaitForSingleObject(m_hLock, kLockTimeoutMs);
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kHtmlExtension, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        char value[kValueSize] = {};
        DWORD size = sizeof value - 1;
        DWORD type = 0;
        bool hasValue = ::RegQueryValueExA(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                            ERROR_SUCCESS &&
                        type == REG_SZ;
        ::RegCloseKey(hKey);
        // Our own class name is what a crashed run left behind in a key it had created.
        bool leftOver = hasValue && std::string(value) == kClassName;
        m_hadKey = !leftOver;
        if (hasValue && !leftOver)
            m_oldValue = value;
    }
    DeleteTestClass();
    if (!command) {
        if (m_hadKey)
            SetClassValue(std::string());
        return;
    }
    SetClassValue(kClassName);
    HKEY hCommand = nullptr;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, kTestClassKeys[0], 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hCommand,
                          nullptr) != ERROR_SUCCESS)
        return;
    if (!command->empty())
        ::RegSetValueExA(hCommand, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()),
                         static_cast<DWORD>(command->size() + 1));
    ::RegCloseKey(hCommand);
}

CHtmlHandlerOverride::~CHtmlHandlerOverride()
{
    DeleteTestClass();
    if (m_oldValue)
        SetClassValue(*m_oldValue);
    else if (m_hadKey)
        SetClassValue(std::string());
    else
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, kHtmlExtension);
    if (m_hLock != nullptr) {
        ::ReleaseMutex(m_hLock);
        ::CloseHandle(m_hLock);
    }
}

// Sets the default value of .htm; an empty value removes it.
void CHtmlHandlerOverride::SetClassValue(const std::string& value)
{
    HKEY hKey = nullptr;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, kHtmlExtension, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (value.empty())
        ::RegDeleteValueA(hKey, nullptr);
    else
        ::RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(hKey);
}

void CHtmlHandlerOverride::DeleteTestClass()
{
    for (const char* key : kTestClassKeys)
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
}

CLinkLog::CLinkLog() : m_path(ProgramFolder() + "about_link_log.txt")
{
    std::remove(m_path.c_str());
    ::SetEnvironmentVariableA(kLogVariable, m_path.c_str());
}

CLinkLog::~CLinkLog()
{
    ::SetEnvironmentVariableA(kLogVariable, nullptr);
    std::remove(m_path.c_str());
}

std::vector<std::string> CLinkLog::WaitForLines(size_t count, DWORD timeoutMs) const
{
    const DWORD start = ::GetTickCount();
    std::vector<std::string> lines = ReadLines(m_path);
    while (lines.size() < count && ::GetTickCount() - start < timeoutMs) {
        ::Sleep(kPollMs);
        lines = ReadLines(m_path);
    }
    return lines;
}

std::string QuotedLoggerPath()
{
    std::string quoted(1, '"');
    quoted += ProgramFolder();
    quoted += kLoggerName;
    quoted += '"';
    return quoted;
}

std::vector<COLORREF> PaintedPixels(HWND hWnd)
{
    RECT client = {};
    ::GetClientRect(hWnd, &client);
    HDC hScreen = ::GetDC(nullptr);
    HDC hMemory = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, client.right, client.bottom);
    HGDIOBJ hOld = ::SelectObject(hMemory, hBitmap);
    // White first: the label paints its text on a transparent background.
    ::PatBlt(hMemory, 0, 0, client.right, client.bottom, WHITENESS);
    ::SendMessageA(hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hMemory), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(::GetPixel(hMemory, x, y));
    ::SelectObject(hMemory, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemory);
    ::ReleaseDC(nullptr, hScreen);
    return pixels;
}
