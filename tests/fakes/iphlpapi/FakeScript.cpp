// Parser of the test IP helper script. Every line is taken on its own: a line that does not parse completely
// is skipped and counted, never half applied, so a truncated or hand-mangled script still gives a defined table.
#include "FakeScript.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>

namespace fakes {

namespace {

// The tokens of one line, up to a fixed number: no directive has more, so a longer line is malformed anyway
// and the parser need not allocate per line.
struct Tokens {
    static constexpr size_t Capacity = 20;
    std::array<std::string_view, Capacity> items;
    size_t count = 0;
    bool overflow = false;

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::string_view operator[](size_t i) const { return items[i]; }
};

Tokens SplitTokens(std::string_view line) {
    Tokens tokens;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        if (pos >= line.size() || line[pos] == '#') {
            break;
        }
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') {
            ++end;
        }
        if (tokens.count == Tokens::Capacity) {
            tokens.overflow = true;
            break;
        }
        tokens.items[tokens.count++] = line.substr(pos, end - pos);
        pos = end;
    }
    return tokens;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// Decimal, or hexadecimal with a 0x prefix; the whole token must be the number.
template <typename T> std::optional<T> ParseUnsigned(std::string_view token) {
    int base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        token.remove_prefix(2);
        base = 16;
    }
    if (token.empty() || token[0] == '+' || token[0] == '-') {
        return std::nullopt;
    }
    T value{};
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value, base);
    if (error != std::errc() || end != token.data() + token.size()) {
        return std::nullopt;
    }
    return value;
}

// A 32-bit counter; a negative number stands for its two's complement (-1 is 4294967295).
std::optional<uint32_t> ParseCounter(std::string_view token) {
    if (!token.empty() && token[0] == '-') {
        auto magnitude = ParseUnsigned<uint32_t>(token.substr(1));
        if (!magnitude || *magnitude > 0x80000000u) {
            return std::nullopt;
        }
        return static_cast<uint32_t>(0u - *magnitude);
    }
    return ParseUnsigned<uint32_t>(token);
}

// Strict dotted quad: four decimal parts 0-255. Returns the address in host order.
std::optional<uint32_t> ParseAddress(std::string_view token) {
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        size_t dot = part < 3 ? token.find('.') : token.size();
        if (dot == std::string_view::npos || dot == 0 || dot > 3) {
            return std::nullopt;
        }
        std::string_view digits = token.substr(0, dot);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return std::nullopt;
        }
        auto value = ParseUnsigned<uint32_t>(digits);
        if (!value || *value > 255) {
            return std::nullopt;
        }
        address = (address << 8) | *value;
        token.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return address;
}

// A decimal port (0-65535) becomes a field in network order; a 0x number is taken as the raw field, so a
// test can also put bits above the low 16 into it.
std::optional<uint32_t> ParsePortField(std::string_view token) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        return ParseUnsigned<uint32_t>(token);
    }
    auto port = ParseUnsigned<uint32_t>(token);
    if (!port || *port > 65535) {
        return std::nullopt;
    }
    return PortToField(static_cast<uint16_t>(*port));
}

struct StateName {
    std::string_view name;
    uint32_t state;
};

constexpr StateName StateNames[] = {
    {"CLOSED", 1},      {"LISTEN", 2},    {"LISTENING", 2},  {"SYN_SENT", 3},    {"SYN_RCVD", 4},
    {"ESTABLISHED", 5}, {"FIN_WAIT1", 6}, {"FIN_WAIT2", 7},  {"CLOSE_WAIT", 8},  {"WAIT_CLOSE", 8},
    {"CLOSING", 9},     {"LAST_ACK", 10}, {"TIME_WAIT", 11}, {"DELETE_TCB", 12},
};

std::optional<uint32_t> ParseState(std::string_view token) {
    for (const auto& entry : StateNames) {
        if (EqualsNoCase(token, entry.name)) {
            return entry.state;
        }
    }
    return ParseUnsigned<uint32_t>(token);
}

