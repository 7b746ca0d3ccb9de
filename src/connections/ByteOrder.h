// Network/host byte-order conversions for the raw TCP table values, written here so the portable core
// needs no sockets header. A 32-bit field holds its bytes in network order in memory; a port holds
// its two network-order bytes in the low 16 bits of its field.
#pragma once

#include <bit>
#include <cstdint>

constexpr uint32_t ByteSwap32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

constexpr uint16_t ByteSwap16(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }

constexpr uint32_t NetworkToHostLong(uint32_t value) {
    return std::endian::native == std::endian::little ? ByteSwap32(value) : value;
}

constexpr uint32_t HostToNetworkLong(uint32_t value) { return NetworkToHostLong(value); }

constexpr uint16_t NetworkToHostShort(uint16_t value) {
    return std::endian::native == std::endian::little ? ByteSwap16(value) : value;
}

constexpr uint16_t HostToNetworkShort(uint16_t value) { return NetworkToHostShort(value); }

// The port shown for a raw port field: only the low 16 bits count, whatever the high bits hold.
constexpr uint16_t PortFromField(uint32_t portField) {
    return NetworkToHostShort(static_cast<uint16_t>(portField & 0xFFFFu));
}
