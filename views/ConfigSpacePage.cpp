#include "views/ConfigSpacePage.h"

#include <string.h>

#include "device/PciFunction.h"
#include "controls/PaneColors.h"

#include "framework/Afx.h"
#include "controls/iconmenu/IconMenu.h"
#include "res/resource.h"

namespace {

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
}

void CConfigSpacePage::Show()
{
    ShowList(IDC_CONFIG_LIST);
}

void CConfigSpacePage::Hide()
{
    HideList(IDC_CONFIG_LIST);
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
    CRedrawSuspension suspension(m_list);
    CConfigSpaceModel::SetFunction(function);
}

void CConfigSpacePage::SetHexMode(bool hex)
{
    CRedrawSuspension suspension(m_list);
    CConfigSpaceModel::SetHexMode(hex);
}

void CConfigSpacePage::ClearRegisterList()
{
    CConfigSpaceModel::ClearRegisterList();
    if (m_list.m_hWnd != nullptr)
        m_list.DeleteAllItems();
}

void CConfigSpacePage::AddRegisterRow(uint16_t offset, uint16_t size, const std::string& name, uint32_t value,
                                      const std::string& decoded)
{
    CConfigSpaceModel::AddRegisterRow(offset, size, name, value, decoded);
    if (m_list.m_hWnd == nullptr)
        return;
    const CRegisterRow& row = GetRows().back();
    const int item = m_list.InsertItem(m_list.GetItemCount(), row.offsetText.c_str());
    for (int column = 1; column < CRegisterRow::kColumnCount; ++column)
        m_list.SetItemText(item, column, row.Column(column).c_str());
    m_list.SetItemData(item, row.Tag());
}

void CConfigSpacePage::Reread()
{
    CPciFunction* function = GetFunction();
    if (function == nullptr)
        return;
    if (function->ReadConfigSpace(function->m_bus, function->m_device, function->m_function, function->m_config))
        memcpy(function->m_shadow, function->m_config, sizeof function->m_shadow);
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
    const std::optional<std::string> shown = CConfigSpaceModel::OnEndEdit(item, subItem, text, typedInHex);
    if (shown && m_list.m_hWnd != nullptr)
        m_list.SetItemText(item, subItem, shown->c_str());
}

void CConfigSpacePage::WarningBeep()
{
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
