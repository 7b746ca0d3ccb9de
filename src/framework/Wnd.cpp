// Window linking, the shared window procedure and message dispatch.
#include "Wnd.h"
#include "FrameWnd.h"

#include <map>
#include <tuple>
#include <unordered_map>

namespace {

// Handle-to-object links of this thread's windows. An in-process map: asking the system for a window
// property on every message costs a round trip to the window server on some systems.
thread_local std::unordered_map<HWND, CWnd*> links;

// One CreateEx in progress on this thread: its object is linked at its window's first message. Nested
// creations (children made in OnCreate) each have their own record; the innermost is current.
struct Creation {
    CWnd* wnd;
    Creation* outer;
    bool linked = false;
    bool ended = false; // the window got WM_NCDESTROY and PostNcDestroy ran (the object may be gone)
};
thread_local Creation* creating = nullptr;

bool IsCtlColor(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

} // namespace

CWnd::~CWnd() {
    if (hwnd != nullptr && FromHandlePermanent(hwnd) == this)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND handle) {
    if (handle == nullptr)
        return nullptr;
    auto found = links.find(handle);
    return found == links.end() ? nullptr : found->second;
}

void CWnd::Attach(HWND handle) {
    hwnd = handle;
    links[handle] = this;
}

void CWnd::Detach() {
    if (hwnd == nullptr)
        return;
    links.erase(hwnd);
    if (superProc != nullptr)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc));
    superProc = nullptr;
    hwnd = nullptr;
}

bool CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, HWND parent,
                    UINT_PTR idOrMenu, void* param) {
    CREATESTRUCTA cs{};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = style;
    cs.x = rect.left;
    cs.y = rect.top;
    // Computed as the system does, wrapping: the default rectangle (CW_USEDEFAULT, CW_USEDEFAULT, 0, 0)
    // gives CW_USEDEFAULT as its width, which asks the system for the default size.
    cs.cx = static_cast<int>(static_cast<unsigned>(rect.right) - static_cast<unsigned>(rect.left));
    cs.cy = static_cast<int>(static_cast<unsigned>(rect.bottom) - static_cast<unsigned>(rect.top));
    cs.hwndParent = parent;
    cs.hMenu = reinterpret_cast<HMENU>(idOrMenu);
    cs.hInstance = GetModuleHandleA(nullptr);
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return false;
    }

    // A class of our own links at the first message; a system control is subclassed afterwards.
    WNDCLASSEXA info{};
    info.cbSize = sizeof(info);
    bool ownClass = GetClassInfoExA(cs.hInstance, cs.lpszClass, &info) && info.lpfnWndProc == AfxWndProc;
    Creation* outer = creating;
    Creation record{this, outer};
    if (ownClass)
        creating = &record;
    HWND created = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                   cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    creating = outer;
    if (created == nullptr) {
        // A window that got as far as its first message was destroyed with WM_NCDESTROY, which unlinked it and
        // ran PostNcDestroy (possibly deleting this object); one that never started gets the same ending here.
        if (!record.ended) {
            // A system may refuse at WM_NCCREATE without a WM_NCDESTROY: the link made there goes here.
            if (record.linked && hwnd != nullptr && FromHandlePermanent(hwnd) == this)
                Detach();
            PostNcDestroy();
        }
        return false;
    }
    if (!ownClass && !SubclassWindow(created)) {
        ::DestroyWindow(created);
        PostNcDestroy();
        return false;
    }
    return true;
}

bool CWnd::SubclassWindow(HWND handle) {
    if (handle == nullptr || FromHandlePermanent(handle) != nullptr)
        return false;
    Attach(handle);
    PreSubclassWindow();
    superProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent != nullptr && SubclassWindow(::GetDlgItem(parent->hwnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND handle = hwnd;
    Detach();
    return handle;
}

BOOL CWnd::DestroyWindow() { return hwnd ? ::DestroyWindow(hwnd) : FALSE; }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) const {
    DWORD style = GetStyle();
    DWORD updated = (style & ~remove) | add;
    if (updated == style)
        return FALSE;
    SetWindowLongPtrA(hwnd, GWL_STYLE, updated);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add) const {
    DWORD style = GetExStyle();
    DWORD updated = (style & ~remove) | add;
    if (updated == style)
        return FALSE;
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, updated);
    return TRUE;
}

std::string CWnd::GetWindowText() const {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(hwnd, text.data(), length + 1)));
    return text;
}

