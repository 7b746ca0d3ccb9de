// State names and the bounded text copy.
#include "connections/ConnectionEntry.h"

#include <cstring>

static_assert(sizeof(ConnectionEntry) == 1924, "ConnectionEntry must have no padding so a new one is all zero");

const char* TcpStateName(uint32_t state) {
    static const char* const names[] = {"CLOSED",    "LISTENING",  "SYN_SENT", "SYN_RCVD", "ESTABLISHED", "FIN_WAIT1",
                                        "FIN_WAIT2", "WAIT_CLOSE", "CLOSING",  "LAST_ACK", "TIME_WAIT",   "DELETE_TCB"};
    if (state < 1 || state > 12) {
        return "UNKNOWN";
    }
    return names[state - 1];
}

const char* ProtocolName(Protocol protocol) {
    switch (protocol) {
    case Protocol::Tcp:
        return "TCP";
    case Protocol::Tcp6:
        return "TCPv6";
    case Protocol::Udp:
        return "UDP";
    case Protocol::Udp6:
        return "UDPv6";
    }
    return "";
}

size_t CopyBoundedChars(char* destination, const char* source, size_t maxChars) {
    size_t length = 0;
    if (source != nullptr) {
        const void* end = std::memchr(source, '\0', maxChars);
        length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - source) : maxChars;
        std::memcpy(destination, source, length);
    }
    destination[length] = '\0';
    return length;
}
