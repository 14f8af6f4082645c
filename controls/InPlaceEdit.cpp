#include "controls/InPlaceEdit.h"

#include "controls/EditListCtrl.h"
#include "framework/Afx.h"
#include "framework/Dc.h"
#include "framework/WindowDC.h"

namespace {

// Room right of the text so the caret never touches the border.
constexpr int kTextMargin = 5;

bool IsControlDown()
{
    return (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CInPlaceEdit, CEdit)
    ON_WM_CREATE()
    ON_WM_CHAR()
    ON_WM_KEYDOWN()
    ON_WM_KILLFOCUS()
    ON_CONTROL_REFLECT(EN_CHANGE, OnTextChanged)
END_MESSAGE_MAP()

CInPlaceEdit::CInPlaceEdit(int item, int subItem, const std::string& initialText)
    : m_item(item), m_subItem(subItem), m_initialText(initialText)
{
}

// Enter, Tab, Delete, Escape and Control chords belong to the edit, not to the form's dialog
// navigation or the frame's accelerators (Ctrl+C, Ctrl+V ...).
BOOL CInPlaceEdit::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN) {
        const WPARAM key = pMsg->wParam;
        if (key == VK_RETURN || key == VK_TAB || key == VK_DELETE || key == VK_ESCAPE || IsControlDown()) {
            ::TranslateMessage(pMsg);
            ::DispatchMessageA(pMsg);
            return TRUE;
        }
    }
    return CEdit::PreTranslateMessage(pMsg);
}

int CInPlaceEdit::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CEdit::OnCreate(lpCreateStruct) == -1)
        return -1;
    HWND list = ::GetParent(m_hWnd);
    SendMessage(WM_SETFONT, static_cast<WPARAM>(::SendMessageA(list, WM_GETFONT, 0, 0)), TRUE);
    SetWindowText(m_initialText);
    SetFocus();
    SetSel(0, -1);
    return 0;
}

void CInPlaceEdit::StartWith(const std::string& text)
{
    SetWindowText(text);
    const int end = static_cast<int>(text.size());
    SetSel(end, end);
    GrowToText();
}

void CInPlaceEdit::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (nChar == VK_ESCAPE) {
        m_cancelled = true;
        EndAndMove(0);
        return;
    }
    if (nChar == VK_RETURN) {
        EndAndMove(1);
        return;
    }
    // Tab ended the edit at its key-down; a character left over has nothing to do.
    if (nChar == VK_TAB)
        return;
    CEdit::OnChar(nChar, nRepCnt, nFlags);
    GrowToText();
}

void CInPlaceEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (nChar == VK_TAB) {
        EndAndMove((::GetKeyState(VK_SHIFT) & 0x8000) != 0 ? -1 : 1);
        return;
    }
    CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CInPlaceEdit::EndAndMove(int step)
{
    HWND list = ::GetParent(m_hWnd);
    const int row = m_item;
    const int column = m_subItem;
    ::SetFocus(list);
    // The focus change committed and destroyed this edit: only copies are used from here on.
    if (step == 0)
        return;
    if (auto* editList = dynamic_cast<CEditListCtrl*>(CWnd::FromHandlePermanent(list)))
        editList->MoveCursorFrom(row, column, step);
}

void CInPlaceEdit::GrowToText()
{
    HWND list = ::GetParent(m_hWnd);
    int textWidth = 0;
    {
        CWindowDC dc(this);
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0));
        CDCSelection selection(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
        textWidth = dc.GetTextExtent(GetWindowText()).cx;
    }
    CRect rect;
    GetClientRect(&rect);
    ::MapWindowPoints(m_hWnd, list, reinterpret_cast<POINT*>(&rect), 2);
    if (textWidth + kTextMargin <= rect.Width())
        return;
    CRect listClient;
    ::GetClientRect(list, &listClient);
    rect.right = rect.left + textWidth + kTextMargin;
    if (rect.right > listClient.right)
        rect.right = listClient.right;
    MoveWindow(&rect, TRUE);
}

// Whoever owns the cells may say what the text will do while it is typed.
void CInPlaceEdit::OnTextChanged()
{
    if (auto* editList = dynamic_cast<CEditListCtrl*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd))))
        editList->NotifyEditText(m_item, m_subItem, GetWindowText());
}

void CInPlaceEdit::OnKillFocus(CWnd* pNewWnd)
{
    CEdit::OnKillFocus(pNewWnd);
    Commit();
}

// Destroying the edit takes its focus away again: the second call does nothing.
void CInPlaceEdit::Commit()
{
    if (m_committed)
        return;
    m_committed = true;
    if (!m_cancelled)
        ReportText();
    DestroyWindow();
}

void CInPlaceEdit::ReportText()
{
    const std::string text = GetWindowText();
    HWND list = ::GetParent(m_hWnd);
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = m_item;
    info.item.iSubItem = m_subItem;
    info.item.pszText = const_cast<char*>(text.c_str());
    info.item.cchTextMax = static_cast<int>(text.size());
    ::SendMessageA(::GetParent(list), WM_NOTIFY, static_cast<WPARAM>(::GetDlgCtrlID(list)),
                   reinterpret_cast<LPARAM>(&info));
}

void CInPlaceEdit::PostNcDestroy()
{
    delete this;
}
