// The page behind one tab of the function view: it owns one list control of the view's
// dialog and is reached by the view only through these operations, in this slot order.
#pragma once
#include <windows.h>

#include "controls/EditListCtrl.h"
#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "framework/Wnd.h"
#include "views/GoToOffsetDialog.h"

#include <optional>
#include <string>

class CPciFunction;

// Pages also answer their list's questions about its cells (CEditListCells).
class CFunctionPage : public CEditListCells {
public:
    // What GetPageKind answers.
    static constexpr int kConfigSpacePageKind = 0;
    static constexpr int kBarPageKind = 1;
    static constexpr int kCapabilitiesPageKind = 2;
    static constexpr int kSpaceHexPageKind = 3;

    explicit CFunctionPage(CWnd* parent) : m_parent(parent) {}
    virtual ~CFunctionPage() = default;
    CFunctionPage(const CFunctionPage&) = delete;
    CFunctionPage& operator=(const CFunctionPage&) = delete;

    // Fits the page's list below the tab row, as wide as the view; cy is not used.
    virtual void OnSize(UINT type, int cx, int cy) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // The function is borrowed from the document's model and may be null.
    virtual void SetFunction(CPciFunction* function) = 0;
    virtual void SetHexMode(bool hex) = 0;
    // A committed in-place edit of cell (item, subItem) of this page's list.
    virtual void OnEndEdit(int item, int subItem, const char* text) = 0;
    virtual int GetPageKind() = 0;
    // x and y are screen coordinates.
    virtual void OnContextMenu(CWnd* window, int x, int y) = 0;
    virtual void Refresh() = 0;
    // An in-place edit opened over cell (item, subItem): the page notes what the cell names
    // now (function, register or unit, width, radix), which the edit's text then goes to.
    virtual void OnBeginEdit(int /*item*/, int /*subItem*/) {}
    // The page's list, whose open edit the view commits before anything changes it.
    virtual CEditListCtrl& GetList() = 0;
    // What Ctrl+G may go to in a hex grid of 16 bytes a row; none on a page without offsets.
    virtual std::optional<CGoToOffsetDialog::CRange> GetGoToRange() const { return std::nullopt; }

protected:
    CWnd* GetParent() const { return m_parent; }

    // Before an edit's write: a refusal left from earlier requests is not the edit's.
    static void ForgetRefusedWrite(CPciFunction* function);
    // After it: a write the driver refused beeps (unless beep is false: the page beeped already)
    // and the status bar says why. False when the driver refused none.
    bool ReportRefusedWrite(CPciFunction* function, bool beep = true) const;

    // The rule every page follows: the list goes below the tab row (dialog item
    // tabsId), full width, down to the bottom of the view; its Z order stays.
    void FitList(int listId, int tabsId, int cx) const
    {
        CWnd* tabs = m_parent->GetDlgItem(tabsId);
        CWnd* list = m_parent->GetDlgItem(listId);
        if (tabs == nullptr || list == nullptr)
            return;
        CRect tabRect;
        tabs->GetWindowRect(&tabRect);
        CRect client;
        m_parent->GetClientRect(&client);
        const int top = tabRect.Height();
        list->SetWindowPos(nullptr, 0, top, cx, client.Height() - top, SWP_NOZORDER | SWP_NOOWNERZORDER);
    }
    void ShowList(int listId) const
    {
        if (CWnd* list = m_parent->GetDlgItem(listId)) {
            ::SetWindowPos(list->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            list->ShowWindow(SW_SHOW);
        }
    }
    void HideList(int listId) const
    {
        if (CWnd* list = m_parent->GetDlgItem(listId))
            list->ShowWindow(SW_HIDE);
    }
    void ShowStatusMessage(const std::string& text) const
    {
        if (CFrameWnd* frame = m_parent != nullptr ? m_parent->GetParentFrame() : nullptr)
            frame->SetMessageText(text.c_str());
    }
    // Asks the frame to show its idle text again, which names the current BAR as now known.
    void RefreshStatusText() const
    {
        if (CFrameWnd* frame = m_parent != nullptr ? m_parent->GetParentFrame() : nullptr)
            frame->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    }
    // Asks the question put before writing bits the host owns; true for yes.
    bool ConfirmHostOwnedWrite(const std::string& question) const;
    // A typed text that was not written: the warning beep, and why in the status bar.
    void ReportRefusedEdit(const std::string& why) const
    {
        AfxMessageBeep(MB_ICONEXCLAMATION);
        ShowStatusMessage(why);
    }

private:
    CWnd* m_parent;
};
