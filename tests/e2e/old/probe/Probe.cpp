// pelloran_probe.dll: the test driver hooks it into the program's GUI thread (WH_GETMESSAGE), because one process
// cannot read another's menus. It answers the driver's posted requests (see ProbeProtocol.h) from inside the hook
// and swallows them, so the program never sees a message it does not know.
#include "ProbeProtocol.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace e2e::probe;

UINT RequestMessage() {
    static const UINT message = RegisterWindowMessageA(kRequestMessage);
    return message;
}

void AppendEscaped(std::string& out, const char* text) {
    for (; *text; ++text)
        out += *text == '\\' ? "\\\\" : *text == '\t' ? "\\t" : *text == '\n' ? "\\n" : std::string(1, *text);
}

bool ReadItem(HMENU menu, int index, MENUITEMINFOA& info, char* text, UINT textSize) {
    info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = textSize - 1;
    text[0] = '\0';
    return GetMenuItemInfoA(menu, index, TRUE, &info) != FALSE;
}

// One line per item: depth, flags (Separator, Popup, Grayed, Disabled, Checked, Hilite, Owner-drawn; "-" for
// none), id and text, separated by tabs.
void AppendItemLine(std::string& out, int depth, const MENUITEMINFOA& info, const char* text) {
    const std::pair<bool, char> flags[] = {
        {(info.fType & MFT_SEPARATOR) != 0, 'S'}, {info.hSubMenu != nullptr, 'P'},
        {(info.fState & MF_GRAYED) != 0, 'G'},    {(info.fState & MF_DISABLED) != 0, 'D'},
        {(info.fState & MFS_CHECKED) != 0, 'C'},  {(info.fState & MFS_HILITE) != 0, 'H'},
        {(info.fType & MFT_OWNERDRAW) != 0, 'O'}};
    std::string set;
    for (const auto& [on, flag] : flags)
        if (on)
            set += flag;
    out += std::to_string(depth) + '\t' + (set.empty() ? "-" : set) + '\t' + std::to_string(info.wID) + '\t';
    AppendEscaped(out, text);
    out += '\n';
}

// Lists the items of one menu and, depth first, of its submenus. With an update window, every submenu is first
// announced to it with WM_INITMENUPOPUP, as the system does right before it opens a pop-up, so the program's
// enable and check rules have run when the items are read.
void DescribeMenu(HMENU menu, int depth, HWND updateWindow, std::string& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info;
        char text[512];
        if (!ReadItem(menu, i, info, text, sizeof text)) {
            out += std::to_string(depth) + "\t?\t0\t\n";
            continue;
        }
        const HMENU submenu = info.hSubMenu;
        if (submenu && updateWindow) {
            SendMessageA(updateWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), MAKELPARAM(i, FALSE));
            ReadItem(menu, i, info, text, sizeof text); // the update may have changed the entry itself
        }
        AppendItemLine(out, depth, info, text);
        if (submenu)
            DescribeMenu(submenu, depth + 1, updateWindow, out);
        if (submenu && updateWindow)
            SendMessageA(updateWindow, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), 0);
    }
}

BOOL CALLBACK CollectMenuWindow(HWND window, LPARAM param) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32768") == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// Pop-up menu windows come in z-order, the innermost (last opened) first.
std::string DescribeOpenMenus() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectMenuWindow, reinterpret_cast<LPARAM>(&windows));
    std::reverse(windows.begin(), windows.end());
    std::string out;
    for (HWND window : windows) {
        const auto menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
        if (!menu)
            continue;
        out += "0\tP\t0\t\n";
        DescribeMenu(menu, 1, nullptr, out);
    }
    return out;
}

// The size the owner answers to WM_MEASUREITEM for every owner-drawn item, after the update pass.
void DescribeSizes(HMENU menu, int depth, HWND owner, std::string& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info))
            continue;
        if (info.hSubMenu)
            SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(info.hSubMenu), MAKELPARAM(i, FALSE));
        long width = -1, height = -1;
        if (info.fType & MFT_OWNERDRAW) {
            MEASUREITEMSTRUCT measure{};
            measure.CtlType = ODT_MENU;
            measure.itemID = info.wID;
            measure.itemData = info.dwItemData;
            SendMessageA(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
            width = static_cast<long>(measure.itemWidth);
            height = static_cast<long>(measure.itemHeight);
        }
        char line[96];
        std::snprintf(line, sizeof line, "%d\t%u\t%ld\t%ld\n", depth, info.wID, width, height);
        out += line;
        if (info.hSubMenu) {
            DescribeSizes(info.hSubMenu, depth + 1, owner, out);
            SendMessageA(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(info.hSubMenu), 0);
        }
    }
}

BOOL CALLBACK CollectAnyMenuWindow(HWND window, LPARAM param) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32768") == 0)
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

