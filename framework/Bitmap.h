// An owned bitmap.
#pragma once
#include "framework/GdiObject.h"

class CDC;

class CBitmap : public CGdiObject {
    DECLARE_DYNCREATE(CBitmap)
public:
    BOOL LoadBitmap(UINT nIDResource);
    BOOL LoadBitmap(LPCSTR lpszResourceName);
    // Loads a 16-colour bitmap resource with its button colours mapped to the system's.
    BOOL LoadMappedBitmap(UINT nIDBitmap);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
    {
        return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
    }
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitMap) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), pBitMap); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP hBitmap) { return FromHandleAs<CBitmap>(hBitmap); }
};
