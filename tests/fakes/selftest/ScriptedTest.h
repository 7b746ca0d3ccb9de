// Fixture for tests of the test IP helper DLL: every test gets its own folder, script path and call log
// (named through the same environment variables the program inherits in the end-to-end tests), plus helpers
// that call the DLL the way the program does and decode what it returns.
#pragma once

#include "FakeDll.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fakes {

// One decoded row; pid stays 0 for legacy rows.
struct Row {
    uint32_t state = 0;
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    uint32_t remoteAddr = 0;
    uint32_t remotePort = 0;
    uint32_t pid = 0;
    bool operator==(const Row&) const = default;
};
void PrintTo(const Row& row, std::ostream* out);

// A row as the system would return it, built with the socket library's own conversions (inet_addr, htons).
Row MakeRow(uint32_t state, const char* localAddr, uint16_t localPort, const char* remoteAddr, uint16_t remotePort,
            uint32_t pid = 0);

struct CallResult {
    DWORD status = 0;
    DWORD size = 0;
    std::vector<unsigned char> buffer;
};

class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void WriteScript(std::string_view text);
    // Log lines without their time stamps.
    std::vector<std::string> LogLines() const;
    std::vector<std::string> LogLinesOf(std::string_view function) const;

    // One GetTcpTable / GetExtendedTcpTable call with a buffer of `bufferSize` bytes (none when size 0 and
    // `withBuffer` is false); the buffer is pre-filled with 0xAB so untouched bytes show.
    CallResult CallLegacy(DWORD bufferSize, bool withBuffer, BOOL sort = TRUE);
    CallResult CallExtended(DWORD bufferSize, bool withBuffer, BOOL sort = TRUE, ULONG af = AF_INET,
                            ULONG tableClass = 5, ULONG reserved = 0);
    // The program's read: sizing call with size 0, then a call with exactly the reported size. Fails the test
    // unless that gives 122 and then 0.
    std::vector<Row> ReadLegacy(BOOL sort = TRUE);
    std::vector<Row> ReadExtended(BOOL sort = TRUE, ULONG tableClass = 5);

    static std::vector<Row> Decode(const CallResult& result, size_t rowFields);

    const FakeDll* dll = nullptr;
    std::wstring directory;
    std::wstring scriptPath;
    std::wstring logPath;
};

} // namespace fakes
