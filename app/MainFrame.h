// The main window: toolbar, status bar and a static splitter with the bus tree above and
// the function view below; its menu bar is an icon menu.
#pragma once
#include "controls/iconmenu/IconMenu.h"
#include "framework/FrameWnd.h"
#include "framework/SplitterWnd.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include "views/FunctionQuery.h"

#include <memory>
#include <optional>
#include <string>

class CPciBusView;
class CPciFunctionView;
class CWriteJournalWindow;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    // Buttons are this wide unless a label needs more room with the system's font.
    static constexpr int kButtonWidth = 45;
    static constexpr int kLabelMargin = 2;
    static constexpr int kButtonHeight = 40;
    static constexpr int kTreeRow = 0;
    static constexpr int kFunctionRow = 1;

    CSplitterWnd& GetSplitter() { return m_wndSplitter; }
    CToolBar& GetToolBar() { return m_wndToolBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CPciBusView* GetBusView() const;
    CPciFunctionView* GetFunctionView() const;
    ~CMainFrame() override;
    // Loads the icon menu with the toolbar's images and returns its handle for the menu bar;
    // the frame keeps the records and popup objects that the items refer to.
    HMENU BuildIconMenu();

    // Shows the window where the user left it (size, position, maximised, splitter); the
    // default size and equal panes until a placement is saved or when it is off every monitor.
    void ShowWithSavedPlacement();
    // Saves the window's placement and splitter position, unless the window was never shown;
    // the window does so when it is closed.
    void SavePlacement();

    // Says at start that an earlier session did not end cleanly, until the user selects
    // another function, rescans or opens a menu.
    void ShowUncleanNotice();

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // In place of "Ready": why the last scan shows no tree, while it does not.
    BOOL GetMessageString(UINT nID, std::string& rMessage) const override;
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnClose();
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    // The tab keys reach the function view's tabs while the tree is the active pane too.
    void OnFunctionTabKey(UINT nID);
    // Ctrl+F asks for a function and selects the first match; F3 selects the next one.
    void OnFindFunction();
    void OnFindNext();
    // Opens the Write Journal window, or brings it forward.
    void OnWriteJournal();
    // The Write Journal window while it is open, else null.
    CWriteJournalWindow* GetWriteJournalWindow() const;
    // Ctrl+Z and Alt+Backspace: inside an open in-place edit they undo its typing; elsewhere Undo
    // Write takes back the journal's last write and the status bar says what it restored.
    void OnEditUndo();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);

protected:
    DECLARE_MESSAGE_MAP()

private:
    bool CreateToolBar();
    bool CreateStatusBar();
    int ButtonWidthForTexts();
    // Gives both panes half of the splitter once the bars have taken their room.
    void SplitPanesEqually();
    // Selects a match of the last query in the tree, which becomes the active pane, or says there is none.
    void SelectMatch(bool afterSelection);
    // The edit control that has the focus inside this window, or null.
    HWND FocusedEdit() const;

    CSplitterWnd m_wndSplitter;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CIconMenu m_menu;
    // What Find Function looked for last, as typed and as understood.
    std::string m_findText;
    std::optional<CFunctionQuery> m_findQuery;
    // Created when first opened; closing the window keeps the object for the next time.
    std::unique_ptr<CWriteJournalWindow> m_journalWindow;
    // The unclean-session notice, and the function shown when it was given.
    bool m_uncleanNotice = false;
    const CPciFunction* m_uncleanNoticeFunction = nullptr;
};
