// pelloran_probe.dll: runs inside the program's GUI thread and answers the driver's generic requests (see
// Protocol.h) there, where every control message may carry a pointer and menus can be read at all.
//   windows                     top-level windows of the thread          controls <h>   every descendant of h
//   list <h> [first count]      a list view: columns, rows, cells        toolbar <h>    buttons and image lists
//   menu bar|state|open|rects|windows|append                       tip            the tool-tip shown
//   text <h> <msg> <w> <text>   SendMessage with the text as lParam
//   cell <h> <row> <col> <text> LVM_SETITEMTEXT                          select <h> <row>: the only selected row
//   module <name>               a loaded module's path                   timers         SetTimer/KillTimer calls
#include "Protocol.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using namespace e2e::probe;

// A request naming a window that has gone is refused: read as empty, it would pass for an empty control.
HWND ToWindow(const std::string& text) {
    const auto window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(text)));
    if (!IsWindow(window))
        throw std::runtime_error("no window " + text);
    return window;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    std::string text(static_cast<size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

Window DescribeWindow(HWND window) {
    const bool child = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    Window row{window,
               child ? GetParent(window) : GetWindow(window, GW_OWNER),
               GetDlgCtrlID(window),
               ClassOf(window),
               TextOf(window),
               static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)),
               static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)),
               IsWindowVisible(window) != FALSE,
               IsWindowEnabled(window) != FALSE,
               {},
               {}};
    GetWindowRect(window, &row.rect);
    const char* cls = row.cls.c_str();
    auto& extra = row.extra;
    auto rows = [&](UINT countMessage, UINT lengthMessage, UINT textMessage, UINT selectionMessage) {
        extra.push_back(std::to_string(SendMessageA(window, selectionMessage, 0, 0)));
        for (LRESULT i = 0, n = SendMessageA(window, countMessage, 0, 0); i < n; ++i) {
            std::string text(static_cast<size_t>(SendMessageA(window, lengthMessage, i, 0)) + 1, '\0');
            SendMessageA(window, textMessage, i, reinterpret_cast<LPARAM>(&text[0]));
            extra.push_back(text.c_str());
        }
    };
    if (lstrcmpiA(cls, "Button") == 0) {
        extra.push_back(std::to_string(SendMessageA(window, BM_GETCHECK, 0, 0)));
    } else if (lstrcmpiA(cls, "Static") == 0) {
        const auto icon = reinterpret_cast<HICON>(SendMessageA(window, STM_GETICON, 0, 0));
        const std::pair<LPCSTR, const char*> icons[] = {{IDI_EXCLAMATION, "exclamation"},
                                                        {IDI_QUESTION, "question"},
                                                        {IDI_HAND, "hand"},
                                                        {IDI_ASTERISK, "asterisk"}};
        extra.push_back(icon ? "other" : "");
        for (const auto& [id, text] : icons)
            if (icon && icon == LoadIconA(nullptr, id))
                extra.back() = text;
    } else if (lstrcmpiA(cls, "ComboBox") == 0) {
        rows(CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL);
    } else if (lstrcmpiA(cls, "ListBox") == 0) {
        rows(LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL);
    } else if (row.cls == STATUSCLASSNAMEA) {
        const bool simple = SendMessageA(window, SB_ISSIMPLE, 0, 0) != 0;
        extra.push_back(simple ? "1" : "0");
        const LRESULT parts = simple ? 1 : SendMessageA(window, SB_GETPARTS, 0, 0);
        for (LRESULT i = 0; i < parts; ++i) {
            const WPARAM part = simple ? SB_SIMPLEID : static_cast<WPARAM>(i);
            std::string text(LOWORD(SendMessageA(window, SB_GETTEXTLENGTHA, part, 0)) + 1, '\0');
            SendMessageA(window, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(&text[0]));
            extra.push_back(text.c_str());
        }
    }
    return row;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM out) {
    if (ClassOf(window) != kWindowClass)
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<Window> Describe(const std::vector<HWND>& windows) {
    std::vector<Window> described;
    for (HWND window : windows)
        described.push_back(DescribeWindow(window));
    return described;
}

ListView DescribeList(HWND list, int first, int wanted) {
    ListView view;
    view.header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    view.count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    view.selected = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    view.exStyle = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    RECT client{};
    GetClientRect(list, &client);
    view.client = {client.right, client.bottom};
    const int columns = view.header ? static_cast<int>(SendMessageA(view.header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    char text[1024];
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        text[0] = '\0';
        SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(view.header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        view.columns.push_back({text, column.cx, column.fmt & LVCFMT_JUSTIFYMASK, item.fmt, {}});
        SendMessageA(view.header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&view.columns.back().rect));
    }
    for (int i = first; i < view.count && i - first != wanted; ++i) {
        RECT& rect = view.rects.emplace_back();
        rect.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        auto& cells = view.rows.emplace_back();
        for (int c = 0; c < columns; ++c) {
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            text[0] = '\0';
            SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
            cells.push_back(text);
        }
    }
    return view;
}

ToolBar DescribeToolBar(HWND bar) {
    ToolBar out;
    for (UINT message : {TB_GETIMAGELIST, TB_GETHOTIMAGELIST, TB_GETDISABLEDIMAGELIST})
        out.imageLists.push_back(reinterpret_cast<HANDLE>(SendMessageA(bar, message, 0, 0)));
    for (LRESULT i = 0, n = SendMessageA(bar, TB_BUTTONCOUNT, 0, 0); i < n; ++i) {
        TBBUTTON button{};
        SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        const BYTE state = button.fsState;
        out.buttons.push_back({button.idCommand, (button.fsStyle & BTNS_SEP) != 0, (state & TBSTATE_ENABLED) != 0,
                               (state & TBSTATE_CHECKED) != 0, (state & TBSTATE_PRESSED) != 0,
                               (state & TBSTATE_HIDDEN) != 0});
        SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&out.buttons.back().rect));
    }
    return out;
}

