// Starting and watching processes for the end-to-end tests: the program under test and any helper process a test
// needs (a connection holder, a process tree to kill...). A Process that is still running when it is destroyed is
// killed, so a failing test never leaves processes behind in the shared Wine prefix.
#ifndef PELLORAN_E2E_PROCESS_H
#define PELLORAN_E2E_PROCESS_H

#include "Wait.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ProcessOptions {
    Environment environment;      // set on top of the driver's own environment (names compare case-blind)
    std::string workingDirectory; // empty: the driver's
    int showCommand = SW_SHOWNORMAL;
};

class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // commandLine as CreateProcessA takes it; the first word is the program (quote it with QuoteArgument).
    static Process Start(const std::string& commandLine, const ProcessOptions& options = {});

    explicit operator bool() const { return handle != nullptr; }
    DWORD Id() const { return id; }
    HANDLE Handle() const { return handle; }
    bool Running() const;
    // The exit code once the process has ended within the timeout, nothing otherwise.
    std::optional<DWORD> WaitExit(Milliseconds timeout = kDefaultTimeout) const;
    std::optional<DWORD> ExitCode() const;
    // TerminateProcess and wait for the end; nothing happens for a process that has already ended.
    void Kill(UINT exitCode = 1);

private:
    void Release();

    HANDLE handle = nullptr;
    DWORD id = 0;
};

std::string QuoteArgument(const std::string& argument);
// Directory of the running driver (where Pelloran.exe, the probe and the test DLLs are built).
std::string DriverDirectory();
// A path in the system's temporary folder.
std::string TempPath(const std::string& name);
std::optional<std::string> GetEnv(const std::string& name);

} // namespace e2e

#endif
