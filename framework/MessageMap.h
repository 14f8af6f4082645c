// Message maps: one static table per class that maps window messages, commands,
// notifications and reflected messages to member functions, with a link to the base
// class's table. Every entry is built by a macro whose handler signature is checked at
// compile time, and every entry reports separately whether it handled the message.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "framework/Point.h"

class CCmdTarget;
class CWnd;
class CDC;
class CMenu;
class CCmdUI;
class CScrollBar;

// Handles reached through the message arguments; the temporary objects live until idle time.
CWnd* AfxWndFromHandle(HWND hWnd);
CDC* AfxDcFromHandle(HDC hDC);
CMenu* AfxMenuFromHandle(HMENU hMenu);

// Command codes passed to OnCmdMsg besides the control notification codes.
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

// Message numbers of reflected messages in the child's map: the original message plus this base.
constexpr UINT kReflectBase = 0xBC00;
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif
#define WM_REFLECT_BASE kReflectBase

// One dispatched message: what the handler reads and the result it leaves.
struct AfxMsgArgs {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    UINT id = 0;
    int code = 0;
    void* extra = nullptr;
    LRESULT result = 0;
};

// Runs one entry's handler; returns whether the message counts as handled.
using AfxHandlerFn = bool (*)(CCmdTarget*, AfxMsgArgs&);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AfxHandlerFn pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Filled by OnCmdMsg when a caller only asks whether a handler exists.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget = nullptr;
    const AFX_MSGMAP_ENTRY* pEntry = nullptr;
};

// Adapters from message arguments to typed handlers. Each one assigns the handler to a
// member pointer of the exact expected type, so a wrong signature does not compile.
template <class T>
struct AfxCrack {
    static T* Self(CCmdTarget* target) { return static_cast<T*>(target); }

