#include "views/PciFunctionView.h"
#include "controls/PaneColors.h"

#include <algorithm>
#include <string>

#include "controls/ClipboardText.h"
#include "controls/EditListCtrl.h"
#include "controls/iconmenu/IconMenu.h"
#include "decode/JournalRecorder.h"
#include "views/ConfigSpacePage.h"
#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "framework/Dc.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "res/resource.h"
#include "views/BarPage.h"
#include "views/BarSummary.h"
#include "views/CapabilitiesPage.h"
#include "views/DisplaySettings.h"
#include "views/ComparisonSource.h"
#include "views/GoToOffsetDialog.h"
#include "views/ModalQuestion.h"
#include "views/SpaceHexPage.h"
#include "views/ViewHints.h"

namespace {

constexpr int kConfigSpaceTab = 0;
constexpr int kFirstBarTab = 1;

} // namespace

int CPciFunctionView::s_previousTab = 0;

IMPLEMENT_DYNCREATE(CPciFunctionView, CFormView)

BEGIN_MESSAGE_MAP(CPciFunctionView, CFormView)
ON_WM_SIZE()
ON_WM_ERASEBKGND()
ON_WM_CONTEXTMENU()
ON_WM_DESTROY()
ON_WM_INITMENUPOPUP()
ON_WM_MENUCHAR()
ON_COMMAND(ID_VIEW_HEXADECIMAL, OnHexadecimalDisplay)
ON_COMMAND(ID_VIEW_8BIT, On8BitDisplay)
ON_COMMAND(ID_VIEW_16BIT, On16BitDisplay)
ON_COMMAND(ID_VIEW_32BIT, On32BitDisplay)
ON_COMMAND(ID_PAGE_REFRESH, OnPageRefresh)
ON_COMMAND(ID_REFRESH_ACTIVE_PANE, OnRefreshActivePane)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_EDIT_GOTO_OFFSET, OnGoToOffset)
ON_COMMAND(ID_NEXT_FUNCTION_TAB, OnNextTab)
ON_COMMAND(ID_PREV_FUNCTION_TAB, OnPrevTab)
END_MESSAGE_MAP()

CPciFunctionView::CPciFunctionView() : CFormView(IDD_FUNCTION_VIEW)
{
}

CPciFunctionView::~CPciFunctionView()
{
    ReleasePages();
}

void CPciFunctionView::OnInitialUpdate()
{
    // The tab row and the configuration page exist once for the view's life.
    if (m_tabs.m_hWnd != nullptr)
        return;
    if (!m_tabs.SubclassDlgItem(IDC_FUNCTION_TABS, this))
        return;
    m_configPage = std::make_unique<CConfigSpacePage>(this);
    m_capabilitiesPage = std::make_unique<CCapabilitiesPage>(this);
    m_spaceHexPage = std::make_unique<CSpaceHexPage>(this);
    m_tabs.InsertItem(TCIF_TEXT | TCIF_PARAM, kConfigSpaceTab, kConfigSpaceTabText, 0,
                      reinterpret_cast<LPARAM>(static_cast<CFunctionPage*>(m_configPage.get())));
    m_tabs.SetTabSize(kTabWidth, kTabHeight);
}

void CPciFunctionView::OnUpdate(CView*, LPARAM lHint, CObject* pHint)
{
    if (lHint == CViewHints::HINT_COMPARISON_CHANGED || lHint == CViewHints::HINT_MODEL_REBUILT) {
        const auto* source = dynamic_cast<const CComparisonSource*>(m_pDocument);
        const CMachineComparison* comparison = source != nullptr ? source->GetComparison() : nullptr;
        if (m_configPage != nullptr)
            m_configPage->SetComparison(comparison);
        if (m_capabilitiesPage != nullptr)
            m_capabilitiesPage->SetComparison(comparison);
        return;
    }
    if (lHint == CViewHints::HINT_FUNCTION_WRITTEN) {
        OnRefreshActivePane();
        return;
    }
    if (lHint == CViewHints::HINT_MODEL_REBUILDING || lHint == CViewHints::HINT_SCAN_STARTING) {
        // The functions are about to be freed: an open edit goes to its function first.
        CommitOpenEdit();
        return;
    }
    if (lHint != CViewHints::HINT_SELECTION_CHANGED || m_configPage == nullptr)
        return;
    CommitOpenEdit();
    m_function = CViewHints::FunctionFromHint(pHint);
    // An unreadable function's image is not the device's: no page may show or write it.
    if (m_function != nullptr && !m_function->IsReadable())
        m_function = nullptr;
    SelectTab(kConfigSpaceTab, -1);
    RebuildBarTabs(m_function);
    // With a tab row, SelectTab has listed the rows already; listing them again
    // cost a second list refill, which is most of a selection under Wine.
    if (GetPage(kConfigSpaceTab) == nullptr)
        m_configPage->SetFunction(m_function);
    UpdateStatusText();
}

