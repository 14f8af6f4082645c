#include "views/BarPage.h"
#include "controls/PaneColors.h"
#include "views/DisplaySettings.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "decode/ConfigSpaceModel.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "controls/iconmenu/IconMenu.h"
#include "res/resource.h"

namespace {

constexpr int kAddressColumnWidth = 100;
constexpr int kAsciiColumnWidth = 100;
constexpr char kProbeQuestion[] = "To determine the BAR size the PCI Function must be probed which may\n"
                                  "have device-dependent side-effects. Do you want to continue?";
constexpr char kWarningCaption[] = "Warning";
constexpr char kUnprintable = '.';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;

int UnitColumnWidth(int unitWidth)
{
    switch (unitWidth) {
    case kWordUnit: return 75;
    case kDwordUnit: return 100;
    default: return 40;
    }
}

std::string Format(const char* format, uint32_t value)
{
    char text[32];
    snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

} // namespace

bool CBarPage::s_hexDisplay = true;
int CBarPage::s_unitWidth = kByteUnit;

void CBarPage::ResetDisplaySettings()
{
    s_hexDisplay = true;
    s_unitWidth = kByteUnit;
}

CBarPage::CBarPage(CWnd* view, int barIndex) : CFunctionPage(view), m_barIndex(barIndex), m_cacheUnitWidth(s_unitWidth)
{
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

void CBarPage::SetUnitWidth(int w)
{
    if (w != kByteUnit && w != kWordUnit && w != kDwordUnit)
        return;
    if (s_unitWidth == w)
        return;
    s_unitWidth = w;
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
    m_valueCache.clear();
    m_cacheUnitWidth = s_unitWidth;
}

void CBarPage::CheckCacheWidth()
{
    if (m_cacheUnitWidth != s_unitWidth)
        EmptyCache();
}

int CBarPage::RowCountForSize(uint32_t size)
{
    const uint32_t rows = size / kBytesPerRow;
    return rows >= 1 ? static_cast<int>(rows) : 1;
}

// The probing question may open here, before the row count is set.
void CBarPage::RebuildGrid()
{
    BuildColumns();
    const int rows = RowCountForSize(GetBarSize());
    if (m_list.m_hWnd != nullptr)
        m_list.SetItemCountEx(rows, LVSICF_NOINVALIDATEALL);
}

void CBarPage::BuildColumns()
{
    if (m_list.m_hWnd == nullptr)
        return;
    m_list.SetItemCountEx(0, LVSICF_NOINVALIDATEALL);
    while (m_list.DeleteColumn(0)) {
    }
    m_list.InsertColumn(0, "Address", LVCFMT_LEFT);
    m_list.SetColumnWidth(0, kAddressColumnWidth);
    const int units = GetUnitColumnCount();
    for (int i = 0; i < units; ++i) {
        const uint32_t offset = static_cast<uint32_t>(i * s_unitWidth);
        const std::string heading = Format(s_hexDisplay ? "+%02xh" : "+%u", offset);
        m_list.InsertColumn(i + 1, heading.c_str(), LVCFMT_LEFT);
        m_list.SetColumnWidth(i + 1, UnitColumnWidth(s_unitWidth));
    }
    m_list.InsertColumn(units + 1, "ASCII", LVCFMT_LEFT);
    m_list.SetColumnWidth(units + 1, kAsciiColumnWidth);
}

uint32_t CBarPage::GetBarSize()
{
    if (m_function == nullptr || m_barIndex < 0 || m_barIndex >= int(pci::kMaxBars))
        return 0;
    const uint32_t known = m_function->m_barSizes[m_barIndex];
    if (known != 0)
        return known;
    HWND owner = GetParent() != nullptr ? GetParent()->m_hWnd : nullptr;
    if (AfxShowMessageBox(owner, kProbeQuestion, kWarningCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return 0;
    return m_function->ProbeBarSize(m_barIndex);
}

uint32_t CBarPage::GetKnownBarSize() const
{
    if (m_function == nullptr || m_barIndex < 0 || m_barIndex >= int(pci::kMaxBars))
        return 0;
    return m_function->m_barSizes[m_barIndex];
}

uint32_t CBarPage::ReadUnit(uint32_t offset)
{
    CheckCacheWidth();
    const auto cached = m_valueCache.find(offset);
    if (cached != m_valueCache.end())
        return cached->second;
    uint32_t value = 0;
    if (m_function != nullptr)
        m_function->ReadDeviceData(m_barIndex, offset, &value, static_cast<uint32_t>(s_unitWidth), 1);
    // A failed read shows (and keeps) 0 rather than asking the device again at every paint.
    m_valueCache[offset] = value;
    return value;
}

std::string CBarPage::FormatUnit(uint32_t value) const
{
    if (!s_hexDisplay)
        return Format("%ud", value);
    switch (s_unitWidth) {
    case kWordUnit: return Format("%04Xh", value);
    case kDwordUnit: return Format("%08Xh", value);
    default: return Format("%02Xh", value);
    }
}

std::string CBarPage::AsciiText(int row)
{
    std::string text;
    const int units = GetUnitColumnCount();
    for (int unit = 0; unit < units; ++unit) {
        const uint32_t value = ReadUnit(static_cast<uint32_t>(row) * kBytesPerRow + unit * s_unitWidth);
        for (int byte = 0; byte < s_unitWidth; ++byte) {
            const unsigned char c = static_cast<unsigned char>(value >> (8 * byte));
            text += (c >= kFirstPrintable && c <= kLastPrintable) ? static_cast<char>(c) : kUnprintable;
        }
    }
    return text;
}

std::string CBarPage::CellText(int row, int column)
{
    const uint32_t rowOffset = static_cast<uint32_t>(row) * kBytesPerRow;
    if (column == 0)
        return Format(s_hexDisplay ? "%08Xh" : "%ud", rowOffset);
    const int units = GetUnitColumnCount();
    if (column == units + 1)
        return AsciiText(row);
    if (column < 1 || column > units)
        return {};
    return FormatUnit(ReadUnit(rowOffset + static_cast<uint32_t>((column - 1) * s_unitWidth)));
}

void CBarPage::GetCellText(NMLVDISPINFOA* info)
{
    if (info == nullptr || (info->item.mask & LVIF_TEXT) == 0)
        return;
    if (info->item.pszText == nullptr || info->item.cchTextMax <= 0 || info->item.iItem < 0)
        return;
    const std::string text = CellText(info->item.iItem, info->item.iSubItem);
    const size_t room = static_cast<size_t>(info->item.cchTextMax) - 1;
    const size_t length = text.size() < room ? text.size() : room;
    memcpy(info->item.pszText, text.data(), length);
    info->item.pszText[length] = '\0';
}

void CBarPage::OnBeginEdit(int item, int subItem)
{
    m_editTarget = {};
    const int units = GetUnitColumnCount();
    if (m_function == nullptr || item < 0 || subItem < 1 || subItem > units)
        return;
    const uint32_t offset =
        static_cast<uint32_t>(item) * kBytesPerRow + static_cast<uint32_t>((subItem - 1) * s_unitWidth);
    m_editTarget = {true, m_function, offset, s_unitWidth, s_hexDisplay};
}

// The text goes to the unit the edit opened on, at the width and in the radix shown then;
// an edit whose function is no longer shown, or whose width is gone, is dropped.
void CBarPage::OnEndEdit(int item, int subItem, const char* text)
{
    const int units = GetUnitColumnCount();
    if (m_function == nullptr || text == nullptr || item < 0 || subItem < 1 || subItem > units)
        return;
    uint32_t offset = static_cast<uint32_t>(item) * kBytesPerRow + static_cast<uint32_t>(subItem - 1) * s_unitWidth;
    bool typedInHex = s_hexDisplay;
    if (m_editTarget.open) {
        const CEditTarget target = m_editTarget;
        m_editTarget = {};
        if (target.function != m_function || target.unitWidth != s_unitWidth)
            return;
        offset = target.offset;
        typedInHex = target.hexDisplay;
    }
    CheckCacheWidth();
    const uint32_t width = static_cast<uint32_t>(s_unitWidth);
    const uint32_t typed = CConfigSpaceModel::ParseValue(text, typedInHex);
    uint32_t value = typed;
    m_function->WriteDeviceData(m_barIndex, offset, &value, width, 1);
    uint32_t readBack = 0;
    m_function->ReadDeviceData(m_barIndex, offset, &readBack, width, 1);
    m_valueCache[offset] = readBack;
    if (readBack != typed)
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
