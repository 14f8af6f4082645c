#include "controls/iconmenu/IconMenuSupport.h"

#include "framework/Afx.h"
#include "framework/Wnd.h"

namespace IconMenuSupport {

namespace {

// The size of NONCLIENTMETRICSA without the padded-border field of later systems, which
// every version accepts.
constexpr UINT kNonClientMetricsSize = 340;
static_assert(sizeof(NONCLIENTMETRICSA) >= kNonClientMetricsSize);

} // namespace

std::wstring ToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ToNarrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                              nullptr, nullptr);
    return narrow;
}

BOOL CreateMenuFont(CFont& font)
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
        return FALSE;
    return font.CreateFontIndirect(&metrics.lfMenuFont);
}

CMeasureDC::CMeasureDC()
{
    CWnd* pMainWnd = AfxGetMainWnd();
    m_hWnd = pMainWnd != nullptr ? pMainWnd->m_hWnd : nullptr;
    m_hDC = ::GetDC(m_hWnd);
    if (CreateMenuFont(m_font))
        m_oldFont = ::SelectObject(m_hDC, m_font.GetSafeHandle());
}

CMeasureDC::~CMeasureDC()
{
    if (m_oldFont != nullptr)
        ::SelectObject(m_hDC, m_oldFont);
    ::ReleaseDC(m_hWnd, m_hDC);
}

int CMeasureDC::WidthOf(const std::string& text) const
{
    SIZE size = {};
    ::GetTextExtentPoint32A(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int CMeasureDC::WidthOf(const std::wstring& text) const
{
    SIZE size = {};
    ::GetTextExtentPoint32W(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

} // namespace IconMenuSupport
