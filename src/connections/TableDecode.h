// Turns the buffer filled by the IP helper table call into connection entries.
#pragma once

#include "connections/ConnectionEntry.h"

#include <cstddef>
#include <cstdint>

// Row layouts as the library writes them: a 32-bit row count, then rows of 32-bit fields.
constexpr size_t kTableHeaderBytes = 4;
constexpr size_t kTcpRowBytes = 20;    // state, local address, local port, remote address, remote port
constexpr size_t kTcpPidRowBytes = 24; // the same, then the owning process id
// MIB_TCP6ROW_OWNER_PID: local address (16 bytes), local scope id, local port, remote address (16 bytes),
// remote scope id, remote port, state, owning process id.
constexpr size_t kTcp6PidRowBytes = 56;
constexpr size_t kUdpPidRowBytes = 12;  // MIB_UDPROW_OWNER_PID: local address, local port, owning process id
constexpr size_t kUdp6PidRowBytes = 28; // MIB_UDP6ROW_OWNER_PID: local address (16 bytes), scope id, port, pid

// The row size of a protocol's owner-PID table (IPv4 TCP: kTcpPidRowBytes).
size_t OwnerPidRowBytes(Protocol protocol);

// Replaces `out` with one entry per row, in buffer order. withPids selects the owner-PID row layout.
// Returns false, leaving `out` untouched, when the buffer is null, shorter than the row count, or
// holds fewer complete rows than its row count claims. Bytes beyond the last row are ignored.
bool DecodeTcpTable(const void* buffer, size_t size, bool withPids, ConnectionSnapshot& out);

// The row count a table buffer states, or -1 when the buffer does not hold that many rows (the buffer
// DecodeTcpTable and AppendTable refuse).
int64_t TableRowCount(const void* buffer, size_t size, size_t rowBytes);

// Appends one entry per row of the protocol's owner-PID table (the layouts above), in buffer order, after the
// entries `out` holds. The buffer rules are DecodeTcpTable's: false, leaving `out` untouched, for a null
// buffer, one shorter than its row count, or one holding fewer complete rows than that count claims; bytes
// beyond the last row are ignored. UDP rows have no remote end and no state: those texts stay empty.
bool AppendTable(const void* buffer, size_t size, Protocol protocol, ConnectionSnapshot& out);

// Decodes `count` rows of a table that holds them (TableRowCount said so) into the entries from `out` on. The
// entries may hold an earlier read's rows: each reads as a new entry filled from its row, every text not filled
// empty and every raw value 0 (bytes after a text's terminator are left as they were). Protocol::Tcp with
// !withPids is the plain TCP row layout.
void DecodeRows(const void* buffer, Protocol protocol, bool withPids, ConnectionEntry* out, size_t count);

// Fills a new entry, or one DecodeRows has emptied, from one row's values (raw, as the table holds them). pid is used
// only when withPid is set.
void BuildEntry(ConnectionEntry& entry, uint32_t state, uint32_t localAddr, uint32_t localPort, uint32_t remoteAddr,
                uint32_t remotePort, bool withPid, uint32_t pid);

// Dotted-decimal text of a network-order address (its bytes in memory order), as inet_ntoa gives it.
// `text` needs 16 bytes. Returns the length.
size_t FormatAddress(char* text, uint32_t networkOrderAddress);
// Decimal text of an unsigned value; `text` needs 11 bytes. Returns the length.
size_t FormatUnsigned(char* text, uint32_t value);
