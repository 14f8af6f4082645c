// Thin wrapper of a header control (the column headings of a report list).
#pragma once
#include "framework/Wnd.h"

class CHeaderCtrl : public CWnd {
    DECLARE_DYNCREATE(CHeaderCtrl)
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItemRect(int nIndex, LPRECT lpRect) const
    {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect)));
    }
    BOOL GetItem(int nPos, HDITEMA* pHeaderItem) const
    {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMA, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(pHeaderItem)));
    }
};
