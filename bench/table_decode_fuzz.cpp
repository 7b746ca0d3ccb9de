// Fuzz target of what the program reads from the IP helper library (run by tools/fuzz.sh, not by CTest):
// the table read's sizing and growth rules over a call the input scripts, the decoding of both row
// layouts (the plain table and the owner-PID table), and the statistics dialog's rows. Input:
//   byte 0          what: 0 plain table, 1 owner-PID table, 2 statistics (the value modulo 3)
//   statistics:     the 15 counters, 32-bit little-endian, after byte 0 (missing bytes read as 0)
//   tables:         byte 1 bit 0 set: a later read of the run, with the previous read's bytes in 2..3;
//                   bytes 4..18 the library's answers to the read's calls, 3 bytes each: status (0 success,
//                   1 insufficient buffer, else that error), then the size reported (16-bit);
//                   the rest: the table bytes the library writes (and, decoded directly, a whole buffer).
// Sizes stay below 64 KiB, so the fuzzer's allocation limit never ends an input; the program's answer to
// an impossible size is the bad_alloc path of FetchTcpTable, covered by the unit tests.
#include "connections/TableDecode.h"
#include "connections/TableFetch.h"
#include "dialogs/StatisticsRows.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

uint32_t Little32(const uint8_t* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

template <size_t N> bool Terminated(const char (&text)[N]) { return std::memchr(text, '\0', N) != nullptr; }

std::string Dotted(const uint8_t* field) {
    return std::to_string(field[0]) + '.' + std::to_string(field[1]) + '.' + std::to_string(field[2]) + '.' +
           std::to_string(field[3]);
}

// A decode either refuses the buffer, leaving the snapshot as it was, or gives one entry per row whose
// texts say what the row's bytes say: the address bytes in memory order as a dotted quad, the port as
// the two network-order bytes, the PID as a signed 32-bit number.
void CheckDecode(const uint8_t* buffer, size_t size, bool withPids) {
    const size_t rowBytes = withPids ? kTcpPidRowBytes : kTcpRowBytes;
    ConnectionSnapshot snapshot(1);
    CopyBounded(snapshot[0].processName, "kept");
    const bool decoded = DecodeTcpTable(buffer, size, withPids, snapshot);
    const bool complete = size >= kTableHeaderBytes && Little32(buffer) <= (size - kTableHeaderBytes) / rowBytes;
    Require(decoded == complete);
    if (!decoded) {
        Require(snapshot.size() == 1 && std::string_view(snapshot[0].processName) == "kept");
        return;
    }
    Require(snapshot.size() == Little32(buffer));
    const uint8_t* row = buffer + kTableHeaderBytes;
    for (const ConnectionEntry& entry : snapshot) {
        Require(Terminated(entry.pidText) && Terminated(entry.localAddressText) && Terminated(entry.localPortText) &&
                Terminated(entry.remoteAddressText) && Terminated(entry.remotePortText) && Terminated(entry.stateText));
        Require(entry.processName[0] == '\0' && entry.remoteHostName[0] == '\0');
        const uint32_t state = Little32(row);
        Require((std::string_view(entry.stateText) == "UNKNOWN") == (state < 1 || state > 12));
        Require(entry.localAddressText == Dotted(row + 4) && entry.remoteAddressText == Dotted(row + 12));
        Require(entry.localPortText == std::to_string(row[8] << 8 | row[9]));
        Require(entry.remotePortText == std::to_string(row[16] << 8 | row[17]));
        Require(entry.localAddr == Little32(row + 4) && entry.localPort == Little32(row + 8) &&
                entry.remoteAddr == Little32(row + 12) && entry.remotePort == Little32(row + 16));
        if (withPids)
            Require(entry.pidText == std::to_string(static_cast<int32_t>(Little32(row + 20))));
        else
            Require(entry.pidText[0] == '\0');
        row += rowBytes;
    }
}

// The library as the input scripts it: each call takes the next answer; a read copies as much of the
// table as the buffer holds. Calls beyond the script fail.
struct ScriptedLibrary {
    std::array<uint32_t, 5> statuses{};
    std::array<uint32_t, 5> sizes{};
    const uint8_t* table = nullptr;
    size_t tableBytes = 0;
    size_t calls = 0;
    uint32_t lastBufferBytes = 0;

    uint32_t Call(void* buffer, uint32_t* size) {
        if (calls == statuses.size())
            return 31;
        const size_t answer = calls++;
        if (buffer != nullptr) {
            lastBufferBytes = *size;
            std::memcpy(buffer, table, std::min<size_t>(*size, tableBytes));
        }
        if (statuses[answer] == kStatusInsufficientBuffer)
            *size = sizes[answer];
        return statuses[answer];
    }
};

void CheckFetch(const uint8_t* header, const uint8_t* table, size_t tableBytes, bool withPids) {
    const size_t rowBytes = withPids ? kTcpPidRowBytes : kTcpRowBytes;
    ScriptedLibrary library;
    for (size_t i = 0; i < library.statuses.size(); ++i) {
        const uint8_t* answer = header + 4 + 3 * i;
        library.statuses[i] = answer[0] == 0 ? 0 : answer[0] == 1 ? kStatusInsufficientBuffer : answer[0];
        library.sizes[i] = uint32_t{answer[1]} | uint32_t{answer[2]} << 8;
    }
    library.table = table;
    library.tableBytes = tableBytes;
    const size_t before = (header[1] & 1) != 0 ? (size_t{header[2]} | size_t{header[3]} << 8) : 0;
    size_t lastTableBytes = before;
    std::vector<unsigned char> buffer;
    const bool fetched = FetchTcpTable([&library](void* table, uint32_t* size) { return library.Call(table, size); },
                                       rowBytes, lastTableBytes, buffer);
    Require(library.calls <= 1 + 1 + static_cast<size_t>(kTableGrowthRetries));
    if (!fetched) {
        Require(lastTableBytes == before);
        return;
    }
    Require(library.statuses[library.calls - 1] == 0 && buffer.size() == library.lastBufferBytes);
    Require(lastTableBytes <= buffer.size());
    CheckDecode(buffer.data(), buffer.size(), withPids);

    // The next read of a table that has not grown needs no sizing call: its first buffer holds it.
    if (buffer.size() < kTableHeaderBytes)
        return;
    const uint64_t tableNeeds = kTableHeaderBytes + uint64_t{Little32(buffer.data())} * rowBytes;
    if (tableNeeds > lastTableBytes)
        return;
    size_t calls = 0;
    const size_t previous = lastTableBytes;
    const bool again = FetchTcpTable(
        [&](void*, uint32_t* size) {
            ++calls;
            if (*size >= tableNeeds)
                return uint32_t{0};
            *size = static_cast<uint32_t>(tableNeeds);
            return kStatusInsufficientBuffer;
        },
        rowBytes, lastTableBytes, buffer);
    Require(again && calls == 1 && buffer.size() >= previous + 16 * rowBytes);
}

// Row 0 names the algorithm (2, 3 and 4 have names), the other rows show their counter in decimal; every
// row has its own label.
void CheckStatistics(const uint8_t* data, size_t size) {
    std::array<uint8_t, 4 * statistics::kRowCount> bytes{};
    std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    statistics::TcpCounters counters{};
    for (size_t i = 0; i < counters.size(); ++i)
        counters[i] = Little32(bytes.data() + 4 * i);
    const auto rows = statistics::FormatRows(counters);
    std::set<std::string_view> labels;
    for (const auto& row : rows) {
        Require(row.label != nullptr && row.label[0] != '\0');
        labels.insert(row.label);
    }
    Require(labels.size() == rows.size());
    Require((rows[0].value == "Unknown") == (counters[0] < 2 || counters[0] > 4));
    for (size_t i = 1; i < rows.size(); ++i)
        Require(rows[i].value == std::to_string(counters[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int what = data[0] % 3;
    if (what == 2) {
        CheckStatistics(data + 1, size - 1);
        return 0;
    }
    const bool withPids = what == 1;
    constexpr size_t kHeaderBytes = 19;
    std::array<uint8_t, kHeaderBytes> header{};
    std::memcpy(header.data(), data, std::min(size, header.size()));
    const uint8_t* table = data + std::min(size, kHeaderBytes);
    const size_t tableBytes = size - std::min(size, kHeaderBytes);
    CheckDecode(table, tableBytes, withPids);
    CheckFetch(header.data(), table, tableBytes, withPids);
    return 0;
}
