// Every endpoint beside IPv4 TCP: the IPv6 address text against the C library's inet_ntop, the IPv6 TCP and the two
// UDP table layouts (with their short and oversized buffers), what the list refresh shows and logs of them, IPv6
// addresses in the resolver's queue and loop, and the actions that reset only IPv4 TCP connections.
#include "blacklist/BlackListMatch.h"
#include "connections/Address6.h"
#include "connections/ByteOrder.h"
#include "connections/ListRefresh.h"
#include "connections/ResolverLoop.h"
#include "connections/TableDecode.h"
#include "controls/RowModel.h"
#include "processes/RowActions.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Address6 {
    unsigned char bytes[16] = {};
};

Address6 Parse6(const std::string& text) {
    Address6 address;
    EXPECT_EQ(inet_pton(AF_INET6, text.c_str(), address.bytes), 1) << text;
    return address;
}

std::string Text6(const std::string& text, uint32_t scope = 0) {
    // Written into a heap block of exactly the longest text's size, so AddressSanitizer sees any overrun.
    auto block = std::make_unique<char[]>(kAddress6TextBytes);
    const size_t length = FormatAddress6(block.get(), Parse6(text).bytes, scope);
    EXPECT_EQ(length, std::strlen(block.get()));
    return block.get();
}

std::string Oracle(const std::string& text) {
    char out[INET6_ADDRSTRLEN];
    return inet_ntop(AF_INET6, Parse6(text).bytes, out, sizeof out);
}

void Put32(Bytes& bytes, uint32_t value) {
    const size_t at = bytes.size();
    bytes.resize(at + 4);
    std::memcpy(bytes.data() + at, &value, 4);
}

void Put6(Bytes& bytes, const std::string& text) {
    const Address6 address = Parse6(text);
    bytes.insert(bytes.end(), address.bytes, address.bytes + 16);
}

uint32_t Port(uint16_t port) { return HostToNetworkShort(port); }
uint32_t Ip(const char* dotted) { return inet_addr(dotted); }

// The three tables, two rows each, as the library lays them out (scope ids in network byte order).
Bytes Tcp6Table() {
    Bytes t;
    Put32(t, 2);
    Put6(t, "fe80::1"), Put32(t, HostToNetworkLong(7)), Put32(t, Port(49152));
    Put6(t, "fe80::2"), Put32(t, HostToNetworkLong(7)), Put32(t, Port(443)), Put32(t, 5), Put32(t, 4242);
    Put6(t, "::"), Put32(t, 0), Put32(t, Port(80)), Put6(t, "::"), Put32(t, 0), Put32(t, 0), Put32(t, 2), Put32(t, 8);
    return t;
}
Bytes UdpTable() {
    Bytes t;
    Put32(t, 2);
    Put32(t, Ip("0.0.0.0")), Put32(t, Port(53)), Put32(t, 900);
    Put32(t, Ip("127.0.0.1")), Put32(t, Port(65535)), Put32(t, 0xFFFFFFFFu);
    return t;
}
Bytes Udp6Table() {
    Bytes t;
    Put32(t, 2);
    Put6(t, "::ffff:192.0.2.1"), Put32(t, 0), Put32(t, Port(5353)), Put32(t, 77);
    Put6(t, "fe80::abcd"), Put32(t, HostToNetworkLong(0x01020304)), Put32(t, Port(546)), Put32(t, 78);
    return t;
}

// Decodes from a heap block of exactly the given size.
bool Append(const Bytes& table, size_t size, Protocol protocol, ConnectionSnapshot& out) {
    auto block = std::make_unique<unsigned char[]>(size ? size : 1);
    std::memcpy(block.get(), table.data(), std::min(size, table.size()));
    return AppendTable(block.get(), size, protocol, out);
}

std::string Show(const ConnectionEntry& e) {
    return std::string(ProtocolName(e.protocol)) + " " + e.localAddressText + " " + e.localPortText + " " +
           e.remoteAddressText + " " + e.remotePortText + " " + e.stateText + " " + e.pidText;
}

ConnectionEntry Entry(Protocol protocol, const std::string& local, const std::string& remote, const char* state) {
    ConnectionEntry e;
    e.protocol = protocol;
    if (IsIpv6(protocol)) {
        std::memcpy(e.localAddr6, Parse6(local.substr(0, local.find('%'))).bytes, 16);
        if (!remote.empty())
            std::memcpy(e.remoteAddr6, Parse6(remote).bytes, 16);
    } else {
        e.localAddr = Ip(local.c_str());
        e.remoteAddr = remote.empty() ? 0 : Ip(remote.c_str());
    }
    CopyBounded(e.localAddressText, local.c_str());
    CopyBounded(e.remoteAddressText, remote.c_str());
    CopyBounded(e.localPortText, "1000");
    CopyBounded(e.remotePortText, remote.empty() ? "" : "443");
    CopyBounded(e.stateText, state);
    CopyBounded(e.pidText, "7");
    return e;
}

