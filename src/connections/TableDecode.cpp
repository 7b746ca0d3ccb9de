// Decoding of the raw TCP table. Texts are formatted by hand: this runs for every row of every
// refresh, and the formats are fixed (decimal integers, dotted quads).
#include "connections/TableDecode.h"

#include "connections/ByteOrder.h"

#include <cstring>

namespace {

uint32_t ReadField(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Decimal text of an unsigned value; `text` needs 11 bytes. Returns the length.
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

// What "%i" prints for a 32-bit field: the value read as signed, so a PID of 2^31 or more is negative.
size_t FormatSigned(char* text, uint32_t value) {
    if (value & 0x80000000u) {
        text[0] = '-';
        return 1 + FormatUnsigned(text + 1, 0u - value);
    }
    return FormatUnsigned(text, value);
}

} // namespace

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
    if (buffer == nullptr || size < kTableHeaderBytes) {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const uint32_t rowCount = ReadField(bytes);
    const size_t rowBytes = withPids ? kTcpPidRowBytes : kTcpRowBytes;
    if (rowCount > (size - kTableHeaderBytes) / rowBytes) {
        return false;
    }

    out.clear();
    out.resize(rowCount);
    const unsigned char* row = bytes + kTableHeaderBytes;
    for (ConnectionEntry& entry : out) {
        BuildEntry(entry, ReadField(row), ReadField(row + 4), ReadField(row + 8), ReadField(row + 12),
                   ReadField(row + 16), withPids, withPids ? ReadField(row + 20) : 0);
        row += rowBytes;
    }
    return true;
}