CFunctionPage* CPciFunctionView::GetPage(int tabIndex) const
{
    if (m_tabs.m_hWnd == nullptr)
        return nullptr;
    return static_cast<CFunctionPage*>(m_tabs.GetTabData(tabIndex));
}

CFunctionPage* CPciFunctionView::GetCurrentPage() const
{
    if (m_tabs.m_hWnd == nullptr)
        return nullptr;
    return static_cast<CFunctionPage*>(m_tabs.GetCurrentTabData());
}

CBarPage* CPciFunctionView::GetCurrentBarPage() const
{
    CFunctionPage* page = GetCurrentPage();
    if (page == nullptr || page->GetPageKind() != CFunctionPage::kBarPageKind)
        return nullptr;
    return static_cast<CBarPage*>(page);
}

CEditListCtrl* CPciFunctionView::GetCurrentList() const
{
    CFunctionPage* page = GetCurrentPage();
    return page != nullptr ? &page->GetList() : nullptr;
}

void CPciFunctionView::OnEditCopy()
{
    CEditListCtrl* list = GetCurrentList();
    if (list == nullptr || list->m_hWnd == nullptr)
        return;
    const int selected = static_cast<int>(list->SendMessage(LVM_GETSELECTEDCOUNT));
    if (selected > kMaxCopyRows) {
        const std::string text = "Copy takes at most " + std::to_string(kMaxCopyRows) + " rows at a time; " +
            std::to_string(selected) + " rows are selected.";
        AfxShowMessageBox(m_hWnd, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::string text = list->GetSelectedRowsText();
    if (!text.empty() && !SetClipboardText(m_hWnd, text))
        AfxMessageBeep(MB_ICONEXCLAMATION);
}

// Ctrl+G: the BAR grids and the Hex grid have offsets to go to.
void CPciFunctionView::OnGoToOffset()
{
    CFunctionPage* page = GetCurrentPage();
    const std::optional<CGoToOffsetDialog::CRange> range = page != nullptr ? page->GetGoToRange() : std::nullopt;
    if (!range || page->GetList().m_hWnd == nullptr)
        return;
    CommitOpenEdit();
    CGoToOffsetDialog dialog(this, *range, CBarPage::IsHexDisplay());
    // The page must outlive the dialog: a rescan asked for meanwhile waits.
    const CModalQuestion question;
    if (dialog.DoModal() != IDOK)
        return;
    const uint64_t offset = dialog.GetOffset();
    const int unitWidth = CBarPage::GetUnitWidth();
    const int row = static_cast<int>(offset / CBarPage::kBytesPerRow);
    const int column = 1 + static_cast<int>(offset % CBarPage::kBytesPerRow) / unitWidth;
    CEditListCtrl& list = page->GetList();
    list.SetCursorCell(row, column);
    list.SetFocus();
}

void CPciFunctionView::OnSize(UINT nType, int cx, int cy)
{
    // The form is always exactly as large as the pane, so it never shows scroll bars.
    SetScrollSizes(MM_TEXT, CSize(cx, cy));
    CFormView::OnSize(nType, cx, cy);
    CWnd* tabs = GetDlgItem(IDC_FUNCTION_TABS);
    if (tabs == nullptr)
        return;
    CRect rect;
    tabs->GetWindowRect(&rect);
    tabs->SetWindowPos(nullptr, 0, 0, cx, rect.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    if (m_tabs.m_hWnd != nullptr) {
        const int count = m_tabs.GetItemCount();
        for (int i = 0; i < count; ++i) {
            if (CFunctionPage* page = GetPage(i))
                page->OnSize(nType, cx, cy);
        }
    }
    m_lastCx = cx;
    m_lastCy = cy;
}

BOOL CPciFunctionView::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, kPaneBackgroundColor);
    return TRUE;
}

void CPciFunctionView::OnContextMenu(CWnd* pWnd, CPoint point)
{
    // From the keyboard the point is (-1, -1): the menu opens at the pointer instead.
    if (point.x == -1 && point.y == -1)
        ::GetCursorPos(&point);
    if (CFunctionPage* page = GetCurrentPage())
        page->OnContextMenu(pWnd, point.x, point.y);
}

// The pages' context menus are icon menus owned by this view while they are open.
void CPciFunctionView::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    CFormView::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    if (!bSysMenu && CIconMenu::IsIconMenu(pPopupMenu))
        CIconMenu::RefreshPopup(pPopupMenu);
}

