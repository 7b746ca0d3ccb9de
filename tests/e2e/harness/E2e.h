// The end-to-end harness: the program started and driven from outside, read through the probe's generic requests
// (probe/Protocol.h), plus the few things the probe cannot do: real input, screen pixels, the registry, files and
// other processes. Every operation that cannot do its job throws e2e::Error, which GoogleTest reports as a failure.
#ifndef PELLORAN_E2E_E2E_H
#define PELLORAN_E2E_E2E_H

#include "../probe/Protocol.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;
// Wine is slow to start a program in a cold prefix or on a loaded machine (30 s was seen to fail while two builds
// ran); operations on a running program are quick.
inline constexpr Milliseconds kStartTimeout = 60s;
inline constexpr Milliseconds kTimeout = 10s;
inline constexpr char kSettingsKey[] = "SOFTWARE\\Quintaro\\Pelloran";

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& what);
[[noreturn]] void FailWithLastError(const std::string& what);
// Polls until the predicate holds; the last check comes after the deadline, so a late result is not lost.
bool WaitUntil(const std::function<bool()>& predicate, Milliseconds timeout = kTimeout);
void Pause(Milliseconds duration);

std::string Here(); // the driver's folder, where the build puts everything a test starts
std::string TempPath(const std::string& name);
std::string ReadFile(const std::string& path); // empty when unreadable
void WriteFile(const std::string& path, const std::string& bytes);
std::string Quote(const std::string& argument); // for a command line

// The current user's hive unless another root is given; writers create the key.
void WriteDword(const std::string& key, const std::string& name, DWORD value, HKEY root = HKEY_CURRENT_USER);
// REG_SZ; without `terminated` the stored bytes lack the final NUL, as a careless writer leaves them.
void WriteString(const std::string& key, const std::string& name, const std::string& value, bool terminated = true,
                 HKEY root = HKEY_CURRENT_USER);
