// A copy of a dialog template resource whose window style can be changed before the
// dialog is created from it (both the classic and the extended template format).
#pragma once
#include <windows.h>
#include <vector>

class CDialogTemplate {
public:
    // Loads the template from the resource module; false when it is missing or malformed.
    bool Load(LPCSTR lpszTemplateName);
    DWORD GetStyle() const;
    void SetStyle(DWORD dwStyle);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_data.data()); }

private:
    bool IsExtended() const;
    // Offset of the style field: after dlgVer, signature and helpID in the extended form.
    size_t StyleOffset() const { return IsExtended() ? 12 : 0; }

    std::vector<DWORD> m_data; // DWORD elements keep the copy aligned
    size_t m_size = 0;
};
