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

// The object whose window CreateEx is creating on this thread: linked at its window's first message.
thread_local CWnd* creatingWnd = nullptr;

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
    if (!PreCreateWindow(cs))
        return false;

    // A class of our own links at the first message; a system control is subclassed afterwards.
    WNDCLASSEXA info{};
    info.cbSize = sizeof(info);
    bool ownClass = GetClassInfoExA(cs.hInstance, cs.lpszClass, &info) && info.lpfnWndProc == AfxWndProc;
    if (ownClass)
        creatingWnd = this;
    HWND created = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                   cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    creatingWnd = nullptr;
    if (created == nullptr) {
        hwnd = nullptr;
        return false;
    }
    if (!ownClass && !SubclassWindow(created)) {
        ::DestroyWindow(created);
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
    if (message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    const MessageMapEntry* entry = FindEntry(MapEntryKind::NotifyReflect, 0, header->code, 0);
    if (entry == nullptr)
        return false;
    *result = 0;
    entry->thunk(this, reinterpret_cast<WPARAM>(header), reinterpret_cast<LPARAM>(result));
    return true;
}

LRESULT CALLBACK AfxWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(handle);
    if (wnd == nullptr && creatingWnd != nullptr) {
        wnd = creatingWnd;
        creatingWnd = nullptr;
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
        // No exception crosses into the system; the message counts as handled with result 0.
        result = 0;
    }
    wnd->currentMsg = outer;
    if (message == WM_NCDESTROY) {
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
