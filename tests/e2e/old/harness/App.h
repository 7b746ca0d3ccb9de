// The program under test, started and driven from outside: App launches Pelloran.exe (optionally next to the test
// IP helper DLL), finds its main window and bars, reads its controls and menus, sends it commands and input, and
// ends it. A still-running program is killed when the App is destroyed.
#ifndef PELLORAN_E2E_APP_H
#define PELLORAN_E2E_APP_H

#include "Controls.h"
#include "Input.h"
#include "Menu.h"
#include "Process.h"
#include "Wait.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace e2e {

struct LaunchOptions {
    Environment environment; // extra environment variables for the program
    // A folder holding the test IP helper DLL (and whatever DLLs it needs). When set, the program runs from a
    // fresh folder holding a copy of Pelloran.exe and of every DLL of this folder, with the native iphlpapi
    // preferred (WINEDLLOVERRIDES), so the program binds the test DLL instead of the system's.
    std::string fakeIpHelperDirectory;
    std::string program; // empty: PELLORAN_EXE when set, else Pelloran.exe next to the driver
    // Wine's load order for iphlpapi in this program (the per-program DllOverrides value): unset means
    // "native,builtin" with a fake IP helper folder and Wine's default otherwise; "" disables the library.
    // Wine takes load orders from the registry for a process started by another Wine process, not from
    // a WINEDLLOVERRIDES in the environment the parent passes.
    std::optional<std::string> ipHelperLoadOrder;
    Milliseconds startTimeout = kStartTimeout;
};

// Where the build puts the test IP helper DLL.
std::string FakeIpHelperDirectory();
// The Pelloran.exe a default launch starts.
std::string DefaultProgramPath();

class App {
public:
    static constexpr int kListId = 129;
    static constexpr int kToolBarId = 59392;
    static constexpr int kStatusBarId = 59393;
    static constexpr char kTitle[] = "Pelloran";

    // Starts the program and waits for its main window; throws when it does not appear.
    explicit App(const LaunchOptions& options = {});
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD ProcessId() const { return process.Id(); }
    HANDLE ProcessHandle() const { return process.Handle(); }
    DWORD GuiThreadId() const { return guiThread; }
    const std::string& ProgramPath() const { return programPath; }

    HWND MainWindow() const { return frame; }
    HWND ListWindow() const;      // child 129
    HWND StatusBarWindow() const; // bar 59393
    HWND ToolBarWindow() const;   // bar 59392, docked or in its floating window
    ListView List() const { return {ProcessHandle(), ListWindow()}; }
    HeaderCtrl Header() const { return List().Header(); }
    StatusBar Status() const { return {ProcessHandle(), StatusBarWindow()}; }
    ToolBar Tools() const { return {ProcessHandle(), ToolBarWindow()}; }
    std::string StatusText() const { return Status().Text(0); }

    std::string Title() const;
    // The text of the tool-tip the program shows now, empty when none shows.
    std::string VisibleToolTip() const;
    bool IsTopmost() const;

    // WM_COMMAND as a menu sends it. PostCommand returns at once (use it for commands that open modal windows);
    // SendCommand returns when the handler has run.
    void PostCommand(UINT id);
    void SendCommand(UINT id, Milliseconds timeout = kDefaultTimeout);
    // Returns once the GUI thread has dispatched every message posted to it before this call. Input is not
    // covered: a thread takes posted messages before input, so after SendInput poll for the effect instead.
    void Sync(Milliseconds timeout = kDefaultTimeout);

    // The menu bar after the program's pop-up update rules ran, as when the user opens each menu.
    Menu MenuBar();
    // The menu bar as it stands (no update sent), and the pop-ups currently open.
    Menu MenuBarState();
    Menu OpenMenus();
    // A raw probe request (see probe/ProbeProtocol.h); throws when the probe reports a failure.
    std::string ProbeRequest(probe::Request kind) { return Probe().Request(kind); }
    // The item with this command id in MenuBar(); throws when the menu has none.
    MenuItem MenuCommand(UINT id);

    void Foreground() const { BringToForeground(frame); }
    bool InMenuMode() const;
    // Opens the menu bar with the keyboard, opens pop-up popupIndex and moves the highlight to its entry itemIndex
    // (separators count), checking every step through the probe. The menu stays open: see CloseMenus.
    void HighlightMenuItem(int popupIndex, int itemIndex);
    void CloseMenus();

    void Click(HWND window, POINT clientPoint, MouseButton button = MouseButton::Left, int clicks = 1) const;
    void Key(WORD vk, std::initializer_list<WORD> modifiers = {}) const;
    COLORREF Pixel(HWND window, POINT clientPoint) const;
    // Captures the main window into ScreenshotPath(name) and returns that path.
    std::string Screenshot(const std::string& name) const;

    // A visible top-level window of the program with this title, other than the main window (dialogs, message
    // boxes); throws when none appears within the timeout.
    HWND WaitForWindow(const std::string& title, Milliseconds timeout = kDefaultTimeout) const;

    bool Running() const { return process.Running(); }
    // Sends WM_CLOSE and waits for the end; returns the exit code, throws when the program does not end.
    DWORD Close(Milliseconds timeout = kDefaultTimeout);
    // The exit code once the program has ended by itself within the timeout.
    std::optional<DWORD> WaitExit(Milliseconds timeout = kDefaultTimeout) const { return process.WaitExit(timeout); }
    void Kill() { process.Kill(); }

private:
    HWND FindBar(int id, const char* what) const;
    MenuProbe& Probe();
    int HighlightedIndex(const Menu& menu) const;

    std::string programPath;
    std::string stagingDirectory;
    Process process;
    HWND frame = nullptr;
    DWORD guiThread = 0;
    std::unique_ptr<MenuProbe> probe;
};

} // namespace e2e

#endif
