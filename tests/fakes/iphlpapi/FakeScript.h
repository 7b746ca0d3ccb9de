// The script that drives the test IP helper DLL, its parsed form and the table it serves. Plain C++ (no
// windows.h). The line format is described in tests/fakes/README.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace fakes {

// One table row with every field as the IP helper returns it: addresses in network byte order, each port in
// network byte order in the low 16 bits of its field.
struct TcpRow {
    uint32_t state = 0;
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    uint32_t remoteAddr = 0;
    uint32_t remotePort = 0;
    uint32_t pid = 0;
};

inline constexpr size_t kMaxRows = 1'000'000;
inline constexpr uint32_t kStatusInsufficientBuffer = 122;

struct FakeScript {
    std::vector<TcpRow> rows;   // in script order
    uint32_t failReadCode = 0;  // 0: reads do not fail
    uint64_t failReadTimes = 0; // reads left to fail
    uint32_t setResult = 0;     // what SetTcpEntry returns
    uint32_t setDelayMs = 0;    // how long SetTcpEntry takes before it answers
    size_t skippedLines = 0;
};

FakeScript ParseScript(std::string_view text);

// Bytes a table of `rows` rows needs: the 32-bit row count, then rows of 5 or, withPid, 6 fields.
uint32_t TableSize(size_t rows, bool withPid);

// One table call against the script: with no buffer or a buffer below the table's size, 122 and *size set to
// the size needed; a scripted read failure; else the row count and the rows (sorted by local then remote
// endpoint, each as a number in host order, when sort is set) and 0.
uint32_t ServeTable(FakeScript& script, void* buffer, uint32_t* size, bool sort, bool withPid);

} // namespace fakes
