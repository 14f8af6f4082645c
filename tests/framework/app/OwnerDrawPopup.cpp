#include "tests/framework/app/OwnerDrawPopup.h"

void COwnerDrawPopup::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    ++m_measures;
    lpMeasureItemStruct->itemWidth = 100;
    lpMeasureItemStruct->itemHeight = 20;
}

void COwnerDrawPopup::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    ++m_draws;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    pDC->FillSolidRect(&lpDrawItemStruct->rcItem, RGB(255, 255, 255));
}
