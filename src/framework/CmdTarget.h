// Command targets and static message maps.
//
// Each class that handles messages declares DECLARE_MESSAGE_MAP() and lists its handlers between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP. An entry holds a small thunk, instantiated per handler, that
// unpacks the message and calls the member function with its proper types, so no handler signature is
// ever cast. Lookup walks the class's table, then its base class's, up to CCmdTarget.
#pragma once

#include "Afx.h"

class CCmdTarget;
class CCmdUI;

enum class MapEntryKind { End, Message, Command, UpdateCommandUI, Notify, NotifyReflect };

using MapThunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    MapEntryKind kind;
    UINT message; // window message (Message kind)
    UINT code;    // notification code (Notify kinds)
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
#define ON_WM_TIMER() AFX_MSG(WM_TIMER, ThunkTimer, OnTimer)
#define ON_WM_SIZE() AFX_MSG(WM_SIZE, ThunkSize, OnSize)
#define ON_WM_MOUSEMOVE() AFX_MSG(WM_MOUSEMOVE, ThunkMouse, OnMouseMove)
#define ON_WM_MOUSELEAVE() AFX_MSG(WM_MOUSELEAVE, ThunkVoid, OnMouseLeave)
#define ON_WM_LBUTTONDOWN() AFX_MSG(WM_LBUTTONDOWN, ThunkMouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MSG(WM_LBUTTONUP, ThunkMouse, OnLButtonUp)
#define ON_WM_SYSCOLORCHANGE() AFX_MSG(WM_SYSCOLORCHANGE, ThunkVoid, OnSysColorChange)
#define ON_WM_INITMENUPOPUP() AFX_MSG(WM_INITMENUPOPUP, ThunkInitMenuPopup, OnInitMenuPopup)
#define ON_WM_MENUSELECT() AFX_MSG(WM_MENUSELECT, ThunkMenuSelect, OnMenuSelect)
#define ON_WM_EXITMENULOOP() AFX_MSG(WM_EXITMENULOOP, ThunkVoid, OnExitMenuLoop)
#define ON_MESSAGE(msg, fn) AFX_MSG(msg, ThunkMessage, fn)
#define ON_COMMAND(id, fn) {MapEntryKind::Command, 0, 0, id, id, &afx::ThunkVoid<&ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI(id, fn) {MapEntryKind::UpdateCommandUI, 0, 0, id, id, &afx::ThunkUpdate<&ThisClass::fn>},
#define ON_NOTIFY(code, id, fn)                                                                                        \
    {MapEntryKind::Notify, 0, static_cast<UINT>(code), id, id, &afx::ThunkNotify<&ThisClass::fn>},
#define ON_NOTIFY_REFLECT(code, fn)                                                                                    \
    {MapEntryKind::NotifyReflect, 0, static_cast<UINT>(code), 0, 0, &afx::ThunkNotify<&ThisClass::fn>},
