// Parser of the test IP helper script and the table it serves. A line that does not parse completely is
// skipped, never half applied, so a truncated script still gives a defined table.
#include "FakeScript.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

namespace fakes {

namespace {

uint32_t Swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24); }
uint32_t PortField(uint32_t port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); }

std::optional<uint32_t> Number(std::string_view token, uint32_t max = UINT32_MAX) {
    uint32_t value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (token.empty() || error != std::errc() || end != token.data() + token.size() || value > max)
        return std::nullopt;
    return value;
}

// A strict dotted quad, in network order.
std::optional<uint32_t> Address(std::string_view token) {
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? token.find('.') : token.size();
        const auto value = dot == std::string_view::npos ? std::nullopt : Number(token.substr(0, dot), 255);
        if (!value)
            return std::nullopt;
        address = (address << 8) | *value;
        token.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return Swap32(address);
}

// An IPv6 address of hexadecimal groups with at most one "::" (no embedded dotted quad), then an optional
// "%scope": the bytes in network order and the scope id as the table holds it (network order too).
bool Address6(std::string_view token, unsigned char (&bytes)[16], uint32_t& scope) {
    scope = 0;
    if (const size_t percent = token.find('%'); percent != std::string_view::npos) {
        const auto value = Number(token.substr(percent + 1));
        if (!value)
            return false;
        scope = Swap32(*value);
        token = token.substr(0, percent);
    }
    std::vector<uint32_t> head, tail;
    std::vector<uint32_t>* groups = &head;
    bool compressed = false;
    for (size_t at = 0; at < token.size();) {
        if (token.substr(at, 2) == "::") {
            if (compressed)
                return false;
            compressed = true;
            groups = &tail;
            at += 2;
            continue;
        }
        if (token[at] == ':' && at != 0)
            ++at;
        const size_t end = std::min(token.find(':', at), token.size());
        uint32_t group = 0;
        auto [stop, error] = std::from_chars(token.data() + at, token.data() + end, group, 16);
        if (end == at || end - at > 4 || error != std::errc() || stop != token.data() + end)
            return false;
        groups->push_back(group);
        at = end;
    }
    if (head.size() + tail.size() > (compressed ? 7u : 8u) || (!compressed && head.size() != 8))
        return false;
    std::memset(bytes, 0, 16);
    auto put = [&](size_t index, uint32_t group) {
        bytes[2 * index] = static_cast<unsigned char>(group >> 8);
        bytes[2 * index + 1] = static_cast<unsigned char>(group);
    };
    for (size_t i = 0; i < head.size(); ++i)
        put(i, head[i]);
    for (size_t i = 0; i < tail.size(); ++i)
        put(8 - tail.size() + i, tail[i]);
    return true;
}

// Table words of the script: tcp, tcp6, udp, udp6 (an index into failReadCodes).
std::optional<size_t> TableWord(std::string_view word) {
    const std::string_view words[] = {"tcp", "tcp6", "udp", "udp6"};
    for (size_t i = 0; i < std::size(words); ++i)
        if (word == words[i])
            return i;
    return std::nullopt;
}

// Row i of a generated IPv6 address: 2001:db8::<part>:<i / 60000>.
void Generated6(unsigned char (&bytes)[16], uint32_t part, uint32_t i) {
    uint32_t scope = 0;
    Address6("2001:db8::", bytes, scope);
    bytes[12] = static_cast<unsigned char>(part >> 8), bytes[13] = static_cast<unsigned char>(part);
    bytes[14] = static_cast<unsigned char>(i >> 8), bytes[15] = static_cast<unsigned char>(i);
}

