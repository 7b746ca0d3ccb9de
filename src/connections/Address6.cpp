// IPv6 address texts, written by hand like the IPv4 ones: this runs for every IPv6 row of every refresh.
#include "connections/Address6.h"

#include "connections/TableDecode.h"

#include <cstring>

namespace {

constexpr unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

size_t AppendHexGroup(char* text, unsigned group) {
    static const char digits[] = "0123456789abcdef";
    size_t length = 0;
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (group >> shift) & 0xFu;
        if (digit != 0 || started || shift == 0) {
            text[length++] = digits[digit];
            started = true;
        }
    }
    return length;
}

} // namespace

bool IsUnspecified6(const unsigned char (&address)[16]) {
    static const unsigned char zero[16] = {};
    return std::memcmp(address, zero, 16) == 0;
}

bool IsLoopback6(const unsigned char (&address)[16]) {
    static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(address, loopback, 16) == 0;
}

bool IsLinkLocal6(const unsigned char (&address)[16]) { return address[0] == 0xFE && (address[1] & 0xC0) == 0x80; }

size_t FormatAddress6(char* text, const unsigned char (&address)[16], uint32_t scopeId) {
    size_t length = 0;
    if (std::memcmp(address, kMappedPrefix, sizeof kMappedPrefix) == 0) {
        std::memcpy(text, "::ffff:", 7);
        uint32_t networkOrder;
        std::memcpy(&networkOrder, address + 12, 4);
        length = 7 + FormatAddress(text + 7, networkOrder);
    } else {
        unsigned groups[8];
        for (int i = 0; i < 8; ++i)
            groups[i] = unsigned{address[2 * i]} << 8 | address[2 * i + 1];
        // The longest run of zero groups, the first of equal ones; a single zero group stays "0".
        int bestStart = -1, bestLength = 1;
        for (int i = 0; i < 8;) {
            if (groups[i] != 0) {
                ++i;
                continue;
            }
            int end = i;
            while (end < 8 && groups[end] == 0)
                ++end;
            if (end - i > bestLength) {
                bestStart = i;
                bestLength = end - i;
            }
            i = end;
        }
        for (int i = 0; i < 8; ++i) {
            if (i == bestStart) {
                text[length++] = ':';
                text[length++] = ':';
                i += bestLength - 1;
                continue;
            }
            if (i != 0 && i != bestStart + bestLength)
                text[length++] = ':';
            length += AppendHexGroup(text + length, groups[i]);
        }
    }
    if (scopeId != 0 && IsLinkLocal6(address)) {
        text[length++] = '%';
        length += FormatUnsigned(text + length, scopeId);
    }
    text[length] = '\0';
    return length;
}