void WriteBinary(const std::string& key, const std::string& name, const std::string& bytes);
std::optional<DWORD> ReadDword(const std::string& key, const std::string& name);
std::optional<std::string> ReadString(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
void DeleteTree(const std::string& key);
std::string DataFolder(); // the program's folder in the application-data folder
// No settings key, no data folder, Wine's default Windows version: the first start of a fresh profile.
void ResetProgramState();
void SetWindowsVersion(const std::string& version); // "" restores the default

class Process {
public:
    Process() = default;
    // The variables are set in the driver while the child starts, so it inherits them.
    static Process Start(const std::string& commandLine,
                         const std::vector<std::pair<std::string, std::string>>& environment = {},
                         const std::string& folder = {});
    Process(Process&& other) noexcept { *this = std::move(other); }
    Process& operator=(Process&& other) noexcept;
    ~Process() { Kill(); }
    DWORD Id() const { return id; }
    HANDLE Handle() const { return handle; }
    bool Running() const;
    std::optional<DWORD> WaitExit(Milliseconds timeout = kTimeout) const;
    void Kill(); // terminates a running process and waits for its end
private:
    HANDLE handle = nullptr;
    DWORD id = 0;
};
struct ProcessEntry {
    DWORD id = 0, parent = 0;
    std::string file;
};
std::vector<ProcessEntry> Processes(); // every running process, from a Toolhelp snapshot
// A helper process of this driver that sleeps, with a tree of `depth` levels of children below it.
Process StartSleeper(int depth = 0);

enum class MouseButton { Left, Right };
void Foreground(HWND window); // the window's top-level window gets the activation and the focus, or this throws
void PressKey(WORD vk, std::initializer_list<WORD> modifiers = {});
void MoveMouse(POINT screen);
void ClickAt(POINT screen, MouseButton button = MouseButton::Left, int clicks = 1);
void PressMouse(POINT screen);   // the left button goes down at the point and stays down
void ReleaseMouse(POINT screen); // and comes up there
COLORREF ScreenPixel(POINT screen);
struct Pixels {
    RECT rect{};
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(y - rect.top) * (rect.right - rect.left) + x - rect.left]; }
};
Pixels Capture(const RECT& screen);
std::string Hex(COLORREF color);
inline POINT Center(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
POINT ToScreen(HWND window, POINT client);

const MenuItem* FindMenuItem(const Menu& menu, UINT id);
// One line per entry of the top level: text (and id), "*" when checked, " disabled", " not owner-drawn", and after
// a pop-up ":" and its entries, separated by commas ("-" a separator).
std::string Describe(const Menu& menu, bool bar = true);

struct LaunchOptions {
    // The program file; empty: PELLORAN_EXE, else Pelloran.exe beside the driver.
    std::string program;
    // A folder holding the test IP helper DLL: the program then runs from a fresh folder with a copy of itself and
    // of every DLL there, the native iphlpapi preferred.
    std::string fakeIpHelperDirectory;
    // Wine's load order for iphlpapi in this program; unset: "native,builtin" with a fake folder, else Wine's own.
    // "" disables the library. (A process started by another Wine process takes load orders from the registry.)
    std::optional<std::string> ipHelperLoadOrder;
    std::vector<std::pair<std::string, std::string>> environment;
};

class Program {
public:
    static constexpr int kListId = 129, kToolBarId = 59392, kStatusBarId = 59393;

    // Starts the program and waits for its main window and the probe; throws when either does not come.
    explicit Program(const LaunchOptions& options = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND Frame() const { return frame; }
    DWORD Id() const { return process.Id(); }
    const std::string& Path() const { return path; }

    // A probe request (probe/Protocol.h) and its reply.
    template <class Reply = Rows> Reply Ask(const std::string& request) { return Decode<Reply>(Request(request)); }
    std::vector<Window> Windows();
    std::vector<Window> Controls(HWND parent);
    Window Control(HWND parent, int id); // throws when there is none
    // A visible top-level window of the program with this title other than the main window (a dialog, a box).
    HWND WaitForWindow(const std::string& title, Milliseconds timeout = kTimeout);
    HWND Bar(int id); // the list, the toolbar or the status bar, also in a floating bar's window
    ListView List(HWND list = nullptr, int first = 0, int count = -1); // rows from `first` on, all or `count`
    Rows Cells() { return List().rows; }
    ToolBar Tools();
    std::string Status(int part = 0);
    Menu Menus(const std::string& which = "bar"); // bar (update rules run), state, open
    MenuItem MenuCommand(UINT id);
    std::string Tip();
    Rows Timers(); // "set id ms" and "kill id" since the probe arrived
    std::string Module(const std::string& name);
    void Select(int row);
    void SetCell(int row, int column, const std::string& text);

    // WM_COMMAND as a menu sends it; PostCommand returns at once (for commands that open a modal window).
    void Command(UINT id, Milliseconds timeout = kTimeout);
    void PostCommand(UINT id);
    LRESULT Send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0, Milliseconds timeout = kTimeout);
    void Post(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0);
    LRESULT SendText(HWND window, UINT message, WPARAM w, const std::string& text);
    // Returns once the GUI thread has taken every message posted before it (not input: poll for input's effect).
    void Sync(Milliseconds timeout = kTimeout);

    void Click(HWND window, POINT client, MouseButton button = MouseButton::Left, int clicks = 1);
    COLORREF Pixel(HWND window, POINT client);
    bool InMenuMode();
    // Opens pop-up `popup` of the bar with the keyboard and highlights its entry `item` (separators count).
    void HighlightMenuItem(int popup, int item);
    void CloseMenus();
    // Clicks list row `row` (spaced from an earlier click by the double-click time, and again when the click only
    // activated the window) and returns the items of the row menu that opens, or throws.
    Menu RowMenu(int row, MouseButton button = MouseButton::Right);
    // Waits for the program's message box, checks its text, buttons and icon, and presses `button`.
    void AnswerBox(const std::string& text, const std::vector<std::string>& buttons, const char* icon, int button);

    bool Running() const { return process.Running(); }
    DWORD Close(Milliseconds timeout = kTimeout); // WM_CLOSE; the exit code, or throws when it does not end
    std::optional<DWORD> WaitExit(Milliseconds timeout = kTimeout) const { return process.WaitExit(timeout); }
    void Kill() { process.Kill(); }

private:
    std::string Request(const std::string& request);
    std::string path, staging;
    Process process;
    HWND frame = nullptr, probeWindow = nullptr;
    HHOOK hook = nullptr;
};

} // namespace e2e

#endif