bool ApplyLine(FakeScript& script, const std::vector<std::string_view>& tokens) {
    std::vector<std::optional<uint32_t>> n;
    for (size_t i = 1; i < tokens.size(); ++i)
        n.push_back(Number(tokens[i]));
    auto all = [&](size_t from = 0) {
        return std::all_of(n.begin() + from, n.end(), [](auto v) { return v.has_value(); });
    };
    const std::string_view verb = tokens[0];
    if (verb == "row" && (tokens.size() == 6 || tokens.size() == 7)) {
        // state, local address, local port, remote address, remote port, [pid]
        const auto local = Address(tokens[2]), remote = Address(tokens[4]);
        const auto localPort = Number(tokens[3], 65535), remotePort = Number(tokens[5], 65535);
        const auto pid = tokens.size() == 7 ? n[5] : std::optional<uint32_t>(0);
        if (!n[0] || !local || !remote || !localPort || !remotePort || !pid)
            return false;
        if (script.rows.size() < kMaxRows)
            script.rows.push_back({*n[0], *local, PortField(*localPort), *remote, PortField(*remotePort), *pid});
        return true;
    }
    if (verb == "row6" && (tokens.size() == 6 || tokens.size() == 7)) {
        Tcp6Row row;
        const auto localPort = Number(tokens[3], 65535), remotePort = Number(tokens[5], 65535);
        const auto pid = tokens.size() == 7 ? n[5] : std::optional<uint32_t>(0);
        if (!n[0] || !Address6(tokens[2], row.localAddr, row.localScopeId) ||
            !Address6(tokens[4], row.remoteAddr, row.remoteScopeId) || !localPort || !remotePort || !pid)
            return false;
        row.localPort = PortField(*localPort), row.remotePort = PortField(*remotePort), row.state = *n[0];
        row.pid = *pid;
        if (script.rows6.size() < kMaxRows)
            script.rows6.push_back(row);
        return true;
    }
    if ((verb == "udp" || verb == "udp6") && (tokens.size() == 3 || tokens.size() == 4)) {
        const auto port = Number(tokens[2], 65535);
        const auto pid = tokens.size() == 4 ? n[2] : std::optional<uint32_t>(0);
        if (!port || !pid)
            return false;
        if (verb == "udp") {
            const auto local = Address(tokens[1]);
            if (!local)
                return false;
            if (script.udp.size() < kMaxRows)
                script.udp.push_back({*local, PortField(*port), *pid});
            return true;
        }
        Udp6Row row;
        if (!Address6(tokens[1], row.localAddr, row.localScopeId))
            return false;
        row.localPort = PortField(*port), row.pid = *pid;
        if (script.udp6.size() < kMaxRows)
            script.udp6.push_back(row);
        return true;
    }
    if (verb == "generate" && tokens.size() == 4 && n[0] && n[1] && TableWord(tokens[3]) > 0u) {
        // Row i of the other tables, local port 1024 + i % 60000: IPv6 TCP 2001:db8::1:(i / 60000) to
        // 2001:db8::2:(i % 250 + 1) port 443; IPv4 UDP 10.1.(i / 60000).1; IPv6 UDP 2001:db8::3:(i / 60000).
        const size_t table = *TableWord(tokens[3]);
        for (uint32_t i = 0; i < *n[0]; ++i) {
            const uint32_t port = PortField(1024u + i % 60000u);
            if (table == 1 && script.rows6.size() < kMaxRows) {
                Tcp6Row row;
                Generated6(row.localAddr, 1, i / 60000u);
                Generated6(row.remoteAddr, 2, i % 250u + 1u);
                row.localPort = port, row.remotePort = PortField(443), row.state = *n[1];
                script.rows6.push_back(row);
            } else if (table == 2 && script.udp.size() < kMaxRows) {
                script.udp.push_back({Swap32(0x0A010001u | ((i / 60000u) << 8)), port, 0});
            } else if (table == 3 && script.udp6.size() < kMaxRows) {
                Udp6Row row;
                Generated6(row.localAddr, 3, i / 60000u);
                row.localPort = port;
                script.udp6.push_back(row);
            }
        }
        return true;
    }
    if (verb == "fail-read" && tokens.size() == 3 && n[0] && *n[0] != 0 && TableWord(tokens[2])) {
        script.failReadCodes[*TableWord(tokens[2])] = *n[0];
        return true;
    }
    if (verb == "generate" && tokens.size() == 3 && all()) {
        // Row i: 10.0.(i / 60000).1 port 1024 + i % 60000 -> 192.0.2.(i % 250 + 1) port 443.
        for (uint32_t i = 0; i < *n[0] && script.rows.size() < kMaxRows; ++i)
            script.rows.push_back({*n[1], Swap32(0x0A000001u | ((i / 60000u) << 8)), PortField(1024u + i % 60000u),
                                   Swap32(0xC0000200u | (i % 250u + 1u)), PortField(443), 0});
        return true;
    }
    if (verb == "fail-read" && tokens.size() == 2 && n[0] && *n[0] != 0) {
        script.failReadCodes.fill(*n[0]);
        return true;
    }
    if (tokens.size() == 2 && n[0] &&
        (verb == "set-result" || (verb == "set-delay" && *n[0] <= 60000) || (verb == "fail-stats" && *n[0] != 0))) {
        (verb == "set-result"  ? script.setResult
         : verb == "set-delay" ? script.setDelayMs
                               : script.failStatsCode) = *n[0];
        return true;
    }
    if (verb == "tcp-stats" && n.size() == script.tcpStats.size() && all()) {
        for (size_t i = 0; i < n.size(); ++i)
            script.tcpStats[i] = *n[i];
        return true;
    }
    return false;
}

} // namespace