    template <auto P> static bool Void(CCmdTarget* t, AfxMsgArgs&)
    {
        void (T::*pmf)() = P;
        (Self(t)->*pmf)();
        return true;
    }
    template <auto P> static bool Create(CCmdTarget* t, AfxMsgArgs& a)
    {
        int (T::*pmf)(LPCREATESTRUCT) = P;
        a.result = (Self(t)->*pmf)(reinterpret_cast<LPCREATESTRUCT>(a.lParam));
        return true;
    }
    template <auto P> static bool Size(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, int, int) = P;
        (Self(t)->*pmf)(static_cast<UINT>(a.wParam), static_cast<short>(LOWORD(a.lParam)),
                        static_cast<short>(HIWORD(a.lParam)));
        return true;
    }
    template <auto P> static bool EraseBkgnd(CCmdTarget* t, AfxMsgArgs& a)
    {
        BOOL (T::*pmf)(CDC*) = P;
        a.result = (Self(t)->*pmf)(AfxDcFromHandle(reinterpret_cast<HDC>(a.wParam)));
        return true;
    }
    template <auto P> static bool ContextMenu(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(CWnd*, CPoint) = P;
        (Self(t)->*pmf)(AfxWndFromHandle(reinterpret_cast<HWND>(a.wParam)), CPoint(a.lParam));
        return true;
    }
    template <auto P> static bool MeasureItem(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(int, LPMEASUREITEMSTRUCT) = P;
        (Self(t)->*pmf)(static_cast<int>(a.wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(a.lParam));
        a.result = TRUE;
        return true;
    }
    template <auto P> static bool DrawItem(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(int, LPDRAWITEMSTRUCT) = P;
        (Self(t)->*pmf)(static_cast<int>(a.wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(a.lParam));
        a.result = TRUE;
        return true;
    }
    template <auto P> static bool InitMenuPopup(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(CMenu*, UINT, BOOL) = P;
        (Self(t)->*pmf)(AfxMenuFromHandle(reinterpret_cast<HMENU>(a.wParam)), LOWORD(a.lParam),
                        HIWORD(a.lParam));
        return true;
    }
    template <auto P> static bool MenuChar(CCmdTarget* t, AfxMsgArgs& a)
    {
        LRESULT (T::*pmf)(UINT, UINT, CMenu*) = P;
        a.result = (Self(t)->*pmf)(LOWORD(a.wParam), HIWORD(a.wParam),
                                   AfxMenuFromHandle(reinterpret_cast<HMENU>(a.lParam)));
        return true;
    }
    template <auto P> static bool MenuSelect(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, UINT, HMENU) = P;
        (Self(t)->*pmf)(LOWORD(a.wParam), HIWORD(a.wParam), reinterpret_cast<HMENU>(a.lParam));
        return true;
    }
    template <auto P> static bool SetCursor(CCmdTarget* t, AfxMsgArgs& a)
    {
        BOOL (T::*pmf)(CWnd*, UINT, UINT) = P;
        a.result = (Self(t)->*pmf)(AfxWndFromHandle(reinterpret_cast<HWND>(a.wParam)), LOWORD(a.lParam),
                                   HIWORD(a.lParam));
        return true;
    }
    template <auto P> static bool Mouse(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, CPoint) = P;
        (Self(t)->*pmf)(static_cast<UINT>(a.wParam), CPoint(a.lParam));
        return true;
    }
    template <auto P> static bool MouseActivate(CCmdTarget* t, AfxMsgArgs& a)
    {
        int (T::*pmf)(CWnd*, UINT, UINT) = P;
        a.result = (Self(t)->*pmf)(AfxWndFromHandle(reinterpret_cast<HWND>(a.wParam)), LOWORD(a.lParam),
                                   HIWORD(a.lParam));
        return true;
    }
    template <auto P> static bool Key(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, UINT, UINT) = P;
        (Self(t)->*pmf)(static_cast<UINT>(a.wParam), LOWORD(a.lParam), HIWORD(a.lParam));
        return true;
    }
    template <auto P> static bool GetDlgCode(CCmdTarget* t, AfxMsgArgs& a)
    {
        UINT (T::*pmf)() = P;
        a.result = (Self(t)->*pmf)();
        return true;
    }
    template <auto P> static bool Scroll(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, UINT, CScrollBar*) = P;
        (Self(t)->*pmf)(LOWORD(a.wParam), HIWORD(a.wParam),
                        reinterpret_cast<CScrollBar*>(AfxWndFromHandle(reinterpret_cast<HWND>(a.lParam))));
        return true;
    }
    template <auto P> static bool Focus(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(CWnd*) = P;
        (Self(t)->*pmf)(AfxWndFromHandle(reinterpret_cast<HWND>(a.wParam)));
        return true;
    }
    template <auto P> static bool Timer(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT_PTR) = P;
        (Self(t)->*pmf)(static_cast<UINT_PTR>(a.wParam));
        return true;
    }
    template <auto P> static bool EnterIdle(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, CWnd*) = P;
        (Self(t)->*pmf)(static_cast<UINT>(a.wParam), AfxWndFromHandle(reinterpret_cast<HWND>(a.lParam)));
        return true;
    }
    template <auto P> static bool ShowWindow(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(BOOL, UINT) = P;
        (Self(t)->*pmf)(static_cast<BOOL>(a.wParam), static_cast<UINT>(a.lParam));
        return true;
    }
    template <auto P> static bool Activate(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, CWnd*, BOOL) = P;
        (Self(t)->*pmf)(LOWORD(a.wParam), AfxWndFromHandle(reinterpret_cast<HWND>(a.lParam)), HIWORD(a.wParam));
        return true;
    }
    template <auto P> static bool CtlColor(CCmdTarget* t, AfxMsgArgs& a)
    {
        HBRUSH (T::*pmf)(CDC*, CWnd*, UINT) = P;
        HBRUSH brush = (Self(t)->*pmf)(AfxDcFromHandle(reinterpret_cast<HDC>(a.wParam)),
                                       AfxWndFromHandle(reinterpret_cast<HWND>(a.lParam)),
                                       static_cast<UINT>(a.code));
        a.result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    template <auto P> static bool Message(CCmdTarget* t, AfxMsgArgs& a)
    {
        LRESULT (T::*pmf)(WPARAM, LPARAM) = P;
        a.result = (Self(t)->*pmf)(a.wParam, a.lParam);
        return true;
    }
    template <auto P> static bool CommandRange(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT) = P;
        (Self(t)->*pmf)(a.id);
        return true;
    }
    template <auto P> static bool CommandEx(CCmdTarget* t, AfxMsgArgs& a)
    {
        BOOL (T::*pmf)(UINT) = P;
        return (Self(t)->*pmf)(a.id) != FALSE;
    }
    template <auto P> static bool UpdateUI(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(CCmdUI*) = P;
        (Self(t)->*pmf)(static_cast<CCmdUI*>(a.extra));
        return true;
    }
    template <auto P> static bool Notify(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(NMHDR*, LRESULT*) = P;
        (Self(t)->*pmf)(static_cast<NMHDR*>(a.extra), &a.result);
        return true;
    }
    template <auto P> static bool NotifyRange(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(UINT, NMHDR*, LRESULT*) = P;
        (Self(t)->*pmf)(a.id, static_cast<NMHDR*>(a.extra), &a.result);
        return true;
    }
    template <auto P> static bool NotifyEx(CCmdTarget* t, AfxMsgArgs& a)
    {
        BOOL (T::*pmf)(NMHDR*, LRESULT*) = P;
        return (Self(t)->*pmf)(static_cast<NMHDR*>(a.extra), &a.result) != FALSE;
    }
    template <auto P> static bool ControlEx(CCmdTarget* t, AfxMsgArgs&)
    {
        BOOL (T::*pmf)() = P;
        return (Self(t)->*pmf)() != FALSE;
    }
    template <auto P> static bool CtlColorReflect(CCmdTarget* t, AfxMsgArgs& a)
    {
        HBRUSH (T::*pmf)(CDC*, UINT) = P;
        HBRUSH brush = (Self(t)->*pmf)(AfxDcFromHandle(reinterpret_cast<HDC>(a.wParam)), static_cast<UINT>(a.code));
        a.result = reinterpret_cast<LRESULT>(brush);
        return brush != nullptr;
    }
    template <auto P> static bool DrawItemReflect(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(LPDRAWITEMSTRUCT) = P;
        (Self(t)->*pmf)(reinterpret_cast<LPDRAWITEMSTRUCT>(a.lParam));
        a.result = TRUE;
        return true;
    }
    template <auto P> static bool MeasureItemReflect(CCmdTarget* t, AfxMsgArgs& a)
    {
        void (T::*pmf)(LPMEASUREITEMSTRUCT) = P;
        (Self(t)->*pmf)(reinterpret_cast<LPMEASUREITEMSTRUCT>(a.lParam));
        a.result = TRUE;
        return true;
    }
};

