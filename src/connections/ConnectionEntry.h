// The connection record shared by the table read, the list refresh, the workers and the event log,
// plus the cache record types and the bounded text copy every writer of these records uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The four tables a row can come from. IPv4 TCP is 0, so an all-zero entry is an IPv4 TCP row as before.
enum class Protocol : uint32_t { Tcp = 0, Tcp6 = 1, Udp = 2, Udp6 = 3 };

// The Protocol column's text: "TCP", "TCPv6", "UDP", "UDPv6".
const char* ProtocolName(Protocol protocol);
constexpr bool IsIpv6(Protocol protocol) { return protocol == Protocol::Tcp6 || protocol == Protocol::Udp6; }
constexpr bool IsUdp(Protocol protocol) { return protocol == Protocol::Udp || protocol == Protocol::Udp6; }

// Texts are NUL-terminated single-byte strings. The default member initialisers make a new entry all
// zero (the struct has no padding); the read reuses the snapshot's entries, emptying every text and zeroing
// every value instead (DecodeRows).
//
// The address texts already have room for any IPv6 text (at most 50 characters with its scope), so IPv6
// rows need no wider fields; what they add is the raw IPv6 values, kept after the IPv4 ones (44 bytes, about
// 2 % of the entry).
struct ConnectionEntry {
    char processName[200] = {};
    char pidText[32] = {};
    char localAddressText[512] = {};
    char localPortText[16] = {};
    char remoteAddressText[512] = {};
    char remoteHostName[512] = {};
    char remotePortText[16] = {};
    char stateText[64] = {};
    uint32_t localAddr = 0;  // network byte order, as the table returned it
    uint32_t localPort = 0;  // raw port field: network-order port in the low 16 bits
    uint32_t remoteAddr = 0; // network byte order
    uint32_t remotePort = 0; // raw port field
    Protocol protocol = Protocol::Tcp;
    // IPv6 rows only: the addresses as the table holds them (network byte order) and the scope ids (host
    // byte order; the table holds them in network byte order). The IPv4 fields above stay 0 there.
    uint32_t localScopeId = 0;
    uint32_t remoteScopeId = 0;
    unsigned char localAddr6[16] = {};
    unsigned char remoteAddr6[16] = {};
};

// Only IPv4 TCP connections can be reset through the system's interface (SetTcpEntry takes an IPv4 row).
inline bool IsIpv4Tcp(const ConnectionEntry& entry) { return entry.protocol == Protocol::Tcp; }

using ConnectionSnapshot = std::vector<ConnectionEntry>;

// The four raw values that name a connection to the system (the fields of its table row).
struct RawEndpoints {
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    uint32_t remoteAddr = 0;
    uint32_t remotePort = 0;
    friend bool operator==(const RawEndpoints&, const RawEndpoints&) = default;
};

inline RawEndpoints EndpointsOf(const ConnectionEntry& entry) {
    return {entry.localAddr, entry.localPort, entry.remoteAddr, entry.remotePort};
}

struct HostNameEntry {
    char address[512] = {};
    char hostName[512] = {};
};

// The records keep their declared field sizes and order (the read fills them field by field, and a new
// entry is all zero bytes because there is no padding).
static_assert(offsetof(ConnectionEntry, pidText) == 200 && offsetof(ConnectionEntry, localAddressText) == 232 &&
              offsetof(ConnectionEntry, remoteHostName) == 1272 && offsetof(ConnectionEntry, stateText) == 1800 &&
              offsetof(ConnectionEntry, remotePort) == 1876 && offsetof(ConnectionEntry, localAddr6) == 1892 &&
              sizeof(HostNameEntry) == 1024);

struct ProcessNameEntry {
    char processName[64] = {};
    char pidText[16] = {};
};

// Longest texts the records accept (addresses and host names, process names, cached PID texts).
constexpr size_t kMaxAddressChars = 510;
constexpr size_t kMaxProcessNameChars = 63;
constexpr size_t kMaxPidTextChars = 15;

// Text of a TCP state number: 1 "CLOSED" ... 12 "DELETE_TCB", anything else "UNKNOWN".
const char* TcpStateName(uint32_t state);

// Copies at most maxChars characters of source (a null source counts as "") and always terminates;
// destination must have room for maxChars + 1 bytes. Bytes after the terminator are left as they were.
// Returns the number of characters copied.
size_t CopyBoundedChars(char* destination, const char* source, size_t maxChars);

// The same into a fixed array, never more than the array holds whatever maxChars says.
static_assert(offsetof(ProcessNameEntry, pidText) == 64);

template <size_t N> size_t CopyBounded(char (&destination)[N], const char* source, size_t maxChars = N - 1) {
    return CopyBoundedChars(destination, source, maxChars < N - 1 ? maxChars : N - 1);
}
