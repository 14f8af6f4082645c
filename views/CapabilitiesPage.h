// The "Capabilities" tab of the function view: every capability of the function's whole
// space, header row then registers, in list IDC_CAPABILITIES_LIST. Values are edited in
// place, written, read back, and a value the device did not keep beeps.
#pragma once
#include "controls/EditListCtrl.h"
#include "decode/CapabilityPageModel.h"
#include "views/FieldPane.h"
#include "views/FunctionPage.h"

class CIconMenu;
class CMachineComparison;

class CCapabilitiesPage : public CFunctionPage {
public:
    explicit CCapabilitiesPage(CWnd* parent);
    ~CCapabilitiesPage() override;

    void OnSize(UINT type, int cx, int cy) override;
    void Show() override;
    void Hide() override;
    void SetFunction(CPciFunction* function) override;
    void SetHexMode(bool hex) override;
    void OnEndEdit(int item, int subItem, const char* text) override;
    int GetPageKind() override { return kCapabilitiesPageKind; }
    void OnContextMenu(CWnd* window, int x, int y) override;
    // Reads the function's whole space again and lists what it holds now.
    void Refresh() override;
    void OnBeginEdit(int item, int subItem) override;
    bool IsHexEntry() const override { return m_model.IsHexMode(); }
    // While an edit is open the status bar says what its text will do to the register.
    void OnEditTextChanged(int row, int column, const std::string& text) const override;
    CEditListCtrl& GetList() override { return m_list; }
    // Lists the fields of the register under the cursor in the pane below the list.
    void ShowCursorFields();
    CFieldPane& GetFieldPane() { return m_fields; }

    const CCapabilityPageModel& GetModel() const { return m_model; }
    bool LoadContextMenu(CIconMenu& menu) const;
    // Registers that differ from a compared image are drawn in the comparison colour.
    void SetComparison(const CMachineComparison* comparison);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;

private:
    void ShowRows();

    // What an open in-place edit writes to, noted when it opened.
    struct CEditTarget
    {
        bool open = false;
        CPciFunction* function = nullptr;
        uint32_t offset = 0;
        uint32_t size = 0;
        bool hexMode = true;
    };

    CEditListCtrl m_list;
    CFieldPane m_fields;
    CCapabilityPageModel m_model;
    CEditTarget m_editTarget;
    const CMachineComparison* m_comparison = nullptr;
};