// ---- menus ----

bool ReadItem(HMENU menu, int index, MENUITEMINFOA& info, char* text, UINT size) {
    info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA;
    info.dwTypeData = text;
    info.cch = size - 1;
    text[0] = '\0';
    return GetMenuItemInfoA(menu, index, TRUE, &info) != FALSE;
}

// With an update window every pop-up is first announced with WM_INITMENUPOPUP, as the system does before it opens
// one, so the program's update rules have run.
Menu DescribeMenu(HMENU menu, HWND update) {
    Menu items;
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        MENUITEMINFOA info;
        char text[512];
        ReadItem(menu, i, info, text, sizeof text);
        if (info.hSubMenu && update) {
            SendMessageA(update, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(info.hSubMenu), MAKELPARAM(i, FALSE));
            ReadItem(menu, i, info, text, sizeof text);
        }
        items.push_back({text,
                         info.wID,
                         (info.fType & MFT_SEPARATOR) != 0,
                         info.hSubMenu != nullptr,
                         (info.fState & (MF_GRAYED | MF_DISABLED)) == 0,
                         (info.fState & MFS_CHECKED) != 0,
                         (info.fState & MFS_HILITE) != 0,
                         (info.fType & MFT_OWNERDRAW) != 0,
                         {}});
        if (info.hSubMenu)
            items.back().items = DescribeMenu(info.hSubMenu, update);
        if (info.hSubMenu && update)
            SendMessageA(update, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(info.hSubMenu), 0);
    }
    return items;
}

std::vector<HWND> MenuWindows(bool visibleOnly) {
    std::vector<HWND> found;
    for (HWND window : ThreadWindows())
        if (ClassOf(window) == "#32768" && (!visibleOnly || IsWindowVisible(window)))
            found.push_back(window);
    return found; // z-order: the innermost (last opened) first
}

bool Subclassed(HWND window) {
    WNDCLASSA info{};
    const bool replaced = GetClassInfoA(nullptr, "#32768", &info) &&
                          reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != info.lpfnWndProc;
    return GetPropA(window, "OldMenuProc") != nullptr || replaced;
}

