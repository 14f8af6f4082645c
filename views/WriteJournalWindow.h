// The modeless "Write Journal" window: every write the program made, newest last, with Undo of
// the selected one, Export as setpci and Ctrl+C copying the selected rows.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"

class CWriteJournal;
struct CJournalEntry;

class CWriteJournalWindow : public CDialog {
public:
    static constexpr char kCaption[] = "Write Journal";
    // How often the window looks for entries added since it last showed the journal.
    static constexpr UINT kRefreshPeriodMs = 250;
    static constexpr UINT_PTR kRefreshTimer = 1;

    // Undoes the entry at an index of the journal's entries; the text says what came of it.
    using CUndo = std::function<bool(size_t index, std::string* status)>;
    // Passes a status text on to the main window's status bar.
    using CStatusSink = std::function<void(const std::string&)>;

    // The journal outlives the window; program names the journal's maker in an export.
    CWriteJournalWindow(const CWriteJournal& journal, CUndo undo, CStatusSink status, std::string program);

    // Creates the window, or brings it forward when it is already open.
    bool Open(CWnd* owner);
    // Shows the entries again when the journal has grown or dropped entries since last time.
    void RefreshIfChanged();
    // Undoes the selected entry (the newest one when several are selected).
    void UndoSelected();
    // Asks for a file and writes the journal to it as setpci command lines.
    void ExportAsSetpci();
    // The selected rows as tab-separated text, one line each, headed by the column names.
    std::string SelectedRowsText() const;
    const std::string& GetStatus() const { return m_status; }
    CListCtrl& GetList() { return m_list; }

    // One row's cells, in the order of the columns.
    static std::vector<std::string> RowTexts(const CJournalEntry& entry);

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    void OnGetDispInfo(NMHDR* pNotifyStruct, LRESULT* pResult);

protected:
    DECLARE_MESSAGE_MAP()

private:
    void Fill();
    void KeepOnScreen();
    void Layout(int cx, int cy);
    void ShowStatus(const std::string& text);

    const CWriteJournal& m_journal;
    CUndo m_undo;
    CStatusSink m_statusSink;
    std::string m_program;
    CListCtrl m_list;
    std::string m_status;
    // The journal's size and dropped count when the list was last filled.
    size_t m_shownCount = 0;
    size_t m_shownDropped = 0;
};
