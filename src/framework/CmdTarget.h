// Command targets and static message maps.
//
// Each class that handles messages declares DECLARE_MESSAGE_MAP() and lists its handlers between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP. An entry holds a small thunk, instantiated per handler, that
// unpacks the message and calls the member function with its proper types, so no handler signature is
// ever cast. Lookup walks the class's table, then its base class's, up to CCmdTarget.
//
// Reflection: a notification that a control sends its parent (WM_NOTIFY, WM_COMMAND with a control handle,
// WM_CTLCOLOR*, WM_DRAWITEM and WM_MEASUREITEM of a control) is offered first to the object linked to that
// control (the *_REFLECT entries, DrawItem/MeasureItem); only when that object takes no part in it does the
// parent's own entry (ON_NOTIFY, ON_CONTROL, ON_WM_CTLCOLOR, ON_WM_DRAWITEM...) see it. Menu items
// (ODT_MENU) are never reflected: their WM_DRAWITEM and WM_MEASUREITEM go to the owner's handlers.
#pragma once

#include "Afx.h"

class CCmdTarget;
class CCmdUI;

enum class MapEntryKind {
    End,
    Message,
    Command,
    UpdateCommandUI,
    Notify,          // WM_NOTIFY by code and control id, in the parent
    NotifyReflect,   // WM_NOTIFY by code, in the control that sent it
    Control,         // WM_COMMAND from a control by notification code and id, in the parent
    ControlReflect,  // WM_COMMAND notification by code, in the control that sent it
    CtlColor,        // WM_CTLCOLOR* in the parent (message range firstId..lastId)
    CtlColorReflect, // WM_CTLCOLOR* in the control being painted
};

using MapThunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    MapEntryKind kind;
    UINT message; // window message (Message kind)
    UINT code;    // notification code (Notify and Control kinds)
    UINT firstId; // command or control id range
    UINT lastId;
    MapThunk thunk;
};

struct MessageMap {
    const MessageMap* (*base)();
    const MessageMapEntry* entries;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Routes a command (CN_COMMAND) or an update request (CN_UPDATE_COMMAND_UI, extra = CCmdUI*).
    // With probeOnly set, a command is not run: the result only tells whether a handler exists.
    virtual bool OnCmdMsg(UINT id, int code, void* extra, bool probeOnly = false);

protected:
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;

    // First entry of the map chain that matches; null when none does.
    const MessageMapEntry* FindEntry(MapEntryKind kind, UINT message, UINT code, UINT id) const;
};

// Enables and checks one menu item or toolbar button during an update pass.
class CCmdUI {
public:
    UINT id = 0;
    HMENU menu = nullptr; // menu item: its menu and position
    UINT index = 0;
    HWND toolBar = nullptr; // toolbar button: its toolbar
    bool enabled = true;
    int checked = 0;
    bool handled = false;

    void Enable(BOOL on = TRUE);
    void SetCheck(int check = 1);

    // Runs the update rule of `target` for this item; without a rule, the item is enabled when a
    // command handler exists, or always when disableIfNoHandler is false.
    void DoUpdate(CCmdTarget* target, bool disableIfNoHandler);
};