// "<code> [times]"; times defaults to every call while the script stays unchanged.
std::optional<ScriptedFailure> ParseFailure(const Tokens& tokens, bool allowSuccess) {
    if (tokens.size() < 2 || tokens.size() > 3) {
        return std::nullopt;
    }
    auto code = ParseUnsigned<uint32_t>(tokens[1]);
    if (!code || (*code == 0 && !allowSuccess)) {
        return std::nullopt;
    }
    ScriptedFailure failure{*code, Unlimited};
    if (tokens.size() == 3) {
        auto times = ParseUnsigned<uint64_t>(tokens[2]);
        if (!times) {
            return std::nullopt;
        }
        failure.times = *times;
    }
    return failure;
}

void AppendRow(FakeScript& script, const TcpRow& row) {
    if (script.rows.size() < MaxRows) {
        script.rows.push_back(row);
    }
}

// Distinct, deterministic rows: a busy server with many clients.
// Row i: 10.0.(i / 60000).1 port 1024 + i % 60000  ->  192.0.2.(i % 250 + 1) port 443.
void GenerateRows(FakeScript& script, uint32_t count, uint32_t state, uint32_t pid) {
    for (uint32_t i = 0; i < count && script.rows.size() < MaxRows; ++i) {
        TcpRow row;
        row.state = state;
        row.localAddr = AddressToField(0x0A000001u | ((i / 60000u) << 8));
        row.localPort = PortToField(static_cast<uint16_t>(1024u + i % 60000u));
        row.remoteAddr = AddressToField(0xC0000200u | (i % 250u + 1u));
        row.remotePort = PortToField(443);
        row.pid = pid;
        script.rows.push_back(row);
    }
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Applies one line to the script; false when the line is malformed.
bool ApplyLine(FakeScript& script, std::string_view line) {
    Tokens tokens = SplitTokens(line);
    if (tokens.overflow) {
        return false;
    }
    if (tokens.empty()) {
        return true;
    }
    std::string_view keyword = tokens[0];
    if (EqualsNoCase(keyword, "row")) {
        if (tokens.size() != 6 && tokens.size() != 7) {
            return false;
        }
        auto state = ParseState(tokens[1]);
        auto localAddr = ParseAddress(tokens[2]);
        auto localPort = ParsePortField(tokens[3]);
        auto remoteAddr = ParseAddress(tokens[4]);
        auto remotePort = ParsePortField(tokens[5]);
        auto pid = tokens.size() == 7 ? ParseUnsigned<uint32_t>(tokens[6]) : std::optional<uint32_t>(0);
        if (!state || !localAddr || !localPort || !remoteAddr || !remotePort || !pid) {
            return false;
        }
        AppendRow(script,
                  {*state, AddressToField(*localAddr), *localPort, AddressToField(*remoteAddr), *remotePort, *pid});
        return true;
    }
    if (EqualsNoCase(keyword, "generate")) {
        if (tokens.size() < 2 || tokens.size() > 4) {
            return false;
        }
        auto count = ParseUnsigned<uint32_t>(tokens[1]);
        auto state = tokens.size() >= 3 ? ParseState(tokens[2]) : std::optional<uint32_t>(5);
        auto pid = tokens.size() == 4 ? ParseUnsigned<uint32_t>(tokens[3]) : std::optional<uint32_t>(0);
        if (!count || *count > MaxRows || !state || !pid) {
            return false;
        }
        GenerateRows(script, *count, *state, *pid);
        return true;
    }
    if (EqualsNoCase(keyword, "grow")) {
        if (tokens.size() < 2 || tokens.size() > 3) {
            return false;
        }
        auto rows = ParseUnsigned<uint32_t>(tokens[1]);
        auto times = tokens.size() == 3 ? ParseUnsigned<uint64_t>(tokens[2]) : std::optional<uint64_t>(Unlimited);
        if (!rows || *rows > MaxRows || !times) {
            return false;
        }
        script.growRows = *rows;
        script.growTimes = *times;
        return true;
    }
    if (EqualsNoCase(keyword, "fail-size")) {
        auto failure = ParseFailure(tokens, true);
        script.failSize = failure ? failure : script.failSize;
        return failure.has_value();
    }
    if (EqualsNoCase(keyword, "fail-read")) {
        auto failure = ParseFailure(tokens, false);
        script.failRead = failure ? failure : script.failRead;
        return failure.has_value();
    }
    if (EqualsNoCase(keyword, "fail-stats")) {
        auto failure = ParseFailure(tokens, false);
        script.failStats = failure ? failure : script.failStats;
        return failure.has_value();
    }
    if (EqualsNoCase(keyword, "set-result")) {
        auto code = tokens.size() == 2 ? ParseUnsigned<uint32_t>(tokens[1]) : std::nullopt;
        if (!code) {
            return false;
        }
        script.setResult = *code;
        return true;
    }
    if (EqualsNoCase(keyword, "set-delay")) {
        auto delay = tokens.size() == 2 ? ParseUnsigned<uint32_t>(tokens[1]) : std::nullopt;
        if (!delay || *delay > 60000) {
            return false;
        }
        script.setDelayMs = *delay;
        return true;
    }
    if (EqualsNoCase(keyword, "set-removes")) {
        if (tokens.size() != 2 || (tokens[1] != "0" && tokens[1] != "1")) {
            return false;
        }
        script.setRemoves = tokens[1] == "1";
        return true;
    }
    if (EqualsNoCase(keyword, "stats")) {
        if (tokens.size() != 1 + StatisticsCount) {
            return false;
        }
        std::array<uint32_t, StatisticsCount> values{};
        for (size_t i = 0; i < StatisticsCount; ++i) {
            auto value = ParseCounter(tokens[i + 1]);
            if (!value) {
                return false;
            }
            values[i] = *value;
        }
        script.statistics = values;
        return true;
    }
    if (EqualsNoCase(keyword, "log")) {
        // The path is the rest of the line as written, so it may contain spaces (and '#').
        size_t start = static_cast<size_t>(keyword.data() - line.data()) + keyword.size();
        std::string_view path = Trim(line.substr(start));
        if (path.empty()) {
            return false;
        }
        script.logPath.assign(path);
        return true;
    }
    return false;
}

} // namespace

