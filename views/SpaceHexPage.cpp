#include "views/SpaceHexPage.h"

#include <string.h>

#include "controls/PaneColors.h"
#include "controls/iconmenu/IconMenu.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "res/resource.h"
#include "views/BarPage.h"
#include "views/DisplaySettings.h"

namespace {

constexpr int kAddressColumnWidth = 100;
constexpr int kAsciiColumnWidth = 140;

int UnitColumnWidth(int unitWidth)
{
    switch (unitWidth) {
    case kWordUnit: return 75;
    case kDwordUnit: return 100;
    default: return 40;
    }
}

} // namespace

CSpaceHexPage::CSpaceHexPage(CWnd* parent) : CFunctionPage(parent)
{
    m_list.SubclassDlgItem(IDC_SPACE_HEX_LIST, parent);
    m_list.SetCells(this);
    if (m_list.m_hWnd != nullptr) {
        m_list.SetBkColor(kPaneBackgroundColor);
        m_list.SetExtendedStyle(LVS_EX_GRIDLINES);
    }
}

CSpaceHexPage::~CSpaceHexPage()
{
    if (m_list.m_hWnd != nullptr) {
        m_list.SetItemCountEx(0);
        m_list.UnsubclassWindow();
    }
}

void CSpaceHexPage::OnSize(UINT, int cx, int)
{
    FitList(IDC_SPACE_HEX_LIST, IDC_FUNCTION_TABS, cx);
}

void CSpaceHexPage::Show()
{
    ShowList(IDC_SPACE_HEX_LIST);
}

void CSpaceHexPage::Hide()
{
    HideList(IDC_SPACE_HEX_LIST);
}

void CSpaceHexPage::SetFunction(CPciFunction* function)
{
    m_function = function;
    m_grid.SetFunction(function);
    RebuildGrid();
}

void CSpaceHexPage::SetHexMode(bool hex)
{
    CBarPage::SetSharedHexDisplay(hex);
    RebuildGrid();
}

void CSpaceHexPage::SetUnitWidth(int w)
{
    CBarPage::SetSharedUnitWidth(w);
    RebuildGrid();
}

void CSpaceHexPage::Refresh()
{
    if (m_function != nullptr)
        m_function->ReloadSpace();
    RebuildGrid();
}

void CSpaceHexPage::SyncGridSettings()
{
    m_grid.SetUnitWidth(CBarPage::GetUnitWidth());
    m_grid.SetHexDisplay(CBarPage::IsHexDisplay());
}

void CSpaceHexPage::RebuildGrid()
{
    SyncGridSettings();
    if (m_list.m_hWnd == nullptr)
        return;
    m_list.SetItemCountEx(0, LVSICF_NOINVALIDATEALL);
    while (m_list.DeleteColumn(0)) {
    }
    const int ascii = m_grid.GetAsciiColumn();
    for (int column = 0; column < m_grid.GetColumnCount(); ++column) {
        m_list.InsertColumn(column, m_grid.GetHeading(column).c_str(), LVCFMT_LEFT);
        int width = UnitColumnWidth(m_grid.GetUnitWidth());
        if (column == 0)
            width = kAddressColumnWidth;
        else if (column == ascii)
            width = kAsciiColumnWidth;
        m_list.SetColumnWidth(column, width);
    }
    m_list.SetItemCountEx(m_grid.GetRowCount(), 0);
}

void CSpaceHexPage::GetCellText(NMLVDISPINFOA* info)
{
    if (info == nullptr || (info->item.mask & LVIF_TEXT) == 0)
        return;
    if (info->item.pszText == nullptr || info->item.cchTextMax <= 0 || info->item.iItem < 0)
        return;
    SyncGridSettings();
    const std::string text = m_grid.GetCellText(info->item.iItem, info->item.iSubItem);
    const size_t room = static_cast<size_t>(info->item.cchTextMax) - 1;
    const size_t length = text.size() < room ? text.size() : room;
    memcpy(info->item.pszText, text.data(), length);
    info->item.pszText[length] = '\0';
}

