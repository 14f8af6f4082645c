#include "framework/DialogTemplate.h"

#include <cstring>
#include "framework/Afx.h"

namespace {

constexpr size_t kClassicHeaderSize = 18;  // sizeof(DLGTEMPLATE) without padding
constexpr size_t kExtendedHeaderSize = 26; // dlgVer .. cy of DLGTEMPLATEEX
constexpr WORD kExtendedSignature = 0xFFFF;

} // namespace

bool CDialogTemplate::Load(LPCSTR lpszTemplateName)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hResource = ::FindResourceA(hInst, lpszTemplateName, reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (hResource == nullptr)
        return false;
    DWORD size = ::SizeofResource(hInst, hResource);
    const void* pData = ::LockResource(::LoadResource(hInst, hResource));
    if (pData == nullptr || size < kClassicHeaderSize)
        return false;
    m_size = size;
    m_data.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    std::memcpy(m_data.data(), pData, size);
    if (IsExtended() && size < kExtendedHeaderSize)
        return false;
    return true;
}

bool CDialogTemplate::IsExtended() const
{
    const auto* words = reinterpret_cast<const WORD*>(m_data.data());
    return m_size >= 4 && words[0] == 1 && words[1] == kExtendedSignature;
}

DWORD CDialogTemplate::GetStyle() const
{
    DWORD style = 0;
    std::memcpy(&style, reinterpret_cast<const BYTE*>(m_data.data()) + StyleOffset(), sizeof(style));
    return style;
}

void CDialogTemplate::SetStyle(DWORD dwStyle)
{
    std::memcpy(reinterpret_cast<BYTE*>(m_data.data()) + StyleOffset(), &dwStyle, sizeof(dwStyle));
}