// Declares the table of a class (inside the class body).
#define DECLARE_MESSAGE_MAP()                                         \
protected:                                                            \
    static const AFX_MSGMAP* GetThisMessageMap();                     \
    const AFX_MSGMAP* GetMessageMap() const override;                 \
                                                                      \
private:

// Defines the table of a class; ThisClass names the class inside the entry macros.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const                 \
    {                                                                 \
        return GetThisMessageMap();                                   \
    }                                                                 \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                   \
    {                                                                 \
        using ThisClass = theClass;                                   \
        using TheBaseClass = baseClass;                               \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                             \
    {0, 0, 0, 0, nullptr}};                                           \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
        return &messageMap;                                           \
    }

#define AFX_ENTRY_(msg, code, first, last, cracker, handler)          \
    {static_cast<UINT>(msg), static_cast<UINT>(code), static_cast<UINT>(first), static_cast<UINT>(last), \
     &AfxCrack<ThisClass>::cracker<&ThisClass::handler>},

// Window messages, with the handler names and signatures the framework expects.
#define ON_WM_CREATE() AFX_ENTRY_(WM_CREATE, 0, 0, 0, Create, OnCreate)
#define ON_WM_DESTROY() AFX_ENTRY_(WM_DESTROY, 0, 0, 0, Void, OnDestroy)
#define ON_WM_NCDESTROY() AFX_ENTRY_(WM_NCDESTROY, 0, 0, 0, Void, OnNcDestroy)
#define ON_WM_CLOSE() AFX_ENTRY_(WM_CLOSE, 0, 0, 0, Void, OnClose)
#define ON_WM_PAINT() AFX_ENTRY_(WM_PAINT, 0, 0, 0, Void, OnPaint)
#define ON_WM_SIZE() AFX_ENTRY_(WM_SIZE, 0, 0, 0, Size, OnSize)
#define ON_WM_ERASEBKGND() AFX_ENTRY_(WM_ERASEBKGND, 0, 0, 0, EraseBkgnd, OnEraseBkgnd)
#define ON_WM_CONTEXTMENU() AFX_ENTRY_(WM_CONTEXTMENU, 0, 0, 0, ContextMenu, OnContextMenu)
#define ON_WM_MEASUREITEM() AFX_ENTRY_(WM_MEASUREITEM, 0, 0, 0, MeasureItem, OnMeasureItem)
#define ON_WM_DRAWITEM() AFX_ENTRY_(WM_DRAWITEM, 0, 0, 0, DrawItem, OnDrawItem)
#define ON_WM_INITMENUPOPUP() AFX_ENTRY_(WM_INITMENUPOPUP, 0, 0, 0, InitMenuPopup, OnInitMenuPopup)
#define ON_WM_MENUCHAR() AFX_ENTRY_(WM_MENUCHAR, 0, 0, 0, MenuChar, OnMenuChar)
#define ON_WM_MENUSELECT() AFX_ENTRY_(WM_MENUSELECT, 0, 0, 0, MenuSelect, OnMenuSelect)
#define ON_WM_SETCURSOR() AFX_ENTRY_(WM_SETCURSOR, 0, 0, 0, SetCursor, OnSetCursor)
#define ON_WM_MOUSEMOVE() AFX_ENTRY_(WM_MOUSEMOVE, 0, 0, 0, Mouse, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_ENTRY_(WM_LBUTTONDOWN, 0, 0, 0, Mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_ENTRY_(WM_LBUTTONUP, 0, 0, 0, Mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_ENTRY_(WM_LBUTTONDBLCLK, 0, 0, 0, Mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_ENTRY_(WM_RBUTTONDOWN, 0, 0, 0, Mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_ENTRY_(WM_RBUTTONUP, 0, 0, 0, Mouse, OnRButtonUp)
#define ON_WM_MOUSEACTIVATE() AFX_ENTRY_(WM_MOUSEACTIVATE, 0, 0, 0, MouseActivate, OnMouseActivate)
#define ON_WM_KEYDOWN() AFX_ENTRY_(WM_KEYDOWN, 0, 0, 0, Key, OnKeyDown)
#define ON_WM_KEYUP() AFX_ENTRY_(WM_KEYUP, 0, 0, 0, Key, OnKeyUp)
#define ON_WM_CHAR() AFX_ENTRY_(WM_CHAR, 0, 0, 0, Key, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_ENTRY_(WM_SYSKEYDOWN, 0, 0, 0, Key, OnSysKeyDown)
#define ON_WM_GETDLGCODE() AFX_ENTRY_(WM_GETDLGCODE, 0, 0, 0, GetDlgCode, OnGetDlgCode)
#define ON_WM_HSCROLL() AFX_ENTRY_(WM_HSCROLL, 0, 0, 0, Scroll, OnHScroll)
#define ON_WM_VSCROLL() AFX_ENTRY_(WM_VSCROLL, 0, 0, 0, Scroll, OnVScroll)
#define ON_WM_SETFOCUS() AFX_ENTRY_(WM_SETFOCUS, 0, 0, 0, Focus, OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_ENTRY_(WM_KILLFOCUS, 0, 0, 0, Focus, OnKillFocus)
#define ON_WM_TIMER() AFX_ENTRY_(WM_TIMER, 0, 0, 0, Timer, OnTimer)
#define ON_WM_ENTERIDLE() AFX_ENTRY_(WM_ENTERIDLE, 0, 0, 0, EnterIdle, OnEnterIdle)
#define ON_WM_SHOWWINDOW() AFX_ENTRY_(WM_SHOWWINDOW, 0, 0, 0, ShowWindow, OnShowWindow)
#define ON_WM_ACTIVATE() AFX_ENTRY_(WM_ACTIVATE, 0, 0, 0, Activate, OnActivate)
#define ON_WM_SYSCOLORCHANGE() AFX_ENTRY_(WM_SYSCOLORCHANGE, 0, 0, 0, Void, OnSysColorChange)
// One entry for all WM_CTLCOLOR* messages; the handler receives the CTLCOLOR_* kind.
#define ON_WM_CTLCOLOR() AFX_ENTRY_(WM_CTLCOLOR, 0, 0, 0, CtlColor, OnCtlColor)
#define ON_MESSAGE(message, handler) AFX_ENTRY_(message, 0, 0, 0, Message, handler)

