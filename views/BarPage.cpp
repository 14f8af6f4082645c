#include "views/BarPage.h"
#include "controls/PaneColors.h"
#include "views/DisplaySettings.h"

#include <string.h>

#include <optional>

#include "decode/JournalRecorder.h"
#include "decode/TypedValue.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "views/ModalQuestion.h"
#include "controls/iconmenu/IconMenu.h"
#include "res/resource.h"

namespace {

constexpr int kAddressColumnWidth = 100;
constexpr int kAsciiColumnWidth = 100;
// The note starts where the list's own text of the row would.
constexpr int kNoteInset = 6;
constexpr char kProbeQuestion[] = "To determine the BAR size the PCI Function must be probed which may\n"
                                  "have device-dependent side-effects. Do you want to continue?";
constexpr char kWarningCaption[] = "Warning";

int UnitColumnWidth(int unitWidth)
{
    switch (unitWidth) {
    case kWordUnit: return 75;
    case kDwordUnit: return 100;
    default: return 40;
    }
}

} // namespace

bool CBarPage::s_hexDisplay = true;
int CBarPage::s_unitWidth = kByteUnit;

void CBarPage::ResetDisplaySettings()
{
    s_hexDisplay = true;
    s_unitWidth = kByteUnit;
}

CBarPage::CBarPage(CWnd* view, int barIndex) : CFunctionPage(view), m_barIndex(barIndex)
{
    SyncGridSettings();
    m_list.SubclassDlgItem(static_cast<UINT>(GetListId()), view);
    m_list.SetCells(this);
    if (m_list.m_hWnd != nullptr) {
        m_list.SetBkColor(kPaneBackgroundColor);
        m_list.SetExtendedStyle(LVS_EX_GRIDLINES);
    }
}

// The list window belongs to the view's dialog: it stays, hidden, for the next BAR page.
CBarPage::~CBarPage()
{
    if (m_list.m_hWnd != nullptr) {
        m_list.SetItemCountEx(0);
        m_list.UnsubclassWindow();
    }
    EmptyCache();
}

int CBarPage::GetListId() const
{
    return IDC_BAR0_LIST + m_barIndex;
}

void CBarPage::OnSize(UINT, int cx, int)
{
    FitList(GetListId(), IDC_FUNCTION_TABS, cx);
}

void CBarPage::Show()
{
    ShowList(GetListId());
}

void CBarPage::Hide()
{
    HideList(GetListId());
}

void CBarPage::SetFunction(CPciFunction* function)
{
    m_function = function;
    RebuildGrid();
}

void CBarPage::SetHexMode(bool hex)
{
    s_hexDisplay = hex;
    RebuildGrid();
}

void CBarPage::SetSharedUnitWidth(int w)
{
    if (w == kByteUnit || w == kWordUnit || w == kDwordUnit)
        s_unitWidth = w;
}

void CBarPage::SetUnitWidth(int w)
{
    if (w != kByteUnit && w != kWordUnit && w != kDwordUnit)
        return;
    if (s_unitWidth == w)
        return;
    SetSharedUnitWidth(w);
    RebuildGrid();
    EmptyCache();
}

void CBarPage::Refresh()
{
    RebuildGrid();
    EmptyCache();
}

void CBarPage::EmptyCache()
{
    m_grid.EmptyCache();
}

void CBarPage::SyncGridSettings()
{
    m_grid.SetUnitWidth(s_unitWidth);
    m_grid.SetHexDisplay(s_hexDisplay);
}

// The probing question may open here, before the row count is set.
void CBarPage::RebuildGrid()
{
    BuildColumns();
    m_grid.SetRange(m_function, m_barIndex, GetBarSize());
    if (m_list.m_hWnd != nullptr)
        m_list.SetItemCountEx(m_grid.GetRowCount(), LVSICF_NOINVALIDATEALL);
}

void CBarPage::BuildColumns()
{
    if (m_list.m_hWnd == nullptr)
        return;
    m_list.SetItemCountEx(0, LVSICF_NOINVALIDATEALL);
    while (m_list.DeleteColumn(0)) {
    }
    SyncGridSettings();
    const int ascii = m_grid.GetAsciiColumn();
    for (int column = 0; column < m_grid.GetColumnCount(); ++column) {
        m_list.InsertColumn(column, m_grid.GetHeading(column).c_str(), LVCFMT_LEFT);
        int width = UnitColumnWidth(s_unitWidth);
        if (column == 0)
            width = kAddressColumnWidth;
        else if (column == ascii)
            width = kAsciiColumnWidth;
        m_list.SetColumnWidth(column, width);
    }
}

