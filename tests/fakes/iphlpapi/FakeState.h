// The scripted IP helper's behaviour between calls: the loaded script, what is left of its counted
// directives, the rows deleted through SetTcpEntry, and the growth pending for the next table call.
// Plain C++ (no windows.h); the caller serialises all access.
#pragma once

#include "FakeScript.h"

#include <array>
#include <cstdint>
#include <optional>
#include <set>

namespace fakes {

inline constexpr uint32_t StatusSuccess = 0;
inline constexpr uint32_t StatusInvalidParameter = 87;
inline constexpr uint32_t StatusInsufficientBuffer = 122;
inline constexpr uint32_t StateDeleteTcb = 12;
inline constexpr uint32_t StateListen = 2;

enum class RowLayout { Basic, OwnerPid }; // 5 fields (MIB_TCPROW) or 6 (MIB_TCPROW_OWNER_PID)
enum class RowFilter { All, Listeners, Connections };

struct TableRequest {
    bool hasBuffer = false;
    uint32_t bufferSize = 0; // the caller's size on entry
    bool sort = false;
    RowLayout layout = RowLayout::Basic;
    RowFilter filter = RowFilter::All;
};

struct TableReply {
    uint32_t status = StatusSuccess;
    std::optional<uint32_t> sizeOut; // written back to the caller's size when set
    size_t rowCount = 0;             // rows in the table as this call saw it
};

struct SetEntryReply {
    uint32_t status = StatusSuccess;
    bool matched = false; // the four endpoint values named a row of the current table
};

// Bytes a table of `rows` rows needs: the 32-bit row count, then the rows.
uint32_t TableSize(size_t rows, RowLayout layout);

// The order the real IP helper sorts by: local address, local port, remote address, remote port,
// each compared as a number in host byte order. Stable, so equal keys keep script order.
void SortRows(std::vector<TcpRow>& rows);

class FakeState {
public:
    // Replaces the script and starts its counted directives afresh; deleted rows come back.
    void Load(FakeScript script);
    const FakeScript& Script() const { return script; }

    TableReply ReadTable(const TableRequest& request, void* buffer);
    // row: state, local address, local port, remote address, remote port.
    SetEntryReply SetEntry(const std::array<uint32_t, 5>& row);
    // record: the fifteen MIB_TCPSTATS counters.
    uint32_t ReadStatistics(uint32_t* record);

private:
    using EndpointKey = std::array<uint32_t, 4>;

    std::vector<TcpRow> VisibleRows(bool sorted, RowFilter filter) const;
    static bool Consume(uint64_t& left);

    FakeScript script;
    std::vector<TcpRow> sortedRows;
    uint64_t failSizeLeft = 0;
    uint64_t failReadLeft = 0;
    uint64_t failStatsLeft = 0;
    uint64_t growLeft = 0;
    uint32_t pendingGrowth = 0;
    std::set<EndpointKey> removed;
};

} // namespace fakes
