// Launching, finding and driving the program under test.
#include "App.h"
#include "Registry.h"
#include "RemoteMemory.h"
#include "Screen.h"
#include "WindowInfo.h"

#include <filesystem>
#include <system_error>

namespace e2e {

namespace {

bool IsWow64(HANDLE process) {
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    return wow64 != FALSE;
}

std::string NewStagingDirectory() {
    static int counter = 0;
    std::string directory =
        TempPath("pelloran-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::error_code error;
    std::filesystem::remove_all(directory, error);
    if (!CreateDirectoryA(directory.c_str(), nullptr))
        FailWithLastError("cannot create the staging folder " + directory);
    return directory;
}

void CopyInto(const std::string& file, const std::string& directory) {
    const std::string target = directory + "\\" + std::filesystem::path(file).filename().string();
    if (!CopyFileA(file.c_str(), target.c_str(), FALSE))
        FailWithLastError("cannot copy " + file + " to " + directory);
}

// The program's main window: a visible, unowned top-level window titled "Pelloran" that is not a dialog (a
// start-up message box carries the same caption).
HWND FindMainWindow(DWORD processId) {
    for (HWND window : TopLevelWindows(processId)) {
        if (WindowText(window) == App::kTitle && !GetWindow(window, GW_OWNER) && ClassName(window) != "#32770")
            return window;
    }
    return nullptr;
}

} // namespace

std::string FakeIpHelperDirectory() { return DriverDirectory() + "\\fakes"; }

std::string DefaultProgramPath() { return GetEnv("PELLORAN_EXE").value_or(DriverDirectory() + "\\Pelloran.exe"); }

App::App(const LaunchOptions& options) {
    programPath = options.program.empty() ? DefaultProgramPath() : options.program;
    if (GetFileAttributesA(programPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail("the program to test does not exist: " + programPath);

    ProcessOptions start;
    start.environment = options.environment;
    const std::string overridesKey =
        "Software\\Wine\\AppDefaults\\" + std::filesystem::path(programPath).filename().string() + "\\DllOverrides";
    if (options.ipHelperLoadOrder)
        WriteString(overridesKey, "iphlpapi", *options.ipHelperLoadOrder);
    else if (!options.fakeIpHelperDirectory.empty())
        WriteString(overridesKey, "iphlpapi", "native,builtin");
    else if (KeyExists(overridesKey))
        DeleteValue(overridesKey, "iphlpapi");
    if (!options.fakeIpHelperDirectory.empty()) {
        const std::string fakes = options.fakeIpHelperDirectory;
        if (GetFileAttributesA((fakes + "\\iphlpapi.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
            Fail("no iphlpapi.dll in the fake IP helper folder " + fakes);
        stagingDirectory = NewStagingDirectory();
        CopyInto(programPath, stagingDirectory);
        for (const auto& entry : std::filesystem::directory_iterator(fakes)) {
            if (entry.is_regular_file() && _stricmp(entry.path().extension().string().c_str(), ".dll") == 0)
                CopyInto(entry.path().string(), stagingDirectory);
        }
        programPath = stagingDirectory + "\\" + std::filesystem::path(programPath).filename().string();
        std::string overrides = "iphlpapi=n,b";
        for (auto& [name, value] : start.environment) {
            if (_stricmp(name.c_str(), "WINEDLLOVERRIDES") == 0) {
                overrides = value + ";" + overrides;
                value.clear();
            }
        }
        start.environment.emplace_back("WINEDLLOVERRIDES", overrides);
        start.workingDirectory = stagingDirectory;
    }

    process = Process::Start(QuoteArgument(programPath), start);
    // The control messages carry structures in the driver's layout (RemoteMemory.h).
    if (IsWow64(process.Handle()) != IsWow64(GetCurrentProcess()))
        Fail("the driver and " + programPath + " are built for different architectures");

    WaitForInputIdle(process.Handle(), static_cast<DWORD>(options.startTimeout.count()));
    WaitUntil(
        [&] {
            frame = FindMainWindow(process.Id());
            return frame != nullptr || !process.Running();
        },
        options.startTimeout, 50ms);
    if (!frame) {
        if (const auto code = process.ExitCode())
            Fail(programPath + " ended with exit code " + std::to_string(*code) + " before showing its main window");
        Fail(programPath + " showed no main window titled \"" + std::string(kTitle) + "\" within " +
             std::to_string(options.startTimeout.count()) + " ms");
    }
    guiThread = GetWindowThreadProcessId(frame, nullptr);
}

App::~App() {
    probe.reset();
    process = Process(); // kills a program that is still running, without throwing
    if (!stagingDirectory.empty()) {
        std::error_code error;
        std::filesystem::remove_all(stagingDirectory, error);
    }
}

HWND App::FindBar(int id, const char* what) const {
    HWND window = FindDescendant(frame, id);
    // A floating bar lives in a tool window of its own, owned by the main window but not its child.
    for (HWND top : TopLevelWindows(process.Id(), false)) {
        if (window)
            break;
        if (top != frame)
            window = FindDescendant(top, id);
    }
    if (!window)
        Fail(std::string("the main window has no ") + what + " (control id " + std::to_string(id) + ")");
    return window;
}

HWND App::ListWindow() const { return FindBar(kListId, "connection list"); }

HWND App::StatusBarWindow() const { return FindBar(kStatusBarId, "status bar"); }

HWND App::ToolBarWindow() const { return FindBar(kToolBarId, "toolbar"); }

std::string App::Title() const { return WindowText(frame); }

std::string App::VisibleToolTip() const {
    for (HWND window : TopLevelWindows(ProcessId(), true)) {
        if (ClassName(window) != "tooltips_class32")
            continue;
        // The current tool, then its text, both read through buffers in the program.
        constexpr size_t kTextSize = 256;
        RemoteBuffer buffer(ProcessHandle(), sizeof(TOOLINFOA) + kTextSize);
        TOOLINFOA info{};
        info.cbSize = sizeof(info);
        buffer.Put(info);
        if (!SendMessageA(window, TTM_GETCURRENTTOOLA, 0, buffer.Param()))
            continue;
        info = buffer.Get<TOOLINFOA>();
        info.lpszText = buffer.At<char>(sizeof(TOOLINFOA));
        buffer.Put(info);
        buffer.Put(char{0}, sizeof(TOOLINFOA));
        SendMessageA(window, TTM_GETTEXTA, kTextSize, buffer.Param());
        return buffer.GetText(sizeof(TOOLINFOA), kTextSize - 1);
    }
    return {};
}

bool App::IsTopmost() const { return e2e::IsTopmost(frame); }

void App::PostCommand(UINT id) { Post(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void App::SendCommand(UINT id, Milliseconds timeout) { Send(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0, timeout); }

MenuProbe& App::Probe() {
    if (!probe)
        probe = std::make_unique<MenuProbe>(frame, process.Id(), guiThread);
    return *probe;
}

void App::Sync(Milliseconds timeout) {
    // A posted request is answered only after the messages posted before it.
    Probe().Request(probe::kPing, timeout);
}

Menu App::MenuBar() { return ParseMenuReport(Probe().Request(probe::kMenuBar)); }

Menu App::MenuBarState() { return ParseMenuReport(Probe().Request(probe::kMenuBarState)); }

Menu App::OpenMenus() { return ParseMenuReport(Probe().Request(probe::kOpenMenus)); }

MenuItem App::MenuCommand(UINT id) {
    const Menu menu = MenuBar();
    if (const MenuItem* item = FindMenuItem(menu, id))
        return *item;
    Fail("the menu bar has no command " + std::to_string(id) + "; it holds:\n" + DescribeMenu(menu));
}

bool App::InMenuMode() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(guiThread, &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
}

int App::HighlightedIndex(const Menu& menu) const {
    for (size_t i = 0; i < menu.size(); ++i) {
        if (menu[i].highlighted)
            return static_cast<int>(i);
    }
    return -1;
}

void App::HighlightMenuItem(int popupIndex, int itemIndex) {
    const Menu bar = MenuBarState();
    if (popupIndex < 0 || popupIndex >= static_cast<int>(bar.size()) || !bar[popupIndex].popup)
        Fail("menu bar entry " + std::to_string(popupIndex) + " is not a pop-up");
    const Menu& popup = bar[popupIndex].items;
    if (itemIndex < 0 || itemIndex >= static_cast<int>(popup.size()) || popup[itemIndex].separator)
        Fail("entry " + std::to_string(itemIndex) + " of pop-up " + std::to_string(popupIndex) +
             " cannot be highlighted");

    Foreground();
    if (!InMenuMode()) {
        // Alt alone enters menu mode on the first menu-bar entry, without opening it.
        PressKey(VK_MENU);
        if (!WaitUntil([&] { return InMenuMode(); }, 3s))
            Fail("pressing Alt did not put the main window into menu mode");
    }
    if (!OpenMenus().empty())
        Fail("HighlightMenuItem needs the menus closed first (see CloseMenus)");

    // The probe's request is posted, and a thread takes posted messages before input, so after every key the
    // state is polled until the key has shown its effect before the next step is decided.
    auto barHighlight = [&] { return HighlightedIndex(MenuBarState()); };
    int current = -1;
    if (!WaitUntil([&] { return (current = barHighlight()) >= 0; }, 3s))
        Fail("menu mode shows no highlighted menu-bar entry");
    for (size_t step = 0; current != popupIndex && step < bar.size(); ++step) {
        const int previous = current;
        PressKey(VK_RIGHT);
        WaitUntil([&] { return (current = barHighlight()) != previous; }, 3s);
    }
    if (current != popupIndex)
        Fail("cannot move the menu-bar highlight to entry " + std::to_string(popupIndex));

    // Down opens the pop-up with its first entry highlighted.
    auto popupHighlight = [&] {
        const Menu open = OpenMenus();
        return open.empty() ? -1 : HighlightedIndex(open.front().items);
    };
    PressKey(VK_DOWN);
    if (!WaitUntil([&] { return (current = popupHighlight()) >= 0; }, 3s))
        Fail("pressing Down did not open pop-up " + std::to_string(popupIndex) + " with an entry highlighted");
    for (size_t step = 0; current != itemIndex && step < popup.size(); ++step) {
        const int previous = current;
        PressKey(VK_DOWN);
        WaitUntil([&] { return (current = popupHighlight()) != previous; }, 3s);
    }
    if (current != itemIndex)
        Fail("cannot move the highlight to entry " + std::to_string(itemIndex) + " of pop-up " +
             std::to_string(popupIndex) + "; the open menus are:\n" + DescribeMenu(OpenMenus()));
}

void App::CloseMenus() {
    for (int attempt = 0; attempt < 4 && InMenuMode(); ++attempt) {
        Foreground();
        PressKey(VK_ESCAPE);
        WaitUntil([&] { return !InMenuMode(); }, 500ms);
    }
    if (InMenuMode())
        Fail("the menus did not close after pressing Escape");
}

void App::Click(HWND window, POINT clientPoint, MouseButton button, int clicks) const {
    e2e::Click(window, clientPoint, button, clicks);
}

void App::Key(WORD vk, std::initializer_list<WORD> modifiers) const {
    Foreground();
    PressKey(vk, modifiers);
}

COLORREF App::Pixel(HWND window, POINT clientPoint) const { return WindowPixel(window, clientPoint); }

std::string App::Screenshot(const std::string& name) const {
    const std::string path = ScreenshotPath(name);
    CaptureWindow(frame, path);
    return path;
}

HWND App::WaitForWindow(const std::string& title, Milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(process.Id())) {
                if (window != frame && WindowText(window) == title) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeout);
    if (!found)
        Fail("no window titled \"" + title + "\" appeared within " + std::to_string(timeout.count()) + " ms");
    return found;
}

DWORD App::Close(Milliseconds timeout) {
    probe.reset();
    if (process.Running() && IsWindow(frame))
        Post(frame, WM_CLOSE);
    const auto code = process.WaitExit(timeout);
    if (!code)
        Fail("the program did not end within " + std::to_string(timeout.count()) + " ms of WM_CLOSE");
    return *code;
}

} // namespace e2e
