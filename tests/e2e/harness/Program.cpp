// The program under test: started (next to the test IP helper when asked), its probe hooked in, and every reading
// parsed from the probe's rows.
#include "E2e.h"
#include "../probe/Protocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace e2e {

namespace {

// The driver's own window, where the probe's WM_COPYDATA replies arrive while the driver waits in SendMessage
// (a thread waiting for a reply still takes the messages sent to it) or in the Sync loop.
struct Replies {
    HWND window = nullptr;
    bool arrived = false, failed = false;
    std::string text;
} replies;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    replies.text.assign(static_cast<const char*>(data->lpData), data->cbData);
    replies.failed = data->dwData != 0;
    replies.arrived = true;
    return TRUE;
}

HWND ReplyWindow() {
    if (!replies.window) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ReplyProc;
        windowClass.lpszClassName = "Pelloran.E2e.Driver";
        RegisterClassA(&windowClass);
        replies.window =
            CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    return replies.window;
}

std::string ToText(const void* handle) { return std::to_string(reinterpret_cast<uintptr_t>(handle)); }

} // namespace

std::vector<std::string> ListView::Titles() const {
    std::vector<std::string> titles;
    for (const auto& column : columns)
        titles.push_back(column.title);
    return titles;
}

std::vector<std::string> ListView::ColumnTexts(size_t column) const {
    std::vector<std::string> texts;
    for (const auto& row : rows)
        texts.push_back(row.at(column));
    return texts;
}

const ToolButton& ToolBar::Button(int id) const {
    for (const auto& button : buttons)
        if (button.id == id)
            return button;
    Fail("the toolbar has no button " + std::to_string(id));
}

const MenuItem* FindMenuItem(const Menu& menu, UINT id) {
    for (const auto& item : menu) {
        if (!item.separator && !item.popup && item.id == id)
            return &item;
        if (const MenuItem* found = FindMenuItem(item.items, id))
            return found;
    }
    return nullptr;
}

std::string Describe(const Menu& menu, bool bar) {
    std::string out;
    for (const auto& item : menu) {
        out += bar ? "" : &item == &menu.front() ? " " : ", ";
        out += item.separator ? "-" : item.text + (item.popup ? "" : " " + std::to_string(item.id));
        out += std::string(item.checked ? "*" : "") + (item.enabled || item.separator ? "" : " disabled") +
               (item.ownerDrawn ? "" : " not owner-drawn");
        if (item.popup)
            out += ":" + Describe(item.items, false);
        out += bar ? "\n" : "";
    }
    return out;
}