// Commands from menus, accelerators and toolbars; update handlers for their user interface.
#define ON_COMMAND(id, handler) AFX_ENTRY_(WM_COMMAND, CN_COMMAND, id, id, Void, handler)
#define ON_COMMAND_EX(id, handler) AFX_ENTRY_(WM_COMMAND, CN_COMMAND, id, id, CommandEx, handler)
#define ON_COMMAND_RANGE(first, last, handler) AFX_ENTRY_(WM_COMMAND, CN_COMMAND, first, last, CommandRange, handler)
#define ON_UPDATE_COMMAND_UI(id, handler) AFX_ENTRY_(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, id, UpdateUI, handler)
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, handler) \
    AFX_ENTRY_(WM_COMMAND, CN_UPDATE_COMMAND_UI, first, last, UpdateUI, handler)

// Control notifications arriving at the parent.
#define ON_CONTROL(code, id, handler) AFX_ENTRY_(WM_COMMAND, code, id, id, Void, handler)
#define ON_BN_CLICKED(id, handler) ON_CONTROL(BN_CLICKED, id, handler)
#define ON_EN_CHANGE(id, handler) ON_CONTROL(EN_CHANGE, id, handler)
#define ON_NOTIFY(code, id, handler) AFX_ENTRY_(WM_NOTIFY, code, id, id, Notify, handler)
#define ON_NOTIFY_RANGE(code, first, last, handler) AFX_ENTRY_(WM_NOTIFY, code, first, last, NotifyRange, handler)
#define ON_NOTIFY_EX(code, id, handler) AFX_ENTRY_(WM_NOTIFY, code, id, id, NotifyEx, handler)