// Menu windows that ended since the first "menu windows" request, and how many were still subclassed then.
LONG endedWindows = 0, endedSubclassed = 0;
HHOOK endWatch = nullptr;

LRESULT CALLBACK WatchMenuWindowEnd(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_NCDESTROY && ClassOf(call->hwnd) == "#32768") {
        ++endedWindows;
        endedSubclassed += Subclassed(call->hwnd) ? 1 : 0;
    }
    return CallNextHookEx(endWatch, code, wParam, lParam);
}

HMODULE Self() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&WatchMenuWindowEnd), &self);
    return self;
}

HWND MainWindow() {
    for (HWND window : ThreadWindows())
        if (GetMenu(window) && !GetWindow(window, GW_OWNER))
            return window;
    return nullptr;
}

std::string Menus(const std::string& what) {
    HWND frame = MainWindow();
    if (what == "bar" || what == "state") {
        if (!frame)
            throw std::runtime_error("no window with a menu bar");
        return Encode(DescribeMenu(GetMenu(frame), what == "state" ? nullptr : frame));
    }
    const std::vector<HWND> windows = MenuWindows(what != "windows");
    if (what == "open") { // each open pop-up, the outermost first, as a pop-up item
        Menu open;
        for (auto window = windows.rbegin(); window != windows.rend(); ++window)
            if (const auto menu = reinterpret_cast<HMENU>(SendMessageA(*window, MN_GETHMENU, 0, 0)))
                open.push_back({"", 0, false, true, true, false, false, false, DescribeMenu(menu, nullptr)});
        return Encode(open);
    }
    if (what == "rects") { // items of the innermost open pop-up
        const auto menu =
            windows.empty() ? nullptr : reinterpret_cast<HMENU>(SendMessageA(windows[0], MN_GETHMENU, 0, 0));
        std::vector<ItemRect> items;
        for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
            items.push_back({GetMenuItemID(menu, i), {}});
            GetMenuItemRect(windows[0], menu, i, &items.back().rect);
        }
        return Encode(items);
    }
    if (what == "windows") { // every menu window: visible, subclassed; then ended, ended subclassed, atom
        if (!endWatch)
            endWatch = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchMenuWindowEnd, Self(), GetCurrentThreadId());
        Rows rows;
        for (HWND window : windows)
            rows.push_back({"window", std::to_string(IsWindowVisible(window)), std::to_string(Subclassed(window))});
        rows.push_back({"ended", std::to_string(endedWindows), std::to_string(endedSubclassed),
                        std::to_string(GlobalFindAtomA("OldMenuProc") != 0)});
        return Encode(rows);
    }
    if (what == "append" && frame && AppendMenuA(GetSubMenu(GetMenu(frame), 0), MF_STRING, kUnknownCommand, "Probe"))
        return {};
    throw std::runtime_error("cannot answer menu " + what);
}

std::string VisibleTip() {
    for (HWND window : ThreadWindows()) {
        char text[512] = {};
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        if (ClassOf(window) != TOOLTIPS_CLASSA || !IsWindowVisible(window) ||
            !SendMessageA(window, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&info)))
            continue;
        info.lpszText = text;
        SendMessageA(window, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return text;
    }
    return {};
}

// ---- timers: the program's own SetTimer and KillTimer imports lead here from the probe's arrival on ----

Rows timerLog;
decltype(&SetTimer) realSetTimer = nullptr;
decltype(&KillTimer) realKillTimer = nullptr;

UINT_PTR WINAPI LoggedSetTimer(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc) {
    timerLog.push_back({"set", std::to_string(id), std::to_string(ms)});
    return realSetTimer(window, id, ms, proc);
}

BOOL WINAPI LoggedKillTimer(HWND window, UINT_PTR id) {
    timerLog.push_back({"kill", std::to_string(id)});
    return realKillTimer(window, id);
}

