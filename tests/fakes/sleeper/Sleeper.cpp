// pelloran_sleeper.exe: a helper process for the end-to-end tests. It sleeps until it is killed, optionally
// after starting a tree of copies of itself, so a test has real processes (with known PIDs and parents) to
// put into a scripted connection table, to name, and to kill.
//
//   pelloran_sleeper.exe [--children N] [--depth D] [--pid-file PATH] [--timeout-ms MS]
//
// --children N   start N copies of itself (0 by default);
// --depth D      levels of copies below this process (1 by default): each child gets --depth D-1, so
//                N=2, D=2 makes 2 children and 4 grandchildren; D=0 starts nothing;
// --pid-file P   once this process and all its descendants run, write P with one line "<pid> <parentPid>"
//                per process, this process first, then its descendants depth first. The file is written
//                under another name and renamed into place, so a test that sees P sees it complete;
// --timeout-ms M exit by itself after M milliseconds (passed on to every copy): a safety net so a test that
//                dies cannot leave sleepers behind for ever. Without it the process sleeps until killed.
//
// It prints nothing. Bad arguments: a usage line on stderr and exit code 2. A tree of more than MaxProcesses
// processes is refused the same way.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr unsigned MaxProcesses = 512;
constexpr DWORD ChildReportTimeoutMs = 60000;
constexpr int UsageExitCode = 2;

struct Options {
    unsigned children = 0;
    unsigned depth = 1;
    std::wstring pidFile;
    DWORD timeoutMs = INFINITE;
};

bool ParseNumber(const wchar_t* text, unsigned long long limit, unsigned long long& value) {
    if (text == nullptr || *text < L'0' || *text > L'9') {
        return false;
    }
    wchar_t* end = nullptr;
    value = std::wcstoull(text, &end, 10);
    return *end == L'\0' && value <= limit;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::wstring name = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long number = 0;
        if (name == L"--children" && ParseNumber(value, MaxProcesses, number)) {
            options.children = static_cast<unsigned>(number);
        } else if (name == L"--depth" && ParseNumber(value, 64, number)) {
            options.depth = static_cast<unsigned>(number);
        } else if (name == L"--timeout-ms" && ParseNumber(value, INFINITE - 1, number)) {
            options.timeoutMs = static_cast<DWORD>(number);
        } else if (name == L"--pid-file" && value != nullptr && *value != L'\0') {
            options.pidFile = value;
        } else {
            return false;
        }
        ++i;
    }
    return true;
}

// Processes in the tree below and including this one; stops counting once past the limit.
unsigned long long TreeSize(unsigned children, unsigned depth) {
    unsigned long long total = 1;
    unsigned long long level = 1;
    for (unsigned d = 0; d < depth && children > 0 && total <= MaxProcesses; ++d) {
        level *= children;
        total += level;
    }
    return total;
}

DWORD ParentProcessId() {
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

std::wstring QuoteArgument(const std::wstring& text) {
    // Enough for the paths tests use: no embedded quotes are expected; trailing backslashes are doubled.
    std::wstring quoted = L"\"";
    quoted += text;
    size_t backslashes = 0;
    while (backslashes < text.size() && text[text.size() - 1 - backslashes] == L'\\') {
        ++backslashes;
    }
    quoted.append(backslashes, L'\\');
    quoted += L"\"";
    return quoted;
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    text.clear();
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

bool WriteFileAtomically(const std::wstring& path, const std::string& text) {
    std::wstring temporary = path + L".writing";
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size() && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Starts one child and waits until its own PID file appears (its subtree is then complete). Returns the
// child's lines, or nothing if it could not be started or died before reporting.
std::string StartChild(const Options& options, unsigned index) {
    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) {
        return {};
    }
    std::wstring childPidFile;
    if (!options.pidFile.empty()) {
        childPidFile = options.pidFile + L".child" + std::to_wstring(index);
        DeleteFileW(childPidFile.c_str());
    }
    std::wstring commandLine = QuoteArgument(self) + L" --children " + std::to_wstring(options.children) +
                               L" --depth " + std::to_wstring(options.depth - 1);
    if (options.timeoutMs != INFINITE) {
        commandLine += L" --timeout-ms " + std::to_wstring(options.timeoutMs);
    }
    if (!childPidFile.empty()) {
        commandLine += L" --pid-file " + QuoteArgument(childPidFile);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        return {};
    }
    CloseHandle(process.hThread);
    std::string lines;
    if (!childPidFile.empty()) {
        ULONGLONG deadline = GetTickCount64() + ChildReportTimeoutMs;
        while (GetTickCount64() < deadline) {
            if (ReadWholeFile(childPidFile, lines)) {
                DeleteFileW(childPidFile.c_str());
                break;
            }
            if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
                break;
            }
        }
    }
    CloseHandle(process.hProcess);
    return lines;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options) || TreeSize(options.children, options.depth) > MaxProcesses) {
        std::fputs("usage: pelloran_sleeper [--children N] [--depth D] [--pid-file PATH] [--timeout-ms MS]"
                   " (at most 512 processes in the tree)\n",
                   stderr);
        return UsageExitCode;
    }
    std::string report = std::to_string(GetCurrentProcessId()) + " " + std::to_string(ParentProcessId()) + "\n";
    if (options.depth > 0) {
        for (unsigned i = 0; i < options.children; ++i) {
            report += StartChild(options, i);
        }
    }
    if (!options.pidFile.empty()) {
        WriteFileAtomically(options.pidFile, report);
    }
    Sleep(options.timeoutMs);
    return 0;
}
