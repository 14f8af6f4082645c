// The lower pane: the function selected in the bus tree on a row of tabs, the decoded
// configuration space first, one hex grid per BAR that holds an address, then the decoded
// capabilities and the whole configuration space as a hex grid. The view
// owns its pages, lays them out, switches between them and hands them the user's
// commands, cell edits and the virtual lists' text requests.
#pragma once
#include <stdint.h>

#include <memory>
#include <vector>

#include "controls/CustomTabCtrl.h"
#include "framework/FormView.h"

class CBarPage;
class CCapabilitiesPage;
class CConfigSpacePage;
class CEditListCtrl;
class CFunctionPage;
class CPciFunction;
class CSpaceHexPage;

class CPciFunctionView : public CFormView {
    DECLARE_DYNCREATE(CPciFunctionView)
public:
    static constexpr int kTabWidth = 125;
    static constexpr int kTabHeight = 18;
    static constexpr char kConfigSpaceTabText[] = "Configuration Space";
    static constexpr char kCapabilitiesTabText[] = "Capabilities";
    static constexpr char kSpaceHexTabText[] = "Hex";
    static constexpr char kBarWarningText[] = "Modifying the Memory or I/O range associated with a BAR might\n"
                                              "have device-dependent side-effects. Do you want to continue?";
    static constexpr char kWarningCaption[] = "Warning";
    // Copying reads every unit of the rows: a larger selection is refused, not read.
    static constexpr int kMaxCopyRows = 65536;

    CPciFunctionView();
    ~CPciFunctionView() override;

    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

    // Makes tab newIndex current, coming from oldIndex (-1 for none); a first BAR tab asks first.
    void SelectTab(int newIndex, int oldIndex);
    // The journal names the writes that follow by the tab's text ("Capabilities", "BAR 2").
    void NameJournalPage(int tabIndex) const;
    static constexpr int kTabTextCapacity = 64;
    // Moves step tabs on from the current one, wrapping around, as the tab keys do.
    void CycleTab(int step);
    // Replaces the BAR tabs (and their pages) with those of the function's present BARs,
    // followed by the Capabilities and Hex tabs when there is a function.
    void RebuildBarTabs(CPciFunction* function);
    // Whether a BAR value holds a base address; is64 tells whether it is a 64-bit memory BAR.

    CCustomTabCtrl& GetTabCtrl() { return m_tabs; }
    CFunctionPage* GetPage(int tabIndex) const;
    CFunctionPage* GetCurrentPage() const;
    CConfigSpacePage* GetConfigSpacePage() const { return m_configPage.get(); }
    CCapabilitiesPage* GetCapabilitiesPage() const { return m_capabilitiesPage.get(); }
    CSpaceHexPage* GetSpaceHexPage() const { return m_spaceHexPage.get(); }
    CPciFunction* GetFunction() const { return m_function; }
    // The status bar's line for the current BAR tab; empty while another tab is current.
    std::string GetCurrentBarSummary() const;
    // The status bar's line while the cursor is on a register that differs from a compared
    // image; empty otherwise.
    std::string GetCursorComparisonNote() const;
    bool IsHexDisplay() const { return m_hexDisplay; }

    void OnSize(UINT nType, int cx, int cy);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnDestroy();
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    void OnHexadecimalDisplay();
    void On8BitDisplay();
    void On16BitDisplay();
    void On32BitDisplay();
    void OnPageRefresh();
    void OnRefreshActivePane();
    void OnEditCopy();
    void OnGoToOffset();
    void OnNextTab();
    void OnPrevTab();

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    DECLARE_MESSAGE_MAP()

private:
    CBarPage* GetCurrentBarPage() const;
    CEditListCtrl* GetCurrentList() const;
    CFunctionPage* FindPageOfList(UINT_PTR listId) const;
    void AddBarTab(int barIndex);
    void AddTab(const char* text, CFunctionPage* page);
    // Applies a unit-width command to the current BAR or Hex page.
    void SetCurrentUnitWidth(int width);
    void ReleasePages();
    // Commits an in-place edit open on any page, before anything changes what its list shows.
    void CommitOpenEdit();
    // Asks the frame to show its idle text again, which names the current BAR.
    void UpdateStatusText();

    bool m_hexDisplay = true;
    CCustomTabCtrl m_tabs;
    CPciFunction* m_function = nullptr;
    bool m_barWarningAccepted = false;
    int m_lastCx = 0;
    int m_lastCy = 0;
    std::unique_ptr<CConfigSpacePage> m_configPage;
    // The pages of the BAR tabs, in tab order; the tabs' item data borrow them.
    std::vector<std::unique_ptr<CBarPage>> m_barPages;
    // The two pages after the BAR tabs live as long as the view, like the configuration page.
    std::unique_ptr<CCapabilitiesPage> m_capabilitiesPage;
    std::unique_ptr<CSpaceHexPage> m_spaceHexPage;

    // The tab that was current when the tab row announced a change.
    static int s_previousTab;
};
