// Statistics row texts.
#include "StatisticsRows.h"

namespace statistics {

namespace {

constexpr const char* kLabels[kRowCount] = {
    "Time Out Algorithm:",
    "Minimum Timeout (ms):",
    "Maximum Timeout(ms):",
    "Maximum Connections:",
    "Active Open Connections:",
    "Passive Open Connections:",
    "Failed Connection Attempts:",
    "Total Connections Reset:",
    "Current Established Connections:",
    "Segments Received:",
    "Segments Sent:",
    "Segments Retransmitted:",
    "Errors Received:",
    "Segments sent with reset flag:",
    "Cumulative Number of Connections:",
};

} // namespace

const char* RtoAlgorithmName(uint32_t algorithm) {
    switch (algorithm) {
    case 2:
        return "Constant Time-Out";
    case 3:
        return "MIL-STD-1778";
    case 4:
        return "Van Jacobson's";
    default:
        return "Unknown";
    }
}

std::array<StatisticsRow, kRowCount> FormatRows(const TcpCounters& counters) {
    std::array<StatisticsRow, kRowCount> rows;
    rows[0] = {kLabels[0], RtoAlgorithmName(counters[0])};
    // Unsigned: the platform marks a dynamic maximum with -1, shown as 4294967295.
    for (size_t i = 1; i < kRowCount; ++i)
        rows[i] = {kLabels[i], std::to_string(counters[i])};
    return rows;
}

} // namespace statistics
