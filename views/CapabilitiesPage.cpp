#include "views/CapabilitiesPage.h"

#include "decode/MachineComparison.h"
#include "controls/PaneColors.h"
#include "controls/iconmenu/IconMenu.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "res/resource.h"

namespace {

struct CColumnLayout
{
    const char* heading;
    int width;
};

constexpr CColumnLayout kColumns[CCapabilityPageRow::kColumnCount] = {
    {"Offset", 100}, {"Size", 100}, {"Name", 200}, {"Value", 150}, {"Decoded Information", 600}};

} // namespace

CCapabilitiesPage::CCapabilitiesPage(CWnd* parent) : CFunctionPage(parent)
{
    m_list.SubclassDlgItem(IDC_CAPABILITIES_LIST, parent);
    m_list.SetCells(this);
    if (m_list.m_hWnd == nullptr)
        return;
    for (int column = 0; column < CCapabilityPageRow::kColumnCount; ++column) {
        m_list.InsertColumn(column, kColumns[column].heading, LVCFMT_LEFT);
        m_list.SetColumnWidth(column, kColumns[column].width);
    }
    m_list.SetBkColor(kPaneBackgroundColor);
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    if (m_fields.CreatePane(parent, IDC_CAPABILITY_FIELD_PANE))
        m_fields.SetWrittenHandler([this] {
            m_model.Rebuild();
            ShowRows();
        });
}

CCapabilitiesPage::~CCapabilitiesPage()
{
    if (m_list.m_hWnd != nullptr)
        m_list.UnsubclassWindow();
}

void CCapabilitiesPage::OnSize(UINT, int cx, int)
{
    FitList(IDC_CAPABILITIES_LIST, IDC_FUNCTION_TABS, cx);
    m_fields.FitBelow(&m_list);
}

void CCapabilitiesPage::Show()
{
    ShowList(IDC_CAPABILITIES_LIST);
    m_fields.Show(true);
}

void CCapabilitiesPage::Hide()
{
    HideList(IDC_CAPABILITIES_LIST);
    m_fields.Show(false);
}

void CCapabilitiesPage::SetFunction(CPciFunction* function)
{
    m_model.SetFunction(function);
    ShowRows();
    m_fields.ShowRegister(function, std::nullopt);
}

void CCapabilitiesPage::SetHexMode(bool hex)
{
    m_model.SetHexMode(hex);
    ShowRows();
    m_fields.SetHexMode(hex);
}

void CCapabilitiesPage::Refresh()
{
    if (CPciFunction* function = m_model.GetFunction())
        function->ReloadSpace();
    m_model.Rebuild();
    ShowRows();
    m_fields.Reload();
}

// A refill with redraw suspended: a repaint per row is what makes a Wine list slow.
void CCapabilitiesPage::ShowRows()
{
    if (m_list.m_hWnd == nullptr)
        return;
    m_list.SetRedraw(FALSE);
    m_list.DeleteAllItems();
    for (const CCapabilityPageRow& row : m_model.GetRows()) {
        const int item = m_list.InsertItem(m_list.GetItemCount(), row.columns[0].c_str());
        for (int column = 1; column < CCapabilityPageRow::kColumnCount; ++column)
            m_list.SetItemText(item, column, row.columns[column].c_str());
    }
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
}

void CCapabilitiesPage::OnBeginEdit(int item, int)
{
    const auto& rows = m_model.GetRows();
    m_editTarget = {};
    if (item < 0 || size_t(item) >= rows.size() || rows[size_t(item)].note)
        return;
    const CCapabilityPageRow& row = rows[size_t(item)];
    m_editTarget = {true, m_model.GetFunction(), row.offset, row.size, m_model.IsHexMode()};
}

// The text goes to the register the edit opened on, in the radix shown then; an edit whose
// function is no longer shown is dropped. The whole list is relisted, since the decoded
// texts of a capability may follow the written value.
void CCapabilitiesPage::OnEndEdit(int item, int, const char* text)
{
    CEditTarget target = m_editTarget;
    m_editTarget = {};
    if (!target.open) {
        const auto& rows = m_model.GetRows();
        if (item < 0 || size_t(item) >= rows.size() || rows[size_t(item)].note)
            return;
        target = {true, m_model.GetFunction(), rows[size_t(item)].offset, rows[size_t(item)].size, m_model.IsHexMode()};
    }
    if (target.function == nullptr || target.function != m_model.GetFunction())
        return;
    ForgetRefusedWrite(target.function);
    const auto written = m_model.Write(target.offset, target.size, text, target.hexMode,
                                       [this](const std::string& question) { return ConfirmHostOwnedWrite(question); });
    if (written && !written->refusal.empty()) {
        ReportRefusedEdit(written->refusal);
    } else if (!ReportRefusedWrite(target.function)) {
        if (!written || !written->kept)
            AfxMessageBeep(MB_ICONEXCLAMATION);
        if (written && !written->status.empty())
            ShowStatusMessage(written->status);
    }
    ShowRows();
    m_fields.Reload();
}

void CCapabilitiesPage::ShowCursorFields()
{
    const auto& rows = m_model.GetRows();
    const int row = m_list.m_hWnd != nullptr ? m_list.GetCursorRow() : -1;
    if (row < 0 || size_t(row) >= rows.size() || rows[size_t(row)].note)
        m_fields.ShowRegister(m_model.GetFunction(), std::nullopt);
    else
        m_fields.ShowRegister(m_model.GetFunction(), rows[size_t(row)].offset);
}

void CCapabilitiesPage::OnEditTextChanged(int, int, const std::string& text) const
{
    if (m_editTarget.open && m_editTarget.function != nullptr)
        ShowStatusMessage(CRegisterEdit::Preview(*m_editTarget.function, m_editTarget.offset, m_editTarget.size,
                                                 text.c_str(), m_editTarget.hexMode));
}

bool CCapabilitiesPage::LoadContextMenu(CIconMenu& menu) const
{
    if (!menu.LoadFromResource(IDR_CAPABILITIES_POPUP))
        return false;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr)
        return false;
    popup->CheckMenuItem(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND | (m_model.IsHexMode() ? MF_CHECKED : MF_UNCHECKED));
    return true;
}

void CCapabilitiesPage::OnContextMenu(CWnd*, int x, int y)
{
    CIconMenu menu;
    if (LoadContextMenu(menu))
        menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, x, y, GetParent());
}

void CCapabilitiesPage::SetComparison(const CMachineComparison* comparison)
{
    m_comparison = comparison;
    if (m_list.m_hWnd != nullptr)
        m_list.Invalidate();
}

LRESULT CCapabilitiesPage::OnCustomDraw(NMLVCUSTOMDRAW* draw) const
{
    if (m_comparison == nullptr)
        return CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    const auto& rows = m_model.GetRows();
    const size_t item = size_t(draw->nmcd.dwItemSpec);
    if (item >= rows.size() || !(m_comparison->BytesDiffer(m_model.GetFunction(), rows[item].offset, rows[item].size)))
        return CDRF_DODEFAULT;
    // Each cell of the row takes the colour: the list asks cell by cell and keeps a changed
    // colour only when told so.
    draw->clrTextBk = kComparisonColor;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
        return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
    return (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) ? CDRF_NEWFONT : CDRF_DODEFAULT;
}