LRESULT CPciFunctionView::OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    if (CIconMenu::IsIconMenu(pMenu))
        return CIconMenu::HandleMenuChar(nChar, nFlags, pMenu);
    return CFormView::OnMenuChar(nChar, nFlags, pMenu);
}

void CPciFunctionView::OnDestroy()
{
    ReleasePages();
    CFormView::OnDestroy();
}

std::string CPciFunctionView::GetCurrentBarSummary() const
{
    CBarPage* page = GetCurrentBarPage();
    if (page == nullptr || m_function == nullptr)
        return {};
    return CBarSummary::Text(m_function->GetBar(page->GetBarIndex()));
}

std::string CPciFunctionView::GetCursorComparisonNote() const
{
    if (m_configPage == nullptr || GetCurrentPage() != m_configPage.get())
        return {};
    return m_configPage->GetCursorNote();
}

void CPciFunctionView::UpdateStatusText()
{
    if (CFrameWnd* frame = GetParentFrame())
        frame->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
}

void CPciFunctionView::CommitOpenEdit()
{
    if (m_configPage != nullptr)
        m_configPage->GetList().CommitOpenEdit();
    for (const auto& page : m_barPages)
        page->GetList().CommitOpenEdit();
    if (m_capabilitiesPage != nullptr)
        m_capabilitiesPage->GetList().CommitOpenEdit();
    if (m_spaceHexPage != nullptr)
        m_spaceHexPage->GetList().CommitOpenEdit();
}

// The pages let go of their lists while the windows still exist; an open edit is committed first.
void CPciFunctionView::ReleasePages()
{
    CommitOpenEdit();
    if (m_tabs.m_hWnd != nullptr)
        m_tabs.DeleteAllItems();
    m_barPages.clear();
    m_capabilitiesPage.reset();
    m_spaceHexPage.reset();
    m_configPage.reset();
}

void CPciFunctionView::OnHexadecimalDisplay()
{
    CommitOpenEdit();
    m_hexDisplay = !m_hexDisplay;
    const int count = m_tabs.m_hWnd != nullptr ? m_tabs.GetItemCount() : 0;
    for (int i = 0; i < count; ++i) {
        if (CFunctionPage* page = GetPage(i))
            page->SetHexMode(m_hexDisplay);
    }
    // Without a function the two pages have no tab, yet they keep the radix for the next one.
    if (count <= kFirstBarTab && m_capabilitiesPage != nullptr) {
        m_capabilitiesPage->SetHexMode(m_hexDisplay);
        m_spaceHexPage->SetHexMode(m_hexDisplay);
    }
}

void CPciFunctionView::SetCurrentUnitWidth(int width)
{
    CommitOpenEdit();
    CFunctionPage* page = GetCurrentPage();
    if (page == nullptr)
        return;
    // The grid is rebuilt from its top: the cursor goes back to the unit that holds its byte,
    // in the same row, since a row holds 16 bytes at every width.
    CEditListCtrl& list = page->GetList();
    const int cursorRow = list.m_hWnd != nullptr ? list.GetCursorRow() : -1;
    const int cursorColumn = cursorRow != -1 ? list.GetCursorColumn() : -1;
    const int cursorByte = (cursorColumn - 1) * CBarPage::GetUnitWidth();
    if (page->GetPageKind() == CFunctionPage::kBarPageKind)
        static_cast<CBarPage*>(page)->SetUnitWidth(width);
    else if (page->GetPageKind() == CFunctionPage::kSpaceHexPageKind)
        static_cast<CSpaceHexPage*>(page)->SetUnitWidth(width);
    else
        return;
    if (cursorColumn > 0)
        list.SetCursorCell(cursorRow, 1 + cursorByte / CBarPage::GetUnitWidth());
}

