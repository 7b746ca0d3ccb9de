// IPv6 addresses of the table rows: their text and the few kinds the program treats specially.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest text FormatAddress6 writes, with its NUL: eight groups of four digits and seven colons, then
// "%" and a 32-bit scope id.
constexpr size_t kAddress6TextBytes = 39 + 1 + 10 + 1;

// The RFC 5952 text of a network-order IPv6 address: lower-case hexadecimal groups without leading zeros,
// the longest run of two or more zero groups written as "::" (the first of equally long runs), an
// IPv4-mapped address as ::ffff:a.b.c.d, and "%scope" after a link-local address (fe80::/10) whose scope
// id is not 0. `text` needs kAddress6TextBytes. Returns the length.
size_t FormatAddress6(char* text, const unsigned char (&address)[16], uint32_t scopeId);

bool IsUnspecified6(const unsigned char (&address)[16]); // ::
bool IsLoopback6(const unsigned char (&address)[16]);    // ::1
bool IsLinkLocal6(const unsigned char (&address)[16]);   // fe80::/10
