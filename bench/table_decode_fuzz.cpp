// Fuzz target of what the program reads from the IP helper library (run by tools/fuzz.sh, not by CTest):
// the table read's sizing and growth rules over a call the input scripts, the decoding of every row
// layout (the plain table and the owner-PID tables of IPv4 TCP, IPv6 TCP, IPv4 UDP and IPv6 UDP), and the
// statistics dialog's rows. Input:
//   byte 0          what: 0 plain table, 1 owner-PID table, 2 statistics, 3 IPv6 TCP, 4 IPv4 UDP, 5 IPv6 UDP
//                   (the value modulo 6)
//   statistics:     the 15 counters, 32-bit little-endian, after byte 0 (missing bytes read as 0)
//   tables:         byte 1 bit 0 set: a later read of the run, with the previous read's bytes in 2..3;
//                   bytes 4..18 the library's answers to the read's calls, 3 bytes each: status (0 success,
//                   1 insufficient buffer, else that error), then the size reported (16-bit);
//                   the rest: the table bytes the library writes (and, decoded directly, a whole buffer).
// Sizes stay below 64 KiB, so the fuzzer's allocation limit never ends an input; the program's answer to
// an impossible size is the bad_alloc path of FetchTcpTable, covered by the unit tests.
#include "connections/Address6.h"
#include "connections/ByteOrder.h"
#include "connections/TableDecode.h"
#include "connections/TableFetch.h"
#include "dialogs/StatisticsRows.h"

#include <arpa/inet.h>

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

// The text of an IPv6 end says what its bytes say: the address part parses back to the 16 bytes, a "%scope"
// follows exactly when the address is link-local and the scope (network byte order) is not 0.
void CheckEnd6(const char* text, const uint8_t* at, const unsigned char (&raw)[16], uint32_t scopeId) {
    Require(std::memcmp(raw, at, 16) == 0);
    const uint32_t scope = NetworkToHostLong(Little32(at + 16));
    Require(scopeId == scope);
    const std::string_view all = text;
    const size_t percent = all.find('%');
    unsigned char parsed[16];
    Require(inet_pton(AF_INET6, std::string(all.substr(0, percent)).c_str(), parsed) == 1);
    Require(std::memcmp(parsed, at, 16) == 0);
    const bool scoped = scope != 0 && IsLinkLocal6(raw);
    Require((percent != std::string_view::npos) == scoped);
    if (scoped)
        Require(all.substr(percent + 1) == std::to_string(scope));
}

std::string PortText(const uint8_t* field) { return std::to_string(field[0] << 8 | field[1]); }

// The owner-PID tables beside IPv4 TCP: appended after the entry there, or refused leaving it alone.
void CheckAppend(const uint8_t* buffer, size_t size, Protocol protocol) {
    const size_t rowBytes = OwnerPidRowBytes(protocol);
    ConnectionSnapshot snapshot(1);
    CopyBounded(snapshot[0].processName, "kept");
    const bool decoded = AppendTable(buffer, size, protocol, snapshot);
    const bool complete = size >= kTableHeaderBytes && Little32(buffer) <= (size - kTableHeaderBytes) / rowBytes;
    Require(decoded == complete);
    Require(std::string_view(snapshot[0].processName) == "kept" && snapshot[0].protocol == Protocol::Tcp);
    if (!decoded) {
        Require(snapshot.size() == 1);
        return;
    }
    Require(snapshot.size() == 1 + Little32(buffer));
    const uint8_t* row = buffer + kTableHeaderBytes;
    for (size_t i = 1; i < snapshot.size(); ++i, row += rowBytes) {
        const ConnectionEntry& entry = snapshot[i];
        Require(entry.protocol == protocol && Terminated(entry.localAddressText) &&
                Terminated(entry.remoteAddressText) && Terminated(entry.stateText) && Terminated(entry.pidText));
        Require(entry.processName[0] == '\0' && entry.remoteHostName[0] == '\0');
        switch (protocol) {
        case Protocol::Tcp6: {
            CheckEnd6(entry.localAddressText, row, entry.localAddr6, entry.localScopeId);
            CheckEnd6(entry.remoteAddressText, row + 24, entry.remoteAddr6, entry.remoteScopeId);
            Require(entry.localPortText == PortText(row + 20) && entry.remotePortText == PortText(row + 44));
            const uint32_t state = Little32(row + 48);
            Require((std::string_view(entry.stateText) == "UNKNOWN") == (state < 1 || state > 12));
            Require(entry.pidText == std::to_string(static_cast<int32_t>(Little32(row + 52))));
            Require(entry.localAddr == 0 && entry.remoteAddr == 0);
            break;
        }
        case Protocol::Udp:
            Require(entry.localAddressText == Dotted(row) && entry.localPortText == PortText(row + 4));
            Require(entry.localAddr == Little32(row) && entry.localPort == Little32(row + 4));
            Require(entry.pidText == std::to_string(static_cast<int32_t>(Little32(row + 8))));
            break;
        default:
            CheckEnd6(entry.localAddressText, row, entry.localAddr6, entry.localScopeId);
            Require(entry.localPortText == PortText(row + 20));
            Require(entry.pidText == std::to_string(static_cast<int32_t>(Little32(row + 24))));
            break;
        }
        if (IsUdp(protocol))
            Require(entry.remoteAddressText[0] == '\0' && entry.remotePortText[0] == '\0' &&
                    entry.stateText[0] == '\0' && entry.remoteAddr == 0 && entry.remotePort == 0);
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

// what: 0 plain table, 1 owner-PID table, 3..5 the other tables' owner-PID layouts.
size_t RowBytesOf(int what) {
    return what == 0 ? kTcpRowBytes : what == 1 ? kTcpPidRowBytes : OwnerPidRowBytes(static_cast<Protocol>(what - 2));
}

void CheckTable(const uint8_t* buffer, size_t size, int what) {
    if (what <= 1)
        CheckDecode(buffer, size, what == 1);
    else
        CheckAppend(buffer, size, static_cast<Protocol>(what - 2));
}

void CheckFetch(const uint8_t* header, const uint8_t* table, size_t tableBytes, int what) {
    const size_t rowBytes = RowBytesOf(what);
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
    CheckTable(buffer.data(), buffer.size(), what);

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
    const int what = data[0] % 6;
    if (what == 2) {
        CheckStatistics(data + 1, size - 1);
        return 0;
    }
    constexpr size_t kHeaderBytes = 19;
    std::array<uint8_t, kHeaderBytes> header{};
    std::memcpy(header.data(), data, std::min(size, header.size()));
    const uint8_t* table = data + std::min(size, kHeaderBytes);
    const size_t tableBytes = size - std::min(size, kHeaderBytes);
    CheckTable(table, tableBytes, what);
    CheckFetch(header.data(), table, tableBytes, what);
    return 0;
}
