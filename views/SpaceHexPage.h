// The "Hex" tab of the function view: the function's whole configuration space in the BAR
// grid's form, in virtual list IDC_SPACE_HEX_LIST. It shares the BAR pages' radix and unit
// width; its units are read and written through the configuration requests only.
#pragma once
#include <stdint.h>

#include "controls/EditListCtrl.h"
#include "views/FunctionPage.h"
#include "views/SpaceGridModel.h"

class CIconMenu;

class CSpaceHexPage : public CFunctionPage {
public:
    explicit CSpaceHexPage(CWnd* parent);
    ~CSpaceHexPage() override;

    void OnSize(UINT type, int cx, int cy) override;
    void Show() override;
    void Hide() override;
    void SetFunction(CPciFunction* function) override;
    void SetHexMode(bool hex) override;
    void OnEndEdit(int item, int subItem, const char* text) override;
    int GetPageKind() override { return kSpaceHexPageKind; }
    void OnContextMenu(CWnd* window, int x, int y) override;
    // Reads the function's whole space again (one request) and repaints.
    void Refresh() override;
    void OnBeginEdit(int item, int subItem) override;
    bool IsHexEntry() const override;
    bool IsCellEditable(int row, int column) const override;
    // While an edit is open the status bar says what its text will do to the unit.
    void OnEditTextChanged(int row, int column, const std::string& text) const override;
    CEditListCtrl& GetList() override { return m_list; }
    // The whole space the function keeps, 256 bytes or 4 KiB.
    std::optional<CGoToOffsetDialog::CRange> GetGoToRange() const override;

    // w is 1, 2 or 4 bytes per unit, for this page and the BAR pages alike.
    void SetUnitWidth(int w);
    // Answers the list's request for one cell's text; never writes past cchTextMax.
    void GetCellText(NMLVDISPINFOA* info);
    bool LoadContextMenu(CIconMenu& menu) const;

private:
    // Brings columns and row count to the shared width and radix and the function's space.
    void RebuildGrid();
    void SyncGridSettings();

    struct CEditTarget
    {
        bool open = false;
        CPciFunction* function = nullptr;
        uint32_t offset = 0;
        int unitWidth = 1;
        bool hexDisplay = true;
    };

    CEditListCtrl m_list;
    CSpaceGridModel m_grid;
    CPciFunction* m_function = nullptr;
    CEditTarget m_editTarget;
};
