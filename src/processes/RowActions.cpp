// PID parsing, the closer's matching rule and its delete record.
#include "processes/RowActions.h"

#include "connections/FieldText.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

} // namespace

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

uint32_t ParsePid(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX)
            return 0;
    }
    return static_cast<uint32_t>(value);
}

bool ClosableRow(const ClickedRow& row) { return row.protocol.empty() || row.protocol == ProtocolName(Protocol::Tcp); }

size_t FindConnectionToClose(const ConnectionSnapshot& snapshot, const ClickedRow& row) {
    if (!ClosableRow(row) || row.remoteAddress.size() <= 5 || row.remotePort.size() <= 1)
        return kNoEntry;
    for (size_t i = 0; i < snapshot.size(); ++i) {
        const ConnectionEntry& entry = snapshot[i];
        // An IPv6 connection can show the same texts (an IPv4-mapped peer's host name, say) but cannot be reset.
        if (!IsIpv4Tcp(entry) || !EqualsIgnoringCase(FieldText(entry.stateText), "ESTABLISHED"))
            continue;
        if (!EqualsIgnoringCase(row.remoteAddress, FieldText(entry.remoteAddressText)) &&
            !EqualsIgnoringCase(row.remoteAddress, FieldText(entry.remoteHostName)))
            continue;
        if (EqualsIgnoringCase(row.localPort, FieldText(entry.localPortText)) &&
            EqualsIgnoringCase(row.remotePort, FieldText(entry.remotePortText)))
            return i;
    }
    return kNoEntry;
}

TcpDeleteRow MakeDeleteRow(const RawEndpoints& connection) {
    return {12, connection.localAddr, connection.localPort, connection.remoteAddr, connection.remotePort};
}