Program::Program(const LaunchOptions& options) {
    path = !options.program.empty()      ? options.program
           : std::getenv("PELLORAN_EXE") ? std::getenv("PELLORAN_EXE")
                                         : Here() + "\\Pelloran.exe";
    const std::string file = std::filesystem::path(path).filename().string();
    const std::string overrides = "Software\\Wine\\AppDefaults\\" + file + "\\DllOverrides";
    RegDeleteKeyValueA(HKEY_CURRENT_USER, overrides.c_str(), "iphlpapi");
    if (options.ipHelperLoadOrder || !options.fakeIpHelperDirectory.empty())
        WriteString(overrides, "iphlpapi", options.ipHelperLoadOrder.value_or("native,builtin"));
    auto environment = options.environment;
    if (!options.fakeIpHelperDirectory.empty()) {
        static int counter = 0;
        staging = TempPath("pelloran-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(staging);
        std::filesystem::create_directories(staging);
        std::filesystem::copy_file(path, staging + "\\" + file);
        for (const auto& entry : std::filesystem::directory_iterator(options.fakeIpHelperDirectory))
            if (entry.path().extension() == ".dll")
                std::filesystem::copy_file(entry.path(), staging + "\\" + entry.path().filename().string());
        path = staging + "\\" + file;
        environment.emplace_back("WINEDLLOVERRIDES", "iphlpapi=n,b");
    }
    process = Process::Start(Quote(path), environment, staging);

    // The main window: visible, unowned, titled "Pelloran", no dialog (a start-up message box has that caption).
    WaitUntil(
        [&] {
            for (HWND window = GetTopWindow(nullptr); window && !frame; window = GetWindow(window, GW_HWNDNEXT)) {
                DWORD owner = 0;
                char cls[16] = {}, title[16] = {};
                GetWindowThreadProcessId(window, &owner);
                GetClassNameA(window, cls, sizeof cls);
                GetWindowTextA(window, title, sizeof title);
                if (owner == process.Id() && IsWindowVisible(window) && !GetWindow(window, GW_OWNER) &&
                    lstrcmpA(title, "Pelloran") == 0 && lstrcmpA(cls, "#32770") != 0)
                    frame = window;
            }
            return frame || !process.Running();
        },
        kStartTimeout);
    if (!frame)
        Fail(path + (process.Running() ? " showed no main window" : " ended before showing its main window"));

    const std::string probe = Here() + "\\pelloran_probe.dll";
    HMODULE module = LoadLibraryA(probe.c_str());
    const auto proc = module ? reinterpret_cast<HOOKPROC>(GetProcAddress(module, probe::kHookProcName)) : nullptr;
    const DWORD thread = GetWindowThreadProcessId(frame, nullptr);
    const std::string title = std::to_string(process.Id());
    // The hook runs, and so loads the probe, when the thread takes a message; on a loaded machine that is still part
    // of the start. A hook that has not brought the probe after a few seconds is set again (seen once in some
    // dozens of starts: the probe never came), and the driver's own messages are taken meanwhile, in case the
    // system calls the hook here.
    const auto hookedAt = std::chrono::steady_clock::now();
    int hooks = 0;
    WaitUntil(
        [&] {
            if (!hook || std::chrono::steady_clock::now() - hookedAt > hooks * 5s) {
                if (hook)
                    UnhookWindowsHookEx(hook);
                hook = proc ? SetWindowsHookExA(WH_GETMESSAGE, proc, module, thread) : nullptr;
                if (!hook)
                    FailWithLastError("cannot hook " + probe + " into the program");
                ++hooks;
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            PostMessageA(frame, WM_NULL, 0, 0);
            probeWindow = FindWindowExA(HWND_MESSAGE, nullptr, probe::kWindowClass, title.c_str());
            // On the first start of a newly built program (about one in three under Wine 8) the probe's window
            // asked for as message-only comes out a hidden top-level window, with ERROR_INVALID_WINDOW_HANDLE
            // left behind: the message windows' parent was not known in the program yet. It works all the same.
            if (!probeWindow)
                probeWindow = FindWindowA(probe::kWindowClass, title.c_str());
            return probeWindow != nullptr;
        },
        kStartTimeout);
    if (!probeWindow)
        Fail("the probe did not arrive in the program");
}

Program::~Program() {
    if (hook)
        UnhookWindowsHookEx(hook);
    process.Kill();
    if (!staging.empty()) {
        std::error_code error;
        std::filesystem::remove_all(staging, error);
    }
}

std::string Program::Request(const std::string& request) {
    COPYDATASTRUCT data{reinterpret_cast<ULONG_PTR>(ReplyWindow()), static_cast<DWORD>(request.size()),
                        const_cast<char*>(request.data())};
    replies.arrived = false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(probeWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000,
                             &result) ||
        !replies.arrived)
        Fail("the probe did not answer \"" + request + "\"");
    if (replies.failed)
        Fail("the probe refused \"" + request + "\": " + replies.text);
    return replies.text;
}

std::vector<Window> Program::Windows() { return Ask<std::vector<Window>>("windows"); }

std::vector<Window> Program::Controls(HWND parent) { return Ask<std::vector<Window>>("controls " + ToText(parent)); }

Window Program::Control(HWND parent, int id) {
    for (const auto& control : Controls(parent))
        if (control.id == id)
            return control;
    Fail("no control " + std::to_string(id));
}

HWND Program::WaitForWindow(const std::string& title, Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (const auto& window : Windows())
                if (window.handle != frame && window.visible && window.text == title)
                    found = window.handle;
            return found != nullptr;
        },
        timeout);
    if (!found)
        Fail("no window \"" + title + "\" appeared");
    return found;
}

HWND Program::Bar(int id) {
    for (const auto& window : Windows())
        for (const auto& control : Controls(window.handle))
            if (control.id == id)
                return control.handle;
    Fail("the program shows no control " + std::to_string(id));
}

ListView Program::List(HWND list, int first, int count) {
    return Ask<ListView>("list " + ToText(list ? list : Bar(kListId)) + " " + std::to_string(first) + " " +
                         std::to_string(count));
}

ToolBar Program::Tools() { return Ask<ToolBar>("toolbar " + ToText(Bar(kToolBarId))); }

std::string Program::Status(int part) {
    const HWND bar = Bar(kStatusBarId);
    for (const auto& control : Controls(GetParent(bar)))
        if (control.handle == bar)
            return control.extra.at(1 + (control.extra.at(0) == "1" ? 0 : part));
    Fail("the status bar went away");
}

Menu Program::Menus(const std::string& which) { return Ask<Menu>("menu " + which); }

MenuItem Program::MenuCommand(UINT id) {
    const Menu menu = Menus();
    if (const MenuItem* item = FindMenuItem(menu, id))
        return *item;
    Fail("the menu bar has no command " + std::to_string(id) + ":\n" + Describe(menu));
}

std::string Program::Tip() { return Ask<std::string>("tip"); }

Rows Program::Timers() { return Ask("timers"); }

std::string Program::Module(const std::string& name) { return Ask<std::string>("module " + name); }

void Program::Select(int row) { Request("select " + ToText(Bar(kListId)) + " " + std::to_string(row)); }

void Program::SetCell(int row, int column, const std::string& text) {
    Ask<LRESULT>("cell " + ToText(Bar(kListId)) + " " + std::to_string(row) + " " + std::to_string(column) + " " +
                 text);
}

void Program::Command(UINT id, Milliseconds timeout) { Send(frame, WM_COMMAND, id, 0, timeout); }

