// The IPv6 address text against the C library's inet_ntop, and the IPv6 TCP and the two UDP table layouts with
// their short and oversized buffers.
#include "connections/Address6.h"
#include "connections/ByteOrder.h"
#include "connections/TableDecode.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

in6_addr Parse6(const std::string& text) {
    in6_addr address{};
    EXPECT_EQ(inet_pton(AF_INET6, text.c_str(), &address), 1) << text;
    return address;
}

// Written into a heap block of exactly the longest text's size, so AddressSanitizer sees any overrun.
std::string Text6(const unsigned char (&bytes)[16], uint32_t scope) {
    auto block = std::make_unique<char[]>(kAddress6TextBytes);
    const size_t length = FormatAddress6(block.get(), bytes, scope);
    EXPECT_EQ(length, std::strlen(block.get()));
    return block.get();
}

// A table as the library lays it out: 32-bit words (scope ids and ports in network byte order) and IPv6 addresses.
using Bytes = std::vector<unsigned char>;
void Put(Bytes& bytes, uint32_t word) {
    const auto* from = reinterpret_cast<const unsigned char*>(&word);
    bytes.insert(bytes.end(), from, from + 4);
}
void Put(Bytes& bytes, const char* address) {
    const in6_addr parsed = Parse6(address);
    bytes.insert(bytes.end(), parsed.s6_addr, parsed.s6_addr + 16);
}
template <class... Fields> Bytes Layout(Fields... fields) {
    Bytes bytes;
    (Put(bytes, fields), ...);
    return bytes;
}
uint32_t Port(uint16_t port) { return HostToNetworkShort(port); }

// The cells and, for the raw fields the actions and the resolver use, the address and port they hold.
std::string Show(const ConnectionEntry& e) {
    char local[kAddress6TextBytes], remote[kAddress6TextBytes];
    if (IsIpv6(e.protocol))
        FormatAddress6(local, e.localAddr6, e.localScopeId), FormatAddress6(remote, e.remoteAddr6, e.remoteScopeId);
    else
        FormatAddress(local, e.localAddr), FormatAddress(remote, e.remoteAddr);
    return std::string(ProtocolName(e.protocol)) + " " + e.localAddressText + " " + e.localPortText + " " +
           e.remoteAddressText + " " + e.remotePortText + " " + e.stateText + " " + e.pidText + " | " + local + " " +
           std::to_string(NetworkToHostShort(static_cast<uint16_t>(e.localPort))) + " " + remote;
}

} // namespace