uint32_t AddressToField(uint32_t hostOrder) {
    if constexpr (std::endian::native == std::endian::little) {
        return ((hostOrder & 0xFFu) << 24) | ((hostOrder & 0xFF00u) << 8) | ((hostOrder >> 8) & 0xFF00u) |
               (hostOrder >> 24);
    }
    return hostOrder;
}

uint32_t FieldToAddress(uint32_t field) {
    return AddressToField(field); // the swap is its own inverse
}

uint32_t PortToField(uint16_t port) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<uint32_t>(static_cast<uint16_t>((port << 8) | (port >> 8)));
    }
    return port;
}

uint16_t FieldToPort(uint32_t field) {
    return static_cast<uint16_t>(PortToField(static_cast<uint16_t>(field & 0xFFFFu)));
}

std::string FormatEndpoint(uint32_t addrField, uint32_t portField) {
    uint32_t address = FieldToAddress(addrField);
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", address >> 24, (address >> 16) & 0xFFu, (address >> 8) & 0xFFu,
                  address & 0xFFu, static_cast<unsigned>(FieldToPort(portField)));
    return text;
}

FakeScript ParseScript(std::string_view text) {
    FakeScript script;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // A NUL byte means the file is not text (or a writer pre-allocated it): the line cannot be trusted.
        if (line.find('\0') != std::string_view::npos || !ApplyLine(script, line)) {
            ++script.skippedLines;
        }
        pos = end + 1;
    }
    return script;
}

} // namespace fakes
