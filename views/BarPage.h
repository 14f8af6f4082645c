// The page behind a "BAR n" tab: the memory or I/O range of one BAR as a virtual hex
// grid of 16 bytes per row, in units of 1, 2 or 4 bytes. Cells are read from the device
// only when the list paints them, one request per unit, and kept in a cache until the
// page is refreshed or the unit width changes. A unit edited in place is written,
// read back, and the grid shows what the device holds.
#pragma once
#include <stdint.h>

#include "controls/EditListCtrl.h"
#include "views/BarGridModel.h"
#include "views/FunctionPage.h"

class CIconMenu;

class CBarPage : public CFunctionPage {
public:
    static constexpr uint32_t kBytesPerRow = CBarGridModel::kBytesPerRow;

    CBarPage(CWnd* view, int barIndex);
    ~CBarPage() override;

    void OnSize(UINT type, int cx, int cy) override;
    void Show() override;
    void Hide() override;
    void SetFunction(CPciFunction* function) override;
    void SetHexMode(bool hex) override;
    void OnEndEdit(int item, int subItem, const char* text) override;
    int GetPageKind() override { return kBarPageKind; }
    void OnContextMenu(CWnd* window, int x, int y) override;
    void Refresh() override;
    void OnBeginEdit(int item, int subItem) override;
    bool IsHexEntry() const override { return s_hexDisplay; }
    // The keyboard cursor edits only units inside the range, as the mouse does.
    bool IsCellEditable(int row, int column) const override;
    // The range as far as the grid lists it; the one row shown while its size is not known.
    std::optional<CGoToOffsetDialog::CRange> GetGoToRange() const override;

    // w is 1, 2 or 4 bytes per unit; other widths are ignored.
    void SetUnitWidth(int w);
    // Answers the list's request for one cell's text; never writes past cchTextMax.
    void GetCellText(NMLVDISPINFOA* info);
    // Draws the note row, which says how much of a range past the rows is left out, across
    // the whole row; other rows are the list's to draw.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    // Only units inside the range may be edited: the list asks before it opens an edit.
    bool IsEditableCell(int item, int subItem);
    void BuildColumns();
    // The range size, asking whether to probe the BAR when it is not known; 0 if unknown.
    uint64_t GetBarSize();

    // The range size as far as it is known, without asking to probe; 0 if unknown.
    uint64_t GetKnownBarSize() const;

    // Loads the page's popup into menu with the current radix and unit width checked.
    bool LoadContextMenu(CIconMenu& menu) const;

    int GetBarIndex() const { return m_barIndex; }
    CEditListCtrl& GetList() override { return m_list; }
    // How many units the cache holds: each one cost exactly one device read or write-back.
    size_t GetCachedUnitCount() const { return m_grid.GetCachedUnitCount(); }

    static bool IsHexDisplay() { return s_hexDisplay; }
    static int GetUnitWidth() { return s_unitWidth; }
    // The Hex page shares the radix and the unit width; a width other than 1, 2 or 4 is ignored.
    static void SetSharedHexDisplay(bool hex) { s_hexDisplay = hex; }
    static void SetSharedUnitWidth(int w);
    // Back to hexadecimal bytes, the settings of a freshly started program.
    static void ResetDisplaySettings();

private:
    int GetListId() const;
    void RebuildGrid();
    void EmptyCache();
    // Hands the class-wide radix and unit width to the grid, which forgets values read at
    // another width (another BAR tab may have chosen it).
    void SyncGridSettings();

    // What an open in-place edit writes to, noted when it opened.
    struct CEditTarget
    {
        bool open = false;
        CPciFunction* function = nullptr;
        uint32_t offset = 0;
        int unitWidth = 1;
        bool hexDisplay = true;
    };

    CEditListCtrl m_list;
    CEditTarget m_editTarget;
    CPciFunction* m_function = nullptr;
    int m_barIndex;
    CBarGridModel m_grid;

    static bool s_hexDisplay;
    static int s_unitWidth;
};
