#include "framework/Afx.h"

#include <cstdarg>
#include <cstdio>
#include <set>
#include <vector>
#include "framework/TestSeams.h"
#include "framework/WinApp.h"

namespace {

HINSTANCE& ResourceHandle()
{
    static HINSTANCE s_hResource = nullptr;
    return s_hResource;
}

} // namespace

HINSTANCE AfxGetInstanceHandle()
{
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE hResource = ResourceHandle();
    return hResource != nullptr ? hResource : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstance)
{
    ResourceHandle() = hInstance;
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR)
{
    return AfxGetResourceHandle();
}

CWnd* AfxGetMainWnd()
{
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr ? pApp->m_pMainWnd : nullptr;
}

const char* AfxGetAppName()
{
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr ? pApp->m_pszAppName.c_str() : "";
}

int AfxShowMessageBox(HWND hWndOwner, const char* lpszText, const char* lpszCaption, UINT nType)
{
    const char* caption = lpszCaption != nullptr ? lpszCaption : AfxGetAppName();
    if (CTestSeams::s_messageBox) {
        CMessageBoxRequest request;
        request.owner = hWndOwner;
        request.text = lpszText != nullptr ? lpszText : "";
        request.caption = caption;
        request.type = nType;
        return CTestSeams::s_messageBox(request);
    }
    return ::MessageBoxA(hWndOwner, lpszText, caption, nType);
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    HWND hWndOwner = pMainWnd != nullptr ? pMainWnd->m_hWnd : nullptr;
    if (hWndOwner != nullptr && !::IsWindowVisible(hWndOwner))
        hWndOwner = nullptr;
    // While a modal dialog is up, the box belongs to it, so the dialog cannot be used behind the box.
    if (hWndOwner != nullptr) {
        HWND popup = ::GetLastActivePopup(hWndOwner);
        if (popup != nullptr && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup))
            hWndOwner = popup;
    }
    return AfxShowMessageBox(hWndOwner, lpszText, nullptr, nType);
}

int AfxMessageBox(const std::string& text, UINT nType, UINT nIDHelp)
{
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT)
{
    std::string text;
    AfxLoadString(nIDPrompt, text);
    return AfxMessageBox(text.c_str(), nType, nIDPrompt);
}

BOOL AfxMessageBeep(UINT uType)
{
    if (CTestSeams::s_beep) {
        CTestSeams::s_beep(uType);
        return TRUE;
    }
    return ::MessageBeep(uType);
}

COLORREF AfxGetSysColor(int nIndex)
{
    if (CTestSeams::s_sysColor)
        return CTestSeams::s_sysColor(nIndex);
    return ::GetSysColor(nIndex);
}

void AfxOutputDebugString(const char* lpszText)
{
    if (CTestSeams::s_trace)
        CTestSeams::s_trace(lpszText != nullptr ? lpszText : "");
    ::OutputDebugStringA(lpszText);
}

void AfxTrace(const char* lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, lpszFormat, copy);
    va_end(copy);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), lpszFormat, args);
    va_end(args);
    AfxOutputDebugString(buffer.data());
}

bool AfxLoadString(UINT nID, std::string& text)
{
    // The length of a string resource is limited to 4097 characters by its format.
    char buffer[4100];
    int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, sizeof(buffer));
    if (length <= 0) {
        text.clear();
        return false;
    }
    text.assign(buffer, static_cast<size_t>(length));
    return true;
}

std::string AfxExtractSubString(const std::string& text, int index, char separator)
{
    size_t start = 0;
    for (int field = 0; field < index; ++field) {
        size_t next = text.find(separator, start);
        if (next == std::string::npos)
            return std::string();
        start = next + 1;
    }
    size_t end = text.find(separator, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void AfxThrowInvalidArgException()
{
    throw CInvalidArgException();
}

void AfxInitCommonControls()
{
    INITCOMMONCONTROLSEX init = {};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                 ICC_TREEVIEW_CLASSES;
    ::InitCommonControlsEx(&init);
}

const char* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    // One registration per combination; the names live as long as the process.
    static std::set<std::string> s_registered;
    char name[96];
    std::snprintf(name, sizeof(name), "Brisco:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
                  static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    auto it = s_registered.find(name);
    if (it != s_registered.end())
        return it->c_str();
    WNDCLASSA wc = {};
    wc.style = nClassStyle;
    wc.lpfnWndProc = &AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = name;
    WNDCLASSA existing = {};
    if (!::GetClassInfoA(wc.hInstance, name, &existing) && !::RegisterClassA(&wc)) {
        AfxTrace("AfxRegisterWndClass: registering \"%s\" failed (error %lu)\r\n", name,
                 static_cast<unsigned long>(::GetLastError()));
        return nullptr;
    }
    return s_registered.insert(name).first->c_str();
}