FakeScript ParseScript(std::string_view text) {
    FakeScript script;
    for (size_t pos = 0; pos < text.size();) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        line = line.substr(0, line.find('#'));
        std::vector<std::string_view> tokens;
        for (size_t at = line.find_first_not_of(" \t\r"); at != std::string_view::npos;
             at = line.find_first_not_of(" \t\r", at)) {
            const size_t stop = std::min(line.find_first_of(" \t\r", at), line.size());
            tokens.push_back(line.substr(at, stop - at));
            at = stop;
        }
        if (!tokens.empty())
            ApplyLine(script, tokens);
        pos = end + 1;
    }
    return script;
}

namespace {

// The rows of the other tables, sorted by their bytes (local end first) when asked; the program needs no order.
template <class RowType>
uint32_t ServeRows(const std::vector<RowType>& source, uint32_t failCode, void* buffer, uint32_t* size, bool sort) {
    const auto needed = static_cast<uint32_t>(4 + source.size() * sizeof(RowType));
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return kStatusInsufficientBuffer;
    }
    if (failCode)
        return failCode;
    std::vector<RowType> rows = source;
    if (sort)
        std::stable_sort(rows.begin(), rows.end(),
                         [](const RowType& a, const RowType& b) { return std::memcmp(&a, &b, sizeof(RowType)) < 0; });
    const auto count = static_cast<uint32_t>(rows.size());
    std::memcpy(buffer, &count, 4);
    if (!rows.empty())
        std::memcpy(static_cast<unsigned char*>(buffer) + 4, rows.data(), rows.size() * sizeof(RowType));
    return 0;
}

} // namespace

uint32_t ServeTable(const FakeScript& script, void* buffer, uint32_t* size, bool sort, Table table) {
    if (table == Table::Tcp6)
        return ServeRows(script.rows6, script.failReadCodes[1], buffer, size, sort);
    if (table == Table::Udp)
        return ServeRows(script.udp, script.failReadCodes[2], buffer, size, sort);
    if (table == Table::Udp6)
        return ServeRows(script.udp6, script.failReadCodes[3], buffer, size, sort);
    const bool withPid = table == Table::TcpPid;
    const size_t rowBytes = withPid ? 24 : 20;
    const auto needed = static_cast<uint32_t>(4 + script.rows.size() * rowBytes);
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return kStatusInsufficientBuffer;
    }
    if (script.failReadCodes[0])
        return script.failReadCodes[0];
    std::vector<TcpRow> rows = script.rows;
    if (sort) {
        auto key = [](uint32_t addr, uint32_t port) { return (uint64_t{Swap32(addr)} << 16) | PortField(port); };
        std::stable_sort(rows.begin(), rows.end(), [&](const TcpRow& a, const TcpRow& b) {
            const uint64_t al = key(a.localAddr, a.localPort), bl = key(b.localAddr, b.localPort);
            return al != bl ? al < bl : key(a.remoteAddr, a.remotePort) < key(b.remoteAddr, b.remotePort);
        });
    }
    auto* out = static_cast<unsigned char*>(buffer);
    const auto count = static_cast<uint32_t>(rows.size());
    std::memcpy(out, &count, 4);
    out += 4;
    for (const TcpRow& row : rows) {
        const uint32_t fields[6] = {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort, row.pid};
        std::memcpy(out, fields, rowBytes);
        out += rowBytes;
    }
    return 0;
}

} // namespace fakes