// Zero runs of every length at every place (groups 1..8 elsewhere), equal runs, upper case and leading zeros in the
// input, the mapped form, as inet_ntop writes them; then the scope of link-local addresses only. glibc writes an
// address whose first 96 bits are zero in the deprecated IPv4-compatible form (::0.7.0.8), which stays hexadecimal.
TEST(FormatAddress6, WritesTheTextOfInetNtopAndTheLinkLocalScope) {
    std::vector<std::string> inputs = {"1:0:0:2:0:0:3:4",
                                       "1:0:2:0:0:0:3:0",
                                       "2001:DB8::ABCD",
                                       "2001:0db8:0:0:1:0:0:1",
                                       "::ffff:192.0.2.1",
                                       "::ffff:0:0",
                                       "::",
                                       "::1",
                                       "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"};
    for (int length = 1; length <= 8; ++length)
        for (int start = 0; start + length <= 8; ++start) {
            std::string text;
            for (int group = 0; group < 8; ++group)
                text += (group ? ":" : "") + std::to_string(group >= start && group < start + length ? 0 : group + 1);
            if (!(start == 0 && length == 6))
                inputs.push_back(text);
        }
    for (const std::string& input : inputs) {
        char oracle[INET6_ADDRSTRLEN];
        EXPECT_EQ(Text6(Parse6(input).s6_addr, 0), inet_ntop(AF_INET6, Parse6(input).s6_addr, oracle, sizeof oracle));
    }
    const struct {
        const char* input;
        uint32_t scope;
        const char* text;
    } cases[] = {
        {"0:0:0:0:0:0:7:8", 0, "::7:8"},
        {"fe80::1", 7, "fe80::1%7"},
        {"febf::1", 3, "febf::1%3"},
        {"fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 0xFFFFFFFFu, "fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff%4294967295"},
        {"fe80::1", 0, "fe80::1"},
        {"fec0::1", 3, "fec0::1"},
        {"2001:db8::1", 9, "2001:db8::1"}};
    for (const auto& c : cases)
        EXPECT_EQ(Text6(Parse6(c.input).s6_addr, c.scope), c.text);
}

// Each layout's two rows come after the rows already there; short buffers are refused whole, leaving the snapshot as
// it was; bytes after the last row are ignored.
TEST(AppendTable, DecodesEachLayoutFromBuffersThatHoldTheirRows) {
    const uint32_t scope7 = HostToNetworkLong(7), any = inet_addr("0.0.0.0"), loop = inet_addr("127.0.0.1");
    const struct {
        Protocol protocol;
        Bytes table;
        std::vector<std::string> rows;
    } tables[] = {
        {Protocol::Tcp6,
         Layout(2, "fe80::1", scope7, Port(49152), "fe80::2", scope7, Port(443), 5, 4242, "::", 0, Port(80), "::", 0, 0,
                2, 8),
         {"TCPv6 fe80::1%7 49152 fe80::2%7 443 ESTABLISHED 4242 | fe80::1%7 49152 fe80::2%7",
          "TCPv6 :: 80 :: 0 LISTENING 8 | :: 80 ::"}},
        {Protocol::Udp,
         Layout(2, any, Port(53), 900, loop, Port(65535), 0xFFFFFFFFu),
         {"UDP 0.0.0.0 53    900 | 0.0.0.0 53 0.0.0.0", "UDP 127.0.0.1 65535    -1 | 127.0.0.1 65535 0.0.0.0"}},
        {Protocol::Udp6,
         Layout(2, "::ffff:192.0.2.1", 0, Port(5353), 77, "fe80::abcd", HostToNetworkLong(0x01020304), Port(546), 78),
         {"UDPv6 ::ffff:192.0.2.1 5353    77 | ::ffff:192.0.2.1 5353 ::",
          "UDPv6 fe80::abcd%16909060 546    78 | fe80::abcd%16909060 546 ::"}}};
    for (const auto& t : tables) {
        Bytes longer = t.table;
        longer.insert(longer.end(), 57, 0xEE);
        const Bytes empty = Layout(0);
        const struct {
            const Bytes& buffer;
            size_t size, rows;
        } cases[] = {{t.table, t.table.size(), 2},
                     {longer, longer.size(), 2},
                     {empty, 4, 0},
                     {t.table, t.table.size() - 1, 0},
                     {t.table, 3, 0},
                     {t.table, 0, 0}};
        for (const auto& c : cases) {
            ConnectionSnapshot out(1);
            CopyBounded(out[0].processName, "kept");
            auto block =
                std::make_unique<unsigned char[]>(c.size ? c.size : 1); // exactly the size, for AddressSanitizer
            std::memcpy(block.get(), c.buffer.data(), c.size);
            EXPECT_EQ(AppendTable(block.get(), c.size, t.protocol, out), c.rows || &c.buffer == &empty) << c.size;
            ASSERT_EQ(out.size(), 1 + c.rows) << ProtocolName(t.protocol) << " " << c.size;
            EXPECT_STREQ(out[0].processName, "kept");
            for (size_t i = 0; i < c.rows; ++i)
                EXPECT_EQ(Show(out[1 + i]), t.rows[i]);
        }
        ConnectionSnapshot out;
        EXPECT_FALSE(AppendTable(nullptr, 100, t.protocol, out));
    }
}
