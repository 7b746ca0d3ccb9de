// What the harness does without the probe: failing and waiting, files, the registry, processes, real input and
// screen pixels.
#include "E2e.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {

void Fail(const std::string& what) { throw Error(what); }

void FailWithLastError(const std::string& what) {
    const DWORD code = GetLastError();
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    Fail(what + ": error " + std::to_string(code) + " " + text);
}

bool WaitUntil(const std::function<bool()>& predicate, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (predicate())
            return true;
        Pause(20ms);
    }
    return predicate();
}

void Pause(Milliseconds duration) { std::this_thread::sleep_for(duration); }

std::string Here() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().string();
}

std::string TempPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Quote(const std::string& argument) { return "\"" + argument + "\""; }

// ---- registry ----

namespace {

void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, size_t size) {
    const LSTATUS status = RegSetKeyValueA(root, key.c_str(), name.c_str(), type, data, static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS)
        Fail("cannot write " + key + "\\" + name + ": error " + std::to_string(status));
}

} // namespace

void WriteDword(const std::string& key, const std::string& name, DWORD value, HKEY root) {
    SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

void WriteString(const std::string& key, const std::string& name, const std::string& value, bool terminated,
                 HKEY root) {
    // The system counts a NUL that follows the given bytes itself, so an unterminated text is followed by another.
    const std::string bytes = value + (terminated ? '\0' : '#');
    SetValue(root, key, name, REG_SZ, bytes.c_str(), value.size() + (terminated ? 1 : 0));
}

void WriteBinary(const std::string& key, const std::string& name, const std::string& bytes) {
    SetValue(HKEY_CURRENT_USER, key, name, REG_BINARY, bytes.data(), bytes.size());
}

std::optional<DWORD> ReadDword(const std::string& key, const std::string& name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size))
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadString(const std::string& key, const std::string& name, HKEY root) {
    char text[4096] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size))
        return std::nullopt;
    return std::string(text);
}

void DeleteTree(const std::string& key) { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

std::string DataFolder() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Pelloran";
}

void ResetProgramState() {
    DeleteTree(kSettingsKey);
    std::error_code error;
    std::filesystem::remove_all(DataFolder(), error);
    SetWindowsVersion("");
}

void SetWindowsVersion(const std::string& version) {
    const std::string key = "Software\\Wine\\AppDefaults\\Pelloran.exe";
    if (version.empty())
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Version");
    else
        WriteString(key, "Version", version);
}

// ---- processes ----

Process Process::Start(const std::string& commandLine,
                       const std::vector<std::pair<std::string, std::string>>& environment, const std::string& folder) {
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : environment) {
        char old[4096];
        const DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        saved.emplace_back(name, length ? std::optional<std::string>(old) : std::nullopt);
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string line = commandLine;
    const BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.empty() ? nullptr : folder.c_str(), &startup, &started);
    const DWORD error = GetLastError();
    for (const auto& [name, value] : saved)
        SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
    SetLastError(error);
    if (!ok)
        FailWithLastError("cannot start " + commandLine);
    CloseHandle(started.hThread);
    Process process;
    process.handle = started.hProcess;
    process.id = started.dwProcessId;
    return process;
}

Process& Process::operator=(Process&& other) noexcept {
    Kill();
    handle = std::exchange(other.handle, nullptr);
    id = std::exchange(other.id, 0);
    return *this;
}

bool Process::Running() const { return handle && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitExit(Milliseconds timeout) const {
    DWORD code = 0;
    if (!handle || WaitForSingleObject(handle, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(handle, &code))
        return std::nullopt;
    return code;
}

void Process::Kill() {
    if (!handle)
        return;
    if (Running()) {
        TerminateProcess(handle, 1);
        WaitForSingleObject(handle, 10000);
    }
    CloseHandle(handle);
    handle = nullptr;
}

std::vector<ProcessEntry> Processes() {
    std::vector<ProcessEntry> all;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        all.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return all;
}

Process StartSleeper(int depth) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return Process::Start(Quote(self) + " --sleep 60000 --depth " + std::to_string(depth));
}

// ---- input and screen ----

namespace {

void Inject(std::vector<INPUT> inputs) {
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        FailWithLastError("SendInput");
}

INPUT KeyInput(WORD vk, bool up) {
    static const WORD extended[] = {VK_LEFT,  VK_RIGHT, VK_UP,     VK_DOWN,   VK_HOME, VK_END,
                                    VK_PRIOR, VK_NEXT,  VK_INSERT, VK_DELETE, VK_APPS};
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    for (WORD key : extended)
        if (key == vk)
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return input;
}

INPUT MouseInput(DWORD flags, POINT screen) {
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((screen.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((screen.y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return input;
}

} // namespace

void Foreground(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    auto front = [&] { return GetForegroundWindow() == top; };
    if (!top)
        Fail("Foreground: no such window");
    if (front())
        return;
    // A display without a window manager grants the activation only on request: ask, then share the input
    // state with the target's thread, and last click the window's top edge as a user would.
    SetForegroundWindow(top);
    if (WaitUntil(front, 1s))
        return;
    const DWORD thread = GetWindowThreadProcessId(top, nullptr);
    if (AttachThreadInput(GetCurrentThreadId(), thread, TRUE)) {
        BringWindowToTop(top);
        SetForegroundWindow(top);
        AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    }
    if (WaitUntil(front, 1s))
        return;
    RECT rect{};
    GetWindowRect(top, &rect);
    ClickAt({(rect.left + rect.right) / 2, rect.top + 2});
    if (!WaitUntil(front, 2s))
        Fail("cannot bring a window of class to the foreground");
}

void PressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        inputs.push_back(KeyInput(*modifier, true));
    Inject(inputs);
}

void MoveMouse(POINT screen) { Inject({MouseInput(0, screen)}); }

void ClickAt(POINT screen, MouseButton button, int clicks) {
    const bool left = button == MouseButton::Left;
    std::vector<INPUT> inputs{MouseInput(0, screen)};
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(MouseInput(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN, screen));
        inputs.push_back(MouseInput(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP, screen));
    }
    Inject(inputs);
}

void PressMouse(POINT screen) { Inject({MouseInput(0, screen), MouseInput(MOUSEEVENTF_LEFTDOWN, screen)}); }

void ReleaseMouse(POINT screen) { Inject({MouseInput(MOUSEEVENTF_LEFTUP, screen)}); }

Pixels Capture(const RECT& screen) {
    Pixels out{screen, {}};
    const int width = screen.right - screen.left, height = screen.bottom - screen.top;
    HDC display = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(display);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, display, screen.left, screen.top, SRCCOPY);
    GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    for (int i = 0; bits && i < width * height; ++i)
        out.pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, display);
    if (out.pixels.empty())
        Fail("cannot capture the screen");
    return out;
}

COLORREF ScreenPixel(POINT screen) { return Capture({screen.x, screen.y, screen.x + 1, screen.y + 1}).pixels[0]; }

std::string Hex(COLORREF color) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

POINT ToScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

} // namespace e2e
