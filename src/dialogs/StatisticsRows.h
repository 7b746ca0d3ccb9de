// The rows of the TCP statistics dialog: the label of each counter and its value text. Plain C++; the
// dialog copies the platform's MIB_TCPSTATS into TcpCounters field by field.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace statistics {

inline constexpr size_t kRowCount = 15;

// The fifteen counters in the platform record's order: RtoAlgorithm, RtoMin, RtoMax, MaxConn,
// ActiveOpens, PassiveOpens, AttemptFails, EstabResets, CurrEstab, InSegs, OutSegs, RetransSegs,
// InErrs, OutRsts, NumConns.
using TcpCounters = std::array<uint32_t, kRowCount>;

struct StatisticsRow {
    const char* label;
    std::string value;
};

// The value shown in every row after a failed read.
inline constexpr char kFailedValue[] = "...";

// Name of a retransmission time-out algorithm: 2, 3 and 4 have names, anything else is "Unknown".
const char* RtoAlgorithmName(uint32_t algorithm);

// Row 0 names the algorithm; rows 1 to 14 show their counter as unsigned decimal.
std::array<StatisticsRow, kRowCount> FormatRows(const TcpCounters& counters);

} // namespace statistics