// Messages that the parent reflects back to the control that sent them.
#define ON_NOTIFY_REFLECT(code, handler) AFX_ENTRY_(kReflectBase + WM_NOTIFY, code, 0, 0, Notify, handler)
#define ON_NOTIFY_REFLECT_EX(code, handler) AFX_ENTRY_(kReflectBase + WM_NOTIFY, code, 0, 0, NotifyEx, handler)
#define ON_CONTROL_REFLECT(code, handler) AFX_ENTRY_(kReflectBase + WM_COMMAND, code, 0, 0, Void, handler)
#define ON_CONTROL_REFLECT_EX(code, handler) AFX_ENTRY_(kReflectBase + WM_COMMAND, code, 0, 0, ControlEx, handler)
#define ON_WM_CTLCOLOR_REFLECT() AFX_ENTRY_(kReflectBase + WM_CTLCOLOR, 0, 0, 0, CtlColorReflect, CtlColor)
#define ON_WM_DRAWITEM_REFLECT() AFX_ENTRY_(kReflectBase + WM_DRAWITEM, 0, 0, 0, DrawItemReflect, DrawItem)
#define ON_WM_MEASUREITEM_REFLECT() AFX_ENTRY_(kReflectBase + WM_MEASUREITEM, 0, 0, 0, MeasureItemReflect, MeasureItem)