namespace afx {

template <class T> struct MemberOf;
template <class C, class R, class... A> struct MemberOf<R (C::*)(A...)> { using type = C; };
template <auto Handler> using HandlerClass = typename MemberOf<decltype(Handler)>::type;

template <auto Handler> HandlerClass<Handler>* Self(CCmdTarget* target) {
    return static_cast<HandlerClass<Handler>*>(target);
}

template <auto H> LRESULT ThunkVoid(CCmdTarget* t, WPARAM, LPARAM) {
    (Self<H>(t)->*H)();
    return 0;
}
template <auto H> LRESULT ThunkEndSession(CCmdTarget* t, WPARAM w, LPARAM) {
    (Self<H>(t)->*H)(static_cast<BOOL>(w != 0));
    return 0;
}
template <auto H> LRESULT ThunkUpdate(CCmdTarget* t, WPARAM w, LPARAM) {
    (Self<H>(t)->*H)(reinterpret_cast<CCmdUI*>(w));
    return 0;
}
template <auto H> LRESULT ThunkNotify(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(reinterpret_cast<NMHDR*>(w), reinterpret_cast<LRESULT*>(l));
    return 0;
}
template <auto H> LRESULT ThunkCreate(CCmdTarget* t, WPARAM, LPARAM l) {
    return (Self<H>(t)->*H)(reinterpret_cast<LPCREATESTRUCT>(l));
}
template <auto H> LRESULT ThunkTimer(CCmdTarget* t, WPARAM w, LPARAM) {
    (Self<H>(t)->*H)(static_cast<UINT_PTR>(w));
    return 0;
}
template <auto H> LRESULT ThunkSize(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<UINT>(w), static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
    return 0;
}
template <auto H> LRESULT ThunkMouse(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<UINT>(w), CPoint(l));
    return 0;
}
template <auto H> LRESULT ThunkInitMenuPopup(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(reinterpret_cast<HMENU>(w), static_cast<UINT>(LOWORD(l)), static_cast<BOOL>(HIWORD(l)));
    return 0;
}
template <auto H> LRESULT ThunkMenuSelect(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<UINT>(LOWORD(w)), static_cast<UINT>(HIWORD(w)), reinterpret_cast<HMENU>(l));
    return 0;
}
template <auto H> LRESULT ThunkMessage(CCmdTarget* t, WPARAM w, LPARAM l) { return (Self<H>(t)->*H)(w, l); }
template <auto H> LRESULT ThunkResult(CCmdTarget* t, WPARAM, LPARAM) { return (Self<H>(t)->*H)(); }
template <auto H> LRESULT ThunkDrawItem(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<int>(w), reinterpret_cast<LPDRAWITEMSTRUCT>(l));
    return TRUE;
}
template <auto H> LRESULT ThunkMeasureItem(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<int>(w), reinterpret_cast<LPMEASUREITEMSTRUCT>(l));
    return TRUE;
}
template <auto H> LRESULT ThunkMenuChar(CCmdTarget* t, WPARAM w, LPARAM l) {
    return (Self<H>(t)->*H)(static_cast<UINT>(LOWORD(w)), static_cast<UINT>(HIWORD(w)), reinterpret_cast<HMENU>(l));
}
template <auto H> LRESULT ThunkSetCursor(CCmdTarget* t, WPARAM w, LPARAM l) {
    return (Self<H>(t)->*H)(reinterpret_cast<HWND>(w), static_cast<UINT>(LOWORD(l)), static_cast<UINT>(HIWORD(l)));
}
template <auto H> LRESULT ThunkEraseBkgnd(CCmdTarget* t, WPARAM w, LPARAM) {
    return (Self<H>(t)->*H)(reinterpret_cast<HDC>(w));
}
template <auto H> LRESULT ThunkNcHitTest(CCmdTarget* t, WPARAM, LPARAM l) { return (Self<H>(t)->*H)(CPoint(l)); }
template <auto H> LRESULT ThunkEnterIdle(CCmdTarget* t, WPARAM w, LPARAM l) {
    (Self<H>(t)->*H)(static_cast<UINT>(w), reinterpret_cast<HWND>(l));
    return 0;
}

// What a WM_CTLCOLOR* thunk receives (through its WPARAM): the device context, the control being painted
// and the kind of control (CTLCOLOR_EDIT, CTLCOLOR_STATIC, ... = the message minus WM_CTLCOLORMSGBOX).
struct CtlColorArgs {
    HDC dc;
    HWND control;
    UINT type;
};
template <auto H> LRESULT ThunkCtlColor(CCmdTarget* t, WPARAM w, LPARAM) {
    const auto* a = reinterpret_cast<const CtlColorArgs*>(w);
    HBRUSH brush = (Self<H>(t)->*H)(a->dc, a->control, a->type);
    return reinterpret_cast<LRESULT>(brush);
}
template <auto H> LRESULT ThunkCtlColorReflect(CCmdTarget* t, WPARAM w, LPARAM) {
    const auto* a = reinterpret_cast<const CtlColorArgs*>(w);
    HBRUSH brush = (Self<H>(t)->*H)(a->dc, a->type);
    return reinterpret_cast<LRESULT>(brush);
}

} // namespace afx

#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const MessageMap* GetThisMessageMap();                                                                      \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }                                  \
    const MessageMap* theClass::GetThisMessageMap() {                                                                  \
        using ThisClass = theClass;                                                                                    \
        using TheBaseClass = baseClass;                                                                                \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    { MapEntryKind::End, 0, 0, 0, 0, nullptr }                                                                         \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries};                                         \
    return &map;                                                                                                       \
    }