std::optional<CGoToOffsetDialog::CRange> CSpaceHexPage::GetGoToRange() const
{
    if (m_function == nullptr)
        return std::nullopt;
    const uint64_t size = m_function->GetSpaceSize();
    return CGoToOffsetDialog::CRange{"the configuration space", size, size};
}

bool CSpaceHexPage::IsHexEntry() const
{
    return CBarPage::IsHexDisplay();
}

bool CSpaceHexPage::IsCellEditable(int row, int column) const
{
    // The width is the shared one, which another page may have changed since the last paint.
    CSpaceGridModel grid = m_grid;
    grid.SetUnitWidth(CBarPage::GetUnitWidth());
    return grid.GetEditableOffset(row, column).has_value();
}

void CSpaceHexPage::OnBeginEdit(int item, int subItem)
{
    m_editTarget = {};
    SyncGridSettings();
    const std::optional<uint32_t> offset = m_grid.GetEditableOffset(item, subItem);
    if (m_function == nullptr || !offset)
        return;
    m_editTarget = {true, m_function, *offset, CBarPage::GetUnitWidth(), CBarPage::IsHexDisplay()};
}

// The text goes to the unit the edit opened on, at the width and in the radix shown then;
// an edit whose function is no longer shown, or whose width is gone, is dropped.
void CSpaceHexPage::OnEndEdit(int item, int subItem, const char* text)
{
    SyncGridSettings();
    std::optional<uint32_t> offset = m_grid.GetEditableOffset(item, subItem);
    bool typedInHex = CBarPage::IsHexDisplay();
    if (m_editTarget.open) {
        const CEditTarget target = m_editTarget;
        m_editTarget = {};
        if (target.function != m_function || target.unitWidth != m_grid.GetUnitWidth())
            return;
        offset = target.offset;
        typedInHex = target.hexDisplay;
    }
    if (m_function == nullptr || !offset)
        return;
    ForgetRefusedWrite(m_function);
    const auto written = m_grid.Write(*offset, m_grid.GetUnitWidth(), text, typedInHex,
                                      [this](const std::string& question) { return ConfirmHostOwnedWrite(question); });
    if (written && !written->refusal.empty()) {
        ReportRefusedEdit(written->refusal);
    } else if (!ReportRefusedWrite(m_function)) {
        if (!written || !written->kept)
            AfxMessageBeep(MB_ICONEXCLAMATION);
        if (written && !written->status.empty())
            ShowStatusMessage(written->status);
    }
    if (m_list.m_hWnd != nullptr) {
        const int row = int(*offset / CSpaceGridModel::kBytesPerRow);
        m_list.RedrawItems(row, row);
    }
}

void CSpaceHexPage::OnEditTextChanged(int, int, const std::string& text) const
{
    if (m_editTarget.open && m_editTarget.function != nullptr)
        ShowStatusMessage(CRegisterEdit::Preview(*m_editTarget.function, m_editTarget.offset,
                                                 uint32_t(m_editTarget.unitWidth), text.c_str(),
                                                 m_editTarget.hexDisplay));
}

bool CSpaceHexPage::LoadContextMenu(CIconMenu& menu) const
{
    if (!menu.LoadFromResource(IDR_SPACE_HEX_POPUP))
        return false;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr)
        return false;
    const int width = CBarPage::GetUnitWidth();
    auto check = [popup](UINT id, bool on) {
        popup->CheckMenuItem(id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    check(ID_VIEW_HEXADECIMAL, CBarPage::IsHexDisplay());
    check(ID_VIEW_8BIT, width == kByteUnit);
    check(ID_VIEW_16BIT, width == kWordUnit);
    check(ID_VIEW_32BIT, width == kDwordUnit);
    return true;
}

void CSpaceHexPage::OnContextMenu(CWnd*, int x, int y)
{
    CIconMenu menu;
    if (LoadContextMenu(menu))
        menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, x, y, GetParent());
}
