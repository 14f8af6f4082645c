#include "views/ConfigSpacePage.h"

#include "decode/MachineComparison.h"
#include "decode/RegisterEdit.h"
#include "device/PciFunction.h"
#include "controls/PaneColors.h"

#include "framework/Afx.h"
#include "controls/iconmenu/IconMenu.h"
#include "res/resource.h"

namespace {

constexpr unsigned kTagOffsetShift = 16;
constexpr uint32_t kTagSizeMask = 0xFFFF;

struct CColumnLayout
{
    const char* heading;
    int width;
};

constexpr CColumnLayout kColumns[CRegisterRow::kColumnCount] = {
    {"Offset", 100}, {"Size", 100}, {"Name", 200}, {"Value", 150}, {"Decoded Information", 600}};

} // namespace

CConfigSpacePage::CConfigSpacePage(CWnd* parent) : CFunctionPage(parent)
{
    m_list.SubclassDlgItem(IDC_CONFIG_LIST, parent);
    m_list.SetCells(this);
    SetUpColumns();
    if (m_list.m_hWnd != nullptr && m_fields.CreatePane(parent, IDC_CONFIG_FIELD_PANE))
        m_fields.SetWrittenHandler([this] {
            CConfigSpaceModel::SetFunction(GetFunction());
            ShowEditedRows();
        });
    CConfigSpaceModel::SetHexMode(true);
    CConfigSpaceModel::SetFunction(nullptr);
}

CConfigSpacePage::~CConfigSpacePage()
{
    if (m_list.m_hWnd != nullptr)
        m_list.UnsubclassWindow();
}

void CConfigSpacePage::SetUpColumns()
{
    if (m_list.m_hWnd == nullptr)
        return;
    for (int column = 0; column < CRegisterRow::kColumnCount; ++column) {
        m_list.InsertColumn(column, kColumns[column].heading, LVCFMT_LEFT);
        m_list.SetColumnWidth(column, kColumns[column].width);
    }
    m_list.SetBkColor(kPaneBackgroundColor);
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

void CConfigSpacePage::OnSize(UINT, int cx, int)
{
    FitList(IDC_CONFIG_LIST, IDC_FUNCTION_TABS, cx);
    m_fields.FitBelow(&m_list);
}

void CConfigSpacePage::Show()
{
    ShowList(IDC_CONFIG_LIST);
    m_fields.Show(true);
}

void CConfigSpacePage::Hide()
{
    HideList(IDC_CONFIG_LIST);
    m_fields.Show(false);
}

namespace {

// Keeps a list from repainting while it is refilled row by row, then repaints it once:
// a repaint per row made a selection take a second under Wine.
class CRedrawSuspension {
public:
    explicit CRedrawSuspension(CListCtrl& list) : m_list(list)
    {
        if (m_list.m_hWnd != nullptr)
            m_list.SetRedraw(FALSE);
    }
    ~CRedrawSuspension()
    {
        if (m_list.m_hWnd == nullptr)
            return;
        m_list.SetRedraw(TRUE);
        m_list.Invalidate();
    }
    CRedrawSuspension(const CRedrawSuspension&) = delete;
    CRedrawSuspension& operator=(const CRedrawSuspension&) = delete;

private:
    CListCtrl& m_list;
};

} // namespace

void CConfigSpacePage::SetFunction(CPciFunction* function)
{
    CConfigSpaceModel::SetFunction(function);
    ShowRows();
    m_fields.ShowRegister(function, std::nullopt);
}

void CConfigSpacePage::SetHexMode(bool hex)
{
    CConfigSpaceModel::SetHexMode(hex);
    ShowRows();
    m_fields.SetHexMode(hex);
}

// Rows that stay in place only have their changed cells rewritten: a few hundred
// cell changes cost a Wine list view about 2 ms, resuming its redraw after a
// refill 10-20 ms. Either way no row is selected or focused afterwards, and the
// list keeps its scroll position as a refill with redraw suspended keeps it.
void CConfigSpacePage::ShowRows()
{
    if (m_list.m_hWnd == nullptr)
        return;
    const std::vector<CRegisterRow>& rows = GetRows();
    const int count = static_cast<int>(rows.size());
    if (count == 0) {
        m_list.DeleteAllItems();
        return;
    }
    if (m_list.GetItemCount() != count) {
        CRedrawSuspension suspension(m_list);
        m_list.DeleteAllItems();
        for (const CRegisterRow& row : rows) {
            const int item = m_list.InsertItem(m_list.GetItemCount(), row.offsetText.c_str());
            for (int column = 1; column < CRegisterRow::kColumnCount; ++column)
                m_list.SetItemText(item, column, row.Column(column).c_str());
            m_list.SetItemData(item, row.Tag());
        }
        return;
    }
    m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SendMessage(LVM_SETSELECTIONMARK, 0, -1);
    RewriteChangedCells();
}

void CConfigSpacePage::ShowEditedRows()
{
    if (m_list.m_hWnd != nullptr && m_list.GetItemCount() == static_cast<int>(GetRows().size()))
        RewriteChangedCells();
    else
        ShowRows();
}

void CConfigSpacePage::RewriteChangedCells()
{
    const std::vector<CRegisterRow>& rows = GetRows();
    const int count = static_cast<int>(rows.size());
    for (int item = 0; item < count; ++item) {
        const CRegisterRow& row = rows[static_cast<size_t>(item)];
        for (int column = 0; column < CRegisterRow::kColumnCount; ++column) {
            if (m_list.GetItemText(item, column) != row.Column(column))
                m_list.SetItemText(item, column, row.Column(column).c_str());
        }
        if (m_list.GetItemData(item) != row.Tag())
            m_list.SetItemData(item, row.Tag());
    }
    // Which rows differ from a compared image depends on the function, not on the cells
    // rewritten above: every row is drawn again.
    if (m_comparison != nullptr)
        m_list.Invalidate();
}

void CConfigSpacePage::SetComparison(const CMachineComparison* comparison)
{
    m_comparison = comparison;
    if (m_list.m_hWnd != nullptr)
        m_list.Invalidate();
}

std::string CConfigSpacePage::GetRowNote(int row) const
{
    const auto& rows = GetRows();
    if (m_comparison == nullptr || row < 0 || size_t(row) >= rows.size())
        return {};
    const CRegisterDifference* difference = m_comparison->FindDifference(GetFunction(), rows[size_t(row)].offset);
    return difference != nullptr ? CMachineComparison::FormatValues(*difference) : std::string();
}

std::string CConfigSpacePage::GetCursorNote() const
{
    return m_list.m_hWnd != nullptr ? GetRowNote(m_list.GetCursorRow()) : std::string();
}

LRESULT CConfigSpacePage::OnCustomDraw(NMLVCUSTOMDRAW* draw) const
{
    if (m_comparison == nullptr)
        return CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    const auto& rows = GetRows();
    const size_t item = size_t(draw->nmcd.dwItemSpec);
    if (item >= rows.size() || !(m_comparison->RegisterDiffers(GetFunction(), rows[item].offset)))
        return CDRF_DODEFAULT;
    // Each cell of the row takes the colour: the list asks cell by cell and keeps a changed
    // colour only when told so.
    draw->clrTextBk = kComparisonColor;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
        return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
    return (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) ? CDRF_NEWFONT : CDRF_DODEFAULT;
}

void CConfigSpacePage::Reread()
{
    CPciFunction* function = GetFunction();
    if (function == nullptr)
        return;
    function->ReloadSpace();
    SetFunction(function);
}

void CConfigSpacePage::OnBeginEdit(int item, int)
{
    const auto& rows = GetRows();
    m_editTarget = {};
    if (item < 0 || size_t(item) >= rows.size())
        return;
    m_editTarget = {true, GetFunction(), rows[size_t(item)].Tag(), IsHexMode()};
}

// The text goes to the register the edit opened on, parsed in the radix shown then; an edit
// whose function is no longer shown is dropped rather than written anywhere else.
void CConfigSpacePage::OnEndEdit(int item, int subItem, const char* text)
{
    bool typedInHex = IsHexMode();
    if (m_editTarget.open) {
        const CEditTarget target = m_editTarget;
        m_editTarget = {};
        if (target.function != GetFunction())
            return;
        item = -1;
        const auto& rows = GetRows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].Tag() == target.tag)
                item = int(i);
        }
        typedInHex = target.hexMode;
    }
    ForgetRefusedWrite(GetFunction());
    m_warned = false;
    if (CConfigSpaceModel::OnEndEdit(item, subItem, text, typedInHex))
        ShowEditedRows();
    m_fields.Reload();
    ReportRefusedWrite(GetFunction(), !m_warned);
}

