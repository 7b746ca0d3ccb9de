// The script that drives the test IP helper DLL, its parsed form and the table it serves. Plain C++ (no
// windows.h). The line format is described in tests/fakes/README.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace fakes {

// One table row with every field as the IP helper returns it: addresses in network byte order, each port in
// network byte order in the low 16 bits of its field.
struct TcpRow {
    uint32_t state = 0, localAddr = 0, localPort = 0, remoteAddr = 0, remotePort = 0, pid = 0;
};

// The table a call reads; the first four are also the indexes of failReadCodes and others.
enum class Table { Tcp, Tcp6, Udp, Udp6, TcpPid };

inline constexpr size_t kMaxRows = 1'000'000;
inline constexpr uint32_t kStatusInsufficientBuffer = 122;

struct FakeScript {
    std::vector<TcpRow> rows; // in script order
    // Generated rows of the other tables (index 1 IPv6 TCP, 2 IPv4 UDP, 3 IPv6 UDP) in IPv4 terms; served in
    // their own layouts.
    std::array<std::vector<TcpRow>, 4> others;
    // What every read with a big enough buffer returns instead of rows (0: none), for all tables or per table
    // (IPv4 TCP, IPv6 TCP, IPv4 UDP, IPv6 UDP).
    std::array<uint32_t, 4> failReadCodes{};
    uint32_t setResult = 0;  // what SetTcpEntry returns
    uint32_t setDelayMs = 0; // how long SetTcpEntry takes before it answers
    // GetTcpStatistics: the fifteen MIB_TCPSTATS fields in record order (all 0 unless scripted), and the
    // status it returns instead of the record (0: no failure).
    std::array<uint32_t, 15> tcpStats{};
    uint32_t failStatsCode = 0;
};

FakeScript ParseScript(std::string_view text);
// One table call: with no buffer or one below the table's size, 122 and *size set to the size needed; the
// scripted failure; else the row count and the rows (sorted by local then remote endpoint when asked), and 0.
uint32_t ServeTable(const FakeScript& script, void* buffer, uint32_t* size, bool sort, Table table);

} // namespace fakes
