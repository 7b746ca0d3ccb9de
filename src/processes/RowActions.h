// The text rules of the row actions, free of any window: the PID cell's number, which snapshot entry
// the connection closer may close for a clicked row, and the record it hands to SetTcpEntry.
#pragma once

#include "connections/ConnectionEntry.h"

#include <cstdint>
#include <string>
#include <string_view>

// The cells of the clicked row that the actions use, copied when the row is clicked: the list is
// refilled under an open menu or question, so the row at that index may by then be another one.
struct ClickedRow {
    std::string pid;           // empty in five-column mode
    std::string remoteAddress; // as displayed: the host name when the list shows one
    std::string remotePort;
    std::string localPort;
    std::string localAddress;
    std::string protocol = {}; // the Protocol cell; empty while the list shows IPv4 TCP alone
    uint64_t readTime = 0;     // system time of the table read that showed the row (FILETIME units)
    bool removed = false;      // a row kept after its connection went (highlighting): nothing acts on it
};

// The text without the white space around it.
std::string_view TrimSpace(std::string_view text);

// The PID cell as a number: white space around it is ignored, the decimal digits at its start are
// read up to the first other character; no digits give 0, and so does a number above 4294967295
// (0 is never passed on, so an unreadable cell kills nothing).
uint32_t ParsePid(std::string_view text);

// Whether Close Connection can act on the row: only IPv4 TCP connections can be reset by the system's
// interface.
bool ClosableRow(const ClickedRow& row);

// Index of the first ESTABLISHED IPv4 TCP entry whose remote address text or host name, local port text and
// remote port text equal the row's (letter case ignored), or kNoEntry. A remote address of five
// characters or fewer or a remote port of one character or fewer (a listening socket's "0") is
// never closed, nor is a row of another protocol.
constexpr size_t kNoEntry = static_cast<size_t>(-1);
size_t FindConnectionToClose(const ConnectionSnapshot& snapshot, const ClickedRow& row);

// The MIB_TCPROW fields, in their order, that ask the system to reset the entry's connection.
struct TcpDeleteRow {
    uint32_t state; // 12, MIB_TCP_STATE_DELETE_TCB
    uint32_t localAddr;
    uint32_t localPort;
    uint32_t remoteAddr;
    uint32_t remotePort;
};
TcpDeleteRow MakeDeleteRow(const RawEndpoints& connection);
