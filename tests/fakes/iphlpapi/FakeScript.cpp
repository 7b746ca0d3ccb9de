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

// Table words of the script: tcp, tcp6, udp, udp6 (an index into failReadCodes).
std::optional<size_t> TableWord(std::string_view word) {
    const std::string_view words[] = {"tcp", "tcp6", "udp", "udp6"};
    for (size_t i = 0; i < std::size(words); ++i)
        if (word == words[i])
            return i;
    return std::nullopt;
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
    if (verb == "fail-read" && tokens.size() == 3 && n[0] && *n[0] != 0 && TableWord(tokens[2])) {
        script.failReadCodes[*TableWord(tokens[2])] = *n[0];
        return true;
    }
    if (verb == "generate" && n[0] && n[1] &&
        (tokens.size() == 3 || (tokens.size() == 4 && TableWord(tokens[3]) > 0u))) {
        // Row i: 10.0.(i / 60000).1 port 1024 + i % 60000 -> 192.0.2.(i % 250 + 1) port 443; with a table word, a row
        // of that table with these ends.
        std::vector<TcpRow>& into = tokens.size() == 4 ? script.others[*TableWord(tokens[3])] : script.rows;
        for (uint32_t i = 0; i < *n[0] && into.size() < kMaxRows; ++i)
            into.push_back({*n[1], Swap32(0x0A000001u | ((i / 60000u) << 8)), PortField(1024u + i % 60000u),
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

// Another table in its library layout (MIB_TCP6ROW_OWNER_PID, MIB_UDPROW_OWNER_PID, MIB_UDP6ROW_OWNER_PID), unsorted:
// the program needs no order. An IPv6 end is 2001:db8::/96 with the IPv4 address as its last 32 bits, scope 0.
uint32_t ServeOther(const FakeScript& script, void* buffer, uint32_t* size, size_t table) {
    const size_t count = script.others[table].size(), rowWords = table == 1 ? 14 : table == 2 ? 3 : 7;
    const auto needed = static_cast<uint32_t>(4 + count * rowWords * 4);
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return kStatusInsufficientBuffer;
    }
    if (script.failReadCodes[table])
        return script.failReadCodes[table];
    std::vector<uint32_t> words = {static_cast<uint32_t>(count)};
    auto end6 = [&](uint32_t addr, uint32_t port) {
        words.insert(words.end(), {Swap32(0x20010DB8u), 0, 0, addr, 0, port});
    };
    for (size_t i = 0; i < count; ++i) {
        const TcpRow& row = script.others[table][i];
        if (table == 2)
            words.insert(words.end(), {row.localAddr, row.localPort});
        else
            end6(row.localAddr, row.localPort);
        if (table == 1)
            end6(row.remoteAddr, row.remotePort), words.push_back(row.state);
        words.push_back(row.pid);
    }
    std::memcpy(buffer, words.data(), needed);
    return 0;
}

} // namespace

uint32_t ServeTable(const FakeScript& script, void* buffer, uint32_t* size, bool sort, Table table) {
    if (table == Table::Tcp6 || table == Table::Udp || table == Table::Udp6)
        return ServeOther(script, buffer, size, static_cast<size_t>(table));
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
