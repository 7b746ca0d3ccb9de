// Process start and supervision of the end-to-end harness.
#include "Process.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace e2e {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

// The driver's environment with the overrides applied, as the block CreateProcessA takes: NAME=value strings,
// sorted case-blind by name as Windows expects, ending with an empty string.
std::vector<char> EnvironmentBlock(const Environment& overrides) {
    Environment variables;
    if (char* strings = GetEnvironmentStringsA()) {
        for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
            const char* equals = std::strchr(entry + 1, '='); // names of drive variables begin with '='
            if (!equals)
                continue;
            variables.emplace_back(std::string(entry, equals), std::string(equals + 1));
        }
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& [name, value] : overrides) {
        auto found = std::find_if(variables.begin(), variables.end(),
                                  [&](const auto& variable) { return SameName(variable.first, name); });
        if (found != variables.end())
            found->second = value;
        else
            variables.emplace_back(name, value);
    }
    std::stable_sort(variables.begin(), variables.end(), [](const auto& a, const auto& b) {
        return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.first.c_str(), -1, b.first.c_str(), -1) ==
               CSTR_LESS_THAN;
    });
    std::vector<char> block;
    for (const auto& [name, value] : variables) {
        const std::string entry = name + "=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

} // namespace

Process::~Process() { Release(); }

Process::Process(Process&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)), id(std::exchange(other.id, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Release();
        handle = std::exchange(other.handle, nullptr);
        id = std::exchange(other.id, 0);
    }
    return *this;
}

void Process::Release() {
    if (!handle)
        return;
    if (Running()) {
        TerminateProcess(handle, 1);
        WaitForSingleObject(handle, 5000);
    }
    CloseHandle(handle);
    handle = nullptr;
    id = 0;
}

Process Process::Start(const std::string& commandLine, const ProcessOptions& options) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(options.showCommand);
    PROCESS_INFORMATION info{};
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    std::vector<char> environment = EnvironmentBlock(options.environment);
    // Wine now and then loses a new process before it has finished starting and reports that as an internal error
    // (seen once in about a hundred starts on CI): that start is tried again, any other failure is final.
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, environment.data(),
                           options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
                           &info))
            break;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == kAttempts)
            FailWithLastError("cannot start " + commandLine);
        std::fprintf(stderr, "note: starting %s failed with an internal error, trying again\n", commandLine.c_str());
        Sleep(200);
    }
    CloseHandle(info.hThread);
    Process process;
    process.handle = info.hProcess;
    process.id = info.dwProcessId;
    return process;
}

bool Process::Running() const { return handle && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitExit(Milliseconds timeout) const {
    if (!handle)
        Fail("WaitExit on a process that was never started");
    if (WaitForSingleObject(handle, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    return ExitCode();
}

std::optional<DWORD> Process::ExitCode() const {
    DWORD code = 0;
    if (!handle || !GetExitCodeProcess(handle, &code) || code == STILL_ACTIVE)
        return std::nullopt;
    return code;
}

void Process::Kill(UINT exitCode) {
    if (!Running())
        return;
    TerminateProcess(handle, exitCode);
    if (WaitForSingleObject(handle, 10000) != WAIT_OBJECT_0)
        Fail("process " + std::to_string(id) + " did not end after TerminateProcess");
}

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string DriverDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/"));
}

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    return temp + name;
}

std::optional<std::string> GetEnv(const std::string& name) {
    const DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::string value(size, '\0');
    value.resize(GetEnvironmentVariableA(name.c_str(), value.data(), size));
    return value;
}

} // namespace e2e