bool Subclassed(HWND window) {
    WNDCLASSA info{};
    const bool own = GetClassInfoA(nullptr, "#32768", &info) &&
                     reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != info.lpfnWndProc;
    return GetPropA(window, "OldMenuProc") != nullptr || own;
}

// Menu windows that ended, watched from the first kMenuWindows request on.
LONG endedWindows = 0;
LONG endedSubclassed = 0;
HHOOK endWatch = nullptr;

LRESULT CALLBACK WatchMenuWindowEnd(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        char className[16] = {};
        if (call->message == WM_NCDESTROY && GetClassNameA(call->hwnd, className, sizeof className) &&
            lstrcmpA(className, "#32768") == 0) {
            ++endedWindows;
            if (Subclassed(call->hwnd))
                ++endedSubclassed;
        }
    }
    return CallNextHookEx(endWatch, code, wParam, lParam);
}

std::string DescribeMenuWindows() {
    if (!endWatch) {
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&WatchMenuWindowEnd), &self);
        endWatch = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchMenuWindowEnd, self, GetCurrentThreadId());
    }
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectAnyMenuWindow, reinterpret_cast<LPARAM>(&windows));
    std::string out;
    for (HWND window : windows) {
        out += IsWindowVisible(window) ? "1\t" : "0\t";
        out += Subclassed(window) ? "1\n" : "0\n";
    }
    char line[64];
    std::snprintf(line, sizeof line, "-1\t%ld\t%ld\t%d\n", endedWindows, endedSubclassed,
                  GlobalFindAtomA("OldMenuProc") != 0 ? 1 : 0);
    return out + line;
}

std::string DescribeOpenMenuRects() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectMenuWindow, reinterpret_cast<LPARAM>(&windows));
    if (windows.empty())
        return {};
    HWND innermost = windows.front();
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(innermost, MN_GETHMENU, 0, 0));
    std::string out;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        RECT rect{};
        GetMenuItemRect(innermost, menu, i, &rect);
        char line[96];
        std::snprintf(line, sizeof line, "%u\t%ld\t%ld\t%ld\t%ld\n", GetMenuItemID(menu, i), rect.left, rect.top,
                      rect.right, rect.bottom);
        out += line;
    }
    return out;
}

void Reply(LONG sequence, LONG status, const std::string& text) {
    const DWORD processId = GetCurrentProcessId();
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, ReplyMappingName(processId).c_str());
    if (!mapping)
        return; // the driver is gone; nobody waits for this reply
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kReplyCapacity)) {
        auto* header = static_cast<ReplyHeader*>(view);
        const DWORD length = static_cast<DWORD>(std::min<size_t>(text.size(), kReplyCapacity - sizeof(ReplyHeader)));
        CopyMemory(header + 1, text.data(), length);
        header->length = length;
        header->status = status;
        header->sequence = sequence;
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, ReplyEventName(processId).c_str())) {
        SetEvent(done);
        CloseHandle(done);
    }
}

void Answer(const MSG& request) {
    const auto sequence = static_cast<LONG>(request.lParam);
    HWND frame = request.hwnd ? GetAncestor(request.hwnd, GA_ROOT) : nullptr;
    switch (request.wParam) {
    case kPing:
        Reply(sequence, 0, {});
        return;
    case kMenuBar:
    case kMenuBarState: {
        HMENU bar = frame ? GetMenu(frame) : nullptr;
        if (!bar) {
            Reply(sequence, ERROR_INVALID_MENU_HANDLE, {});
            return;
        }
        std::string out;
        DescribeMenu(bar, 0, request.wParam == kMenuBar ? frame : nullptr, out);
        Reply(sequence, 0, out);
        return;
    }
    case kOpenMenus:
        Reply(sequence, 0, DescribeOpenMenus());
        return;
    case kMenuBarSizes: {
        HMENU bar = frame ? GetMenu(frame) : nullptr;
        std::string out;
        if (bar)
            DescribeSizes(bar, 0, frame, out);
        Reply(sequence, bar ? 0 : ERROR_INVALID_MENU_HANDLE, out);
        return;
    }
    case kOpenMenuRects:
        Reply(sequence, 0, DescribeOpenMenuRects());
        return;
    case kMenuWindows:
        Reply(sequence, 0, DescribeMenuWindows());
        return;
    case kAppendUnknownCommand: {
        HMENU bar = frame ? GetMenu(frame) : nullptr;
        HMENU file = bar ? GetSubMenu(bar, 0) : nullptr;
        const bool done = file && AppendMenuA(file, MF_STRING, kProbeCommand, "Probe");
        Reply(sequence, done ? 0 : ERROR_INVALID_MENU_HANDLE, {});
        return;
    }
    default:
        Reply(sequence, ERROR_INVALID_FUNCTION, {});
    }
}

} // namespace

// Runs for every message the GUI thread takes from its queue, including inside modal loops (dialogs, menu
// tracking), so requests are answered even while a menu is open.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message != 0 && msg->message == RequestMessage()) {
            Answer(*msg);
            msg->message = WM_NULL;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
