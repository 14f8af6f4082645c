// The fields of the register under a page's cursor, in a list below the page's register list:
// bits, name, value, access and meaning. A bar along the pane's top edge is the splitter that
// shares the height between the two lists. An editable field is edited in place like a
// register; the register is written with only that field under the mask, and the read-back
// is compared with what the register catalogue predicts.
#pragma once
#include <stdint.h>

#include <functional>
#include <optional>
#include <string>

#include "controls/EditListCtrl.h"
#include "decode/FieldRows.h"
#include "device/PciFunction.h"
#include "framework/Wnd.h"

class CFieldPane : public CWnd, public CEditListCells {
public:
    // Until the splitter is dragged, the pane takes this share (percent) of the page's height.
    static constexpr int kDefaultShare = 40;
    // Neither list is dragged smaller than this.
    static constexpr int kMinListHeight = 40;
    static constexpr char kHostOwnedQuestion[] =
        "This field belongs to the operating system, which may rely on what it holds.\n"
        "Do you want to write it?";
    static constexpr char kHostOwnedCaption[] = "Warning";

    // Creates the pane as a child of parent, hidden; false when the window could not be made.
    bool CreatePane(CWnd* parent, UINT id);
    // Called after a field was written, so that the page relists what the write changed.
    void SetWrittenHandler(std::function<void()> handler) { m_onWritten = std::move(handler); }

    // Lists the fields of the register holding offset of function's space; none lists nothing.
    void ShowRegister(CPciFunction* function, std::optional<uint32_t> offset);
    // Lists the same register again from the function's image.
    void Reload();
    void SetHexMode(bool hex);
    // Shares the place the page gave its list: the list above, the pane below it at the height
    // the splitter was dragged to.
    void FitBelow(CWnd* list);
    void Show(bool show);

    CEditListCtrl& GetList() { return m_list; }
    const CFieldRows& GetRows() const { return m_rows; }
    // Every field of the register as a line of tab-separated columns: a register is copied whole.
    std::string GetFieldsText() const;
    // A committed in-place edit of a field: the text goes to the field the edit opened on.
    void CommitFieldEdit(const char* text);

    bool IsCellEditable(int row, int column) const override;
    bool IsHexEntry() const override { return m_hexMode; }

    // While a field edit is open: what the typed text will do, in the status bar.
    void PreviewFieldEdit(const std::string& text) const;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnSize(UINT type, int cx, int cy);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()

private:
    void ShowRows();
    void Layout();
    // Refuses an edit of a field that cannot be written, saying why; true when it may open.
    bool BeginFieldEdit(int row, int column);
    // Whether the user agrees to write a field the host owns; on the live machine the driver
    // refuses it instead, so nothing is asked.
    bool ConfirmHostOwned() const;
    // The field's bits after typed, in the register as the image holds it; none for a text
    // that is not a number of the field.
    std::optional<CFieldWrite> TypedWrite(const std::string& text) const;
    void ReportWrite(const CFieldRows& rows, DWORD error, const CPciFunction::CWriteResult& result) const;
    void ShowStatus(const std::string& text) const;
    void CopyFields() const;

    // The pane's list hands its edit's changes on to the pane, for the preview.
    class CFieldList : public CEditListCtrl {
    protected:
        BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    };

    CFieldList m_list;
    CPciFunction* m_function = nullptr;
    std::optional<uint32_t> m_offset;
    CFieldRows m_rows;
    bool m_hexMode = true;
    std::function<void()> m_onWritten;

    // What an open in-place edit writes to, noted when it opened.
    struct CEditTarget
    {
        bool open = false;
        CPciFunction* function = nullptr;
        CFieldRows rows;
        size_t row = 0;
        bool hexMode = true;
    };
    CEditTarget m_editTarget;

    // The splitter: the area last laid out and the list above the pane.
    CWnd* m_above = nullptr;
    int m_areaTop = 0;
    int m_areaBottom = 0;
    int m_width = 0;
    static constexpr int kUnsized = -1;
    int m_height = kUnsized;
    bool m_tracking = false;
};