void Program::PostCommand(UINT id) { Post(frame, WM_COMMAND, id, 0); }

LRESULT Program::Send(HWND window, UINT message, WPARAM w, LPARAM l, Milliseconds timeout) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, w, l, SMTO_NORMAL, static_cast<UINT>(timeout.count()), &result))
        FailWithLastError("message " + std::to_string(message) + " got no answer");
    return static_cast<LRESULT>(result);
}

void Program::Post(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (!PostMessageA(window, message, w, l))
        FailWithLastError("cannot post message " + std::to_string(message));
}

LRESULT Program::SendText(HWND window, UINT message, WPARAM w, const std::string& text) {
    return Ask<LRESULT>("text " + ToText(window) + " " + std::to_string(message) + " " + std::to_string(w) + " " +
                        text);
}

void Program::Sync(Milliseconds timeout) {
    static const UINT message = RegisterWindowMessageA(probe::kSyncMessage);
    static LPARAM number = 0;
    const std::string expected = Encode(++number);
    replies.arrived = false;
    Post(frame, message, reinterpret_cast<WPARAM>(ReplyWindow()), number);
    const bool answered = WaitUntil(
        [&] {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            return replies.arrived && replies.text == expected;
        },
        timeout);
    if (!answered)
        Fail("the program's GUI thread did not come round to the sync request");
}

void Program::Click(HWND window, POINT client, MouseButton button, int clicks) {
    Foreground(window);
    ClickAt(ToScreen(window, client), button, clicks);
}

COLORREF Program::Pixel(HWND window, POINT client) { return ScreenPixel(ToScreen(window, client)); }

bool Program::InMenuMode() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
}

void Program::HighlightMenuItem(int popup, int item) {
    auto highlighted = [](const Menu& menu) {
        for (size_t i = 0; i < menu.size(); ++i)
            if (menu[i].highlighted)
                return static_cast<int>(i);
        return -1;
    };
    auto barEntry = [&] { return highlighted(Menus("state")); };
    auto popupEntry = [&] {
        const Menu open = Menus("open");
        return open.empty() ? -1 : highlighted(open.front().items);
    };
    // Every key is followed by a poll for its effect: a thread takes posted messages before input.
    auto walk = [&](const std::function<int()>& current, int target, WORD key, const char* what) {
        int now = -1;
        WaitUntil([&] { return (now = current()) >= 0; }, 3s);
        for (int step = 0; now != target && step < 30; ++step) {
            const int before = now;
            PressKey(key);
            WaitUntil([&] { return (now = current()) != before; }, 3s);
        }
        if (now != target)
            Fail(std::string("cannot highlight ") + what + " " + std::to_string(target) + "\n" +
                 Describe(Menus("open")));
    };
    Foreground(frame);
    PressKey(VK_MENU); // Alt alone enters menu mode on the first bar entry
    walk(barEntry, popup, VK_RIGHT, "menu-bar entry");
    PressKey(VK_DOWN); // opens the pop-up on its first entry
    walk(popupEntry, item, VK_DOWN, "pop-up entry");
}

void Program::CloseMenus() {
    for (int attempt = 0; attempt < 4 && InMenuMode(); ++attempt) {
        Foreground(frame);
        PressKey(VK_ESCAPE);
        WaitUntil([&] { return !InMenuMode(); }, 1s);
    }
    if (InMenuMode())
        Fail("the menus do not close");
}

Menu Program::RowMenu(int row, MouseButton button) {
    Menu open;
    for (int attempt = 0; attempt < 3 && open.empty(); ++attempt) {
        Pause(Milliseconds(GetDoubleClickTime() + 100));
        Click(Bar(kListId), Center(List(nullptr, row, 1).rects.at(0)), button);
        WaitUntil([&] { return !(open = Menus("open")).empty(); }, 3s);
    }
    if (open.empty())
        Fail("clicking row " + std::to_string(row) + " opened no menu");
    return open.front().items;
}

void Program::AnswerBox(const std::string& text, const std::vector<std::string>& buttons, const char* icon,
                        int button) {
    const HWND box = WaitForWindow("Pelloran");
    std::vector<std::string> texts, names;
    std::string shown;
    for (const auto& control : Controls(box)) {
        if (control.cls == "Button")
            names.push_back(control.text);
        else if (control.cls == "Static" && !control.extra.empty() && !control.extra[0].empty())
            shown = control.extra[0];
        else if (control.cls == "Static" && !control.text.empty())
            texts.push_back(control.text);
    }
    EXPECT_EQ(texts, std::vector<std::string>{text});
    EXPECT_EQ(names, buttons);
    EXPECT_EQ(shown, icon) << text;
    Post(box, WM_COMMAND, button, 0);
    if (!WaitUntil([&] { return !IsWindow(box); }))
        Fail("the box \"" + text + "\" stays open");
}

DWORD Program::Close(Milliseconds timeout) {
    if (Running())
        Post(frame, WM_CLOSE);
    const auto code = process.WaitExit(timeout);
    if (!code)
        Fail("the program did not end after WM_CLOSE");
    return *code;
}

} // namespace e2e