void HookTimers() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && entry->Name; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), "user32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            void* replacement = lstrcmpA(name, "SetTimer") == 0    ? reinterpret_cast<void*>(&LoggedSetTimer)
                                : lstrcmpA(name, "KillTimer") == 0 ? reinterpret_cast<void*>(&LoggedKillTimer)
                                                                   : nullptr;
            if (!replacement)
                continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
            (name[0] == 'S' ? reinterpret_cast<void*&>(realSetTimer) : reinterpret_cast<void*&>(realKillTimer)) =
                reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
        }
    }
}

// ---- the conversation ----

std::string Answer(const std::string& request) {
    std::istringstream in(request);
    std::string verb, a, b, c;
    in >> verb;
    auto rest = [&] { // the request's remaining text, one leading space dropped
        std::string text;
        std::getline(in, text);
        return text.empty() ? text : text.substr(1);
    };
    if (verb == "windows")
        return Encode(Describe(ThreadWindows()));
    if (verb == "controls" && in >> a) {
        std::vector<HWND> children;
        EnumChildWindows(ToWindow(a), CollectWindow, reinterpret_cast<LPARAM>(&children));
        return Encode(Describe(children));
    }
    if (verb == "list" && in >> a) {
        int first = 0, count = -1; // a range of rows: the whole of a 100,000-row list is slow to read
        in >> first >> count;
        return Encode(DescribeList(ToWindow(a), first, count));
    }
    if (verb == "toolbar" && in >> a)
        return Encode(DescribeToolBar(ToWindow(a)));
    if (verb == "menu" && in >> a)
        return Menus(a);
    if (verb == "tip")
        return Encode(VisibleTip());
    if (verb == "text" && in >> a >> b >> c) {
        const std::string text = rest();
        return Encode(SendMessageA(ToWindow(a), std::stoul(b), std::stoull(c), reinterpret_cast<LPARAM>(text.c_str())));
    }
    if (verb == "cell" && in >> a >> b >> c) {
        std::string text = rest();
        LVITEMA item{};
        item.iSubItem = std::stoi(c);
        item.pszText = &text[0];
        return Encode(SendMessageA(ToWindow(a), LVM_SETITEMTEXTA, std::stoi(b), reinterpret_cast<LPARAM>(&item)));
    }
    if (verb == "select" && in >> a >> b) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(ToWindow(a), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        item.state = item.stateMask;
        SendMessageA(ToWindow(a), LVM_SETITEMSTATE, std::stoi(b), reinterpret_cast<LPARAM>(&item));
        return {};
    }
    if (verb == "module") {
        char path[MAX_PATH] = {};
        HMODULE module = GetModuleHandleA(rest().c_str());
        return Encode(std::string(module && GetModuleFileNameA(module, path, sizeof path) ? path : ""));
    }
    if (verb == "timers")
        return Encode(timerLog);
    throw std::runtime_error("unknown request: " + request);
}

void Reply(HWND to, ULONG_PTR status, const std::string& text) {
    COPYDATASTRUCT data{status, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(to, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result);
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const auto driver = reinterpret_cast<HWND>(data->dwData);
    const std::string request(static_cast<const char*>(data->lpData), data->cbData);
    try {
        Reply(driver, 0, Answer(request));
    } catch (const std::exception& error) {
        Reply(driver, 1, error.what());
    }
    return TRUE;
}

HHOOK hook = nullptr;

void Arrive() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = Self();
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    CreateWindowExA(0, kWindowClass, std::to_string(GetCurrentProcessId()).c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                    nullptr, Self(), nullptr);
    HookTimers();
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    static bool arrived = false;
    static const UINT syncMessage = RegisterWindowMessageA(kSyncMessage);
    if (!arrived) {
        arrived = true;
        Arrive();
    }
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == syncMessage) {
        Reply(reinterpret_cast<HWND>(msg->wParam), 0, Encode(msg->lParam));
        msg->message = WM_NULL; // the program never sees a message it does not know
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}
