// Decoding of the raw TCP table. Texts are formatted by hand: this runs for every row of every
// refresh, and the formats are fixed (decimal integers, dotted quads).
#include "connections/TableDecode.h"

#include "connections/Address6.h"
#include "connections/ByteOrder.h"

#include <cstddef>
#include <cstring>

namespace {

uint32_t ReadField(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// What "%i" prints for a 32-bit field: the value read as signed, so a PID of 2^31 or more is negative.
size_t FormatSigned(char* text, uint32_t value) {
    if (value & 0x80000000u) {
        text[0] = '-';
        return 1 + FormatUnsigned(text + 1, 0u - value);
    }
    return FormatUnsigned(text, value);
}

// A row count the buffer holds whole rows for, or false.
bool RowCount(const void* buffer, size_t size, size_t rowBytes, uint32_t& rowCount) {
    if (buffer == nullptr || size < kTableHeaderBytes)
        return false;
    rowCount = ReadField(static_cast<const unsigned char*>(buffer));
    return rowCount <= (size - kTableHeaderBytes) / rowBytes;
}

// An IPv6 end of a row: 16 address bytes, then the scope id (network byte order, as the platform documents
// it for these tables), then the port field.
void ReadEnd6(const unsigned char* at, unsigned char (&address)[16], uint32_t& scopeId, uint32_t& portField,
              char (&addressText)[512], char (&portText)[16]) {
    std::memcpy(address, at, 16);
    scopeId = NetworkToHostLong(ReadField(at + 16));
    portField = ReadField(at + 20);
    FormatAddress6(addressText, address, scopeId);
    FormatUnsigned(portText, PortFromField(portField));
}

// An entry kept from an earlier read made to read as a new one. Zeroing all 1.9 kB of every entry wrote 77 MB a
// refresh at 40,000 rows, and pushed the texts the refresh reads next out of the cache.
void ClearEntry(ConnectionEntry& entry) {
    for (char* text : {entry.processName, entry.pidText, entry.localAddressText, entry.localPortText,
                       entry.remoteAddressText, entry.remoteHostName, entry.remotePortText, entry.stateText})
        text[0] = '\0';
    std::memset(&entry.localAddr, 0, sizeof entry - offsetof(ConnectionEntry, localAddr));
}

void BuildRow(ConnectionEntry& entry, Protocol protocol, bool withPids, const unsigned char* row) {
    ClearEntry(entry);
    entry.protocol = protocol;
    switch (protocol) {
    case Protocol::Tcp:
        BuildEntry(entry, ReadField(row), ReadField(row + 4), ReadField(row + 8), ReadField(row + 12),
                   ReadField(row + 16), withPids, withPids ? ReadField(row + 20) : 0);
        break;
    case Protocol::Tcp6:
        ReadEnd6(row, entry.localAddr6, entry.localScopeId, entry.localPort, entry.localAddressText,
                 entry.localPortText);
        ReadEnd6(row + 24, entry.remoteAddr6, entry.remoteScopeId, entry.remotePort, entry.remoteAddressText,
                 entry.remotePortText);
        CopyBounded(entry.stateText, TcpStateName(ReadField(row + 48)));
        FormatSigned(entry.pidText, ReadField(row + 52));
        break;
    case Protocol::Udp:
        entry.localAddr = ReadField(row);
        entry.localPort = ReadField(row + 4);
        FormatAddress(entry.localAddressText, entry.localAddr);
        FormatUnsigned(entry.localPortText, PortFromField(entry.localPort));
        FormatSigned(entry.pidText, ReadField(row + 8));
        break;
    case Protocol::Udp6:
        ReadEnd6(row, entry.localAddr6, entry.localScopeId, entry.localPort, entry.localAddressText,
                 entry.localPortText);
        FormatSigned(entry.pidText, ReadField(row + 24));
        break;
    }
}

} // namespace

size_t FormatUnsigned(char* text, uint32_t value) {
    char digits[10];
    size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (size_t i = 0; i < count; ++i) {
        text[i] = digits[count - 1 - i];
    }
    text[count] = '\0';
    return count;
}

size_t OwnerPidRowBytes(Protocol protocol) {
    switch (protocol) {
    case Protocol::Tcp:
        return kTcpPidRowBytes;
    case Protocol::Tcp6:
        return kTcp6PidRowBytes;
    case Protocol::Udp:
        return kUdpPidRowBytes;
    case Protocol::Udp6:
        return kUdp6PidRowBytes;
    }
    return kTcpPidRowBytes;
}

int64_t TableRowCount(const void* buffer, size_t size, size_t rowBytes) {
    uint32_t rowCount = 0;
    return RowCount(buffer, size, rowBytes, rowCount) ? int64_t{rowCount} : -1;
}

bool AppendTable(const void* buffer, size_t size, Protocol protocol, ConnectionSnapshot& out) {
    const size_t rowBytes = OwnerPidRowBytes(protocol);
    uint32_t rowCount = 0;
    if (!RowCount(buffer, size, rowBytes, rowCount))
        return false;
    const size_t first = out.size();
    out.resize(first + rowCount);
    DecodeRows(buffer, protocol, true, out.data() + first, rowCount);
    return true;
}

void DecodeRows(const void* buffer, Protocol protocol, bool withPids, ConnectionEntry* out, size_t count) {
    const size_t rowBytes = protocol == Protocol::Tcp && !withPids ? kTcpRowBytes : OwnerPidRowBytes(protocol);
    const unsigned char* row = static_cast<const unsigned char*>(buffer) + kTableHeaderBytes;
    for (size_t i = 0; i < count; ++i, row += rowBytes)
        BuildRow(out[i], protocol, withPids, row);
}

size_t FormatAddress(char* text, uint32_t networkOrderAddress) {
    const uint32_t host = NetworkToHostLong(networkOrderAddress);
    size_t length = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        length += FormatUnsigned(text + length, (host >> shift) & 0xFFu);
        if (shift != 0) {
            text[length++] = '.';
        }
    }
    text[length] = '\0';
    return length;
}

void BuildEntry(ConnectionEntry& entry, uint32_t state, uint32_t localAddr, uint32_t localPort, uint32_t remoteAddr,
                uint32_t remotePort, bool withPid, uint32_t pid) {
    if (withPid) {
        FormatSigned(entry.pidText, pid);
    }
    FormatAddress(entry.localAddressText, localAddr);
    FormatUnsigned(entry.localPortText, PortFromField(localPort));
    FormatAddress(entry.remoteAddressText, remoteAddr);
    FormatUnsigned(entry.remotePortText, PortFromField(remotePort));
    CopyBounded(entry.stateText, TcpStateName(state));
    entry.localAddr = localAddr;
    entry.localPort = localPort;
    entry.remoteAddr = remoteAddr;
    entry.remotePort = remotePort;
}

bool DecodeTcpTable(const void* buffer, size_t size, bool withPids, ConnectionSnapshot& out) {
    const size_t rowBytes = withPids ? kTcpPidRowBytes : kTcpRowBytes;
    uint32_t rowCount = 0;
    if (!RowCount(buffer, size, rowBytes, rowCount)) {
        return false;
    }
    out.resize(rowCount);
    DecodeRows(buffer, Protocol::Tcp, withPids, out.data(), rowCount);
    return true;
}