class Cells : public ListRows {
public:
    explicit Cells(int columns) : columns(columns) {}
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    void InsertEmptyRow(int index) override { rows.insert(rows.begin() + index, std::vector<std::string>(columns)); }
    void DeleteRow(int index) override { rows.erase(rows.begin() + index); }
    void SetCellText(int row, int column, const char* text) override { rows.at(row).at(column) = text; }
    std::vector<std::vector<std::string>> rows;

private:
    int columns;
};

} // namespace

// Zero runs of every length at every place (groups 1..8 elsewhere), equal runs, upper case and leading zeros in the
// input, the mapped form: as inet_ntop writes them. glibc writes an address whose first 96 bits are zero in the
// deprecated IPv4-compatible form (::0.7.0.8); RFC 5952 keeps that form for known prefixes, so it stays hexadecimal.
TEST(FormatAddress6, WritesTheRfc5952TextOfInetNtopAndTheLinkLocalScope) {
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
    for (const std::string& input : inputs)
        EXPECT_EQ(Text6(input), Oracle(input)) << input;
    EXPECT_EQ(Text6("0:0:0:0:0:0:7:8"), "::7:8");

    const std::pair<std::pair<const char*, uint32_t>, const char*> scoped[] = {
        {{"fe80::1", 7}, "fe80::1%7"},
        {{"febf::1", 3}, "febf::1%3"},
        {{"fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 0xFFFFFFFFu},
         "fe80:ffff:ffff:ffff:ffff:ffff:ffff:ffff%4294967295"},
        {{"fe80::1", 0}, "fe80::1"},
        {{"fec0::1", 3}, "fec0::1"},
        {{"2001:db8::1", 9}, "2001:db8::1"}};
    for (const auto& [input, expected] : scoped)
        EXPECT_EQ(Text6(input.first, input.second), expected);
}

TEST(AppendTable, DecodesEachLayoutAfterTheRowsAlreadyThere) {
    const std::pair<Protocol, std::pair<Bytes, std::vector<std::string>>> tables[] = {
        {Protocol::Tcp6,
         {Tcp6Table(), {"TCPv6 fe80::1%7 49152 fe80::2%7 443 ESTABLISHED 4242", "TCPv6 :: 80 :: 0 LISTENING 8"}}},
        {Protocol::Udp, {UdpTable(), {"UDP 0.0.0.0 53    900", "UDP 127.0.0.1 65535    -1"}}},
        {Protocol::Udp6, {Udp6Table(), {"UDPv6 ::ffff:192.0.2.1 5353    77", "UDPv6 fe80::abcd%16909060 546    78"}}}};
    for (const auto& [protocol, table] : tables) {
        ConnectionSnapshot out(1);
        CopyBounded(out[0].processName, "kept");
        ASSERT_TRUE(Append(table.first, table.first.size(), protocol, out));
        ASSERT_EQ(out.size(), 3u);
        EXPECT_STREQ(out[0].processName, "kept");
        EXPECT_EQ(out[0].protocol, Protocol::Tcp);
        EXPECT_EQ((std::vector<std::string>{Show(out[1]), Show(out[2])}), table.second);
        for (size_t i = 1; i < 3; ++i) {
            EXPECT_EQ(out[i].remoteHostName[0] | out[i].processName[0], 0);
            EXPECT_EQ(out[i].localAddr | out[i].remoteAddr, IsIpv6(protocol) ? 0u : out[i].localAddr);
        }
    }
    ConnectionSnapshot out;
    ASSERT_TRUE(Append(Tcp6Table(), Tcp6Table().size(), Protocol::Tcp6, out));
    EXPECT_EQ(out[0].localScopeId, 7u) << "the scope id is read in network byte order";
    EXPECT_EQ(std::memcmp(out[0].remoteAddr6, Parse6("fe80::2").bytes, 16), 0);
    EXPECT_EQ(out[0].localPort, Port(49152)) << "the raw port field is kept";
    ASSERT_TRUE(Append(UdpTable(), UdpTable().size(), Protocol::Udp, out));
    EXPECT_EQ(out[3].localAddr, Ip("127.0.0.1"));
}

// Short buffers are refused whole, leaving the snapshot as it was; bytes after the last row are ignored.
TEST(AppendTable, TakesOnlyBuffersThatHoldTheirRows) {
    for (const auto& [protocol, table] : {std::pair{Protocol::Tcp6, Tcp6Table()}, std::pair{Protocol::Udp, UdpTable()},
                                          std::pair{Protocol::Udp6, Udp6Table()}}) {
        Bytes longer = table;
        longer.insert(longer.end(), 57, 0xEE);
        Bytes empty;
        Put32(empty, 0);
        const struct {
            const Bytes& buffer;
            size_t size;
            bool taken;
        } cases[] = {{table, table.size(), true},
                     {longer, longer.size(), true},
                     {empty, 4, true},
                     {table, table.size() - 1, false},
                     {table, 3, false},
                     {table, 0, false}};
        for (const auto& c : cases) {
            ConnectionSnapshot out(1);
            EXPECT_EQ(Append(c.buffer, c.size, protocol, out), c.taken) << ProtocolName(protocol) << " " << c.size;
            EXPECT_EQ(out.size(), c.taken && &c.buffer != &empty ? 3u : 1u) << ProtocolName(protocol) << " " << c.size;
        }
        ConnectionSnapshot out;
        EXPECT_FALSE(AppendTable(nullptr, 100, protocol, out));
    }
}

// Eight columns (Protocol after PID): UDP rows show empty remote and state cells, Established Only hides them, host
// names name their local addresses, and only TCP rows are logged.
TEST(EndpointRefresh, ShowsEveryProtocolAndLogsOnlyTcp) {
    ConnectionSnapshot snapshot = {Entry(Protocol::Tcp, "10.0.0.1", "192.0.2.10", "ESTABLISHED"),
                                   Entry(Protocol::Tcp6, "::1", "2001:db8::5", "ESTABLISHED"),
                                   Entry(Protocol::Udp, "0.0.0.0", "", ""), Entry(Protocol::Udp6, "fe80::1%3", "", "")};
    HostNameCache names;
    names.Append("0.0.0.0", "workstation");
    names.Append("2001:db8::5", "v6.example");
    ProcessNameCache processes;
    EventQueue events;
    const ColumnIndexes columns{0, 1, 3, 4, 5, 6, 7, 2};
    RefreshOptions options{true, false, true, true};
    Cells rows(8);
    RefreshList(rows, snapshot, names, processes, events, columns, options);
    using Row = std::vector<std::string>;
    EXPECT_EQ(rows.rows, (std::vector<Row>{{"7", "7", "TCP", "10.0.0.1", "1000", "192.0.2.10", "443", "ESTABLISHED"},
                                           {"7", "7", "TCPv6", "::1", "1000", "v6.example", "443", "ESTABLISHED"},
                                           {"7", "7", "UDP", "workstation", "1000", "", "", ""},
                                           {"7", "7", "UDPv6", "fe80::1%3", "1000", "", "", ""}}));
    EXPECT_STREQ(snapshot[1].remoteHostName, "v6.example");
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_EQ(events.At(1).protocol, Protocol::Tcp6);

    options.showEstablishedOnly = true;
    RefreshList(rows, snapshot, names, processes, events, columns, options);
    EXPECT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[1][2], "TCPv6");
}