void CPciFunctionView::On8BitDisplay()
{
    SetCurrentUnitWidth(kByteUnit);
}

void CPciFunctionView::On16BitDisplay()
{
    SetCurrentUnitWidth(kWordUnit);
}

void CPciFunctionView::On32BitDisplay()
{
    SetCurrentUnitWidth(kDwordUnit);
}

// F5: the page's own Refresh; the configuration page, whose Refresh does nothing, rereads
// its function from the device instead.
void CPciFunctionView::OnRefreshActivePane()
{
    CommitOpenEdit();
    CFunctionPage* page = GetCurrentPage();
    if (page != nullptr && page == m_configPage.get())
        m_configPage->Reread();
    else if (page != nullptr)
        page->Refresh();
}

void CPciFunctionView::OnPageRefresh()
{
    CommitOpenEdit();
    if (CFunctionPage* page = GetCurrentPage())
        page->Refresh();
}

void CPciFunctionView::RebuildBarTabs(CPciFunction* function)
{
    if (m_tabs.m_hWnd == nullptr)
        return;
    for (int i = m_tabs.GetItemCount() - 1; i >= kFirstBarTab; --i)
        m_tabs.DeleteItem(i);
    m_barPages.clear();
    // Neither page may keep a function that a rescan frees; each gets the new one when shown.
    m_capabilitiesPage->SetFunction(nullptr);
    m_spaceHexPage->SetFunction(nullptr);
    if (function == nullptr)
        return;
    // The function's BAR list says which registers are ranges: an upper half never is.
    for (int index = 0; index < function->GetBarCount(); ++index) {
        if (function->GetBar(index).IsPresent())
            AddBarTab(index);
    }
    AddTab(kCapabilitiesTabText, m_capabilitiesPage.get());
    AddTab(kSpaceHexTabText, m_spaceHexPage.get());
}

void CPciFunctionView::AddTab(const char* text, CFunctionPage* page)
{
    m_tabs.InsertItem(TCIF_TEXT | TCIF_PARAM, m_tabs.GetItemCount(), text, 0, reinterpret_cast<LPARAM>(page));
}

void CPciFunctionView::AddBarTab(int barIndex)
{
    auto page = std::make_unique<CBarPage>(this, barIndex);
    AddTab(("BAR " + std::to_string(barIndex)).c_str(), page.get());
    m_barPages.push_back(std::move(page));
}

void CPciFunctionView::NameJournalPage(int tabIndex) const
{
    auto* recorder = m_function != nullptr ? dynamic_cast<CJournalRecorder*>(m_function->GetWriteObserver()) : nullptr;
    char text[kTabTextCapacity] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (recorder != nullptr && m_tabs.GetItem(tabIndex, &item))
        recorder->SetPage(text);
}

void CPciFunctionView::SelectTab(int newIndex, int oldIndex)
{
    if (newIndex != oldIndex)
        CommitOpenEdit();
    for (;;) {
        if (newIndex == oldIndex)
            return;
        CFunctionPage* page = GetPage(newIndex);
        if (page == nullptr)
            return;
        if (page->GetPageKind() == CFunctionPage::kBarPageKind && !m_barWarningAccepted) {
            m_tabs.SetCurSel(oldIndex);
            const int answer =
                CModalQuestion::Ask(m_hWnd, kBarWarningText, kWarningCaption, MB_YESNO | MB_ICONEXCLAMATION);
            if (answer != IDYES) {
                std::swap(newIndex, oldIndex);
                continue;
            }
            m_barWarningAccepted = true;
        }
        m_tabs.SetCurSel(newIndex);
        page->OnSize(0, m_lastCx, m_lastCy);
        page->Show();
        const int count = m_tabs.GetItemCount();
        for (int i = 0; i < count; ++i) {
            CFunctionPage* other = GetPage(i);
            if (i != newIndex && other != nullptr)
                other->Hide();
        }
        page->SetFunction(m_function);
        NameJournalPage(newIndex);
        UpdateStatusText();
        return;
    }
}

void CPciFunctionView::OnNextTab()
{
    CycleTab(1);
}

void CPciFunctionView::OnPrevTab()
{
    CycleTab(-1);
}

