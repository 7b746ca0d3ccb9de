// The test IP helper DLL seen from a test: a script file the DLL rereads on every call, written
// atomically, and its call log.
#ifndef PELLORAN_E2E_FAKE_TABLE_H
#define PELLORAN_E2E_FAKE_TABLE_H

#include "E2e.h"

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct LoggedCall {
    uint64_t milliseconds = 0;
    std::string function;
    std::string line; // the whole line after the time stamp
};

class FakeTable {
public:
    // A fresh script and log in a folder of their own.
    FakeTable();
    ~FakeTable();

    // Replaces the script; the program sees it at its next table call.
    void Write(const std::string& script) const;
    // Launch options that run the program against this script.
    LaunchOptions Options() const;
    std::vector<LoggedCall> Calls() const;
    // Table reads that returned rows (status 0).
    std::vector<LoggedCall> SuccessfulReads() const;
    const std::string& Folder() const { return folder; }

private:
    std::string folder;
    std::string scriptPath;
    std::string logPath;
};

// A script row line.
std::string Row(const char* state, const char* local, int localPort, const char* remote, int remotePort, DWORD pid = 0);

// The text of the given file, empty when it cannot be read.
std::string ReadTextFile(const std::string& path);
// Writes the bytes as the whole file, making its folder when it is missing.
void WriteTextFile(const std::string& path, const std::string& bytes);

} // namespace e2e

#endif
