// Parser of the test IP helper script and the table it serves. A line that does not parse completely is
// skipped and counted, never half applied, so a truncated script still gives a defined table.
#include "FakeScript.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

namespace fakes {
namespace {

uint32_t Swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24); }
uint32_t PortField(uint32_t port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); }

// Decimal, or hexadecimal with a 0x prefix; the whole token must be the number.
std::optional<uint32_t> Number(std::string_view token) {
    int base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        token.remove_prefix(2);
        base = 16;
    }
    uint32_t value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value, base);
    if (token.empty() || error != std::errc() || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

// Strict dotted quad, returned in network order.
std::optional<uint32_t> Address(std::string_view token) {
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        size_t dot = part < 3 ? token.find('.') : token.size();
        auto value = dot == std::string_view::npos || dot > 3 || token.substr(0, 2) == "0x"
                         ? std::nullopt
                         : Number(token.substr(0, dot));
        if (!value || *value > 255)
            return std::nullopt;
        address = (address << 8) | *value;
        token.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return Swap32(address);
}

// A decimal port becomes a field in network order; a 0x number is the raw field (bits above the low 16 too).
std::optional<uint32_t> Port(std::string_view token) {
    auto value = Number(token);
    if (token.substr(0, 2) == "0x" || !value)
        return value;
    return *value > 65535 ? std::nullopt : std::optional<uint32_t>(PortField(*value));
}

std::optional<uint32_t> State(std::string_view token) {
    static constexpr std::pair<std::string_view, uint32_t> kNames[] = {
        {"CLOSED", 1},      {"LISTEN", 2},     {"LISTENING", 2},   {"SYN_SENT", 3},   {"SYN_RCVD", 4},
        {"ESTABLISHED", 5}, {"FIN_WAIT1", 6},  {"FIN_WAIT2", 7},   {"CLOSE_WAIT", 8}, {"CLOSING", 9},
        {"LAST_ACK", 10},   {"TIME_WAIT", 11}, {"DELETE_TCB", 12},
    };
    for (const auto& [name, state] : kNames) {
        if (token == name)
            return state;
    }
    return Number(token);
}

bool ApplyLine(FakeScript& script, std::string_view line) {
    std::vector<std::string_view> tokens;
    for (size_t pos = line.find_first_not_of(" \t"); pos != std::string_view::npos && line[pos] != '#';
         pos = line.find_first_not_of(" \t", pos)) {
        size_t end = std::min(line.find_first_of(" \t", pos), line.size());
        tokens.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    auto arg = [&](size_t i, std::optional<uint32_t> fallback = std::nullopt) {
        return i < tokens.size() ? Number(tokens[i]) : fallback;
    };
    if (tokens.empty())
        return true;
    if (tokens[0] == "row" && (tokens.size() == 6 || tokens.size() == 7)) {
        auto state = State(tokens[1]);
        auto localAddr = Address(tokens[2]), localPort = Port(tokens[3]);
        auto remoteAddr = Address(tokens[4]), remotePort = Port(tokens[5]);
        auto pid = arg(6, 0);
        if (!state || !localAddr || !localPort || !remoteAddr || !remotePort || !pid)
            return false;
        if (script.rows.size() < kMaxRows)
            script.rows.push_back({*state, *localAddr, *localPort, *remoteAddr, *remotePort, *pid});
        return true;
    }
    if (tokens[0] == "generate" && tokens.size() >= 2 && tokens.size() <= 4) {
        // Row i: 10.0.(i / 60000).1 port 1024 + i % 60000 -> 192.0.2.(i % 250 + 1) port 443.
        auto count = arg(1);
        auto state = tokens.size() >= 3 ? State(tokens[2]) : std::optional<uint32_t>(5);
        auto pid = arg(3, 0);
        if (!count || !state || !pid)
            return false;
        for (uint32_t i = 0; i < *count && script.rows.size() < kMaxRows; ++i)
            script.rows.push_back({*state, Swap32(0x0A000001u | ((i / 60000u) << 8)), PortField(1024u + i % 60000u),
                                   Swap32(0xC0000200u | (i % 250u + 1u)), PortField(443), *pid});
        return true;
    }
    if ((tokens[0] == "set-result" || tokens[0] == "set-delay") && tokens.size() == 2) {
        auto value = arg(1);
        if (!value || (tokens[0] == "set-delay" && *value > 60000))
            return false;
        (tokens[0] == "set-result" ? script.setResult : script.setDelayMs) = *value;
        return true;
    }
    if (tokens[0] == "fail-read" && tokens.size() >= 2 && tokens.size() <= 3) {
        auto code = arg(1);
        auto times = arg(2, UINT32_MAX);
        if (!code || *code == 0 || !times)
            return false;
        script.failReadCode = *code;
        script.failReadTimes = *times == UINT32_MAX ? UINT64_MAX : *times;
        return true;
    }
    return false;
}

} // namespace

FakeScript ParseScript(std::string_view text) {
    FakeScript script;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos || !ApplyLine(script, line))
            ++script.skippedLines;
        pos = end + 1;
    }
    return script;
}

uint32_t TableSize(size_t rows, bool withPid) { return static_cast<uint32_t>(4 + rows * (withPid ? 24 : 20)); }

uint32_t ServeTable(FakeScript& script, void* buffer, uint32_t* size, bool sort, bool withPid) {
    const uint32_t needed = TableSize(script.rows.size(), withPid);
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return kStatusInsufficientBuffer;
    }
    if (script.failReadTimes > 0) {
        if (script.failReadTimes != UINT64_MAX)
            --script.failReadTimes;
        return script.failReadCode;
    }
    std::vector<TcpRow> rows = script.rows;
    if (sort) {
        auto key = [](uint32_t addr, uint32_t port) {
            return (uint64_t{Swap32(addr)} << 16) | PortField(port & 0xFFFF);
        };
        std::stable_sort(rows.begin(), rows.end(), [&](const TcpRow& a, const TcpRow& b) {
            uint64_t al = key(a.localAddr, a.localPort), bl = key(b.localAddr, b.localPort);
            return al != bl ? al < bl : key(a.remoteAddr, a.remotePort) < key(b.remoteAddr, b.remotePort);
        });
    }
    auto* out = static_cast<unsigned char*>(buffer);
    const uint32_t count = static_cast<uint32_t>(rows.size());
    std::memcpy(out, &count, 4);
    out += 4;
    for (const TcpRow& row : rows) {
        const uint32_t fields[6] = {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort, row.pid};
        std::memcpy(out, fields, withPid ? 24 : 20);
        out += withPid ? 24 : 20;
    }
    return 0;
}

} // namespace fakes