std::string CWnd::GetDlgItemText(int id) const {
    HWND item = GetDlgItem(id);
    if (item == nullptr)
        return std::string();
    int length = GetWindowTextLengthA(item);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, text.data(), length + 1)));
    return text;
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND parent = ::GetParent(hwnd); parent != nullptr; parent = ::GetParent(parent)) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(FromHandlePermanent(parent)))
            return frame;
    }
    return nullptr;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (superProc != nullptr)
        return CallWindowProcA(superProc, hwnd, message, wParam, lParam);
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return currentMsg ? DefWindowProc(currentMsg->message, currentMsg->wParam, currentMsg->lParam) : 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            *result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, result);
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        if (item->CtlType != ODT_MENU) {
            if (CWnd* control = FromHandlePermanent(item->hwndItem)) {
                control->DrawItem(item);
                *result = TRUE;
                return true;
            }
        }
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
        if (item->CtlType != ODT_MENU) {
            if (CWnd* control = FromHandlePermanent(GetDlgItem(static_cast<int>(item->CtlID)))) {
                control->MeasureItem(item);
                *result = TRUE;
                return true;
            }
        }
        break;
    }
    default:
        if (IsCtlColor(message)) {
            // The control being painted picks its colours first (a dialog's own WM_CTLCOLORDLG names itself
            // and goes to its map directly), then the parent's ON_WM_CTLCOLOR.
            HWND control = reinterpret_cast<HWND>(lParam);
            CWnd* child = FromHandlePermanent(control);
            if (child != nullptr && child != this && child->OnChildNotify(message, wParam, lParam, result))
                return true;
            const MessageMapEntry* entry = FindEntry(MapEntryKind::CtlColor, message, 0, 0);
            if (entry == nullptr)
                return false;
            afx::CtlColorArgs args{reinterpret_cast<HDC>(wParam), control, message - WM_CTLCOLORMSGBOX};
            *result = entry->thunk(this, reinterpret_cast<WPARAM>(&args), 0);
            return *result != 0;
        }
        break;
    }
    const MessageMapEntry* entry = FindEntry(MapEntryKind::Message, message, 0, 0);
    if (entry == nullptr)
        return false;
    *result = entry->thunk(this, wParam, lParam);
    return true;
}

bool CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control != nullptr) {
        LRESULT ignored = 0;
        CWnd* child = FromHandlePermanent(control);
        if (child != nullptr && child->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
            return true;
        if (const MessageMapEntry* entry = FindEntry(MapEntryKind::Control, 0, code, id)) {
            entry->thunk(this, 0, 0);
            return true;
        }
        // Toolbar buttons send their command id with BN_CLICKED, exactly like a menu item.
        if (code != BN_CLICKED)
            return false;
    } else if (code == 0 || code == 1) {
        // A menu or accelerator command runs only while its update rule leaves it enabled.
        CCmdUI state;
        state.id = id;
        state.DoUpdate(this, false);
        if (!state.enabled)
            return true;
    }
    return OnCmdMsg(id, CN_COMMAND, nullptr);
}

bool CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (CWnd* child = FromHandlePermanent(header->hwndFrom)) {
        if (child->OnChildNotify(WM_NOTIFY, wParam, lParam, result))
            return true;
    }
    const MessageMapEntry* entry = FindEntry(MapEntryKind::Notify, 0, header->code, static_cast<UINT>(header->idFrom));
    if (entry == nullptr)
        return false;
    *result = 0;
    entry->thunk(this, reinterpret_cast<WPARAM>(header), reinterpret_cast<LPARAM>(result));
    return true;
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        const MessageMapEntry* entry = FindEntry(MapEntryKind::NotifyReflect, 0, header->code, 0);
        if (entry == nullptr)
            return false;
        *result = 0;
        entry->thunk(this, reinterpret_cast<WPARAM>(header), reinterpret_cast<LPARAM>(result));
        return true;
    }
    if (message == WM_COMMAND) {
        const MessageMapEntry* entry = FindEntry(MapEntryKind::ControlReflect, 0, HIWORD(wParam), 0);
        if (entry == nullptr)
            return false;
        *result = 0;
        entry->thunk(this, 0, 0);
        return true;
    }
    if (IsCtlColor(message)) {
        const MessageMapEntry* entry = FindEntry(MapEntryKind::CtlColorReflect, 0, 0, 0);
        if (entry == nullptr)
            return false;
        afx::CtlColorArgs args{reinterpret_cast<HDC>(wParam), hwnd, message - WM_CTLCOLORMSGBOX};
        *result = entry->thunk(this, reinterpret_cast<WPARAM>(&args), 0);
        return *result != 0; // no brush: the parent decides
    }
    return false;
}

LRESULT CALLBACK AfxWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(handle);
    if (wnd == nullptr && creating != nullptr && !creating->linked) {
        wnd = creating->wnd;
        creating->linked = true;
        wnd->Attach(handle);
    }
    if (wnd == nullptr)
        return DefWindowProcA(handle, message, wParam, lParam);

    MSG msg{handle, message, wParam, lParam, 0, {}};
    const MSG* outer = wnd->currentMsg;
    wnd->currentMsg = &msg;
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception crosses into the system. A creation message that throws refuses the creation, so a
        // half-built window is destroyed before anyone sees it; any other message counts as handled with 0.
        result = message == WM_CREATE ? -1 : message == WM_NCCREATE ? FALSE : 0;
    }
    wnd->currentMsg = outer;
    if (message == WM_NCDESTROY) {
        for (Creation* c = creating; c != nullptr; c = c->outer) {
            if (c->wnd == wnd)
                c->ended = true;
        }
        wnd->Detach();
        wnd->PostNcDestroy(); // may delete the object
    }
    return result;
}

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> registered;
    auto key = std::make_tuple(classStyle, cursor, background, icon);
    auto found = registered.find(key);
    if (found != registered.end())
        return found->second.c_str();
    std::string name = "Pelloran:" + std::to_string(registered.size());
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
    return registered.emplace(key, name).first->second.c_str();
}

std::string AfxLoadString(UINT id) {
    char buffer[512];
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}