void CPciFunctionView::CycleTab(int step)
{
    if (m_tabs.m_hWnd == nullptr)
        return;
    const int count = m_tabs.GetItemCount();
    const int current = m_tabs.GetCurSel();
    if (count < 2 || current < 0)
        return;
    SelectTab(((current + step) % count + count) % count, current);
}

CFunctionPage* CPciFunctionView::FindPageOfList(UINT_PTR listId) const
{
    if (listId == IDC_CONFIG_LIST)
        return m_configPage.get();
    if (listId == IDC_CAPABILITIES_LIST)
        return m_capabilitiesPage.get();
    if (listId == IDC_SPACE_HEX_LIST)
        return m_spaceHexPage.get();
    for (const auto& page : m_barPages) {
        if (listId == static_cast<UINT_PTR>(IDC_BAR0_LIST + page->GetBarIndex()))
            return page.get();
    }
    return nullptr;
}

// Edits and text requests go to the page that owns the sending list, which is the current
// page except when an edit outlives a tab change (the tab row never takes the focus).
BOOL CPciFunctionView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    *pResult = 0;
    if (header == nullptr)
        return TRUE;
    if (header->idFrom == IDC_FUNCTION_TABS) {
        if (header->code == TCN_SELCHANGING)
            s_previousTab = m_tabs.GetCurSel();
        else if (header->code == TCN_SELCHANGE)
            SelectTab(m_tabs.GetCurSel(), s_previousTab);
        return TRUE;
    }
    // The lists draw their cell cursor themselves; the configuration page colours the rows
    // that differ from a compared image.
    if (header->code == NM_CUSTOMDRAW) {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        LRESULT result = CDRF_DODEFAULT;
        if (header->idFrom == IDC_CONFIG_LIST && m_configPage != nullptr)
            result |= m_configPage->OnCustomDraw(draw);
        if (header->idFrom == IDC_CAPABILITIES_LIST && m_capabilitiesPage != nullptr)
            result |= m_capabilitiesPage->OnCustomDraw(draw);
        CFunctionPage* page = FindPageOfList(header->idFrom);
        if (page != nullptr && page->GetPageKind() == CFunctionPage::kBarPageKind)
            result |= static_cast<CBarPage*>(page)->OnCustomDraw(draw);
        if (auto* list = dynamic_cast<CEditListCtrl*>(CWnd::FromHandlePermanent(header->hwndFrom)))
            result |= list->OnCustomDraw(draw);
        *pResult = result;
        return TRUE;
    }
    // The cursor is the focused row: where it moves, the status bar and the field pane follow.
    if (header->code == LVN_ITEMCHANGED && header->idFrom == IDC_CONFIG_LIST) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (((change->uNewState ^ change->uOldState) & LVIS_FOCUSED) != 0) {
            UpdateStatusText();
            if (m_configPage != nullptr)
                m_configPage->ShowCursorFields();
        }
        return TRUE;
    }
    if (header->code == LVN_ITEMCHANGED && header->idFrom == IDC_CAPABILITIES_LIST) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (((change->uNewState ^ change->uOldState) & LVIS_FOCUSED) != 0 && m_capabilitiesPage != nullptr)
            m_capabilitiesPage->ShowCursorFields();
        return TRUE;
    }
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
    if (header->idFrom == IDC_CELL_EDIT) {
        if (CFunctionPage* page = FindPageOfList(wParam))
            page->OnEndEdit(info->item.iItem, info->item.iSubItem, info->item.pszText);
        return TRUE;
    }
    if (header->code == LVN_BEGINLABELEDITA) {
        CFunctionPage* page = FindPageOfList(header->idFrom);
        if (page != nullptr && !page->IsCellEditable(info->item.iItem, info->item.iSubItem))
            *pResult = 1;
        else if (page != nullptr)
            page->OnBeginEdit(info->item.iItem, info->item.iSubItem);
        return TRUE;
    }
    if (header->code == LVN_GETDISPINFOA) {
        CFunctionPage* page = FindPageOfList(header->idFrom);
        if (page != nullptr && page->GetPageKind() == CFunctionPage::kBarPageKind)
            static_cast<CBarPage*>(page)->GetCellText(info);
        else if (page != nullptr && page->GetPageKind() == CFunctionPage::kSpaceHexPageKind)
            static_cast<CSpaceHexPage*>(page)->GetCellText(info);
    }
    return TRUE;
}