uint64_t CBarPage::GetBarSize()
{
    if (m_function == nullptr || m_barIndex < 0 || m_barIndex >= int(pci::kMaxBars))
        return 0;
    const uint64_t known = m_function->m_barSizes[m_barIndex];
    if (known != 0)
        return known;
    HWND owner = GetParent() != nullptr ? GetParent()->m_hWnd : nullptr;
    // Asked as a question, so that m_function outlives the box and is still the one probed.
    if (CModalQuestion::Ask(owner, kProbeQuestion, kWarningCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return 0;
    const uint64_t size = m_function->ProbeBarSize(m_barIndex);
    // The status bar names the BAR with its size, which was unknown until now.
    RefreshStatusText();
    return size;
}

uint64_t CBarPage::GetKnownBarSize() const
{
    if (m_function == nullptr || m_barIndex < 0 || m_barIndex >= int(pci::kMaxBars))
        return 0;
    return m_function->m_barSizes[m_barIndex];
}

std::optional<CGoToOffsetDialog::CRange> CBarPage::GetGoToRange() const
{
    const uint64_t size = GetKnownBarSize();
    return CGoToOffsetDialog::CRange{"BAR " + std::to_string(m_barIndex), size,
                                     size != 0 ? m_grid.GetShownBytes() : kBytesPerRow};
}

void CBarPage::GetCellText(NMLVDISPINFOA* info)
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

LRESULT CBarPage::OnCustomDraw(NMLVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    CRect bounds;
    if (!m_grid.IsNoteRow(row) || !m_list.GetItemRect(row, &bounds, LVIR_BOUNDS))
        return CDRF_DODEFAULT;
    HDC dc = draw->nmcd.hdc;
    ::SetBkColor(dc, kPaneBackgroundColor);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);
    ::SetTextColor(dc, AfxGetSysColor(COLOR_WINDOWTEXT));
    bounds.left += kNoteInset;
    const std::string note = m_grid.GetNoteText();
    ::DrawTextA(dc, note.c_str(), static_cast<int>(note.size()), &bounds,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    return CDRF_SKIPDEFAULT;
}

bool CBarPage::IsEditableCell(int item, int subItem)
{
    SyncGridSettings();
    return m_grid.IsEditableUnit(item, subItem);
}

bool CBarPage::IsCellEditable(int row, int column) const
{
    // Bringing the grid up to the shared width and radix is not a change the caller can see.
    return const_cast<CBarPage*>(this)->IsEditableCell(row, column);
}

void CBarPage::OnBeginEdit(int item, int subItem)
{
    m_editTarget = {};
    SyncGridSettings();
    const std::optional<uint32_t> offset = m_grid.GetEditableOffset(item, subItem);
    if (m_function == nullptr || !offset)
        return;
    m_editTarget = {true, m_function, *offset, s_unitWidth, s_hexDisplay};
}

// The text goes to the unit the edit opened on, at the width and in the radix shown then;
// an edit whose function is no longer shown, or whose width is gone, is dropped.
void CBarPage::OnEndEdit(int item, int subItem, const char* text)
{
    SyncGridSettings();
    // Only a unit wholly inside the range is ever written.
    const std::optional<uint32_t> unitOffset = m_grid.GetEditableOffset(item, subItem);
    if (m_function == nullptr || text == nullptr || !unitOffset)
        return;
    uint32_t offset = *unitOffset;
    bool typedInHex = s_hexDisplay;
    if (m_editTarget.open) {
        const CEditTarget target = m_editTarget;
        m_editTarget = {};
        if (target.function != m_function || target.unitWidth != s_unitWidth)
            return;
        offset = target.offset;
        typedInHex = target.hexDisplay;
    }
    const uint32_t width = static_cast<uint32_t>(s_unitWidth);
    const CTypedValue typed = CTypedValue::Parse(text, typedInHex, width);
    if (!typed.value) {
        ReportRefusedEdit(typed.refusal);
        return;
    }
    uint32_t value = *typed.value;
    ForgetRefusedWrite(m_function);
    uint32_t before = 0;
    m_function->ReadDeviceData(m_barIndex, offset, &before, width, 1);
    const bool written = m_function->WriteDeviceData(m_barIndex, offset, &value, width, 1);
    uint32_t readBack = 0;
    const bool readBackOk = m_function->ReadDeviceData(m_barIndex, offset, &readBack, width, 1);
    if (auto* recorder = dynamic_cast<CJournalRecorder*>(m_function->GetWriteObserver()))
        recorder->RecordBarUnit(*m_function, m_barIndex, offset, width, before, value, readBack, !written);
    m_grid.StoreUnit(offset, readBackOk ? std::optional<uint32_t>(readBack) : std::nullopt);
    if (!ReportRefusedWrite(m_function) && (!readBackOk || readBack != *typed.value))
        AfxMessageBeep(MB_ICONEXCLAMATION);
    if (m_list.m_hWnd != nullptr) {
        m_list.SetItemCountEx(m_list.GetItemCount(), LVSICF_NOINVALIDATEALL);
        m_list.RedrawItems(int(offset / kBytesPerRow), int(offset / kBytesPerRow));
    }
}

bool CBarPage::LoadContextMenu(CIconMenu& menu) const
{
    if (!menu.LoadFromResource(IDR_BAR_POPUP))
        return false;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr)
        return false;
    auto check = [popup](UINT id, bool on) {
        popup->CheckMenuItem(id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    check(ID_VIEW_HEXADECIMAL, s_hexDisplay);
    check(ID_VIEW_8BIT, s_unitWidth == kByteUnit);
    check(ID_VIEW_16BIT, s_unitWidth == kWordUnit);
    check(ID_VIEW_32BIT, s_unitWidth == kDwordUnit);
    return true;
}

// The one place that loads and tracks the page's popup; the view receives the command.
void CBarPage::OnContextMenu(CWnd*, int x, int y)
{
    CIconMenu menu;
    if (LoadContextMenu(menu))
        menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, x, y, GetParent());
}
