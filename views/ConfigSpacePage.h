// The "Configuration Space" tab of the function view: the register rows of the selected
// function in list 1001 of the view, edited in place and written back to the device.
// The rows and the write-back come from CConfigSpaceModel; this page mirrors them into
// its list, turns a read-back other than the register catalogue predicts into the warning
// beep and a status-bar message, and a refused text into the beep and a status-bar message.
#pragma once
#include "decode/ConfigSpaceModel.h"
#include "controls/EditListCtrl.h"
#include "views/FieldPane.h"
#include "views/FunctionPage.h"

class CIconMenu;
class CMachineComparison;

class CConfigSpacePage : public CFunctionPage, public CConfigSpaceModel {
public:
    explicit CConfigSpacePage(CWnd* parent);
    ~CConfigSpacePage() override;

    void OnSize(UINT type, int cx, int cy) override;
    void Show() override;
    void Hide() override;
    void SetFunction(CPciFunction* function) override;
    void SetHexMode(bool hex) override;
    void OnEndEdit(int item, int subItem, const char* text) override;
    int GetPageKind() override { return kConfigSpacePageKind; }
    void OnContextMenu(CWnd* window, int x, int y) override;
    void Refresh() override {}
    void OnBeginEdit(int item, int subItem) override;
    bool IsHexEntry() const override { return IsHexMode(); }
    // While an edit is open the status bar says what its text will do to the register.
    void OnEditTextChanged(int row, int column, const std::string& text) const override;
    // Reads the function's registers from the device again and lists what it holds now.
    void Reread();
    // Rows of registers that differ from a compared image are drawn in the comparison colour.
    void SetComparison(const CMachineComparison* comparison);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;
    // On a row that differs from the compared image: what the image holds and what the device does.
    std::string GetRowNote(int row) const override;
    // The same for the cursor row, for the status bar.
    std::string GetCursorNote() const;

    CEditListCtrl& GetList() override { return m_list; }
    // Lists the fields of the register under the cursor in the pane below the list.
    void ShowCursorFields();
    CFieldPane& GetFieldPane() { return m_fields; }
    // Loads the page's popup into menu with "Hexadecimal Display" checked in hexadecimal mode.
    bool LoadContextMenu(CIconMenu& menu) const;

protected:
    void WarningBeep() override;
    void ShowRefusal(const std::string& why) override { ShowStatusMessage(why); }
    void ShowWriteStatus(const std::string& text) override;
    bool ConfirmWrite(const std::string& question) override;

private:
    void SetUpColumns();
    // Brings the list to the model's rows; no row stays selected.
    void ShowRows();
    // The same after an edit, which keeps the selection where the rows stay in place.
    void ShowEditedRows();
    void RewriteChangedCells();

    CEditListCtrl m_list;
    CFieldPane m_fields;

    // What an open in-place edit writes to, noted when it opened.
    struct CEditTarget
    {
        bool open = false;
        CPciFunction* function = nullptr;
        uint32_t tag = 0;
        bool hexMode = true;
    };
    CEditTarget m_editTarget;
    const CMachineComparison* m_comparison = nullptr;
    bool m_warned = false; // the edit being ended has beeped already
};