#define AFX_MSG(msg, thunk, fn) {MapEntryKind::Message, msg, 0, 0, 0, &afx::thunk<&ThisClass::fn>},
#define ON_WM_CREATE() AFX_MSG(WM_CREATE, ThunkCreate, OnCreate)
#define ON_WM_DESTROY() AFX_MSG(WM_DESTROY, ThunkVoid, OnDestroy)
#define ON_WM_CLOSE() AFX_MSG(WM_CLOSE, ThunkVoid, OnClose)
#define ON_WM_ENDSESSION() AFX_MSG(WM_ENDSESSION, ThunkEndSession, OnEndSession)
#define ON_WM_TIMER() AFX_MSG(WM_TIMER, ThunkTimer, OnTimer)
#define ON_WM_SIZE() AFX_MSG(WM_SIZE, ThunkSize, OnSize)
#define ON_WM_MOUSEMOVE() AFX_MSG(WM_MOUSEMOVE, ThunkMouse, OnMouseMove)
#define ON_WM_MOUSELEAVE() AFX_MSG(WM_MOUSELEAVE, ThunkVoid, OnMouseLeave)
#define ON_WM_LBUTTONDOWN() AFX_MSG(WM_LBUTTONDOWN, ThunkMouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MSG(WM_LBUTTONUP, ThunkMouse, OnLButtonUp)
#define ON_WM_SYSCOLORCHANGE() AFX_MSG(WM_SYSCOLORCHANGE, ThunkVoid, OnSysColorChange)
#define ON_WM_INITMENUPOPUP() AFX_MSG(WM_INITMENUPOPUP, ThunkInitMenuPopup, OnInitMenuPopup)
#define ON_WM_MENUSELECT() AFX_MSG(WM_MENUSELECT, ThunkMenuSelect, OnMenuSelect)
#define ON_WM_ENTERMENULOOP() AFX_MSG(WM_ENTERMENULOOP, ThunkVoid, OnEnterMenuLoop)
#define ON_WM_EXITMENULOOP() AFX_MSG(WM_EXITMENULOOP, ThunkVoid, OnExitMenuLoop)
#define ON_WM_PAINT() AFX_MSG(WM_PAINT, ThunkVoid, OnPaint)
#define ON_WM_ERASEBKGND() AFX_MSG(WM_ERASEBKGND, ThunkEraseBkgnd, OnEraseBkgnd)
#define ON_WM_SETCURSOR() AFX_MSG(WM_SETCURSOR, ThunkSetCursor, OnSetCursor)
#define ON_WM_NCHITTEST() AFX_MSG(WM_NCHITTEST, ThunkNcHitTest, OnNcHitTest)
#define ON_WM_THEMECHANGED() AFX_MSG(WM_THEMECHANGED, ThunkResult, OnThemeChanged)
#define ON_WM_MENUCHAR() AFX_MSG(WM_MENUCHAR, ThunkMenuChar, OnMenuChar)
#define ON_WM_ENTERIDLE() AFX_MSG(WM_ENTERIDLE, ThunkEnterIdle, OnEnterIdle)
// Owner-drawn menu items, and controls that no linked object draws: void On...Item(int id, ...ITEMSTRUCT*).
#define ON_WM_DRAWITEM() AFX_MSG(WM_DRAWITEM, ThunkDrawItem, OnDrawItem)
#define ON_WM_MEASUREITEM() AFX_MSG(WM_MEASUREITEM, ThunkMeasureItem, OnMeasureItem)
#define ON_MESSAGE(msg, fn) AFX_MSG(msg, ThunkMessage, fn)
// HBRUSH OnCtlColor(HDC dc, HWND control, UINT type) for every WM_CTLCOLOR* message the parent receives;
// a null brush lets the default colours through.
#define ON_WM_CTLCOLOR()                                                                                               \
    {MapEntryKind::CtlColor, 0, 0, WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, &afx::ThunkCtlColor<&ThisClass::OnCtlColor>},
// HBRUSH CtlColor(HDC dc, UINT type) in the control being painted; a null brush hands the message on to the
// parent.
#define ON_WM_CTLCOLOR_REFLECT()                                                                                       \
    {MapEntryKind::CtlColorReflect, 0, 0, 0, 0, &afx::ThunkCtlColorReflect<&ThisClass::CtlColor>},
// void fn() for a WM_COMMAND notification (BN_CLICKED, EN_CHANGE, CBN_SELCHANGE...) of control `id`.
#define ON_CONTROL(code, id, fn)                                                                                       \
    {MapEntryKind::Control, 0, static_cast<UINT>(code), id, id, &afx::ThunkVoid<&ThisClass::fn>},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
// void fn() in the control that sent the WM_COMMAND notification `code` to its parent.
#define ON_CONTROL_REFLECT(code, fn)                                                                                   \
    {MapEntryKind::ControlReflect, 0, static_cast<UINT>(code), 0, 0, &afx::ThunkVoid<&ThisClass::fn>},
#define ON_COMMAND(id, fn) {MapEntryKind::Command, 0, 0, id, id, &afx::ThunkVoid<&ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI(id, fn) {MapEntryKind::UpdateCommandUI, 0, 0, id, id, &afx::ThunkUpdate<&ThisClass::fn>},
#define ON_NOTIFY(code, id, fn)                                                                                        \
    {MapEntryKind::Notify, 0, static_cast<UINT>(code), id, id, &afx::ThunkNotify<&ThisClass::fn>},
#define ON_NOTIFY_REFLECT(code, fn)                                                                                    \
    {MapEntryKind::NotifyReflect, 0, static_cast<UINT>(code), 0, 0, &afx::ThunkNotify<&ThisClass::fn>},