void CConfigSpacePage::OnEditTextChanged(int, int, const std::string& text) const
{
    if (!m_editTarget.open || m_editTarget.function == nullptr)
        return;
    ShowStatusMessage(CRegisterEdit::Preview(*m_editTarget.function, m_editTarget.tag >> kTagOffsetShift,
                                             m_editTarget.tag & kTagSizeMask, text.c_str(), m_editTarget.hexMode));
}

void CConfigSpacePage::ShowWriteStatus(const std::string& text)
{
    if (!text.empty())
        ShowStatusMessage(text);
}

bool CConfigSpacePage::ConfirmWrite(const std::string& question)
{
    return ConfirmHostOwnedWrite(question);
}

void CConfigSpacePage::ShowCursorFields()
{
    const auto& rows = GetRows();
    const int row = m_list.m_hWnd != nullptr ? m_list.GetCursorRow() : -1;
    if (row < 0 || size_t(row) >= rows.size())
        m_fields.ShowRegister(GetFunction(), std::nullopt);
    else
        m_fields.ShowRegister(GetFunction(), rows[size_t(row)].offset);
}

void CConfigSpacePage::WarningBeep()
{
    m_warned = true;
    AfxMessageBeep(MB_ICONEXCLAMATION);
}

bool CConfigSpacePage::LoadContextMenu(CIconMenu& menu) const
{
    if (!menu.LoadFromResource(IDR_CONFIG_SPACE_POPUP))
        return false;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr)
        return false;
    popup->CheckMenuItem(ID_VIEW_HEXADECIMAL, MF_BYCOMMAND | (IsHexMode() ? MF_CHECKED : MF_UNCHECKED));
    return true;
}

// The one place that loads and tracks the page's popup; the view receives the command.
void CConfigSpacePage::OnContextMenu(CWnd*, int x, int y)
{
    CIconMenu menu;
    if (LoadContextMenu(menu))
        menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, x, y, GetParent());
}