// The queue holds both kinds in the order met, a UDP row only its local address, link-local addresses of two scopes
// apart; :: is the computer and ::1 localhost without a lookup; a failed IPv6 lookup waits like an IPv4 one.
TEST(EndpointResolver, NamesIpv6AddressesInQueueOrder) {
    ConnectionEntry link = Entry(Protocol::Udp6, "fe80::1%3", "", "");
    link.localScopeId = 3;
    ConnectionEntry otherLink = Entry(Protocol::Udp6, "fe80::1%4", "", "");
    otherLink.localScopeId = 4;
    const ConnectionEntry entries[] = {Entry(Protocol::Tcp6, "::1", "2001:db8::5", "ESTABLISHED"),
                                       Entry(Protocol::Udp, "10.0.0.1", "", ""),
                                       Entry(Protocol::Udp6, "::", "", ""),
                                       link,
                                       otherLink,
                                       Entry(Protocol::Tcp6, "::1", "2001:db8::5", "TIME_WAIT")};
    std::mutex lock;
    ResolveQueue queue;
    HostNameCache cache;
    for (const ConnectionEntry& entry : entries)
        QueueAddresses(entry, cache, 0, queue);
    ASSERT_EQ(queue.Size(), 6u);
    EXPECT_TRUE(queue.At(1).ipv6);
    EXPECT_FALSE(queue.At(2).ipv6);
    EXPECT_EQ(queue.At(2).ipv4, NetworkToHostLong(Ip("10.0.0.1")));

    std::vector<std::string> asked;
    ResolverLookups lookups;
    lookups.localHostName = [](std::string& name) { return name = "workstation", true; };
    lookups.reverseLookup = [&](uint32_t, std::string& name) { return asked.push_back("v4"), name = "ten", true; };
    lookups.reverseLookup6 = [&](const ResolveAddress& address, std::string& name) {
        char text[kAddress6TextBytes];
        FormatAddress6(text, address.ipv6Bytes, address.scopeId);
        asked.push_back(text);
        name = "v6.example";
        return address.scopeId != 4;
    };
    lookups.now = [] { return uint64_t{1000}; };
    const bool stop = false;
    RunResolver(lock, queue, cache, lookups, stop);
    EXPECT_EQ(asked, (std::vector<std::string>{"2001:db8::5", "v4", "fe80::1%3", "fe80::1%4"}));
    std::map<std::string, std::string> records;
    for (size_t i = 0; i < cache.Size(); ++i)
        records[cache.At(i).address] = cache.At(i).hostName;
    EXPECT_EQ(records, (std::map<std::string, std::string>{{"::1", "localhost"},
                                                           {"2001:db8::5", "v6.example"},
                                                           {"10.0.0.1", "ten"},
                                                           {"::", "workstation"},
                                                           {"fe80::1%3", "v6.example"}}));
    QueueAddresses(otherLink, cache, 1000 + ResolveQueue::kFirstRetryMs - 1, queue);
    EXPECT_EQ(queue.Size(), 0u) << "a failed IPv6 lookup waits 30 s";
    QueueAddresses(otherLink, cache, 1000 + ResolveQueue::kFirstRetryMs, queue);
    EXPECT_EQ(queue.Size(), 1u);
}

