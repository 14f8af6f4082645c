// An owned font.
#pragma once
#include "framework/GdiObject.h"

class CDC;

class CFont : public CGdiObject {
    DECLARE_DYNCREATE(CFont)
public:
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont) { return Attach(::CreateFontIndirectA(lpLogFont)); }
    // A font of nPointSize tenths of a point for the device context (the screen when null).
    BOOL CreatePointFont(int nPointSize, const char* lpszFaceName, CDC* pDC = nullptr);
    // lfHeight in tenths of a point, as CreatePointFont takes it.
    BOOL CreatePointFontIndirect(const LOGFONTA* lpLogFont, CDC* pDC = nullptr);
    int GetLogFont(LOGFONTA* pLogFont) const { return ::GetObjectA(m_hObject, sizeof(LOGFONTA), pLogFont); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT hFont) { return FromHandleAs<CFont>(hFont); }
};
