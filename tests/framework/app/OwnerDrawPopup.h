#pragma once
#include "framework/Framework.h"

// A popup whose items the program measures and draws itself.
class COwnerDrawPopup : public CMenu {
public:
    int m_measures = 0;
    int m_draws = 0;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
};