// Close Connection and the black list reset IPv4 TCP connections only, though other rows show the same texts.
TEST(EndpointActions, OnlyIpv4TcpConnectionsAreReset) {
    ConnectionSnapshot snapshot = {Entry(Protocol::Tcp6, "::ffff:10.0.0.1", "::ffff:192.0.2.10", "ESTABLISHED"),
                                   Entry(Protocol::Tcp6, "::1", "2001:db8::5", "ESTABLISHED"),
                                   Entry(Protocol::Tcp, "10.0.0.1", "192.0.2.10", "ESTABLISHED")};
    CopyBounded(snapshot[0].remoteHostName, "peer.example");
    CopyBounded(snapshot[2].remoteHostName, "peer.example");
    const ClickedRow byName{"7", "peer.example", "443", "1000", "10.0.0.1"};
    EXPECT_EQ(FindConnectionToClose(snapshot, byName), 2u);
    ClickedRow v6 = byName;
    v6.protocol = "TCPv6";
    EXPECT_FALSE(ClosableRow(v6));
    EXPECT_EQ(FindConnectionToClose(snapshot, v6), kNoEntry);
    v6.protocol = "TCP";
    EXPECT_TRUE(ClosableRow(v6));

    BlackListTargets targets = TargetsOf(snapshot);
    std::vector<std::string> handed;
    const auto closed = RunBlackListPass(targets, {"2001:DB8::5", "peer.example"}, [&](const BlackListTarget& t) {
        handed.push_back(t.remoteAddress);
        return CloseOutcome::Closed;
    });
    EXPECT_TRUE(BlackListEntryMatches("2001:DB8::5", TargetsOf(snapshot)[1])) << "IPv6 texts match ignoring case";
    EXPECT_EQ(handed, (std::vector<std::string>{"192.0.2.10"}));
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(targets.size(), 2u) << "the matched IPv6 rows stay";
}

TEST(RowModel, DeleteColumnTakesTheCellOutOfEveryRow) {
    RowModel model;
    for (int c = 0; c < 3; ++c)
        model.InsertColumn(c);
    model.InsertRow(0, "a");
    model.InsertRow(1, "d");
    for (int r = 0; r < 2; ++r) {
        model.SetCell(r, 1, r ? "e" : "b");
        model.SetCell(r, 2, r ? "" : "c");
    }
    EXPECT_FALSE(model.DeleteColumn(3));
    EXPECT_TRUE(model.DeleteColumn(1));
    EXPECT_EQ(model.ColumnCount(), 2);
    EXPECT_EQ((std::vector<std::string>{model.Cell(0, 0), model.Cell(0, 1), model.Cell(1, 0), model.Cell(1, 1)}),
              (std::vector<std::string>{"a", "c", "d", ""}));
    EXPECT_TRUE(model.DeleteColumn(1));
    model.InsertColumn(1);
    model.SetCell(1, 1, "x");
    EXPECT_EQ(std::string(model.Cell(1, 0)) + model.Cell(1, 1) + model.Cell(0, 1), "dx");
}
