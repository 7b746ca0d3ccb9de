// Window queries of the end-to-end harness.
#include "WindowInfo.h"

#include <cstdio>

namespace e2e {

std::string WindowText(HWND window) {
    // GetWindowTextA reads another process's caption without sending it a message.
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ControlText(HWND window) {
    char text[1024] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsVisible(HWND window) { return IsWindowVisible(window) != FALSE; }

LONG_PTR Style(HWND window) { return GetWindowLongPtrA(window, GWL_STYLE); }

LONG_PTR ExStyle(HWND window) { return GetWindowLongPtrA(window, GWL_EXSTYLE); }

bool IsTopmost(HWND window) { return (ExStyle(window) & WS_EX_TOPMOST) != 0; }

RECT WindowRect(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        FailWithLastError("GetWindowRect");
    return rect;
}

RECT ClientRect(HWND window) {
    RECT rect{};
    if (!GetClientRect(window, &rect))
        FailWithLastError("GetClientRect");
    return rect;
}

RECT ClientRectOnScreen(HWND window) {
    RECT rect = ClientRect(window);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld) %ldx%ld", rect.left, rect.top, rect.right, rect.bottom,
                  rect.right - rect.left, rect.bottom - rect.top);
    return text;
}

POINT ClientToScreenPoint(HWND window, POINT point) {
    ClientToScreen(window, &point);
    return point;
}

POINT Center(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

namespace {

struct TopLevelSearch {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TopLevelSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && (!search.visibleOnly || IsWindowVisible(window)))
        search.found.push_back(window);
    return TRUE;
}

struct DescendantSearch {
    int id;
    std::string className;
    HWND found = nullptr;
};

BOOL CALLBACK FindById(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<DescendantSearch*>(param);
    if (GetDlgCtrlID(window) == search.id &&
        (search.className.empty() || lstrcmpiA(ClassName(window).c_str(), search.className.c_str()) == 0)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
    TopLevelSearch search{processId, visibleOnly, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDescendant(HWND parent, int id, const std::string& className) {
    DescendantSearch search{id, className};
    EnumChildWindows(parent, FindById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Milliseconds timeout) {
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, static_cast<UINT>(timeout.count()),
                             &result)) {
        char text[64];
        std::snprintf(text, sizeof text, "message 0x%04X to window %p", message, static_cast<void*>(window));
        FailWithLastError(std::string(text) + " got no answer within " + std::to_string(timeout.count()) + " ms");
    }
    return static_cast<LRESULT>(result);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageA(window, message, wParam, lParam))
        FailWithLastError("PostMessage");
}

} // namespace e2e
