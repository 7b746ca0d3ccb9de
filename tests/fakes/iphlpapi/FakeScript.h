// The script that drives the test IP helper DLL: its parsed form and the parser. Plain C++ (no windows.h).
// The line format is described in tests/fakes/README.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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

inline constexpr uint64_t Unlimited = UINT64_MAX;
inline constexpr size_t MaxRows = 1'000'000;
inline constexpr size_t StatisticsCount = 15;

// A scripted status: the code to return and for how many more calls.
struct ScriptedFailure {
    uint32_t code = 0;
    uint64_t times = Unlimited;
};

struct FakeScript {
    std::vector<TcpRow> rows; // in script order
    std::optional<ScriptedFailure> failSize;
    std::optional<ScriptedFailure> failRead;
    std::optional<ScriptedFailure> failStats;
    uint32_t growRows = 0;
    uint64_t growTimes = 0;
    uint32_t setResult = 0;
    bool setRemoves = false;
    uint32_t setDelayMs = 0; // SetTcpEntry waits this long before it answers
    std::optional<std::array<uint32_t, StatisticsCount>> statistics;
    std::string logPath; // UTF-8, empty = not set by the script
    size_t skippedLines = 0;
};

FakeScript ParseScript(std::string_view text);

// Field conversions shared with the table code and the call log.
uint32_t AddressToField(uint32_t hostOrder);
uint32_t FieldToAddress(uint32_t field);
uint32_t PortToField(uint16_t port);
uint16_t FieldToPort(uint32_t field);
std::string FormatEndpoint(uint32_t addrField, uint32_t portField); // "a.b.c.d:port"

} // namespace fakes
